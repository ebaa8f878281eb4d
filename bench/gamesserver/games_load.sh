#!/usr/bin/env bash
# Starts pellam-games-server on loopback with a fresh store, drives it with games_load at the
# given rate (default: 1,000 hosts announcing once a minute, 200 list fetches a second), and
# reports the requests held, the honest list requests' latencies, the server's peak memory and the
# most descriptors it held (sampled every 0.1 s). An
# ATTACK (trickle, ranges, body, flood, blocks or readers, by COUNT attackers) runs alongside; see games_load.cpp.
#   [SERVER_CPUS=0,1] bench/gamesserver/games_load.sh BUILD_DIR [seconds] [hosts] [fetches/s] [threads] [attack] [count]
# BUILD_DIR is the build folder holding pellam-games-server and games_load (build/release, say).
# SERVER_CPUS pins the server to those cores (taskset).
set -euo pipefail
usage="usage: $0 BUILD_DIR [seconds] [hosts] [fetches/s] [threads] [none|trickle|ranges|body|flood|blocks|readers] [count]
  BUILD_DIR  the build folder holding pellam-games-server and games_load, e.g. build/release"
if [[ $# -lt 1 ]]; then echo "$usage" >&2; exit 2; fi
build=$1
shift
for program in pellam-games-server games_load; do
    [[ -x $build/$program ]] || { echo "$0: no $build/$program (build it first)"; echo "$usage"; exit 2; } >&2
done
ulimit -n 8192 2>/dev/null || true  # a flood holds some thousand connections at each end
port=$((20000 + RANDOM % 20000))
store=$(mktemp -d)
${SERVER_CPUS:+taskset -c $SERVER_CPUS} "$build/pellam-games-server" --listen 127.0.0.1:$port --db "$store/games.sqlite" >"$store/out" &
server=$!
# The server's open descriptors, sampled: what its caps hold, and what waits to be counted by them.
( most=0; while [[ -d /proc/$server/fd ]]; do
      n=$(ls /proc/$server/fd 2>/dev/null | wc -l); (( n > most )) && most=$n && echo $most >"$store/fds"
      sleep 0.1
  done ) &
sampler=$!
trap 'kill $server $sampler 2>/dev/null; wait $server 2>/dev/null; rm -rf "$store"' EXIT
# Ready once it says so (at most some seconds on a busy machine).
for _ in $(seq 100); do grep -q listening "$store/out" 2>/dev/null && break; sleep 0.1; done
"$build/games_load" "http://127.0.0.1:$port/" "$@" || echo "(some requests failed)"
uptime
grep -E 'VmHWM|VmRSS' /proc/$server/status | tr -s ' \t' ' '
echo "descriptors held by the server at most: $(cat "$store/fds" 2>/dev/null || echo '?')"
echo "rows on the list page: $(curl -s --interface 127.3.0.1 "http://127.0.0.1:$port/vantorgames.php" | grep -c "^<!-- [0-9]* -->" || true) (at most 100)"
