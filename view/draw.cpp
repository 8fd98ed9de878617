#include "view/draw.h"

#include <array>

#include "core/texts.h"
#include "record/kifu_text.h"
#include "record/notation.h"
#include "record/record_moves.h"
#include "record/western_notation.h"
#include "view/move_list.h"

namespace rindou {

namespace {

// 1 to 9 as kanji.
constexpr std::array<Text, 9> KANJI_NUMERAL = {Text::Numeral1, Text::Numeral2, Text::Numeral3,
                                               Text::Numeral4, Text::Numeral5, Text::Numeral6,
                                               Text::Numeral7, Text::Numeral8, Text::Numeral9};

// The number as a console print writes it: a blank in the sign position.
// GCC 12 at -O3 sees an overlapping copy in std::string's insert of a literal
// that cannot overlap (GCC bug 105329): a false -Wrestrict, silenced here only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
std::string number_text(int value) {
    if (value < 0) return std::to_string(value);
    return " " + std::to_string(value);
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

// Background tile, then the outline of a neighbouring square it covered.
void tile(const Game& g, double c, double r) { draw_picture(g, g.st.background_code, c, r); }

// Shadowed text: black at +0.1, +0.1, then the colour at the nominal place.
void shadowed(const Game& g, double c, double r, const std::string& text, int colour, int size) {
    print_at(g, c + 0.1, r + 0.1, text, BLACK, size);
    print_at(g, c, r, text, colour, size);
}

}  // namespace

int shown_file(const Game& g, int col) { return g.view.turned ? col : 10 - col; }
int shown_rank(const Game& g, int row) { return g.view.turned ? 10 - row : row; }

void draw_picture(const Game& g, int code, double c, double r) {
    g.io.surface->draw_image(code, cell_x(c), cell_y(r));
}

void frame_square(const Game& g, int colour, double c, double r) {
    g.io.surface->draw_outline(colour, cell_x(c), cell_y(r), cell_x(c + 1), cell_y(r + 1));
}

void print_at(const Game& g, double c, double r, int value, int colour, int numeral_mode, int size) {
    if (numeral_mode == 1) {
        if (value < 1 || value > 9) return;
        print_at(g, c, r, text(KANJI_NUMERAL[value - 1]), colour, size);
        return;
    }
    print_at(g, c, r, number_text(value), colour, size);
}

void print_at(const Game& g, double c, double r, const std::string& text, int colour, int size) {
    g.io.surface->draw_text(cell_x(c), cell_y(r), text, colour, size, g.view.font_bold);
}

void print_text(const Game& g, double c, double r, const std::string& text, int colour) {
    print_at(g, c, r, text, colour, 12);
}

std::string caption_text(int code) {
    static const std::array<Text, 21> grades = {
        Text::HandicapMeijin,
        Text::Handicap8Dan,
        Text::Handicap7Dan,
        Text::Handicap6Dan,
        Text::Handicap5Dan,
        Text::Handicap4Dan,
        Text::Handicap3Dan,
        Text::Handicap2Dan,
        Text::Handicap1Dan,
        Text::Handicap1Kyu,
        Text::Handicap2Kyu,
        Text::Handicap3Kyu,
        Text::Handicap4Kyu,
        Text::Handicap5Kyu,
        Text::Handicap6Kyu,
        Text::Handicap7Kyu,
        Text::Handicap8Kyu,
        Text::Handicap9Kyu,
        Text::Handicap10Kyu,
        Text::Handicap11Kyu,
        Text::Handicap12Kyu,
    };
    if (code >= -10 && code <= 10) return text(grades[code + 10]);
    if (code == 99) return text(Text::MoveNumberSuffix);
    return {};
}

void print_caption(const Game& g, double c, double r, int code, int colour, int size) {
    std::string text = caption_text(code);
    if (text.empty()) return;
    g.io.surface->draw_text(120 + cell_x(c), 160 + cell_y(r), text, colour, size, g.view.font_bold);
}

void paint_background(const Game& g, int code) {
    for (int c = -3; c <= 28; ++c)
        for (int r = -2; r <= 17; ++r)
            if (c < 1 || c > 9 || r < 1 || r > 9) draw_picture(g, code, c, r);
}

void draw_frame(const Game& g) {
    g.view.font_bold = true;
    for (int i = 1; i <= 9; ++i) {
        tile(g, i, 0);
        print_at(g, i + 0.1 + 0.1, 0.4 + 0.1, shown_file(g, i), BLACK, 0, 16);
        print_at(g, i + 0.1, 0.4, shown_file(g, i), LIGHT_YELLOW, 0, 16);
        tile(g, 10, i);
        print_at(g, 10.1 + 0.1, i + 0.3 + 0.1, shown_rank(g, i), BLACK, 1, 12);
        print_at(g, 10.1, i + 0.3, shown_rank(g, i), LIGHT_YELLOW, 1, 12);
        frame_square(g, FRAME_COLOUR, 9, i);
    }
}

void draw_start_frame(const Game& g) {
    draw_frame(g);
    tile(g, -2, 10);
    tile(g, -1, 10);
    tile(g, 0, 10);
    for (int c = 1; c <= 9; ++c) {
        tile(g, c, 10);
        frame_square(g, FRAME_COLOUR, c, 9);
    }
}

void draw_lower_hand(const Game& g) {
    for (PieceKind k = PAWN; k <= ROOK; ++k) {
        int r = lower_hand_row(k);
        draw_picture(g, EMPTY, LOWER_HAND_COL, r);
        tile(g, 12, r);
        frame_square(g, FRAME_COLOUR, LOWER_HAND_COL, r);
        int count = g.st.hand[LOWER][k];
        if (count > 0) {
            draw_picture(g, code_of(make_piece(LOWER, k)), LOWER_HAND_COL, r);
            frame_square(g, FRAME_COLOUR, LOWER_HAND_COL, r);
            print_at(g, 12 + 0.1, r + 0.2 + 0.1, count, BLACK, 0, 14);
            print_at(g, 12, r + 0.2, count, LIGHT_RED, 0, 14);
        }
    }
}

void draw_move(const Game& g, const RecordEntry& played) {
    const GameState& s = g.st;
    const int fc = played.from_col, fr = played.from_row, tc = played.to_col, tr = played.to_row;
    const bool board_move = fc >= 1 && fc <= 9;
    if (played.captured <= -HU)
        draw_upper_hand(g);
    else if (played.captured >= HU)
        draw_lower_hand(g);
    if (board_move) {
        // The coin went with the piece, by the same displacement.
        const int old_coin_col = s.coin_col() - (tc - fc), old_coin_row = s.coin_row() - (tr - fr);
        draw_picture(g, EMPTY, old_coin_col, old_coin_row);
        frame_square(g, FRAME_COLOUR, old_coin_col, old_coin_row);
        draw_picture(g, EMPTY, fc, fr);
        frame_square(g, FRAME_COLOUR, fc, fr);
    }
    if (fc == UPPER_HAND_COL)
        draw_upper_hand(g);
    else if (fc == LOWER_HAND_COL)
        draw_lower_hand(g);
    if (board_move) {
        draw_picture(g, COIN, s.coin_col(), s.coin_row());
        frame_square(g, FRAME_COLOUR, s.coin_col(), s.coin_row());
    }
    draw_picture(g, played.piece_after, tc, tr);
    frame_square(g, FRAME_COLOUR, tc, tr);
}

void draw_upper_hand(const Game& g) {
    for (int r = 1; r <= 7; ++r) {
        const PieceKind k = PieceKind(upper_hand_slot(r));
        draw_picture(g, EMPTY, UPPER_HAND_COL, r);
        tile(g, 0, r);
        frame_square(g, FRAME_COLOUR, UPPER_HAND_COL, r);
        int count = g.st.hand[UPPER][k];
        if (count > 0) {
            draw_picture(g, code_of(make_piece(UPPER, k)), UPPER_HAND_COL, r);
            frame_square(g, FRAME_COLOUR, UPPER_HAND_COL, r);
            print_at(g, 0 + 0.1, r + 0.2 + 0.1, count, BLACK, 0, 14);
            print_at(g, 0, r + 0.2, count, LIGHT_RED, 0, 14);
        }
        frame_square(g, FRAME_COLOUR, 1, r);
    }
}

void draw_board(const Game& g) {
    for (int c = 1; c <= 9; ++c)
        for (int r = 1; r <= 9; ++r) {
            draw_picture(g, g.st.code_at(c, r), c, r);
            frame_square(g, FRAME_COLOUR, c, r);
        }
}

void draw_level(const Game& g, int level) {
    shadowed(g, -1.5, 0.1, text(Text::LevelCaption), WHITE, 10);
    print_at(g, 0 + 0.1, 0 + 0.1, level, BLACK, 0, 12);
    print_at(g, 0, 0, level, WHITE, 0, 12);
}

void clear_level(const Game& g) {
    tile(g, -2, 0);
    tile(g, -1, 0);
    tile(g, 0, 0);
}

void draw_thinking(const Game& g) {
    tile(g, -2, 8);
    tile(g, -1, 8);
    tile(g, 0, 8);
    frame_square(g, FRAME_COLOUR, -1, 7);
    print_at(g, -1.5, 8.5, text(Text::Thinking), BLACK, 12);
    print_at(g, -1.6, 8.4, text(Text::Thinking), WHITE, 12);
    frame_square(g, FRAME_COLOUR, 1, 8);
}

void draw_record_header(const Game& g, const std::string& game_name, const std::string& upper_name,
                        const std::string& lower_name) {
    // Centred over the board's middle columns as far as its length allows.
    auto line = [&](const std::string& name, double x_shift, double y, int colour) {
        const std::string shown = display_text(name, RECORD_HEADER_SHOWN);
        const double length = static_cast<double>(utf8_length(shown));
        const double x = board_left + square_width * (3 + (13 - length) / 5) + x_shift;
        g.io.surface->draw_text(x, y, shown, colour, 12, g.view.font_bold);
    };
    line(game_name, -3000, 7150, LIGHT_RED);
    line(upper_name, 0, 100, WHITE);
    line(lower_name, 0, 7150, WHITE);
}

void draw_handicap_caption(const Game& g, int grade) {
    for (int c = 11; c <= 14; ++c) tile(g, c, 1);
    print_caption(g, 11.1, 1.1, grade, BLACK, 10);
    print_caption(g, 11, 1, grade, WHITE, 10);
}

void draw_move_number(const Game& g, int n) {
    tile(g, 13, 3);
    tile(g, 14, 3);
    frame_square(g, FRAME_COLOUR, 11, 3);
    double c = n < 10 ? 13.2 : (n < 100 ? 13.1 : 13.0);
    print_at(g, c + 0.1, 3.3 + 0.1, n, BLACK, 0, 12);
    print_at(g, c, 3.3, n, WHITE, 0, 12);
    print_caption(g, 13.9, 3.2, 99, BLACK, 10);
    print_caption(g, 13.8, 3.1, 99, WHITE, 10);
}

void redraw_all(const Game& g) {
    paint_background(g, g.st.background_code);
    draw_frame(g);
    draw_lower_hand(g);
    draw_upper_hand(g);
    draw_board(g);
    draw_clock(g, g.st.upper_turn(), g.st.upper_time_total);
    draw_clock(g, g.st.lower_turn, g.st.lower_time_total);
    if (g.st.game_mode == MODE_COM) draw_level(g, g.st.level);
    if (g.st.handicap_set == 1) draw_handicap_caption(g, g.st.handicap_grade);
    draw_picture(g, 1, 10.8, 0);
    g.io.surface->present();
}

void redraw_position(const Game& g) {
    const GameState& s = g.st;
    redraw_all(g);
    draw_move_number(g, s.move_number);
    if (s.record_count >= 1 && s.record_count <= RECORD_MAX) {
        const RecordEntry& e = s.record[s.record_count];
        show_last_move(g, e.piece_after > 0 ? s.upper_turn() : s.lower_turn, e.to_col, e.to_row,
                       e.piece_after, WHITE);
    }
    g.io.surface->present();
}

namespace {

// The Western notation of the move shown, read from the record's last entry
// and the position before it; empty when that entry is not the move shown.
std::string western_last_move(const Game& g, int to_col, int to_row, int piece) {
    const GameState& s = g.st;
    if (s.record_count < 1 || s.record_count > RECORD_MAX) return {};
    const RecordEntry& e = s.record[s.record_count];
    if (e.to_col != to_col || e.to_row != to_row || e.piece_after != piece) return {};
    GameState before = s;
    if (!can_undo(before, e)) return {};
    undo_move(before, e);
    const std::string words = western_notation(before, e);
    return g.view.turned ? turned_back_squares(words) : words;
}

}  // namespace

void show_last_move(const Game& g, Side side, int to_col, int to_row, int piece, int colour) {
    double file_c, rank_c, name_c, r;
    if (side == g.st.upper_turn()) {
        file_c = -1.5, rank_c = -1.1, name_c = -0.5, r = 8.5;
    } else if (side == g.st.lower_turn) {
        file_c = 12.5, rank_c = 12.9, name_c = 13.5, r = 2.5;
    } else {
        return;
    }
    clear_last_move(g, side);
    // In English the move is written as English-speaking players write it,
    // in one piece where the Japanese notation's file stands.
    const std::string western =
        language() == Language::English ? western_last_move(g, to_col, to_row, piece) : "";
    if (!western.empty()) {
        print_text(g, file_c, r, western, BLACK);
        print_text(g, file_c - 0.1, r - 0.1, western, colour);
        if (side == g.st.upper_turn()) frame_square(g, FRAME_COLOUR, 1, 8);
        return;
    }
    const std::string parts[3] = {move_notation_text(shown_file(g, to_col)),
                                  move_notation_text(1000 + shown_rank(g, to_row)),
                                  move_notation_text(piece)};
    const double cols[3] = {file_c, rank_c, name_c};
    for (int i = 0; i < 3; ++i) {
        print_text(g, cols[i], r, parts[i], BLACK);
        print_text(g, cols[i] - 0.1, r - 0.1, parts[i], colour);
    }
    if (side == g.st.upper_turn()) frame_square(g, FRAME_COLOUR, 1, 8);
}

void clear_last_move(const Game& g, Side side) {
    int bg = g.st.background_code;
    if (side == g.st.upper_turn()) {
        draw_picture(g, bg, -2, 8);
        draw_picture(g, bg, -1, 8);
        draw_picture(g, bg, 0, 8);
        frame_square(g, FRAME_COLOUR, -1, 7);
        frame_square(g, FRAME_COLOUR, 1, 8);
    } else if (side == g.st.lower_turn) {
        draw_picture(g, bg, 12, 2);
        draw_picture(g, bg, 13, 2);
        draw_picture(g, bg, 14, 2);
    }
}


// ---- Status clock -----------------------------------------------------------------

float elapsed_seconds(float start, float now) {
    if (start <= now) return now - start;
    return (86400.0f - start) + now;
}

namespace {
std::string two_digits(long n) {
    std::string s = std::to_string(n);
    if (s.size() == 1) return "0" + s;
    if (s.size() == 2) return s;
    return {};
}
}  // namespace

std::string format_hms(float seconds) {
    double t = seconds;
    long h = 0;
    if (t >= 3600) {
        h = static_cast<long>(t / 3600);
        t -= 3600.0 * static_cast<double>(h);
    }
    long m = static_cast<long>(t / 60);
    double s = t - 60.0 * static_cast<double>(m);
    return two_digits(h) + ":" + two_digits(m) + ":" + two_digits(static_cast<long>(s));
}

void draw_clock(const Game& g, Side side, float seconds) {
    if (!g.st.menu().keika) return;
    if (side == g.st.upper_turn()) {
        clear_clock(g, side);
        std::string text = format_hms(seconds);
        print_at(g, -1.5, 9.3, text, BLACK, 12);
        print_at(g, -1.6, 9.2, text, WHITE, 12);
        frame_square(g, FRAME_COLOUR, 1, 9);
    } else if (side == g.st.lower_turn) {
        clear_clock(g, side);
        std::string text = format_hms(seconds);
        print_at(g, 13.1, 9.3, text, BLACK, 12);
        print_at(g, 13, 9.2, text, WHITE, 12);
    }
}

void clear_clock(const Game& g, Side side) {
    if (side == g.st.upper_turn()) {
        tile(g, -2, 9);
        tile(g, -1, 9);
        tile(g, 0, 9);
    } else if (side == g.st.lower_turn) {
        tile(g, 13, 9);
        tile(g, 14, 9);
        tile(g, 15, 9);
    }
}

}  // namespace rindou
