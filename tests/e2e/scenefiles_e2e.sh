#!/bin/bash
# Scene files as a user handles them: the viewer's "Save to XML" and "Load
# from XML" through the real GTK dialogs on a virtual X server, driven with
# xdotool. What lands on disk is read back with grep and patternlens-render;
# what the viewer shows is compared pixel for pixel with those renders, and
# the info line is read with OCR.
# Usage: scenefiles_e2e.sh PATH/TO/patternlens PATH/TO/patternlens-render
#        PATH/TO/clipboardprobe
# Needs Xvfb, xdotool, x11-utils (xprop, xwininfo, xdpyinfo), ImageMagick
# tesseract-ocr, python3 and xclip. Screenshots of a failed check are kept in
# $SCENEFILES_E2E_KEEP (default: a directory under /tmp, printed at the end).
set -u
. "$(dirname "$(readlink -f "$0")")/lib/require.sh"
require_tools "scene files e2e" "xvfb xdotool x11-utils imagemagick tesseract-ocr python3 xclip" Xvfb xdotool xprop xwininfo xdpyinfo import compare tesseract python3 xclip
viewer=$(readlink -f "$1")
renderer=$(readlink -f "$2")
probe=$(readlink -f "$3")
here=$(dirname "$(readlink -f "$0")")
. "$here/lib/gtkdialog.sh"
. "$here/lib/xserver.sh"
convert=$(command -v convert-im6.q16 || command -v convert)

# The folder the user sees. Its name is read back by OCR from the info line,
# which shows only the first 46 or so characters of a message: short, and
# digits apart from letters ("f1" reads as "fi").
folder=
for n in $$ $RANDOM$RANDOM $RANDOM$RANDOM; do
    mkdir -m 700 "/tmp/sf-$n" 2>/dev/null && { folder=/tmp/sf-$n; break; }
done
[ -n "$folder" ] || { echo "no folder for the scene files"; echo "0 passed, 1 failed"; exit 1; }
work=$(mktemp -d)   # screenshots, renders and the like
export XDG_STATE_HOME=$work/state   # recovery copies: none left in the home, none offered to another test
keep=${SCENEFILES_E2E_KEEP:-/tmp/scenefiles_e2e.$$}
mkdir -p "$keep"
viewer_pid=
cleanup() {
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
    xserver_stop
    rm -rf "$work" "$folder"
    rmdir "$keep" 2>/dev/null   # kept only when something failed
}
trap cleanup EXIT

# GTK's dialogs are 1096x822.
xserver_start 1280x1024x24 "$work/xvfb.log" || { echo "0 passed, 1 failed"; exit 1; }
cd "$folder" || exit 1

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }
check() {   # check NAME CONDITION...
    local name=$1
    shift
    if "$@"; then pass; else fail "$name"; fi
}

# --- Screen ---

# The window sits at the origin (moved there below), so window pixels are
# screen pixels.
shot() { import -window root -crop 600x500+0+0 +repage "$1"; }
crop() { "$convert" "$1" -crop "$2" +repage "$3"; }
drawing_area() { crop "$1" 400x470+0+0 "$2"; }
# Inside the info line's text field, its frame left out.
info_text() { crop "$1" 338x16+54+477 "$2"; }
differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }
# The text field is white and its text dark. Where the field is not drawn
# yet (black after a dialog closed over it), it neither has text nor is empty.
field_is() { [ "$("$convert" "$1" -colorspace Gray -format "%[fx:$2]" info:)" == 1 ]; }
has_text() { field_is "$1" 'maxima>0.9 && minima<0.5'; }
is_empty() { field_is "$1" 'minima>0.9'; }
# What the info line says, spaces dropped: the OCR reads "a.xml" as "a. xml".
read_info() {
    "$convert" "$1" -colorspace Gray -resize 400% "$work/ocr.png"
    tesseract "$work/ocr.png" - --psm 7 2>/dev/null | tr -d ' \n'
}
keep_shot() { cp "$work/screen.png" "$keep/$1-screen.png" 2>/dev/null; }

# wait_area NAME EXPECTED.png [SECONDS]: polls until the drawing area shows
# exactly EXPECTED; on a timeout keeps the last screenshot.
wait_area() {
    local name=$1 expected=$2 tries=$(( ${3:-10} * 10 )) ae=
    while [ "$tries" -gt 0 ]; do
        shot "$work/screen.png"
        drawing_area "$work/screen.png" "$work/area.png"
        ae=$(differing_pixels "$work/area.png" "$expected")
        if [ "$ae" == "0" ]; then pass; return 0; fi
        sleep 0.1
        tries=$((tries - 1))
    done
    keep_shot "$name"
    cp "$expected" "$keep/$name-expected.png"
    fail "$name: the drawing area differs from $(basename "$expected") in $ae pixels"
    return 1
}

# wait_info NAME EXPECTED-START [EXPECTED-END]: polls until the info line
# reads EXPECTED-START (spaces dropped), give or take what the OCR gets
# wrong, and ends with EXPECTED-END when given: a message too long for the
# line shows its start and its end around "...".
wait_info() {
    local name=$1 expected=${2// /} end=${3:-} tries=40 text=
    end=${end// /}
    while [ "$tries" -gt 0 ]; do
        shot "$work/screen.png"
        info_text "$work/screen.png" "$work/info.png"
        if has_text "$work/info.png"; then
            text=$(read_info "$work/info.png")
            if python3 "$here/lib/ocrmatch.py" "$expected" "$text" "$end"; then
                pass
                return 0
            fi
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    keep_shot "$name"
    fail "$name: the info line reads '$text', not '$expected...$end'"
    return 1
}

# info_changes_from IMAGE: polls until the info line differs from IMAGE (it
# is then in $work/info.png); fails after fifteen seconds (a loaded machine
# may take that long to draw).
info_changes_from() {
    local tries=150
    while [ "$tries" -gt 0 ]; do
        shot "$work/screen.png"
        info_text "$work/screen.png" "$work/info.png"
        [ "$(differing_pixels "$work/info.png" "$1")" != 0 ] && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}

# A press in the drawing area puts the pan text into the info line, and its
# release gives the line back to the last outcome. Seen on the screen, both
# prove that the viewer's main loop has run since: a command before them has
# finished, files included.
viewer_barrier() {
    shot "$work/screen.png"
    info_text "$work/screen.png" "$work/barrier-before.png"
    xdotool mousemove 200 200 mousedown 1
    info_changes_from "$work/barrier-before.png" || fail "$1: a press in the drawing area shows no pan text"
    cp "$work/info.png" "$work/barrier-drag.png"
    xdotool mouseup 1
    info_changes_from "$work/barrier-drag.png" || fail "$1: the pan text stays after the release"
}

# --- Files ---

# A listing of the folder with every file's checksum, hidden ones included:
# a save that writes nothing leaves it as it was, temporary files too.
listing() { (cd "$folder" && find . -printf '%p %y\n' | sort && find . -type f -exec md5sum {} + | sort); }
# wait_file_change FILE OLD-CHECKSUM: polls until FILE exists with other contents.
wait_file_change() {
    local tries=100
    while [ "$tries" -gt 0 ]; do
        [ -s "$1" ] && [ "$(md5sum <"$1")" != "$2" ] && return 0
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
render() { "$renderer" "$1" "$2" 2>"$work/render.err" || fail "patternlens-render $1: $(cat "$work/render.err")"; }

# --- Input ---

click() { xdotool mousemove "$1" "$2" click 1; }
. "$here/lib/panel.sh"

# A command's dialog has closed, the viewer has finished the command and
# shows EXPECTED again. Keeps the info line, unless told to empty it.
settled_after_dialog() {   # settled_after_dialog NAME EXPECTED.png [barrier]
    dialog_closed || fail "$1: the dialog does not close"
    [ "${3:-}" == barrier ] && viewer_barrier "$1"
    wait_area "$1" "$2"
}

# --- Start-up ---

"$viewer" >"$work/viewer.out" 2>"$work/viewer.err" &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --name '^Patternlens v1\.75$' | head -n 1)
if [ -z "$window" ]; then
    fail "no window titled 'Patternlens v1.75'"
    echo "0 passed, 1 failed"
    exit 1
fi
xdotool windowmove --sync "$window" 0 0
cat >"$work/start.xml" <<'EOF'
<?xml version="1.0" ?><Patternlens><Layers><Layer TypeID="0" x="0.000000" y="0.000000" zoomx="20.000000" zoomy="20.000000" inverse="0"><Variables><Variable name="Cutoff" MaxValue="1.000000" MinValue="-1.000000" OverrideValue="0.500000" /></Variables></Layer></Layers></Patternlens>
EOF
render "$work/start.xml" "$work/start.png"
wait_area start-up "$work/start.png"

# --- Save under a name without ".xml": the viewer adds it ---

click "${save_button[@]}"
check "save dialog: mine" dialog_save_as mine
settled_after_dialog save-mine "$work/start.png" barrier
wait_info saved-mine "Saved $folder/mine.xml"
check "saved as mine.xml" test -s mine.xml
check "nothing saved as mine" test ! -e mine
check "mine.xml holds the Noise layer" grep -q '<Layer TypeID="0"' mine.xml
check "mine.xml holds its Cutoff" grep -q '<Variable name="Cutoff"' mine.xml
render mine.xml "$work/mine.png"
wait_area mine-renders-as-shown "$work/mine.png"

# --- An existing name: the question, refused, then accepted ---

# Panned, so that an overwrite shows in the file.
xdotool mousemove 200 200 mousedown 1 mousemove 230 215 mousemove 260 230 mouseup 1
# The pan is done when the picture has changed and stays.
: >"$work/panned-now.png"
for _ in $(seq 50); do
    sleep 0.1
    shot "$work/screen.png"
    drawing_area "$work/screen.png" "$work/area.png"
    [ "$(differing_pixels "$work/area.png" "$work/start.png")" != 0 ] &&
        [ "$(differing_pixels "$work/area.png" "$work/panned-now.png")" == 0 ] && break
    mv "$work/area.png" "$work/panned-now.png"
done
old=$(md5sum <mine.xml)
listing >"$work/before-refuse"

click "${save_button[@]}"
if dialog_save_as mine.xml; then
    check "an existing name is questioned" dialog_refuse_overwrite
    check "refusing returns to the dialog" _dialog_viewable "$DIALOG_WINDOW"
    dialog_cancel
else
    fail "save dialog: mine.xml"
fi
settled_after_dialog refused-overwrite "$work/panned-now.png" barrier
listing >"$work/after-refuse"
check "refusing the question writes nothing" cmp -s "$work/before-refuse" "$work/after-refuse"

click "${save_button[@]}"
if dialog_save_as mine.xml; then
    check "the question again" dialog_confirm_overwrite
else
    fail "save dialog: mine.xml again"
fi
settled_after_dialog accepted-overwrite "$work/panned-now.png"
check "accepting overwrites mine.xml" wait_file_change mine.xml "$old"
render mine.xml "$work/panned.png"
wait_area overwritten-renders-as-shown "$work/panned.png"
check "no file but mine.xml" test "$(ls -A)" == mine.xml

# --- Cancelling the save dialog writes nothing ---

listing >"$work/before-cancel"
click "${save_button[@]}"
if dialog_wait; then
    _dialog_type other   # a name in the field, and still nothing written
    dialog_cancel
else
    fail "save dialog for cancelling"
fi
settled_after_dialog cancelled-save "$work/panned.png" barrier
listing >"$work/after-cancel"
check "a cancelled save writes nothing" cmp -s "$work/before-cancel" "$work/after-cancel"

# --- Loading brings the saved composition back ---

click "${change_base[@]}"   # "Layer Types: " shows Noise: the start-up layer
wait_area change-base "$work/start.png"
# Unsaved work: the load asks first, and Cancel opens no dialog.
click "${load_button[@]}"
check "a load over unsaved work asks" unsaved_changes_answer Escape
sleep 0.5; check "no open dialog after Cancel" test -z "$(_dialog_find)"
click "${load_button[@]}"
check "Discard goes on to the open dialog" unsaved_changes_answer alt+d
check "open dialog: mine.xml" dialog_open mine.xml
settled_after_dialog load-mine "$work/panned.png"
wait_info loaded-mine "Loaded $folder/mine.xml (1 layer)"

# --- A cancelled load keeps the picture ---

shot "$work/screen.png"
drawing_area "$work/screen.png" "$work/before-load-cancel.png"
click "${load_button[@]}"
if dialog_wait; then dialog_cancel; else fail "open dialog for cancelling"; fi
settled_after_dialog cancelled-load "$work/before-load-cancel.png" barrier

# --- A broken file keeps the picture and says why ---

printf '<?xml version="1.0" ?><Patternlens><Layers><Layer TypeID="1"' >broken.xml
click "${load_button[@]}"
check "open dialog: broken.xml" dialog_open broken.xml
dialog_closed || fail "broken-load: the dialog does not close"
wait_info broken-load-message "Could not load /tmp/sf" "(line 1, column 51)"
wait_area broken-load-stays "$work/panned.png"

# Plain text is no scene file, in those words; a good load after it says so
# and the error goes.
printf 'Shopping list:\nmilk, eggs\n' >notes.txt
click "${load_button[@]}"
check "open dialog: notes.txt" dialog_open notes.txt
dialog_closed || fail "text-load: the dialog does not close"
wait_info text-load-message "Could not load /tmp/sf" "not a scene file"
click "${load_button[@]}"
check "open dialog: mine.xml after a failure" dialog_open mine.xml
settled_after_dialog load-after-failure "$work/panned.png"
wait_info load-after-failure-message "Loaded $folder/mine.xml (1 layer)"
rm notes.txt

# A seed the file cannot mean reads as 0: the load goes on and says so (the
# line loses its middle, where the line number is).
sed 's/inverse="\([01]\)"/& seed="1.5"/' mine.xml >badseed.xml
click "${load_button[@]}"
check "open dialog: badseed.xml" dialog_open badseed.xml
settled_after_dialog load-bad-seed "$work/panned.png"
wait_info bad-seed-message "Loaded /tmp/sf" "number from 0 to 4294967295"
rm badseed.xml

# --- A failed save says why and leaves files alone ---

# "folder" is saved as folder.xml, which is a folder: the new file cannot
# replace it.
mkdir folder.xml
listing >"$work/before-failed-save"
click "${save_button[@]}"
check "save dialog: folder" dialog_save_as folder
dialog_closed || fail "failed-save: the dialog does not close"
wait_info failed-save-message "Could not save /tmp/sf" "Is a directory"
listing >"$work/after-failed-save"
check "a failed save leaves every file as it was" cmp -s "$work/before-failed-save" "$work/after-failed-save"

# --- The dialogs open where the last scene was saved or loaded ---

mkdir sub
click "${save_button[@]}"
check "save dialog: sub/inner" dialog_save_as sub/inner
dialog_closed || fail "save-inner: the dialog does not close"
wait_info saved-inner "Saved $folder/sub/inner.xml"
click "${save_button[@]}"
check "save dialog: again" dialog_save_as again
dialog_closed || fail "save-again: the dialog does not close"
wait_info saved-again "Saved $folder/sub/again.xml"
check "a bare name is saved in the last scene's folder" test -s sub/again.xml
check "nothing saved in the working folder" test ! -e again.xml

# --- A path into a folder that does not exist: GTK says so in its own
# message, and the viewer's error output stays empty (checked below) ---

click "${load_button[@]}"
if dialog_wait && _dialog_focus; then
    xdotool key ctrl+l
    sleep 0.3
    _dialog_type "/nonexistent-$$/dir/x.xml"
    xdotool key Return
    question=
    for _ in $(seq 50); do question=$(_dialog_question) && break; sleep 0.1; done
    check "the dialog says the folder cannot be shown" test -n "$question"
    if [ -n "$question" ]; then
        xdotool windowfocus --sync "$question" key Return
    fi
    xdotool mousemove 400 300 click 1   # on the file list
    dialog_cancel
    dialog_closed || fail "missing-folder: the dialog does not close"
else
    fail "open dialog for a missing folder"
fi

# --- A scene named on the command line: the dialogs start in its folder ---

kill "$viewer_pid" 2>/dev/null && wait "$viewer_pid" 2>/dev/null
rm -rf "$XDG_STATE_HOME/patternlens"   # its recovery copy: no question at the next start
"$viewer" sub/inner.xml >>"$work/viewer.out" 2>>"$work/viewer.err" &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --name '^Patternlens v1\.75' | head -n 1)
xdotool windowmove --sync "$window" 0 0
wait_info command-line-load "Loaded sub/inner.xml (1 layer)"
click "${save_button[@]}"
check "save dialog after a command-line scene" dialog_save_as fromcli
dialog_closed || fail "save-fromcli: the dialog does not close"
wait_info saved-fromcli "Saved $folder/sub/fromcli.xml"

# A file name beyond ASCII is drawn as it is: not as the '?' of a glyph
# the font lacks.
for name in ü '?'; do
    click "${save_button[@]}"
    check "save dialog: $name" dialog_save_as "$name"
    dialog_closed || fail "save-$name: the dialog does not close"
    viewer_barrier "save-$name"
    check "saved sub/$name.xml" test -s "sub/$name.xml"
    cp "$work/info.png" "$work/info-$name.png"
done
check "the info line draws ü" test "$(differing_pixels "$work/info-ü.png" "$work/info-?.png")" != 0

# --- Copy and paste through the CLIPBOARD selection ---
# The viewer serves the current layer as scene text and reads what other
# programs offer; xclip stands in for them.
kill "$viewer_pid" 2>/dev/null
wait "$viewer_pid" 2>/dev/null
python3 "$here/lib/chainscene.py" 2 circles >clip.xml
"$renderer" clip.xml "$work/clip.png" >/dev/null
"$viewer" clip.xml >>"$work/viewer.out" 2>>"$work/viewer.err" &
viewer_pid=$!
window=$(timeout 10 xdotool search --sync --name '^Patternlens v1\.75' | head -n 1)
xdotool windowmove --sync "$window" 0 0
wait_area clip-loaded "$work/clip.png"
viewer_keys() { xdotool windowfocus --sync "$window" 2>/dev/null; xdotool key "$@"; }
viewer_keys ctrl+c
wait_info copied "Copied Circles (3 layers) as scene text"
xclip -o -selection clipboard >"$work/copied.xml"
"$renderer" "$work/copied.xml" "$work/copied.png" >/dev/null
check "the copied text renders as the scene" test "$(differing_pixels "$work/copied.png" "$work/clip.png")" == 0
check "TARGETS lists UTF8_STRING and STRING" test "$(xclip -o -selection clipboard -t TARGETS | grep -cx 'UTF8_STRING\|STRING')" == 2
check "STRING gives the same text" cmp -s <(xclip -o -selection clipboard -t STRING) "$work/copied.xml"
# The panel's text fields share the clipboard.
click 200 485   # into the info line
viewer_keys ctrl+a ctrl+c
check "a text field copies to the clipboard" test "$(xclip -o -selection clipboard)" == "Copied Circles (3 layers) as scene text"
click 200 200   # out of it again

# Junk changes nothing and says why in the reader's words.
printf 'no scene here' | xclip -i -selection clipboard -l 1
viewer_keys ctrl+v
wait_info paste-junk "Could not paste: not a scene file"
wait_area paste-junk-unchanged "$work/clip.png"

# A large scene comes in pieces (INCR) as the whole composition, goes back
# out in pieces, and the paste is one undo step.
python3 "$here/lib/chainscene.py" 150 >big.xml
"$renderer" big.xml "$work/big.png" >/dev/null
xclip -i -selection clipboard -l 1 big.xml
viewer_keys ctrl+shift+v
wait_area paste-composition "$work/big.png" 30
viewer_keys ctrl+c
wait_info copied-big "Copied Noise (150 layers) as scene text"
xclip -o -selection clipboard >"$work/big-copied.xml"
check "a large copy is served whole (INCR)" test "$(stat -c %s "$work/big-copied.xml")" -gt 262144
"$renderer" "$work/big-copied.xml" "$work/big-copied.png" >/dev/null
check "the large copy renders as the scene" test "$(differing_pixels "$work/big-copied.png" "$work/big.png")" == 0
viewer_keys ctrl+z
wait_area paste-undone "$work/clip.png" 30

# --- Examples: a column in the tree's place; a click opens one, untitled ---
first=$("$viewer" --list-examples | head -n 1)
check "--list-examples lists the tree's examples" test "$first" == "$(readlink -f "$here/../../examples")/bubbles.xml"
"$renderer" "$first" "$work/example.png" >/dev/null
click "${examples_button[@]}"   # below "Layers": the window widens by the column
for _ in $(seq 50); do xdotool getwindowgeometry "$window" | grep -q 'Geometry: 600x' || break; sleep 0.1; done
click 654 64    # its first row
wait_area example-opened "$work/example.png" 20
for _ in $(seq 20); do [ "$(xdotool getwindowname "$window")" == "Patternlens v1.75" ] && break; sleep 0.1; done
check "an opened example is untitled" test "$(xdotool getwindowname "$window")" == "Patternlens v1.75"

# --- The clipboard's other programs: an owner that never answers, and a
# clipboard manager that keeps the text once the viewer has gone ---
exec {hold}< <("$probe" hold 5)
read -r -t 5 ready <&"$hold"
check "the probe holds the clipboard" test "$ready" == ready
viewer_keys ctrl+v
wait_info paste-timeout "Could not paste: the clipboar" "within 3 seconds"
exec {hold}<&-
viewer_keys ctrl+z   # the example's step: the scene is unmodified again
wait_area example-undone "$work/clip.png" 20
viewer_keys ctrl+c
wait_info copied-again "Copied Circles (3 layers) as scene text"
xclip -o -selection clipboard >"$work/before-exit.xml"
"$probe" manager "$window" "$work/kept.xml" >/dev/null
check "a clipboard manager is handed the text at the end (SAVE_TARGETS)" cmp -s "$work/kept.xml" "$work/before-exit.xml"
for _ in $(seq 50); do kill -0 "$viewer_pid" 2>/dev/null || break; sleep 0.1; done
check "the viewer has closed" test -z "$(kill -0 "$viewer_pid" 2>/dev/null && echo running)"

# Nothing the viewer wrote to its error output.
if [ -s "$work/viewer.err" ]; then
    fail "viewer wrote to stderr: $(head -c 300 "$work/viewer.err")"
else
    pass
fi

[ "$failed" == 0 ] || echo "screenshots of failures in $keep"
echo "$passed passed, $failed failed"
[ "$failed" == 0 ]
