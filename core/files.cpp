#include "core/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <mutex>
#include <utility>
#include <vector>

namespace rindou {

namespace {

constexpr const char* TEMPORARY_PREFIX = ".rindou-";
// A temporary file this old was left by a write that never finished.
constexpr time_t STALE_SECONDS = 60 * 60;

// A failure the system reported by its errno.
std::error_code errno_code(int code) { return {code, std::generic_category()}; }

class FileErrorCategory : public std::error_category {
public:
    const char* name() const noexcept override { return "rindou file"; }
    std::string message(int code) const override {
        switch (static_cast<FileError>(code)) {
            case FileError::NotRegularFile: return "not a regular file";
            case FileError::TooLarge: return "file too large";
        }
        return "unknown file error";
    }
};

std::function<void(const std::string&)>& temporary_file_observer() {
    static std::function<void(const std::string&)> observer;
    return observer;
}

// Closes a descriptor when it goes out of scope.
struct Descriptor {
    int fd;
    explicit Descriptor(int f) : fd(f) {}
    ~Descriptor() {
        if (fd >= 0) ::close(fd);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    // Closes now and reports the result (a close may report a late write error).
    int close_now() {
        int result = ::close(fd);
        fd = -1;
        return result;
    }
};

std::string folder_of(const std::string& path) {
    size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

mode_t current_umask() {
    // umask can only be read by setting it; keep the two calls together.
    static std::mutex mutex;
    std::lock_guard<std::mutex> lock(mutex);
    mode_t mask = ::umask(022);
    ::umask(mask);
    return mask;
}

// The mode the written file gets: that of the regular file it replaces, or
// what a newly created file would get.
mode_t mode_for(const std::string& path) {
    struct stat st;
    if (::lstat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return st.st_mode & 0777;
    return 0666 & ~current_umask();
}

// Syncs a folder so that a rename in it lasts.  Filesystems that cannot sync
// a folder say EINVAL: the rename stands all the same.
bool sync_folder(const std::string& folder, std::error_code& error) {
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return true;  // a folder we may write but not read: nothing to sync with
    Descriptor dir(fd);
    if (::fsync(fd) != 0 && errno != EINVAL) {
        error = errno_code(errno);
        return false;
    }
    return true;
}

// The home folder: $HOME when it is an absolute path, else the user database.
std::string home_folder() {
    const char* home = std::getenv("HOME");
    if (home && home[0] == '/') return home;
    std::vector<char> buffer(16384);
    passwd pw;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &pw, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && found->pw_dir[0] == '/')
        return found->pw_dir;
    return {};
}

std::string user_folder(const char* variable, const char* fallback) {
    const char* value = std::getenv(variable);
    if (value && value[0] == '/') return std::string(value) + "/rindou";
    std::string home = home_folder();
    if (home.empty()) return {};
    return home + "/" + fallback + "/rindou";
}

}  // namespace

void remove_stale_temporary_files(const std::string& folder) {
    int dfd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dfd < 0) return;
    DIR* dir = ::fdopendir(dfd);
    if (!dir) {
        ::close(dfd);
        return;
    }
    std::vector<std::string> stale;
    time_t now = std::time(nullptr);
    while (dirent* e = ::readdir(dir)) {
        if (!is_temporary_file_name(e->d_name)) continue;
        struct stat st;
        if (::fstatat(dfd, e->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
        if (S_ISREG(st.st_mode) && st.st_mtime + STALE_SECONDS < now) stale.push_back(e->d_name);
    }
    for (const std::string& name : stale) ::unlinkat(dfd, name.c_str(), 0);
    ::closedir(dir);
}

std::error_code make_error_code(FileError e) {
    static const FileErrorCategory category;
    return {static_cast<int>(e), category};
}

bool read_whole_file(const std::string& path, std::string& bytes, std::error_code& error,
                     size_t max_bytes) {
    bytes.clear();
    int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        error = errno_code(errno);
        return false;
    }
    Descriptor file(fd);
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        error = errno_code(errno);
        return false;
    }
    if (!S_ISREG(st.st_mode)) {
        error = FileError::NotRegularFile;
        return false;
    }
    if (st.st_size < 0 || static_cast<unsigned long long>(st.st_size) > max_bytes) {
        error = FileError::TooLarge;
        return false;
    }
    // The size may change while reading: read to the end, never past the limit.
    bytes.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    for (;;) {
        if (done == bytes.size()) {
            if (bytes.size() > max_bytes) {
                bytes.clear();
                error = FileError::TooLarge;
                return false;
            }
            bytes.resize(std::min(max_bytes + 1, bytes.size() + 65536));
        }
        ssize_t n = ::read(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = errno_code(errno);
            bytes.clear();
            return false;
        }
        if (n == 0) break;
        done += static_cast<size_t>(n);
    }
    bytes.resize(done);
    if (done > max_bytes) {
        bytes.clear();
        error = FileError::TooLarge;
        return false;
    }
    return true;
}

bool write_file_atomically(const std::string& path, const std::string& bytes,
                           std::error_code& error) {
    const std::string folder = folder_of(path);
    remove_stale_temporary_files(folder);
    const mode_t mode = mode_for(path);

    std::string name = (folder == "/" ? std::string() : folder) + "/" + TEMPORARY_PREFIX + "XXXXXX";
    int fd = ::mkostemp(name.data(), O_CLOEXEC);
    if (fd < 0) {
        error = errno_code(errno);
        return false;
    }
    Descriptor file(fd);
    // From here on the file is reached only through its descriptor: its name
    // is in a folder others may write to, and may no longer be ours.
    auto fail = [&](int code) {
        error = errno_code(code);
        ::unlink(name.c_str());
        return false;
    };
    if (auto& observer = temporary_file_observer()) observer(name);
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return fail(errno);
        }
        done += static_cast<size_t>(n);
    }
    // A filesystem without modes (a FAT memory stick) may refuse: the file
    // then keeps the private mode it was made with, and the save goes on.
    (void)::fchmod(fd, mode);
    if (::fsync(fd) != 0) return fail(errno);
    if (file.close_now() != 0) return fail(errno);
    if (std::rename(name.c_str(), path.c_str()) != 0) return fail(errno);
    return sync_folder(folder, error);
}

void set_temporary_file_observer(std::function<void(const std::string&)> observer) {
    temporary_file_observer() = std::move(observer);
}

bool is_temporary_file_name(const std::string& name) {
    const size_t prefix = std::strlen(TEMPORARY_PREFIX);
    if (name.size() != prefix + 6 || name.compare(0, prefix, TEMPORARY_PREFIX) != 0) return false;
    for (size_t i = prefix; i < name.size(); ++i) {
        char ch = name[i];
        bool alnum = (ch >= 'A' && ch <= 'Z') || (ch >= 'a' && ch <= 'z') || (ch >= '0' && ch <= '9');
        if (!alnum) return false;
    }
    return true;
}

std::string user_config_folder() { return user_folder("XDG_CONFIG_HOME", ".config"); }

std::string user_data_folder() { return user_folder("XDG_DATA_HOME", ".local/share"); }

bool make_folders(const std::string& path, std::error_code& error) {
    if (path.empty()) {
        error = errno_code(ENOENT);
        return false;
    }
    size_t at = 0;
    while (at != std::string::npos) {
        at = path.find('/', at + 1);
        std::string part = path.substr(0, at);
        if (part.empty() || part.back() == '/') continue;
        if (::mkdir(part.c_str(), 0700) == 0 || errno == EEXIST) continue;
        error = errno_code(errno);
        return false;
    }
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        error = errno_code(ENOTDIR);
        return false;
    }
    return true;
}

std::string executable_folder() {
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = ::readlink("/proc/self/exe", buffer.data(), buffer.size());
        if (n < 0) return {};
        if (static_cast<size_t>(n) < buffer.size()) {
            std::string exe(buffer.data(), static_cast<size_t>(n));
            if (exe.empty() || exe[0] != '/') return {};
            return folder_of(exe);
        }
        buffer.resize(buffer.size() * 2);
    }
}

}  // namespace rindou
