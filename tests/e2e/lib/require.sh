# shellcheck shell=bash
# The tools an end-to-end script needs. Source it first, then
#
#   require_tools NAME "PACKAGES" TOOL...
#
# ends the script as one failed check, naming what is missing and the Debian
# packages that bring it, when any TOOL is not on the PATH.

require_tools() {
    local name=$1 packages=$2 tool missing=
    shift 2
    for tool in "$@"; do
        command -v "$tool" >/dev/null || missing="$missing $tool"
    done
    [ -z "$missing" ] && return 0
    echo "$name cannot run, missing:$missing (packages $packages)"
    echo "0 passed, 1 failed"
    exit 1
}
