#!/usr/bin/env bash
# Makes the rindou-server package from a build configured with
# -DCMAKE_INSTALL_PREFIX=/usr and a web build's site, checks it with lintian,
# checks the example nginx site with nginx -t, installs the package on this
# machine, starts the server as its systemd unit does (by systemd where
# systemd runs this machine, otherwise by hand with the unit's own command,
# an account of no one's and the state folder systemd would make), asks it
# for the page with and without gzip, makes a game so that the database is
# written, and purges the package: nothing of it may be left, nor the games.
# It changes the system (root, or sudo without a password).
#
#   bash packaging/check_server_package.sh <build dir> <web build>/site
set -euo pipefail

build="$(cd "$1" && pwd)"
site="$(cd "$2" && pwd)"
source_dir="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
scratch="$(mktemp -d)"
server_pid=""
sudo=()
[ "$(id -u)" -ne 0 ] && sudo=(sudo -n)
cleanup() {
  [ -n "$server_pid" ] && "${sudo[@]}" kill "$server_pid" 2>/dev/null || true
  rm -rf "$scratch"
}
trap cleanup EXIT
fail() { echo "server package check: $*" >&2; exit 1; }
export DEBIAN_FRONTEND=noninteractive

cmake "$build" -DRINDOU_SERVER_SITE="$site" >/dev/null
cmake --build "$build" --target rindou-server
rm -f "$build"/rindou-server_*.deb
(cd "$build" && cpack --config CPackServerConfig.cmake >/dev/null)
debs=("$build"/rindou-server_*.deb)
[ -f "${debs[0]}" ] || fail "no rindou-server_*.deb in $build"
deb="${debs[0]}"
echo "package: $(basename "$deb"), $(stat -c %s "$deb") bytes"
lintian --fail-on error,warning "$deb"

# The example site, with a certificate made for the occasion.
openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=rindou.example.org \
  -keyout "$scratch/key.pem" -out "$scratch/cert.pem" 2>/dev/null
mkdir -p "$scratch/nginx"
sed -e "s#/etc/ssl/certs/rindou.example.org.pem#$scratch/cert.pem#" \
    -e "s#/etc/ssl/private/rindou.example.org.key#$scratch/key.pem#" \
    "$source_dir/packaging/server/nginx-site.conf" > "$scratch/nginx/site.conf"
cat > "$scratch/nginx/nginx.conf" <<EOF
pid $scratch/nginx/nginx.pid;
error_log $scratch/nginx/error.log;
events {}
http { include $scratch/nginx/site.conf; }
EOF
nginx -t -q -c "$scratch/nginx/nginx.conf" -p "$scratch/nginx/" -e "$scratch/nginx/error.log" \
  || fail "nginx does not accept the example site"

"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 install -y -qq "$deb" >/dev/null
dpkg -L rindou-server > "$scratch/listed"
unit=/lib/systemd/system/rindou-server.service
[ -f "$unit" ] || fail "the unit is not installed"
[ -f /usr/share/man/man6/rindou-server.6.gz ] || fail "no manual page"
man -l /usr/share/man/man6/rindou-server.6.gz >/dev/null 2>&1 || fail "the manual page does not format"

# Waits (bounded) for the server's answer on a port.
wait_for() {
  for _ in $(seq 100); do
    curl -s -o /dev/null --max-time 2 "http://127.0.0.1:$1/" && return 0
    sleep 0.2
  done
  fail "the server does not answer on port $1"
}

if [ "$(ps -p 1 -o comm= 2>/dev/null)" = systemd ]; then
  "${sudo[@]}" systemctl start rindou-server.service
  port=8080
  wait_for "$port"
  systemctl is-active --quiet rindou-server.service || fail "the unit is not active"
  [ "$(systemctl show -p DynamicUser --value rindou-server.service)" = yes ] || fail "not a dynamic user"
else
  # The unit's own command, with a free port of its own in place of 8080
  # (this machine may be running another), run by nobody in a state folder
  # only nobody may enter, as systemd gives a dynamic user.
  exec_start="$(sed -n 's/^ExecStart=//p' "$unit")"
  [ -n "$exec_start" ] || fail "the unit has no ExecStart"
  read -r -a command <<< "$exec_start"
  for i in "${!command[@]}"; do
    [ "${command[$i]}" = 127.0.0.1:8080 ] && command[$i]=127.0.0.1:0
  done
  "${sudo[@]}" install -d -m 0700 -o nobody -g nogroup /var/lib/rindou-server
  "${sudo[@]}" setpriv --reuid=nobody --regid=nogroup --clear-groups \
    "${command[@]}" > "$scratch/server.out" 2> "$scratch/server.err" &
  server_pid=$!
  port=""
  for _ in $(seq 100); do
    port="$(sed -n 's/^listening 127\.0\.0\.1:\([0-9]*\)$/\1/p' "$scratch/server.out")"
    [ -n "$port" ] && break
    kill -0 "$server_pid" 2>/dev/null || fail "the server ended: $(cat "$scratch/server.err")"
    sleep 0.2
  done
  [ -n "$port" ] || fail "the server printed no listening line"
  wait_for "$port"
fi

# The page's module, compressed, is the package's compressed form, which
# undoes to the module itself; a client that takes no gzip gets the module.
installed_site=/usr/share/rindou/site
curl -s --max-time 10 -H 'Accept-Encoding: gzip' -D "$scratch/headers" -o "$scratch/wasm.gz" \
  "http://127.0.0.1:$port/rindou.wasm"
grep -qi '^content-encoding: gzip' "$scratch/headers" || fail "rindou.wasm was not sent gzipped"
grep -qi '^vary: accept-encoding' "$scratch/headers" || fail "no Vary: Accept-Encoding"
cmp -s "$scratch/wasm.gz" "$installed_site/rindou.wasm.gz" || fail "the gzipped bytes are not the package's"
gunzip -c "$scratch/wasm.gz" | cmp -s - "$installed_site/rindou.wasm" || fail "the gzipped module does not undo to the module"
curl -s --max-time 10 -D "$scratch/plain-headers" -o "$scratch/wasm" "http://127.0.0.1:$port/rindou.wasm"
! grep -qi '^content-encoding' "$scratch/plain-headers" || fail "compressed for a client that takes none"
cmp -s "$scratch/wasm" "$installed_site/rindou.wasm" || fail "the plain module differs"
curl -s --max-time 10 -D "$scratch/page-headers" -o /dev/null "http://127.0.0.1:$port/"
grep -qi '^cache-control: no-cache' "$scratch/page-headers" || fail "the page may be kept unasked"

# A game, kept in the state folder.
curl -s --max-time 10 -o /dev/null -w '%{http_code}' -H 'Content-Type: application/json' \
  -d '{"side":"lower"}' "http://127.0.0.1:$port/api/games" > "$scratch/created"
[ "$(cat "$scratch/created")" = 201 ] || fail "no game made ($(cat "$scratch/created"))"
"${sudo[@]}" test -s /var/lib/rindou-server/server.sqlite || fail "no database in /var/lib/rindou-server"

if [ -n "$server_pid" ]; then
  "${sudo[@]}" kill "$server_pid"
  for _ in $(seq 100); do kill -0 "$server_pid" 2>/dev/null || break; sleep 0.1; done
  ! kill -0 "$server_pid" 2>/dev/null || fail "the server did not stop"
  server_pid=""
fi

"${sudo[@]}" apt-get -o DPkg::Lock::Timeout=600 purge -y -qq rindou-server >/dev/null
! dpkg -s rindou-server >/dev/null 2>&1 || fail "still installed after the purge"
while read -r path; do
  case "$path" in /.|/usr|/usr/games|/usr/share|/usr/share/doc|/usr/share/man|/usr/share/man/man6|/lib|/lib/systemd|/lib/systemd/system) continue ;; esac
  [ ! -e "$path" ] || [ -d "$path" -a "$path" = /usr/share/rindou ] || fail "left behind: $path"
done < "$scratch/listed"
for left in /var/lib/rindou-server /var/lib/private/rindou-server; do
  "${sudo[@]}" test ! -e "$left" -a ! -L "$left" || fail "left behind: $left"
done
echo "server package check: ok"
