#include "record/kept_games.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <tuple>

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

}  // namespace rindou
