#!/usr/bin/env bash
# The real program under Xvfb: it opens its 1440x900 window with an OpenGL context of at least
# 4.3, prints a frame-rate line, and ESC sent with xdotool ends it with status 0.
# Usage: kestrolan_window_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail

fail() { echo "FAIL: $*" >&2; [[ -n "${log:-}" && -f "$log" ]] && sed 's/^/  program: /' "$log" >&2; exit 1; }

if [[ "${1:-}" != "--inside-xvfb" ]]; then
    [[ $# -eq 1 && -x "$1" ]] || fail "expected the kestrolan binary as the only argument"
    command -v xvfb-run >/dev/null || fail "xvfb-run is missing (install-deps.sh installs it)"
    command -v xdotool >/dev/null || fail "xdotool is missing (install-deps.sh installs it)"
    exec xvfb-run -a -s "-screen 0 1440x900x24" bash "$0" --inside-xvfb "$1"
fi

program="$2"
log="$(mktemp)"
trap 'kill "$pid" 2>/dev/null; rm -f "$log"' EXIT

"$program" >"$log" 2>&1 &
pid=$!

# Wait (at most 60 s) for the first frame-rate line: start-up is done and frames are running.
for _ in $(seq 600); do
    grep -q '^FPS: [0-9][0-9]* $' "$log" && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before printing a frame rate"
    sleep 0.1
done
grep -q '^FPS: [0-9][0-9]* $' "$log" || fail "no 'FPS: <n> ' line within 60 s"

version="$(sed -n 's/^OpenGL context \([0-9]*\)\.\([0-9]*\) .*/\1 \2/p' "$log" | head -1)"
[[ -n "$version" ]] || fail "no OpenGL context line"
read -r major minor <<<"$version"
(( major * 10 + minor >= 43 )) || fail "OpenGL $major.$minor is below 4.3"

window="$(xdotool search --name '^Kestrolan$' | head -1)"
[[ -n "$window" ]] || fail "no window titled Kestrolan"
geometry="$(xdotool getwindowgeometry "$window" | sed -n 's/.*Geometry: //p')"
[[ "$geometry" == "1440x900" ]] || fail "window is '$geometry', not 1440x900"

xdotool windowfocus --sync "$window" || fail "cannot focus the window"
xdotool key Escape

for _ in $(seq 100); do
    kill -0 "$pid" 2>/dev/null || break
    sleep 0.1
done
kill -0 "$pid" 2>/dev/null && fail "ESC did not end the program within 10 s"
wait "$pid"
status=$?
[[ $status -eq 0 ]] || fail "exit status $status after ESC"
echo "PASS: OpenGL $major.$minor, window $geometry, ESC ended the program with status 0"
