#!/usr/bin/env bash
# Makes the Debian package from a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr, checks it with lintian and the desktop
# validators, unpacks it into a scratch root and runs both programs from
# there: the console through a few soak games, the window offscreen on the
# dummy audio driver until it has loaded its sounds.  Everything the window
# opens of the game's own must come from the unpacked package: the sound
# library, the pictures and the sounds, and nothing from the source or build
# tree.
#
#   bash packaging/check_package.sh <build dir>
set -euo pipefail

build="$(cd "$1" && pwd)"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scratch="$(mktemp -d)"
window_pid=""
cleanup() {
  [ -n "$window_pid" ] && kill "$window_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "package check: $*" >&2; exit 1; }

rm -f "$build"/rindou_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
debs=("$build"/rindou_*.deb)
[ ${#debs[@]} -eq 1 ] && [ -f "${debs[0]}" ] || fail "expected one rindou_*.deb in $build"
deb="${debs[0]}"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
depends="$(dpkg-deb -f "$deb" Depends)"
echo "Depends: $depends"
for needed in qt6-qpa-plugins fonts-ipafont-mincho libsdl2-mixer-2.0-0 libqt6widgets6; do
  [[ ", $depends," == *", $needed"[\ ,]* ]] || fail "Depends lacks $needed"
done

lintian --fail-on error,warning "$deb"

pkg="$scratch/root"
dpkg -x "$deb" "$pkg"
desktop-file-validate "$pkg"/usr/share/applications/*.desktop
appstreamcli validate --no-net "$pkg"/usr/share/metainfo/*.metainfo.xml >/dev/null

find_program() {
  local d
  for d in "$pkg/usr/games" "$pkg/usr/bin"; do
    [ -x "$d/$1" ] && { echo "$d/$1"; return; }
  done
  fail "$1 is not in the package"
}
cli="$(find_program rindou-cli)"
window="$(find_program rindou)"

# A scratch home: nothing the programs keep lands in the real one.
export HOME="$scratch/home" XDG_CONFIG_HOME="$scratch/home/config" \
       XDG_DATA_HOME="$scratch/home/data" XDG_CACHE_HOME="$scratch/home/cache" \
       XDG_RUNTIME_DIR="$scratch/home/run"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$scratch"

"$build/tools/rindou-soak" --cli "$cli" --games 20 --seed 1 --folder "$scratch/soak" --quiet

# The window, traced: started through a shell that writes its process id
# first, so that it is the window that is ended at the end, not the tracer.
opened="$scratch/opened"
QT_QPA_PLATFORM=offscreen SDL_AUDIODRIVER=dummy \
  strace -f -qq -e trace=open,openat -e status=successful -o "$opened" \
  sh -c 'echo $$ > "$0"; exec "$1"' "$scratch/window.pid" "$window" &
tracer=$!
# Started, it loads the library and then the sounds, the music last.
for _ in $(seq 240); do
  grep -q 'BGM\.wav' "$opened" 2>/dev/null && break
  kill -0 "$tracer" 2>/dev/null || break
  sleep 0.5
done
window_pid="$(cat "$scratch/window.pid" 2>/dev/null || true)"
[ -n "$window_pid" ] && kill -0 "$window_pid" 2>/dev/null || fail "the window did not keep running"
kill "$window_pid"
wait "$tracer" || true
window_pid=""

# The paths the window opened, with strace's octal escapes of the sound
# files' Japanese names undone and the programs' "../" resolved.
paths="$scratch/paths"
grep -o '"[^"]*"' "$opened" | sed 's/^"//; s/"$//' |
  while IFS= read -r p; do printf '%b\n' "$p"; done |
  xargs -d '\n' realpath -ms -- | sort -u > "$paths"
under() { awk -v p="$1" 'index($0, p) == 1' "$paths"; }

share="$(dirname "$(find "$pkg/usr/share" -name Rindou.htm)")"
# The English help page shows the same pictures, so it lies beside the Japanese one.
[ -f "$share/Rindou-en.htm" ] || fail "the English help page is not beside Rindou.htm"
library="$(find "$pkg/usr/lib" -name 'librindou-sound.so')"
[ -n "$library" ] && grep -qxF "$library" "$paths" || fail "the window did not load the packaged sound library"
# Every sound and every picture the board is drawn with (the about box's
# wait for the box, the icon's sizes for the desktop's asking).
for f in "$share"/sounds/* "$share"/pictures/*; do
  [[ "$f" == */ABOUT* || "$f" == */ICON* ]] && continue
  grep -qxF "$f" "$paths" || fail "the window did not open $f"
done
strays="$(under "$source_dir/"; under "$build/")"
[ -z "$strays" ] || fail "the window opened files outside the package: $strays"
echo "package check: passed ($(under "$pkg/" | wc -l) files opened from the package)"
