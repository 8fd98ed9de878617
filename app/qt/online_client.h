// The window's client of a Rindou server: the HTTP requests that make and
// join games, and the one WebSocket connection of a game.  It keeps the
// game's version, passes on the server's versioned messages once each and in
// order, notices a gap and reconnects to fill it, resends every request that
// has no answer yet (each is harmless twice), and reconnects with a growing
// pause after a lost connection.  No widget: the window and the tests drive
// it alike.
#pragma once

#include <QJsonObject>
#include <QObject>
#include <QString>
#include <QUrl>
#include <functional>
#include <map>

class QNetworkAccessManager;
class QTimer;
class QWebSocket;

namespace rindou::qt {

// What a link a person passes on names: the server it came from and the game.
struct OnlineLink {
    enum class Kind { None, Join, Watch, Play };
    Kind kind = Kind::None;
    QUrl server;  // scheme, host and port only
    QString id;
    QString invite;  // Join only
};
// Reads `http(s)://host:port/#join=ID.INVITE`, `#watch=ID` or `#play=ID`
// (Kind::None for anything else).
OnlineLink parse_online_link(const QString& text);
// The page address of a link to a game of `server`.
QString online_link(const QUrl& server, const QString& fragment);
// A server address as a person types it ("example.org:8080", with or
// without its scheme), as the scheme, host and port; empty when it is none.
QUrl server_url(const QString& text);

// A seat the server gave: the player's only proof of being that player.
struct OnlineSeat {
    QString id;
    QString side;  // "lower" or "upper"
    QString seat;
    QString invite;  // only for the game's maker, for its invitation link
};

class OnlineClient : public QObject {
public:
    explicit OnlineClient(QObject* parent = nullptr);
    ~OnlineClient() override;

    // ---- HTTP: each answer comes once, with the HTTP status (0 when the
    // server could not be reached) and the JSON body.
    using Answer = std::function<void(int status, const QJsonObject& body)>;
    void create_game(const QUrl& server, const QJsonObject& settings, Answer done);
    // `key` names this join, so that a join repeated after a lost answer
    // gets the same seat again.
    void join_game(const QUrl& server, const QString& id, const QString& invite, const QString& key,
                   const QString& name, Answer done);
    void fetch_record(const QUrl& server, const QString& id,
                      std::function<void(int status, const QByteArray& bytes)> done);

    // ---- The game's connection.
    // Connects to a game, as its player with a seat or as a watcher without
    // one; `version` is the last version already seen (-1: none, the server
    // sends the whole game).
    void open(const QUrl& server, const QString& id, const QString& seat, qint64 version = -1);
    // Closes the connection for good; unanswered requests are forgotten.
    void close();
    // Sends a request and keeps it until the server answers it; returns its
    // number (`a`).
    int send(const QString& type, const QJsonObject& data = {});
    // Reconnects asking for the whole game (when the window lost track of
    // the position, as after a take-back it cannot undo by itself).
    void resync();
    // Drops the socket as a lost network would; the client reconnects.
    void drop_connection();

    bool is_open() const { return !id_.isEmpty(); }
    bool connected() const { return connected_; }
    qint64 version() const { return version_; }
    const QString& game_id() const { return id_; }
    const QUrl& server() const { return server_; }
    size_t unanswered() const { return pending_.size(); }
    int reconnects() const { return reconnects_; }

    // Pauses between reconnection attempts: the first, doubled on each
    // failure up to the last.  Resending waits `resend_ms` for an answer.
    int first_retry_ms = 500, last_retry_ms = 8000, resend_ms = 3000;

    // Every versioned message once, in the order of its versions, and the
    // unversioned ones (seat, presence) as they come.
    std::function<void(const QJsonObject& message)> on_message;
    // A request the server refused: its `a`, type, data and the error code.
    std::function<void(int a, const QString& type, const QJsonObject& data, const QString& code)>
        on_refused;
    // The connection came up (true) or went down (false).
    std::function<void(bool up)> on_connection;

private:
    struct Request {
        QString type;
        QJsonObject data;
        qint64 sent_ms = 0;
    };
    void connect_socket();
    void socket_lost();
    void received(const QString& text);
    void transmit(int a, Request& r);
    QNetworkAccessManager* http();

    QNetworkAccessManager* http_ = nullptr;
    QWebSocket* socket_ = nullptr;
    QTimer* retry_timer_ = nullptr;
    QTimer* tick_ = nullptr;
    QUrl server_;
    QString id_, seat_;
    qint64 version_ = -1;
    bool connected_ = false;
    bool whole_game_ = false;  // the next hello asks for the whole game
    int next_a_ = 1;
    int retry_ms_ = 0;
    int reconnects_ = 0;
    qint64 last_ping_ms_ = 0;
    std::map<int, Request> pending_;
};

}  // namespace rindou::qt
