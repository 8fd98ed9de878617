// Fuzz target: the sound library's dsCreateDSB on SDL's dummy driver.  Any
// bytes are offered as a WAV image; a buffer that is made is played and
// freed.  Out-of-bounds reads and outsized allocations are the faults
// looked for (the sanitizers and libFuzzer's memory limit catch them).
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "sound/ds.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const int32_t context = [] {
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        return dsInitialize(1);
    }();
    if (context == 0) std::abort();
    if (size > INT32_MAX) return 0;
    int32_t buffer = dsCreateDSB(context, data, static_cast<int32_t>(size), 3);
    if (buffer != 0) {
        dsPlay(buffer);
        if (dsFree(buffer) != 1) std::abort();
    }
    return 0;
}
