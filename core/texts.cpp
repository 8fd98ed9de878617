#include "core/texts.h"


namespace rindou {

namespace {

constexpr std::string_view JAPANESE[] = {
#define TEXT(name, words) words,
#include "core/texts_japanese.inc"
#undef TEXT
};

}  // namespace

std::string_view text_pattern(Text t) { return JAPANESE[static_cast<size_t>(t)]; }

std::string text(Text t, std::initializer_list<Fill> fills) {
    const std::string_view pattern = text_pattern(t);
    std::string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size();) {
        const size_t open = pattern.find('{', i);
        if (open == std::string_view::npos) {
            out.append(pattern.substr(i));
            break;
        }
        out.append(pattern.substr(i, open - i));
        const size_t close = pattern.find('}', open);
        if (close == std::string_view::npos) {
            out.append(pattern.substr(open));
            break;
        }
        const std::string_view place = pattern.substr(open + 1, close - open - 1);
        const Fill* fill = nullptr;
        for (const Fill& f : fills)
            if (f.place == place) fill = &f;
        if (fill)
            out += fill->value;
        else
            out.append(pattern.substr(open, close - open + 1));
        i = close + 1;
    }
    return out;
}

}  // namespace rindou
