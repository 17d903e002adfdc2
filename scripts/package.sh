#!/usr/bin/env bash
# Builds the Debian package of Patternlens in build-package/: a Release build
# with Debian's hardening flags (from dpkg-buildflags), no tests and no
# benchmarks, stripped by CPack, with dependencies derived by dpkg-shlibdeps.
# Makes two packages, patternlens and python3-patternlens (the Python
# module), and prints their paths, and only those, on standard output: the
# Python package's first, the viewer's on the last line.
#
#   bash scripts/package.sh && sudo apt install ./build-package/*.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build-package"
bash "$root/scripts/install-deps.sh" >&2

# CMake reads CXXFLAGS and LDFLAGS from the environment when a build folder
# is configured for the first time; the preprocessor flags (_FORTIFY_SOURCE)
# go with the compiler flags. A fresh folder each time, so flags never mix
# with those of an earlier configuration. All hardening features.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CPPFLAGS) $(dpkg-buildflags --get CXXFLAGS)"
LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
export CXXFLAGS LDFLAGS
rm -rf "$build"
cmake -S "$root" -B "$build" -DCMAKE_BUILD_TYPE=Release -DPATTERNLENS_TESTS=OFF -DPATTERNLENS_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" >&2
(cd "$build" && cpack >&2)
ls "$build"/python3-patternlens_*.deb
ls "$build"/patternlens_*.deb
