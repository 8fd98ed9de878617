// Placeholder until the sound library lands: no library, a silent game.
#include "sound/loader.h"

namespace rindou {
std::unique_ptr<SoundLibrary> load_sound_library() { return nullptr; }
}  // namespace rindou
