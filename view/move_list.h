// The words of a move list: the start and every move of the game's record,
// numbered, with the side that made it, in the notation of the language
// chosen (the game's own in Japanese, Western notation in English).
#pragma once

#include <string>
#include <vector>

#include "core/state.h"

namespace rindou {

// The notation of a move played from the position `before`.
std::string move_words(const GameState& before, const RecordEntry& m);

// Western words of a move made on a board shown turned round, naming the
// true squares instead of those of the turned board.
std::string turned_back_squares(std::string western);

// Line 0 names the start; line n is entry n of the record, up to record_end.
// A record made on a board shown turned round (`turned`) is named by the
// true squares.
std::vector<std::string> move_list_lines(const GameState& s, bool turned = false);

// Where the board and the move list go in an area of `width` by `height`
// pixels.  The board keeps its proportions and takes all it can; the list
// takes the rest, beside the board or below it, whichever leaves the board
// larger, and never less than the least it can be read in.  The board's
// part starts at the area's top left corner.
struct MoveListPlace {
    bool below = false;
    int board_width = 0, board_height = 0;
    int list_x = 0, list_y = 0, list_width = 0, list_height = 0;
};
MoveListPlace place_move_list(int width, int height);

}  // namespace rindou
