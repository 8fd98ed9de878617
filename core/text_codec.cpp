#include "core/text_codec.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace rindou {

// Length of the well-formed UTF-8 sequence at bytes[i], or 0 when there is
// none (overlong forms, surrogates and values past U+10FFFF included).
size_t utf8_sequence(const std::string& bytes, size_t i) {
    auto b = [&](size_t k) { return static_cast<unsigned char>(bytes[k]); };
    size_t n = bytes.size();
    unsigned char c = b(i);
    if (c < 0x80) return 1;
    auto cont = [&](size_t k) { return k < n && (b(k) & 0xC0) == 0x80; };
    if (c >= 0xC2 && c <= 0xDF) return cont(i + 1) ? 2 : 0;
    if (c >= 0xE0 && c <= 0xEF) {
        if (!cont(i + 1) || !cont(i + 2)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xE0 && c1 < 0xA0) return 0;  // overlong
        if (c == 0xED && c1 > 0x9F) return 0;  // surrogate
        return 3;
    }
    if (c >= 0xF0 && c <= 0xF4) {
        if (!cont(i + 1) || !cont(i + 2) || !cont(i + 3)) return 0;
        unsigned char c1 = b(i + 1);
        if (c == 0xF0 && c1 < 0x90) return 0;  // overlong
        if (c == 0xF4 && c1 > 0x8F) return 0;  // past U+10FFFF
        return 4;
    }
    return 0;
}

bool is_strict_utf8(const std::string& bytes, bool& has_non_ascii) {
    has_non_ascii = false;
    for (size_t i = 0; i < bytes.size();) {
        size_t len = utf8_sequence(bytes, i);
        if (len == 0) return false;
        if (len > 1) has_non_ascii = true;
        i += len;
    }
    return true;
}

namespace {

void decode_utf8_lenient(const std::string& bytes, size_t offset, DecodedText& d) {
    for (size_t i = offset; i < bytes.size();) {
        size_t len = utf8_sequence(bytes, i);
        if (len == 0) {
            if (d.bad_bytes == 0) d.first_bad = i;
            ++d.bad_bytes;
            d.text += REPLACEMENT_CHARACTER;
            ++i;
        } else {
            d.text.append(bytes, i, len);
            i += len;
        }
    }
}

#include "core/cp932_table.inc"

// Row of a lead byte in CP932_DOUBLE, or -1 for a byte that leads no code.
int cp932_lead_row(unsigned char b) {
    if (b >= 0x81 && b <= 0x9F) return b - 0x81;
    if (b >= 0xE0 && b <= 0xFC) return b - 0xE0 + 31;
    return -1;
}

void append_utf8(std::string& out, uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | c >> 6);
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {  // the code page has nothing beyond U+FFFF
        out += static_cast<char>(0xE0 | c >> 12);
        out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// The code point of the well-formed UTF-8 sequence of len bytes at bytes[i].
uint32_t utf8_code_point(const std::string& bytes, size_t i, size_t len) {
    auto b = [&](size_t k) { return static_cast<uint32_t>(static_cast<unsigned char>(bytes[i + k])); };
    if (len == 1) return b(0);
    uint32_t c = b(0) & (0x7F >> len);
    for (size_t k = 1; k < len; ++k) c = c << 6 | (b(k) & 0x3F);
    return c;
}

// Code page 932 as glibc's iconv reads it, converted plainly: a byte that is
// no character, a lead byte whose trail byte makes no code, and a lead byte
// cut off at the end each become U+FFFD and are counted, and reading goes on
// at the next byte.
void decode_cp932_into(const std::string& bytes, DecodedText& d) {
    const size_t n = bytes.size();
    d.text.reserve(d.text.size() + n * 3 / 2);
    for (size_t i = 0; i < n;) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        int row = cp932_lead_row(b);
        if (row >= 0 && i + 1 < n) {
            unsigned char t = static_cast<unsigned char>(bytes[i + 1]);
            uint16_t c = t >= 0x40 && t <= 0xFC ? CP932_DOUBLE[row * 189 + (t - 0x40)] : 0;
            if (c != 0) {
                append_utf8(d.text, c);
                i += 2;
                continue;
            }
        }
        uint16_t c = CP932_SINGLE[b];
        if (c != 0xFFFF) {
            append_utf8(d.text, c);
        } else {
            if (d.bad_bytes == 0) d.first_bad = i;
            ++d.bad_bytes;
            d.text += REPLACEMENT_CHARACTER;
        }
        ++i;
    }
}

}  // namespace

DecodedText decode_text(const std::string& bytes) {
    DecodedText d;
    if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        d.was_utf8 = true;
        decode_utf8_lenient(bytes, 3, d);
        return d;
    }
    bool non_ascii = false;
    if (is_strict_utf8(bytes, non_ascii) && non_ascii) {
        d.was_utf8 = true;
        d.text = bytes;
        return d;
    }
    decode_cp932_into(bytes, d);
    return d;
}

bool encode_cp932(const std::string& utf8, std::string& out, std::string& bad) {
    out.clear();
    bad.clear();
    bool non_ascii = false;
    if (!is_strict_utf8(utf8, non_ascii)) {
        // Name the first byte that is not part of a character.
        for (size_t i = 0; i < utf8.size();) {
            size_t len = utf8_sequence(utf8, i);
            if (len == 0) {
                bad = REPLACEMENT_CHARACTER;
                return false;
            }
            i += len;
        }
    }
    if (!non_ascii) {
        out = utf8;
        return true;
    }
    // As glibc's iconv writes the code page: a character it lacks stops the
    // conversion and is named, and the tag characters are left out.
    std::string buf;
    buf.reserve(utf8.size());
    for (size_t i = 0; i < utf8.size();) {
        size_t len = utf8_sequence(utf8, i);
        uint32_t c = utf8_code_point(utf8, i, len);
        if (c >= CP932_DROPPED_FIRST && c <= CP932_DROPPED_LAST) {
            i += len;
            continue;
        }
        const uint16_t* end = std::end(CP932_ENCODE_FROM);
        const uint16_t* at = c <= 0xFFFF ? std::lower_bound(std::begin(CP932_ENCODE_FROM), end, c) : end;
        if (at == end || *at != c) {
            bad = utf8.substr(i, len);
            return false;
        }
        uint16_t code = CP932_ENCODE_TO[at - std::begin(CP932_ENCODE_FROM)];
        if (code > 0xFF) buf += static_cast<char>(code >> 8);
        buf += static_cast<char>(code & 0xFF);
        i += len;
    }
    out = buf;
    return true;
}

DecodedText decode_cp932(const std::string& bytes) {
    DecodedText d;
    decode_cp932_into(bytes, d);
    return d;
}

std::vector<std::string> split_lines(const std::string& text) {
    std::vector<std::string> lines;
    std::string line;
    bool open = false;
    for (size_t i = 0; i < text.size(); ++i) {
        char ch = text[i];
        if (ch == '\r' || ch == '\n') {
            lines.push_back(line);
            line.clear();
            open = false;
            if (ch == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        } else {
            line += ch;
            open = true;
        }
    }
    if (open) lines.push_back(line);
    return lines;
}

}  // namespace rindou
