#!/usr/bin/env bash
# Time to the accept of newcomers asking as the game does (every 301 ticks, each given 14 s) while
# SENDERS sockets flood the host with RATE declined join requests a second between them, a joiner
# in play meanwhile (net_join_flood, beside this file), over senders x rates, on 8 cores and on 2.
#   bench/net/join_flood.sh BUILD_DIR [newcomers=2]
# BUILD_DIR is the build folder holding net_join_flood (build/release, say). SENDERS and RATES
# (space-separated lists) replace the defaults. The machine's load is printed before and after:
# on a shared machine, run it more than once, and pick the quietest cores with CORES_8 and
# CORES_2 (taskset lists; defaults 0-7 and 0,1).
set -euo pipefail
usage="usage: $0 BUILD_DIR [newcomers=2]"
if [[ $# -lt 1 ]]; then echo "$usage" >&2; exit 2; fi
build=$1
newcomers=${2:-2}
[[ -x $build/net_join_flood ]] || { echo "$0: no $build/net_join_flood (build it first)"; echo "$usage"; exit 2; } >&2
echo "load: $(uptime)"
for cores in "8 ${CORES_8:-0-7}" "2 ${CORES_2:-0,1}"; do
    read -r count cpus <<<"$cores"
    printf '%s cores: ' "$count"
    taskset -c "$cpus" "$build/net_join_flood" 1 0 "$newcomers"
    for senders in ${SENDERS:-8 64 512}; do
        for rate in ${RATES:-100 1000}; do
            printf '%s cores: ' "$count"
            taskset -c "$cpus" "$build/net_join_flood" "$senders" "$rate" "$newcomers"
        done
    done
done
echo "load: $(uptime)"
