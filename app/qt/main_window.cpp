#include "app/qt/main_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QLayout>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QLabel>
#include <QScreen>
#include <QSessionManager>
#include <QShowEvent>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <exception>

#include "app/qt/board_widget.h"
#include "app/qt/dialogs.h"
#include "app/qt/online_play.h"
#include "app/qt/qt_platform.h"
#include "app/qt/quit_signals.h"
#include "app/qt/record_panel.h"
#include "app/qt/study_dock.h"
#include "app/qt/qt_texts.h"
#include "play/replay.h"
#include "view/move_list.h"
#include "core/consistency.h"
#include "play/clock.h"
#include "play/deep_play.h"
#include "play/flow.h"
#include "play/input.h"
#include "play/record_commands.h"
#include "record/record_file.h"
#include "shell/data_files.h"
#include "shell/games_shelf.h"
#include "shell/menu.h"
#include "shell/settings.h"
#include "shell/start.h"
#include "sound/loader.h"
#include "view/draw.h"

namespace rindou::qt {

namespace {
// The normal window: 10600 by 8700 twips.
constexpr int WINDOW_W = 707;
constexpr int WINDOW_H = 580;
// The width the window grows by when the move list is shown.
constexpr int STUDY_WIDTH = 230;
// A safety net for the deep search: its budgets end it well before.
constexpr int SEARCH_CAP_MS = 15000;

QString q(const std::string& s) { return QString::fromStdString(s); }

// The events a person's hands make.
bool is_input(QEvent::Type type) {
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::Wheel:
    case QEvent::ContextMenu:
    case QEvent::Shortcut:
    case QEvent::ShortcutOverride:
        return true;
    default:
        return false;
    }
}

}  // namespace

// The window's middle: it places the board and the move list itself.
class Arranged : public QWidget {
public:
    using QWidget::QWidget;
    QSize sizeHint() const override { return QSize(707, 555); }
    std::function<void()> on_resize;

protected:
    void resizeEvent(QResizeEvent*) override {
        if (on_resize) on_resize();
    }
};

namespace {

// Choosing a language, as work, so that it waits its turn as every command
// of the window does.
Work<> language_command(GameInPlay& g, Language l) {
    choose_language(g, l);
    co_return;
}
}  // namespace

MainWindow::MainWindow(std::unique_ptr<Dialogs> dialogs)
    : canvas_(&pictures_),
      shelf_(games_folder()),
      dialogs_(dialogs ? std::move(dialogs) : std::make_unique<Dialogs>()) {
    static QElapsedTimer since_start;
    since_start.start();
    setObjectName(QStringLiteral("Rindou"));
    setWindowTitle(QStringLiteral("Rindou"));
    std::string icon = find_data_file("pictures/ICON.png");
    QImage icon_image = read_data_image(icon);
    if (!icon_image.isNull()) setWindowIcon(QIcon(QPixmap::fromImage(icon_image)));

    // The board and the move list share the window's middle; where each
    // goes is decided anew at every size (arrange()).
    central_ = new Arranged(this);
    central_->setObjectName(QStringLiteral("Middle"));
    central_->setMinimumSize(160, 120);
    central_->on_resize = [this] { arrange(); };
    board_ = new BoardWidget(&canvas_, central_);
    board_->setMinimumSize(1, 1);
    setCentralWidget(central_);
    panel_ = new RecordPanel(board_, QString::fromStdString(shelf_.folder()));
    platform_ = std::make_unique<QtPlatform>(this, board_, &canvas_, panel_);
    if (!shelf_.folder().empty()) platform_->set_game_shelf(&shelf_);
    game_.io = platform_.get();

    board_->on_press = [this](int button, QPointF pos) { press(button, pos); };
    board_->on_geometry = [this] { update_geometry(); };
    board_->on_first_paint = [this] { first_frame_ms = since_start.elapsed(); };
    panel_->on_save = [this] { run(save_record(game_)); };
    panel_->on_file = [this](const QString& path) { run(load_record(game_, path.toStdString())); };
    panel_->on_message = [this](const QString& title, const QString& text) {
        panel_box_ = dialogs_->message(this, title, text, {});
    };

    build_menus();
    add_shortcuts();
    build_study();
    online_ = std::make_unique<OnlinePlay>(this, shelf_.folder().empty() ? nullptr : &shelf_);

    // Timer1: the 50 ms clock tick; clock_tick itself knows whether it runs.
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("Timer1"));
    timer_->setInterval(50);
    // The clock runs on while the computer thinks by the deep search; during
    // the game's other waits it stands, as it always has (the game is in the
    // middle of a handler then).
    connect(timer_, &QTimer::timeout, this, [this] {
        if (ended() || !game_.st.timer_enabled) return;
        if (runner_.busy() && runner_.wait().kind != Wait::Kind::Search) return;
        clock_tick(game_);
    });
    timer_->start();

    pause_timer_ = new QTimer(this);
    pause_timer_->setSingleShot(true);
    connect(pause_timer_, &QTimer::timeout, this, [this] { go_on([this] { runner_.resume(); }); });
    search_cap_ = new QTimer(this);
    search_cap_->setSingleShot(true);
    connect(search_cap_, &QTimer::timeout, this, [this] { search_stop_ = true; });

    qApp->installEventFilter(this);
    // A logout or shutdown asks the program to save its work first: the
    // window ends as closing it does, keeping the game.  Quitting by any
    // other way the platform has does the same.
    connect(qApp, &QGuiApplication::commitDataRequest, this, [this](QSessionManager&) {
        if (!ended()) close();
    });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] {
        if (!ended()) close();
    });
    const QScreen* on = screen();
    resize(on ? fitted_size(on->availableGeometry().size(), menuBar()->sizeHint().height(), {})
              : QSize(WINDOW_W, WINDOW_H));
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    cancel_analysis();
    stop_search();
    // The work's frames go before the game they refer to.
    runner_.abandon();
    game_.io = nullptr;
}

void MainWindow::set_dialogs(std::unique_ptr<Dialogs> dialogs) { dialogs_ = std::move(dialogs); }

void MainWindow::end_on_quit_signals() {
    if (quit_signals_) return;
    quit_signals_ = new QuitSignals([this](int) {
        if (!ended()) close();
    }, this);
}

int MainWindow::quit_signal() const { return quit_signals_ ? quit_signals_->received() : 0; }

bool MainWindow::box_open() const {
    return (open_box_ && open_box_->isVisible()) || (panel_box_ && panel_box_->isVisible());
}

void MainWindow::start() {
    platform_->set_sound_library(load_sound_library(&sound_library_path_));
    // The game's sound port is the library just loaded.
    game_.io.sound = platform_->sound_library();
    run(start_up(game_));
    // The settings or the desktop have chosen the language by now, and
    // whether the move list is shown.
    retranslate();
    if (game_.view.move_list_shown) {
        game_.view.move_list_shown = false;
        set_move_list_shown(true);
    }
    // Back to the online game the window was in when it closed.
    online_->resume();
}

bool MainWindow::ended() const { return finished_ || platform_->ended(); }

bool MainWindow::run(Work<> work) {
    if (ended()) return false;
    // One handler at a time: what arrives while the game waits (a pause, a
    // box, the search) is not started on top of it.
    if (runner_.busy()) return true;
    go_on([this, &work] { runner_.start(std::move(work)); });
    return !ended();
}

void MainWindow::go_on(const std::function<void()>& step) {
    try {
        step();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "rindou: %s\n", e.what());
    }
    serve();
}

void MainWindow::serve() {
    if (runner_.ended() || platform_->ended()) {
        finish();
        return;
    }
    if (!runner_.busy()) {
        if (checking_state()) check_state_after(game_.st, "a window command");
        canvas_.set_underlay(game_.st.background_code);
        sync_menu();
        refresh_study();
        return;
    }
    const Wait& w = runner_.wait();
    const int serial = ++wait_serial_;
    switch (w.kind) {
        case Wait::Kind::Pause:
            pause_timer_->start(static_cast<int>(std::ceil(std::max(w.seconds, 0.0) * 1000.0)));
            break;
        case Wait::Kind::Notice:
            open_box_ = dialogs_->message(this, q(w.title), q(w.text), [this, serial] {
                if (serial == wait_serial_) go_on([this] { runner_.resume(); });
            });
            break;
        case Wait::Kind::Question:
            open_box_ = dialogs_->ask_yes_no(this, q(w.title), q(w.text), [this, serial](bool yes) {
                if (serial == wait_serial_) go_on([this, yes] { runner_.answer(yes); });
            });
            break;
        case Wait::Kind::About:
            open_box_ = dialogs_->about(this, [this, serial](bool home) {
                if (serial == wait_serial_) go_on([this, home] { runner_.answer(home); });
            });
            break;
        case Wait::Kind::Search: start_search(w.search); break;
        case Wait::Kind::End: finish(); break;
    }
}

void MainWindow::start_search(const SearchRequest& request) {
    stop_search();
    search_stop_ = false;
    const int serial = wait_serial_;
    // The search touches nothing of the game: it works on the request's copy
    // of the position, and its result comes back through the event loop.
    search_ = std::thread([this, request, serial] {
        deep::SearchResult result;
        try {
            result = run_search(request, &search_stop_);
        } catch (const std::exception& e) {
            // A search that fails is no result: the game hears of the
            // failure (it asks once more, then says so).
            std::fprintf(stderr, "rindou: %s\n", e.what());
            QMetaObject::invokeMethod(
                this,
                [this, serial] {
                    if (search_.joinable()) search_.join();
                    search_cap_->stop();
                    if (serial == wait_serial_) go_on([this] { runner_.search_failed(); });
                },
                Qt::QueuedConnection);
            return;
        }
        QMetaObject::invokeMethod(
            this, [this, result, serial] { search_finished(result, serial); },
            Qt::QueuedConnection);
    });
    search_cap_->start(SEARCH_CAP_MS);
}

void MainWindow::search_finished(deep::SearchResult result, int serial) {
    if (search_.joinable()) search_.join();
    search_cap_->stop();
    if (serial != wait_serial_) return;
    go_on([this, &result] { runner_.deliver(std::move(result)); });
}

void MainWindow::stop_search() {
    if (!search_.joinable()) return;
    search_stop_ = true;
    search_.join();
    search_cap_->stop();
}

void MainWindow::drop_work() {
    ++wait_serial_;
    pause_timer_->stop();
    stop_search();
    if (open_box_) {
        open_box_->hide();
        open_box_->deleteLater();
    }
    runner_.abandon();
}

void MainWindow::finish() {
    if (finished_) return;
    finished_ = true;
    timer_->stop();
    drop_work();
    if (panel_box_) {
        panel_box_->hide();
        panel_box_->deleteLater();
    }
    hide();
    QCoreApplication::quit();
}

QPointF MainWindow::twips_at(QPointF pos) const {
    // The device pixel under the pointer, then the twips at its centre: the
    // same rounding as the drawing, so a click lands on the cell it shows.
    double dpr = canvas_.device_pixel_ratio();
    int px = static_cast<int>(std::floor(pos.x() * dpr));
    int py = static_cast<int>(std::floor(pos.y() * dpr));
    return QPointF(canvas_.twips_of_device(px), canvas_.twips_of_device(py));
}

void MainWindow::press(int button, QPointF pos) {
    QPointF t = twips_at(pos);
    // In an online game the click's move goes to the server.
    if (online_ && online_->active()) {
        if (!busy() && !ended()) online_->press(button, t);
        return;
    }
    run(on_mouse_down(game_, button, t.x(), t.y()));
}

void MainWindow::command(const std::string& entry) {
    if (online_ && !busy() && online_->command(entry)) return;
    run(menu_command(game_, entry));
}

void MainWindow::build_menus() {
    std::map<std::string, QMenu*> menus;
    const auto& tree = menu_tree();
    auto has_children = [&tree](const std::string& name) {
        for (const MenuEntry& e : tree)
            if (name == e.parent) return true;
        return false;
    };
    for (const MenuEntry& e : tree) {
        const std::string name = e.name;
        const QString caption = QString::fromStdString(text(e.caption));
        const std::string parent = e.parent;
        QAction* action = nullptr;
        if (has_children(name)) {
            QMenu* menu = parent.empty() ? menuBar()->addMenu(caption)
                                         : menus.at(parent)->addMenu(caption);
            menu->setObjectName(QString::fromStdString(name));
            menus[name] = menu;
            action = menu->menuAction();
            // Opening a title runs its command (the record panel closes).
            if (parent.empty())
                connect(menu, &QMenu::aboutToShow, this, [this, name] { command(name); });
        } else {
            action = parent.empty() ? menuBar()->addAction(caption)
                                    : menus.at(parent)->addAction(caption);
            action->setCheckable(e.checkable);
            connect(action, &QAction::triggered, this, [this, name] { command(name); });
        }
        action->setObjectName(QString::fromStdString(name));
        actions_[name] = action;
    }
    // The languages, each named in its own words, under the options: a
    // choice of the window, not a command of the game (the console always
    // speaks Japanese).
    language_menu_ = menus.at("OPTION")->addMenu(QString::fromStdString(text(Text::MenuLanguage)));
    language_menu_->setObjectName(QStringLiteral("LANGUAGE"));
    language_menu_->menuAction()->setObjectName(QStringLiteral("LANGUAGE"));
    for (const LanguageEntry& e : language_entries()) {
        QAction* action = language_menu_->addAction(
            QString::fromStdString(std::string(text_pattern(Text::LanguageName, e.language))));
        action->setObjectName(QString::fromStdString(e.name));
        action->setCheckable(true);
        const Language l = e.language;
        connect(action, &QAction::triggered, this, [this, l] {
            run(language_command(game_, l));
            retranslate();
        });
        actions_[e.name] = action;
    }
    // Studying the game: the move list beside the board and its analysis,
    // choices of the window like the language.
    QMenu* kifu = menus.at("KIFU");
    QAction* list = kifu->addAction(qtext(Text::MenuMoveList));
    list->setObjectName(QStringLiteral("MOVE_LIST"));
    list->setCheckable(true);
    connect(list, &QAction::triggered, this,
            [this](bool on) { if (!ended()) set_move_list_shown(on); });
    actions_["MOVE_LIST"] = list;
    for (int level : {4, 5}) {
        const std::string name = "ANALYSE" + std::to_string(level);
        QAction* a = kifu->addAction(QString());
        a->setObjectName(QString::fromStdString(name));
        connect(a, &QAction::triggered, this, [this, level] { start_analysis(level); });
        actions_[name] = a;
    }
    // Playing on a server: entries of the window's own, beside the game's.
    online_menu_ = menus.at("TAIKYOKU")->addMenu(qtext(Text::MenuOnline));
    online_menu_->setObjectName(QStringLiteral("ONLINE"));
    online_menu_->menuAction()->setObjectName(QStringLiteral("ONLINE"));
    const std::pair<const char*, std::function<void()>> online_entries[] = {
        {"ONLINE_NEW", [this] { online_->ask_new_game(); }},
        {"ONLINE_JOIN", [this] { online_->ask_link(); }},
        {"ONLINE_LEAVE", [this] { online_->leave(); }},
    };
    for (const auto& [name, act] : online_entries) {
        QAction* a = online_menu_->addAction(QString());
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, [this, act = act] { if (!ended() && !busy()) act(); });
        actions_[name] = a;
    }
    sync_menu();
}

void MainWindow::retranslate() {
    for (const MenuEntry& e : menu_tree()) {
        QAction* a = actions_.at(e.name);
        a->setText(QString::fromStdString(text(e.caption)));
    }
    language_menu_->setTitle(QString::fromStdString(text(Text::MenuLanguage)));
    actions_.at("MOVE_LIST")->setText(qtext(Text::MenuMoveList));
    actions_.at("ANALYSE4")->setText(qtext(Text::MenuAnalyse, {{"level", text(Text::MenuLevel4)}}));
    actions_.at("ANALYSE5")->setText(qtext(Text::MenuAnalyse, {{"level", text(Text::MenuLevel5)}}));
    online_menu_->setTitle(qtext(Text::MenuOnline));
    actions_.at("ONLINE_NEW")->setText(qtext(Text::OnlineNewGame));
    actions_.at("ONLINE_JOIN")->setText(qtext(Text::OnlineJoinByLink));
    actions_.at("ONLINE_LEAVE")->setText(qtext(Text::OnlineLeave));
    if (online_) online_->retranslate();
    study_->retranslate();
    refresh_study();
    panel_->retranslate();
    platform_->retranslate();
    sync_menu();
}

// The keys of the commands used most, set on their entries so that the
// menus show them (the menu bar shows none: the help page lists those of 戻
// and 進).  A key runs what choosing the entry with the mouse runs: first
// what opening its menu title runs, then the entry (see eventFilter).
void MainWindow::add_shortcuts() {
    struct Key {
        const char* entry;
        QKeySequence key;
    };
    const Key keys[] = {
        {"KAISETU", QKeySequence(Qt::Key_F1)},
        {"KIFU_READ", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"KIFU_WRITE", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"REPLAY", QKeySequence(Qt::Key_Left)},
        {"MATTA", QKeySequence(Qt::CTRL | Qt::Key_Z)},
        {"AFTER", QKeySequence(Qt::Key_Right)},
        {"CANCEL", QKeySequence(Qt::Key_Home)},
        {"OWARI", QKeySequence(Qt::CTRL | Qt::Key_Q)},
    };
    const auto& tree = menu_tree();
    auto parent_of = [&tree](const std::string& name) -> std::string {
        for (const MenuEntry& e : tree)
            if (name == e.name) return e.parent;
        return {};
    };
    for (const Key& k : keys) {
        KeyedEntry keyed{{}, k.entry};
        for (std::string up = parent_of(keyed.entry); !up.empty(); up = parent_of(up))
            keyed.title = up;
        QAction* a = actions_.at(keyed.entry);
        a->setShortcut(k.key);
        a->setShortcutContext(Qt::WindowShortcut);
        keyed_[a] = keyed;
    }
}

namespace {
// What choosing an entry with the mouse runs: its title's command first.
Work<> keyed_command(GameInPlay& g, std::string title, std::string entry) {
    if (!title.empty()) co_await menu_command(g, title);
    co_await menu_command(g, entry);
}
}  // namespace


void MainWindow::run_keyed(const KeyedEntry& keyed) {
    if (online_ && !busy() && online_->command(keyed.entry)) return;
    run(keyed_command(game_, keyed.title, keyed.entry));
}

void MainWindow::sync_menu() {
    for (const MenuEntry& e : menu_tree()) {
        if (!e.checkable) continue;
        QAction* a = actions_.at(e.name);
        a->setChecked(menu_checked(game_.st, e.name));
    }
    for (const LanguageEntry& e : language_entries())
        actions_.at(e.name)->setChecked(language() == e.language);
    actions_.at("MOVE_LIST")->setChecked(game_.view.move_list_shown);
}

QAction* MainWindow::action(const std::string& entry) const {
    auto it = actions_.find(entry);
    return it == actions_.end() ? nullptr : it->second;
}

void MainWindow::place() {
    // A window parked with its top edge at -60 twips stays where it is.
    if (frameGeometry().top() * 15 == -60) return;
    fit_to_screen(true);
    base_size_ = QSize(WINDOW_W, WINDOW_H - menuBar()->sizeHint().height());
    update_geometry();
}

void MainWindow::fit_to_screen(bool normal_size) {
    const QScreen* on = screen();
    if (!on) {
        move(0, 0);
        resize(WINDOW_W, WINDOW_H);
        return;
    }
    // The frame is known once the window is on screen (none before).
    const QRect frame = frameGeometry(), inner = geometry();
    const QMargins margins(inner.left() - frame.left(), inner.top() - frame.top(),
                           frame.right() - inner.right(), frame.bottom() - inner.bottom());
    const QRect area = on->availableGeometry();
    if (!normal_size && area.contains(frame)) return;
    QSize size = fitted_size(area.size(), menuBar()->sizeHint().height(), margins);
    // With the move list shown the window is wider by the list, as far as
    // the area has room.
    int list = 0;
    if (game_.view.move_list_shown)
        list = std::clamp(area.width() - margins.left() - margins.right() - size.width(), 0, STUDY_WIDTH);
    size.setWidth(size.width() + list);
    if (normal_size || size.width() < width() || size.height() < height()) {
        move(area.topLeft());
        resize(size);
        if (game_.view.move_list_shown) grown_by_study_ = list;
    }
}

void MainWindow::showEvent(QShowEvent* e) {
    QMainWindow::showEvent(e);
    // Placed before it was shown, the window did not know its frame yet: a
    // frame that takes it past the screen's edge makes it smaller now.
    if (!e->spontaneous() && !shown_once_) {
        shown_once_ = true;
        fit_to_screen(false);
    }
}

QSize MainWindow::fitted_size(QSize available, int menu_bar, QMargins frame) {
    const int room_w = available.width() - frame.left() - frame.right();
    const int room_h = available.height() - frame.top() - frame.bottom();
    if (room_w >= WINDOW_W && room_h >= WINDOW_H) return QSize(WINDOW_W, WINDOW_H);
    // The board keeps its proportions; the menu bar keeps its height.
    const int board_h = WINDOW_H - menu_bar;
    double k = std::min(static_cast<double>(room_w) / WINDOW_W,
                        static_cast<double>(room_h - menu_bar) / board_h);
    k = std::clamp(k, 0.0, 1.0);
    // No smaller than the surface's own minimum (a screen that small is cut
    // off anyway).
    return QSize(std::max(static_cast<int>(std::floor(WINDOW_W * k)), 160),
                 menu_bar + std::max(static_cast<int>(std::floor(board_h * k)), 120));
}

void MainWindow::update_geometry() {
    QSize size = board_->size();
    double sx = static_cast<double>(size.width()) / base_size_.width();
    double sy = static_cast<double>(size.height()) / base_size_.height();
    double s = std::min(sx, sy);
    // A surface within a few pixels of its normal size keeps the pictures at
    // their natural size.
    if (std::abs(s - 1.0) < 0.01) s = 1.0;
    double dpr = board_->devicePixelRatioF();
    QSize device(static_cast<int>(std::ceil(size.width() * dpr)),
                 static_cast<int>(std::ceil(size.height() * dpr)));
    if (device == canvas_.image().size() && qFuzzyCompare(canvas_.device_scale(), s * dpr) &&
        qFuzzyCompare(canvas_.device_pixel_ratio(), dpr))
        return;
    scale_ = s;
    canvas_.set_geometry(device, s * dpr, dpr);
    panel_->place(s);
    board_->update();
}

void MainWindow::keyPressEvent(QKeyEvent* e) {
    // Esc (character 27) ends the program; every other key is ignored.
    if (e->key() == Qt::Key_Escape) {
        run(quit_program(game_));
        return;
    }
    QMainWindow::keyPressEvent(e);
}

void MainWindow::closeEvent(QCloseEvent* e) {
    if (ended()) {
        e->accept();
        return;
    }
    // Closed while the game waits (a pause, a box, the search): the rest of
    // that handler is dropped, a search is cut short and its thread ends,
    // and the program ends as it always does, keeping the game.
    if (runner_.busy()) drop_work();
    run(quit_program(game_));
    if (ended())
        e->accept();
    else
        e->ignore();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* e) {
    // During a pause and the deep search nothing is open to answer: the
    // window repaints but takes no input, as the game is in the middle of a
    // handler.
    const bool idling = runner_.busy() && (runner_.wait().kind == Wait::Kind::Pause ||
                                           runner_.wait().kind == Wait::Kind::Search);
    if (idling && is_input(e->type())) return true;  // the computer's pause takes no input
    // While a box is open the window behind it takes no input, as the game
    // waits for the box's answer; a click on it brings the box forward.
    // (The boxes are not modal to the window: a modal box would also swallow
    // the desktop's request to close the window, and closing must work
    // then too.)
    if (is_input(e->type()) && box_open()) {
        auto* widget = qobject_cast<QWidget*>(watched);
        const bool ours = widget ? widget->window() == this : keyed_.count(watched) != 0;
        if (ours) {
            if (e->type() == QEvent::MouseButtonPress) {
                QWidget* box = open_box_ && open_box_->isVisible() ? open_box_.data() : panel_box_.data();
                box->raise();
                box->activateWindow();
            }
            return true;
        }
    }
    // A key of an entry: what the menu runs, instead of the bare entry.
    if (e->type() == QEvent::Shortcut) {
        auto it = keyed_.find(watched);
        if (it != keyed_.end()) {
            run_keyed(it->second);
            return true;
        }
    }
    // In the record panel's lists the arrows and Home move through the list
    // as usual; they are no step or reset commands there.
    if (e->type() == QEvent::ShortcutOverride && panel_ &&
        (watched == panel_->folders || watched == panel_->files || watched == panel_->drives)) {
        auto* k = static_cast<QKeyEvent*>(e);
        if (k->modifiers() == Qt::NoModifier &&
            (k->key() == Qt::Key_Left || k->key() == Qt::Key_Right || k->key() == Qt::Key_Home)) {
            e->accept();
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, e);
}

namespace {

// Jumping, as work, so that it waits its turn as every command does.
Work<> jump_command(GameInPlay& g, int n) {
    (void)jump_to(g, n);
    co_return;
}


// A side's paragraph of the analysis's summary, wrapped only between its
// phrases (the summary parts them by two spaces: "Blunders 1  Mistakes 0"):
// a label never parts from its count, nor the side from its first phrase,
// and a wrapped line is indented under the side it belongs to.
QString summary_line(const std::string& side, const std::string& counts) {
    const QString keep = QStringLiteral("&nbsp;");
    QStringList phrases = QString::fromStdString(counts).split(QStringLiteral("  "), Qt::SkipEmptyParts);
    for (QString& phrase : phrases)
        phrase = phrase.trimmed().toHtmlEscaped().replace(QLatin1Char(' '), keep);
    return QStringLiteral("<p style=\"margin-top:0; margin-bottom:0; margin-left:16px; text-indent:-16px\">") +
           QString::fromStdString(side).toHtmlEscaped() + keep + phrases.join(QStringLiteral(" &nbsp;")) +
           QStringLiteral("</p>");
}

}  // namespace

void MainWindow::build_study() {
    study_ = new StudyDock(central_);
    study_->hide();
    study_->on_jump = [this](int position) {
        if (position != game_.st.record_count) run(jump_command(game_, position));
    };
    connect(study_->cancel, &QPushButton::clicked, this, [this] { analysis_cancel_ = true; });
    analysis_timer_ = new QTimer(this);
    analysis_timer_->setInterval(50);
    connect(analysis_timer_, &QTimer::timeout, this, [this] {
        study_->progress->setMaximum(std::max(1, analysis_total_.load()));
        study_->progress->setValue(analysis_done_.load());
    });
}

void MainWindow::set_move_list_shown(bool shown) {
    if (shown == game_.view.move_list_shown) return;
    show_move_list(game_, shown);
    if (shown) {
        // The window grows by the list as far as the screen has room, so
        // that the board keeps its size where it can; where it cannot, the
        // list takes its room from the board's (arrange()).
        int grow = STUDY_WIDTH;
        const QScreen* on = screen();
        if (on) grow = std::clamp(on->availableGeometry().width() - frameGeometry().width(), 0, grow);
        const int before = width();
        study_->show();
        resize(width() + grow, height());
        grown_by_study_ = width() - before;
        if (on) {
            const int over = frameGeometry().right() - on->availableGeometry().right();
            if (over > 0) move(pos().x() - over, pos().y());
        }
    } else {
        study_->hide();
        resize(std::max(width() - grown_by_study_, minimumWidth()), height());
        grown_by_study_ = 0;
    }
    arrange();
    refresh_study();
    sync_menu();
}

void MainWindow::arrange() {
    const QSize area = central_->size();
    if (!study_ || study_->isHidden()) {
        board_->setGeometry(QRect(QPoint(0, 0), area));
        return;
    }
    const MoveListPlace at = place_move_list(area.width(), area.height());
    study_->set_below(at.below);
    board_->setGeometry(0, 0, at.board_width, at.board_height);
    study_->setGeometry(at.list_x, at.list_y, at.list_width, at.list_height);
}

void MainWindow::refresh_study() {
    if (!study_ || !game_.view.move_list_shown) return;
    const GameState& s = game_.st;
    const bool current = analysis_result_ && study::analysed_record_key(s) == analysis_key_;
    study_->show_lines(move_list_lines(s, game_.view.turned), s.record_count,
                       current ? &*analysis_result_ : nullptr, game_.view.turned);
    if (!current) {
        study_->graph->set_points({}, {});
        study_->summary->clear();
    }
    // The hint's words stand only while the position is the one it was given for.
    study_->hint->setText(q(hint_words(s)));
}

void MainWindow::start_analysis(int level) {
    if (ended() || analysing()) return;
    if (!game_.view.move_list_shown) set_move_list_shown(true);
    analysis_cancel_ = false;
    analysis_done_ = 0;
    analysis_total_ = 0;
    study_->progress->setValue(0);
    study_->progress->show();
    study_->cancel->show();
    analysis_timer_->start();
    const GameState copy = game_.st;
    const std::string key = study::analysed_record_key(copy);
    analysis_ = std::thread([this, copy, key, level] {
        study::Hooks hooks;
        hooks.progress = [this](int done, int total) {
            analysis_done_ = done;
            analysis_total_ = total;
        };
        hooks.cancel = &analysis_cancel_;
        study::GameAnalysis result = study::analyse_game(copy, level, hooks);
        QMetaObject::invokeMethod(
            this, [this, result, key] { analysis_finished(result, key); }, Qt::QueuedConnection);
    });
}

void MainWindow::cancel_analysis() {
    if (!analysis_.joinable()) return;
    analysis_cancel_ = true;
    analysis_.join();
}

void MainWindow::analysis_finished(study::GameAnalysis result, std::string key) {
    if (analysis_.joinable()) analysis_.join();
    analysis_timer_->stop();
    study_->progress->hide();
    study_->cancel->hide();
    if (result.ending == study::Ending::Cancelled) return;
    analysis_result_ = std::move(result);
    analysis_key_ = std::move(key);
    // The graph: every position from the first player's side.
    const GameState& s = game_.st;
    const bool upper_first = s.sente_turn == s.upper_turn();
    std::vector<double> chances;
    std::vector<study::Mark> marks{study::Mark::None};
    for (const study::MoveReview& r : analysis_result_->moves) {
        const double sign = r.upper == upper_first ? 1.0 : -1.0;
        if (chances.empty()) chances.push_back(sign * study::winning_chances(r.before));
        chances.push_back(sign * study::winning_chances(r.after));
        marks.push_back(r.mark);
    }
    study_->graph->set_points(std::move(chances), std::move(marks));
    auto side = [](const study::SideSummary& x) {
        return text(Text::AnalysisSummary, {{"blunders", std::to_string(x.blunders)},
                                            {"mistakes", std::to_string(x.mistakes)},
                                            {"inaccuracies", std::to_string(x.inaccuracies)}});
    };
    const study::SideSummary& first = upper_first ? analysis_result_->upper : analysis_result_->lower;
    const study::SideSummary& second = upper_first ? analysis_result_->lower : analysis_result_->upper;
    study_->summary->setText(summary_line(text(Text::SenteMark), side(first)) +
                             summary_line(text(Text::GoteMark), side(second)));
    refresh_study();
}

}  // namespace rindou::qt
