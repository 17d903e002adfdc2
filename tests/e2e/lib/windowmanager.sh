# shellcheck shell=bash
# A real window manager (openbox) on the test's own X server, for checks of
# what only a window manager does: its close button, focus, frames. Source
# it after xserver.sh has set DISPLAY.
#
#   wm_start [LOG]       starts openbox; returns once it manages the screen
#   wm_stop              ends that openbox (and only that one)
#   wm_close WINDOW      asks the window manager to close WINDOW, as its
#                        close button does: Alt+F4, openbox's binding for
#                        Close, on the window made active first
#   wm_window NAME-REGEX [SECONDS]   waits for a visible window so named;
#                        prints its id
#
# Needs openbox, xdotool and xprop (x11-utils).

WM_PID=

wm_start() {
    local log=${1:-/dev/null} tries=100
    openbox --sm-disable >>"$log" 2>&1 &
    WM_PID=$!
    # A window manager announces itself on the root window.
    while [ "$tries" -gt 0 ]; do
        kill -0 "$WM_PID" 2>/dev/null || { WM_PID=; return 1; }
        xprop -root _NET_SUPPORTING_WM_CHECK 2>/dev/null | grep -q 'window id' && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

wm_stop() {
    [ -n "$WM_PID" ] || return 0
    kill "$WM_PID" 2>/dev/null
    wait "$WM_PID" 2>/dev/null
    WM_PID=
}

wm_close() {
    xdotool windowactivate --sync "$1" 2>/dev/null || return 1
    xdotool key --clearmodifiers alt+F4
}

wm_window() {
    local tries=$(( ${2:-10} * 10 )) id
    while [ "$tries" -gt 0 ]; do
        id=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -n 1)
        [ -n "$id" ] && { echo "$id"; return 0; }
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
