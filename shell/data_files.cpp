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
    // The data and asset folders keep the sounds in a sounds/ folder of
    // their own; a file beside the program may lie loose.
    const std::vector<fs::path> places = {
        fs::path(name),
        fs::path(RINDOU_DATA_DIR) / name,
        fs::path(RINDOU_DATA_DIR) / "sounds" / name,
        fs::path(RINDOU_SOURCE_ASSETS) / name,
        fs::path(RINDOU_SOURCE_ASSETS) / "sounds" / name,
    };
    std::error_code ec;
    for (const auto& p : places)
        if (fs::is_regular_file(p, ec)) return p.string();
    return {};
}

}  // namespace rindou
