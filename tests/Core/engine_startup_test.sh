#!/usr/bin/env bash
# The real program under Xvfb with the shipped pack and no levels: start-up completes (renderer,
# uploads, physics, editor memory) without an assertion, the empty scene is entered (the loader
# says once that "Level 1" has no file), frames run, and ESC ends it with status 0.
# Usage: engine_startup_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail

fail() { echo "FAIL: $*" >&2; [[ -n "${log:-}" && -f "$log" ]] && sed 's/^/  program: /' "$log" >&2; exit 1; }

if [[ "${1:-}" != "--inside-xvfb" ]]; then
    [[ $# -eq 1 && -x "$1" ]] || fail "expected the kestrolan binary as the only argument"
    for tool in xvfb-run xdotool; do
        command -v "$tool" >/dev/null || fail "$tool is missing (install-deps.sh installs it)"
    done
    [[ -f assets/kestrolan.pak ]] || fail "assets/kestrolan.pak is missing: build the project first"
    exec xvfb-run -a -s "-screen 0 1440x900x24" bash "$0" --inside-xvfb "$(realpath "$1")"
fi

program="$2"
# A working directory whose asset tree holds the shipped pack and nothing else: no levels.
workdir="$(mktemp -d)"
mkdir "$workdir/assets"
cp assets/kestrolan.pak "$workdir/assets/"
log="$workdir/program.log"
trap 'kill "$pid" 2>/dev/null; rm -rf "$workdir"' EXIT

(cd "$workdir" && exec "$program") >"$log" 2>&1 &
pid=$!

# Frames are running once the first frame-rate line is out (at most 60 s under Mesa).
for _ in $(seq 600); do
    grep -q '^FPS: [0-9][0-9]* $' "$log" && break
    kill -0 "$pid" 2>/dev/null || fail "the program ended before printing a frame rate"
    sleep 0.1
done
grep -q '^FPS: [0-9][0-9]* $' "$log" || fail "no 'FPS: <n> ' line within 60 s"

missing="$(grep -c '^Failed to load Scene: File not found!$' "$log")"
[[ "$missing" -eq 1 ]] || fail "expected one 'File not found' line for the missing level, got $missing"
grep -q 'ASSERTION FAILED' "$log" && fail "an assertion failed"
grep -q 'GL CALLBACK: .*severity = High' "$log" && fail "OpenGL reported an error"

window="$(xdotool search --name '^Kestrolan$' | head -1)"
[[ -n "$window" ]] || fail "no window titled Kestrolan"
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
echo "PASS: started with the shipped pack in the empty scene; ESC ended the program with status 0"
