# Drives the viewer's GTK file dialogs ("VEZAZE") with xdotool.
# Source it; DISPLAY must name the X server the viewer runs on.
#
#   dialog_wait [SECONDS]        wait for the dialog; sets DIALOG_WINDOW
#   dialog_save_as NAME          type NAME into the save dialog and press Return
#   dialog_open PATH             ctrl+L, type PATH into the open dialog, Return
#   dialog_accept                Return on the name already in the field
#   dialog_cancel                Escape: the dialog yields an empty path
#   dialog_confirm_wait [SECS]   wait for the overwrite question; sets CONFIRM_WINDOW
#   dialog_confirm_overwrite     answer "Replace" (Return)
#   dialog_refuse_overwrite      answer "Cancel" (Escape): back in the save dialog
#   dialog_closed [SECONDS]      wait until no dialog is on the screen
#   dialog_screenshot FILE       the whole screen as an image
#
# Each returns non-zero when the window it needs did not appear in time.
# Without a window manager the keyboard focus is set on the window itself
# before every key: XTEST keys go wherever the X focus is.

DIALOG_TITLE=${DIALOG_TITLE:-VEZAZE}
DIALOG_WINDOW=
CONFIRM_WINDOW=

# GTK builds the chooser's contents after mapping it, and its name entry
# completes asynchronously: keys sent at once may be dropped. These pauses
# were found reliable under Xvfb.
DIALOG_SETTLE=${DIALOG_SETTLE:-0.5}

_dialog_find() {
    xdotool search --onlyvisible --name "^${DIALOG_TITLE}\$" 2>/dev/null | head -n 1
}

dialog_wait() {
    local tries=$(( ${1:-10} * 10 ))
    DIALOG_WINDOW=
    while [ "$tries" -gt 0 ]; do
        DIALOG_WINDOW=$(_dialog_find)
        if [ -n "$DIALOG_WINDOW" ]; then
            sleep "$DIALOG_SETTLE"
            xdotool windowfocus --sync "$DIALOG_WINDOW" 2>/dev/null
            return 0
        fi
        sleep 0.1
        tries=$(( tries - 1 ))
    done
    return 1
}

dialog_closed() {
    local tries=$(( ${1:-10} * 10 ))
    while [ "$tries" -gt 0 ]; do
        [ -z "$(_dialog_find)" ] && return 0
        sleep 0.1
        tries=$(( tries - 1 ))
    done
    return 1
}

# Waits long enough for the entry to take a text of this length.
_dialog_type() {
    xdotool type --delay "${DIALOG_TYPE_DELAY:-10}" "$1"
    sleep "$DIALOG_SETTLE"
    [ "${#1}" -gt 200 ] && sleep 1.5
    return 0
}

_dialog_question() {
    local parent window
    parent=$(printf '0x%x' "$DIALOG_WINDOW")
    for window in $(xdotool search --onlyvisible --name '^$' 2>/dev/null); do
        if xprop -id "$window" WM_TRANSIENT_FOR 2>/dev/null | grep -q "# ${parent}\$"; then
            echo "$window"
            return 0
        fi
    done
    return 1
}

# Return takes the typed name. On a loaded machine GTK may still be busy
# with the name and drop the key: while neither the dialog has closed nor
# the overwrite question appeared, Return is pressed again. A Return that
# meets the question instead is ignored, the chooser being blocked by it.
dialog_accept() {
    local attempt tries
    for attempt in 1 2 3; do
        xdotool windowfocus --sync "$DIALOG_WINDOW" 2>/dev/null
        xdotool key Return
        tries=20
        while [ "$tries" -gt 0 ]; do
            [ -z "$(_dialog_find)" ] && return 0
            _dialog_question >/dev/null && return 0
            sleep 0.1
            tries=$(( tries - 1 ))
        done
    done
    return 1
}

# The save dialog opens with the keyboard in its (empty) name field.
dialog_save_as() {
    dialog_wait || return 1
    _dialog_type "$1"
    dialog_accept
}

# The open dialog has no name field until ctrl+L shows its location entry;
# a relative PATH resolves against the folder shown, the process's folder.
dialog_open() {
    dialog_wait || return 1
    xdotool key ctrl+l
    sleep 0.3
    _dialog_type "$1"
    dialog_accept
}

dialog_cancel() {
    [ -n "$DIALOG_WINDOW" ] || dialog_wait || return 1
    xdotool windowfocus --sync "$DIALOG_WINDOW" 2>/dev/null
    xdotool key Escape
}

# The overwrite question is an untitled dialog transient for the chooser.
dialog_confirm_wait() {
    local tries=$(( ${1:-5} * 10 ))
    CONFIRM_WINDOW=
    while [ "$tries" -gt 0 ]; do
        CONFIRM_WINDOW=$(_dialog_question)
        if [ -n "$CONFIRM_WINDOW" ]; then
            sleep 0.3
            xdotool windowfocus --sync "$CONFIRM_WINDOW" 2>/dev/null
            return 0
        fi
        sleep 0.1
        tries=$(( tries - 1 ))
    done
    return 1
}

# "Replace" is the question's default button.
dialog_confirm_overwrite() {
    dialog_confirm_wait || return 1
    xdotool key Return
}

dialog_refuse_overwrite() {
    dialog_confirm_wait || return 1
    xdotool key Escape
    sleep 0.3
    xdotool windowfocus --sync "$DIALOG_WINDOW" 2>/dev/null
    return 0
}

dialog_screenshot() {
    import -window root "$1"
}
