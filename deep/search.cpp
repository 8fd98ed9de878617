#include "deep/search.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

#include "analysis/analysis.h"

namespace rindou::deep {

namespace {

constexpr int MAX_PLY = 96;
constexpr int INF = 32000;
constexpr int TT_BITS = 18;
// Coming back to a position decides nothing in this game; the side the
// search plays for counts it as a little worse than the position itself, so
// that it looks for progress instead of walking in circles.  (Worse than
// even would not do: a side that is behind, as against an opponent that can
// only pass, would then walk in circles for ever.)
constexpr int CIRCLE = 150;
// Every score the search makes, the window's ends included, fits the table.
static_assert(INF < 32767 && EVAL_LIMIT + 1000 < WIN_BOUND && WIN < INF);

constexpr int ORDER_VALUE[KIND_COUNT] = {0,   90,  315, 405, 495, 540, 855, 990,
                                         5000, 540, 540, 540, 540, 945, 1395};

enum Bound : uint8_t { NONE = 0, EXACT = 1, LOWER_B = 2, UPPER_B = 3 };

// Sixteen bytes: of the move only its code, what tells it apart from the
// others of the node, is kept.
struct TTEntry {
    uint64_t key = 0;
    rindou::Move move;
    int16_t score = 0;
    int8_t depth = -1;
    uint8_t bound = NONE;
};
static_assert(sizeof(TTEntry) == 16);

// Move ordering: the table's move, then captures (most valuable victim first,
// cheapest attacker first), promotions of the pieces that gain most, the two
// killers of the ply, and the quiet moves by their history counts.
constexpr int ORDER_HASH = 1 << 29;
constexpr int ORDER_CAPTURE = 1 << 26;
constexpr int ORDER_PROMOTION = 1 << 25;
constexpr int ORDER_KILLER = 1 << 24;

struct ScoredMove {
    Move move;
    int score;
};

// The order of a capture or promotion: captures by the victim, then the
// attacker, and promotions of the pieces that gain most before the others.
int tactical_score(const Move& m, const int (*hist)[SQUARE_COUNT]) {
    if (m.captured)
        return ORDER_CAPTURE + ORDER_VALUE[m.captured] * 16 - ORDER_VALUE[m.moved] / 16 + (m.promote() ? 64 : 0);
    if (m.moved == BISHOP || m.moved == ROOK || m.moved == PAWN) return ORDER_PROMOTION;
    return ORDER_PROMOTION / 2 + hist[m.from()][m.to()];
}

// The best line of one depth at the root.
struct RootLine {
    int score = -INF;
    Move move{};
    std::vector<Move> pv;
};

int score_to_tt(int s, int ply) { return s > WIN_BOUND ? s + ply : s < -WIN_BOUND ? s - ply : s; }
int score_from_tt(int s, int ply) { return s > WIN_BOUND ? s - ply : s < -WIN_BOUND ? s + ply : s; }

class Searcher {
public:
    Searcher(const Position& p, bool mode_com, const SearchLimits& limits)
        : pos_(p), mode_com_(mode_com), limits_(limits), tt_(size_t{1} << TT_BITS),
          scratch_(std::make_unique<GameState>()), scratch_maps_(std::make_unique<Maps>()) {
        init_seen();
        for (auto& l : picks_) l.reserve(256);
    }

    SearchResult run(const std::function<void(const SearchInfo&)>& on_info);

private:
    Position pos_;
    Side root_side_ = pos_.side;
    bool mode_com_;
    SearchLimits limits_;
    std::vector<TTEntry> tt_;
    std::unique_ptr<GameState> scratch_;  // for the game's own mate test
    std::unique_ptr<Maps> scratch_maps_;
    struct MateMemo {
        uint64_t key = 0;
        bool known = false, mated = false;
    };
    static constexpr size_t MATE_MEMO_SIZE = 4096;
    std::vector<MateMemo> mate_memo_ = std::vector<MateMemo>(MATE_MEMO_SIZE);
    uint64_t nodes_ = 0;
    bool aborted_ = false;
    // One bit per slot of the keys met earlier in the game, so that most
    // positions are known to be new without searching the list.
    static constexpr int SEEN_BITS = 14;
    std::vector<uint64_t> seen_ = std::vector<uint64_t>(size_t{1} << (SEEN_BITS - 6));
    void init_seen() {
        for (uint64_t k : limits_.history) {
            const uint64_t slot = k >> (64 - SEEN_BITS);
            seen_[slot >> 6] |= uint64_t{1} << (slot & 63);
        }
    }
    bool in_history(uint64_t key) const {
        const uint64_t slot = key >> (64 - SEEN_BITS);
        if ((seen_[slot >> 6] >> (slot & 63) & 1) == 0) return false;
        return std::binary_search(limits_.history.begin(), limits_.history.end(), key);
    }
    // Late-move reductions by depth and move number.
    int lmr_[64][64]{};
    void init_lmr() {
        for (int d = 1; d < 64; ++d)
            for (int n = 1; n < 64; ++n)
                lmr_[d][n] = static_cast<int>(0.5 + std::log(d) * std::log(n) / 2.0);
    }
    Move killers_[MAX_PLY][2]{};
    // [side][origin: a square, or 80 + the kind of a drop][destination]
    int history_[SIDE_COUNT][SQUARE_COUNT + 7][SQUARE_COUNT]{};
    uint64_t path_[MAX_PLY + 8]{};
    bool after_move_[MAX_PLY + 8]{};  // the position was reached by a real move
    Move pv_[MAX_PLY][MAX_PLY]{};
    int pv_len_[MAX_PLY]{};
    std::vector<MoveList> lists_ = std::vector<MoveList>(MAX_PLY + 2);
    std::vector<std::vector<int>> scores_ = std::vector<std::vector<int>>(MAX_PLY + 2);
    std::vector<std::vector<ScoredMove>> picks_ = std::vector<std::vector<ScoredMove>>(MAX_PLY + 2);
    std::vector<std::vector<ScoredMove>> losing_ = std::vector<std::vector<ScoredMove>>(MAX_PLY + 2);

    bool out_of_budget() {
        if (nodes_ >= limits_.nodes) aborted_ = true;
        if (limits_.stop && (nodes_ & 1023) == 0 && limits_.stop->load(std::memory_order_relaxed))
            aborted_ = true;
        return aborted_;
    }

    int eval() const { return evaluate(pos_); }

    TTEntry& slot_of(uint64_t key) { return tt_[key & ((size_t{1} << TT_BITS) - 1)]; }
    TTEntry& tt_slot() { return slot_of(pos_.key); }

    int see(const Move& m);
    // A capture by a dearer piece than it takes, onto a square the other
    // side reaches, may lose material: only then are the recaptures played
    // out.  (A recapture that only the capture itself opens up is not
    // looked for: such a capture is never called losing.)
    bool losing_capture(const Move& m) {
        return m.captured && ORDER_VALUE[m.moved] > ORDER_VALUE[m.captured] &&
               pos_.attacked_pattern(~pos_.side, m.to()) && see(m) < 0;
    }
    bool mated_by_test();
    bool terminal(int ply, int& score);
    int qsearch(int alpha, int beta, int ply);
    int search(int depth, int alpha, int beta, int ply, bool pv_node);
    bool decides(const TTEntry& e, int alpha, int beta, int ply, int& score) const;
    int pass_on(Move pass, int depth, int alpha, int beta, int ply, bool pv_node);
    int search_move(const Move& m, size_t i, int depth, int alpha, int beta, int ply, bool pv_node,
                    int reduction);
    void extend_pv(int ply, const Move& m);
    void reward_cutoff(const Move& m, int depth, int ply, const std::vector<ScoredMove>& moves, size_t tried);
    void store(const Move& best_move, int depth, int best, int alpha0, int beta, int ply);
    void order(MoveList& moves, std::vector<int>& sc, const Move& hash, int ply);
    void order_root(MoveList& root);
    RootLine search_root(const MoveList& root, std::vector<int>& root_scores, int depth);
    void report(int depth, const RootLine& line,
                const std::function<void(const SearchInfo&)>& on_info) const;
    bool in_danger() const {
        const Square k = pos_.king[pos_.side];
        return k != NO_SQUARE && pos_.can_capture(~pos_.side, k);
    }
    void make(const Move& m, Undo& u, int ply) {
        pos_.make(m, u);
        if (!m.pass()) ++nodes_;
        path_[ply + 1] = pos_.key;
        after_move_[ply + 1] = !m.pass();
    }
};

// In a game against the computer the person wins when, right after the
// person's move, the game's own test finds the computer's king mated.
bool Searcher::mated_by_test() {
    const Square k = pos_.king[UPPER];
    if (k == NO_SQUARE || !pos_.attacked_pattern(LOWER, k)) return false;
    // The test is dear and the same positions come back often: its answers
    // are kept by key.
    MateMemo& memo = mate_memo_[pos_.key & (MATE_MEMO_SIZE - 1)];
    if (memo.key == pos_.key && memo.known) return memo.mated;
    GameState& s = *scratch_;
    pos_.to_state(s);
    for (int c = 1; c <= 9; ++c) {
        s.upper_pawn_file[c] = pos_.pawns[UPPER][c] > 0;
        s.lower_pawn_file[c] = pos_.pawns[LOWER][c] > 0;
    }
    analyse_position(s, *scratch_maps_);
    memo.key = pos_.key;
    memo.known = true;
    memo.mated = upper_mate_test(s, *scratch_maps_) == 1;
    return memo.mated;
}

// Decided positions: a king taken or about to be taken, the mate test, a
// position repeated on the path or met earlier in the game (no rule ends the
// game there: it is worth what it is, less a little for the side searched
// for).
bool Searcher::terminal(int ply, int& score) {
    if (pos_.winner != NO_SIDE) {
        score = pos_.winner == pos_.side ? WIN - ply : -(WIN - ply);
        return true;
    }
    if (mode_com_ && pos_.side == UPPER && after_move_[ply] && mated_by_test()) {
        score = -(WIN - ply);
        return true;
    }
    const Square other_king = pos_.king[~pos_.side];
    if (other_king != NO_SQUARE && pos_.can_capture(pos_.side, other_king)) {
        score = WIN - ply - 1;
        return true;
    }
    bool repeated = ply > 0 && in_history(pos_.key);
    for (int i = ply - 2; i >= 0 && !repeated; i -= 2) repeated = path_[i] == pos_.key;
    if (!repeated) return false;
    score = eval() + (pos_.side == root_side_ ? -CIRCLE : CIRCLE);
    return true;
}

void Searcher::order(MoveList& moves, std::vector<int>& sc, const Move& hash, int ply) {
    sc.resize(moves.size());
    const uint32_t hash_key = hash.null() ? 0xfffffffeu : hash.key();  // no move has that key
    const bool killers = ply < MAX_PLY;
    const uint32_t k0 = killers ? killers_[ply][0].key() : 0xfffffffeu;
    const uint32_t k1 = killers ? killers_[ply][1].key() : 0xfffffffeu;
    const int (*hist)[SQUARE_COUNT] = history_[pos_.side];
    for (size_t i = 0; i < moves.size(); ++i) {
        const Move& m = moves[i];
        const uint32_t key = m.key();
        int v;
        if (key == hash_key)
            v = ORDER_HASH;
        else if (m.captured)
            v = ORDER_CAPTURE + ORDER_VALUE[m.captured] * 16 - ORDER_VALUE[m.moved] / 16 + (m.promote() ? 64 : 0);
        else if (m.promote() && (m.moved == BISHOP || m.moved == ROOK || m.moved == PAWN))
            v = ORDER_PROMOTION;
        else if (key == k0)
            v = ORDER_KILLER + 2;
        else if (key == k1)
            v = ORDER_KILLER + 1;
        else
            v = hist[m.from()][m.to()];
        sc[i] = v;
    }
}

// Brings the best remaining move to position i.
void pick(MoveList& moves, std::vector<int>& sc, size_t i) {
    size_t best = i;
    for (size_t j = i + 1; j < moves.size(); ++j)
        if (sc[j] > sc[best]) best = j;
    if (best != i) {
        std::swap(moves[i], moves[best]);
        std::swap(sc[i], sc[best]);
    }
}

// What a capture wins once every recapture on its square has been played
// out, the cheapest capturer first, each side free to stop when going on
// loses: played on the board itself, so that the coin, moved by every
// capture, allows or blocks each recapture exactly as in the game.
int Searcher::see(const Move& m) {
    constexpr int LONGEST = 24;
    const Square to = m.to();
    Move seq[LONGEST];
    Undo undo[LONGEST];
    int gain[LONGEST];
    auto on_square = [&] { return ORDER_VALUE[kind_of(pos_.board[to])]; };
    gain[0] = ORDER_VALUE[m.captured];
    seq[0] = m;
    pos_.make(m, undo[0]);
    gain[0] += on_square() - ORDER_VALUE[m.moved];  // what a promotion adds
    int n = 1;
    while (n < LONGEST && pos_.winner == NO_SIDE) {
        const Square from = pos_.cheapest_capturer(pos_.side, to, ORDER_VALUE);
        if (from == NO_SQUARE) break;
        Move r;
        r.code = rindou::Move::board(from, to);
        if (!pos_.is_move(r)) {
            r.code = rindou::Move::board(from, to, true);  // a piece that may not stay unpromoted there
            if (!pos_.is_move(r)) break;
        }
        const int taken = on_square();
        seq[n] = r;
        pos_.make(r, undo[n]);
        gain[n] = taken + on_square() - ORDER_VALUE[r.moved] - gain[n - 1];
        ++n;
    }
    for (int i = n - 1; i >= 0; --i) pos_.unmake(seq[i], undo[i]);
    for (int i = n - 1; i > 0; --i) gain[i - 1] = std::min(gain[i - 1], -gain[i]);
    return gain[0];
}

void pick(std::vector<ScoredMove>& moves, size_t i) {
    size_t best = i;
    for (size_t j = i + 1; j < moves.size(); ++j)
        if (moves[j].score > moves[best].score) best = j;
    if (best != i) std::swap(moves[i], moves[best]);
}

int Searcher::qsearch(int alpha, int beta, int ply) {
    pv_len_[ply] = 0;
    int t;
    if (terminal(ply, t)) return t;
    if (out_of_budget()) return 0;
    int stand = eval();
    if (stand >= beta || ply >= MAX_PLY - 1) return stand;
    if (stand > alpha) alpha = stand;
    MoveList& moves = lists_[ply];
    std::vector<int>& sc = scores_[ply];
    pos_.generate_captures(moves);
    order(moves, sc, Move{}, MAX_PLY);
    int best = stand;
    for (size_t i = 0; i < moves.size(); ++i) {
        pick(moves, sc, i);
        const Move m = moves[i];
        // A capture that cannot lift the score near alpha is not tried.
        if (stand + ORDER_VALUE[m.captured] + (m.promote() ? 500 : 0) + 200 < alpha) continue;
        // Nor one that loses material once the recaptures are played out.
        if (losing_capture(m)) continue;
        Undo u;
        make(m, u, ply);
        int v = -qsearch(-beta, -alpha, ply + 1);
        pos_.unmake(m, u);
        if (aborted_) return 0;
        if (v > best) {
            best = v;
            if (v > alpha) {
                alpha = v;
                if (v >= beta) break;
            }
        }
    }
    return best;
}

// One node of the principal variation search: settled positions, the table,
// then the moves best first until one refutes the node.
int Searcher::search(int depth, int alpha, int beta, int ply, bool pv_node) {
    pv_len_[ply] = 0;
    int t;
    if (ply > 0 && terminal(ply, t)) return t;
    if (depth <= 0) return qsearch(alpha, beta, ply);
    if (out_of_budget()) return 0;
    if (ply >= MAX_PLY - 1) return eval();

    const TTEntry& e = tt_slot();
    const bool known = e.key == pos_.key && e.bound != NONE;
    Move hash{};
    if (known) hash.code = e.move;
    // On the principal variation the table only orders, so that the line
    // reported stays whole.
    if (known && !pv_node && e.depth >= depth && decides(e, alpha, beta, ply, t)) return t;

    const bool danger = in_danger();
    // Pruning near the leaves never happens on the principal variation nor
    // when the king is threatened; the evaluation it needs is made when first
    // asked for.
    const bool prunable = !pv_node && !danger && depth <= 3;
    int static_eval = INF;
    auto futile = [&] {
        if (depth > 2) return false;
        if (static_eval == INF) static_eval = eval();
        return static_eval + 150 + 150 * depth <= alpha;
    };

    // The moves come in stages, each made only when the ones before it
    // failed to refute the node: the table's move (tried before anything is
    // generated: it often refutes the node on its own), the captures and
    // promotions, the killers, then the quiet moves and drops.  Quiet moves
    // that the pruning below would skip are never generated at all.
    MoveList& gen = lists_[ply];
    std::vector<ScoredMove>& moves = picks_[ply];
    std::vector<ScoredMove>& losing = losing_[ply];
    moves.clear();
    losing.clear();
    Move first = hash;
    const bool hash_first = !hash.null() && pos_.complete(first);
    const uint32_t hash_key = hash_first ? first.key() : 0xfffffffeu;  // no move has that key
    bool tactical_ready = false;
    if (hash_first) {
        moves.push_back({first, ORDER_HASH});
    } else {
        pos_.generate_tactical(gen);
        tactical_ready = true;
        // Without a capture or promotion the side may have no board move at
        // all, and then it can only pass.  (The quiet moves themselves wait
        // for their stage, which the killers or the pruning often spare.)
        if (gen.empty() && !pos_.has_board_move()) {
            Move pass;
            pass.code = rindou::Move::pass();
            return pass_on(pass, depth, alpha, beta, ply, pv_node);
        }
    }

    const int alpha0 = alpha;
    int best = -INF;
    Move best_move{};
    int quiets = 0;
    enum Stage { TACTICAL, KILLERS, LOSING, QUIETS, DONE };
    int stage = TACTICAL;
    uint32_t killer_keys[2] = {0xfffffffeu, 0xfffffffeu};
    size_t sorted_from = SIZE_MAX;  // moves from here on are already in order
    size_t tactical_from = 0, tactical_to = 0;  // the captures and promotions
    const int (*hist)[SQUARE_COUNT] = history_[pos_.side];
    // Late quiet moves near the leaves are not tried, nor quiet ones that
    // cannot bring the score up to alpha; neither test depends on the move,
    // so all the quiet moves after them go too.
    auto prune_rest = [&] {
        return prunable && best > -WIN_BOUND && (quiets >= 6 + 5 * depth * depth || futile());
    };
    auto fill = [&](int st) {
        switch (st) {
        case TACTICAL:
            if (!tactical_ready) pos_.generate_tactical(gen);
            tactical_from = moves.size();
            for (const Move& m : gen)
                if (m.key() != hash_key) moves.push_back({m, tactical_score(m, hist)});
            tactical_to = moves.size();
            break;
        case KILLERS:
            for (int k = 0; k < 2; ++k) {
                Move m = killers_[ply][k];
                if (m.null() || m.key() == hash_key || !pos_.is_move(m) || m.captured || m.promote()) continue;
                killer_keys[k] = m.key();
                moves.push_back({m, ORDER_KILLER + 2 - k});
            }
            break;
        case LOSING:
            // Captures that lose material come after the killers.
            for (const ScoredMove& sm : losing) moves.push_back(sm);
            break;
        case QUIETS: {
            if (prune_rest()) break;
            gen.clear();
            pos_.append_quiet(gen);
            const size_t from = moves.size();
            for (const Move& m : gen) {
                const uint32_t key = m.key();
                if (key == hash_key || key == killer_keys[0] || key == killer_keys[1]) continue;
                moves.push_back({m, hist[m.from()][m.to()]});
            }
            // Where most of them will be searched, one sort beats picking
            // the best again for every move.
            if (depth >= 3) {
                std::stable_sort(moves.begin() + static_cast<std::ptrdiff_t>(from), moves.end(),
                                 [](const ScoredMove& a, const ScoredMove& b) { return a.score > b.score; });
                sorted_from = from;
            }
            break;
        }
        default: break;
        }
    };

    for (size_t i = 0;; ++i) {
        while (i == moves.size() && stage != DONE) fill(stage++);
        if (i == moves.size()) break;
        if (i < sorted_from) pick(moves, i);
        // A losing capture is only found out when its turn comes, and then
        // waits until after the killers.
        if (i >= tactical_from && i < tactical_to && losing_capture(moves[i].move)) {
            losing.push_back(moves[i]);
            moves.erase(moves.begin() + static_cast<std::ptrdiff_t>(i));
            --tactical_to;
            --i;
            continue;
        }
        const Move m = moves[i].move;
        const int score = moves[i].score;
        const bool quiet = !m.captured && !m.promote();
        const bool plain = quiet && score < ORDER_KILLER && i > 0;
        if (plain && prune_rest()) break;
        // Late quiet moves are searched shallower, the more so the later and
        // the deeper, less so when they refuted much elsewhere.
        int r = 0;
        if (depth >= 3 && plain && i >= 3) {
            r = lmr_[depth < 64 ? depth : 63][i < 64 ? i : 63];
            if (pv_node) --r;
            if (score > 4000) --r;
            if (danger) --r;
            r = std::clamp(r, 0, depth - 2);
        }
        if (quiet) ++quiets;
        const int v = search_move(m, i, depth, alpha, beta, ply, pv_node, r);
        if (aborted_) return 0;
        if (v <= best) continue;
        best = v;
        best_move = m;
        if (v <= alpha) continue;
        alpha = v;
        extend_pv(ply, m);
        if (v >= beta) {
            if (quiet) reward_cutoff(m, depth, ply, moves, i);
            break;
        }
    }
    store(best_move, depth, best, alpha0, beta, ply);
    return best;
}

// A stored score settles the node when it is exact, or a bound that already
// falls outside the window.
bool Searcher::decides(const TTEntry& e, int alpha, int beta, int ply, int& score) const {
    score = score_from_tt(e.score, ply);
    return e.bound == EXACT || (e.bound == LOWER_B && score >= beta) ||
           (e.bound == UPPER_B && score <= alpha);
}

// A side without a board move can only pass: there is nothing to choose, and
// the node is worth what the position after the pass is.
int Searcher::pass_on(Move pass, int depth, int alpha, int beta, int ply, bool pv_node) {
    Undo u;
    make(pass, u, ply);
    const int v = -search(depth - 1, -beta, -alpha, ply + 1, pv_node);
    pos_.unmake(pass, u);
    return v;
}

// One move of a node.  The first (the expected best) gets the full window;
// the others only have to show they are no better, with a null window and
// `r` plies shallower, and are searched again in full only when they prove
// better.
int Searcher::search_move(const Move& m, size_t i, int depth, int alpha, int beta, int ply, bool pv_node,
                          int r) {
    // The child's slot is loaded while the move is made and the child
    // tests whether it is settled.
    if (depth >= 2) __builtin_prefetch(&slot_of(pos_.key_after(m)));
    Undo u;
    make(m, u, ply);
    const int d = depth - 1;
    int v;
    if (i == 0) {
        v = -search(d, -beta, -alpha, ply + 1, pv_node);
    } else {
        v = -search(d - r, -alpha - 1, -alpha, ply + 1, false);
        if (v > alpha && r > 0) v = -search(d, -alpha - 1, -alpha, ply + 1, false);
        if (v > alpha && v < beta && pv_node) v = -search(d, -beta, -alpha, ply + 1, true);
    }
    pos_.unmake(m, u);
    return v;
}

// The principal variation of this ply: the move, then the line below it.
void Searcher::extend_pv(int ply, const Move& m) {
    pv_[ply][0] = m;
    for (int j = 0; j < pv_len_[ply + 1]; ++j) pv_[ply][j + 1] = pv_[ply + 1][j];
    pv_len_[ply] = pv_len_[ply + 1] + 1;
}

// A quiet move that refuted a node is likely to refute its neighbours too:
// it becomes a killer of its ply and gains history.  The history is halved
// when a count grows large, so that recent cut-offs outweigh old ones.
void Searcher::reward_cutoff(const Move& m, int depth, int ply, const std::vector<ScoredMove>& moves,
                             size_t tried) {
    if (!(killers_[ply][0] == m)) {
        killers_[ply][1] = killers_[ply][0];
        killers_[ply][0] = m;
    }
    int& h = history_[pos_.side][m.from()][m.to()];
    h += depth * depth;
    // The quiet moves tried before it and found no better lose a little.
    for (size_t j = 0; j < tried; ++j) {
        const Move& q = moves[j].move;
        if (q.captured || q.promote()) continue;
        int& hq = history_[pos_.side][q.from()][q.to()];
        hq -= std::min(hq, depth * depth);
    }
    if (h > (1 << 20)) {
        for (auto& a : history_)
            for (auto& b : a)
                for (int& c : b) c /= 2;
    }
}

void Searcher::store(const Move& best_move, int depth, int best, int alpha0, int beta, int ply) {
    TTEntry& e = tt_slot();
    e.key = pos_.key;
    e.move = best_move.code;
    e.depth = static_cast<int8_t>(depth);
    e.score = static_cast<int16_t>(score_to_tt(best, ply));
    e.bound = best >= beta ? LOWER_B : best > alpha0 ? EXACT : UPPER_B;
}

// Indices 0..n-1, stably sorted by `before`.
template <class Before>
std::vector<size_t> stable_order(size_t n, Before before) {
    std::vector<size_t> idx(n);
    for (size_t i = 0; i < n; ++i) idx[i] = i;
    std::stable_sort(idx.begin(), idx.end(), before);
    return idx;
}

template <class T>
std::vector<T> permuted(const std::vector<T>& v, const std::vector<size_t>& idx) {
    std::vector<T> out;
    out.reserve(idx.size());
    for (size_t i : idx) out.push_back(v[i]);
    return out;
}

// Before the first depth the root moves take the order the search gives the
// moves of any node.
void Searcher::order_root(MoveList& root) {
    std::vector<int> sc;
    order(root, sc, Move{}, 0);
    root = permuted(root, stable_order(root.size(), [&](size_t a, size_t b) { return sc[a] > sc[b]; }));
}

// After a finished depth: its best move first, the rest in the order of
// their scores, so that the next depth finds a good bound early.
void reorder_root(MoveList& root, std::vector<int>& root_scores, const Move& best) {
    const std::vector<size_t> idx = stable_order(root.size(), [&](size_t a, size_t b) {
        bool ab = root[a] == best, bb = root[b] == best;
        if (ab != bb) return ab;
        return root_scores[a] > root_scores[b];
    });
    root = permuted(root, idx);
    root_scores = permuted(root_scores, idx);
}

// One depth over the root moves: the first with the full window, the others
// with a null window and again in full when they beat the best so far.  A
// move that does not beat the best is scored below every real score, which
// puts it behind those that did in the next depth's order.
RootLine Searcher::search_root(const MoveList& root, std::vector<int>& root_scores, int depth) {
    int alpha = -INF;
    const int beta = INF;
    RootLine line;
    for (size_t i = 0; i < root.size(); ++i) {
        const Move m = root[i];
        Undo u;
        make(m, u, 0);
        int v;
        if (i == 0) {
            v = -search(depth - 1, -beta, -alpha, 1, true);
        } else {
            v = -search(depth - 1, -alpha - 1, -alpha, 1, false);
            if (v > alpha && !aborted_) v = -search(depth - 1, -beta, -alpha, 1, true);
        }
        pos_.unmake(m, u);
        if (aborted_) break;
        // The first move searched is kept even when it scores no better than
        // the window's end, so that a root whose moves all look hopeless
        // still gets one of them.
        if (v > line.score || line.move.null()) {
            root_scores[i] = v;
            line.score = v;
            line.move = m;
            line.pv.assign(1, m);
            for (int j = 0; j < pv_len_[1]; ++j) line.pv.push_back(pv_[1][j]);
            if (v > alpha) alpha = v;
        } else {
            root_scores[i] = -INF + 1;
        }
    }
    return line;
}

void Searcher::report(int depth, const RootLine& line,
                      const std::function<void(const SearchInfo&)>& on_info) const {
    SearchInfo info;
    info.depth = depth;
    info.score = line.score;
    info.nodes = nodes_;
    for (const Move& pm : line.pv) info.pv.push_back(pm.code);
    on_info(info);
}

// Iterative deepening until the budget runs out or a depth finds a win or a
// loss; each finished depth reorders the root for the next one.
SearchResult Searcher::run(const std::function<void(const SearchInfo&)>& on_info) {
    SearchResult res;
    path_[0] = pos_.key;
    after_move_[0] = false;
    if (pos_.winner != NO_SIDE) return res;
    MoveList root;
    pos_.generate(root);
    if (root.empty()) return res;
    res.found = true;
    res.best = root[0].code;
    if (root.size() == 1) return res;

    order_root(root);
    std::vector<int> root_scores(root.size(), 0);
    Move best = root[0];
    init_lmr();
    for (int depth = 1; depth < MAX_PLY - 8; ++depth) {
        const RootLine line = search_root(root, root_scores, depth);
        if (aborted_) {
            // A move that proved better than the last depth's best, searched
            // to the end, is kept.
            if (!line.move.null() && !(line.move == best)) {
                best = line.move;
                res.score = line.score;
            }
            break;
        }
        best = line.move;
        res.score = line.score;
        res.depth = depth;
        if (on_info) report(depth, line, on_info);
        reorder_root(root, root_scores, best);
        if (line.score > WIN_BOUND || line.score < -WIN_BOUND) break;
    }
    res.best = best.code;
    res.nodes = nodes_;
    return res;
}

}  // namespace

namespace {

// The cap RINDOU_SEARCH_NODES sets: digits only, at least 1 (a value too large
// to hold caps nothing).  Anything else sets no cap, and is named once on
// standard error so that a mistyped value does not go unseen.
uint64_t node_cap() {
    const char* text = std::getenv("RINDOU_SEARCH_NODES");
    if (!text) return 0;
    const std::string value = text;
    bool digits = !value.empty();
    for (char c : value) digits = digits && c >= '0' && c <= '9';
    if (digits && value.find_first_not_of('0') != std::string::npos) {
        errno = 0;
        const unsigned long long v = std::strtoull(value.c_str(), nullptr, 10);
        return errno == ERANGE ? UINT64_MAX : v;
    }
    static std::mutex lock;
    static std::string named;  // the value last named, not to repeat it
    std::lock_guard<std::mutex> guard(lock);
    if (named != value) {
        named = value;
        std::fprintf(stderr, "RINDOU_SEARCH_NODES=\"%s\" ignored: not a positive whole number\n",
                     value.c_str());
    }
    return 0;
}

}  // namespace

uint64_t level_budget(int level) {
    uint64_t n = level >= 5 ? 1200000 : 200000;
    const uint64_t cap = node_cap();
    if (cap > 0 && cap < n) n = cap;
    return n;
}

RecordEntry move_entry(const Position& p, rindou::Move m) {
    RecordEntry g;
    if (m.is_pass() || m.is_none()) return g;
    if (m.is_drop()) {
        // `cand` names a drop of either side by the upper hand's column and
        // the slot; the hand kinds are the slots.
        g.from_col = UPPER_HAND_COL;
        g.from_row = m.dropped();
        g.piece_before = g.piece_after = code_of(make_piece(p.side, m.dropped()));
    } else {
        g.from_col = col_of(m.from());
        g.from_row = row_of(m.from());
        int8_t v = p.board[m.from()];
        g.piece_before = code_from_cell(v);
        g.piece_after = m.promotes() ? code_of(make_piece(p.side, promoted_kind(kind_of(v)))) : g.piece_before;
    }
    g.to_col = col_of(m.to());
    g.to_row = row_of(m.to());
    return g;
}

std::string move_text(const RecordEntry& m) {
    if (m.pass()) return "pass";
    char buf[64];
    std::snprintf(buf, sizeof buf, "%d %d %d %d %d", m.from_col, m.from_row, m.to_col, m.to_row, m.piece_after);
    return buf;
}

SearchResult search_position(const GameState& s, Side turn, bool mode_com, const SearchLimits& limits,
                             const std::function<void(const SearchInfo&)>& on_info) {
    SearchLimits with_history = limits;
    if (with_history.history.empty()) with_history.history = history_keys(s);
    return search_from(Position::from_state(s, turn), mode_com, with_history, on_info);
}

std::vector<uint64_t> history_keys(const GameState& s) {
    std::vector<uint64_t> keys;
    if (s.record_count <= 0 || s.record_count > RECORD_MAX || s.record_count != s.move_number)
        return keys;
    auto t = std::make_unique<GameState>(s);
    // The side (upper or lower) that made the move after the one taken back
    // (at first: is to move now); NO_SIDE when no side is.
    Side next = s.side_to_move == s.upper_turn() ? UPPER : s.side_to_move == s.lower_turn ? LOWER : NO_SIDE;
    for (int i = s.record_count; i >= 1; --i) {
        const RecordEntry& e = s.record[i];
        const bool upper = is_upper(e.piece_before);
        // A pass is not recorded: when the same side moved again, the other
        // side met the position after this move and passed.
        const Side mover = upper ? UPPER : LOWER;
        if (next == mover) keys.push_back(Position::from_state(*t, upper ? t->lower_turn : t->upper_turn()).key);
        next = mover;
        if (!on_board(e.to_col, e.to_row) || t->code_at(e.to_col, e.to_row) != e.piece_after) break;
        auto& hand = upper ? t->hand[UPPER] : t->hand[LOWER];
        if (e.from_col == UPPER_HAND_COL || e.from_col == LOWER_HAND_COL) {
            const int slot = hand_slot(e.piece_before);
            if (slot == 0) break;
            t->clear(make_square(e.to_col, e.to_row));
            hand[slot]++;
        } else {
            if (!on_board(e.from_col, e.from_row)) break;
            const int cc = t->coin_col() - (e.to_col - e.from_col);
            const int cr = t->coin_row() - (e.to_row - e.from_row);
            if (!on_board(cc, cr)) break;
            t->put_code(make_square(e.to_col, e.to_row), e.captured);
            t->put_code(make_square(e.from_col, e.from_row), e.piece_before);
            t->move_coin(make_square(cc, cr));
            const int slot = hand_slot(e.captured);
            if (slot != 0 && (upper ? is_lower(e.captured) : is_upper(e.captured))) {
                if (hand[slot] <= 0) break;
                hand[slot]--;
            }
        }
        keys.push_back(Position::from_state(*t, upper ? t->upper_turn() : t->lower_turn).key);
    }
    std::sort(keys.begin(), keys.end());
    return keys;
}

SearchResult search_from(const Position& p, bool mode_com, const SearchLimits& limits,
                         const std::function<void(const SearchInfo&)>& on_info) {
    auto searcher = std::make_unique<Searcher>(p, mode_com, limits);
    return searcher->run(on_info);
}

uint64_t perft(Position& p, int depth) {
    if (depth == 0 || p.winner != NO_SIDE) return 1;
    MoveList moves;
    p.generate(moves);
    if (depth == 1) return moves.size();
    uint64_t n = 0;
    for (const Move& m : moves) {
        Undo u;
        p.make(m, u);
        n += perft(p, depth - 1);
        p.unmake(m, u);
    }
    return n;
}

}  // namespace rindou::deep
