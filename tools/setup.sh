#!/usr/bin/env bash
# Installs what is missing on a Debian 12 machine, builds Rindou, and then
# either starts the game (play) or runs every test (test).
set -euo pipefail

mode="${1:-play}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
build="${RINDOU_BUILD_DIR:-$root/build}"

packages=(
  cmake ninja-build g++ pkg-config
  qt6-base-dev libgl-dev
  libsdl2-mixer-dev
  libgtest-dev libgmock-dev libbenchmark-dev
  fonts-ipafont-mincho
  clang-14 libclang-rt-14-dev
)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -ne 0 ] && sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq "${missing[@]}"
}

build_game() {
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
  cmake --build "$build"
}

install_missing
build_game

case "$mode" in
  play)
    cd "$root"
    if [ -x "$build/app/qt/rindou" ]; then
      exec "$build/app/qt/rindou"
    fi
    exec "$build/app/cli/rindou-cli"
    ;;
  test)
    export QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy
    ctest --test-dir "$build" --output-on-failure -j2
    ;;
  *)
    echo "usage: $0 [play|test]" >&2
    exit 2
    ;;
esac
