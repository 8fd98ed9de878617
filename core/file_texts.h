// Texts that are file contents or file names, not words shown to a person:
// the same in every language, since files written in one must be read in
// any other.
#pragma once

namespace rindou {

// The ending of every record file's name.
inline constexpr const char* RECORD_FILE_SUFFIX = ".棋譜";

}  // namespace rindou
