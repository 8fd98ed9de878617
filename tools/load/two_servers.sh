#!/bin/bash
# Two rindou-servers on one throwaway PostgreSQL cluster, behind nginx as a
# deployment would put them (the servers trust nginx's X-Forwarded-For, the
# file-descriptor limits and nginx's worker connections raised), measured
# with rindou-load.  Beside the tool's own figures it prints the CPU that
# each server, PostgreSQL and nginx used while the tool measured, and the
# load average before the run (on a shared machine, compare runs made one
# after the other, not single figures).
#
# usage: tools/load/two_servers.sh BUILD DRIVER [GAMES] [SECONDS]
#   BUILD   the build folder (games/rindou-server, tools/load/rindou-load)
#   DRIVER  the servers' --postgresql-driver: async or pool
#   GAMES   games at once, three connections each (default 1667)
#   SECONDS how long the tool measures (default 30)
# Everything it makes lives in one folder under /tmp, removed at the end.
set -euo pipefail

build=$(cd "${1:?the build folder}" && pwd)
driver=${2:?async or pool}
games=${3:-1667}
seconds=${4:-30}
warmup=5
pgbin=${RINDOU_PG_BIN:-/usr/lib/postgresql/15/bin}

ulimit -n 20000
dir=$(mktemp -d /tmp/rindou-two-XXXXXX)
pids=()
as_owner() {
    # PostgreSQL refuses to run as root.
    if [ "$(id -u)" = 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}
finish() {
    for p in "${pids[@]}"; do kill "$p" 2>/dev/null || true; done
    wait 2>/dev/null || true
    as_owner "$pgbin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    rm -rf "$dir"
}
trap finish EXIT
[ "$(id -u)" = 0 ] && chown postgres: "$dir"

as_owner "$pgbin/initdb" -D "$dir/data" -A trust -E UTF8 --locale=C -U postgres >/dev/null
as_owner "$pgbin/pg_ctl" -D "$dir/data" -w -l "$dir/pg.log" \
    -o "-c listen_addresses='' -k $dir -c max_connections=200" start >/dev/null
"$pgbin/createdb" -h "$dir" -U postgres rindou
db="postgresql:///rindou?host=$dir&user=postgres"

mkdir -p "$dir/site"
echo '<!doctype html><title>load</title>' >"$dir/site/index.html"
ports=()
for n in a b; do
    "$build/games/rindou-server" --listen 127.0.0.1:0 --database "$db" --site "$dir/site" \
        --trusted-proxy 127.0.0.1 \
        --postgresql-driver "$driver" >"$dir/server-$n.out" 2>"$dir/server-$n.err" &
    pids+=($!)
    for _ in $(seq 100); do
        grep -q '^listening' "$dir/server-$n.out" && break
        sleep 0.1
    done
    ports+=("$(sed -n 's/^listening .*:\([0-9]*\)$/\1/p' "$dir/server-$n.out")")
done
servers=("${pids[@]}")

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
cat >"$dir/nginx.conf" <<EOF
daemon off;
master_process off;
pid $dir/nginx.pid;
error_log $dir/nginx.err;
worker_rlimit_nofile 20000;
events { worker_connections 20000; }
http {
  access_log off;
  client_body_temp_path $dir/body;
  proxy_temp_path $dir/proxy;
  fastcgi_temp_path $dir/fastcgi;
  uwsgi_temp_path $dir/uwsgi;
  scgi_temp_path $dir/scgi;
  map \$http_upgrade \$connection_upgrade { default upgrade; '' close; }
  upstream rindou { server 127.0.0.1:${ports[0]}; server 127.0.0.1:${ports[1]}; }
  server {
    listen 127.0.0.1:$port backlog=4096;
    location / {
      proxy_pass http://rindou;
      proxy_http_version 1.1;
      proxy_set_header Host \$host;
      proxy_set_header X-Forwarded-For \$remote_addr;
      proxy_set_header Upgrade \$http_upgrade;
      proxy_set_header Connection \$connection_upgrade;
      proxy_read_timeout 1h;
    }
  }
}
EOF
nginx -p "$dir" -c "$dir/nginx.conf" &
pids+=($!)
nginx_pid=$!
sleep 0.5

# The CPU (in clock ticks) of some processes, summed.
ticks() {
    local sum=0 p
    for p in "$@"; do
        [ -r "/proc/$p/stat" ] || continue
        # The fields after the command's closing parenthesis: utime is the 12th, stime the 13th.
        local rest
        rest=$(sed 's/^.*) //' "/proc/$p/stat")
        set -- $rest
        sum=$((sum + ${12} + ${13}))
    done
    echo $sum
}
postgres_pids() {
    local master
    master=$(head -1 "$dir/data/postmaster.pid")
    echo "$master" $(pgrep -P "$master")
}

echo "driver $driver, load average before: $(cut -d' ' -f1-3 /proc/loadavg)"
"$build/tools/load/rindou-load" --server "127.0.0.1:$port" --games "$games" --seconds "$seconds" \
    --warmup "$warmup" >"$dir/load.out" 2>"$dir/load.err" &
tool=$!
until grep -q 'ready after' "$dir/load.out" 2>/dev/null; do
    kill -0 $tool 2>/dev/null || break
    sleep 0.2
done
sleep "$warmup"
hz=$(getconf CLK_TCK)
a0=$(ticks "${servers[0]}") b0=$(ticks "${servers[1]}") g0=$(ticks $(postgres_pids)) n0=$(ticks "$nginx_pid")
sleep "$seconds"
a1=$(ticks "${servers[0]}") b1=$(ticks "${servers[1]}") g1=$(ticks $(postgres_pids)) n1=$(ticks "$nginx_pid")
wait $tool || true
cat "$dir/load.out"
grep -v '^$' "$dir/load.err" | head -5 || true
share() { awk -v t="$1" -v hz="$hz" -v s="$seconds" 'BEGIN { printf "%.0f%%", 100 * t / hz / s }'; }
echo "CPU of one core over ${seconds} s: server a $(share $((a1 - a0))), server b $(share $((b1 - b0)))," \
    "postgres $(share $((g1 - g0))), nginx $(share $((n1 - n0)))"
echo "load average after: $(cut -d' ' -f1-3 /proc/loadavg)"
# What the database refused during the run (deadlocks, lost compare-and-sets), by kind.
echo "database errors: $(grep -o 'ERROR: .*' "$dir/pg.log" | cut -c1-60 | sort | uniq -c | sort -rn | head -5 | tr -s ' ' | tr '\n' ';')"
echo "server messages: $(cat "$dir"/server-*.err | cut -c1-60 | sort | uniq -c | sort -rn | head -5 | tr -s ' ' | tr '\n' ';')"
