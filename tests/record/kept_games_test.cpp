// Keeping games: when a game counts and is written, its name and header,
// and which old games go.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "core/text_codec.h"
#include "play/flow.h"
#include "record/kept_games.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

class FakeShelf : public GameShelf {
public:
    std::vector<std::string> names() override {
        std::vector<std::string> listed;
        for (const auto& [name, bytes] : files)
            if (name != unlisted) listed.push_back(name);
        return listed;
    }
    Put put(const std::string& name, const std::string& bytes) override {
        ++puts;
        if (watch) seen_at_put = watch->str();
        if (failing) return Put::Failed;
        if (files.count(name)) return Put::Taken;
        files[name] = bytes;
        last = bytes;
        return Put::Written;
    }
    bool get(const std::string& name, std::string& bytes, size_t max_bytes) override {
        auto it = files.find(name);
        if (it == files.end() || it->second.size() > max_bytes) return false;
        bytes = it->second;
        return true;
    }
    void remove(const std::string& name) override { files.erase(name); }
    bool with_kept_list(const std::function<bool(std::string&)>& change) override {
        std::string text = list;
        if (change(text)) list = text;
        return true;
    }
    LocalTime local_time() override { return now; }
    std::vector<std::string> held() const {
        std::vector<std::string> all;
        for (const auto& [name, bytes] : files) all.push_back(name);
        return all;
    }

    std::map<std::string, std::string> files;
    std::string list;
    std::string unlisted;  // a file names() does not see: written meanwhile by another program
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
}

// Keeps `n` games of two people, one move each, the clock at the given
// seconds past 09:05 in turn.
void keep_games(FakeShelf& shelf, const std::vector<int>& seconds, size_t limit) {
    TestGame t;
    t.menu("START");
    t.move(7, 7, 7, 6);
    for (int second : seconds) {
        shelf.now.second = second;
        ASSERT_TRUE(write_kept_game(shelf, t.g.st, limit));
    }
}

TEST(KeepingGames, OnlyGamesOfTheListGoAndInTheOrderTheyWereKept) {
    FakeShelf shelf;
    // The player's own records, one of them named as a kept game would be.
    shelf.files["2026-12-08_09-05-01.棋譜"] = "mine";
    shelf.files["mine.棋譜"] = "mine too";
    // The clock goes back after the first game: the newest has the oldest name.
    keep_games(shelf, {30, 20, 10}, 2);
    EXPECT_EQ(shelf.held(), (std::vector<std::string>{"2026-12-08_09-05-01.棋譜",
                                                      "2026-12-08_09-05-10.棋譜",
                                                      "2026-12-08_09-05-20.棋譜", "mine.棋譜"}));
    ASSERT_EQ(parse_kept_list(shelf.list).size(), 2u);
    EXPECT_EQ(parse_kept_list(shelf.list).back().name, "2026-12-08_09-05-10.棋譜");

    // A kept game the player has since replaced with a record of their own
    // is theirs now: it leaves the list but stays.
    shelf.files["2026-12-08_09-05-20.棋譜"] = "saved over";
    keep_games(shelf, {40}, 1);
    EXPECT_EQ(shelf.files["2026-12-08_09-05-20.棋譜"], "saved over");
    EXPECT_FALSE(shelf.files.count("2026-12-08_09-05-10.棋譜"));
    ASSERT_EQ(parse_kept_list(shelf.list).size(), 1u);

    // Even a limit of nothing never takes the game just written.
    keep_games(shelf, {50}, 0);
    EXPECT_TRUE(shelf.files.count("2026-12-08_09-05-50.棋譜"));
}

TEST(KeepingGames, ANameTakenMeanwhileGivesTheNextFreeOne) {
    FakeShelf shelf;
    shelf.files["2026-12-08_09-05-07.棋譜"] = "another program's game of the same second";
    shelf.unlisted = "2026-12-08_09-05-07.棋譜";
    keep_games(shelf, {7}, 1000);
    EXPECT_EQ(shelf.puts, 2);
    EXPECT_TRUE(shelf.files.count("2026-12-08_09-05-07_2.棋譜"));
    EXPECT_EQ(shelf.files["2026-12-08_09-05-07.棋譜"], "another program's game of the same second");
}

TEST(KeepingGames, TheListReadsBackAndSkipsLinesNotOurs) {
    const std::vector<KeptEntry> entries = {{12, 0x0123456789abcdefull, "a.棋譜"},
                                            {0, kept_digest(""), "b c.棋譜"}};
    const std::string text = format_kept_list(entries);
    const std::string noisy = "junk\n12 0123 x.棋譜\n5 0123456789abcdef ../escape\n" + text +
                              "7 0123456789ABCDEF upper.棋譜\n";
    const std::vector<KeptEntry> back = parse_kept_list(noisy);
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[0].size, 12u);
    EXPECT_EQ(back[0].digest, 0x0123456789abcdefull);
    EXPECT_EQ(back[1].name, "b c.棋譜");
    EXPECT_EQ(format_kept_list(back), text);
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
    EXPECT_THROW(t.menu("OWARI"), test::Ended);
    ASSERT_EQ(shelf.puts, 1);
    std::vector<std::string> lines = lines_of(shelf.last);
    ASSERT_EQ(lines.size(), 3u + static_cast<size_t>(t.g.st.record_end));
    EXPECT_EQ(lines[0], "12月8日 09:05");
    EXPECT_EQ(lines[1], "ｺﾝﾋﾟｭｰﾀ LEVEL3");  // upper side
    EXPECT_EQ(lines[2], "あなた");
    EXPECT_EQ(shelf.held(), std::vector<std::string>{"2026-12-08_09-05-07.棋譜"});
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
    EXPECT_TRUE(run_at_once(t.g, end_of_game(t.g, "あなた")));
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
    EXPECT_TRUE(run_at_once(t.g, quit_program(t.g)));
    ASSERT_EQ(shelf.puts, 1);
    std::vector<std::string> lines = lines_of(shelf.last);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "後手");
    EXPECT_EQ(lines[2], "先手");
}

}  // namespace
}  // namespace rindou::test
