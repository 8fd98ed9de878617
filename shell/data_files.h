// Where the program's data files (pictures, sounds, help page) are found:
// the user's own data folder first (so that a user can replace a sound), then
// the data folder of the installation, found relative to the running
// program.  Both have the installed layout: sounds in sounds/, pictures in
// pictures/.  Never the current folder: a folder the game happens to be
// started in must not feed it files.
#pragma once

#include <string>
#include <vector>

namespace rindou {

// The folders searched, in order (those that cannot be known are left out).
std::vector<std::string> data_folders();

// The path of a data file, or an empty string when none exists.  A bare
// sound file name is also looked for in the sounds/ folder.
std::string find_data_file(const std::string& name);

}  // namespace rindou
