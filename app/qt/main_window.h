// The main window: menu bar, drawing surface, record panel, the clock tick
// (Timer1), Esc and close.  Every call into the game goes through run(): it
// starts the game's work, and the window answers what the work waits for
// (a pause by a timer, a notice or question by a box opened over the window,
// the deep search on a thread of its own) and resumes it.  The window's one
// event loop is the application's: it repaints, moves and resizes while the
// game waits.
#pragma once

#include <QMainWindow>
#include <QMargins>
#include <QPointF>
#include <QPointer>
#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <thread>

#include "app/qt/canvas.h"
#include "app/qt/dialogs.h"
#include "play/game_in_play.h"
#include "play/work.h"
#include "study/study.h"
#include "record/kept_games.h"
#include "shell/games_shelf.h"

class QAction;
class QTimer;

namespace rindou::qt {

class BoardWidget;
class Dialogs;
class QtPlatform;
class RecordPanel;

class MainWindow : public QMainWindow {
public:
    // `dialogs` replaces the real message boxes (tests); nullptr for real ones.
    explicit MainWindow(std::unique_ptr<Dialogs> dialogs = nullptr);
    ~MainWindow() override;

    // The window's load event: sound library, settings, the first drawing.
    void start();

    // Starts the game's work, unless work is in progress already (input
    // that arrives while the game waits is dropped); false once the program
    // has ended.
    bool run(Work<> work);
    // Work is in progress: the game waits for `waiting().kind`.
    bool busy() const { return runner_.busy(); }
    const Wait& waiting() const { return runner_.wait(); }
    // The deep search the game waits for runs on its thread now.
    bool searching() const { return search_.joinable(); }
    // The move list and the analysis beside the board.
    class StudyDock* study() const { return study_; }
    // Analyses the game's record at LEVEL4 or LEVEL5 on a thread of its
    // own; the game goes on meanwhile and nothing of it changes.
    void start_analysis(int level);
    void cancel_analysis();
    bool analysing() const { return analysis_.joinable(); }
    // The last analysis finished, when there is one.
    const study::GameAnalysis* analysis() const {
        return analysis_result_ ? &*analysis_result_ : nullptr;
    }
    void set_move_list_shown(bool shown);
    // A mouse press on the surface at a logical position.
    void press(int button, QPointF pos);
    // Runs a menu entry's command as the menu does.
    void command(const std::string& entry);
    // Moves the window to the top-left corner of the screen's available
    // area at its normal size, or smaller where the area is smaller.
    void place();
    // The size of the window (without its frame) for an available area: the
    // normal size, or the largest that fits with the board in the same
    // proportions (a large scale factor leaves fewer logical pixels than the
    // normal size has).
    static QSize fitted_size(QSize available, int menu_bar, QMargins frame);
    // The twips of a logical position of the surface.
    QPointF twips_at(QPointF pos) const;
    // Logical pixels per natural pixel at the present size.
    double scale() const { return scale_; }

    GameInPlay& game() { return game_; }
    BoardWidget* board() const { return board_; }
    RecordPanel* panel() const { return panel_; }
    QtPlatform* platform() const { return platform_.get(); }
    Canvas* canvas() { return &canvas_; }
    QAction* action(const std::string& entry) const;
    Dialogs* dialogs() const { return dialogs_.get(); }
    // Playing on a server: its game, its bar and its menu entries.
    class OnlinePlay* online() const { return online_.get(); }
    QTimer* clock_timer() const { return timer_; }
    QTimer* pause_timer() const { return pause_timer_; }
    bool ended() const;
    // Where start() found the sound library (empty when it found none).
    const std::string& sound_library_path() const { return sound_library_path_; }
    const PictureSet& pictures() const { return pictures_; }
    void set_dialogs(std::unique_ptr<Dialogs> dialogs);
    // From now on SIGTERM, SIGHUP and SIGINT end the program as closing the
    // window does, keeping the game (the program's own window only: one
    // window at a time may ask for them).
    void end_on_quit_signals();
    // The signal that ended the program, 0 when none did.
    int quit_signal() const;
    // A box the window opened (a notice, a question, the about box) is open:
    // the window takes no input until it is answered, but it can be closed.
    bool box_open() const;

    // Milliseconds from construction to the first frame on screen (-1 before).
    qint64 first_frame_ms = -1;

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    // An entry reached by a key, and the menu title that holds it (empty for
    // entries on the menu bar).
    struct KeyedEntry {
        std::string title;
        std::string entry;
    };
    void build_menus();
    void add_shortcuts();
    void run_keyed(const KeyedEntry& keyed);
    void sync_menu();
    // Every caption of the window in the language now chosen.
    void retranslate();
    void update_geometry();
    // Places the board and, when shown, the move list in the window's middle.
    void arrange();
    // Sizes the window for the screen's available area: at its normal size
    // (or smaller where that does not fit), or only smaller when it is too
    // large as it stands.
    void fit_to_screen(bool normal_size);
    void finish();
    // Answers what the work waits for, or finishes up once it is done.
    void serve();
    // Runs one step of the work (a resume or an answer), then serves again.
    void go_on(const std::function<void()>& step);
    void start_search(const SearchRequest& request);
    void search_finished(deep::SearchResult result, int serial);
    // Work in progress is dropped where it waits: its timer, box and search go.
    void drop_work();
    void stop_search();
    void build_study();
    // The move list follows the game: its lines, the position shown, the
    // analysis's marks while they are of this record.
    void refresh_study();
    void analysis_finished(study::GameAnalysis result, std::string key);

    PictureSet pictures_;
    Canvas canvas_;
    FolderShelf shelf_;
    GameInPlay game_;
    std::unique_ptr<Dialogs> dialogs_;
    BoardWidget* board_ = nullptr;
    RecordPanel* panel_ = nullptr;
    std::unique_ptr<QtPlatform> platform_;
    QTimer* timer_ = nullptr;
    Runner runner_;
    // Each wait the window serves has a number: an answer to an older one
    // (a box closed after the work was dropped) is no answer.
    int wait_serial_ = 0;
    QTimer* pause_timer_ = nullptr;
    QTimer* search_cap_ = nullptr;
    QPointer<QWidget> open_box_;
    // The record panel's own notice, opened outside any work of the game.
    QPointer<QWidget> panel_box_;
    class QuitSignals* quit_signals_ = nullptr;
    std::thread search_;
    std::atomic<bool> search_stop_{false};
    class StudyDock* study_ = nullptr;
    std::thread analysis_;
    std::atomic<bool> analysis_cancel_{false};
    std::atomic<int> analysis_done_{0}, analysis_total_{0};
    QTimer* analysis_timer_ = nullptr;
    std::optional<study::GameAnalysis> analysis_result_;
    std::string analysis_key_;  // the record the analysis is of
    int grown_by_study_ = 0;  // the width the window grew by for the list
    class Arranged* central_ = nullptr;
    std::map<std::string, QAction*> actions_;
    QMenu* language_menu_ = nullptr;
    QMenu* online_menu_ = nullptr;
    std::unique_ptr<class OnlinePlay> online_;
    std::map<const QObject*, KeyedEntry> keyed_;
    QSize base_size_{707, 555};
    double scale_ = 1.0;

    bool finished_ = false;
    bool shown_once_ = false;
    std::string sound_library_path_;
};

}  // namespace rindou::qt
