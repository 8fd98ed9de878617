// Where the program's data files (pictures, sounds, help page) are found:
// the current folder first, then the installed data folder (as built, then
// beside the program's bin folder for a moved installation), then the
// source tree's assets (a build run from anywhere in development).  Sounds
// may also lie in a sounds/ folder of the data folder and of the assets.
#pragma once

#include <string>

namespace rindou {

// The path of a data file, or an empty string when none exists.
std::string find_data_file(const std::string& name);

}  // namespace rindou
