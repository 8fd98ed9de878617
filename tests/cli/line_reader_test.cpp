// The console's line reader: a line of any length costs at most the limit.
#include <gtest/gtest.h>

#include <sstream>

#include "app/cli/cli.h"
#include "tests/support/console.h"

namespace rindou::test {
namespace {

TEST(LineReader, TakesALineOfTheLimitAndRefusesOneByteMore) {
    const std::string at_limit(LINE_LIMIT, 'x');
    std::istringstream in(at_limit + "\n" + at_limit + "y\n" + at_limit + "\r\nlast");
    std::string line;
    ASSERT_EQ(read_command_line(in, line), LineRead::Line);
    EXPECT_EQ(line.size(), LINE_LIMIT);
    EXPECT_EQ(read_command_line(in, line), LineRead::TooLong);
    EXPECT_TRUE(line.empty());
    // A CR before the LF is the line end's, not the line's.
    ASSERT_EQ(read_command_line(in, line), LineRead::Line);
    EXPECT_EQ(line.size(), LINE_LIMIT);
    ASSERT_EQ(read_command_line(in, line), LineRead::Line);
    EXPECT_EQ(line, "last");
    EXPECT_EQ(read_command_line(in, line), LineRead::End);
}

TEST(LineReader, ALongLineIsRefusedWholeAndTheNextOneRuns) {
    std::string setup = "setup";
    while (setup.size() <= LINE_LIMIT + 10) setup += " 0";
    std::string out = run_console(setup + "\nshow\nanswer " + "yes\n");
    EXPECT_EQ(out.substr(0, out.find("board")),
              "music on\nready\nerror line too long\n");
    EXPECT_NE(out.find("\nok\nok\n"), std::string::npos);
}

}  // namespace
}  // namespace rindou::test
