#!/bin/bash
# The reference for bench/game/game_frames.sh: GL-117 (Debian package gl-117, an open-source SDL/OpenGL
# jet combat game) flying its Team Deathmatch under the same Xvfb and Mesa software renderer, so that
# the CPU per frame of the two games can be put side by side on the same machine and load.
# The game is driven through its menus with xdotool (keyboard flight, quality 2, view 50, 1024x768 in
# a window, flown level with the ground in view); it and its X server run on the cores measured. A
# small preloaded library counts the buffer swaps and the process's CPU time between two marks,
# taken after the mission has run 16 s.
#
# Usage: bench/game/gl117_frames.sh [seconds] [cpu list...]   (defaults: 60, then "0,1" and "0-3")
# Pictures of the counted flight go to $GL117_SHOTS-<cpus>-{0,1,2}.png (default /tmp/gl117-frames): look at them, since a shot-down player counts menu frames.
# Needs: gl-117, xdotool, xvfb, x11-apps (xwd), netpbm, gcc. Prints fps, cores busy and CPU ms per frame for each cpu list.
set -euo pipefail
seconds=${1:-60}
shift || true
lists=("$@")
[ ${#lists[@]} -gt 0 ] || lists=(0,1 0-3)
command -v /usr/games/gl-117 >/dev/null || { echo "gl-117 is not installed (apt-get install gl-117)" >&2; exit 1; }
command -v xdotool >/dev/null || { echo "xdotool is not installed" >&2; exit 1; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat > "$work/swaps.c" <<'C'
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
static long frames;
static double t0, c0;
static int armed;
static double now(clockid_t c) { struct timespec t; clock_gettime(c, &t); return t.tv_sec + t.tv_nsec * 1e-9; }
static void count(void) {
    FILE* f = fopen(getenv("SWAP_MARK"), "r");
    if (f) {
        fclose(f);
        if (!armed) { armed = 1; frames = 0; t0 = now(CLOCK_MONOTONIC); c0 = now(CLOCK_PROCESS_CPUTIME_ID); }
        ++frames;
    } else if (armed == 1) {
        armed = 2;
        FILE* out = fopen(getenv("SWAP_OUT"), "w");
        if (out) {
            fprintf(out, "%ld %.3f %.3f\n", frames, now(CLOCK_PROCESS_CPUTIME_ID) - c0, now(CLOCK_MONOTONIC) - t0);
            fclose(out);
        }
    }
}
void SDL_GL_SwapBuffers(void) {
    static void (*real)(void);
    if (!real) real = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    real();
    count();
}
void glutSwapBuffers(void) {
    static void (*real)(void);
    if (!real) real = (void (*)(void))dlsym(RTLD_NEXT, "glutSwapBuffers");
    real();
    count();
}
C
gcc -shared -fPIC -O2 -o "$work/swaps.so" "$work/swaps.c" -ldl

# A fresh home with the settings the comparison uses.
mkdir -p "$work/home/.gl-117"
cat > "$work/home/.gl-117/conf" <<'C'
 width = 1024
 height = 768
 bpp = 32
 fullscreen = 0
 quality = 2
 view = 50
 dithering = 1
 antialiasing = 1
 specialeffects = 1
 dynamiclighting = 1
 sound = 0
 music = 0
 controls = 0
 difficulty = 1
 brightness = 0
 physics = 0
C

cat > "$work/drive.sh" <<'C'
#!/bin/bash
# Inside Xvfb: start the game, choose Training, Team Deathmatch, Start Mission, then count.
set -u
HOME=$WORK/home SDL_AUDIODRIVER=dummy LD_PRELOAD=$WORK/swaps.so SWAP_MARK=$WORK/mark SWAP_OUT=$WORK/out \
    /usr/games/gl-117 -d0 >/dev/null 2>&1 &
game=$!
for _ in $(seq 100); do w=$(xdotool search --name GL-117 2>/dev/null | tail -1); [ -n "$w" ] && break; sleep 0.2; done
click() { xdotool mousemove --window "$w" "$1" "$2"; sleep 1; xdotool mousedown 1; sleep 0.5; xdotool mouseup 1; sleep 5; }
# The main menu's blue "PILOTS" bar at (150, 119): while it shows, the mission has not started.
menu() {
    local rgb; rgb=$(xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut 150 119 1 1 | pnmnoraw | tail -1)
    set -- $rgb; [ "${3:-0}" -gt 150 ] && [ "${1:-255}" -lt 100 ] && [ "${2:-255}" -lt 100 ]
}
sleep 10
xdotool windowfocus "$w" 2>/dev/null
for _ in 1 2 3; do
    click 165 142   # Training
    click 600 291   # Team Deathmatch
    click 700 561   # Start Mission
    sleep 5
    menu || break
done
# Left alone, the player's jet climbs nose-high until the frames show only sky. From the mission's
# start, each second the pilot looks along a row just below the gun sight (y 420) and one high above
# it (y 200): mostly sky below, the nose is up and a short push (Up) brings it down; mostly ground
# above (not sky, darker than cloud), a short pull (Down). So the counted frames show ground and sky,
# as the Pellam run's do. The looks (xwd) run on the measured cores but not in the game's process.
rgb() { xwd -root -silent | xwdtopnm 2>/dev/null | pnmcut "$1" "$2" 1 1 | pnmnoraw | tail -1; }
sky() { set -- $(rgb "$1" "$2"); [ "${3:-0}" -gt $(( ${1:-255} + 40 )) ]; }
ground() { set -- $(rgb "$1" "$2"); [ "${3:-0}" -le $(( ${1:-255} + 40 )) ] && [ "${1:-255}" -lt 170 ]; }
count() { local n=0 x; for x in 150 300 724 874; do "$1" "$x" "$2" && n=$((n + 1)); done; echo "$n"; }
level() {
    if [ "$(count sky 420)" -ge 3 ]; then xdotool keydown Up; sleep 0.3; xdotool keyup Up
    elif [ "$(count ground 200)" -ge 3 ]; then xdotool keydown Down; sleep 0.2; xdotool keyup Down; fi
}
fly() { local end=$((SECONDS + $1)); while [ "$SECONDS" -lt "$end" ]; do level; sleep 1; done; }
fly 16
# Pictures at the start, middle and end of the count, to check it counted level flight, not a menu.
shot() { xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng > "$SHOTS-$1.png"; }
touch "$WORK/mark"; shot 0; fly $((SECONDS_TO_COUNT / 2)); shot 1; fly $((SECONDS_TO_COUNT - SECONDS_TO_COUNT / 2))
shot 2; rm -f "$WORK/mark"
for _ in $(seq 50); do [ -s "$WORK/out" ] && break; sleep 0.2; done
kill -9 "$game" 2>/dev/null; wait "$game" 2>/dev/null
C
chmod +x "$work/drive.sh"

echo "load: $(uptime)"
for cpus in "${lists[@]}"; do
    rm -f "$work/out"
    # The X server shares the game's cores, as in game_frames.sh.
    WORK=$work SECONDS_TO_COUNT=$seconds SHOTS=${GL117_SHOTS:-/tmp/gl117-frames}-${cpus} taskset -c "$cpus" xvfb-run -a -s "-screen 0 1024x768x24" "$work/drive.sh" || true
    if [ ! -s "$work/out" ]; then echo "cores $cpus: no frames counted"; continue; fi
    read -r frames cpu wall < "$work/out"
    awk -v l="$cpus" -v n="$frames" -v c="$cpu" -v w="$wall" 'BEGIN {
        fps = n / w; printf "GL-117, cores %-6s %6.1f fps  cores busy %.2f  cpu %5.1f ms/frame  (%d frames in %.0f s)\n",
        l, fps, c / w, c * 1000 / n, n, w }'
done
echo "load: $(uptime)"
