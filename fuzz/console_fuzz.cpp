// Fuzz target: the console front end's command reader.  Any bytes are taken
// as command lines; `save` and `load` lines are left out so that the fuzzer
// never writes or reads files of its choosing.  The line limit is lowered to
// 32 KiB so that inputs of fuzzing size reach the refusal of long lines.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <sstream>
#include <string>

#include "app/cli/cli.h"

namespace {
constexpr size_t INPUT_LIMIT = 64 * 1024;
constexpr size_t FUZZ_LINE_LIMIT = 32 * 1024;
}  // namespace

// The console checks the state after every command and aborts on a problem.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("RINDOU_CHECK_STATE", "1", 1);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string input;
    std::string line;
    auto flush = [&]() {
        if (line.rfind("save", 0) != 0 && line.rfind("load", 0) != 0) input += line + "\n";
        line.clear();
    };
    for (size_t i = 0; i < size && i < INPUT_LIMIT; ++i) {
        char ch = static_cast<char>(data[i]);
        if (ch == '\n')
            flush();
        else
            line += ch;
    }
    flush();
    std::istringstream in(input);
    std::ostringstream out;
    // No shelf: the fuzzer keeps no games, whatever it plays.
    rindou::run_cli(in, out, FUZZ_LINE_LIMIT, nullptr);
    return 0;
}
