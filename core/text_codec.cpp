#include "core/text_codec.h"

#include <cerrno>
#include <iconv.h>

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

// Code page 932 through iconv.  Conversion is plain (no //IGNORE, whose
// result does not tell what was dropped): every byte iconv refuses, and a
// lead byte cut off at the end, becomes U+FFFD and is counted.
void decode_cp932_into(const std::string& bytes, DecodedText& d) {
    iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        // Without the converter only ASCII can be read.
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (static_cast<unsigned char>(bytes[i]) < 0x80) {
                d.text += bytes[i];
            } else {
                if (d.bad_bytes == 0) d.first_bad = i;
                ++d.bad_bytes;
                d.text += REPLACEMENT_CHARACTER;
            }
        }
        return;
    }
    std::string out(bytes.size() * 3 + 16, '\0');
    char* in_ptr = const_cast<char*>(bytes.data());
    size_t in_left = bytes.size();
    size_t written = 0;
    while (in_left > 0) {
        char* out_ptr = out.data() + written;
        size_t out_left = out.size() - written;
        size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
        written = out.size() - out_left;
        if (r != static_cast<size_t>(-1)) break;
        if (errno == E2BIG) {
            out.resize(out.size() * 2 + 16);
            continue;
        }
        // EILSEQ, EINVAL (or anything else): skip one byte, mark it.
        size_t offset = bytes.size() - in_left;
        if (d.bad_bytes == 0) d.first_bad = offset;
        ++d.bad_bytes;
        if (out.size() - written < REPLACEMENT_CHARACTER.size()) out.resize(out.size() * 2 + 16);
        out.replace(written, REPLACEMENT_CHARACTER.size(), REPLACEMENT_CHARACTER);
        written += REPLACEMENT_CHARACTER.size();
        ++in_ptr;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    iconv_close(cd);
    out.resize(written);
    d.text += out;
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
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        bad = utf8;
        return false;
    }
    std::string buf(utf8.size() * 2 + 16, '\0');
    char* in_ptr = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* out_ptr = buf.data();
    size_t out_left = buf.size();
    size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    int err = errno;
    iconv_close(cd);
    if (r == static_cast<size_t>(-1)) {
        (void)err;
        size_t at = utf8.size() - in_left;
        size_t len = at < utf8.size() ? utf8_sequence(utf8, at) : 0;
        bad = len > 0 ? utf8.substr(at, len) : REPLACEMENT_CHARACTER;
        return false;
    }
    buf.resize(buf.size() - out_left);
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
