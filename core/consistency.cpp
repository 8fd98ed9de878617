#include "core/consistency.h"

#include <cstdio>
#include <cstdlib>

#include "core/rules.h"

namespace rindou {

namespace {

std::string hand_problem(const GameState& s, Side side, const char* name) {
    for (PieceKind k = PAWN; k <= ROOK; ++k)
        if (s.hand[side][k] < 0) return std::string(name) + " hand count below zero";
    return {};
}

}  // namespace

std::string state_problem(const GameState& s) {
    int coins = 0, upper_kings = 0, lower_kings = 0;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            const int code = s.board[static_cast<size_t>(c)][static_cast<size_t>(r)];
            if (code == COIN) {
                ++coins;
                if (c != s.coin_col || r != s.coin_row) return "the coin is not where the state says";
            } else if (code != EMPTY && !is_piece_code(code)) {
                return "an unknown code on the board";
            }
            upper_kings += code == OU;
            lower_kings += code == -OU;
        }
    if (coins != 1) return "not exactly one coin on the board";
    if (upper_kings > 1 || lower_kings > 1) return "more than one king a side";
    std::string hands = hand_problem(s, LOWER, "lower");
    if (hands.empty()) hands = hand_problem(s, UPPER, "upper");
    if (!hands.empty()) return hands;
    if (s.record_count < 0 || s.record_count > s.record_end || s.record_end > RECORD_MAX)
        return "the move record is out of its bounds";
    if (s.move_number < 0) return "a negative move number";
    return {};
}

bool checking_state() {
#ifndef NDEBUG
    return true;
#else
    static const bool asked = std::getenv("RINDOU_CHECK_STATE") != nullptr;
    return asked;
#endif
}

void check_state_after(const GameState& s, const std::string& command) {
    const std::string problem = state_problem(s);
    if (problem.empty()) return;
    std::fprintf(stderr, "rindou: inconsistent state after \"%s\": %s\n", command.c_str(),
                 problem.c_str());
    std::abort();
}

}  // namespace rindou
