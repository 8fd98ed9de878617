// Records of games against the computer: its drops name the hand slot, and
// the file is loaded and replayed like any other.
#include <gtest/gtest.h>

#include <filesystem>
#include <unistd.h>

#include "core/rules.h"
#include "play/record_commands.h"
#include "record/record_file.h"
#include "tests/support/record_games.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

struct Choice {
    int fc = 0, fr = 0, tc = 0, tr = 0;
};

// The person's move: a capture if there is one, else a drop, else the first
// legal board move, in scan order.
bool choose_lower_move(GameState s, Choice& out) {
    bool found = false;
    Choice first;
    for (int fc = 1; fc <= 9; ++fc)
        for (int fr = 1; fr <= 9; ++fr) {
            int p = s.code_at(fc, fr);
            if (p > -10) continue;
            for (int tc = 1; tc <= 9; ++tc)
                for (int tr = 1; tr <= 9; ++tr) {
                    if (!is_legal_move(s, fc, fr, tc, tr, p)) continue;
                    if (s.code_at(tc, tr) >= 10) {
                        out = {fc, fr, tc, tr};
                        return true;
                    }
                    if (!found) first = {fc, fr, tc, tr}, found = true;
                }
        }
    scan_pawn_files(s);
    for (int slot = 1; slot <= 7; ++slot) {
        if (s.hand[LOWER][static_cast<size_t>(slot)] == 0) continue;
        int code = -SLOT_CODE[static_cast<size_t>(slot)];
        for (int tc = 1; tc <= 9; ++tc)
            for (int tr = 1; tr <= 9; ++tr)
                if (is_legal_move(s, 11, slot + 2, tc, tr, code)) {
                    out = {11, slot + 2, tc, tr};
                    return true;
                }
    }
    out = first;
    return found;
}

TEST(ComputerRecord, AGameAgainstTheComputerSavesLoadsAndReplays) {
    char tmpl[] = "/tmp/rindou-com-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string dir = tmpl;

    TestGame played;
    played.menu("LEVEL1");
    played.menu("GOTE");  // the computer moves first
    GameState& s = played.g.st;
    // The person plays poorly: when the computer wins, the game is taken as
    // it stood before the losing move.
    for (int turn = 0; turn < 40 && s.side_to_move == s.lower_turn; ++turn) {
        Choice c;
        if (!choose_lower_move(s, c)) break;
        const GameState keep = s;
        played.click(1, c.fc, c.fr);
        played.click(2, c.tc, c.tr);
        if (s.side_to_move == NO_SIDE) {
            s = keep;
            break;
        }
    }
    ASSERT_EQ(s.side_to_move, s.lower_turn);
    ASSERT_GE(s.record_count, 20);
    // The computer names the slot of its drops itself.
    for (int i = 1; i <= s.record_count; ++i) {
        const RecordEntry& e = s.record[static_cast<size_t>(i)];
        if (e.from_col == -1) {
            EXPECT_EQ(e.from_row, hand_slot(e.piece_after));
        }
    }
    played.take();
    played.menu("KIFU_WRITE");
    played.io.folder = dir;
    played.io.boxes[3] = "com";
    test::now(played.g, save_record(played.g));
    ASSERT_EQ(played.take(), "message   |棋譜を書き込みました\n");

    TestGame t;
    test::now(t.g, load_record(t.g, dir + "/com.棋譜"));
    EXPECT_EQ(t.take(), "message 棋譜| 読み込みました\nmessage 棋譜|棋譜を '進 'で進めて下さい\n");
    EXPECT_EQ(t.g.st.game_mode, MODE_COM);
    EXPECT_EQ(t.g.st.side_to_move, t.g.st.upper_turn());
    EXPECT_EQ(t.g.st.record_end, s.record_count);
    for (int i = 0; i < s.record_count; ++i) t.menu("AFTER");
    EXPECT_TRUE(same_position(t.g.st, s));
    EXPECT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    std::filesystem::remove_all(dir);
}

TEST(ComputerRecord, ContinuingAStepThroughRecordAgainstTheComputer) {
    // A record whose first move is the upper side's, stepped once: the person
    // is to move, and SENTE continues the game from there.
    char tmpl[] = "/tmp/rindou-com-XXXXXX";
    ASSERT_NE(::mkdtemp(tmpl), nullptr);
    const std::string path = std::string(tmpl) + "/u.棋譜";
    {
        std::string text = "g\r\nu\r\nl\r\n 7374  10  10   0    0    0    0    4\r\n";
        FILE* f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    TestGame t;
    test::now(t.g, load_record(t.g, path));
    t.menu("AFTER");
    t.take();
    t.menu("SENTE");
    EXPECT_EQ(t.take(), "message 対局|MANの番です\n");
    EXPECT_EQ(t.g.st.record_mode, 0);
    t.move(7, 7, 7, 6);
    // The computer answered at once.
    EXPECT_EQ(t.g.st.record_count, 3);
    EXPECT_EQ(t.g.st.side_to_move, t.g.st.lower_turn);
    std::filesystem::remove_all(tmpl);
}

}  // namespace
}  // namespace rindou::test
