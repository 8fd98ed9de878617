// The mouse-press handler: refusals, picking, promotion by button, the
// turn hand-over, passes, the end dialogue and the record's limit.
#include <gtest/gtest.h>

#include <cmath>
#include <tuple>
#include <utility>

#include "play/flow.h"
#include "play/input.h"
#include "play/replay.h"
#include "play/selection.h"
#include "shell/start.h"
#include "tests/support/test_game.h"

namespace rindou {
namespace {

using test::TestGame;

struct TwoPlayers : ::testing::Test {
    TwoPlayers() {
        t.menu("START");
        EXPECT_EQ(t.take(), "message  |先手の番です\n");
    }
    TestGame t;
};

TEST(Clicks, RefusedBeforeAnyGame) {
    TestGame t;
    t.click(1, 5, 7);
    EXPECT_EQ(t.take(), "sound refusal\nmessage 開始|「対局」で始めて下さい\n");
    t.click(2, 11, 3);
    EXPECT_EQ(t.take(), "sound refusal\nmessage 開始|「対局」で始めて下さい\n");
    EXPECT_EQ(t.g.st.select_state, 0);
}

TEST_F(TwoPlayers, MoveHandsTheTurnOverAndRecordsIt) {
    GameState& s = t.g.st;
    EXPECT_EQ(s.side_to_move, s.sente_turn);
    EXPECT_EQ(s.lower_turn, s.sente_turn);
    t.move(5, 7, 5, 6);
    EXPECT_EQ(t.take(), "sound piece\n");
    EXPECT_EQ(t.at(5, 6), -10);
    EXPECT_EQ(s.side_to_move, s.gote_turn());
    EXPECT_EQ(s.move_number, 1);
    EXPECT_EQ(s.record_count, 1);
    EXPECT_EQ(s.record[1].from_col, 5);
    EXPECT_EQ(s.record[1].piece_after, -10);
    EXPECT_EQ(s.record[1].captured, EMPTY);
    // The lower side's piece is now the other side's: framed, not picked.
    t.click(1, 4, 7);
    EXPECT_EQ(s.select_state, 0);
    t.move(5, 3, 5, 4);
    EXPECT_EQ(t.at(5, 4), 10);
    EXPECT_EQ(s.side_to_move, s.sente_turn);
}

TEST_F(TwoPlayers, RePickIllegalDestinationAndClickOutside) {
    GameState& s = t.g.st;
    t.click(1, 5, 7);
    t.click(1, 4, 7);  // another own piece: re-pick
    EXPECT_EQ(s.select_state, 1);
    EXPECT_EQ(s.sel_from_col, 4);
    t.click(1, 4, 4);  // illegal: the pick is dropped
    EXPECT_EQ(t.take(), "sound refusal\n");
    EXPECT_EQ(s.select_state, 0);

    t.click(1, 3, 7);
    t.click(1, 0, 0);   // outside board and hands: the pick stays
    t.click(1, 20, 5);
    EXPECT_EQ(s.select_state, 1);
    t.click(1, 3, 6);
    EXPECT_EQ(t.at(3, 6), -10);
    EXPECT_EQ(s.side_to_move, s.gote_turn());
}

TEST_F(TwoPlayers, PromotionByTheButtonOfTheSecondClick) {
    GameState& s = t.g.st;
    t.put(3, 1, EMPTY);
    t.put(3, 2, -10);
    t.click(1, 3, 2);
    t.click(1, 3, 1);  // a pawn on row 1 must promote
    EXPECT_EQ(t.take(), "sound refusal\nmessage 成り|マウスの右をクリックして下さい\n");
    EXPECT_EQ(s.select_state, 1);
    EXPECT_EQ(s.record_count, 0);
    t.click(2, 3, 1);
    EXPECT_EQ(t.at(3, 1), -11);
    EXPECT_EQ(s.record[1].piece_before, -10);
    EXPECT_EQ(s.record[1].piece_after, -11);

    // A right click outside the zone moves without promoting.
    t.move(1, 3, 1, 4, true);
    EXPECT_EQ(t.at(1, 4), 10);
}

TEST_F(TwoPlayers, DropsFromTheHand) {
    GameState& s = t.g.st;
    s.hand[LOWER][4] = 1;
    t.click(1, 11, 6);  // the silver's hand cell
    EXPECT_EQ(s.select_state, 1);
    EXPECT_EQ(s.sel_piece, -100);
    t.click(1, 5, 5);  // the coin's square
    EXPECT_EQ(t.take(), "sound refusal\n");
    t.click(1, 11, 6);
    t.click(1, 5, 4);
    EXPECT_EQ(t.at(5, 4), -100);
    EXPECT_EQ(s.hand[LOWER][4], 0);
    EXPECT_EQ(s.hand_total(LOWER), 0);
    EXPECT_EQ(s.coin_row(), 5);  // drops leave the coin alone
    EXPECT_EQ(s.record[1].from_col, 11);
    EXPECT_EQ(s.record[1].from_row, 6);
    // An empty hand cell picks nothing.
    t.click(1, -1, 1);
    EXPECT_EQ(s.select_state, 0);
}

// The person's drop from the upper hand is played from its slot and
// recorded by the cell pressed, as record files have it; a press beside the
// board afterwards clears the frames from the slot's row.
TEST_F(TwoPlayers, TheSecondPlayersDropIsRecordedByTheCellPressed) {
    GameState& s = t.g.st;
    t.move(1, 7, 1, 6);
    s.hand[UPPER][KIN_SLOT] = 1;
    t.click(1, UPPER_HAND_COL, upper_hand_row(KIN_SLOT));
    EXPECT_EQ(s.sel_piece, KIN);
    t.click(1, 2, 4);
    EXPECT_EQ(t.at(2, 4), KIN);
    EXPECT_EQ(s.hand[UPPER][KIN_SLOT], 0);
    EXPECT_EQ(s.record[2].from_col, UPPER_HAND_COL);
    EXPECT_EQ(s.record[2].from_row, upper_hand_row(KIN_SLOT));
    EXPECT_EQ(s.record[2].piece_after, KIN);
    EXPECT_EQ(s.sel_from_row, KIN_SLOT);
    EXPECT_EQ(s.side_to_move, s.sente_turn);
}

// A second press is judged from the state alone: what it would do, and the
// move it names, with nothing drawn or changed by asking.
TEST_F(TwoPlayers, ASecondPressIsJudgedWithoutChangingTheGame) {
    GameState& s = t.g.st;
    t.put(3, 1, EMPTY);
    t.put(3, 2, -HU);
    t.put(6, 4, -GIN);
    t.click(1, 3, 2);
    t.take();
    const Destination left = judge_destination(s, 1, 3, 1);
    EXPECT_EQ(left.kind, Destination::MustPromote);
    const Destination right = judge_destination(s, 2, 3, 1);
    EXPECT_EQ(right.kind, Destination::Play);
    EXPECT_EQ(right.move, Move::board(make_square(3, 2), make_square(3, 1), true));
    EXPECT_EQ(judge_destination(s, 1, 4, 7).kind, Destination::Repick);
    EXPECT_EQ(judge_destination(s, 1, 3, 5).kind, Destination::Unreachable);
    // Where the press would play, a full record refuses it; a press the
    // left button could never play is refused for that first.
    s.record_count = RECORD_MAX;
    EXPECT_EQ(judge_destination(s, 2, 3, 1).kind, Destination::RecordFull);
    EXPECT_EQ(judge_destination(s, 1, 3, 1).kind, Destination::MustPromote);
    s.record_count = 0;
    const auto centre = [](int c, int r) {
        return std::pair{board_left + square_width * (c + 0.5), board_top + square_height * (r + 0.5)};
    };
    auto [x, y] = centre(3, 1);
    EXPECT_EQ(promotion_choice(s, x, y), PromotionChoice::Forced);
    std::tie(x, y) = centre(4, 7);
    EXPECT_EQ(promotion_choice(s, x, y), PromotionChoice::None);
    // A silver entering the far rows may promote or stay.
    t.click(1, 4, 7);
    t.click(1, 6, 4);
    t.take();
    std::tie(x, y) = centre(6, 5);
    EXPECT_EQ(promotion_choice(s, x, y), PromotionChoice::None);  // no silver steps straight back
    std::tie(x, y) = centre(5, 3);
    EXPECT_EQ(promotion_choice(s, x, y), PromotionChoice::Optional);
    EXPECT_FALSE(judge_destination(s, 1, 5, 3).move.promotes());
    EXPECT_EQ(t.take(), "");
    EXPECT_EQ(s.select_state, 1);
    EXPECT_EQ(s.sel_from_col, 6);
    EXPECT_EQ(t.at(6, 4), -GIN);
    EXPECT_EQ(s.record_count, 0);
}

TEST_F(TwoPlayers, CapturingTheKingEndsTheGame) {
    GameState& s = t.g.st;
    t.put(5, 2, -900);
    t.g.io.dialogs->ask_yes_no("", "");  // nothing queued: yes
    t.take();
    t.move(5, 2, 5, 1);
    EXPECT_EQ(t.take(),
              "sound piece\nmessage 終了|先手の勝ちです\nask 再ゲーム|続けますか？ -> yes\n");
    EXPECT_EQ(s.side_to_move, NO_SIDE);
    EXPECT_EQ(t.at(5, 1), 950);  // a new game
    t.click(1, 5, 7);
    EXPECT_EQ(t.take(), "sound refusal\nmessage 開始|「対局」で始めて下さい\n");
}

TEST_F(TwoPlayers, TheSecondPlayerTakingTheKingWinsToo) {
    t.put(5, 8, 900);
    t.move(1, 7, 1, 6);
    t.take();
    t.move(5, 8, 5, 9);
    EXPECT_EQ(t.take(),
              "sound piece\nmessage 終了|後手の勝ちです\nask 再ゲーム|続けますか？ -> yes\n");
    EXPECT_EQ(t.g.st.side_to_move, NO_SIDE);
}

// Against the computer, the person who takes its king wins at once: the
// computer does not move again.
TEST(AgainstTheComputer, ThePersonTakingTheKingWins) {
    TestGame t;
    t.menu("SENTE");
    t.take();
    t.put(5, 2, -900);
    t.move(5, 2, 5, 1);
    EXPECT_EQ(t.take(),
              "sound piece\nmessage 終了|あなたの勝ちです\nask 再ゲーム|続けますか？ -> yes\n");
    EXPECT_EQ(t.g.st.side_to_move, NO_SIDE);
}

TEST_F(TwoPlayers, NoToTheContinueQuestionEndsTheProgram) {
    t.put(5, 2, -900);
    t.io.answers.push_back(false);
    EXPECT_THROW(t.move(5, 2, 5, 1), test::Ended);
    EXPECT_EQ(t.take(),
              "sound piece\nmessage 終了|先手の勝ちです\nask 再ゲーム|続けますか？ -> no\nquit\n");
    EXPECT_EQ(t.g.sound.context, 0);  // the sound resources were released
}

TEST_F(TwoPlayers, ASideWithoutBoardMovesPassesEvenWithPiecesInHand) {
    GameState& s = t.g.st;
    s.squares.fill(NO_PIECE);
    t.put(5, 1, COIN);
    s.move_coin(make_square(5, 1));
    t.put(2, 7, -10);
    t.put(9, 1, 950);
    s.hand[LOWER][1] = 1;
    t.click(1, 11, 3);
    EXPECT_EQ(t.take(), "message パス|打てる場所がありません。パスです。\n");
    EXPECT_EQ(s.side_to_move, s.gote_turn());
    EXPECT_EQ(s.select_state, 0);
}

TEST_F(TwoPlayers, TurnNoticeAtTheFirstClickAfterStepping) {
    GameState& s = t.g.st;
    s.turn_notice_pending = 1;
    t.click(1, 5, 7);
    EXPECT_EQ(t.take(), "message 対局|先手の番です\n");
    EXPECT_EQ(s.turn_notice_pending, 0);
    EXPECT_EQ(s.select_state, 1);  // the same click also picked the piece
}

TEST_F(TwoPlayers, LoadedRecordIsSteppedNotPlayed) {
    GameState& s = t.g.st;
    s.record_mode = 1;
    t.click(1, 5, 7);
    EXPECT_EQ(t.take(), "ask 棋譜|棋譜を '進 'で進めて下さい -> yes\n");
    EXPECT_EQ(s.record_mode, 1);
    t.io.answers.push_back(false);
    t.click(1, 5, 7);
    EXPECT_EQ(t.take(), "ask 棋譜|棋譜を '進 'で進めて下さい -> no\nsound refusal\n");
    EXPECT_EQ(s.record_mode, 0);
    EXPECT_EQ(s.side_to_move, NO_SIDE);
}

TEST_F(TwoPlayers, TheRecordNeverGoesPastFiveHundredMoves) {
    GameState& s = t.g.st;
    s.record_count = RECORD_MAX;
    s.record_end = RECORD_MAX;
    s.move_number = RECORD_MAX;
    t.move(5, 7, 5, 6);
    EXPECT_EQ(t.take(), "sound refusal\nmessage 対局|棋譜が500手に達しました。これ以上指せません\n");
    EXPECT_EQ(t.at(5, 7), -10);
    EXPECT_EQ(s.record_count, RECORD_MAX);
    EXPECT_EQ(s.move_number, RECORD_MAX);
    EXPECT_EQ(s.side_to_move, s.sente_turn);
}

// Records the outlines drawn, to see the frames a click leaves.
class FramePlatform : public test::EventLog {
public:
    using test::EventLog::EventLog;
    void draw_outline(int colour, double x1, double y1, double, double) override {
        int c = static_cast<int>(std::lround((x1 - board_left) / square_width));
        int r = static_cast<int>(std::lround((y1 - board_top) / square_height));
        if (on_board(c, r)) frames[c][r] = colour;
        else if (c == 11 || c == -1) hand_frames[c == 11 ? 0 : 1][r] = colour;
    }
    int frames[10][10] = {};
    int hand_frames[2][10] = {};
};

TEST(Guidance, FramesLegalDestinationsOfAnyClickedPiece) {
    std::ostringstream out;
    FramePlatform io(out);
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    test::now(g, start_two_players(g));
    g.st.guidance_on = 1;
    auto click = [&](int c, int r) {
        test::now(g, on_mouse_down(g, 1, board_left + square_width * c + 10, board_top + square_height * r + 10));
    };
    click(8, 8);  // the lower rook
    EXPECT_EQ(io.frames[8][8], 12);
    EXPECT_EQ(io.frames[9][8], 15);
    EXPECT_EQ(io.frames[4][8], 15);
    EXPECT_EQ(io.frames[3][8], 2);  // the coin would be carried off the board
    EXPECT_EQ(io.frames[2][8], 2);  // own bishop
    EXPECT_EQ(io.frames[8][7], 2);  // own pawn

    click(0, 5);  // outside: frames removed, pick kept
    EXPECT_EQ(io.frames[8][8], 2);
    EXPECT_EQ(io.frames[9][8], 2);
    EXPECT_EQ(g.st.select_state, 1);

    g.st.select_state = 0;
    click(5, 5);  // the coin: every empty square it could be carried to
    EXPECT_EQ(io.frames[5][4], 15);
    EXPECT_EQ(io.frames[1][5], 15);
    EXPECT_EQ(io.frames[5][3], 2);
    EXPECT_EQ(g.st.select_state, 0);

    click(2, 2);  // an opponent's rook: its destinations and itself in the guidance colour
    EXPECT_EQ(io.frames[2][2], 15);
    EXPECT_EQ(io.frames[1][2], 15);
    EXPECT_EQ(g.st.select_state, 0);
}

// A refused drop drops the pick, and the hand cell's frame with it: a
// frame left there would say the piece is still picked.
TEST(Guidance, ARefusedDropLeavesNoFrameOnTheHand) {
    std::ostringstream out;
    FramePlatform io(out);
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    test::now(g, start_two_players(g));
    g.st.hand[LOWER][1] = 1;
    auto click = [&](int c, int r) {
        test::now(g, on_mouse_down(g, 1, board_left + square_width * c + 10, board_top + square_height * r + 10));
    };
    for (const auto& [col, row] : {std::pair{5, 5}, std::pair{3, 6}}) {  // the coin, a second pawn
        click(11, 3);
        ASSERT_EQ(io.hand_frames[0][3], 12);
        ASSERT_EQ(g.st.select_state, 1);
        out.str("");
        click(col, row);
        EXPECT_EQ(out.str(), "sound refusal\n");
        EXPECT_EQ(io.hand_frames[0][3], 2) << col << ' ' << row;
        EXPECT_EQ(g.st.select_state, 0);
    }
    // A step drops a pick from the hand the same way.
    g.st.hand[LOWER][5] = 1;
    click(11, 7);
    click(5, 6);  // a gold dropped: the second player's turn
    ASSERT_EQ(g.st.hand[LOWER][5], 0);
    g.st.hand[UPPER][1] = 1;
    click(-1, 7);
    ASSERT_EQ(io.hand_frames[1][7], 12);
    test::now(g, step_back(g));
    EXPECT_EQ(io.hand_frames[1][7], 2);
    EXPECT_EQ(g.st.select_state, 0);
}

}  // namespace
}  // namespace rindou

namespace rindou {
namespace {

// A click while the computer is to move resumes it; when that turn wins the
// game and a new one is set up, the click has nothing left to do (no pass
// is announced for a game that no longer exists).
TEST(Clicks, ResumedComputerWinEndsTheClick) {
    TestGame t;
    GameState& s = t.g.st;
    s.squares.fill(NO_PIECE);
    t.put(1, 1, COIN);
    s.move_coin(make_square(1, 1));
    t.put(5, 1, 950);
    t.put(5, 3, 900);
    t.put(5, 6, -950);
    s.game_mode = MODE_COM;
    s.lower_turn = LOWER;
    s.side_to_move = s.upper_turn();
    t.click(1, 3, 8);
    std::string out = t.take();
    EXPECT_EQ(out.rfind("message 再開(COM)|OKですか？\n", 0), 0u) << out;
    EXPECT_NE(out.find("com 5 3 5 6 900 900 -950 9999.0000\n"), std::string::npos) << out;
    EXPECT_NE(out.find("message 終了|ｺﾝﾋﾟｭｰﾀの勝ちです\nask 再ゲーム|続けますか？ -> yes\n"),
              std::string::npos)
        << out;
    EXPECT_EQ(out.find("パス"), std::string::npos) << out;
    EXPECT_EQ(s.side_to_move, NO_SIDE);
    EXPECT_EQ(t.at(5, 9), -950);  // the new game's position
}

}  // namespace
}  // namespace rindou
