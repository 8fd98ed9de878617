#include <iostream>

#include "app/cli/cli.h"

int main() {
    std::ios::sync_with_stdio(false);
    return rindou::run_cli(std::cin, std::cout);
}
