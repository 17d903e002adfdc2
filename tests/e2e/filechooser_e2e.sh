#!/bin/bash
# The viewer's GTK file dialogs on a virtual X server, driven by keystrokes.
# Usage: filechooser_e2e.sh PATH/TO/filechooser_demo
# Needs Xvfb, xdotool, xprop, xwininfo and xdpyinfo (x11-utils).
set -u
demo=$(readlink -f "$1")
here=$(dirname "$(readlink -f "$0")")
. "$here/lib/gtkdialog.sh"
. "$here/lib/xserver.sh"

work=$(mktemp -d)
trap 'xserver_stop; rm -rf "$work"' EXIT

# The chooser opens larger than 1024x768, so the screen is roomier.
xserver_start 1280x1024x24 "$work/xvfb.log" || { echo "0 passed, 1 failed"; exit 1; }
cd "$work" || exit 1

passed=0 failed=0
check() {   # check NAME EXPECTED ACTUAL
    if [ "$2" == "$3" ]; then
        passed=$((passed + 1))
    else
        failed=$((failed + 1))
        echo "FAIL $1: expected '$2', got '$3'"
        sed 's/^/    demo: /' "$work/out" "$work/err"
    fi
}

# Runs the demo in the background; its output goes to $work/out.
start_demo() {
    : >"$work/out"
    "$demo" "$@" >"$work/out" 2>"$work/err" &
    demo_pid=$!
}
finish_demo() {
    for _ in $(seq 100); do kill -0 "$demo_pid" 2>/dev/null || break; sleep 0.1; done
    if kill -0 "$demo_pid" 2>/dev/null; then
        echo "demo still running; killing it"
        kill "$demo_pid"
    fi
    wait "$demo_pid"
    demo_status=$?
}
result() { sed -n "s/^$1: //p" "$work/out"; }
value() { sed -n "s/^$1=//p" "$work/out"; }

echo old >exist.xml
echo readme >README
mkdir -p sub && echo deep >sub/deep.xml

# How both dialogs are set up, read from the live dialogs.
start_demo --inspect save open
finish_demo
window=$(sed -n 's/^window //p' "$work/out")
check "inspect exit" 0 "$demo_status"
check "titles" "VEZAZE VEZAZE" "$(value title | xargs)"
check "filters" "XML Files (*.xml);All Files" "$(value filters | sort -u)"
check "filter in effect" "XML Files (*.xml)" "$(value current-filter | sort -u)"
check "xml filter: scene.xml notes.txt README" 100 "$(value xml-matches | sort -u)"
check "all filter: scene.xml notes.txt README" 111 "$(value all-matches | sort -u)"
check "save name starts empty" "" "$(value current-name)"
check "save asks before overwriting" 1 "$(value overwrite-confirmation | head -n 1)"
check "modal" "1" "$(value modal | sort -u)"
check "owned by the viewer window" "$window $window" "$(value transient-for | xargs)"
check "GTK leaves the number format alone" "C" "$(value numeric-locale | sort -u)"
check "no warnings" "" "$(cat "$work/err")"

# Save under a new name: no question, the name as typed.
start_demo save
dialog_save_as scene
finish_demo
check "save new name" "$work/scene" "$(result save)"

# The question concerns the name as typed: exist.xml is there, exist is not.
start_demo save
dialog_save_as exist
dialog_confirm_wait 1 && check "no question for exist" none asked
finish_demo
check "save exist" "$work/exist" "$(result save)"

# An existing name asks first; refusing goes back to the dialog.
start_demo save
dialog_save_as exist.xml
dialog_refuse_overwrite || check "question after refusal" shown missing
check "dialog stays after refusal" "" "$(result save)"
dialog_accept
dialog_confirm_overwrite || check "question shown" shown missing
finish_demo
check "save over exist.xml" "$work/exist.xml" "$(result save)"
check "file untouched by the dialog" old "$(cat exist.xml)"

# Escape cancels either dialog.
start_demo save open
dialog_wait && dialog_cancel
dialog_closed
DIALOG_WINDOW=
dialog_wait && dialog_cancel
finish_demo
check "save cancelled" "save: " "$(grep '^save:' "$work/out")"
check "open cancelled" "open: " "$(grep '^open:' "$work/out")"

# Open by a typed relative path, and a file the XML filter hides. The second
# dialog opens where the first file was, so its relative path starts there.
echo "sub's readme" >sub/README
start_demo open open
dialog_open sub/deep.xml
dialog_closed
dialog_open README
finish_demo
check "open typed path, then in its folder" "$work/sub/deep.xml $work/sub/README" "$(result open | xargs)"
rm sub/README

# A path past 1023 characters is not handed on.
long=$work
while [ $(( ${#long} + 121 )) -lt 950 ]; do long=$long/$(printf 'd%.0s' $(seq 120)); done
mkdir -p "$long"
fits=$long/$(printf 'f%.0s' $(seq $((1023 - ${#long} - 5)))).xml
echo fits >"$fits"
echo long >"${fits%.xml}x.xml"
start_demo open open
DIALOG_TYPE_DELAY=2 dialog_open "$fits"
dialog_closed
DIALOG_TYPE_DELAY=2 dialog_open "${fits%.xml}x.xml"
finish_demo
check "1023 characters pass" "$fits" "$(result open | head -n 1)"
check "1024 characters count as cancel" "open: " "$(grep '^open:' "$work/out" | tail -n 1)"

# Without an owner from the viewer, the focused window owns the dialogs.
start_demo --no-owner --delay 1500 owner
for _ in $(seq 50); do [ -s "$work/out" ] && break; sleep 0.1; done
xdotool windowfocus --sync "$(sed -n 's/^window 0x//p' "$work/out" | xargs -I{} printf '%d' 0x{})"
finish_demo
check "focused window as owner" "$(sed -n 's/^window //p' "$work/out")" "$(result owner)"

# The viewer may hand over a subwindow's id; its top-level window owns.
start_demo --subwindow --inspect owner save
finish_demo
check "subwindow is not the window" 1 "$([ -n "$(sed -n 's/^subwindow //p' "$work/out")" ] && \
    [ "$(sed -n 's/^subwindow //p' "$work/out")" != "$(sed -n 's/^window //p' "$work/out")" ] && echo 1)"
check "subwindow leads to its window" "$(sed -n 's/^window //p' "$work/out")" "$(result owner)"
check "dialog owned by the window" "$(sed -n 's/^window //p' "$work/out")" "$(value transient-for)"

# A stale owner id: the dialog still opens, just without an owner.
start_demo --owner 0x7fffff0 --inspect save
finish_demo
check "stale owner exit" 0 "$demo_status"
check "stale owner ignored" "0x0" "$(value transient-for)"

# No display at all: every dialog yields nothing, and nothing fails.
env -u DISPLAY "$demo" --no-window save open owner >"$work/out" 2>"$work/err"
check "no display exit" 0 "$?"
check "no display results" "save: |open: |owner: 0x0|" "$(tr '\n' '|' <"$work/out")"

echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
