#include "record/kifu_text.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>

namespace rindou {

size_t utf8_length(const std::string& text) {
    size_t n = 0;
    for (unsigned char c : text)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

std::string display_text(const std::string& text, size_t limit) {
    std::string out;
    size_t chars = 0;
    for (size_t i = 0; i < text.size() && chars < limit;) {
        size_t len = utf8_sequence(text, i);
        if (len == 0) {
            out += REPLACEMENT_CHARACTER;
            ++i;
        } else if (len == 1 && (static_cast<unsigned char>(text[i]) < 0x20 || text[i] == 0x7F)) {
            out += REPLACEMENT_CHARACTER;
            ++i;
        } else {
            out.append(text, i, len);
            i += len;
        }
        ++chars;
    }
    return out;
}

int time_field(float seconds) {
    if (std::isnan(seconds)) return 0;
    double t = std::trunc(static_cast<double>(seconds));
    if (t > TIME_FIELD_MAX) return TIME_FIELD_MAX;
    if (t < TIME_FIELD_MIN) return TIME_FIELD_MIN;
    return static_cast<int>(t);
}

bool format_move_line(const RecordEntry& e, std::string& line) {
    char buf[128];
    int n = std::snprintf(buf, sizeof buf, "%2d%d%d%d%4d%4d%4d%5d%5d%5d%5d", e.from_col,
                          e.from_row, e.to_col, e.to_row, e.piece_after, e.piece_before,
                          e.captured, time_field(e.times.lower_before),
                          time_field(e.times.lower_after), time_field(e.times.upper_before),
                          time_field(e.times.upper_after));
    if (n != MOVE_LINE_WIDTH) return false;
    line.assign(buf, MOVE_LINE_WIDTH);
    return true;
}

namespace {

struct Field {
    size_t start;
    size_t width;
};
constexpr Field FIELDS[11] = {{0, 2},  {2, 1},  {3, 1},  {4, 1},  {5, 4},  {9, 4},
                              {13, 4}, {17, 5}, {22, 5}, {27, 5}, {32, 5}};

int read_field(const std::string& line, Field f) {
    if (f.start >= line.size()) return 0;
    size_t end = std::min(line.size(), f.start + f.width);
    size_t i = f.start;
    while (i < end && line[i] == ' ') ++i;
    bool negative = false;
    if (i < end && line[i] == '-') {
        negative = true;
        ++i;
    }
    int value = 0;  // at most five characters: no overflow
    while (i < end && line[i] >= '0' && line[i] <= '9') {
        value = value * 10 + (line[i] - '0');
        ++i;
    }
    return negative ? -value : value;
}

}  // namespace

bool parse_move_line(const std::string& line, RecordEntry& e) {
    for (char ch : line)
        if (ch < 0x20 || ch > 0x7E) return false;
    int v[11];
    for (size_t k = 0; k < 11; ++k) v[k] = read_field(line, FIELDS[k]);
    e = RecordEntry{};
    e.from_col = v[0];
    e.from_row = v[1];
    e.to_col = v[2];
    e.to_row = v[3];
    e.piece_after = v[4];
    e.piece_before = v[5];
    e.captured = v[6];
    e.times.lower_before = static_cast<float>(v[7]);
    e.times.lower_after = static_cast<float>(v[8]);
    e.times.upper_before = static_cast<float>(v[9]);
    e.times.upper_after = static_cast<float>(v[10]);
    return true;
}

}  // namespace rindou
