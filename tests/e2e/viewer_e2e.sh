#!/bin/bash
# The viewer as a user sees it: real mouse input on a virtual X server, and
# the drawing area compared pixel for pixel with patternlens-render of the
# composition the input should have produced.
# Usage: viewer_e2e.sh PATH/TO/patternlens PATH/TO/patternlens-render
# Needs Xvfb, xdotool, ImageMagick (import, compare, convert), tesseract,
# python3, and openbox with xprop (x11-utils) for closing the viewer through
# a window manager.
# Screenshots of a failed check are kept in $VIEWER_E2E_KEEP (default: a
# directory under /tmp, printed at the end).
set -u
. "$(dirname "$(readlink -f "$0")")/lib/require.sh"
require_tools "viewer e2e" "xvfb xdotool imagemagick tesseract-ocr python3 openbox x11-utils" Xvfb xdpyinfo xdotool import compare tesseract python3 openbox xprop xwininfo
viewer=$(readlink -f "$1")
renderer=$(readlink -f "$2")
here=$(dirname "$(readlink -f "$0")")
viewmath() { python3 "$here/lib/viewmath.py" "$@"; }
. "$here/lib/gtkdialog.sh"
. "$here/lib/xserver.sh"
. "$here/lib/windowmanager.sh"
. "$here/lib/viewer.sh"
. "$here/lib/panel.sh"
convert=$(command -v convert-im6.q16 || command -v convert)

work=$(mktemp -d)
export XDG_STATE_HOME=$work/state   # recovery copies: none left in the home, none offered to another test
keep=${VIEWER_E2E_KEEP:-/tmp/viewer_e2e.$$}
mkdir -p "$keep"
spinners=()   # busy programs of the exit check, ended by their ids
cleanup() {
    [ ${#spinners[@]} -gt 0 ] && kill "${spinners[@]}" 2>/dev/null
    viewer_stop
    wm_stop
    xserver_stop
    wait 2>/dev/null
    rm -rf "$work"
    rmdir "$keep" 2>/dev/null   # kept only when something failed
}
trap cleanup EXIT

# The file dialogs open at 1096 x 822.
xserver_start 1280x1024x24 "$work/xvfb.log" || { echo "0 passed, 1 failed"; exit 1; }
cd "$work" || exit 1

passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

# --- Screen ---

# The window sits at the origin (moved there below), so window pixels are
# screen pixels.
shot() { import -window root -crop 600x500+0+0 +repage "$1"; }
crop() { "$convert" "$1" -crop "$2" +repage "$3"; }
drawing_area() { crop "$1" 400x470+0+0 "$2"; }
info_line() { crop "$1" 400x30+0+470 "$2"; }
# The panel's controls, without the right margin where a scroll bar shows.
panel() { crop "$1" 194x330+400+0 "$2"; }
differing_pixels() { compare -metric AE "$1" "$2" null: 2>&1 | cut -d' ' -f1; }

# wait_area NAME EXPECTED.png [SECONDS]: polls until the drawing area shows
# exactly EXPECTED; on a timeout keeps the last screenshot.
wait_area() {
    local name=$1 expected=$2 tries=$(( ${3:-8} * 10 )) ae=
    while [ "$tries" -gt 0 ]; do
        shot screen.png
        drawing_area screen.png area.png
        ae=$(differing_pixels area.png "$expected")
        if [ "$ae" == "0" ]; then pass; return 0; fi
        sleep 0.1
        tries=$((tries - 1))
    done
    cp screen.png "$keep/$name-screen.png"
    cp "$expected" "$keep/$name-expected.png"
    fail "$name: the drawing area differs from the render in $ae pixels"
    return 1
}

# --- Scenes ---

noise_var() { printf '<Variable name="Cutoff" MaxValue="1.000000" MinValue="-1.000000" OverrideValue="%s"%s' "$1" "${2:-/>}"; }
squares_var() { printf '<Variable name="Width" MaxValue="5.000000" MinValue="0.001000" OverrideValue="%s" />' "$1"; }
# layer TYPE X Y ZOOM INVERSE VARIABLES...
layer() {
    printf '<Layer TypeID="%s" x="%s" y="%s" zoomx="%s" zoomy="%s" inverse="%s"><Variables>%s</Variables></Layer>' \
        "$1" "$2" "$3" "$4" "$4" "$5" "$6"
}
# render NAME LAYER-XML: the expected drawing area of a composition.
render() {
    printf '<?xml version="1.0" ?><Patternlens><Layers>%s</Layers></Patternlens>\n' "$2" >"$1.xml"
    "$renderer" "$1.xml" "$1.png" || fail "render $1"
}

# --- Input ---

# drag BUTTON FROM-X FROM-Y TO... [-- MODIFIER]: presses at FROM, moves
# through each "X,Y" of TO as one motion event, releases at the last.
drag() {
    local button=$1 x=$2 y=$3 mod=$4 path
    shift 4
    [ -n "$mod" ] && xdotool keydown "$mod"
    xdotool mousemove "$x" "$y" mousedown "$button"
    for path in "$@"; do xdotool mousemove "${path%,*}" "${path#*,}"; done
}
release() {
    xdotool mouseup "$1"
    [ -n "${2:-}" ] && xdotool keyup "$2"
    return 0
}
click() { xdotool mousemove "$1" "$2" click 1; sleep 0.1; }
# key KEYS: a shortcut typed into the viewer's window.
key() {
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key --clearmodifiers "$1"
}

# wait_title NAME EXPECTED: polls until the window's title is EXPECTED.
title() { xprop -id "$window" _NET_WM_NAME 2>/dev/null | sed -n 's/^_NET_WM_NAME(UTF8_STRING) = "\(.*\)"$/\1/p'; }
wait_title() {
    local name=$1 expected=$2 tries=50 now=
    while [ "$tries" -gt 0 ]; do
        now=$(title)
        [ "$now" == "$expected" ] && { pass; return 0; }
        sleep 0.1
        tries=$((tries - 1))
    done
    fail "$name: the title is '$now', not '$expected'"
    return 1
}

# Panel positions: lib/panel.sh.

# --- The command line: answers without a window ---

out=$(DISPLAY= "$viewer" --version 2>&1); status=$?
[ "$status" == 0 ] && [ "$out" == "Patternlens 1.75" ] && pass || fail "--version: status $status, '$out'"
out=$(DISPLAY= "$viewer" --help 2>/dev/null); status=$?
[ "$status" == 0 ] && [[ "$out" == "Usage: patternlens [--recover | --no-recover] [SCENE.xml]"* ]] && pass || fail "--help: status $status"
DISPLAY= "$viewer" --bogus >bogus.out 2>bogus.err; status=$?
[ "$status" == 2 ] && [ ! -s bogus.out ] && grep -q "unknown option '--bogus'" bogus.err && pass ||
    fail "unknown option: status $status, stderr '$(cat bogus.err)'"

# settled_panel OUT.png: the panel once two screenshots in a row agree, so
# no hover highlight is fading in or out.
settled_panel() {
    : >"$1"
    for _ in $(seq 30); do
        sleep 0.1
        shot screen.png
        panel screen.png panel-now.png
        [ "$(differing_pixels panel-now.png "$1")" == 0 ] && return 0
        mv panel-now.png "$1"
    done
    return 1
}
# wait_panel NAME REFERENCE.png same|differs [SECONDS]: polls until the panel
# is (or is no longer) REFERENCE.
wait_panel() {
    local name=$1 reference=$2 want=$3 tries=$(( ${4:-5} * 10 )) ae=
    while [ "$tries" -gt 0 ]; do
        shot screen.png
        panel screen.png panel-now.png
        ae=$(differing_pixels panel-now.png "$reference")
        [ "$want" == same ] && [ "$ae" == 0 ] && { pass; return 0; }
        [ "$want" == differs ] && [ "$ae" != 0 ] && { pass; return 0; }
        sleep 0.1
        tries=$((tries - 1))
    done
    cp screen.png "$keep/$name-screen.png"
    fail "$name"
    return 1
}
# The text of the "Value: " field, read by OCR.
read_value() {
    "$convert" "$1" -crop "$value_text_box" +repage -colorspace Gray -resize 400% value-ocr.png
    tesseract value-ocr.png - --psm 7 2>/dev/null | tr -d ' \n'
}

# --- Start-up ---

if ! viewer_start; then
    fail "no window titled 'Patternlens v1.75'"
    echo "0 passed, 1 failed"
    exit 1
fi
eval "$(xdotool getwindowgeometry --shell "$window")"
[ "$WIDTH" == 600 ] && [ "$HEIGHT" == 500 ] && pass || fail "window size ${WIDTH}x${HEIGHT}, not 600x500"

render start "$(layer 0 0.000000 0.000000 20.000000 0 "$(noise_var 0.500000)")"
wait_area start-up start.png 10
shot screen.png
info_line screen.png info-empty.png
panel screen.png panel-start.png
# The panel's right margin, where a scroll bar shows when the panel overflows.
scroll_bar_shown() {
    [ "$("$convert" "$1" -crop 5x400+595+20 +repage -colorspace Gray -format '%[fx:minima<0.7]' info:)" == 1 ]
}
# The Seed row makes the start-up panel taller than the window by a few
# pixels of the histogram: the scroll bar shows, the controls stay put.
scroll_bar_shown screen.png && pass || fail "no scroll bar at start-up, where the panel overflows"

# An idle viewer redraws nothing: a second of its CPU time stays small.
cpu() { awk '{print $14 + $15}' "/proc/$viewer_pid/stat"; }
before=$(cpu); sleep 1; after=$(cpu)
[ $((after - before)) -le 10 ] && pass || fail "idle viewer used $((after - before)) ticks of CPU in a second"

# --- Pan: a left drag; it keeps panning over the panel and a release over
# a button does not press it ---

x=0 y=0 zoom=20 cutoff=0.5
drag 1 200 200 "" 210,205 250,230
read -r x y <<<"$(viewmath pan $x $y $zoom $zoom 400 470 -10,5 -40,25)"
render pan1 "$(layer 0 "$x" "$y" $zoom 0 "$(noise_var $cutoff)")"
wait_area pan-while-held pan1.png
info_line screen.png info-pan.png
[ "$(differing_pixels info-pan.png info-empty.png)" != 0 ] && pass || fail "no info text while panning"
xdotool mousemove "${change_base[0]}" "${change_base[1]}"
release 1
read -r x y <<<"$(viewmath pan $x $y $zoom $zoom 400 470 -250,-199)"
render pan2 "$(layer 0 "$x" "$y" $zoom 0 "$(noise_var $cutoff)")"
wait_area pan-over-panel pan2.png
info_line screen.png info-after.png
[ "$(differing_pixels info-after.png info-empty.png)" == 0 ] && pass || fail "release left the info text"

# --- Undo and redo: the whole drag is one step; Ctrl+Z gives back the
# picture before it exactly, Ctrl+Shift+Z and Ctrl+Y the one after ---

key ctrl+z
wait_area undo-pan start.png
key ctrl+shift+z
wait_area redo-pan pan2.png
key ctrl+z
wait_area undo-pan-again start.png
key ctrl+y
wait_area redo-pan-ctrl-y pan2.png

# --- Zoom: a right drag, then a Ctrl+left drag ---

drag 3 100 100 "" 100,147
release 3
zoom=$(viewmath zoom $zoom 470 47)
render zoom1 "$(layer 0 "$x" "$y" "$zoom" 0 "$(noise_var $cutoff)")"
wait_area zoom-right-drag zoom1.png

drag 1 100 300 ctrl 120,280 100,206
shot screen.png
info_line screen.png info-zoom.png
release 1 ctrl
zoom=$(viewmath zoom "$zoom" 470 -20 -74)
render zoom2 "$(layer 0 "$x" "$y" "$zoom" 0 "$(noise_var $cutoff)")"
wait_area zoom-ctrl-drag zoom2.png
[ "$(differing_pixels info-zoom.png info-pan.png)" != 0 ] && pass || fail "zoom drag shows the pan text"

# --- Adjust: a Shift+left drag changes Cutoff; Shift wins over Ctrl ---

drag 1 300 300 shift+ctrl 300,310 290,330
release 1 shift+ctrl
cutoff=$(viewmath adjust $cutoff -1 1 10 20)
render adjust "$(layer 0 "$x" "$y" "$zoom" 0 "$(noise_var "$cutoff")")"
wait_area adjust-shift-drag adjust.png

# Page Up: Cutoff up by a twentieth of its range a press; quick presses are
# one undo step.
viewer_keys Page_Up Page_Up
render page-up "$(layer 0 "$x" "$y" "$zoom" 0 "$(noise_var "$(viewmath adjust "$cutoff" -1 1 10 10)")")"
wait_area page-up page-up.png
sleep 0.3; key ctrl+z
wait_area page-up-undone adjust.png

# --- The layer tree: a Squares input layer for Cutoff ---

click "${layer_types[@]}"
click "${type_item_squares[@]}"
click "${assign_input[@]}"
# The new input layer takes its parent's view and is shown by itself.
render assigned "$(layer 1 "$x" "$y" "$zoom" 0 "$(squares_var 2.000000)")"
wait_area assign-input-layer assigned.png
# Its path overflows the panel: the scroll bar shows, and the controls stay
# where they are (the clicks below find them).
scroll_bar_shown screen.png && pass || { cp screen.png "$keep/no-scroll-bar.png"; fail "no scroll bar on an overflowing panel"; }

# Panning the input layer moves it alone.
drag 1 200 200 "" 180,190
release 1
read -r sx sy <<<"$(viewmath pan "$x" "$y" "$zoom" "$zoom" 400 470 20,-10)"
squares=$(layer 1 "$sx" "$sy" "$zoom" 0 "$(squares_var 2.000000)")
render input-panned "$squares"
wait_area pan-input-layer input-panned.png

click "${go_to_parent[@]}"
render parent "$(layer 0 "$x" "$y" "$zoom" 0 "$(noise_var "$cutoff" ">")$squares</Variable>")"
wait_area go-to-parent parent.png

click "${edit_input[@]}"
wait_area edit-input-layer input-panned.png

click "${go_to_parent[@]}"
wait_area go-to-parent-again parent.png
click "${remove_input[@]}"
wait_area remove-input-layer adjust.png

# --- Seeds: typed into "Seed", then Ctrl+G; each an undo step ---

seeded() { layer 0 "$x" "$y" "$zoom" 0 "$(noise_var "$cutoff")" | sed 's/inverse="0">/inverse="0" seed="'"$1"'">/'; }
click "${seed_field[@]}"
xdotool key ctrl+a type 0012345
xdotool key Return mousemove 300 200
render seed-typed "$(seeded 12345)"
wait_area seed-typed seed-typed.png
# Ctrl+G's step is the one the first undo takes back.
key ctrl+g
sleep 0.5
key ctrl+z
wait_area undo-new-seed seed-typed.png
key ctrl+z
wait_area undo-seed adjust.png

# --- Inverse, then a new base ---

click "${inverse_box[@]}"
render inverse "$(layer 0 "$x" "$y" "$zoom" 1 "$(noise_var "$cutoff")")"
wait_area inverse inverse.png

click "${change_base[@]}"   # "Layer Types: " still shows Squares
render new-base "$(layer 1 0.000000 0.000000 20.000000 0 "$(squares_var 2.000000)")"
wait_area change-base new-base.png

click "${layer_types[@]}"
click "${type_item_circles[@]}"
click "${change_base[@]}"
render circles "$(layer 2 0.000000 0.000000 20.000000 0 \
    '<Variable name="Radius" MaxValue="10.000000" MinValue="0.001000" OverrideValue="2.000000" /><Variable name="Spacing" MaxValue="10.000000" MinValue="0.001000" OverrideValue="2.000000" />')"
wait_area change-base-circles circles.png

# --- Escape closes an open list; "Value: " is a read-out that takes no typing ---

xdotool mousemove 300 200
settled_panel panel-closed.png
click "${layer_types[@]}"
wait_panel "the list of layer types opens" panel-closed.png differs
xdotool mousemove 300 200 key Escape
wait_panel "Escape closes the list of layer types" panel-closed.png same
wait_area "Escape changes no layer" circles.png

click "${value_field[@]}"
xdotool type 0.9
xdotool key Return Escape
xdotool mousemove 300 200
wait_panel "typing into Value: leaves it showing the stored value" panel-closed.png same
wait_area "typing into Value: changes no layer" circles.png

# --- The list's last type, Warp: without inputs, its Source's grey (Page
# Up raises the Source, the first variable, by a twentieth) ---

click "${layer_types[@]}"; click "${type_item_warp[@]}"; click "${change_base[@]}"
viewer_keys Page_Up
warp_var() { printf '<Variable name="%s" MaxValue="1.000000" MinValue="0.000000" OverrideValue="%s" />' "$1" "$2"; }
render warp "$(layer 6 0.000000 0.000000 20.000000 0 "$(warp_var Source "$(viewmath adjust 0.5 0 1 5)")$(
    warp_var "Warp X" 0.500000)$(warp_var "Warp Y" 0.500000)$(warp_var Amount 0.100000)")"
wait_area change-base-warp warp.png

# --- Rows keep their heights across types: from a Noise input, "Go to
# parent" reaches its Blend base, where "Edit input layer" leads back ---

click "${layer_types[@]}"; click "${type_item_blend[@]}"; click "${change_base[@]}"
click "${layer_types[@]}"; click "${type_item_noise[@]}"; click "${assign_input[@]}"
render blend-input "$(layer 0 0.000000 0.000000 20.000000 0 "$(noise_var 0.500000)")"
wait_area blend-input blend-input.png
click "${go_to_parent[@]}"; sleep 0.3; click "${edit_input[@]}"
wait_area rows-stay-across-types blend-input.png

# --- Every type is in the list at once: a Combine base, its Mode named in
# the Value row; undone, the Blend with its Noise input is back ---

click "${layer_types[@]}"; click "${type_item_combine[@]}"; click "${change_base[@]}"
render combine "$(layer 9 0.000000 0.000000 20.000000 0 \
    '<Variable name="A" MaxValue="1.000000" MinValue="0.000000" OverrideValue="0.500000" />'\
'<Variable name="B" MaxValue="1.000000" MinValue="0.000000" OverrideValue="0.500000" />'\
'<Variable name="Mode" MaxValue="6.000000" MinValue="0.000000" OverrideValue="0.000000" />')"
wait_area change-base-combine combine.png
click "${variable_list[@]}"; click "${variable_item_third[@]}"
xdotool mousemove 300 200
sleep 0.3
shot screen.png
value=$(read_value screen.png)
python3 "$here/lib/ocrmatch.py" "0(Add)" "$value" && pass || { cp screen.png "$keep/mode-value.png"; fail "Combine's Mode reads '$value', not '0 (Add)'"; }
key ctrl+z
wait_area change-base-combine-undone blend-input.png

# --- Scene files through the file dialogs: a loaded tree shows its base
# layer, and saving it writes what the viewer shows ---

circles_tree=$(layer 2 1.500000 -2.250000 12.000000 0 \
    '<Variable name="Radius" MaxValue="10.000000" MinValue="0.001000" OverrideValue="1.500000" />'\
'<Variable name="Spacing" MaxValue="10.000000" MinValue="0.001000" OverrideValue="3.500000">'\
"$(layer 0 1.500000 -2.250000 12.000000 1 "$(noise_var 0.250000)")</Variable>")
render load "$circles_tree"
click "${load_button[@]}"
unsaved_changes_answer alt+d || fail "a load over unsaved work did not ask"
if dialog_open load.xml && dialog_closed; then
    wait_area load-from-xml load.png 10
else
    fail "load dialog"
fi
click "${save_button[@]}"
if dialog_save_as saved.xml && dialog_closed; then
    for _ in $(seq 30); do [ -s saved.xml ] && break; sleep 0.1; done
    if "$renderer" saved.xml saved.png 2>/dev/null; then
        [ "$(differing_pixels saved.png load.png)" == 0 ] && pass || fail "saved scene renders differently"
    else
        fail "no scene file saved"
    fi
    grep -q 'TypeID="0"' saved.xml && pass || fail "saved scene lacks the input layer"
else
    fail "save dialog"
fi

# --- Undoing the load gives back the composition before it with its title
# (no file yet, unsaved changes); redoing it the loaded scene, saved since
# as saved.xml. Ctrl+S then writes saved.xml without a dialog ---

if [ -s saved.xml ]; then
    wait_title title-after-save "Patternlens v1.75 — saved.xml"
    click "${undo_button[@]}"
    wait_area undo-load blend-input.png
    wait_title title-after-undo "Patternlens v1.75 *"
    click "${redo_button[@]}"
    wait_area redo-load load.png
    wait_title title-after-redo "Patternlens v1.75 — saved.xml"
    click "${inverse_box[@]}"; click "${inverse_box[@]}"
    wait_title title-after-edits "Patternlens v1.75 — saved.xml *"
    rm saved.xml; key ctrl+s
    wait_title title-after-ctrl-s "Patternlens v1.75 — saved.xml"
    [ -s saved.xml ] && [ -z "$(_dialog_find)" ] && pass || fail "Ctrl+S did not write saved.xml without a dialog"
fi

# --- The layer tree: Ctrl+L widens the window by a column beside the panel,
# the drawing area untouched; each row's preview is the render of its layer
# at 96 x 113, found in the column pixel for pixel; a click on the deepest
# row makes it current, the keys walk the rows, and "Layers" closes the
# column again ---

# window_width: polls until the window is (or is not) WIDTH wide.
window_width() {
    local want=$1 tries=50
    while [ "$tries" -gt 0 ]; do
        eval "$(xdotool getwindowgeometry --shell "$window")"
        if [ "$2" == is ] && [ "$WIDTH" == "$want" ]; then return 0; fi
        if [ "$2" == not ] && [ "$WIDTH" != "$want" ]; then return 0; fi
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
# find_preview NAME LAYER-PATH: the row of that layer, "X Y" of its preview.
find_preview() {
    "$renderer" --layer "$2" --size 96x113 load.xml "$1.png" && "$convert" "$1.png" "$1.pgm" || return 1
    for _ in $(seq 50); do
        import -window root -crop "${WIDTH}x500+0+0" +repage tree.png
        "$convert" tree.png tree.ppm
        python3 "$here/lib/findpicture.py" tree.ppm "$1.pgm" | awk '$1 >= 600' | head -n 1 | grep . && return 0
        sleep 0.1
    done
    cp tree.png "$keep/$1-screen.png"
    return 1
}
key ctrl+l
if window_width 600 not && [ "$HEIGHT" == 500 ]; then pass; else fail "Ctrl+L left the window ${WIDTH}x$HEIGHT"; fi
tree_width=$WIDTH
wait_area tree-keeps-the-drawing-area load.png
base_at=$(find_preview preview-base "") && pass || fail "no preview of the base layer in the tree"
deepest_at=$(find_preview preview-spacing Spacing) && pass || fail "no preview of the Spacing layer in the tree"
read -r bx by <<<"$base_at"
read -r dx dy <<<"$deepest_at"
# Below the base's row, indented by a level.
[ -n "$dy" ] && [ "$dy" -gt "$by" ] && [ "$dx" == $((bx + 12)) ] && pass || fail "previews at '$base_at' and '$deepest_at'"
if [ -n "$dy" ]; then
    click $((dx + 48)) $((dy + 56))
    "$renderer" --layer Spacing load.xml spacing.png
    wait_area tree-click-goes-to-the-layer spacing.png
    # The tree by keyboard, the pointer still over it: the selection starts
    # on the current row, and Return makes the selected row current.
    for walk in "Left load.png" "End spacing.png" "Up load.png" "Right spacing.png" "Home load.png" "Down spacing.png"; do
        read -r k expected <<<"$walk"
        key "$k"
        key Return
        wait_area "tree-key-$k" "$expected"
    done
fi
click "${layers_button[@]}"
window_width 600 is && pass || fail "Layers left the window $WIDTH wide, not 600"
wait_area tree-closed spacing.png

# --- The window asks for the panel beside 100 x 100 pixels at least. Narrowed,
# it keeps the drawing area at 400 while the column gives way, then closes the
# column for good; a column closed after a narrowing gives the width back ---

xprop -id "$window" WM_NORMAL_HINTS | grep -q "minimum size: 300 by 130" && pass || fail "no minimum window size"
xdotool mousemove 100 200   # over the drawing area at every width tried, never a control
settled_panel panel-before.png
key ctrl+l
window_width 600 not || fail "Ctrl+L did not open the column again"
# A column 50 narrower than it opened, then one of 100: less than its narrowest.
for size in $((tree_width - 50)):400 700:500 450:250 600:400; do   # window width: the panel's x
    viewer_resize "${size%:*}" 500; sleep 1; viewer_shot "${size%:*}" 500 screen.png
    crop screen.png "194x330+${size#*:}+0" panel-now.png   # as panel() crops
    [ "$(differing_pixels panel-now.png panel-before.png)" == 0 ] && pass ||
        { cp screen.png "$keep/narrow-${size%:*}.png"; fail "${size%:*} wide: the panel is not at x = ${size#*:}"; }
done
key ctrl+l
window_width "$tree_width" is || fail "Ctrl+L did not open the column a third time"
viewer_resize $((tree_width - 50)) 500
key ctrl+l
window_width 600 is && pass || fail "closing the narrowed column left the window $WIDTH wide, not 600"

# --- A heavy composition: a Circles layer over a chain of 999 Noise layers.
# During a Shift+drag the panel follows the pointer at once while renders
# run beside it, and the picture that stays is the render of the scene as
# saved afterwards ---

python3 "$here/lib/chainscene.py" 999 circles >heavy.xml
"$renderer" heavy.xml heavy.png || fail "render heavy"
click "${load_button[@]}"
if dialog_open heavy.xml && dialog_closed; then
    wait_area heavy-load heavy.png 60
else
    fail "load dialog for the heavy scene"
fi
# moving_picture NAME BEFORE.png X,Y...: with the left button down, moves
# through each point, one every 40 ms, in the background; the drawing area
# must change twice from BEFORE on while the moves still go on.
moving_picture() {
    local name=$1 mover changes=0 ae=
    cp "$2" seen.png
    shift 2
    ( for point in "$@"; do xdotool mousemove "${point%,*}" "${point#*,}"; sleep 0.04; done ) &
    mover=$!
    while kill -0 "$mover" 2>/dev/null; do
        shot screen.png
        kill -0 "$mover" 2>/dev/null || break   # taken after the last move
        drawing_area screen.png moving.png
        ae=$(differing_pixels moving.png seen.png)
        [ "$ae" != 0 ] && { changes=$((changes + 1)); mv moving.png seen.png; }
        [ "$changes" -ge 2 ] && break
    done
    wait "$mover"
    if [ "$changes" -ge 2 ]; then
        pass
    else
        cp screen.png "$keep/$name-screen.png"
        fail "$name: $changes new pictures while the pointer moved with the button down, not 2"
    fi
}
# settled_area OUT.png: the drawing area once unchanged for a second.
settled_area() {
    : >"$1"
    for _ in $(seq 60); do
        shot screen.png && drawing_area screen.png area-now.png
        [ "$(differing_pixels area-now.png "$1")" == 0 ] && return 0
        mv area-now.png "$1" && sleep 1
    done
}
# The tree of all 1,000 layers opens at once, and the checks below run with
# it open: only the rows in view are drawn and previewed.
key ctrl+l
window_width "$tree_width" is && pass || fail "the heavy scene's tree left the window $WIDTH wide"
# "Radius" is selected: 20 motion events of 5 pixels down add 1.0 to it.
moves=()
for i in $(seq 20); do moves+=("200,$((100 + 5 * i))"); done
drag 1 200 100 shift "${moves[@]}"
sent=$(date +%s%N)
# Screenshots first, each timed, read afterwards: reading takes a while.
for i in $(seq 8); do shot "v$i.png"; echo $(( ($(date +%s%N) - sent) / 1000000 )) >"v$i.ms"; done
for i in $(seq 8); do
    cp "v$i.png" screen.png && waited=$(cat "v$i.ms") && value=$(read_value screen.png)
    [ "$value" == 2.5 ] && break
done
release 1 shift
if [ "$value" == 2.5 ] && [ "$waited" -lt 1000 ]; then
    pass
else
    cp screen.png "$keep/heavy-drag-screen.png"
    fail "during a Shift+drag on the heavy scene Value: read '$value' after $waited ms, not 2.5 within a second"
fi
key ctrl+l
window_width 600 is && pass || fail "the heavy scene's tree did not close"
# A pan of the same scene: pictures follow the moves as they go on, and
# the pan undone gives back the picture before it.
settled_area heavy-adjusted.png
moves=()
for i in $(seq 40); do moves+=("$((300 - 3 * i)),200"); done
xdotool mousemove 300 200 mousedown 1
moving_picture heavy-pan-moving heavy-adjusted.png "${moves[@]}"
release 1
# Undone, the view is again one the scene file holds exactly (six decimals).
key ctrl+z
wait_area heavy-pan-undone heavy-adjusted.png 10
click "${save_button[@]}"
if dialog_save_as heavy-saved.xml && dialog_closed; then
    for _ in $(seq 50); do [ -s heavy-saved.xml ] && break; sleep 0.1; done
    # Twenty steps of 0.05 in single precision: 2.5 give or take the last digit.
    if grep -Eq 'name="Radius" [^>]*OverrideValue="2\.(49999[0-9]|50000[0-9])"' heavy-saved.xml; then
        pass
    else
        cp heavy-saved.xml "$keep/" 2>/dev/null
        fail "the saved heavy scene lacks Radius 2.5"
    fi
    "$renderer" heavy-saved.xml heavy-saved.png || fail "render the saved heavy scene"
    wait_area heavy-final-picture heavy-saved.png 60
else
    fail "save dialog for the heavy scene"
fi
# Back to the scene loaded before, for the checks that follow.
click "${load_button[@]}"
if dialog_open load.xml && dialog_closed; then
    wait_area reload-after-heavy load.png 60
else
    fail "load dialog for the scene after the heavy one"
fi

# --- Resizing: the strips keep their size at the right and bottom, the
# texture is stretched over the larger drawing area ---

# The pointer off the controls, and the panel settled without a hover
# highlight, before its picture is taken.
xdotool mousemove 300 200
: >panel-before.png
for _ in $(seq 30); do
    sleep 0.1
    shot screen.png
    panel screen.png panel-now.png
    [ "$(differing_pixels panel-now.png panel-before.png)" == 0 ] && break
    mv panel-now.png panel-before.png
done
xdotool windowsize --sync "$window" 700 560
moved=
for _ in $(seq 50); do
    import -window root -crop 700x560+0+0 +repage big.png
    crop big.png 194x330+500+0 panel-after.png
    [ "$(differing_pixels panel-after.png panel-before.png)" == 0 ] && { moved=1; break; }
    sleep 0.1
done
if [ -n "$moved" ]; then pass; else
    cp big.png "$keep/resized.png"; cp panel-before.png panel-after.png "$keep/"
    fail "panel not at the right edge after a resize"
fi
crop big.png 500x530+0+0 big-area.png
[ "$("$convert" big-area.png -format '%[fx:maxima>0.5]' info:)" == 1 ] && pass || fail "drawing area blank after a resize"

# --- A second viewer: a scene from the command line, resized, read out,
# exported, walked by its path and zoomed by the wheel ---

viewer_stop
# A scene that cannot be read leaves the default layer and says why.
viewer_start missing-scene.xml || fail "no window with a missing scene"
wait_area missing-scene start.png 10
shot screen.png
crop screen.png 338x16+54+477 info-missing.png
read_out=$(ocr_line info-missing.png)
# Longer than the line: its middle gives way.
python3 "$here/lib/ocrmatch.py" Couldnotloadmiss "$read_out" suchfileordirectory && pass || fail "missing scene: info reads '$read_out'"
viewer_stop
# A named pipe is refused at once rather than waited on, by the renderer
# and by the viewer, which opens with the default layer.
mkfifo pipe.xml
timeout 10 "$renderer" pipe.xml pipe.png 2>pipe.err; status=$?
[ "$status" == 1 ] && grep -q "not a regular file (a named pipe)" pipe.err && pass ||
    fail "renderer on a named pipe: status $status, '$(cat pipe.err)'"
viewer_start pipe.xml || fail "no window with a named pipe"
wait_area named-pipe start.png 10
shot screen.png
crop screen.png 338x16+54+477 info-pipe.png
read_out=$(ocr_line info-pipe.png)
python3 "$here/lib/ocrmatch.py" Couldnotloadpipe.xml "$read_out" anamedpipe\) && pass || fail "named pipe: info reads '$read_out'"
viewer_stop

scene_view() {   # scene_view X Y ZOOMX ZOOMY: the loaded tree with another view
    sed "s/x=\"1.500000\" y=\"-2.250000\" zoomx=\"12.000000\" zoomy=\"12.000000\"/x=\"$1\" y=\"$2\" zoomx=\"$3\" zoomy=\"$4\"/g" load.xml
}
viewer_start load.xml || fail "no window with a scene on the command line"
wait_area command-line-scene load.png 10

# A wheel notch keeps the layer point under the pointer where it is; in the
# start-up area both extents take the height's.
xdotool mousemove 100 100 click 4
scene_view $(viewmath wheel 1.5 -2.25 12 12 400 470 100 100 24) >wheel-small.xml
"$renderer" wheel-small.xml wheel-small.png
wait_area wheel-about-the-pointer wheel-small.png
# A window narrower than the panel and back: the picture is the one before,
# exactly. No sequence of sizes changes a view.
viewer_resize 150 300
sleep 1   # the viewer's drawing area is a pixel wide
viewer_resize 600 500
wait_area resize-and-back wheel-small.png

# 800 x 735: a drawing area of 600 x 705 at the scale of 12 units on
# 400 x 470 pixels: extents 18 x 18, the middle point (1.5, -14.25) of the
# start-up area in the middle. Undoing the notch made at the smaller size
# shows the loaded views at this size.
W=600 H=705
viewer_resize 800 735
xdotool mousemove 300 200
viewer_keys ctrl+z
scene_view 1.5 3.75 18 18 >resized-expected.xml
"$renderer" --size ${W}x$H resized-expected.xml resized-expected.png
# wait_big NAME EXPECTED.png: wait_area for the bigger drawing area.
wait_big() {
    local tries=100 ae=
    while [ "$tries" -gt 0 ]; do
        viewer_shot 800 735 big.png
        crop big.png ${W}x$H+0+0 big-area.png
        ae=$(differing_pixels big-area.png "$2")
        [ "$ae" == 0 ] && { pass; return 0; }
        sleep 0.1
        tries=$((tries - 1))
    done
    cp big.png "$keep/$1-screen.png"
    cp "$2" "$keep/$1-expected.png"
    fail "$1: the drawing area differs from the render in $ae pixels"
    return 1
}
wait_big resized-keeps-scale resized-expected.png

# Ctrl+Shift+S over the drawing area asks where to save, though the scene
# has a file; the file renders to the screen's bytes.
xdotool mousemove 300 200
viewer_keys ctrl+shift+s
if dialog_save_as resized.xml && dialog_closed; then
    for _ in $(seq 50); do [ -s resized.xml ] && break; sleep 0.1; done
    "$renderer" --size ${W}x$H resized.xml resized.png 2>/dev/null || fail "resized scene does not render"
    [ "$(differing_pixels resized.png big-area.png)" == 0 ] && pass || fail "the resized scene renders differently"
else
    fail "Ctrl+Shift+S opens no save dialog"
fi

# The readout: the layer point and the value under the pointer, texture
# pixel (300, H - 1 - 200).
xdotool mousemove 310 210 mousemove 300 200
read -r px py <<<"$(viewmath point 1.5 3.75 18 18 $W $H 300 $((H - 1 - 200)))"
value=$(printf '%.4f' "$("$convert" resized-expected.png -format '%[fx:p{300,200}]' info:)")
expected="x ${px}  y ${py}  value ${value}"
read_out=
for _ in $(seq 30); do
    viewer_shot 800 735 big.png
    crop big.png 338x16+54+$((H + 7)) readout.png
    read_out=$(ocr_line readout.png 'xyvalue0123456789.-')
    python3 "$here/lib/ocrmatch.py" "${expected// /}" "$read_out" && break
    sleep 0.2
done
python3 "$here/lib/ocrmatch.py" "${expected// /}" "$read_out" && pass ||
    { cp big.png "$keep/readout-screen.png"; fail "readout reads '$read_out', not '$expected'"; }

# Ctrl+E exports the drawing area: the renderer's bytes, 8-bit grey. Its
# dialog has a title of its own.
viewer_keys ctrl+e
if DIALOG_TITLE="Export" dialog_save_as shown && dialog_closed; then
    for _ in $(seq 100); do [ -s shown.png ] && break; sleep 0.1; done
    [ "$(identify -format '%wx%h %[bit-depth] %[channels]' shown.png 2>/dev/null)" == "${W}x$H 8 gray" ] && pass ||
        fail "export is not an 8-bit grey ${W}x$H PNG: $(identify shown.png 2>&1)"
    [ "$(differing_pixels shown.png resized.png)" == 0 ] && pass || fail "the export differs from the renderer's"
else
    fail "Ctrl+E opens no export dialog"
fi

# A bigger size through the field and the button, off the main loop.
export_button_big=($((export_button[0] + 200)) "${export_button[1]}")
export_size=($((export_size_field[0] + 200)) "${export_size_field[1]}")
click "${export_size[@]}"
xdotool type --delay 50 1200x1410
xdotool key Return
click "${export_button_big[@]}"
if DIALOG_TITLE="Export" dialog_save_as large.png && dialog_closed; then
    "$renderer" --size 1200x1410 resized.xml large-expected.png 2>/dev/null
    for _ in $(seq 200); do [ -s large.png ] && break; sleep 0.1; done
    [ "$(differing_pixels large.png large-expected.png)" == 0 ] && pass || fail "the 1200x1128 export differs from the renderer's"
else
    fail "Export opens no dialog"
fi

# Another shape: with "Keep aspect" (on at start-up) the drawing area's
# picture scaled to the width, as the renderer's --aspect keep of the scene
# saved here (which records its drawing area); switched off, stretched.
for kept in keep stretch; do
    click "${export_size[@]}" && xdotool key ctrl+a && xdotool type --delay 50 900x300 && xdotool key Return
    [ "$kept" == stretch ] && click $((keep_aspect_box[0] + 200)) "${keep_aspect_box[1]}"
    click "${export_button_big[@]}"
    DIALOG_TITLE="Export" dialog_save_as "$kept.png" && dialog_closed || fail "Export opens no dialog"
    "$renderer" --size 900x300 --aspect "$kept" resized.xml "$kept-expected.png" 2>/dev/null
    for _ in $(seq 200); do [ -s "$kept.png" ] && break; sleep 0.1; done
    [ "$(differing_pixels "$kept.png" "$kept-expected.png")" == 0 ] && pass || fail "the 900x300 export ($kept) differs"
done

# The path: down to the Noise layer on Spacing, then a click on "Circles".
variables=($((variable_list[0] + 200)) "${variable_list[1]}")
variable_item_spacing=($((variable_list[0] + 200)) $((variable_list[1] + 39)))
edit_input_big=($((edit_input[0] + 200)) "${edit_input[1]}")
path_base=($((path_first_step[0] + 200)) "${path_first_step[1]}")
click "${variables[@]}"
click "${variable_item_spacing[@]}"
click "${edit_input_big[@]}"
printf '<?xml version="1.0" ?><Patternlens><Layers><Layer TypeID="0" x="1.500000" y="3.750000" zoomx="18.000000" zoomy="18.000000" inverse="1"><Variables>%s</Variables></Layer></Layers></Patternlens>\n' \
    "$(noise_var 0.250000)" >noise.xml
"$renderer" --size ${W}x$H noise.xml noise.png || fail "render of the input layer"
wait_big edit-input-in-big-window noise.png
click "${path_base[@]}"
wait_big path-goes-to-base resized.png

# A wheel notch zooms like a zoom drag of 24 pixels, about the pointer;
# wheel up zooms in. In the resized window each extent takes the zoom's
# factor, keeping the view's shape.
xdotool mousemove 150 200 click 4
read -r wx wy wz _ <<<"$(viewmath wheel 1.5 3.75 18 18 $W $H 150 200 24)"
scene_view "$wx" "$wy" "$wz" "$wz" >wheel.xml
"$renderer" --size ${W}x$H wheel.xml wheel.png
wait_big wheel-notch wheel.png
# A right drag of 24 pixels then takes the same factor once more, about
# the middle of the view as it always has.
drag 3 300 200 "" 300,224
release 3
scene_view "$wx" "$wy" "$(viewmath zoom "$wz" $H 24)" "$(viewmath zoom "$wz" $H 24)" >wheel-drag.xml
"$renderer" --size ${W}x$H wheel-drag.xml wheel-drag.png
wait_big wheel-then-drag wheel-drag.png

# --- Seamless: a scene that says seamless="1" shows the renderer's picture;
# Ctrl+T shows it at half size as 2 x 2 tiles, pixel for pixel; the checkbox
# is an undo step like any edit ---

viewer_stop
sed 's/<Patternlens>/<Patternlens seamless="1">/' load.xml >seamless.xml
"$renderer" seamless.xml seamless.png || fail "render of the seamless scene"
"$renderer" --size 200x235 seamless.xml half.png || fail "half-size render of the seamless scene"
viewer_tiles half.png tiles.png
viewer_start seamless.xml || fail "no window with a seamless scene"
wait_area seamless-scene seamless.png 10
key ctrl+t
wait_area tile-preview tiles.png
key ctrl+t
wait_area tile-preview-off seamless.png
click "${seamless_box[@]}"
wait_area seamless-unchecked load.png
wait_title seamless-unchecked-title "Patternlens v1.75 — seamless.xml *"
key ctrl+z
wait_area seamless-undone seamless.png
wait_title seamless-undone-title "Patternlens v1.75 — seamless.xml"

# Nothing the viewer wrote to its error output.
if [ -s "$work/viewer.err" ]; then
    fail "viewer wrote to stderr: $(head -c 300 "$work/viewer.err")"
else
    pass
fi

# --- Closing through a real window manager: an unmodified viewer exits at
# once; a modified one asks first, and Cancel keeps it running with its
# work, while Save goes on to the save dialog and closes once saved ---

kill "$viewer_pid" 2>/dev/null
wait "$viewer_pid" 2>/dev/null
rm -rf "$XDG_STATE_HOME/patternlens"   # its recovery copy: no question at the next start
viewer_pid=

# start_viewer: a new viewer under the window manager; sets window, X, Y.
start_viewer() {
    "$viewer" >"$work/viewer.out" 2>>"$work/viewer-wm.err" &
    viewer_pid=$!
    window=$(wm_window '^Patternlens v1\.75$' 10) || return 1
    # Where the manager framed it, once it has: the client area's corner on
    # the screen (xdotool's geometry counts the frame differently).
    sleep 0.5
    X=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left X: *//p')
    Y=$(xwininfo -id "$window" | sed -n 's/^ *Absolute upper-left Y: *//p')
}
# exits_within SECONDS: the viewer ends by itself, with status 0.
exits_within() {
    local tries=$(( $1 * 10 )) status
    while [ "$tries" -gt 0 ]; do
        if ! kill -0 "$viewer_pid" 2>/dev/null; then
            wait "$viewer_pid"
            status=$?
            viewer_pid=
            [ "$status" == 0 ]
            return
        fi
        sleep 0.1
        tries=$((tries - 1))
    done
    return 1
}
# The question's window, made active for the keyboard.
question() {
    local q
    q=$(wm_window '^Unsaved changes$' 10) || return 1
    sleep 0.5   # GTK lays the dialog out after mapping it
    xdotool windowactivate --sync "$q" 2>/dev/null
    echo "$q"
}
area_at() { import -window root -crop "400x470+$X+$Y" +repage "$1"; }

if wm_start "$work/openbox.log"; then
    if start_viewer; then
        sleep 0.5
        wm_close "$window"
        exits_within 10 && pass || fail "an unmodified viewer did not exit on a close request"
    else
        fail "no viewer window under the window manager"
    fi

    if start_viewer; then
        xdotool mousemove $((X + 100)) $((Y + 100)) mousedown 1 mousemove $((X + 140)) $((Y + 130)) mouseup 1
        sleep 1
        area_at modified.png
        wm_close "$window"
        if q=$(question); then
            pass
            xdotool key Escape
            sleep 1
            if kill -0 "$viewer_pid" 2>/dev/null && xwininfo -id "$window" >/dev/null 2>&1; then
                pass
                area_at after-cancel.png
                [ "$(differing_pixels after-cancel.png modified.png)" == 0 ] && pass ||
                    fail "Cancel changed the picture"
            else
                fail "Cancel closed the viewer"
            fi
        else
            fail "closing a modified viewer did not ask"
        fi

        # Again, answering Save: the save dialog, then the viewer goes.
        wm_close "$window"
        if q=$(question); then
            xdotool key Return
            if dialog_save_as closed.xml && dialog_closed; then
                exits_within 10 && pass || fail "the viewer stayed open after saving"
                if "$renderer" closed.xml closed.png 2>/dev/null; then
                    ae=$(differing_pixels closed.png modified.png)
                    if [ "$ae" == 0 ]; then
                        pass
                    else
                        cp closed.png modified.png closed.xml "$keep/"
                        fail "the scene saved on closing renders differently in $ae pixels"
                    fi
                else
                    fail "no scene saved on closing"
                fi
            else
                fail "no save dialog after Save"
            fi
        else
            fail "the second close did not ask"
        fi
    fi

    # Close without Saving: the viewer goes, nothing is written.
    if start_viewer; then
        xdotool mousemove $((X + 100)) $((Y + 100)) mousedown 1 mousemove $((X + 90)) $((Y + 100)) mouseup 1
        sleep 1
        wm_close "$window"
        if q=$(question); then
            xdotool key alt+w
            exits_within 10 && pass || fail "Close without Saving did not close"
        else
            fail "the third close did not ask"
        fi
    fi
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null

    # Both cores busy: two programs spin beside the heavy scene's render and
    # its tree's previews; a close request takes the window away within half
    # a second, and the process ends by itself.
    "$viewer" heavy.xml >"$work/viewer.out" 2>>"$work/viewer-wm.err" &
    viewer_pid=$!
    window=$(wm_window '^Patternlens v1\.75 .* heavy\.xml$' 10) || { fail "no window for the heavy scene"; window=0; }
    xdotool windowactivate --sync "$window" key --clearmodifiers ctrl+l 2>/dev/null
    for _ in 1 2; do (while :; do :; done) & spinners+=($!); done
    sleep 1
    wm_close "$window"
    asked=$(date +%s%N)
    for _ in $(seq 250); do xwininfo -id "$window" >/dev/null 2>&1 || break; sleep 0.02; done
    took=$(( ($(date +%s%N) - asked) / 1000000 ))
    [ "$window" != 0 ] && [ "$took" -le 500 ] && pass || fail "with both cores busy the window went $took ms after the close request"
    exits_within 10 && pass || fail "with both cores busy the viewer did not end with status 0 within 10 s"
    kill "${spinners[@]}"
    spinners=()
    [ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null
    wm_stop
else
    fail "openbox did not start"
fi
if [ -s "$work/viewer-wm.err" ]; then
    fail "viewer under openbox wrote to stderr: $(head -c 300 "$work/viewer-wm.err")"
else
    pass
fi

echo "viewer e2e: $passed passed, $failed failed"
[ "$failed" == 0 ] && echo "(no screenshots kept)" || echo "screenshots of failures in $keep"
[ "$failed" == 0 ]
