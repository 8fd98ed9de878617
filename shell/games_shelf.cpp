#include "shell/games_shelf.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <thread>

#include "core/files.h"

namespace rindou {

const char* const KEPT_LIST_NAME = ".rindou-kept-games";

namespace {

// The list names at most a thousand games, a line each; anything larger is
// not ours.
constexpr size_t KEPT_LIST_LIMIT = 1024 * 1024;

// Writes bytes to a new temporary file in the folder; its name, or empty.
// It is not forced to the disk: the end of a game must not wait for a flush
// (10 to 50 ms on a slow disk), and the system writes it out within seconds.
std::string write_temporary(const std::string& folder, const std::string& bytes) {
    std::string temp = folder + "/.rindou-XXXXXX";
    int fd = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd < 0) return {};
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += static_cast<size_t>(n);
    }
    // The mode of any new file (mkstemp makes it private).
    const mode_t mask = ::umask(022);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    if (::close(fd) != 0 || done != bytes.size()) {
        ::unlink(temp.c_str());
        return {};
    }
    return temp;
}

// Holds the folder's lock while it lives.  The lock is on the folder itself,
// which is never replaced (the list is, by a rename).  Another program keeps
// it only for the few milliseconds a game takes to keep, so a lock not had
// within two seconds belongs to a program that hangs: the game then goes
// without the list rather than the end of the game waiting for ever.
class FolderLock {
public:
    explicit FolderLock(const std::string& folder)
        : fd_(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC)) {
        for (int tries = 0; fd_ >= 0 && tries < 200; ++tries) {
            if (::flock(fd_, LOCK_EX | LOCK_NB) == 0) {
                held_ = true;
                return;
            }
            if (errno != EWOULDBLOCK && errno != EINTR) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }
    ~FolderLock() {
        if (fd_ >= 0) ::close(fd_);  // closing lets the lock go
    }
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;
    bool held() const { return held_; }

private:
    int fd_;
    bool held_ = false;
};

}  // namespace

std::string games_folder() {
    const std::string data = user_data_folder();
    return data.empty() ? std::string() : data + "/games";
}

std::vector<std::string> FolderShelf::names() {
    namespace fs = std::filesystem;
    std::vector<std::string> list;
    std::error_code ec;
    for (fs::directory_iterator it(folder_, ec), end; !ec && it != end; it.increment(ec))
        list.push_back(it->path().filename().string());
    return list;
}

GameShelf::Put FolderShelf::put(const std::string& name, const std::string& bytes) {
    std::error_code error;
    if (!make_folders(folder_, error)) return Put::Failed;
    // Written beside it and then given its name, so that the file appears
    // whole or not at all.
    const std::string temp = write_temporary(folder_, bytes);
    if (temp.empty()) return Put::Failed;
    const std::string target = folder_ + "/" + name;
    // A hard link never replaces a file of that name; where the file system
    // has no hard links, a rename does the same once the name is seen free.
    Put result = Put::Written;
    if (::link(temp.c_str(), target.c_str()) != 0) {
        struct stat st;
        if (errno == EEXIST || ::lstat(target.c_str(), &st) == 0)
            result = Put::Taken;
        else if (std::rename(temp.c_str(), target.c_str()) != 0)
            result = Put::Failed;
    }
    ::unlink(temp.c_str());
    return result;
}

bool FolderShelf::get(const std::string& name, std::string& bytes, size_t max_bytes) {
    std::error_code error;
    return read_whole_file(folder_ + "/" + name, bytes, error, max_bytes);
}

void FolderShelf::remove(const std::string& name) {
    // unlink, not std::filesystem::remove, which would take an empty folder.
    ::unlink((folder_ + "/" + name).c_str());
}

bool FolderShelf::with_kept_list(const std::function<bool(std::string& list)>& change) {
    std::error_code error;
    if (!make_folders(folder_, error)) return false;
    FolderLock lock(folder_);
    if (!lock.held()) return false;
    // Whatever a killed write left behind goes as it does in the folders
    // records are saved in.
    remove_stale_temporary_files(folder_);
    const std::string path = folder_ + "/" + KEPT_LIST_NAME;
    std::string list;
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 || errno != ENOENT) {
        if (!read_whole_file(path, list, error, KEPT_LIST_LIMIT)) return false;
    }
    const std::string before = list;
    if (!change(list)) return false;
    if (list == before) return true;
    const std::string temp = write_temporary(folder_, list);
    if (temp.empty()) return false;
    if (std::rename(temp.c_str(), path.c_str()) != 0) {
        ::unlink(temp.c_str());
        return false;
    }
    return true;
}

LocalTime FolderShelf::local_time() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace rindou
