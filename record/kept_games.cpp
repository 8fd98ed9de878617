#include "record/kept_games.h"

#include <algorithm>
#include <cstdio>
#include <set>

#include "core/file_texts.h"
#include "record/record_file.h"

namespace rindou {

namespace {

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

// A list line's fields; false for a line that is not one of ours.
bool parse_kept_line(const std::string& line, KeptEntry& e) {
    const size_t first = line.find(' ');
    if (first == std::string::npos || first == 0 || first > 12) return false;
    const size_t second = line.find(' ', first + 1);
    if (second != first + 17 || second + 1 >= line.size()) return false;
    e.size = 0;
    for (size_t i = 0; i < first; ++i) {
        if (line[i] < '0' || line[i] > '9') return false;
        e.size = e.size * 10 + static_cast<size_t>(line[i] - '0');
    }
    e.digest = 0;
    for (size_t i = first + 1; i < second; ++i) {
        const char c = line[i];
        int v = c >= '0' && c <= '9' ? c - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10 : -1;
        if (v < 0) return false;
        e.digest = e.digest << 4 | static_cast<uint64_t>(v);
    }
    e.name = line.substr(second + 1);
    // A plain name in the folder, nothing that reaches out of it.
    return e.name.find('/') == std::string::npos && e.name != "." && e.name != "..";
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
    return keep_record_file(shelf, bytes, t, limit);
}

bool keep_record_file(GameShelf& shelf, const std::string& bytes, const LocalTime& t, size_t limit) {
    // Under the next free name: another program may take one between the
    // listing and the write.
    std::string name;
    std::vector<std::string> taken;
    auto put_game = [&] {
        taken = shelf.names();
        for (int tries = 0; tries < 100; ++tries) {
            name = kept_game_name(t, taken);
            switch (shelf.put(name, bytes)) {
            case GameShelf::Put::Written: return true;
            case GameShelf::Put::Taken: taken.push_back(name); break;
            case GameShelf::Put::Failed: return false;
            }
        }
        return false;
    };

    bool tried = false, written = false;
    shelf.with_kept_list([&](std::string& text) {
        tried = true;
        written = put_game();
        if (!written) return false;
        // Games the player has removed meanwhile no longer count (the folder
        // as listed before the write), and a name used again (the clock set
        // back) is the new game's alone.  A plain loop: clang 14 writes the
        // source path of a lambda given to std::erase_if into the program.
        const std::set<std::string> present(taken.begin(), taken.end());
        std::vector<KeptEntry> kept;
        for (KeptEntry& e : parse_kept_list(text))
            if (e.name != name && present.count(e.name)) kept.push_back(std::move(e));
        kept.push_back({bytes.size(), kept_digest(bytes), name});
        // Oldest kept first, whatever the clock said when they were named;
        // the game just kept is last and always stays.
        const size_t keep = std::max<size_t>(limit, 1);
        const size_t beyond = kept.size() > keep ? kept.size() - keep : 0;
        for (size_t i = 0; i < beyond; ++i) {
            std::string held;
            if (shelf.get(kept[i].name, held, kept[i].size) && held.size() == kept[i].size &&
                kept_digest(held) == kept[i].digest)
                shelf.remove(kept[i].name);
        }
        kept.erase(kept.begin(), kept.begin() + static_cast<std::ptrdiff_t>(beyond));
        text = format_kept_list(kept);
        return true;
    });
    // Without its list the game is still kept, only never removed.
    if (!tried) written = put_game();
    return written;
}

std::vector<KeptEntry> parse_kept_list(const std::string& text) {
    std::vector<KeptEntry> entries;
    size_t from = 0;
    while (from < text.size()) {
        size_t end = text.find('\n', from);
        if (end == std::string::npos) end = text.size();
        KeptEntry e;
        if (parse_kept_line(text.substr(from, end - from), e)) entries.push_back(std::move(e));
        from = end + 1;
    }
    return entries;
}

std::string format_kept_list(const std::vector<KeptEntry>& entries) {
    std::string text;
    for (const KeptEntry& e : entries) {
        char digest[32];
        std::snprintf(digest, sizeof digest, "%016llx", static_cast<unsigned long long>(e.digest));
        text += std::to_string(e.size) + " " + digest + " " + e.name + "\n";
    }
    return text;
}

uint64_t kept_digest(const std::string& bytes) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (unsigned char c : bytes) {
        h ^= c;
        h *= 0x100000001b3ull;
    }
    return h;
}

std::string kept_game_name(const LocalTime& t, const std::vector<std::string>& taken) {
    const std::string base = stamp(t);
    std::string name = base + RECORD_FILE_SUFFIX;
    for (int n = 2; std::find(taken.begin(), taken.end(), name) != taken.end(); ++n)
        name = base + "_" + std::to_string(n) + RECORD_FILE_SUFFIX;
    return name;
}

}  // namespace rindou
