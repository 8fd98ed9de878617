// Console transcripts: each file under transcripts/ holds the lines the
// console front end must print, with the commands that cause them written
// behind "> ".  Lines starting with "#" are comments.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "bench/positions.h"
#include "engine/think.h"
#include "tests/support/console.h"
#include "tests/support/test_game.h"

namespace rindou {
namespace {

struct Transcript {
    std::string input;
    std::string expected;
};

Transcript read_transcript(const std::filesystem::path& path) {
    std::ifstream in(path);
    Transcript t;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') continue;
        if (line.rfind("> ", 0) == 0 || line == ">")
            t.input += (line.size() > 2 ? line.substr(2) : std::string()) + "\n";
        else
            t.expected += line + "\n";
    }
    return t;
}

TEST(Transcripts, EveryTranscriptReplaysExactly) {
    namespace fs = std::filesystem;
    fs::path dir = fs::path(RINDOU_SOURCE_DIR) / "tests" / "cli" / "transcripts";
    int count = 0;
    for (const auto& entry : fs::directory_iterator(dir)) {
        if (entry.path().extension() != ".txt") continue;
        Transcript t = read_transcript(entry.path());
        EXPECT_EQ(test::run_console(t.input), t.expected) << entry.path().filename();
        ++count;
    }
    EXPECT_GE(count, 2);
}

TEST(Quit, EscEndsTheProgramAndOtherKeysDoNothing) {
    EXPECT_EQ(test::run_console("key 65\nkey 27\nshow\n"), "music on\nready\nok\nquit\nok\n");
    EXPECT_EQ(test::run_console("menu OWARI\n"), "music on\nready\nquit\nok\n");
}

TEST(Protocol, ShowAndLegalChangeNothing) {
    const std::string play = "menu START\nmove 7 7 7 6\nmove 3 3 3 4\nclick 1 8 8\n";
    std::string plain = test::run_console(play + "move 8 8 8 4\nshow\n");
    std::string looked = test::run_console(play + "show\nlegal\nshow\nlegal\nmove 8 8 8 4\nshow\n");
    auto tail = [](const std::string& s) { return s.substr(s.rfind("board\n")); };
    EXPECT_EQ(tail(plain), tail(looked));
}

TEST(Protocol, LegalListsBoardMovesThenDropsWithPromotion) {
    test::TestGame t;
    t.menu("START");
    GameState& s = t.g.st;
    s.squares.fill(NO_PIECE);
    t.put(5, 9, COIN);
    s.move_coin(make_square(5, 9));
    t.put(5, 4, -10);
    t.put(9, 3, -30);
    s.hand[LOWER][1] = 1;
    std::string setup = test::setup_line(s, -1, 0);
    std::string legal = test::run_console(setup + "\nlegal\n");
    EXPECT_NE(legal.find("legal 5 4 5 3 may\n"), std::string::npos);
    EXPECT_NE(legal.find("legal 9 3 8 1 must\n"), std::string::npos);
    EXPECT_NE(legal.find("legal 11 3 1 2 no\n"), std::string::npos);
    EXPECT_EQ(legal.find("legal 11 3 5 2 "), std::string::npos);  // a pawn already on file 5
    EXPECT_EQ(legal.find("legal 11 3 2 1 "), std::string::npos);  // no pawn drop on row 1
    EXPECT_LT(legal.find("legal 9 3"), legal.find("legal 11 3"));
}

TEST(Protocol, SetupRefusesImpossiblePositionsAndChangesNothing) {
    std::string zeros;
    for (int i = 0; i < 81; ++i) zeros += (i == 40 ? " 7" : " 0");
    std::string hands = " 0 0 0 0 0 0 0 0 0 0 0 0 0 0";
    auto run = [&](const std::string& board, const std::string& tail) {
        return test::run_console("setup" + board + tail + "\n");
    };
    EXPECT_NE(run(zeros, hands + " 1 0").find("\nok\n"), std::string::npos);
    EXPECT_NE(run(" 7" + zeros.substr(2), hands + " 1 0").find("error bad position"),
              std::string::npos);  // two coins
    EXPECT_NE(run(zeros, hands + " 2 0").find("error bad position"), std::string::npos);
    EXPECT_NE(run(zeros, hands + " 1 5").find("error bad position"), std::string::npos);
    EXPECT_NE(run(zeros, " 19 0 0 0 0 0 0 0 0 0 0 0 0 0 1 0").find("error bad position"),
              std::string::npos);
    std::string stray = " 12345" + zeros.substr(2);
    EXPECT_NE(run(stray, hands + " 1 0").find("error bad position"), std::string::npos);
    std::string kings = " 950 950" + zeros.substr(4);
    EXPECT_NE(run(kings, hands + " 1 0").find("error bad position"), std::string::npos);
    std::string no_coin(81 * 2, ' ');
    for (int i = 0; i < 81; ++i) no_coin[static_cast<size_t>(2 * i + 1)] = '0';
    EXPECT_NE(run(no_coin, hands + " 1 0").find("error bad position"), std::string::npos);
}

// For every candidate `think` lists, `explain` of the same placement prints
// terms whose printed values add up to the printed total, which is the
// candidate's score; the other placement, and anything not listed, is not a
// candidate.
TEST(Protocol, ExplainTotalsAreTheScoresThinkPrints) {
    const std::vector<GameInPlay> positions = bench::scripted_positions(2, 30, 99);
    int explained = 0;
    for (size_t i = 0; i < positions.size(); i += 6) {
        const GameState& s = positions[i].st;
        const std::string setup = test::setup_line(s, 1, 1) + "\n";
        std::istringstream think(test::run_console(setup + "think\n"));
        std::string script = setup, line;
        std::vector<std::string> scores;
        while (std::getline(think, line)) {
            if (line.rfind("cand ", 0) != 0) continue;
            std::istringstream in(line.substr(5));
            int fc, fr, tc, tr, placed;
            std::string score;
            in >> fc >> fr >> tc >> tr >> placed >> score;
            int before = fc == -1 ? SLOT_CODE[size_t(fr)] : s.code_at(fc, fr);
            std::string move = "explain " + std::to_string(fc) + " " + std::to_string(fr) + " " +
                               std::to_string(tc) + " " + std::to_string(tr);
            script += move + (placed != before ? "+" : "") + "\n";
            script += move + (placed != before ? "" : "+") + "\n";
            scores.push_back(score);
        }
        script += "explain 5 5 5 5\n";
        std::istringstream out(test::run_console(script));
        size_t k = 0;
        int errors = 0;
        double sum = 0;
        int terms = 0;
        while (std::getline(out, line)) {
            if (line.rfind("term ", 0) == 0) {
                sum += std::stod(line.substr(line.rfind(' ') + 1));
                ++terms;
            } else if (line.rfind("total ", 0) == 0) {
                ASSERT_LT(k, scores.size());
                EXPECT_EQ(line.substr(6), scores[k]);
                EXPECT_NEAR(sum, std::stod(scores[k]), 0.00005 * (terms + 1)) << line;
                ++k;
                ++explained;
                sum = 0;
                terms = 0;
            } else if (line == "error not a candidate") {
                ++errors;
            }
        }
        EXPECT_EQ(k, scores.size());
        EXPECT_EQ(errors, static_cast<int>(scores.size()) + 1);
    }
    EXPECT_GT(explained, 100);
}

// Every named weight of the evaluation adds a nonzero term somewhere in the
// explain transcript, so that a changed weight fails an ordinary test and
// not only the score signature; a weight added later without a position
// that shows it fails here.
TEST(Transcripts, ExplainShowsEveryWeightOfTheEvaluation) {
    namespace fs = std::filesystem;
    auto read = [](const fs::path& p) {
        std::ifstream in(fs::path(RINDOU_SOURCE_DIR) / p);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    const std::string transcript = read("tests/cli/transcripts/explain_terms.txt");
    std::set<std::string> shown;
    const std::regex term_line(R"(\nterm (\w+) (-?[0-9.]+))");
    for (std::sregex_iterator it(transcript.begin(), transcript.end(), term_line), end; it != end;
         ++it)
        if (std::stod((*it)[2]) != 0) shown.insert((*it)[1]);
    // No legal move reaches these: a silver cannot step straight back, and a
    // king that moves loses its own cover of the destination while opening
    // at most one line to it.
    const std::set<std::string> unreachable{"silver_straight_retreat", "king_better_covered"};
    const std::string source = read("engine/evaluate.cpp");
    const std::regex weight(R"re(constexpr Term \w+\{"(\w+)")re");
    int weights = 0;
    for (std::sregex_iterator it(source.begin(), source.end(), weight), end; it != end; ++it) {
        const std::string name = (*it)[1];
        EXPECT_NE(shown.count(name), unreachable.count(name))
            << name << (unreachable.count(name) ? " is shown after all" : " is never shown");
        ++weights;
    }
    EXPECT_GT(weights, 80);
}

TEST(Protocol, EscapesInMessagesAndWaitRunsTheClock) {
    std::string out = test::run_console("menu START\nwait 1.5\nshow\n");
    EXPECT_NE(out.find("message  |先手の番です\nok\nok\n"), std::string::npos);
}

}  // namespace
}  // namespace rindou
