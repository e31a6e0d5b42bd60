#!/usr/bin/env bash
# The real program under Xvfb with the shipped pack and no levels: start-up completes (renderer,
# uploads, physics, editor memory) without an assertion, the empty scene is entered (the loader
# says once that "Level 1" has no file), frames run, and ESC ends it with status 0.
# Usage: engine_startup_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
[[ -f assets/kestrolan.pak ]] || fail "assets/kestrolan.pak is missing: build the project first"
enterXvfb "$0" "$@"

# No levels: the working directory holds the shipped pack only.
makeWorkdir
startProgram "$2"

missing="$(grep -c '^Failed to load Scene: File not found!$' "$log")"
[[ "$missing" -eq 1 ]] || fail "expected one 'File not found' line for the missing level, got $missing"
grep -q 'ASSERTION FAILED' "$log" && fail "an assertion failed"
grep -q 'GL CALLBACK: .*severity = High' "$log" && fail "OpenGL reported an error"

quitWithEscape "$(kestrolanWindow)"
echo "PASS: started with the shipped pack in the empty scene; ESC ended the program with status 0"
