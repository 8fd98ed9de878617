// The settings file: first run, partial and damaged files, the order of the
// lines written, and what a file that cannot be read or written leaves.
#include <gtest/gtest.h>

#include <algorithm>

#include "play/flow.h"
#include "shell/settings.h"
#include "shell/start.h"
#include "tests/shell/fake_platform.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

int menu_count(const GameState& s) {
    const MenuMarks m = s.menu();
    return int(m.midori) + int(m.take) + int(m.tatami) + int(m.uchu) + int(m.renga);
}

const std::string DEFAULT_FILE = "背景画=緑\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n";

struct Started {
    // No settings file.
    Started() {
        g.io = &io;
        test::now(g, start_up(g));
    }
    explicit Started(const std::string& ini_utf8) {
        io.set_ini(cp932(ini_utf8));
        g.io = &io;
        test::now(g, start_up(g));
    }
    std::string file() const { return utf8(io.ini); }
    bool drew(const std::string& line) const {
        return std::find(io.draw_log.begin(), io.draw_log.end(), line) != io.draw_log.end();
    }
    FakePlatform io;
    GameInPlay g;
};

TEST(SettingsLoad, FirstRunWritesTheDefaultsAndStartsTheMusic) {
    Started s;
    ASSERT_EQ(s.io.writes.size(), 1u);
    // The exact bytes: CP932 text, CR LF endings, four lines in this order.
    const std::string expected =
        "\x94\x77\x8c\x69\x89\xe6=\x97\xce\r\n"
        "\x88\xda\x93\xae\x8e\x77\x93\xb1=OFF\r\n"
        "\x8c\x6f\x89\xdf\x8e\x9e\x8a\xd4=ON\r\n"
        "BGM=ON\r\n";
    EXPECT_EQ(s.io.writes[0], expected);
    EXPECT_EQ(s.file(), DEFAULT_FILE);

    const MenuMarks m = s.g.st.menu();
    EXPECT_TRUE(m.midori);
    EXPECT_FALSE(m.take || m.tatami || m.uchu || m.renga);
    EXPECT_FALSE(m.sidou);
    EXPECT_TRUE(m.keika);
    EXPECT_TRUE(m.bgm);
    EXPECT_EQ(s.g.st.background_code, BG_MIDORI);
    EXPECT_EQ(s.g.st.guidance_on, 0);
    EXPECT_EQ(s.g.st.guidance_colour(), 2);
    EXPECT_TRUE(s.drew("image 2 (-3,-2)"));

    auto loops = s.io.sound.calls("loop");
    ASSERT_EQ(loops.size(), 1u);
    EXPECT_EQ(s.io.sound.names[std::stoi(loops[0].substr(5))], "BGM.wav");
    EXPECT_TRUE(s.io.messages.empty());
}

TEST(SettingsLoad, FirstRunWithAFolderThatCannotBeWrittenStillAppliesTheDefaults) {
    FakePlatform io;
    io.failing_writes = 5;
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    EXPECT_TRUE(g.st.menu().midori && g.st.menu().keika && g.st.menu().bgm);
    EXPECT_EQ(io.sound.calls("loop").size(), 1u);
    EXPECT_TRUE(io.messages.empty());
}

TEST(SettingsLoad, AFileWithOnlyTheMusicLineKeepsTheOtherMarksAndPlaysNothing) {
    Started s(std::string("BGM=OFF\r\n"));
    const MenuMarks m = s.g.st.menu();
    EXPECT_FALSE(m.bgm);
    EXPECT_TRUE(s.io.sound.calls("loop").empty());
    // The marks of the window's design.
    EXPECT_TRUE(m.midori);
    EXPECT_FALSE(m.take || m.tatami || m.uchu || m.renga);
    EXPECT_FALSE(m.sidou);
    EXPECT_TRUE(m.keika);
    EXPECT_EQ(s.g.st.guidance_on, 0);
    EXPECT_EQ(s.g.st.guidance_colour(), 2);
    EXPECT_EQ(s.g.st.background_code, BG_MIDORI);
    // Reading never writes.
    EXPECT_TRUE(s.io.writes.empty());
}

TEST(SettingsLoad, OnlyTheExactWordOnSwitchesASettingOn) {
    for (const char* value : {"on", "On", "ＯＮ", "ON ", " ON", "", "YES"}) {
        Started s("移動指導=" + std::string(value) + "\r\n経過時間=" + value + "\r\nBGM=" + value +
                  "\r\n");
        EXPECT_FALSE(s.g.st.menu().sidou) << value;
        EXPECT_EQ(s.g.st.guidance_on, 0) << value;
        EXPECT_EQ(s.g.st.guidance_colour(), 2) << value;
        EXPECT_FALSE(s.g.st.menu().keika) << value;
        EXPECT_FALSE(s.g.st.menu().bgm) << value;
        EXPECT_TRUE(s.io.sound.calls("loop").empty()) << value;
    }
    Started on("移動指導=ON\r\n経過時間=ON\r\nBGM=ON\r\n");
    EXPECT_TRUE(on.g.st.menu().sidou);
    EXPECT_EQ(on.g.st.guidance_on, 1);
    EXPECT_EQ(on.g.st.guidance_colour(), 15);
    EXPECT_TRUE(on.g.st.menu().keika);
    EXPECT_TRUE(on.g.st.menu().bgm);
    EXPECT_EQ(on.io.sound.calls("loop").size(), 1u);
}

TEST(SettingsLoad, BackgroundNamesSelectTheirCodeAndUnknownNamesChangeNothing) {
    const std::pair<const char*, int> names[] = {
        {"緑", BG_MIDORI}, {"竹", BG_TAKE}, {"畳", BG_TATAMI}, {"宇宙", BG_UCHU}, {"煉瓦", BG_RENGA}};
    for (auto [name, code] : names) {
        Started s("背景画=" + std::string(name) + "\r\n");
        EXPECT_EQ(s.g.st.background_code, code) << name;
        EXPECT_TRUE(s.drew("image " + std::to_string(code) + " (-3,-2)")) << name;
        EXPECT_EQ(menu_count(s.g.st), 1) << name;
    }
    for (const char* name : {"桜", "green", "緑 ", "竹竹"}) {
        Started s("背景画=竹\r\n背景画=" + std::string(name) + "\r\n");
        EXPECT_EQ(s.g.st.background_code, BG_TAKE) << name;
        EXPECT_TRUE(s.g.st.menu().take) << name;
        EXPECT_EQ(menu_count(s.g.st), 1) << name;
    }
}

TEST(SettingsLoad, LineEndingsDamagedBytesAndStrayLinesAreTolerated) {
    // LF only, a lone CR, no ending on the last line, a line without "=",
    // an unknown key, and bytes that are no CP932 text at all.
    FakePlatform io;
    io.set_ini(std::string("\xff\xfe=1\nnonsense\rcolour=red\r\n") + cp932("背景画=煉瓦") +
             "\r\n" + cp932("移動指導=ON") + "\n" + "BGM=OFF");
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    EXPECT_EQ(g.st.background_code, BG_RENGA);
    EXPECT_TRUE(g.st.menu().renga);
    EXPECT_TRUE(g.st.menu().sidou);
    EXPECT_FALSE(g.st.menu().bgm);

    // A lead byte cut off at the end of the file.
    FakePlatform cut;
    cut.set_ini(cp932("背景画=畳\r\n") + "\x94");
    GameInPlay h;
    h.io = &cut;
    test::now(h, start_up(h));
    EXPECT_EQ(h.st.background_code, BG_TATAMI);
}

TEST(SettingsLoad, ALaterLineWinsAndTheMusicFollowsTheMark) {
    Started s(std::string("BGM=ON\r\n背景画=竹\r\nBGM=OFF\r\n背景画=宇宙\r\n移動指導=ON\r\n移動指導=x\r\n"));
    EXPECT_FALSE(s.g.st.menu().bgm);
    auto loops = s.io.sound.calls("loop");
    auto stops = s.io.sound.calls("stop");
    ASSERT_EQ(loops.size(), 1u);
    ASSERT_EQ(stops.size(), 1u);
    EXPECT_EQ(loops[0].substr(5), stops[0].substr(5));
    EXPECT_EQ(s.g.st.background_code, BG_UCHU);
    EXPECT_TRUE(s.g.st.menu().uchu);
    EXPECT_FALSE(s.g.st.menu().take);
    EXPECT_FALSE(s.g.st.menu().sidou);
    EXPECT_EQ(s.g.st.guidance_colour(), 2);
}

TEST(SettingsSave, LinesAreAlwaysWrittenInTheSameOrderAfterAnyToggle) {
    Started s(std::string("BGM=ON\n経過時間=OFF\n移動指導=ON\n背景画=宇宙"));
    toggle_music(s.g);
    EXPECT_EQ(s.file(), "背景画=宇宙\r\n移動指導=ON\r\n経過時間=OFF\r\nBGM=OFF\r\n");
    toggle_elapsed_time(s.g);
    EXPECT_EQ(s.file(), "背景画=宇宙\r\n移動指導=ON\r\n経過時間=ON\r\nBGM=OFF\r\n");
    toggle_guidance(s.g);
    EXPECT_EQ(s.file(), "背景画=宇宙\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");
    choose_background(s.g, BG_RENGA);
    EXPECT_EQ(s.file(), "背景画=煉瓦\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");
    toggle_music(s.g);
    EXPECT_EQ(s.file(), "背景画=煉瓦\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=ON\r\n");
    // Every command rewrote the whole file once.
    EXPECT_EQ(s.io.writes.size(), 5u);
}

TEST(SettingsSave, TheBackgroundInEffectIsRecordedAndOneWithoutANameWritesNoLine) {
    Started s(std::string("BGM=OFF\r\n"));
    s.g.st.background_code = BG_TATAMI;
    save_settings(s.g);
    EXPECT_EQ(s.file(), "背景画=畳\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");
    s.g.st.background_code = BG_TAKE;
    save_settings(s.g);
    EXPECT_EQ(s.file(), "背景画=竹\r\n移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");
    s.g.st.background_code = 0;
    save_settings(s.g);
    EXPECT_EQ(s.file(), "移動指導=OFF\r\n経過時間=ON\r\nBGM=OFF\r\n");

    // What was written reads back to the same marks.
    select_background(s.g.st, BG_UCHU);
    s.g.st.guidance_on = 1;
    save_settings(s.g);
    Started again(s.file());
    EXPECT_TRUE(again.g.st.menu().uchu);
    EXPECT_EQ(again.g.st.background_code, BG_UCHU);
    EXPECT_TRUE(again.g.st.menu().sidou);
    EXPECT_FALSE(again.g.st.menu().bgm);
}

// A write that fails keeps the old file and the new choice, in effect and
// marked: the marks never lie about what is in effect.
TEST(SettingsSave, AFailedWriteKeepsTheOldFileAndTheNewChoiceInEffectAndMarked) {
    const std::string old_file = "背景画=竹\r\n移動指導=ON\r\n経過時間=OFF\r\nBGM=OFF\r\n";
    Started s(old_file);
    s.io.draw_log.clear();
    s.io.failing_writes = 10;
    toggle_elapsed_time(s.g);
    ASSERT_EQ(s.io.writes.size(), 1u);
    EXPECT_EQ(utf8(s.io.writes[0]), "背景画=竹\r\n移動指導=ON\r\n経過時間=ON\r\nBGM=OFF\r\n");
    EXPECT_EQ(s.file(), old_file);
    const GameState& st = s.g.st;
    EXPECT_TRUE(st.menu().take && !st.menu().midori);
    EXPECT_TRUE(st.menu().sidou);
    EXPECT_TRUE(st.menu().keika);
    EXPECT_EQ(st.background_code, BG_TAKE);
    EXPECT_EQ(st.guidance_on, 1);

    // The music: switched on, it plays and stays marked; switched off again,
    // it stops, and the next click starts it once more.
    toggle_music(s.g);
    EXPECT_TRUE(st.menu().bgm);
    EXPECT_EQ(s.io.sound.calls("loop").size(), 1u);
    toggle_music(s.g);
    EXPECT_FALSE(st.menu().bgm);
    EXPECT_EQ(s.io.sound.calls("stop").size(), 1u);
    toggle_music(s.g);
    EXPECT_TRUE(st.menu().bgm);
    EXPECT_EQ(s.io.sound.calls("loop").size(), 2u);
    EXPECT_EQ(s.file(), old_file);
}

// A file that is there but cannot be read holds the user's settings: the
// defaults apply for this run, and the file is not replaced until the user
// changes a setting.
TEST(SettingsLoad, AFileThatExistsButCannotBeReadIsNotReplaced) {
    FakePlatform io;
    io.unreadable_ini = true;
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    EXPECT_TRUE(io.writes.empty());
    EXPECT_TRUE(g.st.menu().midori && g.st.menu().keika && g.st.menu().bgm && !g.st.menu().sidou);
    EXPECT_EQ(io.sound.calls("loop").size(), 1u);
    toggle_guidance(g);
    ASSERT_EQ(io.writes.size(), 1u);
    EXPECT_EQ(utf8(io.writes[0]), "背景画=緑\r\n移動指導=ON\r\n経過時間=ON\r\nBGM=ON\r\n");
}

}  // namespace
}  // namespace rindou::test
