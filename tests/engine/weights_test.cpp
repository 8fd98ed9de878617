// Every named weight of the computer's move evaluation, pinned where it
// fires: `explain` of one candidate prints the weight's term with the value
// it adds there, so that a changed weight fails the test named after it.
// The positions are the `setup` lines of the console's explain transcript
// (tests/cli/transcripts/explain_terms.txt), numbered from its top, so new
// positions go at its end.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/support/console.h"

namespace rindou {
namespace {

struct Pinned {
    const char* weight;
    int setup;         // the n-th `setup` line of the transcript, from 1
    int level;
    const char* move;  // the candidate, as `explain` takes it
    const char* term;  // the value the term adds, as printed
};

const Pinned kPinned[] = {
    {"king_capture", 1, 1, "2 2 3 4", "9999.0000"},
    {"own_king_exposed", 4, 1, "7 9 6 8", "-9998.0000"},
    {"mate", 4, 1, "3 8 4 8", "9998.0000"},
    {"mate_by_pawn", 4, 1, "-1 1 5 8", "-9998.0000"},
    {"check_king_must_take", 7, 1, "-1 4 3 6", "100.0000"},
    {"check_backed_by_dragon", 56, 3, "4 8 5 8", "900.0000"},
    {"check_uncovered", 1, 1, "2 1 3 1", "10.0000"},
    {"drop", 4, 1, "-1 1 1 1", "-5.0000"},
    {"promotion", 10, 1, "2 7 2 8+", "10.0000"},
    {"safety", 1, 1, "1 4 2 3", "-1814.0000"},
    {"approach_along_rows", 2, 2, "1 4 2 4", "1.0000"},
    {"approach_along_columns", 2, 2, "1 4 2 3", "0.1000"},
    {"pinned_attacker", 15, 2, "7 3 8 3", "101.0000"},
    {"bishop_fork", 8, 2, "1 8 1 9", "-110.0000"},
    {"escapes_taken", 5, 2, "3 8 1 6", "1.0000"},
    {"beside_king_before_rook", 59, 3, "-1 2 4 1", "-20.0000"},
    {"exchange_loss", 2, 2, "1 4 2 3", "-901.0000"},
    {"exchange_gain", 2, 2, "1 4 2 3", "11.0000"},
    {"king_must_take", 5, 2, "-1 1 4 8", "10.0000"},
    {"hanging_drop", 5, 2, "-1 1 1 7", "-60.0000"},
    {"edge_lance_file", 27, 2, "-1 4 9 2", "-0.1000"},
    {"defended_capture", 12, 2, "5 2 6 2", "900.0000"},
    {"escaping_capture", 5, 2, "9 3 9 4", "900.0000"},
    {"free_capture", 8, 2, "1 8 1 7", "7.0000"},
    {"promoted_minor_capture", 18, 2, "2 7 3 8", "50.0000"},
    {"lance_follow", 52, 3, "6 7 6 8+", "801.0000"},
    {"knight_fork", 50, 3, "-1 2 3 7", "900.0000"},
    {"major_neighbours", 3, 3, "1 4 2 3", "-1.0000"},
    {"pawn_before_gold", 17, 3, "-1 1 9 1", "0.5000"},
    {"pawn_before_rook", 9, 3, "-1 1 3 2", "-1.0000"},
    {"pawn_attacks_trapped", 16, 3, "-1 1 6 5", "21.0000"},
    {"pawn_beside_rook", 9, 3, "-1 1 2 3", "-1.0000"},
    {"pawn_drop_shields", 16, 3, "-1 1 4 8", "6.0000"},
    {"pawn_drop_before_bishop", 45, 3, "-1 1 2 7", "30.0000"},
    {"pawn_drop_blocks_file", 9, 3, "-1 1 5 3", "120.0000"},
    {"pawn_step", 11, 3, "1 2 1 3", "-0.1000"},
    {"pawn_guarded_by_general", 11, 3, "1 2 1 3", "0.6000"},
    {"pawn_guarded_by_lance", 25, 3, "1 3 1 4", "1.0000"},
    {"pawn_backed_by_rook", 25, 3, "2 3 2 4", "2.0000"},
    {"pawn_threatens", 31, 3, "4 3 4 4", "1.0000"},
    {"pawn_meets_defended_pawn", 26, 3, "4 5 4 6", "-5.0000"},
    {"pawn_beside_bishop", 33, 3, "8 3 8 4", "0.5000"},
    {"pawn_opens_bishop", 46, 3, "4 4 4 5", "5.0000"},
    {"pawn_opening_7_4", 25, 3, "7 3 7 4", "10.0000"},
    {"pawn_capture_blocks_bishop", 57, 3, "5 4 5 5", "-5.0000"},
    {"pawn_capture", 22, 3, "6 3 6 4", "5.0000"},
    {"pawn_takes_pawn_on_file", 31, 3, "1 5 1 6", "50.0000"},
    {"pawn_push_supported", 30, 3, "3 4 3 5", "1.0000"},
    {"pawn_faces_pawn", 26, 3, "4 5 4 6", "-5.0000"},
    {"pawn_push_unopposed", 35, 3, "4 4 4 5", "1.0000"},
    {"pawn_push_lost_cover", 48, 3, "5 3 5 4", "-1.0000"},
    {"pawn_push_even", 33, 3, "2 4 2 5", "5.0000"},
    {"tokin_supported", 11, 3, "2 4 1 5", "1.0000"},
    {"lance_drop_blockable", 21, 3, "-1 2 1 1", "-10.0000"},
    {"lance_skewer", 23, 3, "-1 2 6 2", "800.0000"},
    {"lance_quiet_move", 17, 3, "7 2 7 3", "-0.9000"},
    {"knight_move", 9, 3, "-1 3 1 1", "-0.1000"},
    {"knight_front_attacked", 9, 3, "-1 3 1 3", "-1.0000"},
    {"knight_targets_covered", 9, 3, "-1 3 2 2", "-1.0000"},
    {"knight_opening_7_3", 40, 3, "-1 3 7 3", "-5.0000"},
    {"silver_before_knight", 9, 3, "-1 4 9 6", "-0.5000"},
    {"silver_opening_7_3", 44, 3, "6 4 7 3", "115.0000"},
    {"gold_retreat", 6, 3, "-1 5 1 1", "-0.5000"},
    {"gold_row_4_bishop_attacked", 47, 3, "-1 5 2 4", "-5.0000"},
    {"gold_opening_7_2", 34, 3, "6 1 7 2", "10.0000"},
    {"gold_guards_row_3", 24, 3, "-1 5 6 2", "2.0000"},
    {"gold_guards_bishop", 54, 3, "6 1 6 2", "125.0000"},
    {"bishop_edge_9_3", 32, 3, "8 2 9 3", "-10.0000"},
    {"bishop_opening_7_3", 42, 3, "6 4 7 3", "9.0000"},
    {"bishop_trapped", 13, 3, "8 6 7 5", "-100.0000"},
    {"bishop_before_pawn", 16, 3, "-1 6 2 1", "-1.0000"},
    {"bishop_leaves_9_3", 43, 3, "9 3 8 2", "10.0000"},
    {"bishop_leaves_7_3", 28, 3, "7 3 8 2", "-10.0000"},
    {"rook_drop_behind_silver", 51, 3, "-1 7 7 9", "-1.0000"},
    {"rook_opening_3_4", 49, 3, "2 4 3 4", "7.0000"},
    {"rook_front_attacked", 9, 3, "3 3 3 5", "-1.0000"},
    {"rook_sideways_before_pawn", 29, 3, "2 4 4 4", "-5.0000"},
    {"rook_leaves_cover", 38, 3, "9 5 9 4", "-11.0000"},
    {"rook_leaves_pawn", 38, 3, "9 5 9 4", "-11.0000"},
    {"rook_opening_2_3", 28, 3, "2 2 2 3", "-1.0000"},
    {"rook_trapped", 19, 3, "3 4 3 1", "-35.0000"},
    {"rook_king_line", 41, 3, "9 6 9 5", "100.0000"},
    {"dragon_before_silver", 55, 3, "5 8 6 9", "-10.0000"},
    {"dragon_leaves_silver", 53, 3, "4 9 5 9+", "2.0000"},
    {"dragon_enclosed", 60, 3, "8 8 7 9", "-150.0000"},
    {"dragon_king_line", 20, 3, "2 8 1 7", "100.0000"},
    {"king_unpins", 11, 3, "6 5 5 4", "10.0000"},
    {"king_boxed_in", 14, 3, "5 7 5 8", "-20.0000"},
};

// Names the position and candidate in the test's listing.
void PrintTo(const Pinned& p, std::ostream* out) {
    *out << "setup " << p.setup << " LEVEL" << p.level << " explain " << p.move;
}

std::string read_source(const char* path) {
    std::ifstream in(std::filesystem::path(RINDOU_SOURCE_DIR) / path);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

const std::vector<std::string>& setups() {
    static const std::vector<std::string> lines = [] {
        std::vector<std::string> found;
        std::ifstream in(std::filesystem::path(RINDOU_SOURCE_DIR) / "tests/cli/transcripts" /
                         "explain_terms.txt");
        for (std::string line; std::getline(in, line);)
            if (line.rfind("> setup ", 0) == 0) found.push_back(line.substr(2));
        return found;
    }();
    return lines;
}

class Weight : public ::testing::TestWithParam<Pinned> {};

TEST_P(Weight, ExplainShowsItsTerm) {
    const Pinned& p = GetParam();
    ASSERT_LE(p.setup, static_cast<int>(setups().size()));
    const std::string& setup = setups()[static_cast<size_t>(p.setup - 1)];
    const std::string out = test::run_console("menu LEVEL" + std::to_string(p.level) + "\n" +
                                              setup + "\nexplain " + p.move + "\n");
    const std::string line = std::string("\nterm ") + p.weight + " " + p.term + "\n";
    EXPECT_NE(out.find(line), std::string::npos) << out;
}

INSTANTIATE_TEST_SUITE_P(Evaluation, Weight, ::testing::ValuesIn(kPinned),
                         [](const ::testing::TestParamInfo<Pinned>& info) {
                             return std::string(info.param.weight);
                         });

// A weight added to the evaluation needs its row above.  No legal move
// reaches the two left out (a silver cannot step straight back; a king that
// moves loses its own cover of the destination while opening at most one
// line to it).
TEST(Evaluation, EveryWeightIsPinned) {
    std::set<std::string> pinned;
    for (const Pinned& p : kPinned) pinned.insert(p.weight);
    const std::set<std::string> unreachable{"silver_straight_retreat", "king_better_covered"};
    const std::string source = read_source("engine/evaluate.cpp");
    const std::regex weight(R"re(constexpr Term \w+\{"(\w+)")re");
    int weights = 0;
    for (std::sregex_iterator it(source.begin(), source.end(), weight), end; it != end; ++it) {
        const std::string name = (*it)[1];
        EXPECT_NE(pinned.count(name), unreachable.count(name)) << name;
        ++weights;
    }
    EXPECT_EQ(weights, static_cast<int>(pinned.size() + unreachable.size()));
}

}  // namespace
}  // namespace rindou
