#!/usr/bin/env bash
# Twelve commands started together, each on its own server: all twelve are up at once on twelve
# different displays, and each command's exit status is what its run gives back.
# Usage: under_xvfb_test.sh UNDER_XVFB XVFB
set -euo pipefail
under_xvfb=$1
xvfb=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkfifo "$dir/up" "$dir/go"
exec 3<>"$dir/up" 4<>"$dir/go"
pids=()
for i in $(seq 1 12); do
  # Each says which display it has, then waits to be let go.
  # shellcheck disable=SC2016  # expanded by the command's own shell
  "$under_xvfb" "$xvfb" "-screen 0 64x64x24" \
    sh -c 'echo "$DISPLAY" >"$1/up"; read -r _ <"$1/go"; exit "$2"' sh "$dir" "$i" &
  pids+=("$!")
done
displays=()
for _ in $(seq 1 12); do
  read -r display <&3
  displays+=("$display")
done
unique=$(printf '%s\n' "${displays[@]}" | sort -u | wc -l)
[ "$unique" -eq 12 ] || { echo "twelve servers up at once share displays: ${displays[*]}"; exit 1; }
printf '\n%.0s' $(seq 1 12) >&4
for i in $(seq 1 12); do
  status=0
  wait "${pids[$((i - 1))]}" || status=$?
  [ "$status" -eq "$i" ] || { echo "command $i ended with $status"; exit 1; }
done
