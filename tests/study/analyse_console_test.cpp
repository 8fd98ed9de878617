// `analyse` in the console: the transcript under transcripts/ is what the
// console prints at a small budget, the same on every run and every time
// the command is repeated.  (A change of the deep search moves its scores:
// the console's output is then left in analyse.log in the test's folder.)
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/console.h"

namespace rindou {
namespace {

TEST(AnalyseConsole, TheTranscriptReplaysExactlyOnEveryRun) {
    const std::filesystem::path path =
        std::filesystem::path(RINDOU_SOURCE_DIR) / "tests" / "study" / "transcripts" / "analyse.txt";
    std::ifstream in(path);
    std::string input, expected, line;
    while (std::getline(in, line)) {
        if (!line.empty() && line[0] == '#') continue;
        if (line.rfind("> ", 0) == 0)
            input += line.substr(2) + "\n";
        else
            expected += line + "\n";
    }
    ASSERT_NE(input.find("analyse 4"), std::string::npos);
    // Every build searches the same budget, whatever the caller's cap.
    const char* old = std::getenv("RINDOU_SEARCH_NODES");
    const std::string kept = old ? old : "";
    ::setenv("RINDOU_SEARCH_NODES", "3000", 1);
    const std::string first = test::run_console(input);
    const std::string second = test::run_console(input);
    if (old) ::setenv("RINDOU_SEARCH_NODES", kept.c_str(), 1);
    else ::unsetenv("RINDOU_SEARCH_NODES");
    EXPECT_EQ(first, second);
    EXPECT_EQ(first, expected);
    if (first != expected) std::ofstream("analyse.log", std::ios::binary) << first;
}

}  // namespace
}  // namespace rindou
