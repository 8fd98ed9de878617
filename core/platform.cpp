#include "core/platform.h"

#include "core/files.h"

namespace rindou {

bool StoragePort::read_record(const std::string& path, std::string& bytes, std::error_code& error,
                              size_t max_bytes) {
    return read_whole_file(path, bytes, error, max_bytes);
}

bool StoragePort::write_record(const std::string& path, const std::string& bytes,
                               std::error_code& error) {
    // Written beside the old file and renamed over it: a failure leaves the
    // old record as it was.
    return write_file_atomically(path, bytes, error);
}

}  // namespace rindou
