// The table of texts: places filled by name, and no text a person reads
// written anywhere else in the playing layer, the view, the shell or the
// front ends; and the help pages, which name the menus by the table's words.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/texts.h"
#include "tests/support/test_game.h"

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

// The {places} of a pattern, by name.
std::multiset<std::string> places(std::string_view pattern) {
    std::multiset<std::string> found;
    for (size_t open = pattern.find('{'); open != std::string_view::npos;
         open = pattern.find('{', open + 1)) {
        const size_t close = pattern.find('}', open);
        if (close == std::string_view::npos) break;
        found.emplace(pattern.substr(open + 1, close - open - 1));
    }
    return found;
}


TEST(Texts, EveryTextHasEnglishWordsWithTheSamePlaces) {
    for (size_t i = 0; i < TEXT_COUNT; ++i) {
        const auto t = static_cast<Text>(i);
        const std::string_view japanese = text_pattern(t, Language::Japanese);
        const std::string_view english = text_pattern(t, Language::English);
        EXPECT_FALSE(japanese.empty()) << "text " << i;
        EXPECT_FALSE(english.empty()) << "text " << i << " (" << japanese << ")";
        EXPECT_EQ(places(english), places(japanese)) << english;
        EXPECT_EQ(japanese_in(english), "") << english;
    }
    // The check above sees what it is meant to see.
    EXPECT_EQ(japanese_in("Sente 先手"), "先");
    EXPECT_EQ(japanese_in("ﾊﾝﾃﾞｨ"), "ﾊ");
    EXPECT_EQ(japanese_in("Level △"), "");
}

TEST(Texts, TheChosenLanguageIsTheOneShownAndJapaneseComesBack) {
    ASSERT_EQ(language(), Language::Japanese);
    const std::string japanese = text(Text::LoadedUpTo, {{"line", "12"}, {"moves", "7"}});
    set_language(Language::English);
    EXPECT_EQ(language(), Language::English);
    EXPECT_EQ(text(Text::LoadedUpTo, {{"line", "12"}, {"moves", "7"}}),
              "The move on line 12 cannot be read. Loaded up to move 7.");
    EXPECT_EQ(text(Text::Handicap1Dan), "Handicap: 1-dan");
    EXPECT_EQ(text_pattern(Text::Numeral9), "9");
    set_language(Language::Japanese);
    EXPECT_EQ(language(), Language::Japanese);
    EXPECT_EQ(text(Text::LoadedUpTo, {{"line", "12"}, {"moves", "7"}}), japanese);
    EXPECT_EQ(text(Text::Handicap1Dan), "ﾊﾝﾃﾞｨｷｬｯﾌﾟ:初段");
}

// The values of every `name="..."` attribute in a page, in order.
std::vector<std::string> attribute_values(const std::string& page, const std::string& name) {
    std::vector<std::string> values;
    const std::string open = " " + name + "=\"";
    for (size_t at = page.find(open); at != std::string::npos; at = page.find(open, at + 1)) {
        const size_t from = at + open.size();
        values.push_back(page.substr(from, page.find('"', from) - from));
    }
    return values;
}

// The help window reads nothing but the files of the page's own folder, so a
// page may name only pictures that are there, and every link of its contents
// must lead somewhere on the page.  The menus it names are the menus as the
// game shows them in the page's language, and the English page is read by
// people who read no Japanese: its only Japanese is the record files' ending.
TEST(Texts, TheHelpPagesNameTheirOwnPicturesAnchorsAndMenus) {
    const fs::path assets = fs::path(RINDOU_SOURCE_DIR) / "assets";
    const std::pair<const char*, Language> pages[] = {{"Rindou.htm", Language::Japanese},
                                                      {"Rindou-en.htm", Language::English}};
    for (const auto& [name, language] : pages) {
        std::stringstream read;
        read << std::ifstream(assets / name).rdbuf();
        const std::string page = read.str();
        ASSERT_GT(page.size(), 10000u) << name;
        const std::vector<std::string> sources = attribute_values(page, "src");
        EXPECT_GT(sources.size(), 200u) << name;
        for (const std::string& src : sources)
            EXPECT_TRUE(src.rfind("pictures/", 0) == 0 && fs::is_regular_file(assets / src))
                << name << ": " << src;
        const std::vector<std::string> ids = attribute_values(page, "id");
        for (const std::string& href : attribute_values(page, "href"))
            EXPECT_TRUE(href.size() > 1 && href[0] == '#' &&
                        std::find(ids.begin(), ids.end(), href.substr(1)) != ids.end())
                << name << ": " << href;
        std::set<std::string_view> captions;
        for (size_t i = 0; i < TEXT_COUNT; ++i)
            captions.insert(text_pattern(static_cast<Text>(i), language));
        // The record panel's button is no text of the table: it reads the same in every language.
        captions.insert("RETURN");
        const std::string menu = "<span class=\"menu\">";
        for (size_t at = page.find(menu); at != std::string::npos; at = page.find(menu, at + 1)) {
            const size_t from = at + menu.size();
            const std::string caption = page.substr(from, page.find('<', from) - from);
            EXPECT_TRUE(captions.count(caption)) << name << " names a menu the game has not: " << caption;
        }
        if (language == Language::English) {
            std::string rest = page;
            for (size_t at; (at = rest.find(".棋譜")) != std::string::npos;) rest.erase(at, 7);
            EXPECT_EQ(japanese_in(rest), "") << name;
        }
    }
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
    size_t files = 0;
    for (const char* folder : {"play", "view", "shell", "app"}) {
        for (const auto& entry : fs::recursive_directory_iterator(root / folder)) {
            const std::string ext = entry.path().extension().string();
            if (ext != ".cpp" && ext != ".h") continue;
            ++files;
            std::stringstream source;
            source << std::ifstream(entry.path()).rdbuf();
            const std::vector<std::string> found = non_ascii_literals(source.str());
            if (!found.empty())
                ADD_FAILURE() << fs::relative(entry.path(), root).string() << " writes "
                              << found.size() << " text(s) of its own, the first "
                              << found.front()
                              << ": name it in core/texts_japanese.inc (or, for a file's "
                                 "contents, in core/file_texts.h)";
        }
    }
    EXPECT_GT(files, 50u) << "the sources were not found";
}

}  // namespace
}  // namespace rindou::test
