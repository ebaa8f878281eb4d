#!/usr/bin/env bash
# Starts pellam-games-server on loopback with a fresh store, drives it with games_load at the
# given rate (default: 1,000 hosts announcing once a minute, 200 list fetches a second), and
# reports the requests held, the latencies and the server's memory. With SLOW clients, that many
# trickle request heads a byte every 3 s the whole time (see games_load.cpp).
#   [SERVER_CPUS=0,1] bench/gamesserver/games_load.sh BUILD_DIR [seconds] [hosts] [fetches/s] [threads] [slow]
# SERVER_CPUS pins the server to those cores (taskset).
set -euo pipefail
build=${1:?build directory}
shift
port=$((20000 + RANDOM % 20000))
store=$(mktemp -d)
${SERVER_CPUS:+taskset -c $SERVER_CPUS} "$build/pellam-games-server" --listen 127.0.0.1:$port --db "$store/games.sqlite" >/dev/null &
server=$!
trap 'kill $server 2>/dev/null; wait $server 2>/dev/null; rm -rf "$store"' EXIT
sleep 0.3
"$build/games_load" "http://127.0.0.1:$port/" "$@" || echo "(some requests failed)"
grep -E 'VmHWM|VmRSS' /proc/$server/status | tr -s ' \t' ' '
echo "rows on the list page: $(curl -s --interface 127.3.0.1 "http://127.0.0.1:$port/vantorgames.php" | grep -c "^<!-- [0-9]* -->" || true) (at most 100)"
