// The games folder on disk, where every finished or left game is kept.
#pragma once

#include <string>
#include <vector>

#include "core/platform.h"

namespace rindou {

// The games folder: "games" in the user's data folder
// ($XDG_DATA_HOME/rindou/games, by default ~/.local/share/rindou/games);
// empty when there is no such folder.
std::string games_folder();

// The games folder on disk.  It is made when the first game is written.
class FolderShelf : public GameShelf {
public:
    explicit FolderShelf(std::string folder) : folder_(std::move(folder)) {}
    std::vector<std::string> names() override;
    bool put(const std::string& name, const std::string& bytes) override;
    void remove(const std::string& name) override;
    LocalTime local_time() override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace rindou
