#!/bin/bash
# Instructions per far-ground triangle, per case of far_ground_bench, counted by callgrind with
# Mesa's rasteriser in the drawing thread (LP_NUM_THREADS=0): each case's frames less the empty
# case's, over the triangles drawn.
#
# Usage: bench/render/far_ground_instructions.sh [FILTER] [path to far_ground_bench]
set -euo pipefail
filter=${1:-.}
bench=${2:-build/release/far_ground_bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
case "$filter" in *empty*|.) ;; *) filter="($filter)|empty" ;; esac
(cd "$work" && PELLAM_BENCH_FRAMES=${PELLAM_BENCH_FRAMES:-2} LP_NUM_THREADS=0 xvfb-run -a -s "-screen 0 1024x768x24" \
    valgrind --tool=callgrind --instr-atstart=no "$OLDPWD/$bench" --benchmark_filter="$filter" \
    --benchmark_min_time=0.01 >run.txt 2>valgrind.txt) || { tail -5 "$work/valgrind.txt"; exit 1; }
for f in "$work"/callgrind.out.*; do
    awk '/^desc: Trigger: Client Request: / { sub(/^desc: Trigger: Client Request: /, ""); name = $0 }
         /^totals:/ && name != "" { print name, $2 }' "$f"
done | awk '{ split($2, a, "="); split($3, b, "="); n[$1] = b[2]; per[$1] = $4 / a[2]; order[++k] = $1 }
    END { floor = per["empty"];
          printf "%-26s %10s %12s %14s\n", "case", "triangles", "M a frame", "a triangle";
          for (i = 1; i <= k; ++i) { c = order[i];
              printf "%-26s %10d %12.2f %14.0f\n", c, n[c], per[c] / 1e6, n[c] ? (per[c] - floor) / n[c] : 0 } }'
