#include "study/study.h"

#include <algorithm>
#include <cmath>
#include <memory>

#include "core/record_store.h"
#include "core/rules.h"
#include "deep/position.h"
#include "record/notation.h"
#include "record/record_file.h"
#include "record/record_moves.h"

namespace rindou::study {

double winning_chances(int score) {
    if (score > deep::WIN_BOUND) return 1.0;
    if (score < -deep::WIN_BOUND) return -1.0;
    return 2.0 / (1.0 + std::exp(-score / SCORE_SCALE)) - 1.0;
}

Mark mark_for_drop(double drop) {
    if (drop >= BLUNDER_DROP) return Mark::Blunder;
    if (drop >= MISTAKE_DROP) return Mark::Mistake;
    if (drop >= INACCURACY_DROP) return Mark::Inaccuracy;
    return Mark::None;
}

const char* mark_name(Mark m) {
    switch (m) {
        case Mark::Inaccuracy: return "inaccuracy";
        case Mark::Mistake: return "mistake";
        case Mark::Blunder: return "blunder";
        case Mark::None: break;
    }
    return "none";
}

namespace {


// The position the record starts from.  A game from the standard start (a
// played game or a loaded record) starts where every record does; a game
// begun on a handicap, a set-up position or a turned board started
// elsewhere, so the recorded moves are taken back from the present position
// (false when they do not fit it).
bool record_start(const GameState& s, GameState& start) {
    if (s.handicap_set == 0 && s.flipped == 0 && s.keep_state != KEEP_NEVER) {
        start = record_start_position(s);
        return true;
    }
    start = s;
    if (s.record_count < 0 || s.record_count > RECORD_MAX) return false;
    for (int i = s.record_count; i >= 1; --i) {
        const RecordEntry& e = s.record[i];
        if (!can_undo(start, e)) return false;
        undo_move(start, e);
    }
    return true;
}

// One position of the replay to score, for `turn` to move.
struct Stop {
    Side turn = NO_SIDE;
    deep::Position pos;
    std::vector<uint64_t> history;  // sorted: the positions met before it
};

struct Score {
    int score = 0;          // for the side to move
    bool searched = false;  // false: the side had one move only
    Move best;
    int best_placed = 0;  // the piece as that move leaves it
};

// Scores a position with the search.  A side with one move only (a pass
// included) has nothing to search, and the search says no more than the move
// then: the position is worth what the one after that move is, followed as
// far as the moves stay forced.
Score score_position(deep::Position p, bool mode_com, deep::SearchLimits limits) {
    Score first;
    int sign = 1;
    for (int forced = 0;; ++forced) {
        deep::MoveList moves;
        p.generate(moves);
        if (moves.size() != 1 || forced == 16) {
            int score;
            if (moves.empty()) {
                score = p.winner == p.side ? deep::WIN : -deep::WIN;
            } else if (moves.size() == 1) {
                score = deep::evaluate(p);  // neither side can do anything but pass
            } else {
                const deep::SearchResult r = deep::search_from(p, mode_com, limits);
                score = r.score;
                if (forced == 0) {
                    first.searched = true;
                    first.best = r.best;
                    first.best_placed = deep::move_entry(p, r.best).piece_after;
                }
            }
            first.score = sign * score;
            return first;
        }
        if (forced == 0) {
            first.best = moves[0].code;
            first.best_placed = deep::move_entry(p, moves[0].code).piece_after;
        }
        limits.history.push_back(p.key);
        std::sort(limits.history.begin(), limits.history.end());
        deep::Undo u;
        p.make(moves[0], u);
        sign = -sign;
        if (p.winner != NO_SIDE) {
            first.score = sign * (p.winner == p.side ? deep::WIN : -deep::WIN);
            return first;
        }
    }
}

Side turn_of(const GameState& s, bool upper) { return upper ? s.upper_turn() : s.lower_turn; }

}  // namespace

GameAnalysis analyse_game(const GameState& s, int level, const Hooks& hooks) {
    return analyse_game_nodes(s, deep::level_budget(level), hooks);
}

GameAnalysis analyse_game_nodes(const GameState& s, uint64_t nodes, const Hooks& hooks) {
    GameAnalysis out;
    out.nodes = nodes;
    auto pos = std::make_unique<GameState>();
    if (!record_start(s, *pos)) {
        out.ending = Ending::Unplayable;
        out.stop_entry = 1;
        return out;
    }

    // The replay: every entry that is a possible move in its turn, up to the
    // first that is not or to a king taken.  Between two moves of the same
    // side the other one passed: it had no move on the board.
    const int count = std::clamp(s.record_end, 0, RECORD_MAX);
    std::vector<Stop> stops;
    std::vector<uint64_t> met;
    std::vector<const RecordEntry*> played;
    std::vector<bool> passed;  // before each move played
    auto stop_at = [&](Side turn) {
        Stop st;
        st.turn = turn;
        st.pos = deep::Position::from_state(*pos, turn);
        st.history = met;
        std::sort(st.history.begin(), st.history.end());
        met.push_back(st.pos.key);
        return st;
    };
    bool king_taken = false;
    for (int i = 1; i <= count; ++i) {
        const RecordEntry& e = s.record[i];
        const bool upper = e.piece_before > 0;
        const bool pass = !played.empty() && (played.back()->piece_before > 0) == upper;
        if (!is_possible_move(*pos, e) ||
            (pass && has_no_board_move(*pos, upper ? LOWER : UPPER) != 1)) {
            out.ending = Ending::Unplayable;
            out.stop_entry = i;
            break;
        }
        if (pass) met.push_back(deep::Position::from_state(*pos, turn_of(*pos, !upper)).key);
        stops.push_back(stop_at(turn_of(*pos, upper)));
        played.push_back(&e);
        passed.push_back(pass);
        redo_move(*pos, e);
        if (std::abs(e.captured) == OU) {
            king_taken = true;
            if (out.ending != Ending::Unplayable) out.ending = Ending::KingTaken;
            break;
        }
    }
    // The position after the last move, for the other side (whose pass, if
    // it has no move, the scoring follows); none once a king is taken.
    if (!played.empty() && !king_taken)
        stops.push_back(stop_at(turn_of(*pos, played.back()->piece_before < 0)));

    const bool mode_com = s.game_mode == MODE_COM;
    const int total = static_cast<int>(stops.size());
    std::vector<Score> scores;
    for (const Stop& st : stops) {
        if (hooks.cancel && hooks.cancel->load()) break;
        deep::SearchLimits limits;
        limits.nodes = nodes;
        limits.stop = hooks.cancel;
        limits.history = st.history;
        scores.push_back(score_position(st.pos, mode_com, limits));
        if (hooks.cancel && hooks.cancel->load()) {
            scores.pop_back();  // cut short: not a score
            break;
        }
        if (hooks.progress) hooks.progress(static_cast<int>(scores.size()), total);
    }
    if (static_cast<int>(scores.size()) < total) out.ending = Ending::Cancelled;

    for (size_t k = 0; k < played.size(); ++k) {
        const RecordEntry& e = *played[k];
        MoveReview r;
        r.upper = e.piece_before > 0;
        // After a king taken there is no position to score: the mover won.
        const bool last_took_king = k + 1 == played.size() && king_taken;
        if (k >= scores.size() || (k + 1 >= scores.size() && !last_took_king)) break;
        r.number = static_cast<int>(k) + 1;
        r.move = e;
        r.notation = move_notation(e.to_col, e.to_row, e.piece_after);
        r.after_pass = passed[k];
        const Score& before = scores[k];
        r.before = before.score;
        if (last_took_king) {
            r.after = deep::WIN;
        } else {
            // The next position is scored for the side to move there: the
            // other side, or the mover again when the other side had to pass.
            const bool next_upper = stops[k + 1].pos.side == UPPER;
            r.after = next_upper == r.upper ? scores[k + 1].score : -scores[k + 1].score;
        }
        r.drop = std::max(0.0, winning_chances(r.before) - winning_chances(r.after));
        r.forced = !before.searched;
        // The record names a drop by the hand cell or the slot, as whoever
        // made it did; as moves the two are the same.
        r.better = before.searched && before.best != move_of(e);
        if (r.better) {
            r.best = before.best;
            r.best_placed = before.best_placed;
            r.best_notation = move_notation(col_of(r.best.to()), row_of(r.best.to()), r.best_placed);
            r.mark = mark_for_drop(r.drop);
        }
        SideSummary& side = r.upper ? out.upper : out.lower;
        side.moves += 1;
        side.total_drop += r.drop;
        side.inaccuracies += r.mark == Mark::Inaccuracy;
        side.mistakes += r.mark == Mark::Mistake;
        side.blunders += r.mark == Mark::Blunder;
        out.moves.push_back(std::move(r));
    }
    return out;
}

std::string analysed_record_key(const GameState& s) {
    std::string key = std::to_string(s.record_end);
    for (int i = 1; i <= std::min(s.record_end, RECORD_MAX); ++i) {
        const RecordEntry& e = s.record[i];
        key += ' ' + std::to_string(e.from_col * 1000 + e.from_row * 100 + e.to_col * 10 + e.to_row) +
               ':' + std::to_string(e.piece_after);
    }
    return key;
}

}  // namespace rindou::study
