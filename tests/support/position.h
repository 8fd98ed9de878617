// Building test positions: an empty board with pieces, the coin and hands.
#pragma once

#include <string>

#include "core/state.h"
#include "tests/support/test_game.h"

namespace rindou::test {

struct Pos {
    GameState s;
    // An empty board; the coin stays on the centre until put elsewhere.
    Pos() { s.squares.fill(NO_PIECE); }
    Pos& put(int c, int r, int code) {
        s.put_code(make_square(c, r), code);
        if (code == COIN) s.move_coin(make_square(c, r));
        return *this;
    }
    Pos& upper_hand(int slot, int n) {
        s.hand[UPPER][size_t(slot)] = n;
        totals();
        return *this;
    }
    Pos& lower_hand(int slot, int n) {
        s.hand[LOWER][size_t(slot)] = n;
        totals();
        return *this;
    }
    void totals() {
        for (int k = 1; k <= 7; ++k) {
        }
    }
    // The console line that sets this position up, the upper side to move,
    // against the computer.
    std::string line() const { return setup_line(s, 1, 1) + "\n"; }
};

// The lines of `text` that start with `prefix`.
inline std::string lines_with(const std::string& text, const std::string& prefix) {
    std::string out;
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        if (line.compare(0, prefix.size(), prefix) == 0) out += line + "\n";
        pos = end + 1;
    }
    return out;
}

}  // namespace rindou::test
