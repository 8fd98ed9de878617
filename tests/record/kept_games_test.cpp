// Keeping games: when a game counts and is written, its name and header,
// and which old games go.
#include <gtest/gtest.h>

#include <sstream>

#include "core/text_codec.h"
#include "play/flow.h"
#include "record/kept_games.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

class FakeShelf : public GameShelf {
public:
    std::vector<std::string> names() override { return held; }
    bool put(const std::string& name, const std::string& bytes) override {
        ++puts;
        if (watch) seen_at_put = watch->str();
        if (failing) return false;
        held.push_back(name);
        last = bytes;
        return true;
    }
    void remove(const std::string& name) override { std::erase(held, name); }
    LocalTime local_time() override { return now; }

    std::vector<std::string> held;
    std::string last;
    int puts = 0;
    bool failing = false;
    const std::ostringstream* watch = nullptr;  // events printed so far
    std::string seen_at_put;
    LocalTime now{2026, 12, 8, 9, 5, 7};
};

std::vector<std::string> lines_of(const std::string& bytes) {
    return split_lines(decode_text(bytes).text);
}

TEST(KeptGameNames, DateAndTimeWithANumberWhenTaken) {
    LocalTime t{2026, 3, 4, 5, 6, 7};
    EXPECT_EQ(kept_game_name(t, {}), "2026-03-04_05-06-07.棋譜");
    EXPECT_EQ(kept_game_name(t, {"2026-03-04_05-06-07.棋譜", "2026-03-04_05-06-07_2.棋譜"}),
              "2026-03-04_05-06-07_3.棋譜");
    // The oldest go first, numbers in order of value; other files never.
    const std::vector<std::string> names = {
        "2026-03-04_05-06-07_10.棋譜", "2026-03-04_05-06-07_2.棋譜", "2025-12-31_23-59-59.棋譜",
        "mine.棋譜",                    "2026-03-04_05-06-07.棋譜",   "2026-03-04_05-06-07.txt",
        "2026-03-04_05-06-07_x.棋譜"};
    EXPECT_EQ(kept_games_beyond(names, 2),
              (std::vector<std::string>{"2025-12-31_23-59-59.棋譜", "2026-03-04_05-06-07.棋譜"}));
    EXPECT_TRUE(kept_games_beyond(names, 4).empty());
}

TEST(KeepingGames, AGameContinuedByAStartCommandIsOneGameKeptOnce) {
    TestGame t;
    FakeShelf shelf;
    t.io.shelf = &shelf;
    t.menu("START");
    t.move(7, 7, 7, 6);
    t.move(3, 3, 3, 4);
    // Continued against the computer, which then replies: the same game.
    t.menu("SENTE");
    EXPECT_EQ(shelf.puts, 0);
    EXPECT_THROW(t.menu("OWARI"), ProgramEnded);
    ASSERT_EQ(shelf.puts, 1);
    std::vector<std::string> lines = lines_of(shelf.last);
    ASSERT_EQ(lines.size(), 3u + static_cast<size_t>(t.g.st.record_end));
    EXPECT_EQ(lines[0], "12月8日 09:05");
    EXPECT_EQ(lines[1], "ｺﾝﾋﾟｭｰﾀ LEVEL3");  // upper side
    EXPECT_EQ(lines[2], "あなた");
    EXPECT_EQ(shelf.held, std::vector<std::string>{"2026-12-08_09-05-07.棋譜"});
}

TEST(KeepingGames, WrittenBeforeTheEndDialogueAndAFailureIsNotTriedAgain) {
    TestGame t;
    FakeShelf shelf;
    shelf.failing = true;
    t.io.shelf = &shelf;
    t.menu("GOTE");  // the computer moves first
    t.move(7, 7, 7, 6);
    t.take();
    shelf.watch = &t.out;
    t.io.answers.push_back(false);
    EXPECT_THROW(end_of_game(t.g, "あなた"), ProgramEnded);
    EXPECT_EQ(shelf.puts, 1) << "tried at the end, not again on quitting";
    EXPECT_EQ(shelf.seen_at_put, "") << "before the end dialogue";
    EXPECT_EQ(t.take(), "message 終了|あなたの勝ちです\nask 再ゲーム|続けますか？ -> no\nquit\n");
}

TEST(KeepingGames, TwoPeopleAreTheFirstAndTheSecondPlayer) {
    TestGame t;
    FakeShelf shelf;
    t.io.shelf = &shelf;
    t.menu("START");
    t.move(7, 7, 7, 6);
    EXPECT_THROW(quit_program(t.g), ProgramEnded);
    ASSERT_EQ(shelf.puts, 1);
    std::vector<std::string> lines = lines_of(shelf.last);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "後手");
    EXPECT_EQ(lines[2], "先手");
}

}  // namespace
}  // namespace rindou::test
