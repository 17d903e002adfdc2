#!/bin/bash
# scripts/render-tiles.sh over real ssh logins. An sshd of the test's own,
# on a free port of this machine with keys made for the test in a temporary
# folder, serves two logins (127.0.0.1 and localhost); the tiles rendered
# through them and joined are the single render, byte for byte. What a
# machine lacks is named before anything renders.
# Usage: rendertiles_ssh_e2e.sh PATH/TO/patternlens-render
set -u
here=$(dirname "$(readlink -f "$0")")
. "$here/../e2e/lib/require.sh"
require_tools "render-tiles over ssh" "openssh-server openssh-client rsync parallel libvips-tools python3" \
    /usr/sbin/sshd ssh ssh-keygen rsync parallel vips python3
renderer=$(readlink -f "$1")
tiles=$here/../../scripts/render-tiles.sh
scene=$here/../../docs/example-scene.xml
work=$(mktemp -d)
sshd_pid=
cleanup() {
    [ -n "$sshd_pid" ] && kill "$sshd_pid" 2>/dev/null && wait "$sshd_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

ssh-keygen -q -t ed25519 -N '' -f "$work/host_key"
ssh-keygen -q -t ed25519 -N '' -f "$work/user_key"
cp "$work/user_key.pub" "$work/authorized_keys"
[ "$(id -u)" != 0 ] || mkdir -p /run/sshd   # where a root sshd drops its privileges
# A port the kernel hands out is free; another program may take it before
# sshd does, so a few are tried.
for _ in 1 2 3 4 5; do
    port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
    /usr/sbin/sshd -D -e -f /dev/null -p "$port" -h "$work/host_key" -o ListenAddress=127.0.0.1 \
        -o AuthorizedKeysFile="$work/authorized_keys" -o StrictModes=no -o PasswordAuthentication=no \
        -o KbdInteractiveAuthentication=no -o PermitRootLogin=prohibit-password -o PidFile=none \
        2>>"$work/sshd.log" &
    sshd_pid=$!
    cat >"$work/ssh_config" <<EOF
Host 127.0.0.1 localhost
    Port $port
    AddressFamily inet
    IdentityFile $work/user_key
    IdentitiesOnly yes
    UserKnownHostsFile $work/known_hosts
    StrictHostKeyChecking no
    BatchMode yes
    LogLevel ERROR
EOF
    for _ in $(seq 50); do
        ssh -F "$work/ssh_config" localhost true 2>/dev/null && break 2
        kill -0 "$sshd_pid" 2>/dev/null || break
        sleep 0.1
    done
    kill "$sshd_pid" 2>/dev/null
    wait "$sshd_pid" 2>/dev/null
    sshd_pid=
done
if [ -z "$sshd_pid" ]; then
    echo "no sshd answered: $(tail -n 3 "$work/sshd.log")"
    echo "0 passed, 1 failed"
    exit 1
fi

# GNU parallel runs ssh, and rsync through it, with this command.
export PARALLEL_SSH="ssh -F $work/ssh_config"
export PATTERNLENS_REMOTE_RENDER=$renderer
printf '%s\n' 127.0.0.1 localhost >"$work/machines"
cd "$work" || exit 1
render_tiles() { bash "$tiles" --size 203x151 --tile 64x48 --sshloginfile machines "$scene" "$@"; }

"$renderer" --size 203x151 "$scene" single.pgm || fail "single render"
render_tiles joined.pgm 2>tiles.err && cmp -s joined.pgm single.pgm && pass ||
    fail "tiles over two ssh logins differ from the single render: $(tail -n 3 tiles.err)"

# What a machine misses is named up front: exit 2, nothing rendered.
mkdir bin && ln -s /usr/bin/* bin/ && rm bin/rsync
PATH=$work/bin render_tiles none.pgm 2>err.txt; status=$?
[ "$status" == 2 ] && grep -q "rsync is missing here" err.txt && [ ! -e none.pgm ] && pass ||
    fail "without rsync: status $status, '$(cat err.txt)'"
PATTERNLENS_REMOTE_RENDER=/nowhere/patternlens-render render_tiles none.pgm 2>err.txt; status=$?
[ "$status" == 2 ] && [ "$(grep -c 'misses /nowhere/patternlens-render' err.txt)" == 2 ] && [ ! -e none.pgm ] && pass ||
    fail "without a renderer there: status $status, '$(cat err.txt)'"

echo "render-tiles over ssh: $passed passed, $failed failed"
[ "$failed" == 0 ]
