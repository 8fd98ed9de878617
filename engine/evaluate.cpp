// The score of one candidate move of the computer, read from the position
// after the move and its square maps: an ordered sum of hand-tuned terms.
// The level decides how many groups of terms take part: level 1 the king
// safety, the drop or promotion and the safety sweep; level 2 also the
// approach, the destination's attackers and captures; level 3 also the shape
// terms of the placed piece's kind.
//
// Every term is a named weight.  The same code path, instantiated with
// tracing on, records each term as it is added (the console's `explain`);
// with tracing off the recording compiles away.  Terms are added one by one
// in a fixed order, so that a traced and an untraced evaluation compute the
// same sum bit for bit.
#include "core/rules.h"
#include "engine/evaluation.h"
#include "engine/squares.h"

namespace rindou {

using sq::iabs;
using sq::val;

namespace {

// A term: its name in the trace and its weight.  A term with a count (a
// piece value, a number of squares) adds weight times count; the weights of
// such terms are +1 or -1, so the product is exact.
struct Term {
    const char* name;
    double weight;
};

// ---- The decisive terms ------------------------------------------------------
constexpr Term KING_CAPTURE{"king_capture", 9999};
constexpr Term OWN_KING_EXPOSED{"own_king_exposed", -9998};
constexpr Term MATE{"mate", 9998};
constexpr Term MATE_BY_PAWN{"mate_by_pawn", -9998};  // a pawn may not give the mate

// ---- Level 1 -----------------------------------------------------------------
constexpr Term CHECK_KING_MUST_TAKE{"check_king_must_take", 100};
constexpr Term CHECK_BACKED_BY_DRAGON{"check_backed_by_dragon", 900};
constexpr Term CHECK_UNCOVERED{"check_uncovered", 10};
constexpr Term DROP{"drop", -5};
constexpr Term PROMOTION{"promotion", 10};
constexpr Term SAFETY{"safety", 1};

// ---- Level 2 -----------------------------------------------------------------
constexpr Term APPROACH_ALONG_ROWS{"approach_along_rows", 1};
constexpr Term APPROACH_ALONG_COLUMNS{"approach_along_columns", 0.1};
constexpr Term PINNED_ATTACKER{"pinned_attacker", 1};
constexpr Term BISHOP_FORK{"bishop_fork", -1};
constexpr Term ESCAPES_TAKEN{"escapes_taken", 1};
constexpr Term BESIDE_KING_BEFORE_ROOK{"beside_king_before_rook", -1};
constexpr Term EXCHANGE_LOSS{"exchange_loss", -1};
constexpr Term EXCHANGE_GAIN{"exchange_gain", 1};
constexpr Term KING_MUST_TAKE{"king_must_take", 1};
constexpr Term HANGING_DROP{"hanging_drop", -1};
constexpr int HANGING_DROP_EXTRA = 50;
constexpr Term EDGE_LANCE_FILE{"edge_lance_file", -0.1};
constexpr Term DEFENDED_CAPTURE{"defended_capture", 1};
constexpr Term ESCAPING_CAPTURE{"escaping_capture", 1};
constexpr Term FREE_CAPTURE{"free_capture", 1};
constexpr Term PROMOTED_MINOR_CAPTURE{"promoted_minor_capture", 50};

// ---- Level 3: the placed piece's kind ------------------------------------------
constexpr Term LANCE_FOLLOW{"lance_follow", 1};
constexpr Term KNIGHT_FORK{"knight_fork", 1};
constexpr Term MAJOR_NEIGHBOURS{"major_neighbours", 1};

constexpr Term PAWN_BEFORE_GOLD{"pawn_before_gold", 0.5};
constexpr Term PAWN_BEFORE_ROOK{"pawn_before_rook", -1};
constexpr Term PAWN_ATTACKS_TRAPPED{"pawn_attacks_trapped", 1};
constexpr Term PAWN_BESIDE_ROOK{"pawn_beside_rook", -1};
constexpr Term PAWN_DROP_SHIELDS{"pawn_drop_shields", 6};
constexpr Term PAWN_DROP_BEFORE_BISHOP{"pawn_drop_before_bishop", 30};
constexpr Term PAWN_DROP_BLOCKS_FILE{"pawn_drop_blocks_file", 120};
constexpr Term PAWN_STEP{"pawn_step", -0.1};
constexpr Term PAWN_GUARDED_BY_GENERAL{"pawn_guarded_by_general", 0.6};
constexpr Term PAWN_GUARDED_BY_LANCE{"pawn_guarded_by_lance", 1};
constexpr Term PAWN_BACKED_BY_ROOK{"pawn_backed_by_rook", 2};
constexpr Term PAWN_THREATENS{"pawn_threatens", 1};
constexpr Term PAWN_MEETS_DEFENDED_PAWN{"pawn_meets_defended_pawn", -5};
constexpr Term PAWN_BESIDE_BISHOP{"pawn_beside_bishop", 0.5};
constexpr Term PAWN_OPENS_BISHOP{"pawn_opens_bishop", 5};
constexpr Term PAWN_OPENING_7_4{"pawn_opening_7_4", 10};
constexpr Term PAWN_CAPTURE_BLOCKS_BISHOP{"pawn_capture_blocks_bishop", -5};
constexpr Term PAWN_CAPTURE{"pawn_capture", 5};
constexpr Term PAWN_TAKES_PAWN_ON_FILE{"pawn_takes_pawn_on_file", 50};
constexpr Term PAWN_PUSH_SUPPORTED{"pawn_push_supported", 1};
constexpr Term PAWN_FACES_PAWN{"pawn_faces_pawn", -5};
constexpr Term PAWN_PUSH_UNOPPOSED{"pawn_push_unopposed", 1};
constexpr Term PAWN_PUSH_LOST_COVER{"pawn_push_lost_cover", -1};
constexpr Term PAWN_PUSH_EVEN{"pawn_push_even", 5};
constexpr Term TOKIN_SUPPORTED{"tokin_supported", 1};

constexpr Term LANCE_DROP_BLOCKABLE{"lance_drop_blockable", -10};
constexpr Term LANCE_SKEWER{"lance_skewer", 1};
constexpr Term LANCE_QUIET_MOVE{"lance_quiet_move", -0.9};

constexpr Term KNIGHT_MOVE{"knight_move", -0.1};
constexpr Term KNIGHT_FRONT_ATTACKED{"knight_front_attacked", -1};
constexpr Term KNIGHT_TARGETS_COVERED{"knight_targets_covered", -1};
constexpr Term KNIGHT_OPENING_7_3{"knight_opening_7_3", -5};

constexpr Term SILVER_STRAIGHT_RETREAT{"silver_straight_retreat", -0.1};
constexpr Term SILVER_BEFORE_KNIGHT{"silver_before_knight", -0.5};
constexpr Term SILVER_OPENING_7_3{"silver_opening_7_3", 115};

constexpr Term GOLD_RETREAT{"gold_retreat", -0.5};
constexpr Term GOLD_ROW_4_BISHOP_ATTACKED{"gold_row_4_bishop_attacked", -5};
constexpr Term GOLD_OPENING_7_2{"gold_opening_7_2", 10};
constexpr Term GOLD_GUARDS_ROW_3{"gold_guards_row_3", 2};
constexpr Term GOLD_GUARDS_BISHOP{"gold_guards_bishop", 125};

constexpr Term BISHOP_EDGE_9_3{"bishop_edge_9_3", -10};
constexpr Term BISHOP_OPENING_7_3{"bishop_opening_7_3", 9};
constexpr Term BISHOP_TRAPPED{"bishop_trapped", -100};
constexpr Term BISHOP_BEFORE_PAWN{"bishop_before_pawn", -1};
constexpr Term BISHOP_LEAVES_9_3{"bishop_leaves_9_3", 10};
constexpr Term BISHOP_LEAVES_7_3{"bishop_leaves_7_3", -10};

constexpr Term ROOK_DROP_BEHIND_SILVER{"rook_drop_behind_silver", -1};
constexpr Term ROOK_OPENING_3_4{"rook_opening_3_4", 7};
constexpr Term ROOK_FRONT_ATTACKED{"rook_front_attacked", -1};
constexpr Term ROOK_SIDEWAYS_BEFORE_PAWN{"rook_sideways_before_pawn", -5};
constexpr Term ROOK_LEAVES_COVER{"rook_leaves_cover", -11};
constexpr Term ROOK_LEAVES_PAWN{"rook_leaves_pawn", -11};
constexpr Term ROOK_OPENING_2_3{"rook_opening_2_3", -1};
constexpr Term ROOK_TRAPPED{"rook_trapped", -35};
constexpr Term ROOK_KING_LINE{"rook_king_line", 100};

constexpr Term DRAGON_BEFORE_SILVER{"dragon_before_silver", -10};
constexpr Term DRAGON_LEAVES_SILVER{"dragon_leaves_silver", 2};
constexpr Term DRAGON_ENCLOSED{"dragon_enclosed", -150};
constexpr Term DRAGON_KING_LINE{"dragon_king_line", 100};

constexpr Term KING_UNPINS{"king_unpins", 10};
constexpr Term KING_BETTER_COVERED{"king_better_covered", 1};
constexpr Term KING_BOXED_IN{"king_boxed_in", -20};

struct Candidate {
    int captured, placed, fc, fr, tc, tr;
    bool drop;
};

bool is_major(int code) { return code == KAKU || code == UMA || code == SYA || code == RYU; }
bool near_king(int c, int r, int kc, int kr) { return iabs(c - kc) <= 2 && iabs(r - kr) <= 2; }
int value(int code) { return iabs(code); }

template <bool Traced>
class Evaluation {
public:
    Evaluation(GameState& s, const Computer& c, const Candidate& m, EvalTrace* trace)
        : s_(s), mp_(c.maps), e_(c.memory), m_(m), trace_(trace),
          lkc_(s.lower_king_col), lkr_(s.lower_king_row),
          human_(val(mp_.lower_attacks, m.tc, m.tr)),
          computer_(val(mp_.upper_attacks, m.tc, m.tr)),
          threat_(val(mp_.lower_threat, m.tc, m.tr)) {}

    double run() {
        if (decisive()) return score_;
        if (lower_king_attacked() && check_terms()) return score_;
        level_one();
        if (s_.level < 2) return score_;
        level_two();
        if (s_.level >= 3) shape();
        return score_;
    }

private:
    void add(const Term& t) { add(t, 1); }
    void add(const Term& t, double count) {
        const double v = t.weight * count;
        score_ += v;
        // A term that adds nothing did not contribute.
        if constexpr (Traced)
            if (v != 0) trace_->push_back({t.name, v});
    }

    int B(int c, int r) const { return s_.code_at(c, r); }
    int H(int c, int r) const { return val(mp_.lower_attacks, c, r); }
    int C(int c, int r) const { return val(mp_.upper_attacks, c, r); }
    bool lower_king_attacked() const { return C(lkc_, lkr_) > 0; }

    // A captured king, the computer's own king left attacked: nothing else counts.
    bool decisive() {
        if (m_.captured == -OU) {
            add(KING_CAPTURE);
            return true;
        }
        if (H(s_.upper_king_col, s_.upper_king_row) >= 1) {
            add(OWN_KING_EXPOSED);
            return true;
        }
        return false;
    }

    void level_one() {
        if (m_.drop)
            add(DROP);
        else if (m_.placed > e_.moving_piece)
            add(PROMOTION);
        add(SAFETY, board_safety(s_, mp_, e_, m_.placed, m_.tc, m_.tr));
    }

    // True when the check mates: the score is then only that.
    bool check_terms() {
        if (is_mated(s_, mp_) == 1) {
            add(m_.placed == HU ? MATE_BY_PAWN : MATE);
            return true;
        }
        const int tc = m_.tc, tr = m_.tr;
        if (threat_ == -OU && computer_ > 0) add(CHECK_KING_MUST_TAKE);
        if (human_ <= 2 && val(mp_.upper_guard, tc, tr) == RYU && tc != lkc_ && tr != lkr_ &&
            iabs(tc - lkc_) < 2 && iabs(tr - lkr_) < 2 &&
            (val(mp_.upper_guard_col, tc, tr) == lkc_ || val(mp_.upper_guard_row, tc, tr) == lkr_))
            add(CHECK_BACKED_BY_DRAGON);
        if (human_ == 0) add(CHECK_UNCOVERED);
        return false;
    }

    void level_two() {
        const int dx = iabs(m_.tc - lkc_), dy = iabs(m_.tr - lkr_);
        if (dx > dy && e_.origin_distance > dx) add(APPROACH_ALONG_ROWS);
        if (dx <= dy && e_.origin_distance > dy) add(APPROACH_ALONG_COLUMNS);
        pinned_attacker();
        if (human_ == 0)
            quiet_destination();
        else
            attacked_destination();
        if ((m_.tc == 1 || m_.tc == 9) && B(m_.tc, 9) == -KYOU && m_.placed != KYOU &&
            m_.placed != SYA && m_.placed != RYU && m_.tc != m_.fc)
            add(EDGE_LANCE_FILE);
        captures();
    }

    // The cheapest attacker of the destination is pinned to its king.
    void pinned_attacker() {
        const int tc = m_.tc, tr = m_.tr;
        const int ac = val(mp_.lower_threat_col, tc, tr), ar = val(mp_.lower_threat_row, tc, tr);
        bool defended = H(ac, ar) > 0;
        bool count_ok = human_ == 1 || (human_ == 2 && lower_king_attacked() && computer_ > 0);
        bool on_line = (ac == lkc_ && tc != lkc_) || (ar == lkr_ && tr != lkr_) ||
                       (ac != lkc_ && ar != lkr_ && (tc == lkc_ || tr == lkr_));
        if (!(defended && count_ok && val(e_.lower_pins, ac, ar) == 1 && on_line &&
              is_legal_move(s_, tc, tr, ac, ar, e_.moving_piece)))
            return;
        if (!m_.drop) {
            int pc = val(e_.pre_upper_threat_col, ac, ar), pr = val(e_.pre_upper_threat_row, ac, ar);
            if (B(pc, pr) == EMPTY) return;
        }
        add(PINNED_ATTACKER, value(B(ac, ar)));
    }

    void quiet_destination() {
        const int placed = m_.placed;
        if (placed != KAKU && placed != UMA && placed != OU && placed != HU)
            add(BISHOP_FORK, bishop_fork_loss(s_, e_, m_.tc, m_.tr, placed));
        if (near_king(m_.tc, m_.tr, lkc_, lkr_) || placed == KYOU || is_major(placed)) {
            int now = count_escape_squares(s_, mp_);
            if (e_.baseline_escapes > now) add(ESCAPES_TAKEN, e_.baseline_escapes - now);
        }
    }

    void attacked_destination() {
        const int tc = m_.tc, tr = m_.tr, placed = m_.placed;
        if (computer_ > 0) {
            if ((s_.hand[LOWER][GIN_SLOT] > 0 || s_.hand[LOWER][KIN_SLOT] > 0) && tc >= 2 && tc <= 8) {
                int left = B(tc - 1, tr), right = B(tc + 1, tr);
                bool rook_left = left == -SYA || left == -RYU;
                bool rook_right = right == -SYA || right == -RYU;
                if ((left == OU && rook_right) || (right == OU && rook_left))
                    add(BESIDE_KING_BEFORE_ROOK, value(placed));
            }
            if (value(placed) > value(threat_)) {
                add(EXCHANGE_LOSS, value(placed));
                add(EXCHANGE_GAIN, value(threat_));
            }
            if (threat_ == -OU && tr < lkr_) add(KING_MUST_TAKE, value(placed));
        } else if (m_.drop) {
            add(HANGING_DROP, value(placed) + HANGING_DROP_EXTRA);
        }
    }

    void captures() {
        const int captured = m_.captured;
        if (captured == EMPTY) return;
        if (human_ > 0 && computer_ > 0) {
            if (value(B(m_.tc, m_.tr)) < value(threat_)) add(DEFENDED_CAPTURE, value(captured));
        } else if (human_ > 0) {
            if (val(e_.pre_lower_attacks, m_.fc, m_.fr) > 0 &&
                safe_mobility(s_, mp_, m_.fc, m_.fr, m_.placed) == 0)
                add(ESCAPING_CAPTURE, value(captured));
        } else {
            add(FREE_CAPTURE, value(captured));
            if (captured == -TOKIN || captured == -NARIKYOU || captured == -NARIKEI)
                add(PROMOTED_MINOR_CAPTURE);
        }
    }

    void shape() {
        switch (m_.placed) {
            case HU: return pawn();
            case TOKIN:
                if (computer_ >= human_) add(TOKIN_SUPPORTED);
                return;
            case KYOU: return lance();
            case KEI: return knight();
            case GIN: return silver();
            case KIN: return gold();
            case KAKU: return bishop();
            case UMA: return add(MAJOR_NEIGHBOURS, major_neighbours(s_, m_.tc, m_.tr));
            case SYA: return rook();
            case RYU: return dragon();
            case OU: return king();
            default: return;  // promoted lance, knight and silver
        }
    }

    void pawn() {
        const int c = m_.tc, r = m_.tr;
        if (s_.hand[UPPER][KYOU_SLOT] > 0) add(LANCE_FOLLOW, lance_follow_gain(s_, mp_, c, r));
        if (s_.hand[UPPER][KEI_SLOT] > 0) add(KNIGHT_FORK, knight_fork_gain(s_, mp_, c, r));
        if (r < 9) {
            int ahead = B(c, r + 1);
            if (ahead == KIN)
                add(PAWN_BEFORE_GOLD);
            else if (ahead == SYA)
                add(PAWN_BEFORE_ROOK);
            if (ahead < -HU && safe_mobility(s_, mp_, c, r + 1, ahead) == 0)
                add(PAWN_ATTACKS_TRAPPED, iabs(ahead));
        }
        if (computer_ > 0 && c >= 2 && c <= 8 && (B(c - 1, r) == SYA || B(c + 1, r) == SYA))
            add(PAWN_BESIDE_ROOK);
        if (m_.drop)
            pawn_drop();
        else
            pawn_board_move();
    }

    void pawn_drop() {
        const int c = m_.tc, r = m_.tr;
        if (computer_ > 0 && r > 1 && B(c, r - 1) >= GIN &&
            (s_.hand[LOWER][HU_SLOT] > 0 || s_.hand[LOWER][KYOU_SLOT] > 0))
            add(PAWN_DROP_SHIELDS);
        if (B(2, 8) == -KAKU && c == 2 && r == 7 && (H(2, 7) == 0 || C(2, 7) > 0))
            add(PAWN_DROP_BEFORE_BISHOP);
        int ac = val(mp_.lower_threat_col, c, r), ar = val(mp_.lower_threat_row, c, r);
        bool attacker_gone = val(e_.pre_upper_attacks, ac, ar) > 0 && H(ac, ar) == 0;
        if (!attacker_gone && computer_ > 0 && (threat_ == -SYA || threat_ == -KYOU) && ac == c &&
            ar > r)
            add(PAWN_DROP_BLOCKS_FILE);
    }

    void pawn_board_move() {
        const int c = m_.tc, r = m_.tr;
        const int guard = val(mp_.upper_guard, c, r);
        add(PAWN_STEP);
        if (guard == KIN || guard == GIN) add(PAWN_GUARDED_BY_GENERAL);
        if (r > 7) return;
        if (guard == KYOU) {
            add(PAWN_GUARDED_BY_LANCE);
        } else if (guard == SYA && val(mp_.upper_guard_col, c, r) == c &&
                   val(mp_.upper_guard_row, c, r) < r && computer_ >= human_) {
            add(PAWN_BACKED_BY_ROOK);
        }
        if (H(c, r + 1) == 0 && B(c, r + 2) <= -KEI) add(PAWN_THREATENS);
        if (r < 7) pawn_beside_bishop();
        if (m_.captured <= -HU && C(m_.fc, m_.fr) == 1) {
            if (threat_ == -KYOU && r > 2 && B(c, r - 2) == KAKU)
                add(PAWN_CAPTURE_BLOCKS_BISHOP);
            else
                add(PAWN_CAPTURE);
            if (m_.captured == -HU && (threat_ == -KYOU || threat_ == -SYA))
                add(PAWN_TAKES_PAWN_ON_FILE);
        }
        pawn_push();
    }

    void pawn_beside_bishop() {
        const int c = m_.tc, r = m_.tr;
        if (B(c, r + 1) == -HU && H(c, r + 1) > 0) add(PAWN_MEETS_DEFENDED_PAWN);
        if (c < 9 && B(c + 1, r) == KAKU) {
            add(PAWN_BESIDE_BISHOP);
            if (B(c + 1, r + 2) == -HU) add(PAWN_OPENS_BISHOP);
        }
        if (c > 1) {
            if (c == 7 && r == 4 && B(8, 2) == KAKU) add(PAWN_OPENING_7_4);
            if (B(c - 1, r) == KAKU) {
                add(PAWN_BESIDE_BISHOP);
                if (B(c - 1, r + 2) == -HU) add(PAWN_OPENS_BISHOP);
            }
        }
    }

    // The pawn now faces a piece of the person's.
    void pawn_push() {
        const int c = m_.tc, r = m_.tr;
        const int ahead = B(c, r + 1);
        if (ahead > -HU) return;
        if (computer_ > human_) return add(PAWN_PUSH_SUPPORTED);
        if (ahead == -HU) return add(PAWN_FACES_PAWN);
        if (computer_ == 0) {
            if (human_ == 0) add(PAWN_PUSH_UNOPPOSED);
            return;
        }
        if (val(e_.pre_upper_attacks, c, r + 1) > 0 && val(e_.pre_lower_attacks, c, r + 1) == 0)
            return add(PAWN_PUSH_LOST_COVER);
        if (computer_ >= human_) add(PAWN_PUSH_EVEN);
    }

    void lance() {
        const int c = m_.tc, r = m_.tr;
        if (s_.hand[UPPER][KEI_SLOT] > 0) add(KNIGHT_FORK, knight_fork_gain(s_, mp_, c, r));
        if (m_.drop && r <= 7 && s_.hand[LOWER][HU_SLOT] > 0 && H(c, r + 1) > 0 && human_ == 0)
            add(LANCE_DROP_BLOCKABLE);
        if (B(c, r + 1) <= -KYOU && (human_ == 0 || computer_ >= human_)) {
            for (int rr = r + 2; rr <= 9; ++rr) {
                int p = B(c, rr);
                if (p == EMPTY) continue;
                if (is_legal_move(s_, c, r + 1, c, rr, KYOU) && p < -KYOU)
                    return add(LANCE_SKEWER, iabs(p));
                break;
            }
        }
        if (!m_.drop && m_.captured == EMPTY) add(LANCE_QUIET_MOVE);
    }

    void knight() {
        const int c = m_.tc, r = m_.tr;
        add(KNIGHT_MOVE);
        if (H(c, r + 1) > 0) add(KNIGHT_FRONT_ATTACKED);
        if (r <= 7 && c >= 2 && c <= 8) {
            if (H(c - 1, r + 2) > 0 && H(c + 1, r + 2) > 0) add(KNIGHT_TARGETS_COVERED);
            if (c == 7 && r == 3 && B(8, 4) == KAKU) add(KNIGHT_OPENING_7_3);
        }
    }

    void silver() {
        const int c = m_.tc, r = m_.tr;
        if (r <= 1) return;
        if (m_.fc == c && m_.fr > r) add(SILVER_STRAIGHT_RETREAT);
        if (B(c, r - 1) == KEI) add(SILVER_BEFORE_KNIGHT);
        if (c == 7 && r == 3 && B(8, 3) == HU && B(8, 5) == -HU) add(SILVER_OPENING_7_3);
    }

    // (A drop compares its hand slot with the row, as a move's origin row.)
    void gold() {
        const int c = m_.tc, r = m_.tr;
        if (m_.fr > r && m_.fc != c) add(GOLD_RETREAT);
        if (r == 4 && B(6, 4) == KAKU && H(6, 4) > 0) return add(GOLD_ROW_4_BISHOP_ATTACKED);
        if (r != 2) return;
        if (B(8, 3) == HU && B(8, 6) == -HU && c == 7 && val(mp_.lower_guard, 8, 6) == -SYA)
            add(GOLD_OPENING_7_2);
        if (s_.hand[LOWER][KAKU_SLOT] > 0 && B(c, 3) >= HU && val(e_.pre_upper_attacks, c, 3) == 0) {
            add(GOLD_GUARDS_ROW_3);
            if (B(c, 4) == KAKU && val(e_.pre_upper_attacks, c, 4) == 1) add(GOLD_GUARDS_BISHOP);
        }
    }

    void bishop() {
        const int c = m_.tc, r = m_.tr;
        add(MAJOR_NEIGHBOURS, major_neighbours(s_, c, r));
        if (r <= 8) {
            if (c == 9 && r == 3 && B(9, 4) == HU && B(9, 6) == -HU && B(9, 9) == -KYOU)
                add(BISHOP_EDGE_9_3);
            if (c == 7 && r == 3 && B(8, 5) == -HU && val(mp_.lower_guard, 8, 5) == -SYA)
                add(BISHOP_OPENING_7_3);
        }
        if (H(c, r + 1) > 0) {
            if (safe_mobility(s_, mp_, c, r, KAKU) == 0) add(BISHOP_TRAPPED);
            if (r <= 7 && B(c, r + 2) == -HU) add(BISHOP_BEFORE_PAWN);
        }
        if (m_.drop) return;
        if (m_.fc == 9 && m_.fr == 3 && B(9, 4) == HU && B(9, 6) == -HU &&
            val(mp_.lower_guard, 9, 6) == -KYOU)
            return add(BISHOP_LEAVES_9_3);
        if (m_.fc == 7 && m_.fr == 3 && B(8, 5) == -HU && val(mp_.lower_guard, 8, 5) == -SYA &&
            C(8, 4) < val(e_.pre_upper_attacks, 8, 4))
            add(BISHOP_LEAVES_7_3);
    }

    void rook() {
        const int c = m_.tc, r = m_.tr, fr = m_.fr;
        add(MAJOR_NEIGHBOURS, major_neighbours(s_, c, r));
        if (m_.drop) {
            if (r == 9 && B(c, 8) == -GIN && c >= 2 && c <= 8 &&
                ((B(c + 1, 8) == -KIN && B(c - 1, 9) != EMPTY) ||
                 (B(c - 1, 8) == -KIN && B(c + 1, 9) != EMPTY)))
                add(ROOK_DROP_BEHIND_SILVER);
            return;
        }
        if (c == 3 && r == 4 && human_ == 0 && B(3, 7) == -KAKU && B(3, 6) == -HU &&
            B(3, 5) == EMPTY)
            add(ROOK_OPENING_3_4);
        if (r < 8) {
            if (H(c, r + 1) > 0) add(ROOK_FRONT_ATTACKED);
            if (B(c, r + 2) == -HU && r == fr) add(ROOK_SIDEWAYS_BEFORE_PAWN);
        }
        if (fr < 9 && B(8, fr + 1) == -HU && val(mp_.lower_guard, 8, fr + 1) == -SYA) {
            if (C(8, fr) < val(e_.pre_upper_attacks, 8, fr)) add(ROOK_LEAVES_COVER);
            if (B(7, fr) == HU && r != fr) add(ROOK_LEAVES_PAWN);
        }
        if (H(m_.fc, fr) == 0 && m_.fc == 2 && fr == 2 && c == 2 && r == 3) add(ROOK_OPENING_2_3);
        if (human_ == 0 || (computer_ > 0 && threat_ == -OU)) {
            if (safe_mobility(s_, mp_, c, r, SYA) <= 1) return add(ROOK_TRAPPED);
            if ((c == lkc_ || r == lkr_) && near_king(c, r, lkc_, lkr_)) add(ROOK_KING_LINE);
        }
    }

    void dragon() {
        const int c = m_.tc, r = m_.tr;
        add(MAJOR_NEIGHBOURS, major_neighbours(s_, c, r));
        if (r > 1 && B(c, r - 1) == -GIN && c >= 2 && c <= 8 &&
            ((B(c + 1, r - 1) == -KIN && B(c - 1, r) != EMPTY) ||
             (B(c - 1, r - 1) == -KIN && B(c + 1, r) != EMPTY)))
            add(DRAGON_BEFORE_SILVER);
        if (!m_.drop && m_.fr == 9 && B(m_.fc, 8) == -GIN) {
            if (m_.fc > 1 && B(m_.fc - 1, 8) == -KIN) add(DRAGON_LEAVES_SILVER);
            if (m_.fc < 9 && B(m_.fc + 1, 8) == -KIN) add(DRAGON_LEAVES_SILVER);
        }
        if (r == 9 && B(c, 8) <= -HU) {
            if (c == 3 && B(2, 9) <= -HU && B(4, 8) == -KIN) add(DRAGON_ENCLOSED);
            if (c == 7 && B(8, 9) <= -HU && B(6, 8) == -KIN) add(DRAGON_ENCLOSED);
        }
        if ((human_ == 0 || (computer_ > 0 && threat_ == -OU)) && (c == lkc_ || r == lkr_) &&
            near_king(c, r, lkc_, lkr_))
            add(DRAGON_KING_LINE);
    }

    void king() {
        const int c = m_.tc, r = m_.tr;
        if (e_.upper_pinned()) add(KING_UNPINS);
        if (computer_ > val(e_.pre_upper_attacks, c, r)) add(KING_BETTER_COVERED);
        if (safe_mobility(s_, mp_, c, r, OU) < 2) add(KING_BOXED_IN);
    }

    GameState& s_;
    const Maps& mp_;
    const EngineMemory& e_;
    const Candidate m_;
    EvalTrace* trace_;
    const int lkc_, lkr_;
    const int human_, computer_, threat_;
    double score_ = 0;
};

}  // namespace

double evaluate_move(GameState& s, const Computer& c, int captured, int placed, int fc, int fr,
                     int tc, int tr) {
    const Candidate m{captured, placed, fc, fr, tc, tr, fc == -1};
    return Evaluation<false>(s, c, m, nullptr).run();
}

double evaluate_move_traced(GameState& s, const Computer& c, int captured, int placed, int fc,
                            int fr, int tc, int tr, EvalTrace& trace) {
    const Candidate m{captured, placed, fc, fr, tc, tr, fc == -1};
    trace.clear();
    return Evaluation<true>(s, c, m, &trace).run();
}

}  // namespace rindou
