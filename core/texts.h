// The texts a person reads, by name: dialog titles, notices, questions and
// captions.  Code says which text it shows and what fills its places; the
// words, and the order a sentence puts them in, belong to the table.  Texts
// that are file contents (settings, record headers, file names) are not
// here but in core/file_texts.h, and are never translated.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

namespace rindou {

enum class Text {
#define TEXT(name, words) name,
#include "core/texts_japanese.inc"
#undef TEXT
};

// How many texts the table names.
inline constexpr size_t TEXT_COUNT = 0
#define TEXT(name, words) +1
#include "core/texts_japanese.inc"
#undef TEXT
    ;

// The language the texts are shown in.  Japanese until set otherwise; the
// choice holds for every thread from the moment it is made.
enum class Language { Japanese, English };
void set_language(Language l);
Language language();

// A value for a named place of a text: {"line", "12"} fills "{line}".
struct Fill {
    std::string_view place;
    std::string value;
};

// The words of a text in the chosen language with its places filled.  A place without a value is
// left as written, so a missing fill shows rather than vanishes.
std::string text(Text t, std::initializer_list<Fill> fills = {});

// The words of a text as the table of the chosen language holds them,
// places unfilled.
std::string_view text_pattern(Text t);
// The same in a given language, whichever is chosen.
std::string_view text_pattern(Text t, Language l);

}  // namespace rindou
