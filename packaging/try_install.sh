#!/usr/bin/env bash
# Installs the package on this machine, starts both programs from their
# installed places (the window under Xvfb, from a terminal and through its
# desktop entry), asks man for the pages, then purges the package and checks
# that none of the files it listed is left.  It changes the system: run it as
# root on a machine of your own, never in the test command.
#
#   bash packaging/try_install.sh <build dir>/rindou_<version>_<arch>.deb
set -euo pipefail

deb="$(realpath "$1")"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT
fail() { echo "try install: $*" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$deb" >/dev/null
dpkg -L rindou > "$scratch/listed"
bin="$(dpkg -L rindou | grep -E '/rindou-cli$')"
bin="$(dirname "$bin")"
desktop="$(grep -E '^/usr/share/applications/.*\.desktop$' "$scratch/listed")"
echo "installed: $(dpkg-query -W -f='${Package} ${Version}, ${Installed-Size} KiB' rindou)"

man -w rindou rindou-cli
desktop-file-validate "$desktop"
appstreamcli validate --no-net "$(grep -E '^/usr/share/metainfo/' "$scratch/listed")" >/dev/null

export HOME="$scratch/home" XDG_RUNTIME_DIR="$scratch/run" SDL_AUDIODRIVER=dummy
mkdir -p "$HOME" "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"
cd "$scratch"

printf 'menu START\nmove 7 7 7 6\nmenu OWARI\n' | PATH="$PATH:$bin" rindou-cli > cli.out
grep -qx 'sound piece' cli.out && [ "$(tail -2 cli.out | tr '\n' ' ')" = "quit ok " ] ||
  fail "rindou-cli did not play: $(tail -3 cli.out)"
echo "rindou-cli: started a game, moved a pawn, quit"

# Inside Xvfb: the window from a terminal, then from its desktop entry; each
# must still be running a few seconds later with the sound library loaded.
cat > in_x.sh <<EOF
set -e
check() {
  kill -0 "\$1" || { echo "\$2: the window ended"; exit 1; }
  grep -q 'librindou-sound.so' "/proc/\$1/maps" \
    || { echo "\$2: no sound library loaded"; exit 1; }
  echo "\$2: running as \$(readlink "/proc/\$1/exe") with its sound library"
}
PATH="\$PATH:$bin" rindou & pid=\$!
sleep 5; check \$pid terminal; kill \$pid; wait \$pid || true
gio launch "$desktop"
sleep 5
found=0
for p in \$(pidof rindou); do
  if tr '\0' '\n' < /proc/\$p/environ | grep -qx "HOME=$HOME"; then
    check \$p "desktop entry"; kill \$p; found=1
  fi
done
[ \$found -eq 1 ] || { echo "desktop entry: no window started"; exit 1; }
EOF
xvfb-run -a sh in_x.sh > x.out 2>&1 || fail "$(cat x.out)"
grep -v '^QStandardPaths\|propagateSizeHints' x.out

apt-get -o DPkg::Lock::Timeout=600 purge -y -qq rindou >/dev/null
left=0
while IFS= read -r f; do
  if [ -e "$f" ] && [ ! -d "$f" ]; then echo "left: $f"; left=1; fi
  case "$f" in */rindou|*/rindou/*) [ -d "$f" ] && { echo "left: $f/"; left=1; } ;; esac
done < "$scratch/listed"
[ "$left" -eq 0 ] || fail "files left after purge"
echo "purged: none of the $(wc -l < "$scratch/listed") listed paths is left"
