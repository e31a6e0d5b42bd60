#!/usr/bin/env bash
# The real program under Xvfb in a small room (a floor, a back wall, a lamp, a player and a cube,
# written by walkScene_fixture as "Level 1"): the first frames show the lit room under the sky,
# not a black window; the picture stands still without input; holding W walks the player toward the
# wall and changes the view. Run from the repository root.
# Usage: walk_test.sh <path to kestrolan>
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
[[ -f assets/kestrolan.pak ]] || fail "assets/kestrolan.pak is missing: build the project first"
enterXvfb "$0" "$@"

startWithFixture "$2" walkScene_fixture "Level 1.vsf"
# The mean of one channel (r, g, b or all) over a region WxH+X+Y, from 0 to 1.
meanOf() { convert "$workdir/$1.png" -crop "$2" +repage -format "%[fx:mean${3:+.$3}]" info:; }
above() { awk -v a="$1" -v b="$2" 'BEGIN { exit !(a > b) }'; }
total=$((1440 * 900))

# Without input the picture comes to rest once the player and the cube have settled on the floor
# (the physics runs at most one tick per frame, so this is a count of frames): two captures
# STILL_FRAMES frames apart then differ in less than 1% of the pixels.
readonly STILL_FRAMES=5
capture before
for _ in $(seq 60); do
    waitFrames $STILL_FRAMES
    capture still
    unchanged="$(differingPixels before still)"
    (( unchanged * 100 < total )) && break
    cp "$workdir/still.png" "$workdir/before.png"
done
(( unchanged * 100 < total )) || fail "the view kept changing without input ($unchanged pixels)"

picture="$(meanOf before 1440x900+0+0)"
above "$picture" 0.2 || fail "the frame is dark (mean $picture)"
# The walls end below the top of the view: the top rows show the light grey-blue sky.
sky="$(meanOf before 1440x40+0+0)"
skyRed="$(meanOf before 1440x40+0+0 r)"
skyBlue="$(meanOf before 1440x40+0+0 b)"
above "$sky" 0.4 || fail "no sky at the top of the view (mean $sky)"
above "$skyBlue" "$skyRed" || fail "the top of the view is not the blue-grey sky (red $skyRed, blue $skyBlue)"

xdotool windowfocus --sync "$window" || fail "cannot focus the window"
# At most one physics tick runs per frame: W is held, counted in frames, until the view has
# changed, for at most a hundred frames.
readonly WALK_STEP_FRAMES=5
xdotool keydown w
for _ in $(seq 20); do
    waitFrames $WALK_STEP_FRAMES
    capture walked
    changed="$(differingPixels before walked)"
    (( changed * 50 > total )) && break
done
xdotool keyup w
(( changed * 50 > total )) || fail "holding W for a hundred frames changed only $changed pixels"

expectCleanLog

quitWithEscape "$window"
echo "PASS: lit room under the sky (mean $picture, sky $sky); W changed $changed of $total pixels"
