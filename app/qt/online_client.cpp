#include "app/qt/online_client.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>
#include <QWebSocket>
#include <algorithm>

namespace rindou::qt {

namespace {

qint64 now_ms() { return QDateTime::currentMSecsSinceEpoch(); }

// The server pings nobody: a client that says nothing for a minute is cut
// off, so the client speaks well within that.
constexpr qint64 PING_MS = 20000;

QUrl origin_of(const QUrl& url) {
    QUrl o;
    o.setScheme(url.scheme());
    o.setHost(url.host());
    o.setPort(url.port());
    return o;
}

}  // namespace

OnlineLink parse_online_link(const QString& text) {
    OnlineLink link;
    const QUrl url(text.trimmed(), QUrl::StrictMode);
    if (!url.isValid() || (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")) ||
        url.host().isEmpty())
        return link;
    const QString fragment = url.fragment(QUrl::FullyDecoded);
    const int eq = fragment.indexOf(QLatin1Char('='));
    if (eq < 0) return link;
    const QString what = fragment.left(eq), value = fragment.mid(eq + 1);
    auto valid_id = [](const QString& id) {
        if (id.size() != 8) return false;
        return std::all_of(id.begin(), id.end(), [](QChar c) {
            return c.isDigit() || (c.toLatin1() >= 'a' && c.toLatin1() <= 'z') ||
                   (c.toLatin1() >= 'A' && c.toLatin1() <= 'Z');
        });
    };
    if (what == QLatin1String("join")) {
        const int dot = value.indexOf(QLatin1Char('.'));
        if (dot < 0 || !valid_id(value.left(dot)) || value.size() == dot + 1) return link;
        link.kind = OnlineLink::Kind::Join;
        link.id = value.left(dot);
        link.invite = value.mid(dot + 1);
    } else if (what == QLatin1String("watch") || what == QLatin1String("play")) {
        if (!valid_id(value)) return link;
        link.kind = what == QLatin1String("watch") ? OnlineLink::Kind::Watch : OnlineLink::Kind::Play;
        link.id = value;
    } else {
        return link;
    }
    link.server = origin_of(url);
    return link;
}

QString online_link(const QUrl& server, const QString& fragment) {
    return origin_of(server).toString() + QStringLiteral("/#") + fragment;
}

QUrl server_url(const QString& text) {
    QString t = text.trimmed();
    if (t.isEmpty()) return {};
    if (!t.contains(QStringLiteral("://"))) t = QStringLiteral("http://") + t;
    const QUrl url(t, QUrl::StrictMode);
    if (!url.isValid() || url.host().isEmpty() ||
        (url.scheme() != QLatin1String("http") && url.scheme() != QLatin1String("https")))
        return {};
    return origin_of(url);
}

OnlineClient::OnlineClient(QObject* parent) : QObject(parent) {
    retry_timer_ = new QTimer(this);
    retry_timer_->setSingleShot(true);
    connect(retry_timer_, &QTimer::timeout, this, [this] { connect_socket(); });
    // Once a second: resend what has waited too long for its answer, and
    // ping a connection that has been quiet.
    tick_ = new QTimer(this);
    tick_->setInterval(1000);
    connect(tick_, &QTimer::timeout, this, [this] {
        if (!connected_) return;
        const qint64 now = now_ms();
        for (auto& [a, r] : pending_)
            if (now - r.sent_ms >= resend_ms) transmit(a, r);
        if (now - last_ping_ms_ >= PING_MS) {
            last_ping_ms_ = now;
            socket_->sendTextMessage(QStringLiteral("{\"t\":\"ping\"}"));
        }
    });
}

OnlineClient::~OnlineClient() {
    on_message = nullptr;
    on_refused = nullptr;
    on_connection = nullptr;
    close();
}

QNetworkAccessManager* OnlineClient::http() {
    if (!http_) http_ = new QNetworkAccessManager(this);
    return http_;
}

namespace {
void post_json(QNetworkAccessManager* http, QObject* owner, const QUrl& url, const QJsonObject& body,
               OnlineClient::Answer done) {
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/json"));
    request.setTransferTimeout(15000);
    QNetworkReply* reply = http->post(request, QJsonDocument(body).toJson(QJsonDocument::Compact));
    QObject::connect(reply, &QNetworkReply::finished, owner, [reply, done] {
        reply->deleteLater();
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        done(status, QJsonDocument::fromJson(reply->readAll()).object());
    });
}
}  // namespace

void OnlineClient::create_game(const QUrl& server, const QJsonObject& settings, Answer done) {
    QUrl url = origin_of(server);
    url.setPath(QStringLiteral("/api/games"));
    post_json(http(), this, url, settings, std::move(done));
}

void OnlineClient::join_game(const QUrl& server, const QString& id, const QString& invite,
                             const QString& key, const QString& name, Answer done) {
    QUrl url = origin_of(server);
    url.setPath(QStringLiteral("/api/games/%1/join").arg(id));
    post_json(http(), this, url, QJsonObject{{"invite", invite}, {"key", key}, {"name", name}},
              std::move(done));
}

void OnlineClient::fetch_record(const QUrl& server, const QString& id,
                                std::function<void(int, const QByteArray&)> done) {
    QUrl url = origin_of(server);
    url.setPath(QStringLiteral("/api/games/%1/record").arg(id));
    QNetworkRequest request(url);
    request.setTransferTimeout(15000);
    QNetworkReply* reply = http()->get(request);
    connect(reply, &QNetworkReply::finished, this, [reply, done] {
        reply->deleteLater();
        done(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), reply->readAll());
    });
}

void OnlineClient::open(const QUrl& server, const QString& id, const QString& seat, qint64 version) {
    close();
    server_ = origin_of(server);
    id_ = id;
    seat_ = seat;
    version_ = version;
    whole_game_ = version < 0;
    retry_ms_ = first_retry_ms;
    tick_->start();
    connect_socket();
}

void OnlineClient::close() {
    retry_timer_->stop();
    tick_->stop();
    pending_.clear();
    id_.clear();
    if (socket_) {
        QWebSocket* s = socket_;
        socket_ = nullptr;
        s->disconnect(this);
        s->abort();
        s->deleteLater();
    }
    connected_ = false;
}

void OnlineClient::connect_socket() {
    if (id_.isEmpty()) return;
    if (socket_) {
        socket_->disconnect(this);
        socket_->abort();
        socket_->deleteLater();
    }
    // No Origin header: the server refuses foreign pages, not programs.
    socket_ = new QWebSocket(QString(), QWebSocketProtocol::VersionLatest, this);
    QWebSocket* s = socket_;
    connect(s, &QWebSocket::connected, this, [this, s] {
        if (s != socket_) return;
        QJsonObject hello;
        if (!seat_.isEmpty()) hello.insert(QStringLiteral("seat"), seat_);
        if (!whole_game_ && version_ >= 0) hello.insert(QStringLiteral("v"), version_);
        s->sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"t", "hello"}, {"d", hello}}).toJson(QJsonDocument::Compact)));
        last_ping_ms_ = now_ms();
        connected_ = true;
        retry_ms_ = first_retry_ms;
        // Whatever had no answer goes again, under its own number: a request
        // the server carried out before the connection fell is answered
        // again and changes nothing.
        for (auto& [a, r] : pending_) transmit(a, r);
        if (on_connection) on_connection(true);
    });
    connect(s, &QWebSocket::textMessageReceived, this, [this, s](const QString& text) {
        if (s == socket_) received(text);
    });
    connect(s, &QWebSocket::disconnected, this, [this, s] {
        if (s == socket_) socket_lost();
    });
    QUrl url = server_;
    url.setScheme(server_.scheme() == QLatin1String("https") ? QStringLiteral("wss") : QStringLiteral("ws"));
    url.setPath(QStringLiteral("/ws/") + id_);
    s->open(url);
}

void OnlineClient::socket_lost() {
    const bool was_up = connected_;
    connected_ = false;
    if (id_.isEmpty()) return;
    ++reconnects_;
    retry_timer_->start(retry_ms_);
    retry_ms_ = std::min(retry_ms_ * 2, last_retry_ms);
    // A connection that never came up was already reported down.
    if (was_up && on_connection) on_connection(false);
}

void OnlineClient::drop_connection() {
    if (socket_) socket_->abort();
}

void OnlineClient::resync() {
    whole_game_ = true;
    drop_connection();
}

int OnlineClient::send(const QString& type, const QJsonObject& data) {
    const int a = next_a_++;
    Request& r = pending_[a] = Request{type, data, 0};
    if (connected_) transmit(a, r);
    return a;
}

void OnlineClient::transmit(int a, Request& r) {
    QJsonObject m{{"t", r.type}, {"a", a}};
    if (!r.data.isEmpty()) m.insert(QStringLiteral("d"), r.data);
    r.sent_ms = now_ms();
    socket_->sendTextMessage(QString::fromUtf8(QJsonDocument(m).toJson(QJsonDocument::Compact)));
}

void OnlineClient::received(const QString& text) {
    const QJsonObject m = QJsonDocument::fromJson(text.toUtf8()).object();
    const QString t = m.value(QStringLiteral("t")).toString();
    if (t == QLatin1String("ack")) {
        pending_.erase(m.value(QStringLiteral("d")).toInt());
        return;
    }
    if (t == QLatin1String("error")) {
        const QJsonObject d = m.value(QStringLiteral("d")).toObject();
        const QJsonValue a = d.value(QStringLiteral("a"));
        auto it = a.isDouble() ? pending_.find(a.toInt()) : pending_.end();
        if (it == pending_.end()) {
            if (on_refused) on_refused(0, {}, {}, d.value(QStringLiteral("code")).toString());
            return;
        }
        const Request r = it->second;
        pending_.erase(it);
        if (on_refused) on_refused(a.toInt(), r.type, r.data, d.value(QStringLiteral("code")).toString());
        return;
    }
    if (t == QLatin1String("pong")) return;
    if (m.contains(QStringLiteral("v"))) {
        const qint64 v = m.value(QStringLiteral("v")).toInteger(-1);
        if (t == QLatin1String("game")) {
            whole_game_ = false;
        } else if (v <= version_) {
            return;  // seen already (a replay that overlaps)
        } else if (v != version_ + 1 || version_ < 0) {
            // A version went missing: reconnecting with the last one seen
            // makes the server send what came after it.
            drop_connection();
            return;
        }
        version_ = v;
    }
    if (on_message) on_message(m);
}

}  // namespace rindou::qt
