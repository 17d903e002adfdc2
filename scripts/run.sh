#!/usr/bin/env bash
# Installs what is missing, builds Patternlens and opens the viewer; its
# arguments go to the viewer (a scene file to open, --help, --version).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)"
if [ -z "${DISPLAY:-}" ]; then
  echo "Built $root/build/app/patternlens, but there is no display (DISPLAY is not set) to open it on." >&2
  exit 1
fi
exec "$root/build/app/patternlens" "$@"
