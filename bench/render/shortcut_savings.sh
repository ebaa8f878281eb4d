#!/bin/bash
# What each drawing shortcut saves: the game frame benchmark's scene counted by callgrind as it is
# and then without each shortcut in turn (bench/render/Shortcuts.h names them), in one process so
# that the fight is set up once. Prints, per shortcut, the instructions a frame it saves (without
# minus with) and that as a share of the frame. Like frame_instructions.sh, Mesa's rasteriser runs
# in the drawing thread and only the counted frames are instrumented.
#
# Usage: bench/render/shortcut_savings.sh SCENE SHORTCUTS [path to render_frame_bench]
#   e.g. bench/render/shortcut_savings.sh cockpit_camel all
#        bench/render/shortcut_savings.sh chase sprite_cuts,polygon_runs
# PELLAM_BENCH_FRAMES (default 1) frames are counted each way. Run one scene a process; scenes
# can run side by side on other cores, since instruction counts do not depend on the load.
set -euo pipefail
scene=$1
shortcuts=$2
bench=${3:-build/release/render_frame_bench}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
PELLAM_BENCH_FRAMES=${PELLAM_BENCH_FRAMES:-1} PELLAM_BENCH_WITHOUT="$shortcuts" LP_NUM_THREADS=0 \
    xvfb-run -a -s "-screen 0 1024x768x24" valgrind --tool=callgrind --instr-atstart=no \
    --callgrind-out-file="$work/cg.out" "$bench" --benchmark_filter="BM_GameFrame/$scene/" --benchmark_min_time=0.01 \
    >"$work/run.txt" 2>"$work/valgrind.txt" || { tail -5 "$work/valgrind.txt"; exit 1; }
if grep -q 'ERROR OCCURRED' "$work/run.txt"; then grep 'ERROR OCCURRED' "$work/run.txt"; exit 1; fi
frames=${PELLAM_BENCH_FRAMES:-1}
# Each dump names what it counted ("Client Request: <scene>[/without_<shortcut>]") and its total.
for f in "$work"/cg.out.*; do
    awk '/^desc: Trigger: Client Request: / { sub(/^desc: Trigger: Client Request: /, ""); name = $0 }
         /^(summary|totals):/ { total = $2 } END { if (name != "") print name, total }' "$f"
done | sort >"$work/totals.txt"
[ -s "$work/totals.txt" ] || { echo "no counted frames for '$scene'" >&2; exit 1; }
awk -v scene="$scene" -v frames="$frames" '
    $1 == scene { base = $2 / frames }
    $1 != scene { n[++k] = $1; t[k] = $2 / frames }
    END {
        if (!base) { print "no count of the scene itself" > "/dev/stderr"; exit 1 }
        printf "%s: %.1f M instructions a frame\n", scene, base / 1e6
        for (i = 1; i <= k; ++i) {
            name = n[i]; sub(/^.*\/without_/, "", name)
            printf "  %-28s saves %7.2f M  (%5.1f %%)\n", name, (t[i] - base) / 1e6, 100 * (t[i] - base) / base
        }
    }' "$work/totals.txt"
