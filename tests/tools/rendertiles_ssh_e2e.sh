#!/bin/bash
# scripts/render-tiles.sh over real ssh: an sshd of the test's own, on a free
# port with keys made in a temporary folder, serves the logins 127.0.0.1 and
# localhost; the joined tiles are the single render, byte for byte, and what
# a machine lacks is named before anything renders.
# Usage: rendertiles_ssh_e2e.sh PATH/TO/patternlens-render
set -u
here=$(dirname "$(readlink -f "$0")")
. "$here/../e2e/lib/require.sh"
require_tools "render-tiles over ssh" "openssh-server openssh-client rsync parallel libvips-tools python3" \
    /usr/sbin/sshd ssh ssh-keygen rsync parallel vips python3
renderer=$(readlink -f "$1")
scene=$here/../../docs/example-scene.xml
work=$(mktemp -d) sshd_pid=
trap 'kill $sshd_pid 2>/dev/null; wait 2>/dev/null; rm -rf "$work"' EXIT
cd "$work" || exit 1
passed=0 failed=0
pass() { passed=$((passed + 1)); }
fail() { failed=$((failed + 1)); echo "FAIL $*"; }

ssh-keygen -q -t ed25519 -N '' -f host_key && ssh-keygen -q -t ed25519 -N '' -f user_key
[ "$(id -u)" != 0 ] || mkdir -p /run/sshd   # where a root sshd drops its privileges
port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
/usr/sbin/sshd -D -e -f /dev/null -p "$port" -h "$work/host_key" -o ListenAddress=127.0.0.1 -o PidFile=none \
    -o AuthorizedKeysFile="$work/user_key.pub" -o StrictModes=no -o PermitRootLogin=prohibit-password 2>sshd.log &
sshd_pid=$!
printf 'Host *\n Port %s\n AddressFamily inet\n IdentityFile %s\n UserKnownHostsFile %s\n StrictHostKeyChecking no\n BatchMode yes\n LogLevel ERROR\n' \
    "$port" "$work/user_key" "$work/known_hosts" >ssh_config
for _ in $(seq 100); do ssh -F ssh_config localhost true 2>/dev/null && break; sleep 0.1; done

# GNU parallel runs ssh, and rsync through it, with this command.
export PARALLEL_SSH="ssh -F $work/ssh_config" PATTERNLENS_REMOTE_RENDER=$renderer
printf '%s\n' 127.0.0.1 localhost >machines
tiles() { bash "$here/../../scripts/render-tiles.sh" --size 203x151 --tile 64x48 --sshloginfile machines "$scene" "$@"; }

"$renderer" --size 203x151 "$scene" single.pgm
tiles joined.pgm 2>err.txt && cmp -s joined.pgm single.pgm && pass ||
    fail "tiles over two ssh logins differ from the single render: $(tail -n 3 err.txt sshd.log)"
mkdir bin && ln -s /usr/bin/* bin/ && rm bin/rsync
PATH=$work/bin tiles none.pgm 2>err.txt; status=$?
[ "$status" == 2 ] && grep -q "rsync is missing here" err.txt && pass || fail "without rsync: $status, $(cat err.txt)"
PATTERNLENS_REMOTE_RENDER=/nowhere/patternlens-render tiles none.pgm 2>err.txt; status=$?
[ "$status" == 2 ] && [ "$(grep -c 'misses /nowhere/patternlens-render' err.txt)" == 2 ] && pass ||
    fail "without a renderer there: $status, $(cat err.txt)"
[ ! -e none.pgm ] && pass || fail "an image was written although a machine lacks a tool"

echo "render-tiles over ssh: $passed passed, $failed failed"
[ "$failed" == 0 ]
