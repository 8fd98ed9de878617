// The window playing on a Rindou server: the board shows the server's game,
// a click's move goes to the server instead of being played here, and a
// move is played on the board when the server says it was made.  A bar
// under the board shows both players (name, presence, clock), whose turn it
// is, a banner while the connection is being made again, and the buttons of
// an online game (resign, abort, take back, rematch, claim, leave).
#pragma once

#include <QElapsedTimer>
#include <QJsonObject>
#include <QPointF>
#include <QString>
#include <QUrl>
#include <string>

#include "app/qt/online_client.h"
#include "app/qt/online_seats.h"
#include "play/game_in_play.h"

class QLabel;
class QPushButton;
class QTimer;
class QToolBar;

namespace rindou::qt {

class MainWindow;

class OnlinePlay {
public:
    OnlinePlay(MainWindow* window, GameShelf* shelf);
    ~OnlinePlay();

    // A game is open (played or watched).
    bool active() const { return client_.is_open(); }
    // The person plays a side (false when watching).
    bool playing() const { return !side_.isEmpty(); }
    // The board is shown turned round, the person's upper side at the foot.
    bool turned() const { return side_ == QLatin1String("upper"); }
    const QString& side() const { return side_; }
    const QJsonObject& game() const { return game_; }
    int ply() const { return ply_; }
    OnlineClient& client() { return client_; }
    OnlineSeats& seats() { return seats_; }
    QToolBar* bar() const { return bar_; }
    QLabel* banner() const { return banner_; }
    QLabel* status() const { return status_; }
    // The invitation and watch links of the game the person made.
    QString invite_link() const;
    QString watch_link() const;

    // The menu's entries: the form of a new game, and the box for a link.
    void ask_new_game();
    void ask_link();
    // The same without the boxes.
    void create(const QUrl& server, const QJsonObject& settings);
    void open_link(const OnlineLink& link, const QString& name = {});
    // Returns to the game the seats file names, if any (the window's start).
    void resume();
    // Leaves the game: the connection closes and the board is emptied.
    void leave();

    // A press on the board at twips (x, y) while a game is open.
    void press(int button, QPointF twips);
    // A shared menu entry while a game is open: true when it was taken here
    // (resign and take-back ask the server; entries that would change the
    // position on the board do nothing).
    bool command(const std::string& entry);
    // The server's address the person gave last.
    QUrl remembered_server() const;
    void retranslate();

private:
    void open_game(const QUrl& server, const OnlineSeat& seat);
    void message(const QJsonObject& m);
    void refused(const QString& type, const QString& code);
    void set_position(const QJsonObject& g);
    bool apply_move(const QJsonObject& move, bool draw);
    void ended(const QJsonObject& result);
    void keep_record();
    void offer(const QJsonObject& d);
    void ask(const QString& text, const QString& kind);
    void notice(const QString& text);
    void refresh();
    void show_bar(bool shown);
    void remember_server(const QUrl& server);
    QString player_line(const QString& side) const;
    QString result_text(const QJsonObject& result) const;
    bool my_turn() const;

    MainWindow* window_;
    GameInPlay& g_;
    GameShelf* shelf_;
    OnlineClient client_;
    OnlineSeats seats_;
    QString side_;  // "lower", "upper", or empty when watching
    QString invite_;
    QJsonObject game_;  // the game as the server last described it, kept up to date
    QJsonObject presence_;
    QElapsedTimer clock_since_;  // since the clock's last reading arrived
    int ply_ = 0;
    bool move_sent_ = false;  // a move of this ply is on its way
    QToolBar* bar_ = nullptr;
    QLabel* banner_ = nullptr;
    QLabel* lower_ = nullptr;
    QLabel* upper_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton *resign_ = nullptr, *abort_ = nullptr, *takeback_ = nullptr, *rematch_ = nullptr,
                *claim_ = nullptr, *invite_button_ = nullptr, *leave_ = nullptr;
    QTimer* clock_timer_ = nullptr;
    int grown_by_ = 0;
};

}  // namespace rindou::qt
