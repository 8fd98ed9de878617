#include "tests/support/test_game.h"

#include <gtest/gtest.h>

#include "core/consistency.h"
#include "play/flow.h"
#include "play/input.h"
#include "shell/menu.h"
#include "shell/start.h"

namespace rindou::test {

void now(GameInPlay& g, Work<> work) {
    if (run_at_once(g, std::move(work))) throw Ended{};
}

TestGame::TestGame() {
    g.io = &io;
    now(g, start_up(g));
    take();
}

std::string TestGame::take() {
    std::string s = out.str();
    out.str({});
    out.clear();
    return s;
}

void TestGame::click(int button, int col, int row) {
    now(g, on_mouse_down(g, button, board_left + square_width * col + 307,
                  board_top + square_height * row + 345));
    EXPECT_EQ(state_problem(g.st), "") << "after a click on " << col << ' ' << row;
}

void TestGame::move(int c1, int r1, int c2, int r2, bool promote) {
    click(1, c1, r1);
    click(promote ? 2 : 1, c2, r2);
}

void TestGame::menu(const std::string& entry) {
    now(g, menu_command(g, entry));
    EXPECT_EQ(state_problem(g.st), "") << "after menu " << entry;
}

void TestGame::put(int col, int row, int code) {
    g.st.put_code(make_square(col, row), code);
    if (code == COIN) g.st.move_coin(make_square(col, row));
}

int TestGame::at(int col, int row) const { return g.st.code_at(col, row); }

std::string setup_line(const GameState& s, int side, int mode) {
    std::string line = "setup";
    auto add = [&line](int value) {
        line += ' ';
        line += std::to_string(value);
    };
    for (int r = 1; r <= 9; ++r)
        for (int c = 1; c <= 9; ++c) add(s.code_at(c, r));
    for (int k = 1; k <= 7; ++k) add(s.hand[LOWER][static_cast<size_t>(k)]);
    for (int k = 1; k <= 7; ++k) add(s.hand[UPPER][static_cast<size_t>(k)]);
    add(side);
    add(mode);
    return line;
}

std::string japanese_in(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const auto b = static_cast<unsigned char>(s[i]);
        const size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
        if (n == 0 || i + n > s.size()) return "a byte that is not UTF-8";
        char32_t c = n == 1 ? b : b & (0x7F >> n);
        for (size_t k = 1; k < n; ++k) {
            const auto cont = static_cast<unsigned char>(s[i + k]);
            if ((cont >> 6) != 2) return "a byte that is not UTF-8";
            c = (c << 6) | (cont & 0x3F);
        }
        if ((c >= 0x3000 && c <= 0x30FF) || (c >= 0x3400 && c <= 0x4DBF) ||
            (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0xF900 && c <= 0xFAFF) ||
            (c >= 0xFF00 && c <= 0xFFEF))
            return std::string(s.substr(i, n));
        i += n;
    }
    return {};
}

void wall_in_the_computer(GameState& s) {
    s.squares.fill(NO_PIECE);
    for (int r = 1; r <= 9; ++r) {
        s.put(make_square(7, r), make_piece(UPPER, GOLD));
        s.put(make_square(8, r), make_piece(UPPER, GOLD));
    }
    s.put(make_square(7, 1), make_piece(UPPER, KING));
    s.put(make_square(9, 5), make_piece(LOWER, KING));
    s.put(make_square(3, 5), make_piece(LOWER, GOLD));
    s.put(make_square(5, 6), make_piece(LOWER, GOLD));
    s.move_coin(make_square(9, 9));
    s.game_mode = MODE_COM;
}

}  // namespace rindou::test
