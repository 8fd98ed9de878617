// The table of texts: places filled by name, and no text a person reads
// written anywhere else in the playing layer, the view, the shell or the
// front ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>

#include "core/texts.h"

namespace rindou::test {
namespace {

namespace fs = std::filesystem;

TEST(Texts, PlacesAreFilledByNameInTheTablesOrder) {
    EXPECT_EQ(text(Text::LoadedUpTo, {{"moves", "7"}, {"line", "12"}}),
              "12行目の指し手を読めません。7手目まで読み込みました");
    EXPECT_EQ(text(Text::Wins, {{"winner", "先手"}}), "先手の勝ちです");
    // A place left without a value shows, rather than vanishing.
    EXPECT_EQ(text(Text::Wins), "{winner}の勝ちです");
}

// The string literals of a C++ source holding anything but ASCII, comments
// left out.
std::vector<std::string> non_ascii_literals(const std::string& source) {
    std::vector<std::string> found;
    for (size_t i = 0; i < source.size(); ++i) {
        if (source.compare(i, 2, "//") == 0) {
            i = source.find('\n', i);
            if (i == std::string::npos) break;
        } else if (source.compare(i, 2, "/*") == 0) {
            i = source.find("*/", i + 2);
            if (i == std::string::npos) break;
            ++i;
        } else if (source[i] == '\'') {
            for (++i; i < source.size() && source[i] != '\''; ++i)
                if (source[i] == '\\') ++i;
        } else if (source[i] == '"') {
            const size_t from = i;
            for (++i; i < source.size() && source[i] != '"' && source[i] != '\n'; ++i)
                if (source[i] == '\\') ++i;
            const std::string literal = source.substr(from, i - from + 1);
            if (std::any_of(literal.begin(), literal.end(),
                            [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
                found.push_back(literal);
        }
    }
    return found;
}

TEST(Texts, NoTextAPersonReadsIsWrittenOutsideTheTables) {
    const fs::path root = RINDOU_SOURCE_DIR;
    std::set<std::string> not_yet;
    std::ifstream list(root / "tests/core/texts_not_yet.txt");
    for (std::string line; std::getline(list, line);)
        if (!line.empty() && line[0] != '#') not_yet.insert(line);
    ASSERT_FALSE(not_yet.empty()) << "the list was not read";

    std::set<std::string> still_needed;
    size_t files = 0;
    for (const char* folder : {"play", "view", "shell", "app"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            ++files;
            std::stringstream source;
            source << std::ifstream(entry.path()).rdbuf();
            const std::vector<std::string> found = non_ascii_literals(source.str());
            const std::string name = fs::relative(entry.path(), root).string();
            if (found.empty()) continue;
            still_needed.insert(name);
            if (!not_yet.count(name))
                ADD_FAILURE() << name << " writes " << found.size() << " text(s) of its own, "
                              << "the first " << found.front()
                              << ": name it in core/texts_japanese.inc (or, for a file's "
                                 "contents, in core/file_texts.h)";
        }
    }
    EXPECT_GT(files, 50u);
    for (const std::string& name : not_yet)
        EXPECT_TRUE(still_needed.count(name)) << name << " takes all its texts from the table "
                                              << "now: strike it from texts_not_yet.txt";
}

}  // namespace
}  // namespace rindou::test
