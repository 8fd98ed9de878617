// The seats of the window's online games, kept in a file of their own
// (online-seats.json in the user's data folder, readable by the user alone:
// a seat is a player's only proof of being that player), so that a restarted
// window returns to its game; and the server's record of a finished game
// kept with the other kept games.
#pragma once

#include <QString>
#include <QUrl>
#include <string>
#include <vector>

#include "app/qt/online_client.h"

namespace rindou::qt {

struct SeatEntry {
    QUrl server;
    OnlineSeat seat;
    bool kept = false;  // its record is kept (or its keeping was tried)
};

class OnlineSeats {
public:
    // The file in the user's data folder; empty when there is none.
    static QString default_path();
    explicit OnlineSeats(QString path) : path_(std::move(path)) {}

    // Reads the file; a missing or unreadable one holds no seats.
    void load();
    // Writes the file whole, for the user alone; false when it cannot.
    bool save() const;

    // The seat of a game on a server, or nullptr.
    const SeatEntry* find(const QUrl& server, const QString& id) const;
    // Adds a seat, or replaces the one of the same game, and makes it the
    // game the window returns to.
    void put(const SeatEntry& entry);
    void mark_kept(const QUrl& server, const QString& id);
    // The game the window plays now, or nullptr when it plays none.
    const SeatEntry* current() const;
    void set_current(const QUrl& server, const QString& id);
    void clear_current();
    const QString& path() const { return path_; }
    const std::vector<SeatEntry>& entries() const { return entries_; }

private:
    QString path_;
    std::vector<SeatEntry> entries_;
    int current_ = -1;
};

}  // namespace rindou::qt
