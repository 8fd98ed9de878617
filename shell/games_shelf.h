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

// The file in the games folder that lists the games the program kept there.
// Its name is hidden, and is neither a record's nor one of our temporary
// files'.
extern const char* const KEPT_LIST_NAME;

// The games folder on disk.  It is made when the first game is written.
class FolderShelf : public GameShelf {
public:
    explicit FolderShelf(std::string folder) : folder_(std::move(folder)) {}
    std::vector<std::string> names() override;
    Put put(const std::string& name, const std::string& bytes) override;
    bool get(const std::string& name, std::string& bytes, size_t max_bytes) override;
    void remove(const std::string& name) override;
    bool with_kept_list(const std::function<bool(std::string& list)>& change) override;
    LocalTime local_time() override;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace rindou
