#include "shell/games_shelf.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <ctime>
#include <filesystem>

#include "core/files.h"

namespace rindou {

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

bool FolderShelf::put(const std::string& name, const std::string& bytes) {
    std::error_code error;
    if (!make_folders(folder_, error)) return false;
    // Written beside it and then given its name, so that the file appears
    // whole or not at all.  It is not forced to the disk: the end of a game
    // must not wait for a flush (10 to 50 ms on a slow disk), and the system
    // writes it out within seconds.
    std::string temp = folder_ + "/.rindou-XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return false;
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
    bool ok = ::close(fd) == 0 && done == bytes.size();
    const std::string target = folder_ + "/" + name;
    // A hard link never replaces a file of that name; where the file system
    // has no hard links, a rename does the same (the name was free).
    if (ok && ::link(temp.c_str(), target.c_str()) != 0)
        ok = errno != EEXIST && std::rename(temp.c_str(), target.c_str()) == 0;
    ::unlink(temp.c_str());
    return ok;
}

void FolderShelf::remove(const std::string& name) {
    std::error_code ec;
    std::filesystem::remove(folder_ + "/" + name, ec);
}

LocalTime FolderShelf::local_time() {
    std::time_t now = std::time(nullptr);
    std::tm tm{};
    localtime_r(&now, &tm);
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

}  // namespace rindou
