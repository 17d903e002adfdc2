#!/usr/bin/env bash
# Installs what is missing, builds the viewer and opens it; its arguments go
# to the viewer (a scene file to open, --help, --version). Only the viewer is
# built: the tests, the benchmarks, patternlens-render and the Python module
# are left for scripts/test.sh and for whoever builds them.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/install-deps.sh"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$(nproc)" --target patternlens_viewer
if [ -z "${DISPLAY:-}" ]; then
  echo "Built $root/build/app/patternlens, but there is no display (DISPLAY is not set) to open it on." >&2
  exit 1
fi
exec "$root/build/app/patternlens" "$@"
