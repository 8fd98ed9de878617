#include "record/kept_games.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <tuple>

#include "core/files.h"
#include "record/record_file.h"

namespace rindou {

namespace {

const std::string RECORD_SUFFIX = ".棋譜";

std::string two(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

// The stamp part of a kept game's name: "2026-12-08_14-05-33".
std::string stamp(const LocalTime& t) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d_%02d-%02d-%02d", t.year, t.month, t.day, t.hour,
                  t.minute, t.second);
    return buf;
}

// A kept game's name split into its stamp and its number (1 without one);
// false for any other file.
bool parse_kept_name(const std::string& name, std::string& when, int& number) {
    static const std::string PATTERN = "dddd-dd-dd_dd-dd-dd";
    if (name.size() < PATTERN.size() + RECORD_SUFFIX.size()) return false;
    if (name.compare(name.size() - RECORD_SUFFIX.size(), RECORD_SUFFIX.size(), RECORD_SUFFIX) != 0)
        return false;
    for (size_t i = 0; i < PATTERN.size(); ++i) {
        bool digit = name[i] >= '0' && name[i] <= '9';
        if (PATTERN[i] == 'd' ? !digit : name[i] != PATTERN[i]) return false;
    }
    when = name.substr(0, PATTERN.size());
    std::string rest =
        name.substr(PATTERN.size(), name.size() - PATTERN.size() - RECORD_SUFFIX.size());
    number = 1;
    if (rest.empty()) return true;
    if (rest.size() < 2 || rest.size() > 7 || rest[0] != '_' || rest[1] == '0') return false;
    for (size_t i = 1; i < rest.size(); ++i)
        if (rest[i] < '0' || rest[i] > '9') return false;
    number = std::atoi(rest.c_str() + 1);
    return number >= 2;
}

}  // namespace

bool game_to_keep(const GameState& s) {
    return s.keep_state == KEEP_PENDING && s.record_mode == 0 && s.flipped == 0 &&
           s.handicap_set == 0 && s.record_end >= 1;
}

void keep_game(Game& g) {
    GameState& s = g.st;
    if (!game_to_keep(s)) return;
    s.keep_state = KEEP_DONE;
    GameShelf* shelf = g.io->game_shelf();
    if (!shelf) return;
    // Keeping a game must never disturb the game: whatever goes wrong
    // here, the game goes on as if it had been written.
    try {
        write_kept_game(*shelf, s);
    } catch (...) {
    }
}

void keep_game_before_fresh_start(Game& g) {
    keep_game(g);
    if (g.st.keep_state != KEEP_NEVER) g.st.keep_state = KEEP_NOTHING;
}

KeptHeader kept_game_header(const GameState& s, const LocalTime& t) {
    KeptHeader h;
    // Short enough to stand wholly beside the board when the file is loaded
    // (the file's name holds the year and the seconds).
    h.game_name = std::to_string(t.month) + "月" + std::to_string(t.day) + "日 " + two(t.hour) +
                  ":" + two(t.minute);
    if (s.game_mode == MODE_COM) {
        // The person always holds the lower side.
        const std::string person = "あなた";
        const std::string computer = "ｺﾝﾋﾟｭｰﾀ LEVEL" + std::to_string(s.level);
        bool person_first = s.lower_turn == s.sente_turn;
        h.first_player = person_first ? person : computer;
        h.second_player = person_first ? computer : person;
    } else {
        h.first_player = "先手";
        h.second_player = "後手";
    }
    return h;
}

bool write_kept_game(GameShelf& shelf, const GameState& s, size_t limit) {
    const LocalTime t = shelf.local_time();
    const KeptHeader h = kept_game_header(s, t);
    // The whole record, to its last move, however far it was stepped back.
    GameState whole = s;
    whole.record_count = s.record_end;
    std::string bytes, bad;
    if (build_record_file(whole, h.game_name, h.first_player, h.second_player, bytes, bad) !=
        RecordWriteProblem::None)
        return false;
    std::vector<std::string> names = shelf.names();
    const std::string name = kept_game_name(t, names);
    if (!shelf.put(name, bytes)) return false;
    names.push_back(name);
    for (const std::string& old : kept_games_beyond(names, limit)) shelf.remove(old);
    return true;
}

std::string kept_game_name(const LocalTime& t, const std::vector<std::string>& taken) {
    const std::string base = stamp(t);
    std::string name = base + RECORD_SUFFIX;
    for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
        name = base + "_" + std::to_string(n) + RECORD_SUFFIX;
    return name;
}

std::vector<std::string> kept_games_beyond(const std::vector<std::string>& names, size_t limit) {
    struct Kept {
        std::string when;
        int number;
        const std::string* name;
    };
    std::vector<Kept> kept;
    for (const std::string& name : names) {
        Kept k{{}, 0, &name};
        if (parse_kept_name(name, k.when, k.number)) kept.push_back(k);
    }
    if (kept.size() <= limit) return {};
    std::sort(kept.begin(), kept.end(), [](const Kept& a, const Kept& b) {
        return std::tie(a.when, a.number, *a.name) < std::tie(b.when, b.number, *b.name);
    });
    std::vector<std::string> old;
    for (size_t i = 0; i + limit < kept.size(); ++i) old.push_back(*kept[i].name);
    return old;
}

std::string games_folder() {
    const std::string data = user_data_folder();
    return data.empty() ? std::string() : data + "/games";
}

std::vector<std::string> FolderShelf::names() {
    namespace fs = std::filesystem;
    std::vector<std::string> list;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
        list.push_back(it->path().filename().string());
    return list;
}

bool FolderShelf::put(const std::string& name, const std::string& bytes) {
    std::error_code error;
    if (!make_folders(folder_, error)) return false;
    // Written beside it and then given its name, so that the file appears
    // whole or not at all.  It is not forced to the disk: the end of a game
    // must not wait for a flush (10 to 50 ms on a slow disk), and the system
    // writes it out within seconds.
    std::string temp = folder_ + "/.rindou-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    // The mode of any new file (mkstemp makes it private).
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    bool ok = ::close(fd) == 0 && done == bytes.size();
    const std::string target = folder_ + "/" + name;
    // A hard link never replaces a file of that name; where the file system
    // has no hard links, a rename does the same (the name was free).
    if (ok && ::link(temp.c_str(), target.c_str()) != 0)
        ok = errno != EEXIST && std::rename(temp.c_str(), target.c_str()) == 0;
    ::unlink(temp.c_str());
    return ok;
}

void FolderShelf::remove(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(folder_ + "/" + name, ec);
}

LocalTime FolderShelf::local_time() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace rindou
