# The build configurations the scripts share, each in one folder of its own
# and configured in one place, so that the test run, the package and the
# fuzzer build each configuration once and reuse it. Sourced by the scripts;
# every function takes the source root, the build folder, and extra cmake
# arguments.
#
#   configure_hardened ROOT DIR [ARGS...]   Release with Debian's hardening
#                                           flags: the package and the tests
#   configure_sanitize ROOT DIR [ARGS...]   clang, AddressSanitizer and
#                                           UndefinedBehaviorSanitizer, with
#                                           the fuzzer's coverage: the unit
#                                           tests and the scene-reader fuzzer
#   configure_tsan     ROOT DIR [ARGS...]   ThreadSanitizer: the tests of threads

# ccache, where it is installed, shares objects between folders and runs.
launcher_args() {
  if command -v ccache >/dev/null; then echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"; fi
}

configure_hardened() {
  local root=$1 dir=$2
  shift 2
  # The flags are given on the command line rather than through the
  # environment, so that a folder configured before is configured again with
  # exactly these flags (CMake reads CXXFLAGS only when a folder is new). The
  # preprocessor flags (_FORTIFY_SOURCE) go with the compiler flags. All
  # hardening features.
  local cxxflags ldflags
  cxxflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CPPFLAGS) $(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get CXXFLAGS)"
  ldflags="$(DEB_BUILD_MAINT_OPTIONS=hardening=+all dpkg-buildflags --get LDFLAGS)"
  # shellcheck disable=SC2046
  cmake -S "$root" -B "$dir" $(launcher_args) -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_CXX_FLAGS="$cxxflags" -DCMAKE_EXE_LINKER_FLAGS="$ldflags" \
        -DCMAKE_SHARED_LINKER_FLAGS="$ldflags" -DCMAKE_MODULE_LINKER_FLAGS="$ldflags" -DPATTERNLENS_BENCH=OFF \
        "$@" >/dev/null
}

configure_sanitize() {
  local root=$1 dir=$2
  shift 2
  # shellcheck disable=SC2046
  cmake -S "$root" -B "$dir" $(launcher_args) -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DPATTERNLENS_SANITIZE=ON -DPATTERNLENS_FUZZ=ON -DPATTERNLENS_VIEWER=OFF -DPATTERNLENS_BENCH=OFF \
        "$@" >/dev/null
}

configure_tsan() {
  local root=$1 dir=$2
  shift 2
  # shellcheck disable=SC2046
  cmake -S "$root" -B "$dir" $(launcher_args) -DCMAKE_BUILD_TYPE=RelWithDebInfo -DPATTERNLENS_TSAN=ON \
        -DPATTERNLENS_VIEWER=OFF -DPATTERNLENS_BENCH=OFF "$@" >/dev/null
}
