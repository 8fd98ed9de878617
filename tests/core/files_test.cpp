// Reading and writing files safely in folders others may write to, and the
// user's own folders.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/files.h"

namespace rindou {
namespace {

namespace fs = std::filesystem;

struct Folder {
    Folder() {
        std::string t = (fs::temp_directory_path() / "rindou-files-XXXXXX").string();
        path = ::mkdtemp(t.data());
    }
    ~Folder() {
        set_temporary_file_observer(nullptr);
        std::error_code ec;
        fs::remove_all(path, ec);
    }
    std::string operator/(const std::string& name) const { return (path / name).string(); }
    fs::path path;
};

void put(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

std::string get(const std::string& path) {
    std::string bytes;
    std::error_code error;
    EXPECT_TRUE(read_whole_file(path, bytes, error)) << path << ": " << error.message();
    return bytes;
}

mode_t mode_of(const std::string& path) {
    struct stat st;
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

void age(const std::string& path, int seconds) {
    struct timeval times[2];
    ::gettimeofday(&times[0], nullptr);
    times[0].tv_sec -= seconds;
    times[1] = times[0];
    ASSERT_EQ(::lutimes(path.c_str(), times), 0);
}

TEST(ReadWholeFile, RefusesAnythingButARegularFileAtOnceAndKeepsToTheLimit) {
    Folder f;
    // A FIFO with no writer would block an open that waits: it is refused.
    ASSERT_EQ(::mkfifo((f / "pipe").c_str(), 0600), 0);
    std::string bytes;
    std::error_code error;
    EXPECT_FALSE(read_whole_file(f / "pipe", bytes, error));
    EXPECT_EQ(error, FileError::NotRegularFile);
    EXPECT_FALSE(read_whole_file(f.path.string(), bytes, error));
    EXPECT_FALSE(read_whole_file(f / "missing", bytes, error));
    EXPECT_EQ(error, std::errc::no_such_file_or_directory);

    put(f / "ten", "0123456789");
    EXPECT_TRUE(read_whole_file(f / "ten", bytes, error, 10));
    EXPECT_EQ(bytes, "0123456789");
    EXPECT_FALSE(read_whole_file(f / "ten", bytes, error, 9));
    EXPECT_EQ(error, FileError::TooLarge);
    EXPECT_TRUE(bytes.empty());
    // A link to a regular file is read as that file.
    ASSERT_EQ(::symlink((f / "ten").c_str(), (f / "link").c_str()), 0);
    EXPECT_EQ(get(f / "link"), "0123456789");
}

// The temporary file lies in a folder others may write to: once it is made,
// its name may point anywhere.  Its mode is set on what was opened.
TEST(WriteFileAtomically, SetsTheModeOnTheOpenFileNeverThroughItsName) {
    Folder f;
    put(f / "victim", "mine");
    ::chmod((f / "victim").c_str(), 0600);
    put(f / "record", "old");
    ::chmod((f / "record").c_str(), 0644);
    set_temporary_file_observer([&](const std::string& temp) {
        ::unlink(temp.c_str());
        ASSERT_EQ(::symlink((f / "victim").c_str(), temp.c_str()), 0);
    });
    std::error_code error;
    write_file_atomically(f / "record", "new", error);
    EXPECT_EQ(mode_of(f / "victim"), 0600u);
    EXPECT_EQ(get(f / "victim"), "mine");
}

TEST(WriteFileAtomically, KeepsTheModeOfTheFileReplacedAndReplacesALinkByAFile) {
    Folder f;
    put(f / "record", "old");
    ::chmod((f / "record").c_str(), 0640);
    std::error_code error;
    ASSERT_TRUE(write_file_atomically(f / "record", "new", error)) << error.message();
    EXPECT_EQ(get(f / "record"), "new");
    EXPECT_EQ(mode_of(f / "record"), 0640u);

    // A new file gets what the umask allows.
    mode_t old_mask = ::umask(027);
    ASSERT_TRUE(write_file_atomically(f / "fresh", "x", error)) << error.message();
    ::umask(old_mask);
    EXPECT_EQ(mode_of(f / "fresh"), 0640u);

    // A link in the target's place is replaced; what it pointed to stays.
    put(f / "elsewhere", "kept");
    ASSERT_EQ(::symlink((f / "elsewhere").c_str(), (f / "linked").c_str()), 0);
    ASSERT_TRUE(write_file_atomically(f / "linked", "written", error)) << error.message();
    EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(f / "linked")));
    EXPECT_EQ(get(f / "elsewhere"), "kept");
}

TEST(WriteFileAtomically, AFailureLeavesTheOldTargetAndNoTemporaryFile) {
    Folder f;
    fs::create_directories(f.path / "taken" / "inside");
    std::error_code error;
    EXPECT_FALSE(write_file_atomically(f / "taken", "new", error));
    EXPECT_EQ(error, std::errc::is_a_directory);
    EXPECT_TRUE(fs::is_directory(f.path / "taken" / "inside"));
    EXPECT_FALSE(write_file_atomically(f / "no such folder/file", "new", error));
    for (const auto& e : fs::directory_iterator(f.path))
        EXPECT_EQ(e.path().filename(), "taken");
}

// A write killed part-way leaves its temporary file: the next write into the
// same folder removes ours that are over an hour old, nothing else.
TEST(WriteFileAtomically, RemovesOnlyOurOwnTemporaryFilesOverAnHourOld) {
    Folder f;
    const std::string stale = ".rindou-Ab12Cd", fresh = ".rindou-Ef34Gh";
    for (const std::string& name : {stale, fresh, std::string(".rindou-Ab12Cde"),
                                    std::string(".rindou-Ab_2Cd"), std::string("rindou-Ab12Cd")})
        put(f / name, "left over");
    for (const std::string& name : {stale, std::string(".rindou-Ab12Cde"),
                                    std::string(".rindou-Ab_2Cd"), std::string("rindou-Ab12Cd")})
        age(f / name, 2 * 3600);
    age(f / fresh, 1800);
    std::error_code error;
    ASSERT_TRUE(write_file_atomically(f / "record", "new", error)) << error.message();
    EXPECT_FALSE(fs::exists(f / stale));
    EXPECT_TRUE(fs::exists(f / fresh));
    EXPECT_TRUE(fs::exists(f / ".rindou-Ab12Cde"));
    EXPECT_TRUE(fs::exists(f / ".rindou-Ab_2Cd"));
    EXPECT_TRUE(fs::exists(f / "rindou-Ab12Cd"));
}

TEST(UserFolders, FollowTheXdgVariablesOnlyWhenTheyAreAbsolute) {
    const char* home_was = std::getenv("HOME");
    std::string home = home_was ? home_was : "";
    const char* config_was = std::getenv("XDG_CONFIG_HOME");
    std::string config = config_was ? config_was : "";
    const char* data_was = std::getenv("XDG_DATA_HOME");
    std::string data = data_was ? data_was : "";

    ::setenv("HOME", "/home/someone", 1);
    ::setenv("XDG_CONFIG_HOME", "/elsewhere/conf", 1);
    ::setenv("XDG_DATA_HOME", "/elsewhere/data", 1);
    EXPECT_EQ(user_config_folder(), "/elsewhere/conf/rindou");
    EXPECT_EQ(user_data_folder(), "/elsewhere/data/rindou");
    ::setenv("XDG_CONFIG_HOME", "relative/conf", 1);
    ::setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(user_config_folder(), "/home/someone/.config/rindou");
    EXPECT_EQ(user_data_folder(), "/home/someone/.local/share/rindou");
    ::unsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(user_config_folder(), "/home/someone/.config/rindou");

    auto restore = [](const char* name, const char* was, const std::string& value) {
        if (was)
            ::setenv(name, value.c_str(), 1);
        else
            ::unsetenv(name);
    };
    restore("HOME", home_was, home);
    restore("XDG_CONFIG_HOME", config_was, config);
    restore("XDG_DATA_HOME", data_was, data);
}

}  // namespace
}  // namespace rindou
