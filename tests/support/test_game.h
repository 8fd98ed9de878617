// Helpers for tests: a game on the event-log fake whose events are collected
// as protocol lines.  (The console front end run on a script is in
// console.h, for the tests that need the console.)
#pragma once

#include <sstream>
#include <string>
#include <string_view>

#include "play/game_in_play.h"
#include "tests/support/event_log.h"
#include "play/work.h"

namespace rindou::test {

// The program ended in work that `now` ran: a test that plays on unwinds by
// it to where it expects the end.
struct Ended {};
// Runs work at once, every wait answered through the game's ports, as the
// console does; throws Ended when the program ended in it.
void now(GameInPlay& g, Work<> work);

class TestGame {
public:
    // Runs start-up; the start-up events are discarded.
    TestGame();

    // Returns the events printed since the last call and forgets them.
    std::string take();

    // A click at the centre of a cell, as the console's `click` does.
    void click(int button, int col, int row);
    void move(int c1, int r1, int c2, int r2, bool promote = false);
    // Runs a menu command by entry name.
    void menu(const std::string& entry);
    // Puts a code on a square (tests build positions with it).
    void put(int col, int row, int code);
    int at(int col, int row) const;

    std::ostringstream out;
    EventLog io{out};
    GameInPlay g;
};

// The first character of Japanese script in UTF-8 text (kana, kanji, the
// full-width and half-width forms, Japanese punctuation), or a note of the
// first byte that is not UTF-8 at all; empty when there is neither.
std::string japanese_in(std::string_view s);

// A game against the computer where the computer, walled in by its own
// golds with the coin in the corner, can only pass; the person has two golds
// and a king.
void wall_in_the_computer(GameState& s);

// The 97 integers of `setup` for the current position of a state.
std::string setup_line(const GameState& s, int side, int mode);

}  // namespace rindou::test
