#!/bin/bash
# The mission builder of the real game under Xvfb, RUNS times: six damaged mission files opened in
# turn from its Open panel (cut short, all 0xff, huge counts, flipped bytes, another format version,
# empty), each refused with a beep and a notice while the view is clicked twice under it, its OK
# clicked; then a good mission opened and saved. A run passes when the game ends by itself with
# status 0, its script met every expectation and the good file was written again. The game may be
# started under a wrapper (valgrind, say); glibc's checks come from the environment:
#
# Usage: [MALLOC_CHECK_=3 MALLOC_PERTURB_=165] bench/builder/refused_files.sh [pellam] [runs] [wrapper...]
#        (defaults: build/release/pellam, 10)
set -uo pipefail
game=$(realpath "${1:-build/release/pellam}")
runs=${2:-10}
shift $(($# < 2 ? $# : 2))
[ -x "$game" ] || { echo "no game at $game" >&2; exit 1; }
data=$(dirname "$game")/data
names=("Cut short" "All ff" "Huge counts" "Flipped" "Other version" "Empty")
passed=0
for ((run = 1; run <= runs; run++)); do
    work=$(mktemp -d)
    mkdir -p "$work/Missions" "$work/config"
    cp "$data/pellamm1.pellam" "$work/Missions/Good.pellam"
    python3 - "$work/Missions" <<'PY'
import sys
folder = sys.argv[1]
good = open(folder + "/Good.pellam", "rb").read()
def put(at, b): return good[:at] + b + good[at + len(b):]
flipped = bytearray(good)
for i in range(len(good) - 900, len(good) - 860): flipped[i] ^= 0xFF
files = {"Cut short": good[:len(good) // 2], "All ff": b"\xff" * len(good),
         "Huge counts": put(16, b"\xff\xff\xff\xf0"), "Flipped": bytes(flipped),
         "Other version": put(8, b"\0\0\0\2"), "Empty": b""}
for name, content in files.items(): open(folder + "/" + name + ".pellam", "wb").write(content)
PY
    {
        # The start's notice first: the six are left out of the mission menu.
        printf 'frames 30\nuntil notice could not be offered\nclick Notice|OK\nclick Pilot Sign-In|Sign In\nframes 10\n'
        printf 'click Menu|Mission Builder\n'
        printf 'click Mission Builder|New Mission\nframes 10\n'
        for name in "${names[@]}"; do
            printf 'click Builder|Open\nclick Builder|Open Mission/%s.pellam\nclick Builder|Open Mission/Open\n' "$name"
            printf 'until notice %s.pellam\nclick Builder|view\nclick Builder|view\nclick Notice|OK\nframes 5\n' "$name"
        done
        printf 'click Builder|Open\nclick Builder|Open Mission/Good.pellam\nclick Builder|Open Mission/Open\n'
        printf 'frames 10\nclick Builder|Save\nframes 10\nquit\n'
    } > "$work/script"
    before=$(stat -c %Y.%s "$work/Missions/Good.pellam")
    sleep 1.1  # the good file's time tells its save
    env SDL_AUDIODRIVER=dummy XDG_CONFIG_HOME="$work/config" HOME="$work" PELLAM_USER_MISSIONS="$work/Missions/" \
        PELLAM_PLAYER_SCRIPT="$work/script" xvfb-run -a -s "-screen 0 1024x768x24" "$@" "$game" >"$work/log" 2>&1
    status=$?
    after=$(stat -c %Y.%s "$work/Missions/Good.pellam")
    if [ $status = 0 ] && ! grep -q "failed:" "$work/log" && [ "$before" != "$after" ]; then
        passed=$((passed + 1))
        rm -rf "$work"
    else
        echo "run $run: status $status, log kept in $work/log"
    fi
done
echo "$passed of $runs runs passed"
[ "$passed" = "$runs" ]
