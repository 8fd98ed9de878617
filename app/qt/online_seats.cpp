#include "app/qt/online_seats.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <system_error>

#include "core/files.h"

namespace rindou::qt {

namespace {
// Seats of games long over are of no use: the newest ones are enough.
constexpr size_t SEATS_KEPT = 200;
constexpr qint64 SEATS_FILE_LIMIT = 1024 * 1024;
}  // namespace

QString OnlineSeats::default_path() {
    const std::string data = user_data_folder();
    return data.empty() ? QString() : QString::fromStdString(data) + QStringLiteral("/online-seats.json");
}

void OnlineSeats::load() {
    entries_.clear();
    current_ = -1;
    QFile file(path_);
    if (path_.isEmpty() || !file.open(QIODevice::ReadOnly) || file.size() > SEATS_FILE_LIMIT) return;
    const QJsonObject all = QJsonDocument::fromJson(file.readAll()).object();
    const QString current = all.value(QStringLiteral("current")).toString();
    for (const QJsonValue& v : all.value(QStringLiteral("games")).toArray()) {
        const QJsonObject o = v.toObject();
        SeatEntry e;
        e.server = server_url(o.value(QStringLiteral("server")).toString());
        e.seat.id = o.value(QStringLiteral("id")).toString();
        e.seat.side = o.value(QStringLiteral("side")).toString();
        e.seat.seat = o.value(QStringLiteral("seat")).toString();
        e.seat.invite = o.value(QStringLiteral("invite")).toString();
        e.kept = o.value(QStringLiteral("kept")).toBool();
        if (e.server.isEmpty() || e.seat.id.isEmpty()) continue;
        if (current == e.server.toString() + QLatin1Char(' ') + e.seat.id)
            current_ = static_cast<int>(entries_.size());
        entries_.push_back(e);
    }
}

bool OnlineSeats::save() const {
    if (path_.isEmpty()) return false;
    std::error_code error;
    const std::string folder = path_.left(path_.lastIndexOf(QLatin1Char('/'))).toStdString();
    if (!make_folders(folder, error)) return false;
    QJsonArray games;
    for (const SeatEntry& e : entries_)
        games.append(QJsonObject{{"server", e.server.toString()},
                                 {"id", e.seat.id},
                                 {"side", e.seat.side},
                                 {"seat", e.seat.seat},
                                 {"invite", e.seat.invite},
                                 {"kept", e.kept}});
    QJsonObject all{{"games", games}};
    if (const SeatEntry* c = current())
        all.insert(QStringLiteral("current"), c->server.toString() + QLatin1Char(' ') + c->seat.id);
    QSaveFile file(path_);
    if (!file.open(QIODevice::WriteOnly)) return false;
    // The new file is the user's alone before a seat is written into it.
    if (!file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
        file.cancelWriting();
        return false;
    }
    file.write(QJsonDocument(all).toJson(QJsonDocument::Indented));
    return file.commit();
}

const SeatEntry* OnlineSeats::find(const QUrl& server, const QString& id) const {
    for (const SeatEntry& e : entries_)
        if (e.server == server && e.seat.id == id) return &e;
    return nullptr;
}

void OnlineSeats::put(const SeatEntry& entry) {
    for (auto it = entries_.begin(); it != entries_.end(); ++it)
        if (it->server == entry.server && it->seat.id == entry.seat.id) {
            entries_.erase(it);
            break;
        }
    entries_.push_back(entry);
    if (entries_.size() > SEATS_KEPT)
        entries_.erase(entries_.begin(), entries_.begin() + static_cast<std::ptrdiff_t>(entries_.size() - SEATS_KEPT));
    current_ = static_cast<int>(entries_.size()) - 1;
}

void OnlineSeats::mark_kept(const QUrl& server, const QString& id) {
    for (SeatEntry& e : entries_)
        if (e.server == server && e.seat.id == id) e.kept = true;
}

const SeatEntry* OnlineSeats::current() const {
    return current_ >= 0 && current_ < static_cast<int>(entries_.size()) ? &entries_[current_]
                                                                        : nullptr;
}

void OnlineSeats::set_current(const QUrl& server, const QString& id) {
    current_ = -1;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].server == server && entries_[i].seat.id == id) current_ = static_cast<int>(i);
}

void OnlineSeats::clear_current() { current_ = -1; }

}  // namespace rindou::qt
