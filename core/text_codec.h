// Text of the files the program reads and writes: code page 932 (Shift_JIS
// as Windows writes it) on disk, UTF-8 inside the program.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace rindou {

inline const std::string REPLACEMENT_CHARACTER = "\xEF\xBF\xBD";  // U+FFFD

// Length of the well-formed UTF-8 sequence at bytes[i], or 0 when there is
// none (overlong forms, surrogates and values past U+10FFFF included).
size_t utf8_sequence(const std::string& bytes, size_t i);
// True when the bytes are well-formed UTF-8; has_non_ascii tells whether any
// character lies beyond ASCII.
bool is_strict_utf8(const std::string& bytes, bool& has_non_ascii);

struct DecodedText {
    std::string text;        // UTF-8; every undecodable byte became U+FFFD
    size_t bad_bytes = 0;    // how many bytes could not be decoded
    size_t first_bad = 0;    // offset of the first of them (when bad_bytes > 0)
    bool was_utf8 = false;   // read as UTF-8 (byte-order mark, or valid UTF-8 text)
};

// Code page 932 as glibc's iconv reads it, converted plainly: every byte that
// is not part of a character, and a lead byte cut off at the end, becomes
// U+FFFD and is counted.
DecodedText decode_cp932(const std::string& bytes);
// A UTF-8 byte-order mark, or bytes that are valid UTF-8 and not plain ASCII,
// mean UTF-8; anything else is code page 932.
DecodedText decode_text(const std::string& bytes);

// Converts UTF-8 text to code page 932 as glibc's iconv does.  False when a
// character has no form in that code page (or the text is not valid UTF-8);
// `bad` then holds it.
bool encode_cp932(const std::string& utf8, std::string& out, std::string& bad);

// Lines ended by CR LF, LF or a lone CR; a final terminator adds no line.
std::vector<std::string> split_lines(const std::string& text);

}  // namespace rindou
