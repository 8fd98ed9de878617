#include "shell/data_files.h"

#include <filesystem>
#include <vector>

#ifndef RINDOU_DATA_DIR
#define RINDOU_DATA_DIR "/usr/local/share/rindou"
#endif
#ifndef RINDOU_SOURCE_ASSETS
#define RINDOU_SOURCE_ASSETS "assets"
#endif

namespace rindou {

std::string find_data_file(const std::string& name) {
    namespace fs = std::filesystem;
    const std::vector<fs::path> places = {
        fs::path(name),
        fs::path(RINDOU_DATA_DIR) / name,
        fs::path(RINDOU_SOURCE_ASSETS) / name,
    };
    std::error_code ec;
    for (const auto& p : places)
        if (fs::is_regular_file(p, ec)) return p.string();
    return {};
}

}  // namespace rindou
