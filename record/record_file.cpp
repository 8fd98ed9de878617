#include "record/record_file.h"

#include "core/record_store.h"
#include "record/kifu_text.h"
#include "record/record_moves.h"

namespace rindou {

namespace {

constexpr int HEADER_LINES = 3;

// A refused character as the message shows it: control characters (C0, DEL
// and C1) written as \xNN, one per byte, never raw.
std::string shown_character(const std::string& ch) {
    bool control = ch.size() == 1 ? (static_cast<unsigned char>(ch[0]) < 0x20 || ch[0] == 0x7F)
                                  : ch.size() == 2 && static_cast<unsigned char>(ch[0]) == 0xC2 &&
                                        static_cast<unsigned char>(ch[1]) < 0xA0;
    if (!control) return ch;
    static const char* HEX = "0123456789ABCDEF";
    std::string out;
    for (unsigned char b : ch) out += std::string("\\x") + HEX[b >> 4] + HEX[b & 15];
    return out;
}

}  // namespace

GameState record_start_position(const GameState& s) {
    GameState start = s;
    reset_to_no_game(start);
    return start;
}

RecordWriteProblem build_record_file(const GameState& s, const std::string& game_name,
                                     const std::string& first_name,
                                     const std::string& second_name, std::string& bytes,
                                     std::string& bad_char) {
    bytes.clear();
    bad_char.clear();
    // The lower side moved first: its player is the first player.
    bool lower_first = s.lower_turn == s.sente_turn;
    struct Header {
        const std::string* text;
        RecordWriteProblem problem;
    };
    const Header headers[HEADER_LINES] = {
        {&game_name, RecordWriteProblem::GameName},
        {lower_first ? &second_name : &first_name,
         lower_first ? RecordWriteProblem::SecondName : RecordWriteProblem::FirstName},
        {lower_first ? &first_name : &second_name,
         lower_first ? RecordWriteProblem::FirstName : RecordWriteProblem::SecondName},
    };
    for (const Header& h : headers) {
        // A line break inside a name would shift every line after it.
        for (char ch : *h.text)
            if ((ch >= 0 && ch < 0x20) || ch == 0x7F) {
                bad_char = shown_character(std::string(1, ch));
                return h.problem;
            }
        std::string encoded;
        if (!encode_cp932(*h.text, encoded, bad_char)) {
            bad_char = shown_character(bad_char);
            return h.problem;
        }
        bytes += encoded + "\r\n";
    }
    int count = s.record_count < RECORD_MAX ? s.record_count : RECORD_MAX;
    for (int i = 1; i <= count; ++i) {
        std::string line;
        if (!format_move_line(s.record[i], line))
            return RecordWriteProblem::MoveField;
        bytes += line + "\r\n";
    }
    return RecordWriteProblem::None;
}

namespace {

// The sides take turns: a side moves twice in a row only when the other had
// no move on the board and so passed (pieces in hand do not save it).
bool moves_out_of_turn(const GameState& pos, const RecordEntry& e, Side last_mover) {
    const Side mover = e.piece_before > 0 ? UPPER : LOWER;
    if (mover != last_mover) return false;
    return has_no_board_move(pos, ~mover) != 1;
}

}  // namespace

RecordFile read_record_file(const std::string& bytes, const GameState& start) {
    RecordFile f;
    const std::vector<std::string> lines = split_lines(decode_record_text(bytes).text);
    if (lines.size() > 0) f.game_name = lines[0];
    if (lines.size() > 1) f.upper_name = lines[1];
    if (lines.size() > 2) f.lower_name = lines[2];
    if (lines.size() <= HEADER_LINES) return f;
    f.move_lines = static_cast<int>(lines.size() - HEADER_LINES);

    // Every move is replayed on a copy of the position: loading stops at the
    // first line that does not describe a possible move.
    GameState pos = start;
    Side last_mover = NO_SIDE;  // none before the first move
    for (size_t i = HEADER_LINES; i < lines.size(); ++i) {
        int line_number = static_cast<int>(i) + 1;
        if (f.moves.size() >= RECORD_MAX) {
            f.stop_line = line_number;
            f.too_long = true;
            break;
        }
        RecordEntry e;
        if (!parse_move_line(lines[i], e) || !is_possible_move(pos, e) ||
            moves_out_of_turn(pos, e, last_mover)) {
            f.stop_line = line_number;
            break;
        }
        last_mover = e.piece_before > 0 ? UPPER : LOWER;
        redo_move(pos, e);
        f.moves.push_back(e);
    }
    return f;
}

}  // namespace rindou
