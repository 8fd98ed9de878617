#include "shell/data_files.h"

#include <sys/stat.h>

#include "core/files.h"

// The path from the programs' folder to the data folder, fixed when the
// build is configured.
#ifndef RINDOU_DATA_FROM_BIN
#define RINDOU_DATA_FROM_BIN "../share/rindou"
#endif

namespace rindou {

std::vector<std::string> data_folders() {
    std::vector<std::string> folders;
    std::string user = user_data_folder();
    if (!user.empty()) folders.push_back(user);
    std::string exe = executable_folder();
    if (!exe.empty()) folders.push_back(exe + "/" + RINDOU_DATA_FROM_BIN);
    return folders;
}

std::string find_data_file(const std::string& name) {
    if (name.empty() || name[0] == '/') return {};
    for (const std::string& folder : data_folders()) {
        std::vector<std::string> places = {folder + "/" + name};
        if (name.find('/') == std::string::npos) places.push_back(folder + "/sounds/" + name);
        for (const std::string& place : places) {
            // Only a first choice: whoever reads the file checks it again on
            // what it opened.
            struct stat st;
            if (::stat(place.c_str(), &st) == 0 && S_ISREG(st.st_mode)) return place;
        }
    }
    return {};
}

}  // namespace rindou
