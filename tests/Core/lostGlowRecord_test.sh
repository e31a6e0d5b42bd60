#!/usr/bin/env bash
# The real program under Xvfb in Level 1's start view, with the shipped pack and then with packs in
# which the ground's or the elevator's glow record lies past the end of the file. The table entry
# still says that the texture's alpha is a glow's mask, so the texture stays opaque and only its
# glow comes from the emission image instead: the view must match the intact one (no sky through
# the floor, no elevator gone), apart from the clock, with one line naming the damaged texture.
# Usage: lostGlowRecord_test.sh <path to kestrolan>. Run from the repository root.
set -uo pipefail
source "$(dirname "$0")/../harness/kestrolan_program.sh"
[[ -f assets/kestrolan.pak ]] || fail "assets/kestrolan.pak is missing: build the project first"
enterXvfb "$0" "$@"

# Frames for the level's cubes to come to rest before a capture.
readonly SETTLE_FRAMES=6
# Everything below the clock; the glows drawn from their images lie within a level or two of the
# folded ones, far inside the 5% that differingPixels allows, so a handful of pixels at most.
readonly VIEW=1440x780+0+120
readonly MOST_DIFFERING=300

program="$2"
fixture="$(dirname "$program")/tests/lostGlowPack_fixture"
[[ -x "$fixture" ]] || fail "$fixture is missing: build the project first"
command -v import >/dev/null || fail "ImageMagick is missing (install-deps.sh installs it)"

# Level 1 with the pack as it is in `workdir`, captured as `$1`; then ESC.
captureStartView() {
    startProgram "$program"
    window="$(kestrolanWindow)" || exit 1
    xdotool windowfocus --sync "$window" || fail "cannot focus the window"
    waitFrames $SETTLE_FRAMES
    capture "$1"
    expectCleanLog
    quitWithEscape "$window"
}

makeWorkdir
cp "assets/Level 1.vsf" "$workdir/assets/"
captureStartView intact
for texture in ground_img elevator_img; do
    cp assets/kestrolan.pak "$workdir/assets/"
    "$fixture" "$workdir/assets/kestrolan.pak" "$texture" || fail "cannot damage the pack"
    captureStartView "$texture"
    [[ "$(grep -c 'drawn without its glow: its glow record lies outside the file' "$log")" -eq 1 ]] ||
        fail "expected one line about the lost glow record of $texture"
    differing="$(differingPixels intact "$texture" "$VIEW")"
    (( differing <= MOST_DIFFERING )) || fail "without the glow record of $texture $differing pixels differ"
    echo "$texture: $differing pixels differ"
done
echo "PASS: a lost glow record of the ground or the elevator leaves Level 1's start view as it was"
