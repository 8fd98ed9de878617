#include "record/notation.h"

#include <array>
#include <cstdlib>

#include "view/draw.h"

namespace rindou {

std::string move_notation_text(int value) {
    static const std::array<const char*, 10> files = {"",   "１", "２", "３", "４",
                                                      "５", "６", "７", "８", "９"};
    static const std::array<const char*, 10> ranks = {"",   "一", "二", "三", "四",
                                                      "五", "六", "七", "八", "九"};
    if (value >= 1 && value <= 9) return files[static_cast<size_t>(value)];
    if (value >= 1001 && value <= 1009) return ranks[static_cast<size_t>(value - 1000)];
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

void show_last_move(Game& g, int side, int to_col, int to_row, int piece, int colour) {
    double file_c, rank_c, name_c, r;
    if (side == g.st.upper_turn) {
        file_c = -1.5, rank_c = -1.1, name_c = -0.5, r = 8.5;
    } else if (side == g.st.lower_turn) {
        file_c = 12.5, rank_c = 12.9, name_c = 13.5, r = 2.5;
    } else {
        return;
    }
    clear_last_move(g, side);
    const std::string parts[3] = {move_notation_text(10 - to_col),
                                  move_notation_text(1000 + to_row), move_notation_text(piece)};
    const double cols[3] = {file_c, rank_c, name_c};
    for (int i = 0; i < 3; ++i) {
        print_text(g, cols[i], r, parts[i], BLACK);
        print_text(g, cols[i] - 0.1, r - 0.1, parts[i], colour);
    }
    if (side == g.st.upper_turn) frame_square(g, FRAME_COLOUR, 1, 8);
}

void clear_last_move(Game& g, int side) {
    int bg = g.st.background_code;
    if (side == g.st.upper_turn) {
        draw_picture(g, bg, -2, 8);
        draw_picture(g, bg, -1, 8);
        draw_picture(g, bg, 0, 8);
        frame_square(g, FRAME_COLOUR, -1, 7);
        frame_square(g, FRAME_COLOUR, 1, 8);
    } else if (side == g.st.lower_turn) {
        draw_picture(g, bg, 12, 2);
        draw_picture(g, bg, 13, 2);
        draw_picture(g, bg, 14, 2);
    }
}

}  // namespace rindou
