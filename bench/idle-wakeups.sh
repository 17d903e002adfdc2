#!/bin/bash
# Wake-ups per second of an idle viewer: the context switches of all its
# threads, voluntary and not, counted over a stretch of seconds in which
# nothing happens, in a private virtual X server. Each switch is a thread
# that woke up (or was woken) to run.
# Usage: bench/idle-wakeups.sh PATH/TO/patternlens [SECONDS]
# Needs Xvfb, xdpyinfo (x11-utils) and xdotool.
set -u
here=$(dirname "$(readlink -f "$0")")/../tests/e2e
. "$here/lib/require.sh"
require_tools "idle wake-ups" "xvfb x11-utils xdotool" Xvfb xdpyinfo xdotool
viewer=$(readlink -f "$1")
seconds=${2:-10}
. "$here/lib/xserver.sh"
. "$here/lib/viewer.sh"

work=$(mktemp -d)
export XDG_STATE_HOME=$work/state   # recovery copies: none left in the home, none offered to another test
cleanup() {
    viewer_stop
    xserver_stop
    rm -rf "$work"
}
trap cleanup EXIT

# The sum over the process's threads of their context switches.
switches() {
    local total=0 n
    for n in $(awk '/ctxt_switches/ { print $2 }' /proc/"$viewer_pid"/task/*/status 2>/dev/null); do
        total=$((total + n))
    done
    echo "$total"
}

xserver_start 1024x768x24 "$work/xvfb.log" || exit 1
cd "$work" || exit 1
viewer_start || { echo "the viewer did not open its window" >&2; exit 1; }
sleep 3   # the first picture, the fonts, the window manager's moves: settled
before=$(switches)
sleep "$seconds"
after=$(switches)
threads=$(ls /proc/"$viewer_pid"/task | wc -l)
awk -v d=$((after - before)) -v s="$seconds" -v t="$threads" \
    'BEGIN { printf "%.1f wake-ups per second over %d s (%d threads)\n", d / s, s, t }'
