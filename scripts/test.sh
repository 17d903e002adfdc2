#!/usr/bin/env bash
# Installs what is missing, builds Patternlens and runs every test: the unit
# tests, the end-to-end tests of the viewer and the renderer (each starts its
# own Xvfb), the shaders on Mesa's llvmpipe and the web page in headless
# Chromium (ctest -L shaders), the Python module's tests, the checks of the Debian packages, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of threads (renders
# beside the user's edits, the worker pool, the fast path on every SIMD target)
# under ThreadSanitizer, and a bounded run of the scene-reader fuzzer.
#
#   FUZZ_SECONDS=600 bash scripts/test.sh    # a longer fuzzing run
#   bash scripts/test.sh sanitize fuzz       # only the stages named
#
# Each configuration is built once, and only with the targets its stages run
# (scripts/lib/configurations.sh): the tests run on the package's own hardened
# build, which is then packed and checked; the sanitizer build serves both the
# unit tests and the fuzzer. Every stage prints how long it took.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
fuzz_seconds="${FUZZ_SECONDS:-60}"
# shellcheck source=lib/configurations.sh
source "$root/scripts/lib/configurations.sh"

# --- Stages, in the order they run -------------------------------------------
# A new stage is a function here and a name in the list below it.

# The product and its tests, built with the package's flags (the package is
# made from this same build); the unit and end-to-end tests.
stage_tests() {
  configure_hardened "$root" "$root/build-package" -DPATTERNLENS_TESTS=ON
  cmake --build "$root/build-package" -j"$jobs"
  (cd "$root/build-package" && ctest --output-on-failure -j"$jobs")
}

# The Python module's tests, with Debian's interpreter and pytest, against
# that build (its module and its patternlens-render).
stage_python() {
  local status=0
  PYTHONPATH="$root/build-package/python:$root/tests/python" PYTHONDONTWRITEBYTECODE=1 \
    PATTERNLENS_RENDER="$root/build-package/tools/patternlens-render" \
    /usr/bin/python3 -m pytest -p no:cacheprovider -q -c "$root/tests/python/pytest.ini" "$root/tests/python" \
    || status=$?
  case "$status" in
    0) ;;
    1) echo "Python module tests: some tests failed" >&2; return 1 ;;
    5) echo "Python module tests: pytest collected no tests" >&2; return 1 ;;
    *) echo "Python module tests: pytest could not run them (exit status $status)" >&2; return 1 ;;
  esac
}

# The packages, packed from that build, and their checks.
stage_package() {
  local deb
  deb="$(PATTERNLENS_TESTS=ON bash "$root/scripts/package.sh" | tail -n 1)"
  bash "$root/scripts/package-check.sh" "$deb" "$root/build-package/tools/patternlens-render"
}

# The unit tests under AddressSanitizer and UndefinedBehaviorSanitizer.
stage_sanitize() {
  configure_sanitize "$root" "$root/build-sanitize"
  cmake --build "$root/build-sanitize" -j"$jobs" --target patternlens_tests scenereader_fuzz
  (cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
     UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j"$jobs" -L unit)
}

# The tests of threads under ThreadSanitizer (the build holds only those).
stage_threads() {
  configure_tsan "$root" "$root/build-tsan"
  cmake --build "$root/build-tsan" -j"$jobs" --target patternlens_tests
  (cd "$root/build-tsan" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
     ctest --output-on-failure -j"$jobs" -L unit)
}

# A bounded run of the scene-reader fuzzer, in the sanitizer build.
stage_fuzz() {
  bash "$root/scripts/fuzz.sh" "$fuzz_seconds"
}

stages=(tests python package sanitize threads fuzz)

# --- Running them ------------------------------------------------------------
[ $# -gt 0 ] && stages=("$@")
bash "$root/scripts/install-deps.sh"
started=$SECONDS
timings=()
for name in "${stages[@]}"; do
  declare -F "stage_$name" >/dev/null || { echo "test.sh: no stage '$name' (stages: ${stages[*]})" >&2; exit 2; }
  echo "== $name"
  begun=$SECONDS
  "stage_$name"
  timings+=("$(printf '%-10s %4d s' "$name" $((SECONDS - begun)))")
done
echo "== Every stage passed"
printf '   %s\n' "${timings[@]}"
echo "   total      $((SECONDS - started)) s"
