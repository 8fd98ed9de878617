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

void kifu_write_command(Game& g) {
    if (g.st.flipped == 1) {
        g.io.dialogs->message(text(Text::TitleRecordWrite), text(Text::NoWriteAfterFlip));
        return;
    }
    if (g.st.handicap_set == 1) {
        g.io.dialogs->message(text(Text::TitleRecordWrite), text(Text::NoWriteAfterHandicap));
        return;
    }
    g.io.panel->panel_show_write();
}

void kifu_read_command(Game& g) {
    g.io.panel->panel_show_read();
    g.io.panel->panel_empty_boxes();
}

void save_record(Game& g) {
    GameState& s = g.st;
    const std::string file_name = g.io.panel->panel_box(3);
    if (file_name.empty()) {
        g.io.dialogs->message("  ", text(Text::NoFileName));
        return;
    }
    if (s.record_count < 1) {
        g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::NothingToSave));
        return;
    }
    // The panel stays open across a flip: the write command's refusals are
    // checked again, since moves after a flip do not start from the
    // standard position and could never be loaded.
    if (s.flipped == 1) {
        g.io.dialogs->message(text(Text::TitleRecordWrite), text(Text::NoWriteAfterFlip));
        return;
    }
    if (s.handicap_set == 1) {
        g.io.dialogs->message(text(Text::TitleRecordWrite), text(Text::NoWriteAfterHandicap));
        return;
    }
    if (!usable_file_name(file_name)) {
        g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::BadFileName));
        return;
    }
    std::string bytes, bad;
    switch (build_record_file(s, g.io.panel->panel_box(0), g.io.panel->panel_box(1), g.io.panel->panel_box(2), bytes,
                              bad)) {
        case RecordWriteProblem::None: break;
        case RecordWriteProblem::GameName:
            g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::BadCharInGameName, {{"char", bad}}));
            return;
        case RecordWriteProblem::FirstName:
            g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::BadCharInFirstName, {{"char", bad}}));
            return;
        case RecordWriteProblem::SecondName:
            g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::BadCharInSecondName, {{"char", bad}}));
            return;
        case RecordWriteProblem::MoveField:
            g.io.dialogs->message(text(Text::TitleRecordSave), text(Text::RecordNotWritten));
            return;
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
        std::string reason = write_failure_reason(error);
        g.io.dialogs->message(text(Text::TitleRecordSave),
                      text(Text::RecordNotWritten) + (reason.empty() ? "" : "\r\r" + reason));
        return;
    }
    close_record_panels(g);
    g.io.panel->panel_refresh_files();
    g.io.dialogs->message("  ", text(Text::RecordWritten));
}

void load_record(Game& g, const std::string& path) {
    g.io.panel->panel_hide_lists();
    std::string bytes;
    std::error_code error;
    if (!g.io.storage->read_record(path, bytes, error, RECORD_FILE_LIMIT)) {
        if (error == FileError::TooLarge)
            g.io.dialogs->message(text(Text::TitleRecord), text(Text::RecordTooLarge));
        else
            g.io.dialogs->message(text(Text::TitleRecord), text(Text::RecordNotRead));
        return;
    }
    load_record_bytes(g, bytes);
}

void load_record_bytes(Game& g, const std::string& bytes) {
    g.io.panel->panel_hide_lists();
    const RecordFile f = read_record_file(bytes, record_start_position(g.st));
    // Nothing loadable: the game on the board is kept.
    if (f.moves.empty()) {
        std::string notice = text(Text::RecordHasNoData);
        if (f.stop_line > 0)
            notice += "\r\r" + text(Text::LineUnreadable, {{"line", std::to_string(f.stop_line)}});
        g.io.dialogs->message(text(Text::TitleRecord), notice);
        return;
    }

    GameState& s = g.st;
    keep_game(g);
    new_game_reset(g);
    s.record_mode = 1;
    draw_record_header(g, f.game_name, f.upper_name, f.lower_name);

    const int k = static_cast<int>(f.moves.size());
    for (int i = 1; i <= RECORD_MAX; ++i)
        s.record[static_cast<size_t>(i)] =
            i <= k ? f.moves[static_cast<size_t>(i - 1)] : RecordEntry{};
    s.record_count = 0;
    s.move_number = 0;
    s.record_end = k;

    g.io.dialogs->message(text(Text::TitleRecord), text(Text::RecordLoaded));
    if (f.too_long)
        g.io.dialogs->message(text(Text::TitleRecord),
                              text(Text::RecordTooLong, {{"line", std::to_string(f.stop_line)}}));
    else if (f.stop_line > 0)
        g.io.dialogs->message(text(Text::TitleRecord),
                              text(Text::LoadedUpTo, {{"line", std::to_string(f.stop_line)},
                                                      {"moves", std::to_string(k)}}));
    g.io.dialogs->message(text(Text::TitleRecord), text(Text::StepThroughRecord));

    const RecordEntry& first = s.record[1];
    if (first.piece_before >= 10) {
        s.game_mode = MODE_COM;
        s.sente_turn = s.upper_turn;
        s.gote_turn = s.lower_turn;
    } else {
        s.game_mode = MODE_HUMAN;
        s.sente_turn = s.lower_turn;
        s.gote_turn = s.upper_turn;
    }
    s.side_to_move = s.sente_turn;
}

}  // namespace rindou
