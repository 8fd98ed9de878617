#include "core/texts.h"

#include <atomic>

namespace rindou {

namespace {

constexpr std::string_view JAPANESE[] = {
#define TEXT(name, words) words,
#include "core/texts_japanese.inc"
#undef TEXT
};

// The English table names each text again, so that a text missing, added
// or out of order there is an error when building rather than the wrong
// words on the screen.
struct Named {
    Text name;
    std::string_view words;
};

constexpr Named ENGLISH[] = {
#define TEXT(name, words) {Text::name, words},
#include "core/texts_english.inc"
#undef TEXT
};

constexpr bool in_table_order(const Named* table, size_t n) {
    if (n != TEXT_COUNT) return false;
    for (size_t i = 0; i < n; ++i)
        if (table[i].name != static_cast<Text>(i)) return false;
    return true;
}
static_assert(sizeof(JAPANESE) / sizeof(JAPANESE[0]) == TEXT_COUNT);
static_assert(in_table_order(ENGLISH, sizeof(ENGLISH) / sizeof(ENGLISH[0])),
              "texts_english.inc must name every text of texts_japanese.inc, in its order");

std::atomic<Language> chosen{Language::Japanese};

}  // namespace

void set_language(Language l) { chosen.store(l, std::memory_order_relaxed); }

Language language() { return chosen.load(std::memory_order_relaxed); }

std::string_view text_pattern(Text t, Language l) {
    const auto i = static_cast<size_t>(t);
    if (i >= TEXT_COUNT) return {};
    return l == Language::English ? ENGLISH[i].words : JAPANESE[i];
}

std::string_view text_pattern(Text t) { return text_pattern(t, language()); }

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
