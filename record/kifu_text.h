// The text of record files: code page 932 on disk, UTF-8 inside the program;
// three header lines, then one 37-character line per move.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/state.h"

namespace rindou {

struct DecodedText {
    std::string text;        // UTF-8; every undecodable byte became U+FFFD
    size_t bad_bytes = 0;    // how many bytes could not be decoded
    size_t first_bad = 0;    // offset of the first of them (when bad_bytes > 0)
    bool was_utf8 = false;   // read as UTF-8 (byte-order mark, or valid UTF-8 text)
};

// Reads the bytes of a record file: a UTF-8 byte-order mark, or bytes that are
// valid UTF-8 and not plain ASCII, mean UTF-8; anything else is code page 932.
DecodedText decode_record_text(const std::string& bytes);

// Converts UTF-8 text to code page 932.  False when a character has no form in
// that code page (or the text is not valid UTF-8); `bad` then holds it.
bool encode_cp932(const std::string& utf8, std::string& out, std::string& bad);

// Lines ended by CR LF, LF or a lone CR; a final terminator adds no line.
std::vector<std::string> split_lines(const std::string& text);

// Number of characters (code points) of UTF-8 text.
size_t utf8_length(const std::string& text);
// At most `limit` characters of the text, control characters made visible.
std::string display_text(const std::string& text, size_t limit);

constexpr int MOVE_LINE_WIDTH = 37;
// Largest and smallest time a five-character field can hold.
constexpr int TIME_FIELD_MAX = 99999;
constexpr int TIME_FIELD_MIN = -9999;

// Whole seconds of a time as written to a file: the fraction dropped, kept
// within what the field can hold.
int time_field(float seconds);

// The move line of a record entry.  False when a field does not fit its width.
bool format_move_line(const RecordEntry& e, std::string& line);

// Reads a move line by its fixed positions: in each field leading blanks are
// skipped, a minus sign is taken, reading stops at the first other character,
// and an empty field or one past the end of the line reads as 0.  False when
// the line holds anything but printable ASCII characters.
bool parse_move_line(const std::string& line, RecordEntry& e);

}  // namespace rindou
