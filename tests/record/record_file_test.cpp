// Saving and loading record files through the panel's commands.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <unistd.h>

#include "core/files.h"
#include "core/null_platform.h"
#include "play/record_commands.h"
#include "play/replay.h"
#include "record/kifu_text.h"
#include "record/record_file.h"
#include "tests/support/position.h"
#include "tests/support/record_games.h"
#include "tests/support/test_game.h"

namespace rindou::test {
namespace {

namespace fs = std::filesystem;

class RecordFiles : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/rindou-record-XXXXXX";
        ASSERT_NE(::mkdtemp(tmpl), nullptr);
        dir = tmpl;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }

    // The write command, the four boxes, the save button.
    std::string save(TestGame& t, const std::string& file, const std::string& game = "対局",
                     const std::string& first = "先手", const std::string& second = "後手",
                     std::string folder = "") {
        t.take();
        t.menu("KIFU_WRITE");
        if (t.io.entry_shown) {
            t.io.folder = folder.empty() ? dir : folder;
            t.io.boxes[0] = game;
            t.io.boxes[1] = first;
            t.io.boxes[2] = second;
            t.io.boxes[3] = file;
            test::now(t.g, save_record(t.g));
        }
        return t.take();
    }
    std::string load(TestGame& t, const std::string& path) {
        t.take();
        t.menu("KIFU_READ");
        test::now(t.g, load_record(t.g, path));
        return t.take();
    }
    std::string write(const std::string& name, const std::string& bytes) {
        std::string path = dir + "/" + name;
        std::ofstream(path, std::ios::binary) << bytes;
        return path;
    }
    static std::string read(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    static std::string line(int fc, int fr, int tc, int tr, int after, int before, int captured,
                            int lb = 0, int la = 0, int ub = 0, int ua = 0) {
        RecordEntry e;
        e.from_col = fc, e.from_row = fr, e.to_col = tc, e.to_row = tr;
        e.piece_after = after, e.piece_before = before, e.captured = captured;
        e.times.lower_before = static_cast<float>(lb), e.times.lower_after = static_cast<float>(la);
        e.times.upper_before = static_cast<float>(ub), e.times.upper_after = static_cast<float>(ua);
        std::string text;
        EXPECT_TRUE(format_move_line(e, text));
        return text + "\r\n";
    }
    static std::string headers() { return "game\r\nupper\r\nlower\r\n"; }

    std::string dir;
};

const std::string LOADED = "message 棋譜| 読み込みました\n";
const std::string STEP_ON = "message 棋譜|棋譜を '進 'で進めて下さい\n";

TEST_F(RecordFiles, SavedFileHoldsHeadersAndOneLinePerMove) {
    TestGame t;
    play_long_game(t, 3);
    EXPECT_EQ(save(t, "three", "名人戦", "羽生", "ｱｲｳ"), "message   |棋譜を書き込みました\n");
    EXPECT_FALSE(t.io.entry_shown);
    EXPECT_FALSE(t.io.lists_shown);
    EXPECT_EQ(t.io.boxes[0], "");
    const GameState& s = t.g.st;
    // The lower side moved first: line 2 is the second player, line 3 the first.
    ASSERT_EQ(s.lower_turn, s.sente_turn);
    std::string expected = "\x96\xBC\x90\x6C\x90\xED\r\n\xB1\xB2\xB3\r\n\x89\x48\x90\xB6\r\n";
    for (int i = 1; i <= 3; ++i) {
        std::string text;
        ASSERT_TRUE(format_move_line(s.record[static_cast<size_t>(i)], text));
        expected += text + "\r\n";
    }
    EXPECT_EQ(read(dir + "/three.棋譜"), expected);
}

TEST_F(RecordFiles, FirstPlayerOnLineTwoWhenTheUpperSideMovedFirst) {
    TestGame t;
    play_long_game(t, 1);
    t.g.st.sente_turn = t.g.st.upper_turn();  // as after loading an upper-first record
    save(t, "names", "g", "first", "second");
    EXPECT_EQ(read(dir + "/names.棋譜").substr(0, 16), "g\r\nfirst\r\nsecond");
}

TEST_F(RecordFiles, SavingAfterSteppingBackSavesUpToThePositionShown) {
    TestGame t;
    play_long_game(t, 5);
    t.menu("REPLAY");
    t.menu("REPLAY");
    save(t, "part");
    std::vector<std::string> lines = split_lines(read(dir + "/part.棋譜"));
    ASSERT_EQ(lines.size(), 6u);
    std::string third;
    ASSERT_TRUE(format_move_line(t.g.st.record[3], third));
    EXPECT_EQ(lines[5], third);
}

TEST_F(RecordFiles, AWholeGameSavedAndLoadedReplaysToTheSamePosition) {
    TestGame played;
    play_long_game(played);
    save(played, "whole");

    TestGame t;
    EXPECT_EQ(load(t, dir + "/whole.棋譜"), LOADED + STEP_ON);
    const GameState& s = t.g.st;
    EXPECT_EQ(s.record_mode, 1);
    EXPECT_EQ(s.record_end, 60);
    EXPECT_EQ(s.record_count, 0);
    EXPECT_EQ(s.game_mode, MODE_HUMAN);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
    for (int i = 0; i < 60; ++i) t.menu("AFTER");
    EXPECT_TRUE(same_position(s, played.g.st));
    // The same side is to move (turn values may differ between the games).
    EXPECT_EQ(s.side_to_move == s.lower_turn,
              played.g.st.side_to_move == played.g.st.lower_turn);
    EXPECT_EQ(s.move_number, 60);
    t.take();
    // The end of a loaded record: no refusal sound.
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "message 進む|終わり\n");
    // Saved again, the record is the same file.
    save(t, "again");
    EXPECT_EQ(read(dir + "/again.棋譜").substr(12), read(dir + "/whole.棋譜").substr(12));
}

TEST_F(RecordFiles, AFileWhoseFirstMoveIsTheUpperSidesPlaysAgainstTheComputer) {
    TestGame t;
    std::string path = write("upper.棋譜", headers() + line(7, 3, 7, 4, 10, 10, 0, 0, 0, 0, 4) +
                                               line(7, 7, 7, 6, -10, -10, 0, 0, 3, 4, 4));
    EXPECT_EQ(load(t, path), LOADED + STEP_ON);
    GameState& s = t.g.st;
    EXPECT_EQ(s.game_mode, MODE_COM);
    EXPECT_EQ(s.sente_turn, s.upper_turn());
    EXPECT_EQ(s.gote_turn(), s.lower_turn);
    EXPECT_EQ(s.side_to_move, s.upper_turn());
    t.menu("AFTER");
    EXPECT_EQ(t.at(7, 4), 10);
    EXPECT_EQ(s.upper_time_total, 4.f);
    EXPECT_EQ(s.side_to_move, s.lower_turn);
}

TEST_F(RecordFiles, ShortLinesLoadWithZerosAndLineEndsMayBeBare) {
    TestGame t;
    std::string path = write("short.棋譜", "g\nu\nl\n 5756 -10 -10\n 4344  10  10   0   0   0   0");
    EXPECT_EQ(load(t, path), LOADED + STEP_ON);
    EXPECT_EQ(t.g.st.record_end, 2);
    EXPECT_EQ(t.g.st.record[1].times.lower_after, 0.f);
    t.menu("AFTER");
    t.menu("AFTER");
    EXPECT_EQ(t.at(4, 4), 10);
    EXPECT_EQ(t.at(5, 5), COIN);
}

TEST_F(RecordFiles, AnEmptyLineIsAnAllZeroMoveWhichStopsLoading) {
    // The empty line counts as move 2; a move from column 0 is no move, so
    // the one move before it is loaded and the line is named.
    TestGame t;
    std::string path = write("gap.棋譜", headers() + line(5, 7, 5, 6, -10, -10, 0) + "\r\n" +
                                             line(5, 3, 5, 4, 10, 10, 0));
    EXPECT_EQ(load(t, path),
              LOADED + "message 棋譜|5行目の指し手を読めません。1手目まで読み込みました\n" +
                  STEP_ON);
    EXPECT_EQ(t.g.st.record_end, 1);
}

TEST_F(RecordFiles, LoadingStopsAtTheFirstImpossibleMove) {
    TestGame t;
    // Move 3 moves a pawn that is no longer there.
    std::string path = write("stop.棋譜", headers() + line(5, 7, 5, 6, -10, -10, 0) +
                                              line(4, 3, 4, 4, 10, 10, 0) +
                                              line(5, 7, 5, 6, -10, -10, 0) +
                                              line(4, 7, 4, 6, -10, -10, 0));
    EXPECT_EQ(load(t, path),
              LOADED + "message 棋譜|6行目の指し手を読めません。2手目まで読み込みました\n" +
                  STEP_ON);
    EXPECT_EQ(t.g.st.record_end, 2);
    t.menu("AFTER");
    t.menu("AFTER");
    t.take();
    t.menu("AFTER");
    EXPECT_EQ(t.take(), "message 進む|終わり\n");
}

// Records kept somewhere other than files, as a page in a browser keeps them.
class MemoryRecords : public NullPlatform {
public:
    bool read_record(const std::string& path, std::string& bytes, std::error_code& error,
                     size_t max_bytes) override {
        auto it = files.find(path);
        if (it == files.end()) error = std::make_error_code(std::errc::no_such_file_or_directory);
        else if (it->second.size() > max_bytes) error = FileError::TooLarge;
        else bytes = it->second;
        return !error;
    }
    bool write_record(const std::string& path, const std::string& bytes,
                      std::error_code&) override {
        files[path] = bytes;
        return true;
    }
    std::map<std::string, std::string> files;
};

TEST_F(RecordFiles, RecordsAreReadAndWrittenThroughTheStoragePort) {
    TestGame t;
    MemoryRecords records;
    t.g.io.storage = &records;
    t.menu("START");
    t.move(7, 7, 7, 6);
    t.move(3, 3, 3, 4);
    EXPECT_EQ(save(t, "port"), "message   |棋譜を書き込みました\n");
    const std::string path = dir + "/port.棋譜";
    ASSERT_EQ(records.files.count(path), 1u);
    EXPECT_FALSE(fs::exists(path));
    // The same bytes a file gets.
    t.g.io.storage = &t.io;
    save(t, "port");
    EXPECT_EQ(read(path), records.files[path]);
    TestGame u;
    u.g.io.storage = &records;
    EXPECT_EQ(load(u, path), LOADED + STEP_ON);
    EXPECT_EQ(u.g.st.record_end, 2);
    records.files[path].assign(RECORD_FILE_LIMIT + 1, '0');
    EXPECT_EQ(load(u, path), "message 棋譜|棋譜ﾌｧｲﾙが大きすぎます\n");
}

TEST_F(RecordFiles, ASideMovesTwiceInARowOnlyWhenTheOtherPassed) {
    TestGame t;
    // From the start the upper side has moves: a second lower move is out of turn.
    std::string path = write("twice.棋譜", headers() + line(5, 7, 5, 6, -10, -10, 0) +
                                               line(4, 7, 4, 6, -10, -10, 0));
    EXPECT_EQ(load(t, path),
              LOADED + "message 棋譜|5行目の指し手を読めません。1手目まで読み込みました\n" +
                  STEP_ON);
    EXPECT_EQ(t.g.st.record_end, 1);

    // The upper king alone in its corner and the coin in the opposite one,
    // hemmed in: every upper move would carry the coin off the board or onto
    // a piece, so the upper side passes and the lower drops twice.
    Pos p;
    p.put(1, 1, OU).put(5, 5, -OU).put(9, 9, COIN).put(8, 8, -KIN).put(8, 9, -KIN).put(9, 8, -KIN);
    p.lower_hand(1, 2);
    const std::string drops = line(11, 3, 3, 5, -10, -10, 0) + line(11, 3, 4, 5, -10, -10, 0);
    EXPECT_EQ(read_record_file(headers() + drops, p.s).moves.size(), 2u);
    // With a rook that can move two squares sideways (the coin with it to an
    // empty square), the upper side had a move: the second drop is out of turn.
    p.put(6, 1, SYA);
    EXPECT_EQ(read_record_file(headers() + drops, p.s).moves.size(), 1u);
}

TEST_F(RecordFiles, FilesWithoutALoadableMoveLeaveTheGameAsItWas) {
    const std::string none = "message 棋譜|棋譜ﾌｧｲﾙにﾃﾞｰﾀがありません\n";
    const std::string first_bad = "message 棋譜|棋譜ﾌｧｲﾙにﾃﾞｰﾀがありません\\r\\r4行目の指し手を読めません\n";
    std::string binary;
    for (int i = 0; i < 4096; ++i) binary += static_cast<char>((i * 7919 + 13) % 256);
    struct Case {
        const char* name;
        std::string bytes;
        std::string message;
    };
    const Case cases[] = {
        {"empty", "", none},
        {"headers only", headers(), none},
        {"two lines", "game\r\nupper", none},
        {"binary", binary, ""},
        {"column 50", headers() + "5077 6-10 -10   0    0    0    0    0\r\n", first_bad},
        {"piece code 1234", headers() + line(7, 7, 7, 6, 1234, 1234, 0), first_bad},
        {"piece code 12", headers() + line(7, 7, 7, 6, -12, -12, 0), first_bad},
        {"promotion out of nothing", headers() + line(7, 7, 7, 6, -11, -10, 0), first_bad},
        {"upper hand slot 9", headers() + line(-1, 9, 5, 4, 10, 10, 0), first_bad},
        {"lower hand row 1", headers() + line(11, 1, 5, 6, -10, -10, 0), first_bad},
        {"drop from an empty hand", headers() + line(11, 3, 5, 6, -10, -10, 0), first_bad},
        {"coin off the board", headers() + line(2, 8, 6, 4, -800, -800, 0), first_bad},
        {"wrong captured code", headers() + line(7, 7, 7, 6, -10, -10, 10), first_bad},
        {"negative time", headers() + line(7, 7, 7, 6, -10, -10, 0, 0, -5), first_bad},
        {"tab in the line", headers() + " 7776 -10\t-10\r\n", first_bad},
        {"invalid bytes in the line", headers() + " 7776\xFF-10 -10\r\n", first_bad},
        {"kings only after a capture", headers() + line(5, 9, 5, 1, -950, -950, 950), first_bad},
    };
    for (const Case& c : cases) {
        TestGame t;
        play_long_game(t, 4);
        const GameState before = t.g.st;
        std::string out = load(t, write("bad.棋譜", c.bytes));
        if (!c.message.empty()) {
            EXPECT_EQ(out, c.message) << c.name;
        }
        EXPECT_EQ(out.find(LOADED), std::string::npos) << c.name;
        EXPECT_TRUE(same_position(t.g.st, before)) << c.name;
        EXPECT_EQ(t.g.st.record_count, 4) << c.name;
        EXPECT_EQ(t.g.st.record_mode, 0) << c.name;
        EXPECT_EQ(t.g.st.side_to_move, before.side_to_move) << c.name;
    }
}

TEST_F(RecordFiles, MoreThanFiveHundredMovesLoadTheFirstFiveHundred) {
    // The two kings step out and back, the coin going with them.
    std::string bytes = headers();
    for (int i = 0; i < 126; ++i)
        bytes += line(5, 9, 5, 8, -950, -950, 0) + line(5, 1, 5, 2, 950, 950, 0) +
                 line(5, 8, 5, 9, -950, -950, 0) + line(5, 2, 5, 1, 950, 950, 0);
    TestGame t;
    EXPECT_EQ(load(t, write("long.棋譜", bytes)),
              LOADED + "message 棋譜|棋譜は500手までです。504行目からは読み込みませんでした\n" +
                  STEP_ON);
    EXPECT_EQ(t.g.st.record_end, 500);
    for (int i = 0; i < 500; ++i) t.menu("AFTER");
    EXPECT_EQ(t.at(5, 9), -950);
    EXPECT_EQ(t.at(5, 5), COIN);
}

TEST_F(RecordFiles, UnreadableOrHugeFilesAreRefused) {
    TestGame t;
    EXPECT_EQ(load(t, dir + "/missing.棋譜"), "message 棋譜|棋譜ﾌｧｲﾙを読み込めませんでした\n");
    EXPECT_EQ(load(t, dir), "message 棋譜|棋譜ﾌｧｲﾙを読み込めませんでした\n");
    std::string huge = dir + "/huge.棋譜";
    { std::ofstream(huge, std::ios::binary) << "x"; }
    fs::resize_file(huge, 100u * 1024u * 1024u);  // sparse: nothing is written
    EXPECT_EQ(load(t, huge), "message 棋譜|棋譜ﾌｧｲﾙが大きすぎます\n");
    EXPECT_EQ(t.g.st.record_mode, 0);
}

TEST_F(RecordFiles, HeaderTextsInOtherEncodings) {
    GameState start;
    {
        TestGame t;
        start = t.g.st;
    }
    const std::string move = line(5, 7, 5, 6, -10, -10, 0);
    // Code page 932 with a stray byte: shown, the byte visibly replaced.
    RecordFile cp = read_record_file("\x91\xCE\x8B\xC7\xFF\r\n\x90\xE6\r\n\x8C\xE3\r\n" + move, start);
    EXPECT_EQ(cp.game_name, "対局\xEF\xBF\xBD");
    EXPECT_EQ(cp.upper_name, "先");
    EXPECT_EQ(cp.lower_name, "後");
    EXPECT_EQ(cp.moves.size(), 1u);
    // UTF-8 with and without a byte-order mark.
    RecordFile bom = read_record_file("\xEF\xBB\xBF名人戦\r\n上\r\n下\r\n" + move, start);
    EXPECT_EQ(bom.game_name, "名人戦");
    EXPECT_EQ(bom.moves.size(), 1u);
    RecordFile utf8 = read_record_file("名人戦\r\n上\r\n下\r\n" + move, start);
    EXPECT_EQ(utf8.lower_name, "下");
    EXPECT_EQ(utf8.moves.size(), 1u);
}

TEST_F(RecordFiles, LoadingHidesTheListsAndEndsAFlippedGame) {
    TestGame t;
    play_long_game(t, 2);
    t.menu("REVERSE");
    std::string path = write("one.棋譜", headers() + line(5, 7, 5, 6, -10, -10, 0));
    t.menu("KIFU_READ");
    EXPECT_TRUE(t.io.lists_shown);
    test::now(t.g, load_record(t.g, path));
    EXPECT_FALSE(t.io.lists_shown);
    EXPECT_EQ(t.g.st.flipped, 0);
    EXPECT_EQ(t.g.st.move_number, 0);
    EXPECT_EQ(t.at(5, 7), -10);
}

TEST_F(RecordFiles, SaveRefusals) {
    TestGame t;
    t.menu("START");
    EXPECT_EQ(save(t, ""), "message   |ﾌｧｲﾙ名が入力されていません\n");
    EXPECT_EQ(save(t, "x"), "message 棋譜保存|保存するデータがありません\n");
    play_long_game(t, 1);
    EXPECT_EQ(save(t, "a/b"), "message 棋譜保存|ﾌｧｲﾙ名が正しくありません\n");
    EXPECT_EQ(save(t, "x", "g", "f", "s", dir + "/no-such-folder"),
              "message 棋譜保存|棋譜を書き込めませんでした\\r\\rﾌｫﾙﾀﾞがありません\n");
    EXPECT_EQ(save(t, std::string(300, 'x')),
              "message 棋譜保存|棋譜を書き込めませんでした\\r\\rﾌｧｲﾙ名が長すぎます\n");
    fs::create_directory(dir + "/taken.棋譜");
    fs::create_directory(dir + "/taken.棋譜/inside");
    EXPECT_EQ(save(t, "taken"),
              "message 棋譜保存|棋譜を書き込めませんでした\\r\\r同じ名前のﾌｫﾙﾀﾞがあります\n");
    // A failed save leaves the panel open and no temporary file behind.
    EXPECT_TRUE(t.io.entry_shown);
    for (const auto& entry : fs::directory_iterator(dir))
        EXPECT_EQ(entry.path().filename().string().rfind(".rindou", 0), std::string::npos);
    t.menu("STOP");
    t.g.st.handicap_set = 1;
    EXPECT_EQ(save(t, "x"), "message 棋譜書込|ﾊﾝﾃﾞｷｬｯﾌﾟ設定後は書き込みできません\n");
    EXPECT_FALSE(t.io.entry_shown);
    t.g.st.flipped = 1;
    EXPECT_EQ(save(t, "x"), "message 棋譜書込|反転後は書き込みできません\n");
    EXPECT_FALSE(fs::exists(dir + "/x.棋譜"));
}

TEST_F(RecordFiles, AFlipWhileThePanelIsOpenLeavesNothingToSave) {
    TestGame t;
    play_long_game(t, 2);
    t.menu("KIFU_WRITE");
    t.menu("REVERSE");  // the panel stays as it is
    ASSERT_TRUE(t.io.entry_shown);
    t.io.folder = dir;
    t.io.boxes[3] = "flipped";
    t.take();
    test::now(t.g, save_record(t.g));
    EXPECT_EQ(t.take(), "message 棋譜保存|保存するデータがありません\n");
    // Were there moves again with the panel still open, the flip refuses.
    t.g.st.record_count = 1;
    test::now(t.g, save_record(t.g));
    EXPECT_EQ(t.take(), "message 棋譜書込|反転後は書き込みできません\n");
    EXPECT_FALSE(fs::exists(dir + "/flipped.棋譜"));
}

TEST_F(RecordFiles, NamesTheCodePageCannotHoldAreRefusedAndTheOldFileKept) {
    TestGame t;
    play_long_game(t, 2);
    save(t, "kept", "first save");
    const std::string old = read(dir + "/kept.棋譜");
    EXPECT_EQ(save(t, "kept", "☗名人戦"),
              "message 棋譜保存|対局名に棋譜ﾌｧｲﾙで使えない文字があります：☗\n");
    EXPECT_EQ(save(t, "kept", "g", "羽生☖"),
              "message 棋譜保存|先手名に棋譜ﾌｧｲﾙで使えない文字があります：☖\n");
    // A control character is named, never echoed raw.
    EXPECT_EQ(save(t, "kept", "g", "f", "a\rb"),
              "message 棋譜保存|後手名に棋譜ﾌｧｲﾙで使えない文字があります：\\\\x0D\n");
    EXPECT_EQ(save(t, "kept", "\x1b[2J"),
              "message 棋譜保存|対局名に棋譜ﾌｧｲﾙで使えない文字があります：\\\\x1B\n");
    EXPECT_EQ(save(t, "kept", "g", "\xC2\x9B" "2J"),
              "message 棋譜保存|先手名に棋譜ﾌｧｲﾙで使えない文字があります：\\\\xC2\\\\x9B\n");
    EXPECT_EQ(read(dir + "/kept.棋譜"), old);
}

TEST_F(RecordFiles, OverwritingReplacesTheWholeFile) {
    TestGame t;
    play_long_game(t, 6);
    save(t, "same");
    t.menu("REPLAY");
    t.menu("REPLAY");
    t.menu("REPLAY");
    save(t, "same");
    EXPECT_EQ(split_lines(read(dir + "/same.棋譜")).size(), 6u);
}

TEST_F(RecordFiles, WriteCommandRefusalsAndTheReadCommandEmptiesTheBoxes) {
    TestGame t;
    t.g.st.flipped = 1;
    t.g.st.handicap_set = 1;
    t.menu("KIFU_WRITE");
    EXPECT_EQ(t.take(), "message 棋譜書込|反転後は書き込みできません\n");
    EXPECT_FALSE(t.io.entry_shown);
    t.g.st.flipped = 0;
    t.menu("KIFU_WRITE");
    EXPECT_EQ(t.take(), "message 棋譜書込|ﾊﾝﾃﾞｷｬｯﾌﾟ設定後は書き込みできません\n");
    t.g.st.handicap_set = 0;
    t.io.boxes[1] = "kept";
    t.menu("KIFU_WRITE");
    EXPECT_TRUE(t.io.entry_shown);
    EXPECT_EQ(t.io.boxes[1], "kept");
    t.menu("KIFU_READ");
    EXPECT_TRUE(t.io.lists_shown);
    EXPECT_FALSE(t.io.entry_shown);
    EXPECT_EQ(t.io.boxes[1], "");
}

}  // namespace
}  // namespace rindou::test
