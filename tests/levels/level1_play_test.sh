#!/usr/bin/env bash
# The real program under Xvfb starts in Level 1, and keys sent with xdotool play it to Level 2:
# E on the button in view, D (a step to the right) until the wall, W into the elevator's doors,
# and E. Then the view must be Level 2's start: it differs from Level 1's start, R (which reloads
# the current level) brings back the same picture, and no load failed.
# Usage: level1_play_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
enterXvfb "$0" "$@"

# Physics frames each walk needs (one tick runs per frame), with room to spare: the walls and the
# elevator stop the player, so holding a key longer does no harm.
readonly STEP_RIGHT_FRAMES=30
readonly WALK_FRAMES=85
# Frames for a level to load and its cubes to come to rest before a screenshot.
readonly SETTLE_FRAMES=12
# The share of differing colour (root mean square, 0 to 1) that still counts as the same picture,
# and the share that two different levels' start views exceed.
readonly SAME_PICTURE=0.03
readonly OTHER_PICTURE=0.05

program="$2"
log="$(mktemp)"
shots="$(mktemp -d)"
trap 'kill "$pid" 2>/dev/null; rm -rf "$log" "$shots"' EXIT

"$program" >"$log" 2>&1 &
pid=$!
waitForFrames
window="$(kestrolanWindow)" || exit 1
xdotool windowfocus --sync "$window" || fail "cannot focus the window"
waitFrames 2

# The program's picture, without the clock at the top left (it counts on).
shoot() {
    import -window root -crop 1440x780+0+120 "$shots/$1.png" || fail "cannot take a screenshot"
}
# The root-mean-square difference of two pictures, 0 to 1.
difference() {
    compare -metric RMSE "$shots/$1.png" "$shots/$2.png" null: 2>&1 | sed -n 's/.*(\(.*\)).*/\1/p'
}
below() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a < b) }'; }

shoot level1-start
pressKey e
holdKeyFor d $STEP_RIGHT_FRAMES
holdKeyFor w $WALK_FRAMES
pressKey e
waitFrames $SETTLE_FRAMES
shoot arrived
pressKey r
waitFrames $SETTLE_FRAMES
shoot restarted

grep -q 'Failed to load' "$log" && fail "a level did not load"
kill -0 "$pid" 2>/dev/null || fail "the program ended"
fromStart="$(difference level1-start arrived)"
restarted="$(difference arrived restarted)"
[[ -n "$fromStart" && -n "$restarted" ]] || fail "cannot compare the screenshots"
below "$restarted" "$SAME_PICTURE" || fail "R changed the view ($restarted): the player was not at a level's start"
below "$OTHER_PICTURE" "$fromStart" || fail "the view is Level 1's start ($fromStart): the elevator was not taken"

quitWithEscape "$window"
echo "PASS: Level 2 reached by keys alone (differs from Level 1's start by $fromStart, from its own restart by $restarted)"
