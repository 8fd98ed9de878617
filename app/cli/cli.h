// The console front end: runs the game with commands on one stream and the
// game's events on another (the protocol of rindou-cli).
#pragma once

#include <cstddef>
#include <istream>
#include <ostream>
#include <string>

namespace rindou {

class GameShelf;
struct GameState;

// The longest command line taken, without its line end.
constexpr size_t LINE_LIMIT = 1024 * 1024;
// The most Yes/No answers waiting at once.
constexpr size_t ANSWER_LIMIT = 1024 * 1024;

enum class LineRead { Line, TooLong, End };

// Reads one line ended by LF (a CR before it is dropped) or by the end of
// the input.  A line longer than `limit` is read on to its end without
// being kept: TooLong, and `line` is empty.  End when nothing was left.
LineRead read_command_line(std::istream& in, std::string& line, size_t limit = LINE_LIMIT);

// The reply to `show`: the position (board, coin, hands) from "board" up to
// "turn side", then the turn, mode, record, handicap and selection lines.
void print_show(const GameState& s, std::ostream& out);

// Runs start-up and then every command line until the end of the input or
// the end of the program.  Returns the process exit status.
// Lines longer than `line_limit` are refused (a smaller limit lets the fuzz
// target reach that case).  Games are kept on `shelf`; with none, no game is
// kept.
int run_cli(std::istream& in, std::ostream& out, size_t line_limit = LINE_LIMIT,
            GameShelf* shelf = nullptr);

}  // namespace rindou
