#!/bin/bash
# Recovery copies under a real window manager: edits, SIGKILL; the next viewer
# asks, Recover brings back the very picture, unsaved, and saving writes its
# file. Not Now, Discard, a clean exit, and a viewer running beside another.
# (Copies that cannot be read or written: tests/unit/recovery_test.cpp.)
# Usage: recovery_e2e.sh PATH/TO/patternlens PATH/TO/patternlens-render
# Needs Xvfb, openbox, xdotool, x11-utils and ImageMagick.
set -u
here=$(dirname "$(readlink -f "$0")")
. "$here/lib/require.sh"
require_tools "recovery e2e" "xvfb openbox xdotool x11-utils imagemagick" Xvfb openbox xdotool xprop xwininfo xdpyinfo import compare
viewer=$(readlink -f "$1")
renderer=$(readlink -f "$2")
. "$here/lib/xserver.sh"
. "$here/lib/windowmanager.sh"
. "$here/lib/gtkdialog.sh"

work=$(mktemp -d)
keep=${RECOVERY_E2E_KEEP:-/tmp/recovery_e2e.$$}
mkdir -p "$keep"
# The test's own state folder: no copy of the user's is offered, none is left.
export XDG_STATE_HOME=$work/state
copies=$XDG_STATE_HOME/patternlens/recovery
pids=()
cleanup() { kill -9 "${pids[@]}" 2>/dev/null; wm_stop; xserver_stop; rm -rf "$work"; rmdir "$keep" 2>/dev/null; }
trap cleanup EXIT
xserver_start 1280x1024x24 "$work/xvfb.log" || { echo "0 passed, 1 failed"; exit 1; }
wm_start "$work/openbox.log" || { echo "openbox did not start"; echo "0 passed, 1 failed"; exit 1; }
cd "$work" || exit 1

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { local name=$1; shift; if "$@"; then pass; else fail "$name"; fi; }

start() { "$viewer" "$@" >>"$work/viewer.out" 2>>"$work/viewer.err" & pid=$!; pids+=("$pid"); }
find_window() {   # the window of the viewer last started; sets window, X, Y
    window=$(timeout 10 xdotool search --sync --all --onlyvisible --pid "$pid" --name '^Patternlens v1\.75' 2>/dev/null | head -n 1)
    [ -n "$window" ] && sleep 0.5 || return 1
    eval "$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left \([XY]\): *\([0-9]*\)/\1=\2/p')"
}
area() { import -window root -crop "400x470+$X+$Y" +repage "$1"; }
differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
# The start-up question, made active for the keyboard; none within SECONDS: fails.
question() { local q; q=$(wm_window '^Recover unsaved work$' "${1:-10}") && sleep 0.5 && xdotool windowactivate --sync "$q" 2>/dev/null; }
# until TEST holds, for up to 6 seconds
until_true() { local t=60; until eval "$1"; do [ $((t -= 1)) -gt 0 ] || return 1; sleep 0.1; done; }
# Ends the viewer as its window manager's close button does (unmodified: at once).
close_cleanly() { wm_close "$window" && until_true '! kill -0 $pid 2>/dev/null' && wait "$pid"; }
copy_files() { ls "$copies" 2>/dev/null | grep -c '^viewer-.*\.xml$'; }
wait_copies() { until_true '[ "$(copy_files)" == '"$1"' ]'; }
edits() {   # a pan, a zoom drag and a wheel notch
    xdotool mousemove $((X + 200)) $((Y + 200)) mousedown 1 mousemove $((X + 230)) $((Y + 215)) mousemove $((X + 260)) $((Y + 240)) mouseup 1
    xdotool keydown ctrl mousemove $((X + 100)) $((Y + 300)) mousedown 1 mousemove $((X + 100)) $((Y + 280)) mouseup 1 keyup ctrl
    xdotool mousemove $((X + 150)) $((Y + 120)) click 4
}

cp "$here/../../packaging/icon-scene.xml" orig.xml

# --- A viewer with unsaved edits is killed; another one running beside it
# is not offered its copy ---
start orig.xml
find_window || fail "no viewer window"
edits
check "a copy is kept within two seconds of the edits" wait_copies 1
sleep 2.5   # the last state is in the copy
area killed.png
title=$(xdotool getwindowname "$window")
first=$pid
start
if question 4; then fail "a running viewer's copy was offered"; xdotool key Escape; else pass; fi
find_window && close_cleanly && pass || fail "the second viewer did not close cleanly"
kill -9 "$first"
wait "$first" 2>/dev/null
check "the killed viewer's copy and lock stay" test "$(ls "$copies" | grep -c '^viewer-')" == 2
check "no temporary file in the folder" test -z "$(ls -A "$copies" | grep '^\.')"

# --- Recover: the same picture, unsaved, with its file; saving writes it ---
start
if question; then
    pass
    xdotool key Return
    find_window
    until_true 'area recovered.png; [ "$(differing recovered.png killed.png)" == 0 ]' && pass ||
        { cp killed.png recovered.png "$keep/"; fail "the recovered picture differs from the killed viewer's"; }
    check "the title says unsaved, as before the kill ($title)" test "$(xdotool getwindowname "$window")" == "$title"
    check "the killed viewer's title" test "$title" == "Patternlens v1.75 — orig.xml *"
    xdotool windowactivate --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers ctrl+s
    # The save names the scene's file; where Save still asks, the dialog is given it.
    if dialog_wait 3; then
        dialog_save_as "$work/orig.xml" && { dialog_confirm_overwrite || true; } && dialog_closed
    fi
    sleep 1
    "$renderer" orig.xml saved.png 2>>"$work/render.err"
    check "the saved scene renders as the killed viewer showed" test "$(differing saved.png killed.png)" == 0
    check "saving removes the copy" wait_copies 0
    check "a clean exit after saving" close_cleanly
    check "a clean exit leaves nothing in the folder" test -z "$(ls -A "$copies")"
else
    fail "the next viewer did not ask"
fi

# --- Not Now keeps every copy and asks again; Discard removes the offered
# one only; a clean exit brings no question back ---
start
find_window
edits
wait_copies 1
sleep 1.5
kill -9 "$pid"; wait "$pid" 2>/dev/null
# An older copy beside it, of a scene with a file.
older=$(ls "$copies" | grep '^viewer-.*\.xml$')
sed 's|editedAt="[^"]*"|scenePath="/tmp/older.xml" editedAt="2001-01-01T00:00:00Z"|' "$copies/$older" >"$copies/viewer-older.xml"
start
if question; then
    xdotool key alt+n
    find_window && close_cleanly
    check "Not Now keeps the copies" test "$(copy_files)" == 2
else
    fail "no question with two copies"
fi
start
if question; then
    xdotool key alt+d
    find_window && close_cleanly
    check "Discard removes the newest copy only" test "$(ls "$copies" | grep '^viewer-.*\.xml$')" == viewer-older.xml
else
    fail "Not Now did not ask again"
fi
start --no-recover
find_window && close_cleanly
check "--no-recover asks nothing and touches nothing" test "$(copy_files)" == 1
start --recover
find_window && sleep 1
check "--recover opens the copy unasked" test "$(xdotool getwindowname "$window")" == "Patternlens v1.75 — older.xml *"
kill -9 "$pid"; wait "$pid" 2>/dev/null

if [ -s "$work/viewer.err" ]; then fail "viewer wrote to stderr: $(head -c 300 "$work/viewer.err")"; else pass; fi
echo "recovery e2e: $passed passed, $failed failed"
[ "$failed" == 0 ] && echo "(no screenshots kept)" || echo "screenshots of failures in $keep"
[ "$failed" == 0 ]
