#!/usr/bin/env bash
# Installs what is missing, builds Patternlens and runs every test: the unit
# tests, the end-to-end tests of the viewer and the renderer (each starts its
# own Xvfb), the Python module's tests (pytest, with Debian's Python), the
# checks of the Debian packages, the unit tests again under
# AddressSanitizer and UndefinedBehaviorSanitizer, the tests of threads (renders
# beside the user's edits, the worker pool, the fast path on every SIMD target)
# under ThreadSanitizer, and a bounded run of the scene-reader fuzzer.
#
#   FUZZ_SECONDS=600 bash scripts/test.sh    # a longer fuzzing run
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
jobs="$(nproc)"
fuzz_seconds="${FUZZ_SECONDS:-60}"

bash "$root/scripts/install-deps.sh"

echo "== Build"
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$root/build" -j"$jobs"

echo "== Unit and end-to-end tests"
(cd "$root/build" && ctest --output-on-failure -j"$jobs")

# The Python module's tests, with Debian's interpreter and pytest, against
# the build above (its module and its patternlens-render).
python_tests() {
  echo "== Python module tests (pytest)"
  local status=0
  PYTHONPATH="$root/build/python:$root/tests/python" PYTHONDONTWRITEBYTECODE=1 \
    PATTERNLENS_RENDER="$root/build/tools/patternlens-render" \
    /usr/bin/python3 -m pytest -p no:cacheprovider -q -c "$root/tests/python/pytest.ini" "$root/tests/python" \
    || status=$?
  case "$status" in
    0) ;;
    1) echo "Python module tests: some tests failed" >&2; return 1 ;;
    5) echo "Python module tests: pytest collected no tests" >&2; return 1 ;;
    *) echo "Python module tests: pytest could not run them (exit status $status)" >&2; return 1 ;;
  esac
}
python_tests

echo "== Debian package: build and checks"
deb="$(bash "$root/scripts/package.sh" | tail -n 1)"
bash "$root/scripts/package-check.sh" "$deb" "$root/build/tools/patternlens-render"

echo "== Unit tests under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug -DPATTERNLENS_SANITIZE=ON \
      -DPATTERNLENS_VIEWER=OFF -DPATTERNLENS_BENCH=OFF >/dev/null
cmake --build "$root/build-sanitize" -j"$jobs" --target patternlens_tests
(cd "$root/build-sanitize" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
   UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 ctest --output-on-failure -j"$jobs" -L unit)

echo "== Tests of threads under ThreadSanitizer"
# Renders beside the user's edits, the input planes their rows fill together,
# the worker pool they run on, the fast path on every SIMD target, and the
# recovery copies written beside the edits.
thread_tests='RenderScheduler|LayerPicture|InputPlanes|TreeColumn|WorkerPool|FastPath|BatchedNoise|RowKernels|SimdTargets|Recovery'
cmake -S "$root" -B "$root/build-tsan" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPATTERNLENS_TSAN=ON \
      -DPATTERNLENS_VIEWER=OFF -DPATTERNLENS_BENCH=OFF >/dev/null
cmake --build "$root/build-tsan" -j"$jobs" --target patternlens_tests
(cd "$root/build-tsan" && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
   ctest --output-on-failure -j"$jobs" -L unit -R "$thread_tests")

if [ -f "$root/tests/fuzz/CMakeLists.txt" ]; then
  echo "== Fuzzing the scene reader for ${fuzz_seconds} s"
  bash "$root/scripts/fuzz.sh" "$fuzz_seconds"
fi
