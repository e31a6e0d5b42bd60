#!/usr/bin/env bash
# The real program under Xvfb in the six levels that elevatorScene_fixture writes (the same room:
# the player two units before an elevator that a pressed button powers, the HUD, three floating
# texts). E at the elevator loads the next level, which the HUD's scene name at the bottom right
# shows; in "Level 6" every use prints "Thanks for playing!" at once and loads nothing. Then R
# reloads the level RELOADS times, and the program's resident memory may grow by at most
# GROWTH_LIMIT_KIB: each load gives the three texts' colour buffers to the next one. Every key is
# pressed over drawn frames (pressKey), so a loaded machine's slow frames still see each press.
# Usage: elevator_test.sh <path to kestrolan>
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
[[ -f assets/kestrolan.pak ]] || fail "assets/kestrolan.pak is missing: build the project first"
enterXvfb "$0" "$@"

# Each press takes a few frame-rate lines, so the reloads are few. A leaking load keeps the three
# texts' window-sized colour buffers, 15 MiB; the allowance is a quarter of that, so that one such
# load fails, while the allocator's and the driver's steps pass: they do not grow with the number
# of reloads, and a loaded machine saw 0.9 MiB in ten.
RELOADS=10
GROWTH_LIMIT_KIB=4096
# Frames for a level to load and be drawn before a capture.
SETTLE_FRAMES=3

startWithFixture "$2" elevatorScene_fixture .
xdotool windowfocus --sync "$window" || fail "cannot focus the window"
waitFrames $SETTLE_FRAMES

# Pixels of the scene name at the bottom right that differ between two captures.
nameChanged() { differingPixels "$1" "$2" 220x50+1220+825; }
thanks() { grep -c 'Thanks for playing!' "$log"; }
residentKiB() { awk '/^VmRSS:/ { print $2 }' "/proc/$pid/status"; }

capture level1
pressKey e
waitFrames $SETTLE_FRAMES
capture level2
changed="$(nameChanged level1 level2)"
(( changed > 50 )) || fail "E at the powered elevator did not change the scene name ($changed pixels)"
grep -q 'Failed to load Scene' "$log" && fail "a level did not load"
(( $(thanks) == 0 )) || fail "thanked before the last level"

for level in 3 4 5 6; do pressKey e; done
(( $(thanks) == 0 )) || fail "thanked before the last level"
pressKey e
(( $(thanks) == 1 )) || fail "no 'Thanks for playing!' at once in Level 6"
pressKey e
(( $(thanks) == 2 )) || fail "the second use in Level 6 did not thank again"
grep -q 'Failed to load Scene' "$log" && fail "a level did not load"

# Reloads: a few first, so that everything a load touches for the first time is in place.
for _ in 1 2 3; do pressKey r; done
before="$(residentKiB)"
for _ in $(seq "$RELOADS"); do pressKey r; done
after="$(residentKiB)"
growth=$((after - before))
kill -0 "$pid" 2>/dev/null || fail "the program ended during the reloads"
# Still Level 6 after the reloads: a use thanks again.
pressKey e
(( $(thanks) == 3 )) || fail "R did not reload Level 6"

expectCleanLog
(( growth <= GROWTH_LIMIT_KIB )) || fail "$RELOADS reloads grew the resident memory by $growth KiB ($before -> $after)"

quitWithEscape "$window"
echo "PASS: E rode Level 1 to Level 6, which thanked the player; $RELOADS reloads grew the resident memory by $growth KiB ($before -> $after KiB)"
