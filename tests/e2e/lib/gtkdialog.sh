# shellcheck shell=bash
# Drives the viewer's GTK file dialogs ("VEZAZE") with xdotool.
# Source it; DISPLAY must name the X server the viewer runs on.
#
#   dialog_wait [SECONDS]        wait for a new dialog; sets DIALOG_WINDOW
#   dialog_save_as NAME          type NAME into the save dialog and press Return
#   dialog_open PATH             ctrl+L, type PATH into the open dialog, Return
#   dialog_accept                Return on the name already in the field
#   dialog_cancel                Escape: the dialog yields an empty path
#   dialog_confirm_wait [SECS]   wait for the overwrite question; sets CONFIRM_WINDOW
#   dialog_confirm_overwrite     answer "Replace" (Return)
#   dialog_refuse_overwrite      answer "Cancel" (Escape): back in the save dialog
#   dialog_closed [SECONDS]      wait until the dialog of DIALOG_WINDOW has gone
#   unsaved_changes_answer KEY   answer the viewer's unsaved-changes question
#                                (alt+d discard, Return save, Escape cancel)
#   dialog_screenshot FILE       the whole screen as an image
#
# Each returns non-zero when the window it needs did not appear in time.
# Without a window manager the keyboard focus is set on the window itself
# before every key: XTEST keys go wherever the X focus is.
#
# Dialogs are told apart by their window, not by their title: a program may
# open the next dialog the moment the last one closes, under the same title,
# and a key meant for the old one must never reach the new one. (Window ids
# are not unique over time: the X server hands a closed client's ids out
# again, so a later program's dialog may have the same id.)
# Needs xdotool, xprop and xwininfo (x11-utils).

DIALOG_TITLE=${DIALOG_TITLE:-VEZAZE}
DIALOG_WINDOW=
CONFIRM_WINDOW=

# GTK builds the chooser's contents after mapping it, and its name entry
# completes asynchronously: keys sent at once may be dropped. These pauses
# were found reliable under Xvfb.
DIALOG_SETTLE=${DIALOG_SETTLE:-0.5}

_dialog_viewable() {
    xwininfo -id "$1" 2>/dev/null | grep -q 'Map State: IsViewable'
}

_dialog_find() {
    xdotool search --onlyvisible --name "^${DIALOG_TITLE}\$" 2>/dev/null | head -n 1
}

# Focus on the dialog, or failure when it has gone: then no key may be sent,
# it would land in whatever window has the focus next.
_dialog_focus() {
    [ -n "$DIALOG_WINDOW" ] && _dialog_viewable "$DIALOG_WINDOW" &&
        xdotool windowfocus --sync "$DIALOG_WINDOW" 2>/dev/null
}

dialog_wait() {
    local tries=$(( ${1:-10} * 10 ))
    DIALOG_WINDOW=
    while [ "$tries" -gt 0 ]; do
        DIALOG_WINDOW=$(_dialog_find)
        if [ -n "$DIALOG_WINDOW" ]; then
            sleep "$DIALOG_SETTLE"
            _dialog_focus
            return 0
        fi
        sleep 0.1
        tries=$(( tries - 1 ))
    done
    return 1
}

# Waits for DIALOG_WINDOW to go (or, without one, for every dialog).
dialog_closed() {
    local tries=$(( ${1:-10} * 10 ))
    while [ "$tries" -gt 0 ]; do
        if [ -n "$DIALOG_WINDOW" ]; then
            _dialog_viewable "$DIALOG_WINDOW" || return 0
        else
            [ -z "$(_dialog_find)" ] && return 0
        fi
        sleep 0.1
        tries=$(( tries - 1 ))
    done
    return 1
}

# Waits long enough for the entry to take a text of this length.
_dialog_type() {
    _dialog_focus || return 1
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

# Return takes the typed name. GTK answers it asynchronously (it first looks
# the name up), which on a loaded machine takes seconds; while the dialog
# still shows and no overwrite question has appeared, Return is pressed
# again, but only into this very dialog.
dialog_accept() {
    local attempt tries
    for attempt in 1 2 3; do
        _dialog_focus || break
        xdotool key Return
        tries=40
        while [ "$tries" -gt 0 ]; do
            _dialog_viewable "$DIALOG_WINDOW" || break 2
            _dialog_question >/dev/null && return 0
            sleep 0.1
            tries=$(( tries - 1 ))
        done
    done
    ! _dialog_viewable "$DIALOG_WINDOW"
}

# The save dialog opens with the keyboard in its name field, which holds the
# scene's own name once it has one: the typed name replaces it whole.
dialog_save_as() {
    dialog_wait || return 1
    _dialog_focus || return 1
    xdotool key ctrl+a
    _dialog_type "$1" || return 1
    dialog_accept
}

# The open dialog has no name field until ctrl+L shows its location entry;
# a relative PATH resolves against the folder shown, the process's folder.
# Keys reach GTK in order, so the path is in the entry before the Return; a
# stray Return, though, opens whatever file the list has selected.
dialog_open() {
    dialog_wait || return 1
    _dialog_focus || return 1
    xdotool key ctrl+l
    sleep 0.3
    _dialog_type "$1" || return 1
    dialog_accept
}

# A dialog still busy drawing itself on a loaded machine may drop the key:
# it is sent again while the dialog stays open.
dialog_cancel() {
    [ -n "$DIALOG_WINDOW" ] || dialog_wait || return 1
    _dialog_focus || return 1
    local attempt
    for attempt in 1 2 3; do
        xdotool key Escape
        dialog_closed 3 && return 0
        _dialog_focus || return 0
    done
    return 1
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

_confirm_focus() {
    _dialog_viewable "$CONFIRM_WINDOW" && xdotool windowfocus --sync "$CONFIRM_WINDOW" 2>/dev/null
}

# "Replace" is the question's default button.
dialog_confirm_overwrite() {
    dialog_confirm_wait || return 1
    _confirm_focus || return 1
    xdotool key Return
}

dialog_refuse_overwrite() {
    dialog_confirm_wait || return 1
    _confirm_focus || return 1
    xdotool key Escape
    sleep 0.3
    _dialog_focus
    return 0
}

unsaved_changes_answer() {
    DIALOG_TITLE="Unsaved changes" dialog_wait || return 1
    xdotool key "$1"
}

dialog_screenshot() {
    import -window root "$1"
}
