#!/usr/bin/env bash
# Runs every fuzz target of a fuzz build for the given seconds each, starting
# from its seed corpus (copied, so that the corpus in the tree stays small).
# Fails when a target finds a crash; the crashing input is kept in
# <build>/fuzz/artifacts/.
set -euo pipefail

build="${1:?usage: run.sh <fuzz build dir> [seconds]}"
seconds="${2:-30}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
artifacts="$build/fuzz/artifacts"
mkdir -p "$artifacts"

status=0
for target in "$build"/fuzz/fuzz_*; do
  [ -x "$target" ] || continue
  name="$(basename "$target")"
  name="${name#fuzz_}"
  work="$(mktemp -d)"
  if [ -d "$here/corpus/$name" ]; then
    cp -r "$here/corpus/$name/." "$work/"
  fi
  echo "fuzz_$name: ${seconds}s"
  if ! "$target" -max_total_time="$seconds" -max_len=65536 -print_final_stats=1 \
      -artifact_prefix="$artifacts/${name}-" "$work" > "$build/fuzz/$name.log" 2>&1; then
    echo "fuzz_$name found a fault; see $build/fuzz/$name.log and $artifacts" >&2
    tail -40 "$build/fuzz/$name.log" >&2
    status=1
  fi
  grep -E "stat::number_of_executed_units|stat::peak_rss_mb" "$build/fuzz/$name.log" || true
  rm -rf "$work"
done
exit $status
