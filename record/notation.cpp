#include "record/notation.h"

#include <array>
#include <cstdlib>


namespace rindou {

std::string move_notation_text(int value) {
    static const std::array<const char*, 10> files = {"",   "１", "２", "３", "４",
                                                      "５", "６", "７", "８", "９"};
    static const std::array<const char*, 10> ranks = {"",   "一", "二", "三", "四",
                                                      "五", "六", "七", "八", "九"};
    if (value >= 1 && value <= 9) return files[value];
    if (value >= 1001 && value <= 1009) return ranks[value - 1000];
    switch (std::abs(value)) {
        case 10: return "歩";
        case 11: return "と";
        case 20: return "香";
        case 21: return "香成";
        case 30: return "桂";
        case 31: return "桂成";
        case 100: return "銀";
        case 101: return "銀成";
        case 110: return "金";
        case 800: return "角";
        case 801: return "角成";
        case 900: return "飛";
        case 901: return "飛成";
        case 950: return "王";
        default: return {};
    }
}

std::string move_notation(int col, int row, int piece) {
    return move_notation_text(10 - col) + move_notation_text(1000 + row) +
           move_notation_text(piece);
}

}  // namespace rindou
