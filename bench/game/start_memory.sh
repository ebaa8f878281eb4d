#!/bin/bash
# The real game's start and memory under Xvfb and Mesa's software renderer, as at a player's first
# start: an empty shader cache (MESA_SHADER_CACHE_DIR a fresh empty folder each run) and a fresh
# home. For each core list (CORES, default "0,1 0-7"):
#   sign-in  launched and left at the pilot sign-in window for 12 s: ms from launch to the first
#            picture with its windows on screen, the most resident memory until then, and the
#            resident memory at the window (most and last of samples every 0.5 s from 4 s on);
#   flight   the opening fight of Quick Dogfight (quick_dogfight.txt) flown for SECONDS: the most
#            resident memory in flight (samples every 2 s from 20 s on, and the run's peak), the
#            longest of the first 80 frames (signing in, choosing the fight, its first frame), the
#            frames the flight waited behind the loading screen (the world not stepped: ticks 0) and
#            their time, and of the frames after the first 80 and the first 8 s, those in flight
#            (the waiting ones left out): median, 99th percentile and the five longest (ms).
#
# Usage: bench/game/start_memory.sh [path to pellam] [seconds]   (defaults: build/release/pellam, 300)
# The machine's load is printed with the figures: on a shared machine, run it more than once.
set -euo pipefail
game=$(realpath "${1:-build/release/pellam}")
seconds=${2:-300}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
fight="$(dirname "$(realpath "$0")")/quick_dogfight.txt"
work=$(mktemp -d); echo "work: $work" >&2
trap '[ -n "${KEEP:-}" ] || rm -rf "$work"' EXIT

# run <cores> <seconds> <sample step s> <samples from s> [env...]: the game's resident memory
# samples land in $work/rss.txt, its frame times in $work/times.txt.
run() {
    local cores=$1 quit=$2 step=$3 from=$4
    shift 4
    rm -rf "$work/home" "$work/cache" "$work/times.txt" "$work/pid" "$work/rss.txt"
    mkdir -p "$work/home" "$work/cache"
    env SDL_AUDIODRIVER=dummy MESA_SHADER_CACHE_DIR="$work/cache" HOME="$work/home" PELLAM_AUTOQUIT_SECONDS="$quit" \
        PELLAM_FRAME_TIMES="$work/times.txt" "$@" taskset -c "$cores" xvfb-run -a -s "-screen 0 1024x768x24" \
        sh -c 'echo $$ > "$1"; exec "$2"' sh "$work/pid" "$game" >"$work/log.txt" 2>&1 &
    local runner=$!
    for _ in $(seq 100); do [ -s "$work/pid" ] && break; sleep 0.1; done
    local pid t=0
    pid=$(cat "$work/pid")
    : > "$work/rss.txt"
    while kill -0 "$pid" 2>/dev/null; do
        if awk -v t="$t" -v from="$from" 'BEGIN { exit !(t >= from) }'; then
            awk '/^VmRSS/ { printf "%d\n", $2 / 1024 }' "/proc/$pid/status" 2>/dev/null >> "$work/rss.txt" || true
        fi
        sleep "$step"
        t=$(awk -v t="$t" -v s="$step" 'BEGIN { print t + s }')
    done
    wait "$runner" || true
    [ -s "$work/times.txt" ] || { echo "no frame times (the game's log below)"; tail -5 "$work/log.txt"; return 1; }
}

echo "load: $(uptime)"
for cores in ${CORES:-0,1 0-7}; do
    if run "$cores" 12 0.5 4; then
        awk '/^# shown/ { printf "%-5s sign-in  shown %5.0f ms after launch (cpu %4.0f ms)  peak %4.0f MB until then", c, $3, $11, $8 }' \
            c="$cores" "$work/times.txt"
        sort -g "$work/rss.txt" | awk '{ v[NR] = $1 } END { printf "  at the window most %d MB", v[NR] }'
        printf '  last %d MB\n' "$(tail -1 "$work/rss.txt")"
    fi
    if run "$cores" "$seconds" 2 20 PELLAM_PLAYER_SCRIPT="$fight"; then
        awk '!/^#/ && ++n <= 80 && $1 > most { most = $1 } END { printf "%-5s start    longest of the first 80 frames %.0f ms\n", c, most }' \
            c="$cores" "$work/times.txt"
        awk '!/^#/ && $8 == 0 { n++; t += $1; if ($1 > most) most = $1 }
             END { printf "%-5s loading  the flight waited %d frames, %.0f ms, the longest %.0f ms\n", c, n, t, most }' \
            c="$cores" "$work/times.txt"
        awk '!/^#/ { t += $1; if (++n > 80 && t > 8000 && $8 != 0) print $1 }' "$work/times.txt" | sort -g |
            awk '{ v[NR] = $1 } END { printf "%-5s flight   %d frames  median %.1f ms  p99 %.1f ms  longest %.0f %.0f %.0f %.0f %.0f ms",
                                         c, NR, v[int(NR * 0.5) + 1], v[int(NR * 0.99) + 1], v[NR], v[NR - 1], v[NR - 2], v[NR - 3], v[NR - 4] }' \
                c="$cores"
        sort -g "$work/rss.txt" | awk '{ v[NR] = $1 } END { printf "  resident most %d MB", v[NR] }'
        awk '/^# peak/ { printf "  peak %d MB\n", $3 }' "$work/times.txt"
    fi
done
echo "load: $(uptime)"
