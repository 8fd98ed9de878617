#include <csignal>
#include <iostream>

#include "app/cli/cli.h"
#include "record/kept_games.h"
#include "shell/games_shelf.h"

int main() {
    std::ios::sync_with_stdio(false);
    // Past a file-size limit (ulimit -f) a write is to fail with EFBIG, and
    // the save be refused as any failed write is, not end the program.
    std::signal(SIGXFSZ, SIG_IGN);
    // Games are kept in the user's games folder, as the window keeps them.
    const std::string folder = rindou::games_folder();
    rindou::FolderShelf shelf(folder);
    return rindou::run_cli(std::cin, std::cout, rindou::LINE_LIMIT,
                           folder.empty() ? nullptr : &shelf);
}
