#!/usr/bin/env bash
# The real program under Xvfb: it opens its 1440x900 window with an OpenGL context of at least
# 4.3, prints a frame-rate line, and ESC sent with xdotool ends it with status 0.
# Usage: kestrolan_window_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
enterXvfb "$0" "$@"

program="$2"
log="$(mktemp)"
trap 'kill "$pid" 2>/dev/null; rm -f "$log"' EXIT

"$program" >"$log" 2>&1 &
pid=$!
waitForFrames

version="$(sed -n 's/^OpenGL context \([0-9]*\)\.\([0-9]*\) .*/\1 \2/p' "$log" | head -1)"
[[ -n "$version" ]] || fail "no OpenGL context line"
read -r major minor <<<"$version"
(( major * 10 + minor >= 43 )) || fail "OpenGL $major.$minor is below 4.3"

window="$(kestrolanWindow)" || exit 1
geometry="$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')"
[[ "$geometry" == "1440x900" ]] || fail "window is '$geometry', not 1440x900"

quitWithEscape "$window"
echo "PASS: OpenGL $major.$minor, window $geometry, ESC ended the program with status 0"
