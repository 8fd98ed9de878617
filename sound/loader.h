// Loads the sound library by name at start-up.  Returns nullptr when the
// library is missing: the game is then silent and says nothing.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/platform.h"

namespace rindou {

// The file name of the sound library.
constexpr const char* SOUND_LIBRARY_NAME = "librindou-sound.so";

// Where the library is looked for, in order: beside the executable, the lib
// folder of a relocated installation, the installed lib folder, the default
// search path of the dynamic loader, and last the build tree.
std::vector<std::string> sound_library_candidates();

// Loads the first candidate that opens and has every entry point.
std::unique_ptr<SoundLibrary> load_sound_library_from(const std::vector<std::string>& candidates);

std::unique_ptr<SoundLibrary> load_sound_library();

}  // namespace rindou
