// The table of texts as Qt strings.
#pragma once

#include <QString>

#include "core/texts.h"

namespace rindou::qt {

inline QString qtext(Text t) { return QString::fromStdString(text(t)); }

}  // namespace rindou::qt
