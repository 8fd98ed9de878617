// The console front end's record commands, as a script and its transcript.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <unistd.h>

#include "tests/support/console.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

class RecordConsole : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/rindou-console-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir, ec);
    }
    std::string dir;
};

TEST_F(RecordConsole, SaveLoadAndStepThrough) {
    std::string script =
        "menu START\n"
        "move 5 7 5 6\n"
        "move 4 3 4 4\n"
        "save " + dir + "|対局|名人戦|先手|後手\n"
        "load " + dir + "/対局.棋譜\n"
        "click 1 5 5\n"
        "menu AFTER\n"
        "menu AFTER\n"
        "menu AFTER\n"
        "menu REVERSE\n"
        "menu REPLAY\n"
        "menu START\n"
        "menu REVERSE\n"
        "menu REPLAY\n"
        "menu AFTER\n"
        "save " + dir + "|x|g|a|b\n";
    std::string expected =
        "music on\n"
        "ready\n"
        "message  |先手の番です\nok\n"
        "sound piece\nok\n"
        "sound piece\nok\n"
        "message   |棋譜を書き込みました\nok\n"
        "message 棋譜| 読み込みました\n"
        "message 棋譜|棋譜を '進 'で進めて下さい\nok\n"
        "ask 棋譜|棋譜を '進 'で進めて下さい -> yes\nok\n"
        "sound piece\nok\n"
        "sound piece\nok\n"
        "message 進む|終わり\nok\n"
        "sound refusal\nmessage 反転|棋譜ﾓｰﾄﾞではできません\nok\n"
        "sound piece\nok\n"
        "message  |後手の番です\nok\n"
        "sound piece\nok\n"
        "sound refusal\nmessage 戻る|できません\nok\n"
        "sound refusal\nmessage 進む|できません\nok\n"
        "message 棋譜書込|反転後は書き込みできません\nok\n";
    EXPECT_EQ(run_console(script), expected);
}

TEST_F(RecordConsole, RefusedFilesChangeNothing) {
    std::string script =
        "menu START\n"
        "move 5 7 5 6\n"
        "load " + dir + "/none.棋譜\n"
        "show\n";
    std::string out = run_console(script);
    EXPECT_NE(out.find("message 棋譜|棋譜ﾌｧｲﾙを読み込めませんでした\nok\n"), std::string::npos);
    EXPECT_NE(out.find("record count 1 end 1 mode 0 flipped 0\n"), std::string::npos);
}

}  // namespace
}  // namespace rindou::test
