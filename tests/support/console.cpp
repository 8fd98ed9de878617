#include "tests/support/console.h"

#include <sstream>

#include "app/cli/cli.h"

namespace rindou::test {

std::string run_console(const std::string& input) {
    std::istringstream in(input);
    std::ostringstream out;
    run_cli(in, out);
    return out.str();
}

}  // namespace rindou::test
