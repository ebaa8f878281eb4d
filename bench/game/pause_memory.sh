#!/bin/bash
# Resident memory of the real game left paused under Xvfb: VmRSS sampled every STEP seconds for
# SECONDS, one line "seconds rss_MB" each, then the first, last, least and most. Paused at the
# pilot sign-in window, or with FLY=1 in the opening fight after 10 s of flying; after 15 s of
# pause the circling camera turns the view every frame.
#
# Usage: [FLY=1] bench/game/pause_memory.sh [path to pellam] [seconds] [step]
#        (defaults: build/release/pellam, 600, 10)
set -euo pipefail
game=${1:-build/release/pellam}
seconds=${2:-600}
step=${3:-10}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
work=$(mktemp -d)
mkdir -p "$work/home"
echo "load: $(uptime)"
fly=()
if [ "${FLY:-0}" = 1 ]; then
    printf 'frames 600\nkey p\nframes 1000000\n' > "$work/script.txt"
    fly=(PELLAM_AUTOFLY=1 PELLAM_PLAYER_SCRIPT="$work/script.txt")
fi
env SDL_AUDIODRIVER=dummy PELLAM_AUTOQUIT_SECONDS=$((seconds + 20)) HOME="$work/home" "${fly[@]}" \
    xvfb-run -a -s "-screen 0 1024x768x24" sh -c 'echo $$ > "$1"; exec "$2"' sh "$work/pid" "$(realpath "$game")" \
    >"$work/log.txt" 2>&1 &
runner=$!
# The game is ended, not its runner: xvfb-run then takes its X server down with it.
trap 'kill "$(cat "$work/pid" 2>/dev/null)" 2>/dev/null || true; wait "$runner" 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/pid" ] && break; sleep 0.1; done
pid=$(cat "$work/pid")
for ((t = 0; t <= seconds; t += step)); do
    rss=$(awk '/^VmRSS/ { print $2 }' "/proc/$pid/status" 2>/dev/null || echo 0)
    echo "$t $((rss / 1024))"
    if [ "$t" -lt "$seconds" ]; then sleep "$step"; fi
done | tee "$work/rss.txt"
awk 'NR == 1 { first = $2; lo = $2; hi = $2 } { last = $2; if ($2 < lo) lo = $2; if ($2 > hi) hi = $2 }
     END { printf "first %d MB, last %d MB, least %d MB, most %d MB\n", first, last, lo, hi }' "$work/rss.txt"
echo "load: $(uptime)"
