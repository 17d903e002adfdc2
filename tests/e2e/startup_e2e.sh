#!/bin/bash
# Start-up against an X server that resets whenever its last client leaves,
# as a plain Xvfb (or xvfb-run) does: the viewer must open its window every
# time, never losing the display between checking it and using it.
# Usage: startup_e2e.sh PATH/TO/patternlens [STARTS]
# Needs Xvfb, xdpyinfo (x11-utils) and xdotool.
#
# Nothing else may hold a connection while the viewer starts, or the server
# would not reset at the moment that matters: the window is looked for with
# short separate connections, after the viewer has had a moment of its own.
set -u
. "$(dirname "$(readlink -f "$0")")/lib/require.sh"
require_tools "start-up e2e" "xvfb x11-utils xdotool" Xvfb xdpyinfo xdotool
viewer=$(readlink -f "$1")
starts=${2:-50}
here=$(dirname "$(readlink -f "$0")")
. "$here/lib/xserver.sh"

work=$(mktemp -d)
export XDG_STATE_HOME=$work/state   # recovery copies: none left in the home, none offered to another test
viewer_pid=
cleanup() {
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
    xserver_stop
    rm -rf "$work"
}
trap cleanup EXIT

xserver_start 640x480x24 "$work/xvfb.log" reset || { echo "0 passed, 1 failed"; exit 1; }
cd "$work" || exit 1

# window_opened: polls until the viewer's window exists (0) or the viewer
# has ended (1); 20 seconds at most.
window_opened() {
    local tries=100
    while [ "$tries" -gt 0 ]; do
        sleep 0.2
        kill -0 "$viewer_pid" 2>/dev/null || return 1
        [ -n "$(xdotool search --name '^Patternlens v1\.75$' 2>/dev/null)" ] && return 0
        tries=$((tries - 1))
    done
    return 1
}

passed=0 failed=0
for i in $(seq "$starts"); do
    "$viewer" >/dev/null 2>"$work/err" &
    viewer_pid=$!
    if window_opened; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL start $i opened no window: $(head -c 300 "$work/err")"
    fi
    kill "$viewer_pid" 2>/dev/null
    wait "$viewer_pid" 2>/dev/null
    viewer_pid=
    # The server resets now that its last client has gone.
done
echo "start-up e2e: $passed of $starts starts opened the window"
echo "$passed passed, $failed failed"
[ "$failed" == 0 ]
