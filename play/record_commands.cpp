#include "play/record_commands.h"

#include <cerrno>
#include <system_error>

#include "core/files.h"
#include "core/file_texts.h"
#include "core/record_store.h"
#include "core/texts.h"
#include "play/flow.h"
#include "record/kept_games.h"
#include "record/kifu_text.h"
#include "record/record_file.h"
#include "view/draw.h"

namespace rindou {

namespace {

bool has_control(const std::string& text) {
    for (char ch : text)
        if ((ch >= 0 && ch < 0x20) || ch == 0x7F) return true;
    return false;
}

// A name that can stand for one file in the chosen folder.
bool usable_file_name(const std::string& name) {
    if (has_control(name)) return false;
    return name.find('/') == std::string::npos;
}

// The system's reason for a failed write, in the user's words, chosen by its
// code; empty for a reason without words of its own.
std::string write_failure_reason(const std::error_code& error) {
    struct Reason {
        int code;
        Text words;
    };
    static const Reason reasons[] = {
        {EACCES, Text::WriteNotPermitted},
        {EPERM, Text::WriteNotPermitted},
        {EROFS, Text::WriteNotPermitted},
        {ENOSPC, Text::DiskFull},
        {EDQUOT, Text::DiskFull},
        {ENOENT, Text::NoSuchFolder},
        {ENOTDIR, Text::NoSuchFolder},
        {ENAMETOOLONG, Text::FileNameTooLong},
        {EISDIR, Text::FolderOfThatName},
    };
    for (const Reason& r : reasons)
        if (error == std::error_code(r.code, std::generic_category())) return text(r.words);
    return {};
}

// The notice of a record that could not be written for what it holds.
std::string write_problem_text(RecordWriteProblem problem, const std::string& bad) {
    switch (problem) {
        case RecordWriteProblem::GameName: return text(Text::BadCharInGameName, {{"char", bad}});
        case RecordWriteProblem::FirstName: return text(Text::BadCharInFirstName, {{"char", bad}});
        case RecordWriteProblem::SecondName:
            return text(Text::BadCharInSecondName, {{"char", bad}});
        default: return text(Text::RecordNotWritten);
    }
}

// A record with no move to load, and the line that stopped it.
std::string no_data_text(const RecordFile& f) {
    std::string words = text(Text::RecordHasNoData);
    if (f.stop_line > 0)
        words += "\r\r" + text(Text::LineUnreadable, {{"line", std::to_string(f.stop_line)}});
    return words;
}

// Where a loaded record stopped before its end (empty when it did not).
std::string stop_text(const RecordFile& f) {
    const std::string line = std::to_string(f.stop_line);
    if (f.too_long) return text(Text::RecordTooLong, {{"line", line}});
    if (f.stop_line > 0)
        return text(Text::LoadedUpTo,
                    {{"line", line}, {"moves", std::to_string(f.moves.size())}});
    return {};
}

}  // namespace

void keep_game(Game& g) {
    GameState& s = g.st;
    if (!game_to_keep(s)) return;
    s.keep_state = KEEP_DONE;
    GameShelf* shelf = g.io.storage->game_shelf();
    if (!shelf) return;
    // Keeping a game must never disturb the game: whatever goes wrong
    // here, the game goes on as if it had been written.
    try {
        write_kept_game(*shelf, s);
    } catch (...) {
    }
}

void keep_game_before_fresh_start(Game& g) {
    keep_game(g);
    if (g.st.keep_state != KEEP_NEVER) g.st.keep_state = KEEP_NOTHING;
}

Work<> kifu_write_command(Game& g) {
    if (g.st.flipped == 1) {
        co_await notice(text(Text::TitleRecordWrite), text(Text::NoWriteAfterFlip));
        co_return;
    }
    if (g.st.handicap_set == 1) {
        co_await notice(text(Text::TitleRecordWrite), text(Text::NoWriteAfterHandicap));
        co_return;
    }
    g.io.panel->panel_show_write();
    co_return;
}

void kifu_read_command(Game& g) {
    g.io.panel->panel_show_read();
    g.io.panel->panel_empty_boxes();
}

Work<> save_record(Game& g) {
    GameState& s = g.st;
    const std::string file_name = g.io.panel->panel_box(3);
    if (file_name.empty()) {
        co_await notice("  ", text(Text::NoFileName));
        co_return;
    }
    if (s.record_count < 1) {
        co_await notice(text(Text::TitleRecordSave), text(Text::NothingToSave));
        co_return;
    }
    // The panel stays open across a flip: the write command's refusals are
    // checked again, since moves after a flip do not start from the
    // standard position and could never be loaded.
    if (s.flipped == 1) {
        co_await notice(text(Text::TitleRecordWrite), text(Text::NoWriteAfterFlip));
        co_return;
    }
    if (s.handicap_set == 1) {
        co_await notice(text(Text::TitleRecordWrite), text(Text::NoWriteAfterHandicap));
        co_return;
    }
    if (!usable_file_name(file_name)) {
        co_await notice(text(Text::TitleRecordSave), text(Text::BadFileName));
        co_return;
    }
    std::string bytes, bad;
    const RecordWriteProblem problem = build_record_file(
        s, g.io.panel->panel_box(0), g.io.panel->panel_box(1), g.io.panel->panel_box(2), bytes, bad);
    if (problem != RecordWriteProblem::None) {
        co_await notice(text(Text::TitleRecordSave), write_problem_text(problem, bad));
        co_return;
    }
    std::string folder = g.io.panel->panel_folder();
    // GCC 12 at -O3 sees an overlapping copy in std::string's assignment of a
    // literal (GCC bug 105329): a false -Wrestrict, silenced for this line.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
    if (folder.empty()) folder = ".";
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
    const std::string path = folder + "/" + file_name + RECORD_FILE_SUFFIX;
    std::error_code error;
    if (!g.io.storage->write_record(path, bytes, error)) {
        std::string words = text(Text::RecordNotWritten);
        const std::string reason = write_failure_reason(error);
        if (!reason.empty()) words += "\r\r" + reason;
        co_await notice(text(Text::TitleRecordSave), words);
        co_return;
    }
    close_record_panels(g);
    g.io.panel->panel_refresh_files();
    co_await notice("  ", text(Text::RecordWritten));
}

Work<> load_record(Game& g, std::string path) {
    g.io.panel->panel_hide_lists();
    std::string bytes;
    std::error_code error;
    if (!g.io.storage->read_record(path, bytes, error, RECORD_FILE_LIMIT)) {
        if (error == FileError::TooLarge)
            co_await notice(text(Text::TitleRecord), text(Text::RecordTooLarge));
        else
            co_await notice(text(Text::TitleRecord), text(Text::RecordNotRead));
        co_return;
    }
    co_await load_record_bytes(g, std::move(bytes));
}

Work<> load_record_bytes(Game& g, std::string bytes) {
    g.io.panel->panel_hide_lists();
    const RecordFile f = read_record_file(bytes, record_start_position(g.st));
    // Nothing loadable: the game on the board is kept.
    if (f.moves.empty()) {
        co_await notice(text(Text::TitleRecord), no_data_text(f));
        co_return;
    }

    GameState& s = g.st;
    keep_game(g);
    new_game_reset(g);
    s.record_mode = 1;
    draw_record_header(g, f.game_name, f.upper_name, f.lower_name);

    const int k = static_cast<int>(f.moves.size());
    for (size_t i = 1; i <= RECORD_MAX; ++i)
        s.record[i] = i <= f.moves.size() ? f.moves[i - 1] : RecordEntry{};
    s.record_count = 0;
    s.move_number = 0;
    s.record_end = k;

    co_await notice(text(Text::TitleRecord), text(Text::RecordLoaded));
    const std::string stop_words = stop_text(f);
    if (!stop_words.empty()) co_await notice(text(Text::TitleRecord), stop_words);
    co_await notice(text(Text::TitleRecord), text(Text::StepThroughRecord));

    const RecordEntry& first = s.record[1];
    if (first.piece_before >= 10) {
        s.game_mode = MODE_COM;
        s.sente_turn = s.upper_turn();
    } else {
        s.game_mode = MODE_HUMAN;
        s.sente_turn = s.lower_turn;
    }
    s.side_to_move = s.sente_turn;
}

}  // namespace rindou
