#!/bin/bash
# Instructions per frame of a frame benchmark split between the game's own thread and Mesa's
# rasteriser threads, counted by callgrind with two rasteriser threads. The game's thread makes
# the GL calls and, in the software renderer, also shades the vertices, clips, sets up and bins the
# triangles; only the pixels run on the rasteriser threads. So on few cores the game's thread is
# the frame's floor: a frame takes at least its part, plus the rasteriser's part over the cores.
# Only the timed frames are counted (PELLAM_BENCH_FRAMES of them, default 3).
#
# Usage: bench/game/serial_instructions.sh FILTER [path to render_frame_bench]
#   e.g. bench/game/serial_instructions.sh 'BM_GameFrame/cockpit_camel/'
# KEEP_CALLGRIND=/some/prefix keeps the game thread's profile as that file (read it with
# callgrind_annotate --inclusive=yes): Mesa has no symbols, so the driver's work is read in the
# inclusive cost of the game's function that made the GL call.
set -euo pipefail
filter=$1
bench=${2:-build/release/render_frame_bench}
work=$(mktemp -d)
trap '[ -n "${KEEP_CALLGRIND:-}" ] && cp "$work/cg.out-01" "$KEEP_CALLGRIND"; rm -rf "$work"' EXIT
PELLAM_BENCH_FRAMES=${PELLAM_BENCH_FRAMES:-3} LP_NUM_THREADS=2 xvfb-run -a -s "-screen 0 1024x768x24" \
    valgrind --tool=callgrind --instr-atstart=no --separate-threads=yes --callgrind-out-file="$work/cg.out" \
    "$bench" --benchmark_filter="$filter" --benchmark_min_time=0.01 >"$work/run.txt" 2>"$work/valgrind.txt" ||
    { tail -5 "$work/valgrind.txt"; exit 1; }
line=$(grep '^BM_' "$work/run.txt" | head -1)
[ -n "$line" ] || { echo "no benchmark ran:"; tail -5 "$work/run.txt" "$work/valgrind.txt"; exit 1; }
frames=$(echo "$line" | awk '{ for (i = 2; i <= NF; ++i) if ($i ~ /^fps=/) { print $(i - 1); exit } }')
echo "$line"
# One file per thread: cg.out-01 is the game's (main) thread; the rasteriser threads are the others.
for f in "$work"/cg.out-*; do
    total=$(callgrind_annotate "$f" 2>/dev/null | awk '/PROGRAM TOTALS/ { gsub(",", "", $1); print $1 }')
    echo "${f##*-} ${total:-0}"
done | awk -v f="$frames" -v name="$filter" '
    $1 == "01" { game = $2; next } { raster += $2 }
    END { printf "%s: game thread %.1f M, rasteriser threads %.1f M instructions per frame (%d frames)\n",
                 name, game / f / 1e6, raster / f / 1e6, f }'
