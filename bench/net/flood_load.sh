#!/usr/bin/env bash
# Host data a second per joiner in a network game of a host and two joiners over loopback, on the
# real clock (net_flood_load, beside this file), with no flood and with a stranger's flood of FLOOD
# datagrams a second of each kind (joiner data at the host, host data at the first joiner), for
# SECONDS each, on 8 cores and on 2. A quiet game gives each joiner about 2.9 a second.
#   bench/net/flood_load.sh BUILD_DIR [seconds=20] [flood=1000]
# BUILD_DIR is the build folder holding net_flood_load (build/release, say). The machine's load is
# printed before and after: on a shared machine, run it more than once, and pick the quietest cores
# with CORES_8 and CORES_2 (taskset lists; defaults 0-7 and 0,1).
set -euo pipefail
usage="usage: $0 BUILD_DIR [seconds=20] [flood=1000]"
if [[ $# -lt 1 ]]; then echo "$usage" >&2; exit 2; fi
build=$1
seconds=${2:-20}
flood=${3:-1000}
[[ -x $build/net_flood_load ]] || { echo "$0: no $build/net_flood_load (build it first)"; echo "$usage"; exit 2; } >&2
echo "load: $(uptime)"
for cores in "8 ${CORES_8:-0-7}" "2 ${CORES_2:-0,1}"; do
    read -r count cpus <<<"$cores"
    for rate in 0 "$flood"; do
        printf '%s cores: ' "$count"
        taskset -c "$cpus" "$build/net_flood_load" "$seconds" "$rate"
    done
done
echo "load: $(uptime)"
