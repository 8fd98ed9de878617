// Whole-file reading and safe writing, shared by the record files, the
// settings file and the data files; and the folders the program keeps its
// files in.
#pragma once

#include <functional>
#include <string>
#include <system_error>

namespace rindou {

// Why a file could not be used.  Failures of the system travel as their errno
// in std::generic_category(); the two refusals of our own below have their
// own category.  Callers choose their messages by code: message() is the text
// for the places that show the system's description as it is.
enum class FileError {
    NotRegularFile = 1,  // "not a regular file"
    TooLarge,            // "file too large"
};
std::error_code make_error_code(FileError e);

// Reads a whole file; false (with the reason) when it cannot be read, is not
// a regular file or is larger than max_bytes.  The file is opened once
// without waiting (a FIFO or device put in its place is refused at once, not
// waited on) and everything is judged on the open descriptor.
bool read_whole_file(const std::string& path, std::string& bytes, std::error_code& error,
                     size_t max_bytes = 64u * 1024u * 1024u);

// Writes a file through a temporary file in the same folder renamed over it,
// so that a failure never leaves a half-written or lost file.  The new file
// keeps the mode of the regular file it replaces (a new one gets 0666 less
// the umask); a symbolic link in the target's place is replaced by the file.
// Temporary files of ours left over an hour ago by a write that was killed
// are removed from the folder first.
bool write_file_atomically(const std::string& path, const std::string& bytes,
                           std::error_code& error);

// Removes our temporary files in a folder that were left over an hour ago
// by a write that was killed before it could clean up after itself.
void remove_stale_temporary_files(const std::string& folder);

// For tests: called with the temporary file's name once it is made, before
// anything is written to it.
void set_temporary_file_observer(std::function<void(const std::string&)> observer);

// Whether a name is one of our temporary files (".rindou-" and six letters
// or digits).
bool is_temporary_file_name(const std::string& name);

// The per-user folders of the program's files: $XDG_CONFIG_HOME/rindou for
// the settings and $XDG_DATA_HOME/rindou for data (by default
// ~/.config/rindou and ~/.local/share/rindou).  An unset, empty or relative
// XDG value gives the default.  Empty when there is no home folder either.
// Nothing is created.
std::string user_config_folder();
std::string user_data_folder();

// Makes a folder and its missing parents (new ones private to the user);
// false with the reason when it cannot be made.
bool make_folders(const std::string& path, std::error_code& error);

// The folder of the running program, or an empty string when unknown.
std::string executable_folder();

}  // namespace rindou

template <>
struct std::is_error_code_enum<rindou::FileError> : std::true_type {};
