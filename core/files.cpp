#include "core/files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace rindou {

bool read_whole_file(const std::string& path, std::string& bytes, std::string& error,
                     size_t max_bytes) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = ec ? ec.message() : std::string("not a regular file");
        return false;
    }
    auto size = std::filesystem::file_size(path, ec);
    if (ec) {
        error = ec.message();
        return false;
    }
    if (size > max_bytes) {
        error = "file too large";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    bytes.assign(static_cast<size_t>(size), '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(size));
    bytes.resize(static_cast<size_t>(in.gcount()));
    if (in.bad()) {
        error = "read error";
        return false;
    }
    return true;
}

bool write_file_atomically(const std::string& path, const std::string& bytes, std::string& error) {
    namespace fs = std::filesystem;
    fs::path target(path);
    fs::path dir = target.parent_path();
    std::string tmpl = (dir.empty() ? fs::path(".") : dir) / (".rindou-XXXXXX");
    std::string name = tmpl;
    int fd = ::mkstemp(name.data());
    if (fd < 0) {
        error = std::strerror(errno);
        return false;
    }
    size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = std::strerror(errno);
            ::close(fd);
            ::unlink(name.c_str());
            return false;
        }
        done += static_cast<size_t>(n);
    }
    if (::fsync(fd) != 0 || ::close(fd) != 0) {
        error = std::strerror(errno);
        ::unlink(name.c_str());
        return false;
    }
    // Keep the permissions an existing file had; a new one gets the usual.
    std::error_code ec;
    auto perms = fs::exists(target, ec) ? fs::status(target, ec).permissions()
                                        : (fs::perms::owner_read | fs::perms::owner_write |
                                           fs::perms::group_read | fs::perms::others_read);
    fs::permissions(name, perms, ec);
    if (std::rename(name.c_str(), path.c_str()) != 0) {
        error = std::strerror(errno);
        ::unlink(name.c_str());
        return false;
    }
    return true;
}

}  // namespace rindou
