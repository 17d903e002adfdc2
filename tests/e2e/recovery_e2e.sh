#!/bin/bash
# Recovery copies as a user meets them, under a real window manager: edits
# (drags, a wheel zoom), then SIGKILL; the next viewer asks, and Recover
# brings back exactly the picture the killed one showed, unsaved, with its
# file; saving writes that file and the copy goes. Not Now keeps the copies,
# Discard removes the one offered, a clean exit leaves nothing, a viewer
# running beside another is never offered its copy, an unreadable copy is
# moved aside, and a folder that cannot be written is told once.
# Usage: recovery_e2e.sh PATH/TO/patternlens PATH/TO/patternlens-render
# Needs Xvfb, openbox, xdotool, x11-utils, ImageMagick and tesseract-ocr.
set -u
here=$(dirname "$(readlink -f "$0")")
. "$here/lib/require.sh"
require_tools "recovery e2e" "xvfb openbox xdotool x11-utils imagemagick tesseract-ocr" Xvfb openbox xdotool xprop xwininfo xdpyinfo import compare tesseract
viewer=$(readlink -f "$1")
renderer=$(readlink -f "$2")
. "$here/lib/xserver.sh"
. "$here/lib/windowmanager.sh"
. "$here/lib/gtkdialog.sh"
convert=$(command -v convert-im6.q16 || command -v convert)

work=$(mktemp -d)
keep=${RECOVERY_E2E_KEEP:-/tmp/recovery_e2e.$$}
mkdir -p "$keep"
# The test's own state folder: no copy of the user's is offered, none is left.
export XDG_STATE_HOME=$work/state
copies=$XDG_STATE_HOME/patternlens/recovery
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill -9 "$pid" 2>/dev/null; done
    wm_stop
    xserver_stop
    rm -rf "$work"
    rmdir "$keep" 2>/dev/null
}
trap cleanup EXIT
xserver_start 1280x1024x24 "$work/xvfb.log" || { echo "0 passed, 1 failed"; exit 1; }
wm_start "$work/openbox.log" || { echo "openbox did not start"; echo "0 passed, 1 failed"; exit 1; }
cd "$work" || exit 1

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() { local name=$1; shift; if "$@"; then pass; else fail "$name"; fi; }

# start ARG...: a new viewer; sets pid, window and the client area's X, Y.
start() {
    "$viewer" "$@" >>"$work/viewer.out" 2>>"$work/viewer.err" &
    pid=$!
    pids+=("$pid")
}
find_window() {   # the window of the viewer last started
    local tries=100
    window=
    while [ -z "$window" ] && [ "$tries" -gt 0 ]; do
        window=$(xdotool search --all --onlyvisible --pid "$pid" --name '^Patternlens v1\.75' 2>/dev/null | head -n 1)
        [ -n "$window" ] || sleep 0.1
        tries=$((tries - 1))
    done
    [ -n "$window" ] || return 1
    sleep 0.5
    X=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left X: *//p')
    Y=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left Y: *//p')
}
area() { import -window root -crop "400x470+$X+$Y" +repage "$1"; }
# What the info line says, spaces dropped, lower case.
info_text() {
    import -window root -crop "338x16+$((X + 54))+$((Y + 477))" +repage info.png
    "$convert" info.png -colorspace Gray -resize 400% info-big.png
    tesseract info-big.png - --psm 7 2>/dev/null | tr -d ' \n' | tr 'A-Z' 'a-z'
}
differing() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
# The start-up question, made active for the keyboard; none within SECONDS: fails.
question() {
    local q
    q=$(wm_window '^Recover unsaved work$' "${1:-10}") || return 1
    sleep 0.5
    xdotool windowactivate --sync "$q" 2>/dev/null
}
# Ends the viewer as its window manager's close button does (unmodified: at once).
close_cleanly() {
    wm_close "$window"
    local tries=100
    while [ "$tries" -gt 0 ]; do kill -0 "$pid" 2>/dev/null || { wait "$pid"; return; }; sleep 0.1; tries=$((tries - 1)); done
    return 1
}
copy_files() { ls "$copies" 2>/dev/null | grep -c '^viewer-.*\.xml$'; }
wait_copies() {   # wait_copies N: until N copies are in the folder
    local tries=60
    while [ "$tries" -gt 0 ]; do [ "$(copy_files)" == "$1" ] && return 0; sleep 0.1; tries=$((tries - 1)); done
    return 1
}
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
    tries=50
    while [ "$tries" -gt 0 ]; do area recovered.png; [ "$(differing recovered.png killed.png)" == 0 ] && break; sleep 0.1; tries=$((tries - 1)); done
    [ "$tries" -gt 0 ] && pass || { cp killed.png recovered.png "$keep/"; fail "the recovered picture differs from the killed viewer's"; }
    check "the title says unsaved, as before the kill ($title)" test "$(xdotool getwindowname "$window")" == "$title"
    case $title in *"orig.xml *") pass ;; *) fail "title '$title'" ;; esac
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
# An older copy beside it.
older=$(ls "$copies" | grep '^viewer-.*\.xml$')
sed 's/editedAt="[^"]*"/editedAt="2001-01-01T00:00:00Z"/' "$copies/$older" >"$copies/viewer-older.xml"
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
find_window
sleep 1
text=$(info_text)
case $text in *covereduntitled*) pass ;; *) fail "--recover: the info line reads '$text'" ;; esac
kill -9 "$pid"; wait "$pid" 2>/dev/null

# --- An unreadable copy is moved aside and never offered ---
rm -f "$copies"/*
printf '<?xml version="1.0" ?>\n<Patternlens><Layers><Layer TypeID="2" x=' >"$copies/viewer-cut.xml"
start
question 4 && { fail "an unreadable copy was offered"; xdotool key Escape; }
find_window && close_cleanly
check "the unreadable copy is moved aside" test "$(ls "$copies")" == viewer-cut.xml.unreadable

# --- A folder that cannot be written: the viewer works on and says why once ---
touch "$work/notafolder"
XDG_STATE_HOME=$work/notafolder start
find_window
edits
sleep 2.5
text=$(info_text)
case $text in *recoverycopyisnotkept*) pass ;; *) cp info.png "$keep/"; fail "the info line reads '$text'" ;; esac
area before.png
xdotool mousemove $((X + 200)) $((Y + 200)) mousedown 1 mousemove $((X + 240)) $((Y + 200)) mouseup 1
sleep 1
area after.png
check "the viewer works on" test "$(differing before.png after.png)" != 0
kill -9 "$pid"; wait "$pid" 2>/dev/null

if [ -s "$work/viewer.err" ]; then fail "viewer wrote to stderr: $(head -c 300 "$work/viewer.err")"; else pass; fi
echo "recovery e2e: $passed passed, $failed failed"
[ "$failed" == 0 ] && echo "(no screenshots kept)" || echo "screenshots of failures in $keep"
[ "$failed" == 0 ]
