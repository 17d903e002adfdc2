# shellcheck shell=bash
# A private virtual X server for one test script. Source it, then
#
#   xserver_start GEOMETRY [LOG] [reset]
#                                  e.g. 1280x1024x24; sets DISPLAY and XVFB_PID.
#                                  With "reset" the server resets whenever its
#                                  last client leaves, as a plain Xvfb does
#                                  (xvfb-run); otherwise it never resets.
#   xserver_stop                   ends that server (and only that one)
#
# The display number is chosen here rather than by the server: numbers from
# 100 upwards are tried, skipping any whose lock file or socket exists, so
# the usual :0 and the low numbers that other sessions and tools take are
# never touched. Two scripts may still pick the same number at the same
# moment; the loser's server exits (the lock is taken atomically) and the
# next number is tried. A server counts as started only once it answers a
# client, so no test talks to a display that is not there yet, or not ours.
# Needs Xvfb and xdpyinfo (x11-utils).

XVFB_PID=

xserver_start() {
    local geometry=$1 log=${2:-/dev/null} n tries noreset=-noreset
    [ "${3:-}" == reset ] && noreset=
    for n in $(seq 100 199); do
        [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ] && continue
        Xvfb ":$n" -screen 0 "$geometry" -nolisten tcp $noreset >>"$log" 2>&1 &
        XVFB_PID=$!
        tries=100   # 10 seconds: a loaded machine starts a server slowly
        while [ "$tries" -gt 0 ]; do
            if ! kill -0 "$XVFB_PID" 2>/dev/null; then
                break   # lost the number to another server
            fi
            # The lock must be ours: another server may have answered on
            # this number while ours was still starting.
            if [ "$( { tr -d ' ' <"/tmp/.X$n-lock"; } 2>/dev/null)" == "$XVFB_PID" ] &&
               xdpyinfo -display ":$n" >/dev/null 2>&1; then
                export DISPLAY=:$n
                return 0
            fi
            sleep 0.1
            tries=$((tries - 1))
        done
        kill "$XVFB_PID" 2>/dev/null
        wait "$XVFB_PID" 2>/dev/null
        XVFB_PID=
    done
    echo "no virtual X server could be started" >&2
    return 1
}

xserver_stop() {
    [ -n "$XVFB_PID" ] || return 0
    kill "$XVFB_PID" 2>/dev/null
    wait "$XVFB_PID" 2>/dev/null
    XVFB_PID=
}
