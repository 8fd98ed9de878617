#include "app/qt/online_play.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QToolBar>
#include <QUuid>
#include <QVBoxLayout>
#include <cmath>

#include "app/qt/dialogs.h"
#include "app/qt/main_window.h"
#include "app/qt/qt_platform.h"
#include "app/qt/qt_texts.h"
#include "core/record_store.h"
#include "core/rules.h"
#include "play/flow.h"
#include "play/input.h"
#include "play/move.h"
#include "play/sound.h"
#include "record/kept_games.h"
#include "shell/settings.h"
#include "view/draw.h"

namespace rindou::qt {

namespace {

constexpr int PICK_COLOUR = 12;

QString other_side(const QString& side) {
    return side == QLatin1String("lower") ? QStringLiteral("upper") : QStringLiteral("lower");
}

// "4:05" or "1:02:03" for a clock's milliseconds left.
QString clock_text(qint64 ms) {
    const qint64 s = std::max<qint64>(0, (ms + 999) / 1000);
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

QJsonArray square(int c, int r) { return QJsonArray{c, r}; }

// The player of the upper side sees their own side at the foot: the board
// they are shown is the server's turned round, as the game's own turned
// board is (each square to the opposite one, each piece to the other side,
// the hands exchanged), so that the board draws and picks as for the lower
// side.  Only what is shown turns: the moves sent and read stay the server's.
QJsonArray turned_square(const QJsonArray& sq) {
    return square(10 - sq.at(0).toInt(), 10 - sq.at(1).toInt());
}

QJsonObject turned_move(QJsonObject move) {
    for (const QString& key : {QStringLiteral("from"), QStringLiteral("to")})
        if (move.contains(key)) move.insert(key, turned_square(move.value(key).toArray()));
    return move;
}

QJsonObject turned_game(QJsonObject game) {
    const QJsonArray rows = game.value(QStringLiteral("board")).toArray();
    QJsonArray board;
    for (int r = 9; r >= 1; --r) {
        const QJsonArray row = rows.at(r - 1).toArray();
        QJsonArray line;
        for (int c = 9; c >= 1; --c) {
            const int code = row.at(c - 1).toInt();
            line.append(std::abs(code) >= HU ? -code : code);
        }
        board.append(line);
    }
    game.insert(QStringLiteral("board"), board);
    game.insert(QStringLiteral("coin"), turned_square(game.value(QStringLiteral("coin")).toArray()));
    const QJsonObject hands = game.value(QStringLiteral("hands")).toObject();
    game.insert(QStringLiteral("hands"), QJsonObject{{"lower", hands.value(QStringLiteral("upper"))},
                                                     {"upper", hands.value(QStringLiteral("lower"))}});
    for (const QString& key : {QStringLiteral("first"), QStringLiteral("turn")}) {
        const QString side = game.value(key).toString(key == QLatin1String("first") ? QStringLiteral("lower") : QString());
        if (side == QLatin1String("lower") || side == QLatin1String("upper")) game.insert(key, other_side(side));
    }
    QJsonArray moves;
    for (const QJsonValue& m : game.value(QStringLiteral("moves")).toArray()) moves.append(turned_move(m.toObject()));
    game.insert(QStringLiteral("moves"), moves);
    return game;
}

}  // namespace

OnlinePlay::OnlinePlay(MainWindow* window, GameShelf* shelf)
    : window_(window), g_(window->game()), shelf_(shelf), seats_(OnlineSeats::default_path()) {
    seats_.load();
    client_.on_message = [this](const QJsonObject& m) { message(m); };
    client_.on_refused = [this](int, const QString& type, const QJsonObject&, const QString& code) {
        refused(type, code);
    };
    client_.on_connection = [this](bool) { refresh(); };

    bar_ = new QToolBar(window_);
    bar_->setObjectName(QStringLiteral("Online"));
    bar_->setMovable(false);
    bar_->setFloatable(false);
    auto* box = new QWidget(bar_);
    auto* rows = new QVBoxLayout(box);
    rows->setContentsMargins(4, 2, 4, 2);
    rows->setSpacing(2);
    banner_ = new QLabel(box);
    banner_->setObjectName(QStringLiteral("OnlineBanner"));
    banner_->setAlignment(Qt::AlignCenter);
    banner_->setStyleSheet(QStringLiteral("background:#b03030; color:white; padding:2px; font-weight:bold"));
    rows->addWidget(banner_);
    auto* players = new QHBoxLayout;
    lower_ = new QLabel(box);
    upper_ = new QLabel(box);
    status_ = new QLabel(box);
    status_->setObjectName(QStringLiteral("OnlineStatus"));
    status_->setAlignment(Qt::AlignCenter);
    players->addWidget(lower_, 1);
    players->addWidget(status_, 1);
    players->addWidget(upper_, 1);
    upper_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    rows->addLayout(players);
    auto* buttons = new QHBoxLayout;
    auto button = [&](QPushButton*& b, const char* name, std::function<void()> act) {
        b = new QPushButton(box);
        b->setObjectName(QString::fromLatin1(name));
        QObject::connect(b, &QPushButton::clicked, box, act);
        buttons->addWidget(b);
    };
    button(resign_, "OnlineResign", [this] { command("TOURYOU"); });
    button(abort_, "OnlineAbort", [this] {
        window_->dialogs()->ask_yes_no(window_, qtext(Text::OnlineAbort), qtext(Text::OnlineAbortQuestion),
                                       [this](bool yes) { if (yes && active()) client_.send(QStringLiteral("abort")); });
    });
    button(takeback_, "OnlineTakeback", [this] { command("MATTA"); });
    button(rematch_, "OnlineRematch", [this] {
        client_.send(QStringLiteral("rematch"), {{"do", "offer"}});
    });
    button(claim_, "OnlineClaim", [this] { client_.send(QStringLiteral("claim")); });
    button(invite_button_, "OnlineInvite", [this] {
        auto* d = new QDialog(window_);
        d->setAttribute(Qt::WA_DeleteOnClose);
        d->setWindowTitle(qtext(Text::OnlineInviteTitle));
        auto* form = new QFormLayout(d);
        form->addRow(new QLabel(qtext(Text::OnlineInviteText), d));
        auto link_row = [&](const QString& label, const QString& link) {
            auto* line = new QHBoxLayout;
            auto* edit = new QLineEdit(link, d);
            edit->setReadOnly(true);
            edit->setMinimumWidth(360);
            auto* copy = new QPushButton(qtext(Text::OnlineCopy), d);
            QObject::connect(copy, &QPushButton::clicked, d, [copy, link] {
                QApplication::clipboard()->setText(link);
                copy->setText(qtext(Text::OnlineCopied));
            });
            line->addWidget(edit);
            line->addWidget(copy);
            form->addRow(label, line);
        };
        if (!invite_link().isEmpty()) link_row(qtext(Text::OnlineInviteTitle), invite_link());
        link_row(qtext(Text::OnlineWatchLink), watch_link());
        auto* ok = new QDialogButtonBox(QDialogButtonBox::Ok, d);
        QObject::connect(ok, &QDialogButtonBox::accepted, d, &QDialog::accept);
        form->addRow(ok);
        d->show();
    });
    button(leave_, "OnlineLeave", [this] { leave(); });
    rows->addLayout(buttons);
    bar_->addWidget(box);
    window_->addToolBar(Qt::BottomToolBarArea, bar_);
    bar_->hide();

    clock_timer_ = new QTimer(bar_);
    clock_timer_->setInterval(250);
    QObject::connect(clock_timer_, &QTimer::timeout, bar_, [this] { refresh(); });
    retranslate();
}

OnlinePlay::~OnlinePlay() { client_.close(); }

QUrl OnlinePlay::remembered_server() const {
    return server_url(QString::fromStdString(window_->platform()->online_server()));
}

void OnlinePlay::remember_server(const QUrl& server) {
    const std::string address = QString::fromLatin1(server.toEncoded()).toStdString();
    if (address == window_->platform()->online_server()) return;
    window_->platform()->set_online_server(address);
    save_settings(g_);
}

QString OnlinePlay::invite_link() const {
    if (invite_.isEmpty() || !active()) return {};
    return online_link(client_.server(), QStringLiteral("join=%1.%2").arg(client_.game_id(), invite_));
}

QString OnlinePlay::watch_link() const {
    return active() ? online_link(client_.server(), QStringLiteral("watch=") + client_.game_id()) : QString();
}

void OnlinePlay::ask_new_game() {
    auto* d = new QDialog(window_);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setObjectName(QStringLiteral("OnlineNewGame"));
    d->setWindowTitle(qtext(Text::OnlineNewGame));
    auto* form = new QFormLayout(d);
    auto* server = new QLineEdit(d);
    server->setObjectName(QStringLiteral("OnlineServer"));
    server->setText(remembered_server().toString());
    server->setPlaceholderText(QStringLiteral("example.org:8080"));
    form->addRow(qtext(Text::OnlineServerAddress), server);
    auto* side = new QComboBox(d);
    side->addItem(qtext(Text::OnlineRandomSide), QStringLiteral("random"));
    side->addItem(qtext(Text::PlayerFirst), QStringLiteral("lower"));
    side->addItem(qtext(Text::PlayerSecond), QStringLiteral("upper"));
    form->addRow(qtext(Text::OnlineYourSide), side);
    auto* clock = new QComboBox(d);
    clock->addItem(qtext(Text::OnlineNoClock), QJsonValue().toVariant());
    for (auto [minutes, increment] : {std::pair{10, 5}, std::pair{3, 2}, std::pair{30, 10}})
        clock->addItem(qtext(Text::OnlineClockMinutes, {{"minutes", std::to_string(minutes)},
                                                       {"increment", std::to_string(increment)}}),
                       QJsonObject{{"initial", minutes * 60}, {"increment", increment}}.toVariantMap());
    clock->addItem(qtext(Text::OnlineClockDays, {{"days", "3"}}), QJsonObject{{"days", 3}}.toVariantMap());
    form->addRow(qtext(Text::OnlineClock), clock);
    auto* name = new QLineEdit(d);
    name->setMaxLength(20);
    form->addRow(qtext(Text::OnlineYourName), name);
    auto* buttons = new QDialogButtonBox(d);
    buttons->addButton(qtext(Text::OnlineCreate), QDialogButtonBox::AcceptRole);
    buttons->addButton(qtext(Text::OnlineCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, [=, this] {
        const QUrl url = server_url(server->text());
        if (url.isEmpty()) {
            server->setFocus();
            return;
        }
        QJsonObject settings{{"side", side->currentData().toString()},
                             {"first", "lower"},
                             {"player", name->text()}};
        const QVariant c = clock->currentData();
        settings.insert(QStringLiteral("clock"), c.isNull() ? QJsonValue() : QJsonValue(QJsonObject::fromVariantMap(c.toMap())));
        d->accept();
        create(url, settings);
    });
    form->addRow(buttons);
    d->show();
}

void OnlinePlay::ask_link() {
    auto* d = new QDialog(window_);
    d->setAttribute(Qt::WA_DeleteOnClose);
    d->setObjectName(QStringLiteral("OnlineJoin"));
    d->setWindowTitle(qtext(Text::OnlineJoinByLink));
    auto* form = new QFormLayout(d);
    auto* link = new QLineEdit(d);
    link->setMinimumWidth(380);
    const QString clip = QApplication::clipboard()->text();
    if (parse_online_link(clip).kind != OnlineLink::Kind::None) link->setText(clip);
    form->addRow(new QLabel(qtext(Text::OnlinePasteLink), d));
    form->addRow(link);
    auto* name = new QLineEdit(d);
    name->setMaxLength(20);
    form->addRow(qtext(Text::OnlineYourName), name);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, d);
    buttons->addButton(qtext(Text::OnlineCancel), QDialogButtonBox::RejectRole);
    QObject::connect(buttons, &QDialogButtonBox::rejected, d, &QDialog::reject);
    QObject::connect(buttons, &QDialogButtonBox::accepted, d, [=, this] {
        const OnlineLink l = parse_online_link(link->text());
        if (l.kind == OnlineLink::Kind::None) {
            link->setFocus();
            return;
        }
        d->accept();
        open_link(l, name->text());
    });
    form->addRow(buttons);
    d->show();
}

void OnlinePlay::create(const QUrl& server, const QJsonObject& settings) {
    remember_server(server);
    client_.create_game(server, settings, [this, server](int status, const QJsonObject& body) {
        if (status != 201) {
            notice(qtext(status == 0 ? Text::OnlineCannotReach : Text::OnlineNoSuchGame));
            return;
        }
        OnlineSeat seat{body.value(QStringLiteral("id")).toString(), body.value(QStringLiteral("side")).toString(),
                        body.value(QStringLiteral("seat")).toString(), body.value(QStringLiteral("invite")).toString()};
        seats_.put(SeatEntry{server, seat, false});
        seats_.save();
        open_game(server, seat);
        invite_button_->click();
    });
}

void OnlinePlay::open_link(const OnlineLink& link, const QString& name) {
    switch (link.kind) {
    case OnlineLink::Kind::None:
        return;
    case OnlineLink::Kind::Watch:
        open_game(link.server, OnlineSeat{link.id, {}, {}, {}});
        return;
    case OnlineLink::Kind::Play:
        if (const SeatEntry* e = seats_.find(link.server, link.id)) {
            seats_.set_current(link.server, link.id);
            seats_.save();
            open_game(link.server, e->seat);
        } else {
            // A seat this window does not hold: the game is watched.
            open_game(link.server, OnlineSeat{link.id, {}, {}, {}});
        }
        return;
    case OnlineLink::Kind::Join:
        break;
    }
    // The game's own invitation, opened again by its maker or by whoever
    // joined it here before: the seat is kept already.
    if (const SeatEntry* e = seats_.find(link.server, link.id)) {
        seats_.set_current(link.server, link.id);
        seats_.save();
        open_game(link.server, e->seat);
        return;
    }
    const QString key = QUuid::createUuid().toString(QUuid::WithoutBraces);
    client_.join_game(link.server, link.id, link.invite, key, name,
                      [this, link](int status, const QJsonObject& body) {
                          if (status == 200) {
                              OnlineSeat seat{body.value(QStringLiteral("id")).toString(),
                                              body.value(QStringLiteral("side")).toString(),
                                              body.value(QStringLiteral("seat")).toString(), {}};
                              seats_.put(SeatEntry{link.server, seat, false});
                              seats_.save();
                              open_game(link.server, seat);
                          } else if (status == 409) {
                              // Both seats are taken: the link still shows the game.
                              notice(qtext(Text::OnlineSeatTaken));
                              open_game(link.server, OnlineSeat{link.id, {}, {}, {}});
                          } else {
                              notice(qtext(status == 0 ? Text::OnlineCannotReach : Text::OnlineNoSuchGame));
                          }
                      });
}

void OnlinePlay::resume() {
    if (const SeatEntry* e = seats_.current()) open_game(e->server, e->seat);
}

void OnlinePlay::open_game(const QUrl& server, const OnlineSeat& seat) {
    side_ = seat.side;
    invite_ = seat.invite;
    game_ = {};
    presence_ = {};
    ply_ = 0;
    move_sent_ = false;
    // The board turns once the game is known, for the upper side's player.
    g_.view.turned = false;
    new_game_reset(g_);
    g_.st.keep_state = KEEP_NEVER;
    show_bar(true);
    client_.open(server, seat.id, seat.seat);
    clock_timer_->start();
    refresh();
}

void OnlinePlay::leave() {
    if (!active()) return;
    client_.close();
    clock_timer_->stop();
    seats_.clear_current();
    seats_.save();
    side_.clear();
    game_ = {};
    show_bar(false);
    g_.view.turned = false;
    new_game_reset(g_);
    refresh();
}

void OnlinePlay::show_bar(bool shown) {
    if (shown == bar_->isVisible()) return;
    // The window grows by the bar, so that the board keeps its size.
    if (shown) {
        bar_->show();
        grown_by_ = bar_->sizeHint().height();
        window_->resize(window_->width(), window_->height() + grown_by_);
    } else {
        bar_->hide();
        window_->resize(window_->width(), window_->height() - grown_by_);
        grown_by_ = 0;
    }
}

// ---- The server's messages ------------------------------------------------

void OnlinePlay::message(const QJsonObject& m) {
    const QString t = m.value(QStringLiteral("t")).toString();
    const QJsonObject d = m.value(QStringLiteral("d")).toObject();
    if (t == QLatin1String("game")) {
        game_ = d;
        clock_since_.start();
        set_position(turned() ? turned_game(d) : d);
    } else if (t == QLatin1String("move")) {
        const QJsonObject move = d.value(QStringLiteral("move")).toObject();
        if (d.value(QStringLiteral("ply")).toInt() != ply_ || !apply_move(turned() ? turned_move(move) : move, true)) {
            client_.resync();
            return;
        }
        QJsonArray coin = d.value(QStringLiteral("coin")).toArray();
        if (turned()) coin = turned_square(coin);
        if (coin.at(0).toInt() != g_.st.coin_col() || coin.at(1).toInt() != g_.st.coin_row()) {
            client_.resync();
            return;
        }
        game_.insert(QStringLiteral("status"), QStringLiteral("playing"));
        game_.insert(QStringLiteral("clock"), d.value(QStringLiteral("clock")));
        QJsonObject offers = game_.value(QStringLiteral("offers")).toObject();
        offers.insert(QStringLiteral("takeback"), QJsonValue());
        game_.insert(QStringLiteral("offers"), offers);
        clock_since_.start();
        play_piece_sound(g_);
        g_.io.surface->present();
    } else if (t == QLatin1String("end")) {
        ended(d.value(QStringLiteral("result")).toObject());
    } else if (t == QLatin1String("joined")) {
        QJsonObject players = game_.value(QStringLiteral("players")).toObject();
        const QString side = d.value(QStringLiteral("side")).toString();
        QJsonObject p = players.value(side).toObject();
        p.insert(QStringLiteral("joined"), true);
        p.insert(QStringLiteral("name"), d.value(QStringLiteral("name")));
        players.insert(side, p);
        game_.insert(QStringLiteral("players"), players);
        if (game_.value(QStringLiteral("status")).toString() == QLatin1String("waiting") &&
            players.value(QStringLiteral("lower")).toObject().value(QStringLiteral("joined")).toBool() &&
            players.value(QStringLiteral("upper")).toObject().value(QStringLiteral("joined")).toBool())
            game_.insert(QStringLiteral("status"), QStringLiteral("playing"));
    } else if (t == QLatin1String("offer")) {
        offer(d);
    } else if (t == QLatin1String("takeback")) {
        // The position before it is not kept here: the server sends it whole.
        client_.resync();
    } else if (t == QLatin1String("seat")) {
        // The rematch's seat: the window goes on to the new game.
        const OnlineSeat seat{d.value(QStringLiteral("id")).toString(), d.value(QStringLiteral("side")).toString(),
                              d.value(QStringLiteral("seat")).toString(), {}};
        if (seat.id != client_.game_id() && !seat.seat.isEmpty()) {
            const QUrl server = client_.server();
            seats_.put(SeatEntry{server, seat, false});
            seats_.save();
            open_game(server, seat);
            return;
        }
    } else if (t == QLatin1String("presence")) {
        presence_ = d;
    }
    refresh();
}

void OnlinePlay::refused(const QString& type, const QString& code) {
    if (type == QLatin1String("move")) {
        move_sent_ = false;
        play_refusal_sound(g_);
        notice(qtext(Text::OnlineMoveRefused));
        // The board may be behind the server's game.
        if (code == QLatin1String("stale")) client_.resync();
    }
}

void OnlinePlay::set_position(const QJsonObject& game) {
    GameState& s = g_.st;
    drop_pick(g_);
    // The game is handed turned round to the upper side's player: the
    // drawing names the squares by the server's, as the opponent reads them.
    g_.view.turned = turned();
    const bool upper_first = game.value(QStringLiteral("first")).toString() == QLatin1String("upper");
    const QJsonArray moves = game.value(QStringLiteral("moves")).toArray();
    const QJsonArray board = game.value(QStringLiteral("board")).toArray();
    const QJsonArray coin = game.value(QStringLiteral("coin")).toArray();
    auto reset = [&] {
        reset_to_no_game(s);
        s.sente_turn = UPPER;
        s.lower_turn = upper_first ? s.gote_turn() : s.sente_turn;
        s.side_to_move = s.sente_turn;
        s.game_mode = MODE_HUMAN;
    };
    auto same_as_server = [&] {
        for (int r = 1; r <= 9; ++r)
            for (int c = 1; c <= 9; ++c)
                if (board.at(r - 1).toArray().at(c - 1).toInt() != s.code_at(c, r))
                    return false;
        return coin.at(0).toInt() == s.coin_col() && coin.at(1).toInt() == s.coin_row();
    };
    // An even game is played again from the start, so that the move list
    // holds its moves; a handicap game (or a game this cannot replay) is
    // set up as the server describes it.
    reset();
    ply_ = 0;
    bool replayed = game.value(QStringLiteral("handicap")).toInt() == 0;
    for (int i = 0; replayed && i < moves.size(); ++i) {
        replayed = apply_move(moves.at(i).toObject(), false);
    }
    if (!replayed || !same_as_server()) {
        reset();
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r)
                s.put_code(make_square(c, r), board.at(r - 1).toArray().at(c - 1).toInt());
        // The board's own coin cell says no more than the coin's square.
        if (on_board(coin.at(0).toInt(), coin.at(1).toInt()))
            s.move_coin(make_square(coin.at(0).toInt(), coin.at(1).toInt()));
        const QJsonObject hands = game.value(QStringLiteral("hands")).toObject();
        for (PieceKind k = PAWN; k <= ROOK; ++k) {
            s.hand[LOWER][k] = hands.value(QStringLiteral("lower")).toArray().at(k - PAWN).toInt();
            s.hand[UPPER][k] = hands.value(QStringLiteral("upper")).toArray().at(k - PAWN).toInt();
        }
        for (int c = 1; c <= 9; ++c)
            for (int r = 1; r <= 9; ++r) {
                const int code = s.code_at(c, r);
                if (code == OU) s.upper_king_col = c, s.upper_king_row = r;
                if (code == -OU) s.lower_king_col = c, s.lower_king_row = r;
            }
        ply_ = game.value(QStringLiteral("ply")).toInt();
    }
    s.side_to_move = game.value(QStringLiteral("turn")).toString() == QLatin1String("upper") ? s.upper_turn() : s.lower_turn;
    // Moves recorded on the turned board are not the game's: as after the
    // game's own turning of the board, they are not written as a record.
    s.flipped = turned() ? 1 : 0;
    scan_pawn_files(s);
    // Kept from the server's record when it ends, not as a game of this window.
    s.keep_state = KEEP_NEVER;
    move_sent_ = false;
    redraw_position(g_);
    g_.io.surface->present();
}

bool OnlinePlay::apply_move(const QJsonObject& move, bool draw) {
    GameState& s = g_.st;
    const bool lower_moves = s.side_to_move == s.lower_turn;
    if (move.value(QStringLiteral("pass")).toBool()) {
        pass_turn(s);
        ++ply_;
        return true;
    }
    const QJsonArray to = move.value(QStringLiteral("to")).toArray();
    const int tc = to.at(0).toInt(), tr = to.at(1).toInt();
    int fc = 0, fr = 0, before = 0, after = 0;
    if (move.contains(QStringLiteral("drop"))) {
        const int code = move.value(QStringLiteral("drop")).toInt();
        const int slot = hand_slot(code);
        if (slot == 0) return false;
        // A drop names its hand as the game does: the lower hand by its cell
        // beside the board, the upper one by its slot.
        fc = lower_moves ? LOWER_HAND_COL : UPPER_HAND_COL;
        fr = lower_moves ? lower_hand_row(slot) : slot;
        before = after = lower_moves ? -code : code;
        if (s.hand[lower_moves ? LOWER : UPPER][PieceKind(slot)] == 0) return false;
    } else {
        const QJsonArray from = move.value(QStringLiteral("from")).toArray();
        fc = from.at(0).toInt();
        fr = from.at(1).toInt();
        if (!on_board(fc, fr)) return false;
        before = s.code_at(fc, fr);
        after = move.value(QStringLiteral("promote")).toBool() ? promoted(before) : before;
        if (lower_moves ? !is_lower(before) : !is_upper(before)) return false;
    }
    if (!on_board(tc, tr)) return false;
    if (!record_full(s)) {
        append_move_record(s, RecordEntry{fc, fr, tc, tr, before, EMPTY, after, MoveTimes{}}, MoveTimes{});
        s.move_number += 1;
    }
    if (draw) {
        execute_move(g_, fc, fr, tc, tr, after);
        draw_move_number(g_, s.move_number);
        show_last_move(g_, lower_moves ? s.lower_turn : s.upper_turn(), tc, tr, after, WHITE);
    } else {
        play_move(s, fc, fr, tc, tr, after);
    }
    pass_turn(s);
    scan_pawn_files(s);
    s.keep_state = KEEP_NEVER;
    ++ply_;
    move_sent_ = false;
    return true;
}

void OnlinePlay::ended(const QJsonObject& result) {
    game_.insert(QStringLiteral("status"), QStringLiteral("ended"));
    game_.insert(QStringLiteral("result"), result);
    // The clocks stop where they stood: the running one keeps what it
    // showed, not the reading of the last move.
    QJsonObject clock = game_.value(QStringLiteral("clock")).toObject();
    const QString running = clock.value(QStringLiteral("running")).toString();
    if (!running.isEmpty() && clock_since_.isValid()) {
        const QString key = running + QStringLiteral("_ms");
        clock.insert(key, std::max<qint64>(0, clock.value(key).toInteger() - clock_since_.elapsed()));
    }
    if (clock.contains(QStringLiteral("running"))) {
        clock.insert(QStringLiteral("running"), QJsonValue());
        game_.insert(QStringLiteral("clock"), clock);
    }
    drop_pick(g_);
    g_.io.surface->present();
    notice(result_text(result));
    keep_record();
}

void OnlinePlay::keep_record() {
    if (!playing() || !shelf_ || game_.value(QStringLiteral("handicap")).toInt() != 0) return;
    const QUrl server = client_.server();
    const QString id = client_.game_id();
    const SeatEntry* e = seats_.find(server, id);
    if (!e || e->kept || ply_ == 0) return;
    // Marked first: a game is kept once, even when fetching its record fails.
    seats_.mark_kept(server, id);
    seats_.save();
    client_.fetch_record(server, id, [this](int status, const QByteArray& bytes) {
        if (status == 200) keep_record_file(*shelf_, bytes.toStdString(), shelf_->local_time());
    });
}

void OnlinePlay::offer(const QJsonObject& d) {
    const QString kind = d.value(QStringLiteral("kind")).toString();
    QJsonObject offers = game_.value(QStringLiteral("offers")).toObject();
    if (d.value(QStringLiteral("declined")).toBool() || d.value(QStringLiteral("withdrawn")).toBool()) {
        const bool mine = offers.value(kind).toString() == side_;
        offers.insert(kind, QJsonValue());
        game_.insert(QStringLiteral("offers"), offers);
        if (mine && d.value(QStringLiteral("declined")).toBool())
            notice(qtext(kind == QLatin1String("takeback") ? Text::OnlineTakebackDeclined : Text::OnlineRematchDeclined));
        return;
    }
    const QString by = d.value(QStringLiteral("by")).toString();
    offers.insert(kind, by);
    game_.insert(QStringLiteral("offers"), offers);
    if (playing() && by != side_)
        ask(qtext(kind == QLatin1String("takeback") ? Text::OnlineTakebackOffered : Text::OnlineRematchOffered), kind);
}

void OnlinePlay::ask(const QString& text, const QString& kind) {
    window_->dialogs()->ask_yes_no(window_, qtext(Text::MenuOnline), text, [this, kind](bool yes) {
        if (active()) client_.send(kind, {{"do", yes ? "accept" : "decline"}});
    });
}

void OnlinePlay::notice(const QString& text) {
    window_->dialogs()->message(window_, qtext(Text::MenuOnline), text, {});
}

// ---- The person's input -----------------------------------------------------

bool OnlinePlay::my_turn() const {
    const GameState& s = g_.st;
    return playing() && game_.value(QStringLiteral("status")).toString() == QLatin1String("playing") &&
           s.side_to_move == (side_ == QLatin1String("lower") || turned() ? s.lower_turn : s.upper_turn());
}

void OnlinePlay::press(int button, QPointF twips) {
    GameState& s = g_.st;
    if (!my_turn() || move_sent_ || !client_.connected()) {
        play_refusal_sound(g_);
        return;
    }
    const int col = static_cast<int>(std::floor((twips.x() - board_left) / square_width));
    const int row = static_cast<int>(std::floor((twips.y() - board_top) / square_height));
    const bool lower = side_ == QLatin1String("lower") || turned();
    auto mine = [&](int code) { return lower ? is_lower(code) : is_upper(code); };
    auto pick = [&](int c, int r, int code) {
        drop_pick(g_);
        s.sel_from_col = c;
        s.sel_from_row = r;
        s.sel_piece = code;
        show_guidance(g_, c, r, s.guidance_colour(), code);
        s.select_state = 1;
        frame_square(g_, PICK_COLOUR, c, r);
    };
    const int hand_col = lower ? LOWER_HAND_COL : UPPER_HAND_COL;
    const int slot = lower ? lower_hand_slot(row) : upper_hand_slot(row);
    if (col == hand_col && slot >= 1 && slot <= 7) {
        const Side side = lower ? LOWER : UPPER;
        if (s.hand[side][PieceKind(slot)] > 0) {
            scan_pawn_files(s);
            pick(col, row, code_of(make_piece(side, PieceKind(slot))));
        }
    } else if (on_board(col, row)) {
        const int code = s.code_at(col, row);
        if (mine(code)) {
            pick(col, row, code);
        } else if (s.select_state == 1) {
            if (!is_legal_move(s, s.sel_from_col, s.sel_from_row, col, row, s.sel_piece)) {
                play_refusal_sound(g_);
                drop_pick(g_);
            } else {
                const bool from_hand = s.sel_from_col == LOWER_HAND_COL || s.sel_from_col == UPPER_HAND_COL;
                QJsonObject move;
                if (from_hand) {
                    move = {{"drop", std::abs(s.sel_piece)}, {"to", square(col, row)}};
                } else {
                    const bool may_promote = can_promote(s.sel_from_col, s.sel_from_row, col, row, s.sel_piece) == 1;
                    // The right button promotes, as on the board at home; a
                    // piece that must promote takes the right button only.
                    if (may_promote && button == 1 && !may_stay_unpromoted(row, s.sel_piece)) {
                        play_refusal_sound(g_);
                        notice(qtext(Text::PromoteWithRightButton));
                        return;
                    }
                    move = {{"from", square(s.sel_from_col, s.sel_from_row)},
                            {"to", square(col, row)},
                            {"promote", may_promote && button == 2}};
                }
                drop_pick(g_);
                move_sent_ = true;
                client_.send(QStringLiteral("move"), {{"ply", ply_}, {"move", turned() ? turned_move(move) : move}});
            }
        }
    } else {
        drop_pick(g_);
    }
    g_.io.surface->present();
}

bool OnlinePlay::command(const std::string& entry) {
    if (!active()) return false;
    const bool on = game_.value(QStringLiteral("status")).toString() != QLatin1String("ended");
    if (entry == "TOURYOU") {
        if (playing() && on)
            window_->dialogs()->ask_yes_no(window_, qtext(Text::OnlineResign), qtext(Text::OnlineResignQuestion),
                                           [this](bool yes) { if (yes && active()) client_.send(QStringLiteral("resign")); });
        return true;
    }
    if (entry == "MATTA") {
        if (playing() && on) client_.send(QStringLiteral("takeback"), {{"do", "offer"}});
        return true;
    }
    // What would change the position on the board belongs to the server's game.
    static const char* const local[] = {"START", "SENTE", "GOTE", "CANCEL", "REVERSE", "REPLAY",
                                        "AFTER", "LBEL_UP", "LEBEL_DOWN", "KIFU_READ", "HINT"};
    for (const char* e : local)
        if (entry == e) return true;
    return false;
}

// ---- The bar ------------------------------------------------------------------

QString OnlinePlay::player_line(const QString& side) const {
    const QJsonObject p = game_.value(QStringLiteral("players")).toObject().value(side).toObject();
    const bool first = game_.value(QStringLiteral("first")).toString(QStringLiteral("lower")) == side;
    QString line = qtext(first ? Text::SenteMark : Text::GoteMark);
    const QString name = p.value(QStringLiteral("name")).toString();
    if (!name.isEmpty()) line += QLatin1Char(' ') + name;
    if (side == side_) line += QLatin1Char(' ') + qtext(Text::OnlineYouMark);
    if (p.value(QStringLiteral("joined")).toBool())
        line += QStringLiteral("  ") +
                qtext(presence_.value(side).toBool() ? Text::OnlinePresent : Text::OnlineAbsent);
    const QJsonObject clock = game_.value(QStringLiteral("clock")).toObject();
    if (clock.contains(QStringLiteral("initial"))) {
        qint64 ms = clock.value(side + QStringLiteral("_ms")).toInteger();
        if (clock.value(QStringLiteral("running")).toString() == side && clock_since_.isValid())
            ms -= clock_since_.elapsed();
        line += QStringLiteral("  ") + clock_text(ms);
    }
    return line;
}

QString OnlinePlay::result_text(const QJsonObject& result) const {
    static const std::pair<const char*, Text> reasons[] = {
        {"king", Text::OnlineReasonKing},       {"resign", Text::OnlineReasonResign},
        {"time", Text::OnlineReasonTime},       {"abandon", Text::OnlineReasonAbandon},
        {"abort", Text::OnlineReasonAbort},     {"no-move", Text::OnlineReasonNoMove},
        {"length", Text::OnlineReasonLength}};
    std::string reason = result.value(QStringLiteral("reason")).toString().toStdString();
    for (const auto& [code, t] : reasons)
        if (reason == code) reason = text(t);
    const QJsonValue winner = result.value(QStringLiteral("winner"));
    if (!winner.isString()) return qtext(Text::OnlineNoWinner, {{"reason", reason}});
    if (playing())
        return qtext(winner.toString() == side_ ? Text::OnlineWon : Text::OnlineLost, {{"reason", reason}});
    const bool first = game_.value(QStringLiteral("first")).toString(QStringLiteral("lower")) == winner.toString();
    return qtext(Text::OnlineSideWon, {{"side", text(first ? Text::SenteMark : Text::GoteMark)}, {"reason", reason}});
}

void OnlinePlay::refresh() {
    if (QAction* leave = window_->action("ONLINE_LEAVE")) leave->setEnabled(active());
    if (!active()) return;
    banner_->setText(qtext(Text::OnlineReconnecting));
    banner_->setVisible(!client_.connected());
    // The person's own side first when the board is turned for them.
    lower_->setText(player_line(turned() ? QStringLiteral("upper") : QStringLiteral("lower")));
    upper_->setText(player_line(turned() ? QStringLiteral("lower") : QStringLiteral("upper")));
    const QString status = game_.value(QStringLiteral("status")).toString();
    QString line;
    if (status == QLatin1String("ended"))
        line = result_text(game_.value(QStringLiteral("result")).toObject());
    else if (status == QLatin1String("waiting"))
        line = qtext(Text::OnlineWaiting);
    else if (!playing())
        line = qtext(Text::OnlineWatching);
    else if (status == QLatin1String("playing"))
        line = qtext(my_turn() ? Text::OnlineYourTurn : Text::OnlineTheirTurn);
    const QJsonObject clock = game_.value(QStringLiteral("clock")).toObject();
    if (status == QLatin1String("playing") && clock.value(QStringLiteral("deadline_ms")).isDouble())
        line += QStringLiteral("  ") +
                qtext(Text::OnlineDeadline,
                      {{"date", QDateTime::fromMSecsSinceEpoch(clock.value(QStringLiteral("deadline_ms")).toInteger())
                                    .toString(QStringLiteral("yyyy-MM-dd HH:mm"))
                                    .toStdString()}});
    const int watchers = presence_.value(QStringLiteral("watchers")).toInt();
    if (watchers > 0) line += QStringLiteral("  ") + qtext(Text::OnlineWatchers, {{"count", std::to_string(watchers)}});
    status_->setText(line);
    const bool on = status == QLatin1String("playing") || status == QLatin1String("waiting");
    const QString opponent = other_side(side_);
    resign_->setVisible(playing() && on);
    abort_->setVisible(playing() && on && ply_ < 2);
    takeback_->setVisible(playing() && status == QLatin1String("playing") && ply_ > 0);
    rematch_->setVisible(playing() && status == QLatin1String("ended"));
    const bool opponent_away = game_.value(QStringLiteral("players")).toObject().value(opponent).toObject().value(QStringLiteral("joined")).toBool() &&
                               !presence_.value(opponent).toBool(true);
    claim_->setVisible(playing() && status == QLatin1String("playing") && !my_turn() && opponent_away);
    invite_button_->setText(qtext(invite_link().isEmpty() ? Text::OnlineWatchLink : Text::OnlineInviteTitle));
}

void OnlinePlay::retranslate() {
    resign_->setText(qtext(Text::OnlineResign));
    abort_->setText(qtext(Text::OnlineAbort));
    takeback_->setText(qtext(Text::OnlineOfferTakeback));
    rematch_->setText(qtext(Text::OnlineOfferRematch));
    claim_->setText(qtext(Text::OnlineClaim));
    leave_->setText(qtext(Text::OnlineLeave));
    refresh();
}

}  // namespace rindou::qt
