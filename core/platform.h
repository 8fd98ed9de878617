// The ports through which the game reaches the platform.  The game code never
// talks to a window system, an audio device, a clock or a file dialog directly:
// the Qt window and the console front end each implement these interfaces.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <system_error>
#include <vector>

#include "core/state.h"
#include "core/texts.h"

namespace rindou {

// The sound library's C entry points (all 32-bit integers).  The real one is
// a shared library loaded by name; the console front end prints events.
class SoundLibrary {
public:
    virtual ~SoundLibrary() = default;
    virtual int32_t dsInitialize(int32_t window) = 0;
    virtual int32_t dsCreateDSB(int32_t context, const unsigned char* wav, int32_t length,
                                int32_t flags) = 0;
    virtual int32_t dsPlay(int32_t buffer) = 0;
    virtual int32_t dsPlayLooping(int32_t buffer) = 0;
    virtual int32_t dsStop(int32_t buffer) = 0;
    virtual int32_t dsFree(int32_t buffer) = 0;
    virtual int32_t dsTerminate(int32_t context) = 0;
};

enum class FileRead { Missing, Ok, Failed };

// A date and time on the local clock.
struct LocalTime {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

// The folder every finished or left game is kept in (record files).  Names
// are plain file names inside it.  The folder also holds files that are not
// ours (a player may save a record there under any name), so the game keeps
// a list of what it wrote itself and removes only those.
class GameShelf {
public:
    virtual ~GameShelf() = default;
    // The names of the files it holds.
    virtual std::vector<std::string> names() = 0;
    // Writes a whole file under a name it does not hold yet: all of it or
    // nothing.  Taken when a file of that name appeared meanwhile (another
    // program kept a game in the same second).
    enum class Put { Written, Taken, Failed };
    virtual Put put(const std::string& name, const std::string& bytes) = 0;
    // The bytes of a regular file it holds, when it is no larger than
    // max_bytes; false for anything else (missing, a folder, a FIFO, ...).
    virtual bool get(const std::string& name, std::string& bytes, size_t max_bytes) = 0;
    // Removes a file, never a folder.
    virtual void remove(const std::string& name) = 0;
    // Calls `change` with the text of the list of kept games (empty when
    // there is none yet) while no other program changes the folder through
    // its own list, and stores the text as `change` leaves it when it returns
    // true.  False, without calling `change`, when the list cannot be had.
    virtual bool with_kept_list(const std::function<bool(std::string& list)>& change) = 0;
    // Now, to name a game by.
    virtual LocalTime local_time() = 0;
};

// ---- Drawing surface: the persistent image, positions in twips. -------------
class SurfacePort {
public:
    virtual ~SurfacePort() = default;
    // The picture of a picture code at its natural size, top-left at (x, y).
    virtual void draw_image(int picture_code, double x, double y) = 0;
    // One-pixel outline of the rectangle from (x1, y1) to (x2, y2).
    virtual void draw_outline(int colour, double x1, double y1, double x2, double y2) = 0;
    // Text (UTF-8) with its top-left at (x, y), transparent background.
    virtual void draw_text(double x, double y, const std::string& text, int colour, int size_pt,
                           bool bold) = 0;
    // Show the persistent image on screen now.
    virtual void present() = 0;
};

// ---- Message boxes. -------------------------------------------------------------
// The game never calls these itself: its notices and questions are waits that
// a front end answers when the person does (see play/work.h).  A front end
// that answers every wait at once (the console, the tests) answers them here.
class DialogPort {
public:
    virtual ~DialogPort() = default;
    virtual void message(const std::string& title, const std::string& text) {
        (void)title, (void)text;
    }
    virtual bool ask_yes_no(const std::string& title, const std::string& text) {
        (void)title, (void)text;
        return true;
    }
};

// ---- Clock. -----------------------------------------------------------------------
class ClockPort {
public:
    virtual ~ClockPort() = default;
    // Seconds since midnight, single precision, 0 <= t < 86400.
    virtual float now() = 0;
    // A front end that answers every wait at once lets up to `seconds` pass
    // here (one step of a pause).
    virtual void idle(double seconds) { (void)seconds; }
};

// ---- Record-file panel. -----------------------------------------------------------
class PanelPort {
public:
    virtual ~PanelPort() = default;
    virtual void panel_hide_lists() = 0;        // drive, folder and file lists
    virtual void panel_hide_entry() = 0;        // labels, text boxes, save button
    virtual void panel_empty_boxes() = 0;       // the four text boxes
    virtual void panel_show_write() = 0;        // lists but the file list, entry panel
    virtual void panel_show_read() = 0;         // the three lists
    virtual void panel_refresh_files() = 0;
    // The text boxes: 0 game name, 1 first player, 2 second player, 3 file name.
    virtual std::string panel_box(int index) = 0;
    virtual std::string panel_folder() = 0;
};

// ---- Storage: the settings file, the program's data, the kept games. ------------
class StoragePort {
public:
    virtual ~StoragePort() = default;
    // The raw bytes of Rindou.ini.  Missing only when there is no file at
    // all; Failed when one exists but cannot be read (it must then not be
    // replaced unasked).
    virtual FileRead read_settings(std::string& bytes) = 0;
    // True when the file now holds the bytes; on false it keeps its old bytes.
    virtual bool write_settings(const std::string& bytes) = 0;
    // Reads a whole file from the program's data (sound files); on Failed,
    // error holds why.
    virtual FileRead read_data_file(const std::string& name, std::vector<unsigned char>& bytes,
                                    std::error_code& error) = 0;
    // Where games are kept; nullptr keeps none.
    virtual GameShelf* game_shelf() { return nullptr; }
    // A record file the person named: all its bytes, or false with the
    // reason (FileError::TooLarge past max_bytes).  The file system's own
    // unless a front end has records elsewhere (uploads and downloads).
    virtual bool read_record(const std::string& path, std::string& bytes, std::error_code& error,
                             size_t max_bytes);
    // Writes a record file whole; on false, any old file of that name is as
    // it was.
    virtual bool write_record(const std::string& path, const std::string& bytes,
                              std::error_code& error);
};

// ---- Host: the desktop around the game. -------------------------------------------
class HostPort {
public:
    virtual ~HostPort() = default;
    virtual std::string current_folder() = 0;
    virtual void open_page(const std::string& address) = 0;  // failures silent
    // Shows the help page (a file address; empty when the page was not
    // found) in the program's own help window.
    virtual void show_help_page(const std::string& address) = 0;
    // The about box for a front end that answers every wait at once; true
    // when its home page button was pressed.
    virtual bool about_box() { return false; }
    // The program ends: the front end leaves its event loop.
    virtual void end_program() = 0;
    // The window placement of start-up (moved and sized unless at top -60).
    virtual void place_window() {}
    // The language of the desktop's locale, for a player who has not chosen
    // one; a front end without a locale of its own (the console) keeps
    // Japanese.
    virtual Language preferred_language() { return Language::Japanese; }
};

// ---- Observation: what a script or a test may want to know. -----------------------
class ObserverPort {
public:
    virtual ~ObserverPort() = default;
    // The computer is about to execute its chosen move, given as the record
    // writes it (with what it captures), which is how scripts print it.
    virtual void computer_move(const RecordEntry& move, double score) { (void)move, (void)score; }
    // The hint has been given (framed on the board), or it is to pass (an
    // entry that is a pass), given as the search writes it: a drop by
    // column -1 and its slot.
    virtual void hint_given(const RecordEntry& hint) { (void)hint; }
};

// A front end that serves every port from one object (the window, the
// console, the tests' event log).
class Platform : public SurfacePort,
                 public DialogPort,
                 public ClockPort,
                 public PanelPort,
                 public StoragePort,
                 public HostPort,
                 public ObserverPort {
public:
    // The sound library (nullptr when it could not be loaded).
    virtual SoundLibrary* sound_library() = 0;
};

// The ports one game reaches the platform through.  A port not given does
// nothing (the null platform's), so a test plugs in only what it watches.
struct Ports {
    Ports();
    // Every port from one front end; nullptr gives the null ports.
    Ports(Platform* platform);  // NOLINT: a front end stands for all its ports

    SurfacePort* surface;
    DialogPort* dialogs;
    ClockPort* clock;
    PanelPort* panel;
    StoragePort* storage;
    SoundLibrary* sound;  // nullptr: no sound library
    HostPort* host;
    ObserverPort* observer;
};

}  // namespace rindou
