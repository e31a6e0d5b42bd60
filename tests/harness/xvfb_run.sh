#!/usr/bin/env bash
# Runs a command inside a fresh Xvfb server (one 1440 x 900 screen at 24 bits) and returns its
# status. The server chooses its own free display (-displayfd) and tells it once it accepts
# clients: a scan of /tmp's lock files followed by a start, as xvfb-run -a does, lets tests that
# start at the same moment race for one display number. And it never resets: by default an X
# server resets when its last client leaves, and a client that connects during the reset (a test
# that closes one window and opens the next, on a loaded machine) is refused.
# Usage: xvfb_run.sh <command> [arguments...]
set -uo pipefail
command -v Xvfb >/dev/null || { echo "Xvfb is missing (install-deps.sh installs it)" >&2; exit 1; }

dir="$(mktemp -d)"
mkfifo "$dir/display"
Xvfb -displayfd 3 -screen 0 1440x900x24 -nolisten tcp -noreset 3>"$dir/display" >"$dir/server.log" 2>&1 &
server=$!
trap 'kill "$server" 2>/dev/null; wait "$server" 2>/dev/null; rm -rf "$dir"' EXIT

# The read ends with the number, or empty when the server exits before it can serve.
read -r display <"$dir/display"
if [[ -z "${display:-}" ]]; then
    echo "Xvfb did not start:" >&2
    cat "$dir/server.log" >&2
    exit 1
fi

DISPLAY=":$display" "$@"
