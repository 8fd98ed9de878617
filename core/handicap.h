// The handicap ladder: grades -10..10, each step between two grades taking
// one piece of the standard position off the board (grades above 0 the
// upper side's pieces, below 0 the lower side's) or putting it back.
#pragma once

#include "core/state.h"

namespace rindou {

struct HandicapSquare {
    int col, row, code;
};

// Between grades g - 1 and g (g = 1..10): the upper piece that goes.
inline constexpr HandicapSquare UPPER_STEPS[11] = {
    {0, 0, 0},   {8, 2, KAKU}, {2, 2, SYA}, {9, 1, KYOU}, {1, 1, KYOU}, {8, 1, KEI},
    {2, 1, KEI}, {7, 1, GIN}, {3, 1, GIN}, {6, 1, KIN}, {4, 1, KIN},
};
// Between grades -g and -g + 1 (g = 1..10): the lower piece that goes.
inline constexpr HandicapSquare LOWER_STEPS[11] = {
    {0, 0, 0},    {2, 8, -KAKU}, {8, 8, -SYA}, {1, 9, -KYOU}, {9, 9, -KYOU}, {2, 9, -KEI},
    {8, 9, -KEI}, {3, 9, -GIN}, {7, 9, -GIN}, {4, 9, -KIN}, {6, 9, -KIN},
};

// The square between grades `high` - 1 and `high`.
inline const HandicapSquare& square_between(int high) {
    return high >= 1 ? UPPER_STEPS[high] : LOWER_STEPS[1 - high];
}

}  // namespace rindou
