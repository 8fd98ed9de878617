#include "core/null_platform.h"

namespace rindou {

namespace {
// The ports of a game given none.  One per thread: the null clock moves
// with the pauses of whoever uses it, and games on other threads (the
// match tool, benchmarks) must not share its time.
Platform& null_ports() {
    thread_local NullPlatform none;
    return none;
}
}  // namespace

Ports::Ports() : Ports(nullptr) {}

Ports::Ports(Platform* platform) {
    Platform& p = platform ? *platform : null_ports();
    surface = &p;
    dialogs = &p;
    clock = &p;
    panel = &p;
    storage = &p;
    sound = p.sound_library();
    host = &p;
    observer = &p;
}

}  // namespace rindou
