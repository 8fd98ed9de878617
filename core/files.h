// Whole-file reading and safe writing, shared by the record files and the
// settings file.
#pragma once

#include <string>

namespace rindou {

// Reads a whole file; false (with a description) when it cannot be read or is
// larger than max_bytes.
bool read_whole_file(const std::string& path, std::string& bytes, std::string& error,
                     size_t max_bytes = 64u * 1024u * 1024u);

// Writes a file through a temporary file in the same folder renamed over it,
// so that a failure never leaves a half-written or lost file.
bool write_file_atomically(const std::string& path, const std::string& bytes, std::string& error);

}  // namespace rindou
