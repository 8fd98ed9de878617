// The window as a client of a real rindou-server on 127.0.0.1: the protocol
// client alone, its seats file, and the window playing a client through it.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QPushButton>
#include <QToolBar>
#include <QLabel>
#include <QListWidget>
#include <cmath>
#include <memory>

#include "app/qt/online_client.h"
#include "app/qt/online_play.h"
#include "app/qt/online_seats.h"
#include "app/qt/qt_texts.h"
#include "app/qt/study_dock.h"
#include "tests/qt/window_fixture.h"

namespace rindou::qt::test {
namespace {

// A server of its own per test, on a port the system picks, stopped at the end.
class Server {
public:
    Server() {
#ifdef RINDOU_SERVER_PROGRAM
        process.setProgram(QStringLiteral(RINDOU_SERVER_PROGRAM));
        process.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
                              dir.filePath(QStringLiteral("games.sqlite"))});
        process.start();
        for (int i = 0; i < 200 && !process.canReadLine(); ++i) process.waitForReadyRead(50);
        const QString line = QString::fromUtf8(process.readLine()).trimmed();
        if (line.startsWith(QStringLiteral("listening ")))
            url = server_url(line.mid(10));
#endif
    }
    ~Server() {
        process.terminate();
        if (!process.waitForFinished(5000)) process.kill();
        process.waitForFinished(2000);
    }
    QTemporaryDir dir;
    QProcess process;
    QUrl url;
};

// Every message a client passes on, in order.
struct Seen {
    explicit Seen(OnlineClient& c) {
        c.on_message = [this](const QJsonObject& m) { messages.push_back(m); };
        c.on_refused = [this](int, const QString&, const QJsonObject&, const QString& code) {
            refusals.push_back(code);
        };
    }
    std::vector<QJsonObject> of(const char* type) const {
        std::vector<QJsonObject> out;
        for (const QJsonObject& m : messages)
            if (m.value(QStringLiteral("t")).toString() == QLatin1String(type)) out.push_back(m);
        return out;
    }
    std::vector<QJsonObject> messages;
    std::vector<QString> refusals;
};

QJsonObject board_move(int fc, int fr, int tc, int tr) {
    return {{"from", QJsonArray{fc, fr}}, {"to", QJsonArray{tc, tr}}, {"promote", false}};
}

bool wait_for(const std::function<bool()>& done) { return QTest::qWaitFor(done, 10000); }

struct Made {
    OnlineSeat seat;
    int status = -1;
};

Made create(OnlineClient& c, const QUrl& server, const QJsonObject& settings) {
    Made made;
    c.create_game(server, settings, [&](int status, const QJsonObject& body) {
        made.status = status;
        made.seat = {body.value(QStringLiteral("id")).toString(), body.value(QStringLiteral("side")).toString(),
                     body.value(QStringLiteral("seat")).toString(), body.value(QStringLiteral("invite")).toString()};
    });
    EXPECT_TRUE(wait_for([&] { return made.status >= 0; }));
    return made;
}

Made join(OnlineClient& c, const QUrl& server, const OnlineSeat& maker, const QString& key) {
    Made made;
    c.join_game(server, maker.id, maker.invite, key, QStringLiteral("B"), [&](int status, const QJsonObject& body) {
        made.status = status;
        made.seat = {body.value(QStringLiteral("id")).toString(), body.value(QStringLiteral("side")).toString(),
                     body.value(QStringLiteral("seat")).toString(), {}};
    });
    EXPECT_TRUE(wait_for([&] { return made.status >= 0; }));
    return made;
}

// The texts the window draws, logged on their way to its surface, until
// the log goes.
struct DrawnTexts : SurfacePort {
    explicit DrawnTexts(Game& g) : game(g), screen(g.io.surface) { game.io.surface = this; }
    ~DrawnTexts() override { game.io.surface = screen; }
    void draw_image(int code, double x, double y) override { screen->draw_image(code, x, y); }
    void draw_outline(int colour, double x1, double y1, double x2, double y2) override {
        screen->draw_outline(colour, x1, y1, x2, y2);
    }
    void draw_text(double x, double y, const std::string& t, int colour, int size, bool bold) override {
        texts.push_back({x, y, t});
        screen->draw_text(x, y, t, colour, size, bold);
    }
    void present() override { screen->present(); }
    // The last text drawn at a cell position.
    std::string last_at(double c, double r) const {
        for (auto it = texts.rbegin(); it != texts.rend(); ++it)
            if (std::abs(it->x - cell_x(c)) < 1 && std::abs(it->y - cell_y(r)) < 1) return it->text;
        return {};
    }
    struct Drawn {
        double x, y;
        std::string text;
    };
    Game& game;
    SurfacePort* screen;
    std::vector<Drawn> texts;
};

// The versions a client passed on: each exactly once, one after another.
void expect_consecutive(const Seen& seen) {
    qint64 last = -1;
    for (const QJsonObject& m : seen.messages) {
        if (!m.contains(QStringLiteral("v"))) continue;
        const qint64 v = m.value(QStringLiteral("v")).toInteger();
        if (m.value(QStringLiteral("t")).toString() != QLatin1String("game")) {
            EXPECT_EQ(v, last + 1) << "after version " << last;
        }
        last = v;
    }
}

TEST(OnlineLinks, TheContractsFormsAndNothingElse) {
    const OnlineLink join = parse_online_link(QStringLiteral("https://play.example.org:8443/#join=Ab3dE6g8.c2VjcmV0LXNlY3JldA"));
    EXPECT_EQ(join.kind, OnlineLink::Kind::Join);
    EXPECT_EQ(join.server.toString(), QStringLiteral("https://play.example.org:8443"));
    EXPECT_EQ(join.id, QStringLiteral("Ab3dE6g8"));
    EXPECT_EQ(join.invite, QStringLiteral("c2VjcmV0LXNlY3JldA"));
    EXPECT_EQ(parse_online_link(QStringLiteral("http://localhost:8080/#watch=ABCDEFGH")).kind, OnlineLink::Kind::Watch);
    EXPECT_EQ(parse_online_link(QStringLiteral("http://localhost:8080/#play=ABCDEFGH")).kind, OnlineLink::Kind::Play);
    for (const char* bad : {"http://h/#join=ABCDEFGH", "http://h/#join=ABCDEFGH.", "http://h/#watch=ABC",
                            "ftp://h/#watch=ABCDEFGH", "http://h/#look=ABCDEFGH", "#watch=ABCDEFGH",
                            "http://h/#watch=ABCD/FGH"})
        EXPECT_EQ(parse_online_link(QString::fromLatin1(bad)).kind, OnlineLink::Kind::None) << bad;
    EXPECT_EQ(server_url(QStringLiteral("example.org:8080")).toString(), QStringLiteral("http://example.org:8080"));
    EXPECT_TRUE(server_url(QStringLiteral("ftp://example.org")).isEmpty());
}

TEST(OnlineClient, TwoClientsPlayAndAReconnectLosesNothing) {
    Server server;
    ASSERT_FALSE(server.url.isEmpty()) << "rindou-server did not start";
    OnlineClient a, b;
    a.first_retry_ms = 50;
    Seen seen_a(a), seen_b(b);
    const Made made = create(a, server.url, {{"side", "lower"}});
    ASSERT_EQ(made.status, 201);
    // A join repeated with its key (an answer lost on the way) gets the same seat.
    OnlineClient b2;
    const Made joined = join(b, server.url, made.seat, QStringLiteral("key-1"));
    ASSERT_EQ(joined.status, 200);
    EXPECT_EQ(joined.seat.side, QStringLiteral("upper"));
    EXPECT_EQ(join(b2, server.url, made.seat, QStringLiteral("key-1")).seat.seat, joined.seat.seat);
    EXPECT_EQ(join(b2, server.url, made.seat, QStringLiteral("key-2")).status, 409);

    a.open(server.url, made.seat.id, made.seat.seat);
    b.open(server.url, joined.seat.id, joined.seat.seat);
    ASSERT_TRUE(wait_for([&] { return !seen_a.of("game").empty() && !seen_b.of("game").empty(); }));
    a.send(QStringLiteral("move"), {{"ply", 0}, {"move", board_move(7, 7, 7, 6)}});
    ASSERT_TRUE(wait_for([&] { return seen_b.of("move").size() == 1 && a.unanswered() == 0; }));
    b.send(QStringLiteral("move"), {{"ply", 1}, {"move", board_move(3, 3, 3, 4)}});
    ASSERT_TRUE(wait_for([&] { return seen_a.of("move").size() == 2 && b.unanswered() == 0; }));
    EXPECT_EQ(seen_a.of("move")[1].value(QStringLiteral("d")).toObject().value(QStringLiteral("coin")).toArray(),
              (QJsonArray{5, 5}));

    // The socket falls just after a move was sent: the move is sent again on
    // the new connection, played once, and acknowledged.
    a.send(QStringLiteral("move"), {{"ply", 2}, {"move", board_move(2, 7, 2, 6)}});
    a.drop_connection();
    EXPECT_FALSE(a.connected());
    // Meanwhile the other side answers: the reconnected client hears it too.
    ASSERT_TRUE(wait_for([&] { return seen_b.of("move").size() == 3; }));
    b.send(QStringLiteral("move"), {{"ply", 3}, {"move", board_move(8, 3, 8, 4)}});
    ASSERT_TRUE(wait_for([&] { return a.connected() && a.unanswered() == 0 && seen_a.of("move").size() == 4; }));
    EXPECT_GE(a.reconnects(), 1);
    EXPECT_TRUE(seen_a.refusals.empty());
    expect_consecutive(seen_a);
    expect_consecutive(seen_b);
    EXPECT_EQ(seen_b.of("move").size(), 4u);
    EXPECT_EQ(a.version(), b.version());

    // A refusal comes back to whoever asked, and the request is not resent.
    b.send(QStringLiteral("move"), {{"ply", 4}, {"move", board_move(1, 3, 1, 4)}});
    ASSERT_TRUE(wait_for([&] { return b.unanswered() == 0; }));
    ASSERT_EQ(seen_b.refusals.size(), 1u);
    EXPECT_EQ(seen_b.refusals[0], QStringLiteral("not-your-turn"));
}

TEST(OnlineSeats, TheFileIsTheUsersAloneAndNamesTheCurrentGame) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("rindou/online-seats.json"));
    OnlineSeats seats(path);
    const QUrl server = server_url(QStringLiteral("127.0.0.1:9"));
    seats.put({server, {QStringLiteral("AAAAAAAA"), QStringLiteral("lower"), QStringLiteral("s1"), QStringLiteral("i1")}, false});
    seats.put({server, {QStringLiteral("BBBBBBBB"), QStringLiteral("upper"), QStringLiteral("s2"), {}}, false});
    seats.set_current(server, QStringLiteral("AAAAAAAA"));
    seats.mark_kept(server, QStringLiteral("BBBBBBBB"));
    ASSERT_TRUE(seats.save());
    struct stat st {};
    ASSERT_EQ(::stat(path.toLocal8Bit().constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);

    OnlineSeats again(path);
    again.load();
    ASSERT_NE(again.current(), nullptr);
    EXPECT_EQ(again.current()->seat.seat, QStringLiteral("s1"));
    EXPECT_EQ(again.current()->seat.invite, QStringLiteral("i1"));
    ASSERT_NE(again.find(server, QStringLiteral("BBBBBBBB")), nullptr);
    EXPECT_TRUE(again.find(server, QStringLiteral("BBBBBBBB"))->kept);
    again.clear_current();
    ASSERT_TRUE(again.save());
    OnlineSeats none(path);
    none.load();
    EXPECT_EQ(none.current(), nullptr);
    EXPECT_EQ(none.entries().size(), 2u);
}

class OnlineWindowTest : public WindowTest {
protected:
    OnlinePlay& online() { return *window.online(); }
};

TEST_F(OnlineWindowTest, PlaysAClientThroughTheServerAndComesBackAfterARestart) {
    Server server;
    ASSERT_FALSE(server.url.isEmpty()) << "rindou-server did not start";
    online().create(server.url, {{"side", "lower"}, {"name", "W"}});
    ASSERT_TRUE(wait_for([&] { return online().active() && !online().game().isEmpty(); }));
    EXPECT_TRUE(online().bar()->isVisible());
    const OnlineLink link = parse_online_link(online().invite_link());
    ASSERT_EQ(link.kind, OnlineLink::Kind::Join);
    EXPECT_EQ(link.server, server.url);

    OnlineClient other;
    Seen seen(other);
    OnlineSeat maker{link.id, {}, {}, link.invite};
    const Made joined = join(other, server.url, maker, QStringLiteral("k"));
    ASSERT_EQ(joined.status, 200);
    other.open(server.url, joined.seat.id, joined.seat.seat);
    ASSERT_TRUE(wait_for([&] {
        return !seen.of("game").empty() &&
               online().game().value(QStringLiteral("status")).toString() == QLatin1String("playing") &&
               online().status()->text() == qtext(Text::OnlineYourTurn);
    }));

    // The person's move goes to the server and comes back to the board.
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_TRUE(wait_for([&] { return seen.of("move").size() == 1 && online().ply() == 1; }));
    EXPECT_EQ(window.game().st.code_at(7, 6), -HU);
    EXPECT_EQ(window.game().st.coin_row(), 4);
    // A click out of turn sends nothing.
    click_cell(6, 7);
    click_cell(6, 6);
    other.send(QStringLiteral("move"), {{"ply", 1}, {"move", board_move(3, 3, 3, 4)}});
    ASSERT_TRUE(wait_for([&] { return online().ply() == 2; }));
    EXPECT_EQ(window.game().st.code_at(3, 4), HU);
    EXPECT_EQ(window.game().st.code_at(6, 7), -HU);
    EXPECT_EQ(seen.of("move").size(), 2u);
    // The move list holds the game's moves.
    EXPECT_EQ(window.game().st.record_count, 2);
    // A lost connection shows the banner until the window is back.
    online().client().drop_connection();
    EXPECT_FALSE(online().banner()->isHidden());
    ASSERT_TRUE(wait_for([&] { return online().client().connected(); }));
    EXPECT_TRUE(online().banner()->isHidden());
    EXPECT_EQ(online().ply(), 2);
    // The game's own commands that would change the board do nothing now.
    window.command("CANCEL");
    EXPECT_EQ(window.game().st.code_at(3, 4), HU);

    // A new window (the program started again) returns to the same game.
    const QString id = link.id;
    {
        std::vector<Shown> log;
        MainWindow again(std::make_unique<RecordingDialogs>(&log));
        window.online()->client().close();
        again.start();
        ASSERT_TRUE(again.online()->active());
        EXPECT_EQ(again.online()->client().game_id(), id);
        ASSERT_TRUE(wait_for([&] { return again.online()->ply() == 2; }));
        EXPECT_EQ(again.online()->side(), QStringLiteral("lower"));
        EXPECT_EQ(again.game().st.code_at(3, 4), HU);
        EXPECT_EQ(again.game().st.record_count, 2);
        // The opponent resigns: the even game's record is kept.
        other.send(QStringLiteral("resign"));
        ASSERT_TRUE(wait_for([&] {
            return again.online()->game().value(QStringLiteral("status")).toString() == QLatin1String("ended");
        }));
        EXPECT_EQ(again.online()->status()->text(),
                  qtext(Text::OnlineWon, {{"reason", text(Text::OnlineReasonResign)}}));
        QDir games(QString::fromStdString(games_folder()));
        ASSERT_TRUE(wait_for([&] { return !games.entryList({QStringLiteral("*.棋譜")}, QDir::Files).isEmpty(); }));
        again.online()->client().close();
    }
}

TEST_F(OnlineWindowTest, TakeBackResignAndRematchThroughTheBar) {
    Server server;
    ASSERT_FALSE(server.url.isEmpty()) << "rindou-server did not start";
    online().create(server.url, {{"side", "lower"}});
    ASSERT_TRUE(wait_for([&] { return !online().game().isEmpty(); }));
    const OnlineLink link = parse_online_link(online().invite_link());
    OnlineClient other;
    Seen seen(other);
    const Made joined = join(other, server.url, OnlineSeat{link.id, {}, {}, link.invite}, QStringLiteral("k"));
    ASSERT_EQ(joined.status, 200);
    other.open(server.url, joined.seat.id, joined.seat.seat);
    ASSERT_TRUE(wait_for([&] { return !seen.of("game").empty(); }));
    click_cell(7, 7);
    click_cell(7, 6);
    ASSERT_TRUE(wait_for([&] { return online().ply() == 1; }));

    // Ctrl+Z's entry asks the opponent; once accepted the board goes back.
    window.command("MATTA");
    ASSERT_TRUE(wait_for([&] { return !seen.of("offer").empty(); }));
    other.send(QStringLiteral("takeback"), {{"do", "accept"}});
    ASSERT_TRUE(wait_for([&] { return online().ply() == 0 && online().client().connected(); }));
    EXPECT_EQ(window.game().st.code_at(7, 7), -HU);
    EXPECT_EQ(window.game().st.code_at(7, 6), EMPTY);
    EXPECT_EQ(window.game().st.coin_row(), 5);
    // The language changes while the game goes on: the bar speaks it too.
    // (The language is the program's: the tests after this one speak Japanese.)
    struct BackToJapanese {
        ~BackToJapanese() { set_language(Language::Japanese); }
    } back;
    window.action("ENGLISH")->trigger();
    EXPECT_EQ(online().status()->text(), QStringLiteral("Your turn"));

    // Resigning asks first (the recorder answers yes).
    window.command("TOURYOU");
    ASSERT_TRUE(wait_for([&] {
        return online().game().value(QStringLiteral("status")).toString() == QLatin1String("ended");
    }));
    EXPECT_EQ(online().status()->text(), QStringLiteral("You lost (resigned)"));

    // A rematch offered from the bar and accepted: the window goes on to
    // the new game, on the other side.
    auto* rematch = online().bar()->findChild<QPushButton*>(QStringLiteral("OnlineRematch"));
    ASSERT_NE(rematch, nullptr);
    ASSERT_TRUE(rematch->isVisible());
    rematch->click();
    ASSERT_TRUE(wait_for([&] {
        for (const QJsonObject& m : seen.of("offer"))
            if (m.value(QStringLiteral("d")).toObject().value(QStringLiteral("kind")).toString() == QLatin1String("rematch"))
                return true;
        return false;
    }));
    DrawnTexts drawn(window.game());
    other.send(QStringLiteral("rematch"), {{"do", "accept"}});
    ASSERT_TRUE(wait_for([&] { return online().client().game_id() != link.id && !online().game().isEmpty(); }));
    EXPECT_EQ(online().side(), QStringLiteral("upper"));
    EXPECT_EQ(online().seats().current()->seat.id, online().client().game_id());

    // On the upper side the window shows the board turned, the person's
    // pieces at the foot; the moves on the wire keep the server's squares.
    ASSERT_TRUE(wait_for([&] { return online().game().value(QStringLiteral("status")).toString() == QLatin1String("playing"); }));
    // The opponent follows to the new game on its rematch seat.
    ASSERT_TRUE(wait_for([&] { return !seen.of("seat").empty(); }));
    const QJsonObject seat = seen.of("seat").back().value(QStringLiteral("d")).toObject();
    ASSERT_EQ(seat.value(QStringLiteral("id")).toString(), online().client().game_id());
    const size_t games = seen.of("game").size();
    other.open(server.url, seat.value(QStringLiteral("id")).toString(), seat.value(QStringLiteral("seat")).toString());
    ASSERT_TRUE(wait_for([&] { return seen.of("game").size() > games; }));
    const size_t sent = seen.of("move").size();
    other.send(QStringLiteral("move"), {{"ply", 0}, {"move", board_move(7, 7, 7, 6)}});
    ASSERT_TRUE(wait_for([&] { return online().ply() == 1; }));
    EXPECT_EQ(window.game().st.code_at(3, 4), HU);
    EXPECT_EQ(window.game().st.code_at(3, 3), EMPTY);
    EXPECT_EQ(window.game().st.code_at(3, 7), -HU);
    EXPECT_EQ(window.game().st.coin_row(), 6);
    // Yet the squares keep their true names: the edge reads 1 at the left
    // and 9 at the top, and the opponent's move is named as it was played.
    EXPECT_EQ(drawn.last_at(1.1, 0.4), " 1");
    EXPECT_EQ(drawn.last_at(10.1, 1.3), "9");
    EXPECT_EQ(drawn.last_at(-1.6, 8.4), "P-36");
    window.action("MOVE_LIST")->trigger();
    ASSERT_EQ(window.study()->moves->count(), 2);
    EXPECT_TRUE(window.study()->moves->item(1)->text().endsWith(QStringLiteral(" P-36")));
    window.action("MOVE_LIST")->trigger();
    // The turned board's record is no record of the game: it is not written.
    shown.clear();
    window.command("KIFU_WRITE");
    ASSERT_TRUE(wait_for([&] { return !shown.empty(); }));
    EXPECT_EQ(shown.back().text, text(Text::NoWriteAfterFlip));
    EXPECT_EQ(online().status()->text(), QStringLiteral("Your turn"));
    click_cell(3, 7);
    click_cell(3, 6);
    ASSERT_TRUE(wait_for([&] { return seen.of("move").size() == sent + 2 && online().ply() == 2; }));
    const QJsonObject mine = seen.of("move").back().value(QStringLiteral("d")).toObject().value(QStringLiteral("move")).toObject();
    EXPECT_EQ(mine.value(QStringLiteral("from")).toArray(), (QJsonArray{7, 3}));
    EXPECT_EQ(mine.value(QStringLiteral("to")).toArray(), (QJsonArray{7, 4}));
    EXPECT_EQ(window.game().st.code_at(3, 6), -HU);
    EXPECT_EQ(window.game().st.coin_row(), 5);
}

}  // namespace
}  // namespace rindou::qt::test
