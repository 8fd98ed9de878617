#include "view/look.h"

#include "core/file_texts.h"

namespace rindou {

namespace {

struct Kind {
    int base;
    const char* name;
    bool promotes;
};
constexpr Kind KINDS[] = {{10, "HU", true},    {20, "KYOU", true}, {30, "KEI", true},
                          {100, "GIN", true},  {110, "KIN", false}, {800, "KAKU", true},
                          {900, "SYA", true},  {950, "OU", false}};

}  // namespace

Rgb palette_rgb(int index) {
    switch (index) {
    case 0: return {0, 0, 0};
    case 2: return {0, 128, 0};
    case 11: return {0, 255, 255};  // light cyan: the hint
    case 12: return {255, 0, 0};
    case 14: return {255, 255, 0};
    case 15: return {255, 255, 255};
    default: return {128, 128, 128};
    }
}

std::string picture_file_stem(int code) {
    switch (code) {
    case 0: return "KARA_MASU";
    case 1: return "RINDOU";
    case 2: return "HAIKEI_MIDORI";
    case 3: return "HAIKEI_TATAMI";
    case 4: return "HAIKEI_TAKE";
    case 5: return "HAIKEI_UCHU";
    case 6: return "HAIKEI_RENGA";
    case 7: return "COIN";
    default: break;
    }
    int a = code < 0 ? -code : code;
    std::string side = code < 0 ? "SITA_" : "UE_";
    for (const Kind& k : KINDS) {
        if (a == k.base) return side + k.name + (k.promotes ? "_0" : "");
        if (k.promotes && a == k.base + 1) return side + k.name + "_1";
    }
    return {};
}

std::vector<int> picture_codes() {
    std::vector<int> codes = {0, 1, 2, 3, 4, 5, 6, 7};
    for (const Kind& k : KINDS) {
        for (int sign : {-1, 1}) {
            codes.push_back(sign * k.base);
            if (k.promotes) codes.push_back(sign * (k.base + 1));
        }
    }
    return codes;
}

const std::vector<std::string>& text_font_families() {
    static const std::vector<std::string> families = {FONT_MS_PMINCHO, "MS PMincho", "IPAPMincho",
                                                      "IPAMincho"};
    return families;
}

}  // namespace rindou
