// Loads the sound library by name at start-up.  Returns nullptr when the
// library is missing: the game is then silent and says nothing.
#pragma once

#include <memory>

#include "core/platform.h"

namespace rindou {

std::unique_ptr<SoundLibrary> load_sound_library();

}  // namespace rindou
