# shellcheck shell=bash
# Starting the viewer for a test script and reading its window. Source it
# after xserver.sh, with $viewer set to the program; then
#
#   viewer_start [ARG...]        runs the viewer with ARGs, output in
#                                $work/viewer.out and $work/viewer.err; waits
#                                for its window and moves it to the origin, so
#                                window pixels are screen pixels. Sets
#                                viewer_pid and window; non-zero without one.
#   viewer_stop                  ends that viewer (and only that one), and
#                                removes the recovery copy it leaves, so
#                                that the next viewer asks nothing
#   viewer_shot W H FILE         the top-left W x H of the screen: the window
#   viewer_resize W H            resizes the window, waits until X has done it
#   viewer_keys KEY...           keys to the viewer's window, e.g. ctrl+s
#   viewer_tiles HALF OUT        what the tile preview (Ctrl+T) shows of the
#                                half-size picture HALF: 2 x 2 copies of it
#   ocr_line IMAGE [CHARS]       the text of a one-line crop, spaces dropped;
#                                read as black and white, and as CHARS only,
#                                when given: slashed zeros read as 6 or 8
#                                otherwise
#
# Needs xdotool, ImageMagick and, for ocr_line, tesseract.

viewer_pid=
window=

viewer_start() {
    "$viewer" "$@" >>"$work/viewer.out" 2>>"$work/viewer.err" &
    viewer_pid=$!
    window=$(timeout 10 xdotool search --sync --name '^Patternlens v1\.75' | head -n 1)
    [ -n "$window" ] || return 1
    # Without a window manager GLUT's default position leaves the border
    # off screen.
    xdotool windowmove --sync "$window" 0 0
}

viewer_stop() {
    [ -n "$viewer_pid" ] || return 0
    kill "$viewer_pid" 2>/dev/null
    wait "$viewer_pid" 2>/dev/null
    [ -n "${XDG_STATE_HOME:-}" ] && rm -rf "$XDG_STATE_HOME/patternlens"
    viewer_pid=
    window=
}

viewer_shot() { import -window root -crop "$1x$2+0+0" +repage "$3"; }

viewer_resize() { xdotool windowsize --sync "$window" "$1" "$2"; }

# Keys go where the X focus is; a dialog that has just closed leaves none.
viewer_keys() {
    xdotool windowfocus --sync "$window" 2>/dev/null
    xdotool key "$@"
}

viewer_tiles() {
    local convert
    convert=$(command -v convert-im6.q16 || command -v convert)
    "$convert" "$1" \( +clone \) +append \( +clone \) -append "$2"
}

ocr_line() {
    local convert
    convert=$(command -v convert-im6.q16 || command -v convert)
    if [ -n "${2:-}" ]; then
        "$convert" "$1" -colorspace Gray -resize 400% -threshold 60% "$1.ocr.png"
        tesseract "$1.ocr.png" - --psm 7 -c tessedit_char_whitelist="$2" 2>/dev/null | tr -d ' \n'
    else
        "$convert" "$1" -colorspace Gray -resize 400% "$1.ocr.png"
        tesseract "$1.ocr.png" - --psm 7 2>/dev/null | tr -d ' \n'
    fi
}
