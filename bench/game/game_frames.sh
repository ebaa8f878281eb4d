#!/bin/bash
# Frame rate of the real game under Xvfb and Mesa's software renderer. Flies the opening fight of
# Quick Dogfight in the cockpit, started through the windows as a player starts it and flown by the
# autopilot (the player script quick_dogfight.txt beside this file), for SECONDS on 2, 4 and 8
# cores, then leaves the game paused at the pilot
# sign-in window (the idle game) on 2 cores for 14 s, and prints for each run the frames a second,
# the 10th percentile of the frames counted in each second, the median and 95th-percentile frame
# time, the processor the game used over the counted frames (cores busy, and CPU ms per frame) and
# the frames that showed nothing new and were left undrawn (the window kept the last); then, under
# each flying run, where the game thread's work went (its median and 99th-percentile frame, its
# wait for the pacer excluded; the share of frames whose work ran past a tick; the mean of each
# phase: the world's steps, the last frame's show, the drawing sent, the windows, the hand-over) and
# how often the pacer dropped to 30 a second (its minimum rising from one tick).
# The first 8 s of each run (signing in, choosing the fight, its start) are left out of the frame
# figures. The
# paused run stops before the circling camera starts (after 15 s of pause), which turns the view
# every frame and so draws every frame.
#
# Usage: bench/game/game_frames.sh [path to pellam] [seconds]   (defaults: build/release/pellam, 40)
# The machine's load is printed with the figures: on a shared machine, run it more than once, and
# pick the quietest cores with CORES_2, CORES_4 and CORES_8 (taskset lists; defaults 0,1 0-3 0-7).
set -euo pipefail
game=${1:-build/release/pellam}
seconds=${2:-40}
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
fight="$(dirname "$(realpath "$0")")/quick_dogfight.txt"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() {  # run <label> <cpu list> <autofly 0/1> <seconds>
    local label=$1 cpus=$2 fly=$3 seconds=$4 times="$work/times.txt"
    rm -f "$times"
    local envs=(SDL_AUDIODRIVER=dummy PELLAM_AUTOQUIT_SECONDS="$seconds" PELLAM_FRAME_TIMES="$times"
                HOME="$work/home")
    [ "$fly" = 1 ] && envs+=(PELLAM_PLAYER_SCRIPT="$fight")
    mkdir -p "$work/home"
    env "${envs[@]}" taskset -c "$cpus" xvfb-run -a -s "-screen 0 1024x768x24" "$game" >"$work/log.txt" 2>&1 || true
    if [ ! -s "$times" ]; then
        echo "$label: no frame times (see the game's log below)"; tail -5 "$work/log.txt"; return
    fi
    # The processor and the wall time of the counted frames alone (column 10 is the process's CPU ms
    # in each frame), so the windows before them do not weigh on the flying figures.
    local cpu wall rested
    read -r cpu wall < <(awk '!/^#/ { t += $1; if (t > 8000) { c += $10; w += $1 } } END { print c / 1000, w / 1000 }' "$times")
    rested=$(awk '/^# rested/ { print $3 }' "$times")
    awk '!/^#/ { t += $1; if (t > 8000) print $1 }' "$times" | sort -g > "$work/sorted.txt"
    local n; n=$(wc -l < "$work/sorted.txt")
    if [ "$n" -eq 0 ]; then echo "$label: too short"; return; fi
    # Frames in each whole second after the first 8: the rate a player feels; its 10th percentile
    # is the low the game holds nine seconds in ten.
    local p10
    p10=$(awk '!/^#/ { t += $1; if (t > 8000) { s = int((t - 8000) / 1000); c[s]++; if (s > last) last = s } }
               END { for (i = 0; i < last; ++i) print c[i] + 0 }' "$times" | sort -g |
          awk '{ v[NR] = $1 } END { if (NR) print v[int(NR * 0.1) + 1]; else print 0 }')
    awk -v label="$label" -v n="$n" -v cpu="$cpu" -v wall="$wall" -v rested="${rested:-0}" -v p10="$p10" '
        { sum += $1; if (NR == int(n * 0.5) + 1) med = $1; if (NR == int(n * 0.95) + 1) p95 = $1 }
        END { fps = n / (sum / 1000)
              printf "%-24s %6.1f fps  p10 %3d fps  median %5.1f ms  p95 %5.1f ms  cores busy %.2f  cpu %5.1f ms/frame  (%d frames, %d kept from the last)\n",
                     label, fps, p10, med, p95, cpu / wall, cpu * 1000 / n, n, rested }' "$work/sorted.txt"
    [ "$fly" = 1 ] || return 0
    # Columns of the log: ms late step show draw windows end ticks tickminimum cpu maincpu.
    awk '!/^#/ { t += $1; if (t > 8000) print $3 + $4 + $5 + $6 + $7 }' "$times" | sort -g > "$work/work.txt"
    awk '!/^#/ { t += $1; if (t > 8000) { n++; for (i = 3; i <= 7; ++i) s[i] += $i; if ($9 > 1 && last == 1) drops++ } last = $9 }
         END { printf "%.1f %.1f %.1f %.1f %.1f %d\n", s[3] / n, s[4] / n, s[5] / n, s[6] / n, s[7] / n, drops }' "$times" |
    { read -r step show draw windows end drops
      awk -v show="$show" -v step="$step" -v draw="$draw" -v windows="$windows" -v end="$end" -v drops="$drops" '
          { v[NR] = $1; if ($1 > 1000 / 60) over++ }
          END { printf "%-24s work median %5.1f ms  p99 %5.1f ms  past a tick %4.1f %%  (step %.1f show %.1f draw %.1f windows %.1f end %.1f)  drops to 30: %d\n",
                       "", v[int(NR * 0.5) + 1], v[int(NR * 0.99) + 1], 100 * over / NR, step, show, draw, windows, end, drops }' "$work/work.txt"; }
}

echo "load: $(uptime)"
run "flying, 2 cores" "${CORES_2:-0,1}" 1 "$seconds"
run "flying, 4 cores" "${CORES_4:-0-3}" 1 "$seconds"
run "flying, 8 cores" "${CORES_8:-0-7}" 1 "$seconds"
run "paused (idle), 2 cores" "${CORES_2:-0,1}" 0 14
echo "load: $(uptime)"
