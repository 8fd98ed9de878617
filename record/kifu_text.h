// The text of record files: code page 932 on disk, UTF-8 inside the program;
// three header lines, then one 37-character line per move.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/state.h"
#include "core/text_codec.h"

namespace rindou {

// Reads the bytes of a record file: a UTF-8 byte-order mark, or bytes that are
// valid UTF-8 and not plain ASCII, mean UTF-8; anything else is code page 932.
inline DecodedText decode_record_text(const std::string& bytes) { return decode_text(bytes); }


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
