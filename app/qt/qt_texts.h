// The table of texts as Qt strings.
#pragma once

#include <QString>

#include "core/texts.h"

namespace rindou::qt {

inline QString qtext(Text t) { return QString::fromStdString(text(t)); }
inline QString qtext(Text t, std::initializer_list<Fill> fills) {
    return QString::fromStdString(text(t, fills));
}

}  // namespace rindou::qt
