// Games kept by the console front end itself (the rindou-cli program) in the
// games folder under XDG_DATA_HOME: which games are kept, that each is kept
// once and replays to its final position, and that keeping never changes the
// game.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "app/cli/cli.h"
#include "core/files.h"
#include "record/kept_games.h"
#include "shell/games_shelf.h"
#include "core/game.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

namespace fs = std::filesystem;

// The position part of the last `show` in a console's output: board, coin
// and hands (the turn and record lines differ between a game played and the
// same game loaded and stepped through).
std::string position_part(const std::string& out) {
    size_t from = out.rfind("board\n");
    size_t to = out.find("turn side", from);
    return from == std::string::npos || to == std::string::npos ? out : out.substr(from, to - from);
}

class KeptGames : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/rindou-kept-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
        games = dir + "/rindou/games";
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // Runs the program on a script with XDG_DATA_HOME at `data`.
    std::string run(const std::string& script, const std::string& data) {
        const std::string input = dir + "/input.txt";
        std::ofstream(input) << script;
        const std::string command =
            "XDG_DATA_HOME='" + data + "' '" RINDOU_CLI "' < '" + input + "'";
        std::string out;
        if (FILE* p = ::popen(command.c_str(), "r")) {
            char buf[4096];
            size_t n;
            while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
            ::pclose(p);
        }
        return out;
    }
    std::string run(const std::string& script) { return run(script, dir); }

    std::vector<std::string> kept() const {
        std::vector<std::string> names;
        std::error_code ec;
        for (fs::directory_iterator it(games, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().filename().string()[0] != '.')  // the list of kept games
                names.push_back(it->path().filename().string());
        std::sort(names.begin(), names.end());
        return names;
    }

    // The position part of `show` after loading a kept game and stepping
    // through all of it.
    std::string replayed(const std::string& name) {
        std::string script = "load " + games + "/" + name + "\n";
        for (int i = 0; i < 40; ++i) script += "menu AFTER\n";
        return position_part(run(script + "show\n"));
    }

    std::string dir, games;
};

// The same part of `show` for a position played in this process, printed
// by the console's own `show`.
std::string position(const GameState& s) {
    std::ostringstream out;
    print_show(s, out);
    return position_part(out.str());
}

// Two people to a king capture: the upper king taken on its square.
const int CAPTURE_GAME[][4] = {{8, 7, 8, 6}, {1, 3, 1, 4}, {8, 6, 8, 5}, {1, 4, 1, 5},
                               {8, 5, 8, 4}, {1, 5, 1, 6}, {8, 4, 8, 3}, {1, 6, 1, 7},
                               {8, 3, 8, 2}, {9, 3, 9, 4}, {8, 2, 8, 1}, {2, 2, 3, 2},
                               {8, 1, 7, 1}, {3, 2, 4, 2}, {7, 1, 6, 1}, {4, 2, 3, 2},
                               {6, 1, 5, 1}};

TEST_F(KeptGames, EndedLeftAndAbandonedGamesAreKeptOnceAndReplayToTheirEnd) {
    // A king capture answered No: written at the end, not again on quitting.
    std::string script = "menu START\n";
    TestGame ended;
    ended.menu("START");
    for (const auto& m : CAPTURE_GAME) {
        bool promote = m[0] == 8 && m[1] == 2;  // the rook promotes on 8一
        bool last = &m == &CAPTURE_GAME[std::size(CAPTURE_GAME) - 1];
        if (last) {
            script += "answer no\n";
            ended.io.answers.push_back(false);
        }
        script += "move " + std::to_string(m[0]) + " " + std::to_string(m[1]) + " " +
                  std::to_string(m[2]) + " " + std::to_string(m[3]) + (promote ? "+" : "") + "\n";
        try {
            ended.move(m[0], m[1], m[2], m[3], promote);
        } catch (const test::Ended&) {
        }
    }
    std::string out = run(script);
    ASSERT_NE(out.find("message 終了|先手の勝ちです"), std::string::npos) << out;
    ASSERT_NE(out.find("quit\nok\n"), std::string::npos);
    std::vector<std::string> names = kept();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(replayed(names[0]), position(ended.g.st));
    fs::remove_all(games);

    // Against the computer, left with Esc.
    TestGame left;
    left.menu("SENTE");
    left.move(7, 7, 7, 6);
    left.move(2, 7, 2, 6);
    run("menu SENTE\nmove 7 7 7 6\nmove 2 7 2 6\nkey 27\n");
    names = kept();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(replayed(names[0]), position(left.g.st));
    fs::remove_all(games);

    // Stepped back to the start and begun afresh by a start command: the
    // game before it is kept whole, with the moves stepped back over.
    TestGame abandoned;
    abandoned.menu("START");
    abandoned.move(7, 7, 7, 6);
    abandoned.move(3, 3, 3, 4);
    abandoned.move(2, 7, 2, 6);
    run("menu START\nmove 7 7 7 6\nmove 3 3 3 4\nmove 2 7 2 6\n"
        "menu REPLAY\nmenu REPLAY\nmenu REPLAY\nmenu SENTE\n");
    names = kept();
    ASSERT_EQ(names.size(), 1u);
    EXPECT_EQ(replayed(names[0]), position(abandoned.g.st));
}

TEST_F(KeptGames, AResignedGameIsKeptOnceAndAResignWhileSteppingIsRefused) {
    TestGame resigned;
    resigned.menu("SENTE");
    resigned.move(7, 7, 7, 6);
    const std::string out = run("menu SENTE\nmove 7 7 7 6\nmenu TOURYOU\nshow\nkey 27\n");
    EXPECT_NE(out.find("message 終了|ｺﾝﾋﾟｭｰﾀの勝ちです\nask 再ゲーム|続けますか？"), std::string::npos)
        << out;
    std::vector<std::string> names = kept();
    ASSERT_EQ(names.size(), 1u);  // not again when Esc ends the program
    EXPECT_EQ(replayed(names[0]), position(resigned.g.st));

    // Stepping a loaded record, resigning only sounds the refusal.
    const std::string load = "load " + games + "/" + names[0] + "\nmenu AFTER\n";
    const std::string plain = run(load + "show\nkey 27\n");
    const std::string refused = run(load + "menu TOURYOU\nshow\nkey 27\n");
    const size_t at = plain.find("board\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(refused, plain.substr(0, at) + "sound refusal\nok\n" + plain.substr(at));
    EXPECT_EQ(kept().size(), 1u);
}

TEST_F(KeptGames, HandicapFlippedAndContinuedRecordsAreNotKept) {
    run("menu LBEL_UP\nmenu START\nmove 7 7 7 6\nmove 3 3 3 4\nkey 27\n");
    run("menu START\nmove 7 7 7 6\nmove 3 3 3 4\nmenu REVERSE\nmove 7 7 7 6\nkey 27\n");
    run("menu START\nmove 7 7 7 6\nmenu CANCEL\nkey 27\n");  // kept: one
    ASSERT_EQ(kept().size(), 1u);
    // Loading that record and leaving it while stepping keeps nothing more.
    run("load " + games + "/" + kept()[0] + "\nmenu AFTER\nkey 27\n");
    EXPECT_EQ(kept().size(), 1u);
    // Nor a game from a set-up position, which no record file can replay.
    TestGame start;
    run(setup_line(start.g.st, -1, 0) + "\nmenu START\nmove 7 7 7 6\nmenu REPLAY\n" +
        "menu START\nmove 7 7 7 6\nkey 27\n");
    EXPECT_EQ(kept().size(), 1u);
}

TEST_F(KeptGames, AnUnwritableGamesFolderChangesNothingInTheGame) {
    const std::string script =
        "menu SENTE\nmove 7 7 7 6\nmenu REPLAY\nmenu REPLAY\nmenu CANCEL\n"
        "menu START\nmove 2 7 2 6\nshow\nkey 27\n";
    const std::string blocked = dir + "/blocked";
    fs::create_directories(blocked);
    std::ofstream(blocked + "/rindou") << "a file where the folder would be";
    std::string written = run(script);
    EXPECT_EQ(kept().size(), 2u);
    EXPECT_EQ(run(script, blocked), written);
    EXPECT_TRUE(fs::is_regular_file(blocked + "/rindou"));
}

TEST_F(KeptGames, TheThousandAndFirstRemovesTheOldestAndNothingOfThePlayers) {
    fs::create_directories(games);
    char name[64];
    std::vector<KeptEntry> list;
    for (int i = 0; i < 1000; ++i) {
        std::snprintf(name, sizeof name, "2020-01-%02d_%02d-%02d-00.棋譜", 1 + i / 100, i / 10 % 10,
                      i % 10);
        std::ofstream(games + "/" + name) << "old\r\n";
        list.push_back({5, kept_digest("old\r\n"), name});
    }
    std::ofstream(games + "/" + KEPT_LIST_NAME) << format_kept_list(list);
    // What the player keeps there, however it is named.
    std::ofstream(games + "/mine.棋譜") << "the player's own\r\n";
    std::ofstream(games + "/2019-05-05_12-00-00.棋譜") << "saved by the player\r\n";
    fs::create_directory(games + "/2019-05-05_12-00-01.棋譜");
    ASSERT_EQ(::mkfifo((games + "/2019-05-05_12-00-02.棋譜").c_str(), 0600), 0);
    // What a write killed long ago left, and one under way now.
    const std::string stale = games + "/.rindou-Ab12Cd", fresh = games + "/.rindou-Ef34Gh";
    std::ofstream(stale) << "half a record";
    std::ofstream(fresh) << "half a record";
    fs::last_write_time(stale, fs::file_time_type::clock::now() - std::chrono::hours(2));

    run("menu START\nmove 7 7 7 6\nkey 27\n");
    std::vector<std::string> names = kept();
    EXPECT_EQ(names.size(), 1004u);  // 1000 kept games and the player's four
    EXPECT_FALSE(fs::exists(games + "/2020-01-01_00-00-00.棋譜"));
    EXPECT_TRUE(fs::exists(games + "/2020-01-01_00-01-00.棋譜"));
    EXPECT_TRUE(fs::exists(games + "/mine.棋譜"));
    EXPECT_TRUE(fs::is_regular_file(games + "/2019-05-05_12-00-00.棋譜"));
    EXPECT_TRUE(fs::is_directory(games + "/2019-05-05_12-00-01.棋譜"));
    EXPECT_TRUE(fs::is_fifo(games + "/2019-05-05_12-00-02.棋譜"));
    EXPECT_FALSE(fs::exists(stale));
    EXPECT_TRUE(fs::exists(fresh));
}

TEST_F(KeptGames, AFileOfTheSameNameIsNeverReplaced) {
    FolderShelf shelf(games);
    EXPECT_EQ(shelf.put("a.棋譜", "first"), GameShelf::Put::Written);
    EXPECT_EQ(shelf.put("a.棋譜", "second"), GameShelf::Put::Taken);
    std::string bytes;
    ASSERT_TRUE(shelf.get("a.棋譜", bytes, 100));
    EXPECT_EQ(bytes, "first");
    EXPECT_FALSE(shelf.get("a.棋譜", bytes, 4)) << "larger than asked for";
    fs::create_directory(games + "/d.棋譜");
    EXPECT_FALSE(shelf.get("d.棋譜", bytes, 100));
    shelf.remove("d.棋譜");
    EXPECT_TRUE(fs::is_directory(games + "/d.棋譜"));
    EXPECT_EQ(kept(), (std::vector<std::string>{"a.棋譜", "d.棋譜"})) << "no temporary file left";
}

TEST_F(KeptGames, PastTheFileSizeLimitTheSaveIsRefusedAndThePlayGoesOn) {
    // Any write of a byte is past a limit of nothing.
    const std::string record = dir + "/r.棋譜";
    const std::string input = dir + "/input.txt";
    std::ofstream(input) << "menu START\nmove 7 7 7 6\nsave " << dir
                         << "|r.棋譜|a|b|c\nshow\nkey 27\n";
    // The output goes through a pipe, which the limit does not bound.
    const std::string command =
        "ulimit -f 0; XDG_DATA_HOME='" + dir + "' exec '" RINDOU_CLI "' < '" + input + "'";
    std::string out;
    FILE* p = ::popen(command.c_str(), "r");
    ASSERT_NE(p, nullptr);
    char buf[4096];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, p)) > 0;) out.append(buf, n);
    const int status = ::pclose(p);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    EXPECT_NE(out.find("棋譜を書き込めませんでした"), std::string::npos) << out;
    EXPECT_NE(out.find("quit"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(record));
    EXPECT_TRUE(kept().empty());
    for (fs::directory_iterator it(dir), end; it != end; ++it)
        EXPECT_FALSE(is_temporary_file_name(it->path().filename().string()));
}

}  // namespace
}  // namespace rindou::test
