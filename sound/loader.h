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

// Where the library is looked for, in order: the installation's private
// library folder, found relative to the running program (in a build tree,
// the build's own library folder, laid out the same way), then the dynamic
// loader's own search by name.  Never the current folder.
std::vector<std::string> sound_library_candidates();

// Loads the first candidate that opens and has every entry point; `loaded`
// (when given) receives the candidate that was used.
std::unique_ptr<SoundLibrary> load_sound_library_from(const std::vector<std::string>& candidates,
                                                      std::string* loaded = nullptr);

std::unique_ptr<SoundLibrary> load_sound_library(std::string* loaded = nullptr);

}  // namespace rindou
