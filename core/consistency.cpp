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
    // The board holds pieces only and the coin is one square, so that
    // neither can be a stray code or in two places; but the coin's square
    // must be on the board and free.
    if (s.coin > LAST_SQUARE || s.piece_on(s.coin) != NO_PIECE) return "the coin's square is not free";
    int upper_kings = 0, lower_kings = 0;
    for (Square sq = FIRST_SQUARE; sq <= LAST_SQUARE; ++sq) {
        upper_kings += s.piece_on(sq) == make_piece(UPPER, KING);
        lower_kings += s.piece_on(sq) == make_piece(LOWER, KING);
    }
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
