// The code page 932 codec against glibc's iconv, which the game converted its
// files with before it had tables of its own: every byte, every pair of
// bytes and every character of the Basic Multilingual Plane (and a spread
// beyond it) must convert exactly as iconv converts them, refusals and the
// reported positions included.
#include <gtest/gtest.h>
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "core/text_codec.h"

namespace rindou {
namespace {

struct Iconv {
    Iconv(const char* to, const char* from) : cd(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok()) iconv_close(cd);
    }
    bool ok() const { return cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t cd;
};

// The conversion the game used to make: plain iconv, one byte skipped and
// marked at each refusal.
DecodedText iconv_decode(iconv_t cd, const std::string& bytes) {
    DecodedText d;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
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
        if (d.bad_bytes == 0) d.first_bad = bytes.size() - in_left;
        ++d.bad_bytes;
        if (out.size() - written < 3) out.resize(out.size() * 2 + 16);
        out.replace(written, 3, REPLACEMENT_CHARACTER);
        written += 3;
        ++in_ptr;
        --in_left;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
    }
    d.text = out.substr(0, written);
    return d;
}

struct Encoded {
    bool ok;
    std::string out, bad;
    bool operator==(const Encoded&) const = default;
};

Encoded iconv_encode(iconv_t cd, const std::string& utf8) {
    bool non_ascii = false;
    if (!is_strict_utf8(utf8, non_ascii)) return {false, "", REPLACEMENT_CHARACTER};
    if (!non_ascii) return {true, utf8, ""};
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buf(utf8.size() * 2 + 16, '\0');
    char* in_ptr = const_cast<char*>(utf8.data());
    size_t in_left = utf8.size();
    char* out_ptr = buf.data();
    size_t out_left = buf.size();
    if (iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) {
        size_t at = utf8.size() - in_left;
        size_t len = at < utf8.size() ? utf8_sequence(utf8, at) : 0;
        return {false, "", len > 0 ? utf8.substr(at, len) : REPLACEMENT_CHARACTER};
    }
    return {true, buf.substr(0, buf.size() - out_left), ""};
}

Encoded ours(const std::string& utf8) {
    Encoded e{false, "", ""};
    e.ok = encode_cp932(utf8, e.out, e.bad);
    return e;
}

// UTF-8 form of c, surrogates too (which no conversion may accept).
std::string utf8_of(uint32_t c) {
    std::string s;
    if (c < 0x80) return std::string(1, static_cast<char>(c));
    if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
    }
    s += static_cast<char>(0x80 | (c & 0x3F));
    return s;
}

std::string hex(const std::string& bytes) {
    std::string s;
    char cell[4];
    for (unsigned char b : bytes) {
        std::snprintf(cell, sizeof cell, "%02X", b);
        s += cell;
    }
    return s;
}

// Names the first few inputs that differ, so that one fault in the table
// does not print sixty thousand failures.
struct Mismatches {
    void add(const std::string& input) {
        if (++count > 8) return;
        // Appended piece by piece: GCC 12 at -O3 sees an overlapping copy in
        // a literal + std::string (GCC bug 105329).
        names += ' ';
        names += hex(input.substr(0, 12));
        if (input.size() > 12) names += "...";
    }
    int count = 0;
    std::string names;
};

TEST(Cp932, ReadsEveryByteAndPairOfBytesAsIconvDoes) {
    Iconv cd("UTF-8", "CP932");
    ASSERT_TRUE(cd.ok()) << "this iconv has no CP932";
    Mismatches differ;
    auto check = [&](const std::string& bytes) {
        DecodedText want = iconv_decode(cd.cd, bytes), got = decode_cp932(bytes);
        if (got.text != want.text || got.bad_bytes != want.bad_bytes || got.first_bad != want.first_bad)
            differ.add(bytes);
    };
    // Single bytes (a lead byte cut off included), every double-byte code,
    // and every lead byte before a trail byte that makes no code with it.
    std::string all;
    for (int b = 0; b < 256; ++b) check(std::string(1, static_cast<char>(b)));
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
            check(pair);
            all += pair;
        }
    }
    // All of them in one text, where refusals shift the pairs and the first
    // refusal lies far in.
    check("\x82\xA0" + all);
    EXPECT_EQ(differ.count, 0) << "read differently:" << differ.names;
}

TEST(Cp932, WritesEveryCharacterAsIconvDoes) {
    Iconv cd("CP932", "UTF-8");
    ASSERT_TRUE(cd.ok()) << "this iconv has no CP932";
    Mismatches differ;
    std::string accepted;
    size_t written = 0;
    auto check = [&](uint32_t c) {
        const std::string ch = utf8_of(c);
        // Alone (ASCII is then kept as it is) and after a character that
        // needs converting.
        for (const std::string& text : {ch, "対" + ch}) {
            Encoded want = iconv_encode(cd.cd, text);
            if (ours(text) != want) differ.add(text);
            if (want.ok && text.size() > ch.size()) {
                accepted += ch;
                ++written;
            }
        }
    };
    for (uint32_t c = 0; c <= 0xFFFF; ++c) check(c);
    // Beyond it: the tag characters iconv leaves out, their edges, and a
    // spread over the other planes.
    for (uint32_t c = 0xDFFF0; c <= 0xE0090; ++c) check(c);
    for (uint32_t c = 0x10000; c <= 0x10FFFF; c += 0x3FF) check(c);
    check(0x10FFFF);
    // Every character that converts, in one text.
    if (ours(accepted) != iconv_encode(cd.cd, accepted)) differ.add("(all)");
    EXPECT_EQ(differ.count, 0) << "written differently:" << differ.names;
    EXPECT_GT(written, 9000u);  // the whole code page, not a converter that refuses all
}

TEST(Cp932, KeepsHalfWidthKatakanaAndWritesOneCodeForCharactersReadFromSeveral) {
    std::string out, bad;
    ASSERT_TRUE(encode_cp932("ｺﾝﾋﾟｭｰﾀ", out, bad));
    EXPECT_EQ(out, "\xBA\xDD\xCB\xDF\xAD\xB0\xC0");
    EXPECT_EQ(decode_cp932(out).text, "ｺﾝﾋﾟｭｰﾀ");
    // U+2252 is 0x81E0 and also 0x8790; U+2170 is 0xFA40 and also 0xEEEF.
    EXPECT_EQ(decode_cp932("\x87\x90\xEE\xEF").text, "≒ⅰ");
    ASSERT_TRUE(encode_cp932("≒ⅰ", out, bad));
    EXPECT_EQ(out, "\x81\xE0\xFA\x40");
    // 0x80, 0xA0 and 0xFD-0xFF are no characters.
    DecodedText odd = decode_cp932("a\x80\xA0\xFD\xFE\xFF");
    EXPECT_EQ(odd.bad_bytes, 5u);
    EXPECT_EQ(odd.first_bad, 1u);
}

}  // namespace
}  // namespace rindou
