// The window against the page: a real rindou-server on 127.0.0.1 serving
// the built site, the page in Chromium (tests/web/bridge_peer.js, driven
// over its standard input and output) making the game, the window joining
// it by the invitation link, moves by clicks and taps on both sides, and
// both boards compared with each other and with the server's.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QLabel>
#include <QToolBar>
#include <array>
#include <cstdio>
#include <functional>
#include <sstream>

#include "app/qt/online_client.h"
#include "app/qt/online_play.h"
#include "app/qt/qt_texts.h"
#include "shell/games_shelf.h"
#include "tests/qt/window_fixture.h"

namespace rindou::qt::test {
namespace {

#if defined(RINDOU_SERVER_PROGRAM) && defined(RINDOU_SOURCE_DIR) && defined(RINDOU_NODE_PROGRAM)

// Where the web build put the site, as the web tests find it.
QString site_folder() {
    const QString given = qEnvironmentVariable("RINDOU_WEB_SITE");
    return given.isEmpty() ? QStringLiteral(RINDOU_SOURCE_DIR "/build-web/site") : given;
}

// Kills a process still running when the test leaves early.
void stop(QProcess& p) {
    if (p.state() == QProcess::NotRunning) return;
    p.closeWriteChannel();
    if (!p.waitForFinished(10000)) p.kill();
    p.waitForFinished(2000);
}

// The page, one request and its answer at a time; the window's events run
// while the page works.
class Peer {
public:
    explicit Peer(const QUrl& server) {
        process.setProgram(QStringLiteral(RINDOU_NODE_PROGRAM));
        process.setArguments({QStringLiteral(RINDOU_SOURCE_DIR "/tests/web/bridge_peer.js"),
                              server.toString() + QLatin1Char('/')});
        process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process.start();
    }
    ~Peer() { stop(process); }
    QJsonObject ask(const QJsonObject& request) {
        process.write(QJsonDocument(request).toJson(QJsonDocument::Compact) + '\n');
        (void)QTest::qWaitFor([&] { return process.canReadLine() || process.state() == QProcess::NotRunning; }, 60000);
        if (!process.canReadLine()) {
            ADD_FAILURE() << "the page did not answer " << QJsonDocument(request).toJson().constData();
            return {};
        }
        const QJsonObject reply = QJsonDocument::fromJson(process.readLine()).object();
        EXPECT_FALSE(reply.contains(QStringLiteral("error")))
            << reply.value(QStringLiteral("error")).toString().toStdString();
        return reply;
    }
    QProcess process;
};

// The board, the coin and both hands in the console's `show` lines, which
// the page answers with.
QString shown_board(const GameState& s) {
    std::ostringstream out;
    out << "board\n";
    for (int r = 1; r <= 9; ++r) {
        for (int c = 1; c <= 9; ++c)
            out << (c > 1 ? " " : "") << s.code_at(c, r);
        out << '\n';
    }
    out << "coin " << s.coin_col() << ' ' << s.coin_row() << '\n';
    out << "lower_hand";
    for (int k = 1; k <= 7; ++k) out << ' ' << s.hand[LOWER][static_cast<size_t>(k)];
    out << " total " << s.hand_total(LOWER) << '\n';
    out << "upper_hand";
    for (int k = 1; k <= 7; ++k) out << ' ' << s.hand[UPPER][static_cast<size_t>(k)];
    out << " total " << s.hand_total(UPPER);
    return QString::fromStdString(out.str());
}

QJsonArray moves_of(std::initializer_list<std::array<int, 4>> list) {
    QJsonArray out;
    for (const auto& m : list) out.append(QJsonArray{m[0], m[1], m[2], m[3]});
    return out;
}

class BridgeTest : public WindowTest {
protected:
    OnlinePlay& online() { return *window.online(); }
    bool wait_for(const std::function<bool()>& done) { return QTest::qWaitFor(done, 20000); }
};

TEST_F(BridgeTest, TheWindowAndThePagePlayThroughTheServer) {
    const QString site = site_folder();
    if (!QFileInfo::exists(site + QStringLiteral("/online.js")))
        GTEST_SKIP() << "the web site is not built (" << site.toStdString() << ")";

    QTemporaryDir scratch;
    QProcess server;
    server.setProgram(QStringLiteral(RINDOU_SERVER_PROGRAM));
    server.setArguments({QStringLiteral("--listen"), QStringLiteral("127.0.0.1:0"), QStringLiteral("--database"),
                         scratch.filePath(QStringLiteral("games.sqlite")), QStringLiteral("--site"), site});
    server.start();
    struct Stop {
        QProcess& p;
        ~Stop() {
            p.terminate();
            if (!p.waitForFinished(5000)) p.kill();
            p.waitForFinished(2000);
        }
    } stop_server{server};
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000)) << "rindou-server did not start";
    const QString listening = QString::fromUtf8(server.readLine()).trimmed();
    ASSERT_TRUE(listening.startsWith(QStringLiteral("listening "))) << listening.toStdString();
    const QUrl address = server_url(listening.mid(10));

    // The page makes the game on the upper side; the window takes the
    // other seat through the link the page shows.
    Peer page(address);
    const QJsonObject made = page.ask({{"do", "create"}, {"side", "upper"}, {"name", "Page"}});
    const OnlineLink link = parse_online_link(made.value(QStringLiteral("invite")).toString());
    ASSERT_EQ(link.kind, OnlineLink::Kind::Join) << made.value(QStringLiteral("invite")).toString().toStdString();
    EXPECT_EQ(link.server, address);
    online().open_link(link, QStringLiteral("Window"));
    ASSERT_TRUE(wait_for([&] {
        return online().game().value(QStringLiteral("status")).toString() == QLatin1String("playing") &&
               online().status()->text() == qtext(Text::OnlineYourTurn);
    }));
    EXPECT_EQ(online().side(), QStringLiteral("lower"));
    // The name the page's player gave shows in the window's bar.
    bool named = false;
    for (const QLabel* l : online().bar()->findChildren<QLabel*>())
        named = named || l->text().contains(QStringLiteral("Page"));
    EXPECT_TRUE(named) << "the page's player is not named in the window";
    EXPECT_EQ(page.ask({{"do", "wait"}, {"ply", 0}, {"status", "playing"}})
                  .value(QStringLiteral("state")).toObject().value(QStringLiteral("side")).toString(),
              QStringLiteral("upper"));

    // Pawn pushes in turn, the window's by clicks and the page's by taps;
    // after each both show the same board, coin and hands.
    const QJsonArray moves =
        moves_of({{7, 7, 7, 6}, {3, 3, 3, 4}, {2, 7, 2, 6}, {8, 3, 8, 4}, {6, 7, 6, 6}});
    for (int ply = 0; ply < moves.size(); ++ply) {
        const QJsonArray m = moves[ply].toArray();
        if (ply % 2 == 0) {
            click_cell(m[0].toInt(), m[1].toInt());
            click_cell(m[2].toInt(), m[3].toInt());
        } else {
            page.ask({{"do", "move"}, {"move", m}});
        }
        ASSERT_TRUE(wait_for([&] { return online().ply() == ply + 1; })) << "the window at ply " << ply;
        const QJsonObject seen = page.ask({{"do", "wait"}, {"ply", ply + 1}});
        EXPECT_EQ(seen.value(QStringLiteral("board")).toString(), shown_board(window.game().st))
            << "after ply " << ply + 1;
        if (ply == 2 && qEnvironmentVariableIsSet("RINDOU_BRIDGE_SHOTS")) {
            // Pictures of both at once for a person to look at; the window
            // stays put a moment so that the screen can be taken from outside.
            const QString shots = qEnvironmentVariable("RINDOU_BRIDGE_SHOTS");
            page.ask({{"do", "shot"}, {"path", shots + QStringLiteral("/page.png")}});
            window.grab().save(shots + QStringLiteral("/window-grab.png"));
            fprintf(stderr, "bridge: holding for a screenshot\n");
            QTest::qWait(qEnvironmentVariableIntValue("RINDOU_BRIDGE_HOLD_MS"));
        }
    }

    // The server holds the same moves.
    const QJsonObject game = page.ask({{"do", "server"}});
    EXPECT_EQ(game.value(QStringLiteral("ply")).toInt(), moves.size());
    QJsonArray stored;
    for (const QJsonValue& m : game.value(QStringLiteral("moves")).toArray()) {
        const QJsonArray from = m.toObject().value(QStringLiteral("from")).toArray();
        const QJsonArray to = m.toObject().value(QStringLiteral("to")).toArray();
        stored.append(QJsonArray{from[0], from[1], to[0], to[1]});
    }
    EXPECT_EQ(stored, moves);

    // The page resigns through its button: the window has won, and keeps
    // the even game's record with its kept games.
    const QJsonObject ended = page.ask({{"do", "resign"}});
    EXPECT_EQ(ended.value(QStringLiteral("state")).toObject().value(QStringLiteral("result")).toObject(),
              (QJsonObject{{"winner", "lower"}, {"reason", "resign"}}));
    ASSERT_TRUE(wait_for([&] {
        return online().game().value(QStringLiteral("status")).toString() == QLatin1String("ended");
    }));
    EXPECT_EQ(online().status()->text(), qtext(Text::OnlineWon, {{"reason", text(Text::OnlineReasonResign)}}));
    QDir games(QString::fromStdString(games_folder()));
    ASSERT_TRUE(wait_for([&] { return !games.entryList({QStringLiteral("*.棋譜")}, QDir::Files).isEmpty(); }));
    EXPECT_EQ(page.ask({{"do", "errors"}}).value(QStringLiteral("errors")).toArray(), QJsonArray{});
    online().client().close();
}

#endif

}  // namespace
}  // namespace rindou::qt::test
