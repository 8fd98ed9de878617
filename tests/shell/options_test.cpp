// The option commands: backgrounds, move guidance, the elapsed-time display,
// music, the help page and the about box.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "play/flow.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/start.h"
#include "tests/shell/fake_platform.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

struct Options : ::testing::Test {
    void SetUp() override {
        g.io = &io;
        test::now(g, start_up(g));
        io.draw_log.clear();
        io.writes.clear();
        io.sound.log.clear();
    }
    bool drew(const std::string& line) const {
        return std::find(io.draw_log.begin(), io.draw_log.end(), line) != io.draw_log.end();
    }
    std::string file() const { return utf8(io.ini); }
    FakePlatform io;
    GameInPlay g;
};

TEST_F(Options, ChoosingTheCheckedBackgroundStillRewritesAndRedraws) {
    ASSERT_TRUE(g.st.menu().midori);
    test::now(g, menu_command(g, "MIDORI"));
    EXPECT_EQ(io.writes.size(), 1u);
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n");
    EXPECT_TRUE(drew("image 2 (-3,-2)"));
    EXPECT_EQ(io.draw_log.back(), "present");
}

TEST_F(Options, ChoosingABackgroundChecksOnlyItAndRedrawsWithIt) {
    const std::pair<const char*, int> entries[] = {
        {"TAKE", BG_TAKE}, {"UCHU", BG_UCHU}, {"TATAMI", BG_TATAMI}, {"RENGA", BG_RENGA},
        {"MIDORI", BG_MIDORI}};
    for (auto [entry, code] : entries) {
        io.draw_log.clear();
        test::now(g, menu_command(g, entry));
        EXPECT_EQ(g.st.background_code, code) << entry;
        for (const char* other : {"MIDORI", "TATAMI", "TAKE", "UCHU", "RENGA"})
            EXPECT_EQ(menu_checked(g.st, other), std::string(other) == entry) << entry;
        EXPECT_TRUE(drew("image " + std::to_string(code) + " (-3,-2)")) << entry;
        // The background painted is the new one only.
        const std::string chosen = "image " + std::to_string(code) + " ";
        EXPECT_EQ(std::count_if(io.draw_log.begin(), io.draw_log.end(),
                                [&](const std::string& l) {
                                    return l.rfind("image ", 0) == 0 && l.rfind(chosen, 0) != 0 &&
                                           l.find("(-3,") != std::string::npos;
                                }),
                  0)
            << entry;
    }
}

TEST_F(Options, TheMarkFollowsABackgroundSetWithoutTheMenuAndItsEntryStillApplies) {
    test::now(g, menu_command(g, "TAKE"));
    select_background(g.st, BG_MIDORI);  // as a game put aside brings its own back
    ASSERT_TRUE(g.st.menu().midori);
    ASSERT_FALSE(g.st.menu().take);
    io.draw_log.clear();
    test::now(g, menu_command(g, "MIDORI"));
    EXPECT_EQ(g.st.background_code, BG_MIDORI);
    EXPECT_TRUE(drew("image 2 (-3,-2)"));
}

TEST_F(Options, GuidanceOffWipesEveryBoardAndHandFrame) {
    test::now(g, menu_command(g, "SIDOU"));
    EXPECT_TRUE(g.st.menu().sidou);
    EXPECT_EQ(g.st.guidance_on, 1);
    EXPECT_EQ(g.st.guidance_colour(), 15);
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=ON\r\n経過時間=ON\r\nBGM=ON\r\n");
    for (const auto& l : io.draw_log) EXPECT_EQ(l.rfind("outline", 0), std::string::npos);

    io.draw_log.clear();
    test::now(g, menu_command(g, "SIDOU"));
    std::vector<std::string> outlines;
    for (const auto& l : io.draw_log)
        if (l.rfind("outline", 0) == 0) outlines.push_back(l);
    std::vector<std::string> expected;
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r)
            expected.push_back("outline 2 (" + std::to_string(c) + "," + std::to_string(r) + ")");
    for (int i = 1; i <= 7; ++i) {
        expected.push_back("outline 2 (-1," + std::to_string(i) + ")");
        expected.push_back("outline 2 (11," + std::to_string(i + 2) + ")");
    }
    EXPECT_EQ(outlines, expected);
    EXPECT_FALSE(g.st.menu().sidou);
    EXPECT_EQ(g.st.guidance_on, 0);
    EXPECT_EQ(g.st.guidance_colour(), 2);
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n");
}

TEST_F(Options, ElapsedTimeClearsLowerFirstAndDrawsUpperFirst) {
    g.st.upper_time_total = 3725;
    g.st.lower_time_total = 5;
    ASSERT_TRUE(g.st.menu().keika);
    g.st.timer_enabled = true;

    test::now(g, menu_command(g, "KEIKA"));
    EXPECT_FALSE(g.st.menu().keika);
    EXPECT_FALSE(g.st.timer_enabled);
    std::vector<std::string> off = {"image 2 (13,9)", "image 2 (14,9)", "image 2 (15,9)",
                                    "image 2 (-2,9)", "image 2 (-1,9)", "image 2 (0,9)",
                                    "present"};
    EXPECT_EQ(io.draw_log, off);
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=OFF\r\nBGM=ON\r\n");

    io.draw_log.clear();
    test::now(g, menu_command(g, "KEIKA"));
    EXPECT_TRUE(g.st.menu().keika);
    EXPECT_TRUE(g.st.timer_enabled);
    std::vector<std::string> on = {
        "image 2 (-2,9)",  "image 2 (-1,9)", "image 2 (0,9)",
        "text 0 12 (-1.5,9.3) 01:02:05",     "text 15 12 (-1.6,9.2) 01:02:05",
        "outline 2 (1,9)", "image 2 (13,9)", "image 2 (14,9)",
        "image 2 (15,9)",  "text 0 12 (13.1,9.3) 00:00:05",
        "text 15 12 (13,9.2) 00:00:05",      "present"};
    EXPECT_EQ(io.draw_log, on);
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n");
    // The totals are only shown, never changed.
    EXPECT_EQ(g.st.upper_time_total, 3725.0f);
    EXPECT_EQ(g.st.lower_time_total, 5.0f);
}

TEST_F(Options, MusicTogglesTheLoopAndWithoutAFileOnlyTheMarkAndFileChange) {
    int music = g.sound.music;
    ASSERT_NE(music, 0);
    test::now(g, menu_command(g, "BGM"));
    EXPECT_FALSE(g.st.menu().bgm);
    EXPECT_EQ(io.sound.log, std::vector<std::string>{"stop " + std::to_string(music)});
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");
    test::now(g, menu_command(g, "BGM"));
    EXPECT_TRUE(g.st.menu().bgm);
    EXPECT_EQ(io.sound.log.back(), "loop " + std::to_string(music));
    EXPECT_EQ(file(), "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n");

    // No sound files: the buffers are 0 and the calls on them do nothing.
    FakePlatform quiet;
    quiet.missing_sounds = true;
    GameInPlay h;
    h.io = &quiet;
    test::now(h, start_up(h));
    EXPECT_EQ(h.sound.music, 0);
    quiet.draw_log.clear();
    test::now(h, menu_command(h, "BGM"));
    test::now(h, menu_command(h, "BGM"));
    EXPECT_TRUE(h.st.menu().bgm);
    EXPECT_EQ(quiet.writes.size(), 3u);  // the first run's file and two saves
    EXPECT_TRUE(quiet.draw_log.empty());
    EXPECT_TRUE(quiet.messages.empty());
}

TEST_F(Options, HelpShowsTheUsersOwnPageFirstAsAFileAddressNeverOneOfTheCurrentFolder) {
    namespace fs = std::filesystem;
    fs::path dir = fs::temp_directory_path() / "rindou help 棋譜";
    fs::create_directories(dir / "rindou");
    std::ofstream(dir / "rindou" / "Rindou.htm") << "<html></html>";
    // A page in the folder the game was started in is not the help page.
    io.folder = dir.string();
    std::ofstream(dir / "Rindou.htm") << "<html>decoy</html>";
    const char* was = getenv("XDG_DATA_HOME");
    std::string old = was ? was : "";
    setenv("XDG_DATA_HOME", dir.c_str(), 1);
    test::now(g, menu_command(g, "KAISETU"));
    ASSERT_EQ(io.help_pages.size(), 1u);
    EXPECT_TRUE(io.pages.empty()) << "help never waits on the desktop's browser";
    EXPECT_EQ(io.help_pages[0], "file://" + fs::temp_directory_path().string() +
                                    "/rindou%20help%20%E6%A3%8B%E8%AD%9C/rindou/Rindou.htm");

    // Without a page of the user's the installed copy is shown.
    fs::remove(dir / "rindou" / "Rindou.htm");
    test::now(g, menu_command(g, "KAISETU"));
    if (was)
        setenv("XDG_DATA_HOME", old.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(io.help_pages.size(), 2u);
    const std::string& page = io.help_pages[1];
    ASSERT_EQ(page.rfind("file:///", 0), 0u);
    EXPECT_TRUE(fs::is_regular_file(page.substr(7))) << page;
    EXPECT_EQ(page.substr(page.size() - 11), "/Rindou.htm");
    fs::remove_all(dir);
}

TEST_F(Options, AboutClosesThePanelsPlaysTheChimeAndOpensTheHomePageOnRequest) {
    test::now(g, menu_command(g, "VER"));
    std::vector<std::string> panel = {"hide lists", "empty boxes", "hide entry", "about box"};
    EXPECT_EQ(io.draw_log, panel);
    EXPECT_EQ(io.sound.log, std::vector<std::string>{"play " + std::to_string(g.sound.other)});
    EXPECT_TRUE(io.pages.empty());

    // The home page button opens the address the build gave, or without one
    // the help page.
    io.about_answer = true;
    test::now(g, menu_command(g, "VER"));
    if (home_page().empty()) {
        EXPECT_TRUE(io.pages.empty());
        ASSERT_EQ(io.help_pages.size(), 1u);
        EXPECT_EQ(io.help_pages[0].substr(io.help_pages[0].size() - 11), "/Rindou.htm");
    } else {
        EXPECT_EQ(io.pages, std::vector<std::string>{home_page()});
    }
}

}  // namespace
}  // namespace rindou::test
