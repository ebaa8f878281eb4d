#!/bin/bash
# Instructions per frame of a frame benchmark, counted by callgrind with Mesa's rasteriser in the
# drawing thread (LP_NUM_THREADS=0), so that the figure does not depend on the machine's load.
# Only the timed frames are instrumented (the benchmarks switch callgrind on around them), so the
# set-up runs at the emulator's plain speed. PELLAM_BENCH_FRAMES (default 3) frames are counted
# after the warming one, in the game frame benchmark; the others draw one.
#
# Usage: bench/render/frame_instructions.sh FILTER [path to render_frame_bench]
#   e.g. bench/render/frame_instructions.sh 'BM_GameFrame/cockpit_camel/'
set -euo pipefail
filter=$1
bench=${2:-build/release/render_frame_bench}
work=$(mktemp -d)
trap '[ -n "${KEEP_CALLGRIND:-}" ] && cp "$work/cg.out" "$KEEP_CALLGRIND"; rm -rf "$work"' EXIT
PELLAM_BENCH_FRAMES=${PELLAM_BENCH_FRAMES:-3} LP_NUM_THREADS=0 xvfb-run -a -s "-screen 0 1024x768x24" valgrind --tool=callgrind --instr-atstart=no \
    --callgrind-out-file="$work/cg.out" "$bench" --benchmark_filter="$filter" --benchmark_min_time=0.01 \
    >"$work/run.txt" 2>"$work/valgrind.txt" || { tail -5 "$work/valgrind.txt"; exit 1; }
if grep -q 'ERROR OCCURRED' "$work/run.txt"; then grep 'ERROR OCCURRED' "$work/run.txt"; exit 1; fi
line=$(grep '^BM_' "$work/run.txt" | head -1 || true)
[ -n "$line" ] || { echo "no benchmark matched '$filter':" >&2; grep -v '^==' "$work/valgrind.txt" | tail -5 >&2; exit 1; }
frames=$(echo "$line" | awk '{ for (i = 2; i <= NF; ++i) if ($i ~ /^fps=/) { print $(i - 1); exit } }')
total=$(callgrind_annotate "$work/cg.out" | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
# Mesa keeps its compiled shaders on disk per CPU; the first run under callgrind (which shows the
# CPU without its widest vector units) compiles them inside the timed frames.
compiled=$(callgrind_annotate --threshold=100 "$work/cg.out" | awk '/libLLVM/ { gsub(",", "", $1); s += $1 } END { print s + 0 }')
echo "$line"
awk -v t="$total" -v f="$frames" -v name="$filter" 'BEGIN { printf "%s: %.1f M instructions per frame (%d frames)\n", name, t / f / 1e6, f }'
awk -v c="$compiled" -v t="$total" -v f="$frames" 'BEGIN { if (c > t / 100) printf "warning: %.1f M a frame went on compiling shaders (a cold shader cache): run again\n", c / f / 1e6 }'
