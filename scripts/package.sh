#!/usr/bin/env bash
# Builds the Debian package of Patternlens in build-package/: a Release build
# with Debian's hardening flags (from dpkg-buildflags), no benchmarks,
# stripped by CPack, with dependencies derived by dpkg-shlibdeps. Makes three
# packages, patternlens, python3-patternlens (the Python module) and
# libpatternlens-dev (the library for C++ programs), and prints their paths,
# and only those, on standard output: the Python package's first, the
# library's next, the viewer's on the last line.
#
#   bash scripts/package.sh && sudo apt install ./build-package/*.deb
#
# With PATTERNLENS_TESTS=ON in the environment the same build also makes the
# tests (scripts/test.sh runs them there), so the product is built once for
# both; the packages hold the same files either way.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-package"
# shellcheck source=lib/configurations.sh
source "$root/scripts/lib/configurations.sh"
bash "$root/scripts/install-deps.sh" >&2

configure_hardened "$root" "$build" -DPATTERNLENS_TESTS="${PATTERNLENS_TESTS:-OFF}"
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/patternlens_*.deb "$build"/python3-patternlens_*.deb "$build"/libpatternlens-dev_*.deb
(cd "$build" && cpack >&2)
ls "$build"/python3-patternlens_*.deb
ls "$build"/libpatternlens-dev_*.deb
ls "$build"/patternlens_*.deb
