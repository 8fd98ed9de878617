#include "shell/data_files.h"

#include <filesystem>
#include <vector>

#ifndef RINDOU_DATA_DIR
#define RINDOU_DATA_DIR "/usr/local/share/rindou"
#endif
#ifndef RINDOU_RELATIVE_DATA_DIR
#define RINDOU_RELATIVE_DATA_DIR "share/rindou"
#endif
#ifndef RINDOU_SOURCE_ASSETS
#define RINDOU_SOURCE_ASSETS "assets"
#endif

namespace rindou {

namespace {

// The data folder of an installation moved elsewhere as a whole: beside the
// bin folder of the running program.
std::filesystem::path relocated_data_dir() {
    std::error_code ec;
    auto exe = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec) return {};
    return exe.parent_path().parent_path() / RINDOU_RELATIVE_DATA_DIR;
}

}  // namespace

std::string find_data_file(const std::string& name) {
    namespace fs = std::filesystem;
    // The data and asset folders keep the sounds in a sounds/ folder of
    // their own; a file in the current folder may lie loose.
    std::vector<fs::path> folders = {fs::path(RINDOU_DATA_DIR)};
    fs::path relocated = relocated_data_dir();
    if (!relocated.empty()) folders.push_back(relocated);
    folders.push_back(fs::path(RINDOU_SOURCE_ASSETS));

    std::vector<fs::path> places = {fs::path(name)};
    for (const auto& folder : folders) {
        places.push_back(folder / name);
        places.push_back(folder / "sounds" / name);
    }
    std::error_code ec;
    for (const auto& p : places)
        if (fs::is_regular_file(p, ec)) return p.string();
    return {};
}

}  // namespace rindou
