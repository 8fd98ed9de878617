#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds Rindou, and then
# either starts the game (play) or runs every test (test); or builds the web
# page with Debian's emscripten and serves it (web), or builds the page and
# the online server and starts the server in front of it (server).
set -euo pipefail

mode="${1:-play}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RINDOU_BUILD_DIR:-$root/build}"

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  # The window as an online client
  qt6-websockets-dev libqt6websockets6
  libsdl2-mixer-dev
  libgtest-dev
  fonts-ipafont-mincho
  clang-14 libclang-rt-14-dev
  # The online server (rindou-server): Boost 1.81's headers only, since
  # libboost-dev is 1.74 and conflicts with them
  libboost1.81-dev nlohmann-json3-dev libsqlite3-dev
  # Its PostgreSQL store (libpq), and the throwaway clusters its tests of
  # several servers run on (initdb and pg_ctl under /usr/lib/postgresql/15,
  # psql); nginx below stands in front of those servers too
  libpq-dev postgresql postgresql-client
  # Making and checking the Debian package (packaging/)
  dpkg-dev file lintian desktop-file-utils appstream strace
  xvfb xauth libglib2.0-bin man-db
  # The online server's package: its example nginx site checked with a
  # certificate made for the occasion, and the installed server asked
  # for the page
  nginx openssl curl
)

install_missing() {
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

# The test builds treat warnings as errors; the play build does not, so a new
# compiler's false positive never stops a player.
werror=OFF
[ "$mode" = test ] && werror=ON

build_game() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINDOU_WERROR=$werror
  cmake --build "$build"
}

# The web page: the game compiled to WebAssembly by Debian's emscripten (no
# SDK or ports of its own: those download), in <build-web>/site.
web_build="${RINDOU_WEB_BUILD_DIR:-$root/build-web}"
# Node may come from elsewhere than Debian (its own package then holds npm);
# Debian's packages only where there is none.
node_packages() {
  command -v node >/dev/null || echo nodejs
  command -v npm >/dev/null || echo npm
}
build_web() {
  local web_packages=(emscripten node-acorn cmake ninja-build chromium brotli zopfli imagemagick $(node_packages))
  install_missing "${web_packages[@]}"
  (cd "$root/app/web" && npm ci --no-audit --no-fund)
  # emscripten's tools are node scripts that need Debian's node modules.
  NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs" \
    emcmake cmake -S "$root" -B "$web_build" -G Ninja -DRINDOU_WEB=ON -DCMAKE_BUILD_TYPE=Release
  NODE_PATH="${NODE_PATH:+$NODE_PATH:}/usr/share/nodejs" cmake --build "$web_build"
}

# Served on the loopback address until stopped.
if [ "$mode" = web ]; then
  build_web
  exec node "$root/app/web/serve.js" "$web_build/site" "${RINDOU_WEB_PORT:-8080}"
fi

# One process for everything online: the page's files (with the compressed
# forms the web build makes beside them) and the games, on the loopback
# address, the games kept under $XDG_DATA_HOME/rindou/.
if [ "$mode" = server ]; then
  build_web
  install_missing "${packages[@]}"
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINDOU_WERROR=$werror
  cmake --build "$build" --target rindou-server
  server_bin="$(sed -n 's/^RINDOU_BUILD_BINDIR:INTERNAL=//p' "$build/CMakeCache.txt")/rindou-server"
  exec "$server_bin" --listen "127.0.0.1:${RINDOU_SERVER_PORT:-8080}" --site "$web_build/site"
fi

install_missing "${packages[@]}"
build_game

# The programs lie in the build folder as in an installation: in its folder
# of programs, beside the data and library folders they find relative to it.
bindir() {
  sed -n 's/^RINDOU_BUILD_BINDIR:INTERNAL=//p' "$1/CMakeCache.txt"
}

case "$mode" in
  play)
    bin="$(bindir "$build")"
    if [ -x "$bin/rindou" ]; then
      exec "$bin/rindou"
    fi
    exec "$bin/rindou-cli"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
    # The online server's protocol tests are node scripts with their own
    # pinned packages, run by every build's tests below.
    install_missing $(node_packages)
    if [ -f "$root/tests/server/package-lock.json" ]; then
      (cd "$root/tests/server" && npm ci --no-audit --no-fund)
    fi
    # 1. The normal build's tests.
    ctest --test-dir "$build" --output-on-failure -j2

    # 1b. The web page: its console against this build's rindou-cli, and the
    #     page played in Chromium.
    build_web
    RINDOU_BUILD_DIR="$build" RINDOU_WEB_SITE="$web_build/site" node --test "$root/tests/web/"
    # The window against the page needs the site: it skipped in the first
    # run above on a fresh clone, and plays now.
    RINDOU_WEB_SITE="$web_build/site" ctest --test-dir "$build" -R '^BridgeTest\.' --output-on-failure

    # The deep search (LEVEL4, LEVEL5, the hint) runs on small node budgets
    # from here on: the sanitizers and the fuzzers make every node dear.
    export RINDOU_SEARCH_NODES="${RINDOU_SEARCH_NODES:-3000}"

    # 2. The same tests built with AddressSanitizer and UndefinedBehaviorSanitizer,
    #    then a short soak of whole games through the sanitized console.
    asan="${build}-asan"
    cmake -S "$root" -B "$asan" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DRINDOU_SANITIZE=ON -DRINDOU_WERROR=ON
    cmake --build "$asan"
    export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1
    ctest --test-dir "$asan" --output-on-failure -j2
    "$asan/tools/rindou-soak" --cli "$(bindir "$asan")/rindou-cli" --games "${RINDOU_SOAK_GAMES:-300}" --seed 1 --undo
    "$asan/tools/rindou-soak" --cli "$(bindir "$asan")/rindou-cli" --games "${RINDOU_SOAK_DEEP_GAMES:-60}" --seed 2 --deep --undo

    # 3. Short runs of every fuzz target (clang's libFuzzer).
    if [ -f "$root/fuzz/CMakeLists.txt" ]; then
      fuzz="${build}-fuzz"
      cmake -S "$root" -B "$fuzz" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 \
        -DRINDOU_FUZZ=ON -DRINDOU_WITH_QT=OFF -DRINDOU_WITH_TESTS=OFF -DRINDOU_WERROR=ON
      cmake --build "$fuzz"
      bash "$root/fuzz/run.sh" "$fuzz" "${RINDOU_FUZZ_SECONDS:-30}"
    fi

    # 4. The Release build (-O3) and its tests; the Debian package is made
    #    from it, so it installs under /usr.  Its tests, like the normal
    #    build's, search with the levels' full budgets.
    unset RINDOU_SEARCH_NODES
    release="${build}-release"
    cmake -S "$root" -B "$release" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINDOU_WERROR=ON \
      -DCMAKE_INSTALL_PREFIX=/usr
    cmake --build "$release"
    ctest --test-dir "$release" --output-on-failure -j2

    # 5. The Debian package: lintian, the desktop validators, and both
    #    programs run from the package unpacked into a scratch folder.
    bash "$root/packaging/check_package.sh" "$release"

    # 5b. The online server's package, with the page built above: lintian,
    #     the example nginx site, then installed on this machine, started as
    #     its unit starts it, asked for the page, and purged.
    bash "$root/packaging/check_server_package.sh" "$release" "$web_build/site"

    # 6. The game and its tests built with clang.
    clang="${build}-clang"
    cmake -S "$root" -B "$clang" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DCMAKE_C_COMPILER=clang-14 -DCMAKE_CXX_COMPILER=clang++-14 -DRINDOU_WERROR=ON
    cmake --build "$clang"
    ctest --test-dir "$clang" --output-on-failure -j2

    # Every stage above stops the script on a failure; one closing count.
    count() { ctest --test-dir "$1" -N | sed -n 's/^Total Tests: //p'; }
    fuzzers=$(find "${build}-fuzz/fuzz" -maxdepth 1 -name 'fuzz_*' -type f -executable 2>/dev/null | wc -l)
    web_tests=$(find "$root/tests/web" -name '*_test.js' | wc -l)
    echo "$(( $(count "$build") + web_tests + $(count "$asan") + 2 + fuzzers + $(count "$release") + 2 + $(count "$clang") )) passed, 0 failed"
    ;;
  *)
    echo "usage: $0 [play|test|web|server]" >&2
    exit 2
    ;;
esac
