#!/usr/bin/env bash
# Runs a command on an X server of its own: Xvfb with the given arguments, on a display the server
# finds free itself (-displayfd). Tests started together then never share a display, as they can
# when each searches for a free number first and the servers race for it: a loaded machine saw one
# test's game knocked back from another test's server ("Authorization required").
# The exit status is the command's.
#
# Usage: under_xvfb.sh XVFB "SERVER ARGUMENTS" COMMAND [ARGUMENTS...]
set -uo pipefail
xvfb=$1
arguments=$2
shift 2
dir=$(mktemp -d "${TMPDIR:-/tmp}/pellam-xvfb.XXXXXX") || exit 1
server=
# shellcheck disable=SC2317  # run by the trap
finish() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null
    wait "$server" 2>/dev/null
  fi
  rm -rf "$dir"
}
trap finish EXIT
mkfifo "$dir/display" || exit 1
# The server writes its display number down the pipe once it takes connections; if it fails
# first, the pipe closes empty. A server started by another tool that searches for a free number
# may take the one this server chose between its socket and its lock: then it starts again.
number=
for _ in 1 2 3 4 5; do
  # shellcheck disable=SC2086  # the server's arguments are separate words
  "$xvfb" -displayfd 3 -nolisten tcp $arguments 3>"$dir/display" 2>"$dir/server.log" &
  server=$!
  if read -r number <"$dir/display" && [ -n "$number" ]; then break; fi
  wait "$server" 2>/dev/null
  server=''
  number=''
done
if [ -z "$number" ]; then
  echo "Xvfb did not start:" >&2
  cat "$dir/server.log" >&2
  exit 1
fi
# No cookie is asked for: the server keeps to local clients, and none left in the caller's
# authority file for an old display of the same number is sent.
DISPLAY=":$number" XAUTHORITY="$dir/no-authority" "$@"
status=$?
exit "$status"
