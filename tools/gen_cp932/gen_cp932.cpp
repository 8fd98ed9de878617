// Writes core/cp932_table.inc: code page 932 both ways, as glibc's iconv
// converts it.  Every byte, every lead and trail byte pair and every Unicode
// code point is asked of iconv one at a time; the tables keep what it gives.
//   rindou-gen-cp932 core/cp932_table.inc
#include <iconv.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& why) {
    std::fprintf(stderr, "rindou-gen-cp932: %s\n", why.c_str());
    std::exit(1);
}

// Runs the whole of `in` through cd; false unless iconv took all of it.
bool convert(iconv_t cd, const std::string& in, std::string& out) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    std::string buf(64, '\0');
    char* in_ptr = const_cast<char*>(in.data());
    size_t in_left = in.size();
    char* out_ptr = buf.data();
    size_t out_left = buf.size();
    size_t r = iconv(cd, &in_ptr, &in_left, &out_ptr, &out_left);
    if (r == static_cast<size_t>(-1) || in_left != 0) return false;
    out.assign(buf.data(), buf.size() - out_left);
    return true;
}

// The one character bytes decode to, or -1 when iconv refuses them.
long decode(iconv_t cd, const std::string& bytes) {
    std::string out;
    if (!convert(cd, bytes, out)) return -1;
    if (out.size() != 4) fail("a code read as other than one character");
    return static_cast<unsigned char>(out[0]) | static_cast<unsigned char>(out[1]) << 8 |
           static_cast<unsigned char>(out[2]) << 16 | static_cast<long>(static_cast<unsigned char>(out[3])) << 24;
}

std::string utf8(uint32_t c) {
    std::string s;
    if (c < 0x80) {
        s += static_cast<char>(c);
    } else if (c < 0x800) {
        s += static_cast<char>(0xC0 | c >> 6);
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        s += static_cast<char>(0xE0 | c >> 12);
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        s += static_cast<char>(0xF0 | c >> 18);
        s += static_cast<char>(0x80 | (c >> 12 & 0x3F));
        s += static_cast<char>(0x80 | (c >> 6 & 0x3F));
        s += static_cast<char>(0x80 | (c & 0x3F));
    }
    return s;
}

// Rows of the double-byte table: the lead bytes code page 932 has.
int lead_row(int lead) {
    if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC) return lead - 0xE0 + 31;
    return -1;
}

void write_array(std::ofstream& f, const char* decl, const std::vector<unsigned>& v, int per_line) {
    f << decl << " = {";
    char cell[16];
    for (size_t i = 0; i < v.size(); ++i) {
        if (i % static_cast<size_t>(per_line) == 0) f << "\n   ";
        std::snprintf(cell, sizeof cell, " 0x%04X,", v[i]);
        f << cell;
    }
    f << "\n};\n";
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) fail("usage: rindou-gen-cp932 OUTPUT.inc");
    iconv_t from = iconv_open("UTF-32LE", "CP932");
    iconv_t to = iconv_open("CP932", "UTF-8");  // from UTF-8, as the game's text is
    if (from == reinterpret_cast<iconv_t>(-1) || to == reinterpret_cast<iconv_t>(-1))
        fail("this iconv has no CP932");

    const unsigned NONE_SINGLE = 0xFFFF;  // never a character of this code page
    std::vector<unsigned> single(256, NONE_SINGLE);
    for (int b = 0; b < 256; ++b) {
        long c = decode(from, std::string(1, static_cast<char>(b)));
        if (c == static_cast<long>(NONE_SINGLE) || c > 0xFFFF) fail("unexpected single byte");
        if (c >= 0) single[static_cast<size_t>(b)] = static_cast<unsigned>(c);
    }

    std::vector<unsigned> dbl(60 * 189, 0);  // 0: no character (U+0000 is the byte 0x00)
    for (int lead = 0; lead < 256; ++lead) {
        for (int trail = 0; trail < 256; ++trail) {
            if (single[static_cast<size_t>(lead)] != NONE_SINGLE) break;  // not a lead byte
            long c = decode(from, std::string{static_cast<char>(lead), static_cast<char>(trail)});
            if (c < 0) continue;
            int row = lead_row(lead);
            if (row < 0 || trail < 0x40 || trail > 0xFC || c == 0 || c > 0xFFFF)
                fail("double-byte code outside the table");
            dbl[static_cast<size_t>(row * 189 + trail - 0x40)] = static_cast<unsigned>(c);
        }
    }

    // iconv writes nothing at all for some characters (the tag characters
    // U+E0000-U+E007F); they must form one run.
    std::vector<unsigned> enc_from, enc_to;
    long dropped_first = -1, dropped_last = -1;
    for (uint32_t c = 0; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        std::string out;
        if (!convert(to, utf8(c), out)) continue;
        if (out.empty()) {
            if (dropped_first < 0) dropped_first = c;
            if (dropped_last >= 0 && dropped_last != static_cast<long>(c) - 1) fail("dropped characters in more than one run");
            dropped_last = c;
            continue;
        }
        if (c > 0xFFFF || out.size() > 2) fail("unexpected encoding");
        unsigned code = static_cast<unsigned char>(out[0]);
        if (out.size() == 2) code = code << 8 | static_cast<unsigned char>(out[1]);
        enc_from.push_back(c);
        enc_to.push_back(code);
    }
    iconv_close(from);
    iconv_close(to);

    std::ofstream f(argv[1], std::ios::binary);
    f << "// Code page 932 as glibc's iconv converts it, written by tools/gen_cp932\n"
         "// (rindou-gen-cp932); regenerate rather than edit.\n\n"
         "// The character of each byte alone; 0xFFFF for a lead byte and for a byte\n"
         "// that is no character.\n";
    write_array(f, "constexpr std::uint16_t CP932_SINGLE[256]", single, 8);
    f << "\n// The character of each two-byte code, by lead byte (0x81-0x9F, then\n"
         "// 0xE0-0xFC) and trail byte (0x40-0xFC); 0 where the pair is no character.\n";
    write_array(f, "constexpr std::uint16_t CP932_DOUBLE[60 * 189]", dbl, 12);
    f << "\n// Every character the code page can hold, in ascending order, and its code\n"
         "// (a byte below 0x100, else lead byte * 256 + trail byte).  Several codes\n"
         "// read as one character; this is the code written for it, and some\n"
         "// characters are written with a code that reads back as another.\n";
    const std::string n = std::to_string(enc_from.size());
    write_array(f, ("constexpr std::uint16_t CP932_ENCODE_FROM[" + n + "]").c_str(), enc_from, 12);
    write_array(f, ("constexpr std::uint16_t CP932_ENCODE_TO[" + n + "]").c_str(), enc_to, 12);
    char run[160];
    std::snprintf(run, sizeof run,
                  "\n// Characters written as nothing at all.\n"
                  "constexpr std::uint32_t CP932_DROPPED_FIRST = 0x%lX;\n"
                  "constexpr std::uint32_t CP932_DROPPED_LAST = 0x%lX;\n",
                  dropped_first, dropped_last);
    if (dropped_first < 0) fail("no dropped characters: the encoder assumes a run");
    f << run;
    if (!f) fail("cannot write the table");
    std::printf("%zu characters written\n", enc_from.size());
    return 0;
}
