#!/usr/bin/env bash
# Takes a 1440x900 PNG of each level's start view, drawn by the real program under Xvfb.
#
#   tools/levelbuild/levelshots.sh [build directory] [output directory] [level numbers...]
#
# Defaults: build/, screenshots/ (both in the repository), levels 1 to 6. The files are
# level-<N>.png.
#
# The game always starts in "Level 1" and has no option to start elsewhere. For level N the
# program runs in a scratch directory whose assets/ holds the pack, the real "Level N.vsf" and the
# stand-in scenes "Level 1" to "Level N-1" that `levelbuild --shortcuts N` writes, each an elevator
# ready to go: N-1 presses of E lead to the real level, named as the game names it.
set -euo pipefail

root="$(cd "$(dirname "$0")/../.." && pwd)"
build="$(realpath "${1:-$root/build}")"
out="$(realpath -m "${2:-$root/screenshots}")"
shift $(($# < 2 ? $# : 2))
levels=("$@")
[[ ${#levels[@]} -gt 0 ]] || levels=(1 2 3 4 5 6)

# Seconds to wait: for each stand-in scene to hand over, and for the level to settle before the
# picture (the software renderer draws a few frames a second).
readonly SWITCH_WAIT=3
readonly SETTLE_WAIT=6

if [[ -z "${LEVELSHOTS_IN_XVFB:-}" ]]; then
    for tool in xvfb-run xdotool import; do
        command -v "$tool" >/dev/null || { echo "levelshots: $tool is missing (install-deps.sh installs it)" >&2; exit 1; }
    done
    export LEVELSHOTS_IN_XVFB=1
    exec xvfb-run -a -s "-screen 0 1440x900x24" "$0" "$build" "$out" "${levels[@]}"
fi

for program in "$build/kestrolan" "$build/tools/levelbuild/levelbuild"; do
    [[ -x "$program" ]] || { echo "levelshots: $program is missing; build it first" >&2; exit 1; }
done
mkdir -p "$out"

# Waits until the program in the background ($pid) prints its first frame-rate line into $1.
waitForFrames() {
    for _ in $(seq 600); do
        grep -q '^FPS: ' "$1" && return 0
        kill -0 "$pid" 2>/dev/null || { echo "levelshots: the program ended early:" >&2; cat "$1" >&2; exit 1; }
        sleep 0.1
    done
    echo "levelshots: no frames within 60 s" >&2
    exit 1
}

shoot() {
    local number="$1" scratch
    scratch="$(mktemp -d)"
    mkdir "$scratch/assets"
    cp "$root/assets/kestrolan.pak" "$root/assets/Level $number.vsf" "$scratch/assets/"
    (cd "$scratch" && "$build/tools/levelbuild/levelbuild" --shortcuts "$number" >/dev/null)
    (cd "$scratch" && exec "$build/kestrolan" >"$scratch/log" 2>&1) &
    pid=$!
    waitForFrames "$scratch/log"
    xdotool windowfocus --sync "$(xdotool search --name '^Kestrolan$' | head -1)"
    for ((stage = 1; stage < number; stage++)); do
        xdotool key e
        sleep "$SWITCH_WAIT"
    done
    sleep "$SETTLE_WAIT"
    import -window root "$out/level-$number.png"
    kill "$pid"
    wait "$pid" 2>/dev/null || true
    if grep -q 'Failed to load' "$scratch/log"; then
        echo "levelshots: Level $number did not load:" >&2
        cat "$scratch/log" >&2
        exit 1
    fi
    rm -rf "$scratch"
    echo "levelshots: $out/level-$number.png"
}

for number in "${levels[@]}"; do shoot "$number"; done
