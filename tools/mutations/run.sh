#!/bin/bash
# Plants each mutation of tools/mutations/*.patch (a changed weight of the
# evaluation, a changed king-capture check, a changed rule) in a scratch copy
# of the project, builds it and runs the ordinary tests with the signatures
# and golden outputs left out: every mutation must make at least one of them
# fail, or the tests have a hole.  Prints one line per mutation and a summary.
# Run by hand (it takes minutes), not in CI:
#
#   bash tools/mutations/run.sh [scratch folder] [pattern of mutation names]
set -u
root=$(cd "$(dirname "$0")/../.." && pwd)
scratch=${1:-$root/build-mutations}
pattern=${2:-}
src=$scratch/src
build=$scratch/build
# The signatures (the deep search's among them) catch every change of play;
# the point is what else does.
signatures='^(bench_quick|search_bench_quick|score_signature|soak_golden_.*|GoldenGames\..*)$'

rm -rf "$src"
mkdir -p "$src" "$build"
# The tracked files as they are in the working tree.
(cd "$root" && git ls-files -z | tar --null -T - -cf -) | tar -xf - -C "$src"
# The tests that drive the server from node need the packages the project's
# set-up installed; they are not tracked, so the copy takes its own copy of
# them (a link would resolve outside the copy, which the tests refuse).
for modules in tests/server/node_modules; do
    [[ -d "$root/$modules" ]] && cp -a "$root/$modules" "$src/$modules"
done

export CCACHE_BASEDIR=${CCACHE_BASEDIR:-/work} CCACHE_NOHASHDIR=true
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRINDOU_WITH_QT=OFF \
      "${launcher[@]}" >"$scratch/configure.log" 2>&1 || { echo "configure failed: $scratch/configure.log"; exit 2; }
if ! cmake --build "$build" -j2 >"$scratch/build.log" 2>&1; then
    echo "the unmutated copy does not build: $scratch/build.log"; exit 2
fi
if ! (cd "$build" && ctest -j2 -E "$signatures" >"$scratch/clean.log" 2>&1); then
    echo "the unmutated copy fails its tests: $scratch/clean.log"; exit 2
fi

caught=0 survived=0 broken=0
printf '%-36s %s\n' mutation result
for patch in "$root"/tools/mutations/*.patch; do
    name=$(basename "$patch" .patch)
    [[ -n "$pattern" && "$name" != *$pattern* ]] && continue
    if ! patch -s -p1 -d "$src" --forward <"$patch" >/dev/null; then
        printf '%-36s %s\n' "$name" "DOES NOT APPLY"
        broken=$((broken + 1))
        continue
    fi
    log=$scratch/$name.log
    if ! cmake --build "$build" -j2 >"$log" 2>&1; then
        printf '%-36s %s\n' "$name" "caught by the build"
        caught=$((caught + 1))
    else
        (cd "$build" && ctest -j2 --timeout 120 -E "$signatures" >>"$log" 2>&1)
        failed=$(grep -E '^[[:space:]]+[0-9]+ - ' "$log" | sed -E 's/^[[:space:]]+[0-9]+ - ([^ ]+).*/\1/' | tr '\n' ' ')
        if [[ -n "$failed" ]]; then
            printf '%-36s caught by %s\n' "$name" "$failed"
            caught=$((caught + 1))
        else
            printf '%-36s %s\n' "$name" "SURVIVED"
            survived=$((survived + 1))
        fi
    fi
    patch -s -p1 -R -d "$src" <"$patch" >/dev/null
done
# Leave the copy built as it was.
cmake --build "$build" -j2 >/dev/null 2>&1
echo "caught $caught, survived $survived, not applied $broken"
[[ $survived -eq 0 && $broken -eq 0 ]]
