// The human's move input: the handler of a mouse press on the drawing surface.
#pragma once

#include "play/game_in_play.h"
#include "play/work.h"

namespace rindou {

// button 1 left, 2 right; x, y in twips of the drawing surface.
Work<> on_mouse_down(GameInPlay& g, int button, double x, double y);

// What a press at (x, y) would decide about promotion, for a front end
// without a right button (a touch screen): Optional where the picked piece
// moves there and may promote or stay, Forced where it moves there and must
// promote, None wherever the press would not move a piece that can promote.
enum class PromotionChoice { None, Optional, Forced };
PromotionChoice promotion_choice(const GameState& s, double x, double y);

// Every board square gets its normal frame.
void clear_frames(Game& g);
// Drops the pick, if any: nothing is picked, and neither the board nor the
// hand cell of a picked piece keeps a frame.
void drop_pick(Game& g);
// Frames the legal destinations of a piece at (col, row) when guidance is on.
void show_guidance(Game& g, int col, int row, int colour, int piece);

}  // namespace rindou
