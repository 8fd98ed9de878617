// The program's sound operations over a logging sound library.
#include <gtest/gtest.h>

#include "core/files.h"
#include "play/flow.h"
#include "play/sound.h"
#include "shell/start.h"
#include "tests/shell/fake_platform.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

TEST(SoundOps, StartUpLoadsTheFourFilesInOrderAndShutdownFreesThemInOrder) {
    FakePlatform io;
    io.set_ini(std::string("BGM=OFF\r\n"));
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    std::vector<std::string> start = {
        "init",
        "create その他.wav ctx7 flag3 -> 1",
        "create 禁止.wav ctx7 flag3 -> 2",
        "create 駒打音.wav ctx7 flag3 -> 3",
        "create BGM.wav ctx7 flag1 -> 4",
    };
    EXPECT_EQ(io.sound.log, start);

    io.sound.log.clear();
    play_other_sound(g);
    play_refusal_sound(g);
    play_piece_sound(g);
    start_music(g);
    stop_music(g);
    std::vector<std::string> plays = {"play 1", "play 2", "play 3", "loop 4", "stop 4"};
    EXPECT_EQ(io.sound.log, plays);

    io.sound.log.clear();
    EXPECT_TRUE(run_at_once(g, quit_program(g)));
    std::vector<std::string> stop = {"free 1", "free 2", "free 3", "free 4", "terminate 7"};
    EXPECT_EQ(io.sound.log, stop);
}

TEST(SoundOps, NoDeviceWarnsOnceAndLeavesEveryHandleZero) {
    FakePlatform io;
    io.sound.context_result = 0;
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    EXPECT_EQ(io.messages,
              std::vector<std::string>{"Rindou.dll|Direct Soundインターフェースが作成できません。"});
    EXPECT_EQ(io.sound.created, 0);
    EXPECT_EQ(g.sound.other + g.sound.refusal + g.sound.piece + g.sound.music, 0);

    io.sound.log.clear();
    EXPECT_TRUE(run_at_once(g, quit_program(g)));
    // No context: the buffers (all 0) are freed, the library is not terminated.
    std::vector<std::string> stop = {"free 0", "free 0", "free 0", "free 0"};
    EXPECT_EQ(io.sound.log, stop);
}

TEST(SoundOps, AMissingLibraryIsSilentAndSaysNothing) {
    FakePlatform io;
    io.with_sound = false;
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    play_piece_sound(g);
    EXPECT_TRUE(io.messages.empty());
    EXPECT_EQ(g.sound.piece, 0);
    EXPECT_TRUE(run_at_once(g, quit_program(g)));
}

// Data files that exist but cannot be read: one refused by the system, one
// refused by the reader itself.
class UnreadableFiles : public FakePlatform {
public:
    FileRead read_data_file(const std::string& name, std::vector<unsigned char>&,
                            std::error_code& error) override {
        if (name == "BGM.wav")
            error = FileError::TooLarge;
        else
            error = std::make_error_code(std::errc::permission_denied);
        return FileRead::Failed;
    }
};

TEST(SoundOps, AnUnreadableFileShowsTheSystemsDescriptionAndGivesNoBuffer) {
    UnreadableFiles io;
    io.set_ini(std::string("BGM=ON\r\n"));
    GameInPlay g;
    g.io = &io;
    test::now(g, start_up(g));
    ASSERT_EQ(io.messages.size(), 4u);
    EXPECT_EQ(io.messages[0], "Rindou.dll|Permission denied");
    EXPECT_EQ(io.messages[3], "Rindou.dll|file too large");
    EXPECT_EQ(io.sound.created, 0);
    EXPECT_EQ(io.sound.calls("loop"), std::vector<std::string>{"loop 0"});
}

}  // namespace
}  // namespace rindou::test
