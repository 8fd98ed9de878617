// The notation of a move: destination file, rank, and the piece after it.
#include <gtest/gtest.h>

#include "record/notation.h"

namespace rindou {
namespace {

TEST(Notation, FileRankAndPieceAfterTheMove) {
    EXPECT_EQ(move_notation(3, 6, -100), "７六銀");
    EXPECT_EQ(move_notation(3, 6, -101), "７六銀成");
    EXPECT_EQ(move_notation(9, 3, 11), "１三と");
    EXPECT_EQ(move_notation(1, 1, -21), "９一香成");
    EXPECT_EQ(move_notation(5, 9, 950), "５九王");
    EXPECT_EQ(move_notation(5, 1, -950), "５一王");
}

TEST(Notation, ValuesOutsideTheTablesAreEmpty) {
    EXPECT_EQ(move_notation_text(0), "");
    EXPECT_EQ(move_notation_text(10 - 11), "");
    EXPECT_EQ(move_notation_text(1000), "");
    EXPECT_EQ(move_notation_text(1010), "");
    EXPECT_EQ(move_notation_text(111), "");
    EXPECT_EQ(move_notation_text(7), "７");  // the file digit, not the coin
    EXPECT_EQ(move_notation_text(-7), "");
}

}  // namespace
}  // namespace rindou
