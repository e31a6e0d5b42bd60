# Steps shared by the tests that drive the real program under Xvfb. A test sources this file and
# sets `log` (the program's output file) and `pid` (its process) once the program runs.

fail() {
    echo "FAIL: $*" >&2
    [[ -n "${log:-}" && -f "$log" ]] && sed 's/^/  program: /' "$log" >&2
    exit 1
}

# Runs the calling script again inside its own Xvfb server, as `script --inside-xvfb <program>`
# with the program's absolute path. Returns only when already inside.
enterXvfb() {
    local script="$1"
    shift
    [[ "${1:-}" == "--inside-xvfb" ]] && return 0
    [[ $# -eq 1 && -x "$1" ]] || fail "expected the kestrolan binary as the only argument"
    for tool in Xvfb xdotool; do
        command -v "$tool" >/dev/null || fail "$tool is missing (install-deps.sh installs it)"
    done
    exec bash "$(dirname "${BASH_SOURCE[0]}")/xvfb_run.sh" bash "$script" --inside-xvfb "$(realpath "$1")"
}

# Frames are running once the first frame-rate line is out (at most 60 s under Mesa).
waitForFrames() {
    for _ in $(seq 600); do
        grep -q '^FPS: [0-9][0-9]* $' "$log" && return 0
        kill -0 "$pid" 2>/dev/null || fail "the program ended before printing a frame rate"
        sleep 0.1
    done
    fail "no 'FPS: <n> ' line within 60 s"
}

# The program's window. A search can come back empty while the server is busy with other clients
# (an X error from a window that vanishes during the walk ends xdotool's search), so it is asked
# again for as long as a frame-rate wait would allow.
kestrolanWindow() {
    local window
    for _ in $(seq 600); do
        window="$(xdotool search --name '^Kestrolan$' 2>/dev/null | head -1)"
        [[ -n "$window" ]] && { echo "$window"; return 0; }
        kill -0 "$pid" 2>/dev/null || fail "the program ended before its window was found"
        sleep 0.1
    done
    fail "no window titled Kestrolan"
}

# ESC in the focused window must end the program within 10 s with status 0.
quitWithEscape() {
    local window="$1" status
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
}

# A fresh working directory whose asset tree holds the shipped pack and nothing else; sets
# `workdir` and `log` (the program's output). The program and the directory go at exit.
makeWorkdir() {
    workdir="$(mktemp -d)"
    mkdir "$workdir/assets"
    cp assets/kestrolan.pak "$workdir/assets/"
    log="$workdir/program.log"
    trap 'kill "$pid" 2>/dev/null; rm -rf "$workdir"' EXIT
}

# Starts the program `$1` in `workdir` with its output into `log`, sets `pid` and waits for the
# first frames.
startProgram() {
    (cd "$workdir" && exec "$1") >"$log" 2>&1 &
    pid=$!
    waitForFrames
}

# Starts the program `$1` in a fresh working directory holding the shipped pack and the scene
# files that the fixture writer `$2` (built beside the program, under tests/) writes when given the
# paths that follow, each taken relative to that directory's assets. Waits for the first frames
# and sets `workdir`, `log`, `pid` and `window`; the program and the directory go at exit.
startWithFixture() {
    local program="$1" fixture path
    fixture="$(dirname "$program")/tests/$2"
    shift 2
    [[ -x "$fixture" ]] || fail "$fixture is missing: build the project first"
    command -v import >/dev/null || fail "ImageMagick is missing (install-deps.sh installs it)"
    makeWorkdir
    local paths=()
    for path in "$@"; do paths+=("$workdir/assets/$path"); done
    "$fixture" "${paths[@]}" || fail "the fixture writer failed"
    startProgram "$program"
    window="$(kestrolanWindow)" || exit 1
}

# The window as it is now, into `$workdir/<name>.png`.
capture() { import -window "$window" "$workdir/$1.png" || fail "cannot capture the window"; }

# How many pixels differ by more than 5% between two captures, as a whole number (compare writes
# counts of a million and more as 1.07859e+06, which shell arithmetic cannot read). An optional
# third argument WxH+X+Y limits the count to that region. Anything else compare says is passed on
# as it is, so that the arithmetic that reads it fails.
differingPixels() {
    local region="${3:+[$3]}"
    compare -metric AE -fuzz 5% "$workdir/$1.png$region" "$workdir/$2.png$region" null: 2>&1 |
        awk '{ if ($1 ~ /^[0-9.]+(e\+[0-9]+)?$/) printf "%.0f", $1; else printf "%s", $0 }'
}

# The program's output holds no failed assertion, no missing asset and no OpenGL error.
expectCleanLog() {
    grep -q 'ASSERTION FAILED' "$log" && fail "an assertion failed"
    grep -q '^Missing asset' "$log" && fail "the shipped pack lacks an asset the scene draws"
    grep -q 'GL CALLBACK: .*severity = High' "$log" && fail "OpenGL reported an error"
    return 0
}

# Frames the program has drawn, as the sum of its once-a-second "FPS: <n> " lines. A wait measured
# in frames holds on a loaded machine, where a second of wall time may be only a frame or two.
framesDrawn() { sed -n 's/^FPS: \([0-9]*\) $/\1/p' "$log" | awk '{ s += $1 } END { print s + 0 }'; }

# Returns once at least `$1` more frames have been drawn. The first rate line may count frames
# from before the call, so one more line than needed is awaited. A rate line comes once a second,
# or once a frame when frames take longer: only a minute without one means the program stalled,
# however many frames are still to come.
waitFrames() {
    local from lines seen current polls=0
    from="$(framesDrawn)"
    lines="$(grep -c '^FPS' "$log")"
    seen=$lines
    while (( polls < 600 )); do
        sleep 0.1
        current="$(grep -c '^FPS' "$log")"
        (( current > lines + 1 && $(framesDrawn) - from >= $1 )) && return 0
        kill -0 "$pid" 2>/dev/null || fail "the program ended"
        (( current > seen )) && { seen=$current; polls=0; }
        polls=$((polls + 1))
    done
    fail "no frame drawn in a minute, with $(( $(framesDrawn) - from )) of $1 frames drawn"
}

# Holds the key `$1` down for at least `$2` frames.
holdKeyFor() {
    xdotool keydown "$1"
    waitFrames "$2"
    xdotool keyup "$1"
}

# One press of the key `$1` that the program sees at any frame rate: down for at least one drawn
# frame, then up for at least one. A key pressed and released between two frames would count on
# the program to see the tap, and a release followed at once by a press of the same key may read
# as a key repeat.
pressKey() {
    holdKeyFor "$1" 1
    waitFrames 1
}
