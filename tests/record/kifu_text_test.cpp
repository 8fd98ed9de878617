// The record file's text: move lines at their fixed positions, code page 932
// and the reading of lines.
#include <gtest/gtest.h>

#include "record/kifu_text.h"

namespace rindou {
namespace {

RecordEntry entry(int fc, int fr, int tc, int tr, int after, int before, int captured, float lb,
                  float la, float ub, float ua) {
    RecordEntry e;
    e.from_col = fc, e.from_row = fr, e.to_col = tc, e.to_row = tr;
    e.piece_after = after, e.piece_before = before, e.captured = captured;
    e.times.lower_before = lb, e.times.lower_after = la;
    e.times.upper_before = ub, e.times.upper_after = ua;
    return e;
}

std::string line_of(const RecordEntry& e) {
    std::string line;
    EXPECT_TRUE(format_move_line(e, line));
    return line;
}

TEST(MoveLine, SilverFirstMoveAfterTwelveSeconds) {
    // A lower silver from column 7, row 9 to column 6, row 8, no capture,
    // Thinking of twelve seconds and nine tenths (the fraction is dropped).
    std::string line = line_of(entry(7, 9, 6, 8, -100, -100, 0, 0, 12.9f, 0, 0));
    EXPECT_EQ(line, " 7968-100-100   0    0   12    0    0");
    EXPECT_EQ(line.size(), 37u);
}

TEST(MoveLine, FieldsStandAtTheirPositions) {
    // An upper rook takes a promoted lower bishop: -801 in positions 14-17.
    std::string capture = line_of(entry(2, 2, 2, 7, 900, 900, -801, 3, 3, 40, 45));
    EXPECT_EQ(capture.substr(13, 4), "-801");
    EXPECT_EQ(capture.substr(5, 4), " 900");
    // An upper drop: -1 in positions 1-2, the hand row in position 3.
    std::string drop = line_of(entry(-1, 7, 5, 4, 10, 10, 0, 0, 0, 0, 0));
    EXPECT_EQ(drop.substr(0, 2), "-1");
    EXPECT_EQ(drop.substr(2, 1), "7");
    // A lower drop from the hand cell column 11.
    EXPECT_EQ(line_of(entry(11, 3, 5, 6, -10, -10, 0, 0, 0, 0, 0)).substr(0, 3), "113");
    // The king: four characters with its sign.
    EXPECT_EQ(line_of(entry(5, 9, 5, 8, -950, -950, 0, 0, 0, 0, 0)).substr(5, 4), "-950");
}

TEST(MoveLine, TimesTooLongForTheirFieldStayInIt) {
    // 27 hours and more do not fit five characters: the field holds its
    // largest value and the line keeps its width, so it can still be read.
    RecordEntry e = entry(7, 7, 7, 6, -10, -10, 0, 123456.f, 1e9f, 99999.f, 100000.f);
    std::string line = line_of(e);
    ASSERT_EQ(line.size(), 37u);
    RecordEntry back;
    ASSERT_TRUE(parse_move_line(line, back));
    EXPECT_EQ(back.times.lower_before, 99999.f);
    EXPECT_EQ(back.times.lower_after, 99999.f);
    EXPECT_EQ(back.times.upper_before, 99999.f);
    EXPECT_EQ(back.times.upper_after, 99999.f);
    EXPECT_EQ(back.to_row, 6);
    EXPECT_EQ(time_field(-0.5f), 0);
    EXPECT_EQ(time_field(-123456.f), TIME_FIELD_MIN);
}

TEST(MoveLine, ShortAndEmptyLinesReadAsZeros) {
    RecordEntry e;
    ASSERT_TRUE(parse_move_line(" 7776 -10 -10", e));
    EXPECT_EQ(e.from_col, 7);
    EXPECT_EQ(e.to_row, 6);
    EXPECT_EQ(e.piece_before, -10);
    EXPECT_EQ(e.captured, 0);
    EXPECT_EQ(e.times.lower_after, 0.f);
    EXPECT_EQ(e.times.upper_after, 0.f);

    e.from_col = 5;
    ASSERT_TRUE(parse_move_line("", e));
    EXPECT_EQ(e.from_col, 0);
    EXPECT_EQ(e.piece_after, 0);
}

TEST(MoveLine, FieldsStopAtTheFirstCharacterOutsideTheNumber) {
    RecordEntry e;
    ASSERT_TRUE(parse_move_line(" 7776-10x  -1       0   12x   0", e));
    EXPECT_EQ(e.piece_after, -10);
    EXPECT_EQ(e.piece_before, -1);  // "  -1" read as -1
    EXPECT_EQ(e.captured, 0);       // "    " blank
    EXPECT_EQ(e.times.lower_before, 0.f);
    EXPECT_EQ(e.times.lower_after, 12.f);
    // A field holds nothing of its neighbour: "50" at positions 1-2 and 3.
    ASSERT_TRUE(parse_move_line("5012", e));
    EXPECT_EQ(e.from_col, 50);
    EXPECT_EQ(e.from_row, 1);
    EXPECT_EQ(e.to_col, 2);
}

TEST(MoveLine, LinesWithOtherThanPrintableAsciiAreUnreadable) {
    RecordEntry e;
    EXPECT_FALSE(parse_move_line(" 7776 -10 -10\t  0", e));
    EXPECT_FALSE(parse_move_line(" 7776 -10 -10\xEF\xBF\xBD", e));
    EXPECT_FALSE(parse_move_line(std::string(" 77\0" "6", 5), e));
}

TEST(RecordText, DecodesCodePage932WithItsOwnMappings) {
    // あ ～ ① invalid-byte い: 0x8160 is the full-width tilde and NEC's ① is
    // readable in code page 932; the stray 0xFF is counted and made visible.
    DecodedText d = decode_record_text("\x82\xA0\x81\x60\x87\x40\xFF\x82\xA2");
    EXPECT_FALSE(d.was_utf8);
    EXPECT_EQ(d.text, "あ～①\xEF\xBF\xBDい");
    EXPECT_EQ(d.bad_bytes, 1u);
    EXPECT_EQ(d.first_bad, 6u);
}

TEST(RecordText, ACutLeadByteAndHalfWidthKana) {
    DecodedText d = decode_record_text("\xB1\xB2\r\n\x82");
    EXPECT_EQ(d.text, "ｱｲ\r\n\xEF\xBF\xBD");
    EXPECT_EQ(d.bad_bytes, 1u);
    EXPECT_EQ(d.first_bad, 4u);
}

TEST(RecordText, Utf8IsReadWhenMarkedOrValid) {
    DecodedText marked = decode_record_text("\xEF\xBB\xBF対局\r\n");
    EXPECT_TRUE(marked.was_utf8);
    EXPECT_EQ(marked.text, "対局\r\n");
    DecodedText valid = decode_record_text("先手\r\n");
    EXPECT_TRUE(valid.was_utf8);
    EXPECT_EQ(valid.text, "先手\r\n");
    // A byte-order mark followed by broken UTF-8: replaced, counted.
    DecodedText broken = decode_record_text("\xEF\xBB\xBF" "a\xC3");
    EXPECT_EQ(broken.text, "a\xEF\xBF\xBD");
    EXPECT_EQ(broken.bad_bytes, 1u);
    // Plain ASCII is the same either way.
    EXPECT_EQ(decode_record_text("abc").text, "abc");
}

TEST(RecordText, EncodingRefusesWhatCodePage932Lacks) {
    std::string out, bad;
    ASSERT_TRUE(encode_cp932("対局ｱ～", out, bad));
    EXPECT_EQ(out, "\x91\xCE\x8B\xC7\xB1\x81\x60");
    EXPECT_FALSE(encode_cp932("名人☗戦", out, bad));
    EXPECT_EQ(bad, "☗");
    EXPECT_FALSE(encode_cp932("a\xFF", out, bad));
    ASSERT_TRUE(encode_cp932("plain", out, bad));
    EXPECT_EQ(out, "plain");
}

TEST(RecordText, LinesEndByCrLfLfOrCr) {
    EXPECT_EQ(split_lines("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(split_lines("a\nb"), (std::vector<std::string>{"a", "b"}));
    EXPECT_EQ(split_lines("a\r\r\nb"), (std::vector<std::string>{"a", "", "b"}));
    EXPECT_TRUE(split_lines("").empty());
}

TEST(RecordText, HeaderTextIsShownSafely) {
    EXPECT_EQ(display_text("ab\x01" "c", 10), "ab\xEF\xBF\xBD" "c");
    EXPECT_EQ(display_text("先手後手", 2), "先手");
    EXPECT_EQ(utf8_length("先手ab"), 4u);
}

}  // namespace
}  // namespace rindou
