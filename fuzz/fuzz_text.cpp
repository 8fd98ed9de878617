// Fuzz target: text of any bytes as the program writes it into files, the
// code page 932 encoder and the record file's header names.  Whatever is
// refused must be named printably; whatever is written must read back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "core/text_codec.h"
#include "record/record_file.h"

namespace {

bool has_control(const std::string& s) {
    for (size_t i = 0; i < s.size(); ++i) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        if (b < 0x20 || b == 0x7F) return true;
        if (b == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) < 0xA0 &&
            static_cast<unsigned char>(s[i + 1]) >= 0x80)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    // What encodes reads back as the same text, and encodes again the same.
    std::string out, bad;
    if (rindou::encode_cp932(text, out, bad)) {
        if (!bad.empty()) std::abort();
        rindou::DecodedText back = rindou::decode_cp932(out);
        if (back.bad_bytes != 0) std::abort();
        std::string again, bad_again;
        if (!rindou::encode_cp932(back.text, again, bad_again) || again != out) std::abort();
    } else if (bad.empty()) {
        std::abort();
    }

    // Three header names cut from the bytes at 0xFF.
    std::string names[3];
    size_t n = 0;
    for (char ch : text) {
        if (static_cast<unsigned char>(ch) == 0xFF && n < 2)
            ++n;
        else
            names[n] += ch;
    }
    rindou::GameState s;
    std::string bytes, refused;
    rindou::RecordWriteProblem p =
        rindou::build_record_file(s, names[0], names[1], names[2], bytes, refused);
    if (p == rindou::RecordWriteProblem::None) {
        // Three lines, each ended by CR LF, with no line break inside.
        size_t lines = 0;
        for (size_t i = 0; i < bytes.size(); ++i)
            if (bytes[i] == '\n') {
                if (i == 0 || bytes[i - 1] != '\r') std::abort();
                ++lines;
            } else if (bytes[i] == '\r' && (i + 1 >= bytes.size() || bytes[i + 1] != '\n')) {
                std::abort();
            }
        if (lines != 3) std::abort();
    } else if (refused.empty() || has_control(refused)) {
        std::abort();
    }
    return 0;
}
