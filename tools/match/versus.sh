#!/usr/bin/env bash
# Plays this tree's deep search against that of an earlier commit (by default
# release 1.0.0): builds both consoles in Release, then runs rindou-versus
# with this tree's console as A and the earlier one as B.  Run by hand; a
# full match takes hours.
#
#   bash tools/match/versus.sh [--base COMMIT] [rindou-versus options]
#   e.g. bash tools/match/versus.sh --openings 100 --level 5
#        bash tools/match/versus.sh --openings 100 --level 4 --level-b 5
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
base=aa14cfd
if [ "${1:-}" = --base ]; then
    base=$2
    shift 2
fi
scratch=${RINDOU_VERSUS_DIR:-$root/build-versus}
mkdir -p "$scratch"

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=true
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
build() {  # source folder, build folder, targets...
    local src=$1 out=$2
    shift 2
    cmake -S "$src" -B "$out" -G Ninja -DCMAKE_BUILD_TYPE=Release -DRINDOU_WITH_QT=OFF \
        -DRINDOU_WITH_TESTS=OFF "${launcher[@]}" >"$out.configure.log" 2>&1
    cmake --build "$out" --target "$@" >"$out.build.log" 2>&1
}
bindir() { sed -n 's/^RINDOU_BUILD_BINDIR:INTERNAL=//p' "$1/CMakeCache.txt"; }

# The earlier commit's files as they were, in a folder of their own.
old_src=$scratch/base-$base
if [ ! -d "$old_src" ]; then
    mkdir -p "$old_src"
    git -C "$root" archive "$base" | tar -xf - -C "$old_src"
fi
build "$old_src" "$scratch/base-build-$base" rindou-cli
build "$root" "$scratch/this" rindou-cli rindou-versus

"$scratch/this/tools/rindou-versus" --a "$(bindir "$scratch/this")/rindou-cli" \
    --b "$(bindir "$scratch/base-build-$base")/rindou-cli" "$@"
