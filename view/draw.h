// Drawing of the board, hands, captions and clocks on the window's persistent
// image.  Positions are cell coordinates (column, row), possibly fractional,
// on the grid of the board: x = 1300 + 615 c, y = 100 + 690 r twips.
#pragma once

#include <string>

#include "core/game.h"
#include "core/rules.h"

namespace rindou {

// Twips of a cell coordinate.
inline double cell_x(double c) { return board_left + square_width * c; }
inline double cell_y(double r) { return board_top + square_height * r; }

// The file and the rank a person reads for a column and a row of the board
// as drawn: on a board shown turned round (ViewState::turned) they are those
// of the true square.
int shown_file(const Game& g, int col);
int shown_rank(const Game& g, int row);

// ---- Primitives ---------------------------------------------------------------
void draw_picture(const Game& g, int code, double c, double r);
void frame_square(const Game& g, int colour, double c, double r);
// Numeral mode 0: the number in decimal behind its sign position (" 5", "-5");
// numeral mode 1: the kanji numeral of 1..9, nothing otherwise.
void print_at(const Game& g, double c, double r, int value, int colour, int numeral_mode, int size);
void print_at(const Game& g, double c, double r, const std::string& text, int colour, int size);
void print_text(const Game& g, double c, double r, const std::string& text, int colour);
void print_caption(const Game& g, double c, double r, int code, int colour, int size);
// The caption text of a caption code: handicap grades -10..10, 99 "手目".
std::string caption_text(int code);

// ---- Composite routines ------------------------------------------------------
void paint_background(const Game& g, int code);
void draw_frame(const Game& g);
void draw_start_frame(const Game& g);
void draw_lower_hand(const Game& g);
void draw_upper_hand(const Game& g);
// What a move applied to the state changed, drawn in the order the squares
// and hands change: the hand that gained a capture, the coin's old square and
// the origin, the hand of a drop, the coin's new square, the piece.
void draw_move(const Game& g, const RecordEntry& played);
void draw_board(const Game& g);
void draw_level(const Game& g, int level);
// Two people play at no level: its caption goes.
void clear_level(const Game& g);
// The caption shown while the computer thinks, beside the upper hand.
void draw_thinking(const Game& g);
// A loaded record's game name and players beside the board, each cut to
// RECORD_HEADER_SHOWN characters.
constexpr size_t RECORD_HEADER_SHOWN = 64;
void draw_record_header(const Game& g, const std::string& game_name, const std::string& upper_name,
                        const std::string& lower_name);
void draw_handicap_caption(const Game& g, int grade);
void draw_move_number(const Game& g, int n);
void redraw_all(const Game& g);
// Everything redraw_all draws, then the move number and the record's last
// move: the board as a position reached at once shows it.
void redraw_position(const Game& g);
// The notation of a side's last move in its area beside the board, and the
// area cleared.
void show_last_move(const Game& g, Side side, int to_col, int to_row, int piece, int colour);
void clear_last_move(const Game& g, Side side);

// ---- Status clock -------------------------------------------------------------
float elapsed_seconds(float start, float now);
std::string format_hms(float seconds);
void draw_clock(const Game& g, Side side, float seconds);
void clear_clock(const Game& g, Side side);

}  // namespace rindou
