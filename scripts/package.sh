#!/usr/bin/env bash
# Builds the Debian package of Patternlens in build-package/: a Release build
# with Debian's hardening flags (from dpkg-buildflags), no benchmarks,
# stripped by CPack, with dependencies derived by dpkg-shlibdeps. Prints the
# path of the .deb, and only that, on standard output.
#
#   bash scripts/package.sh && sudo apt install ./build-package/patternlens_*.deb
#
# With PATTERNLENS_TESTS=ON in the environment the same build also makes the
# tests (scripts/test.sh runs them there), so the product is built once for
# both; the package holds the same files either way.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-package"
# shellcheck source=lib/configurations.sh
source "$root/scripts/lib/configurations.sh"
bash "$root/scripts/install-deps.sh" >&2

configure_hardened "$root" "$build" -DPATTERNLENS_TESTS="${PATTERNLENS_TESTS:-OFF}"
cmake --build "$build" -j"$(nproc)" >&2
rm -f "$build"/patternlens_*.deb
(cd "$build" && cpack >&2)
ls "$build"/patternlens_*.deb
