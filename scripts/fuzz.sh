#!/usr/bin/env bash
# Fuzzes the scene reader with libFuzzer for the given number of seconds
# (default 60), starting from the seed corpus in tests/fuzz/corpus and the
# inputs of past findings in tests/fuzz/regressions, which it replays first. Findings
# are written to build-fuzz/findings; the run fails on any of them.
#
#   bash scripts/fuzz.sh 3600      # an hour
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-fuzz"

cmake -S "$root" -B "$build" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo \
      -DPATTERNLENS_FUZZ=ON -DPATTERNLENS_SANITIZE=ON -DPATTERNLENS_VIEWER=OFF -DPATTERNLENS_BENCH=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target scenereader_fuzz

# The corpus grows in a scratch folder; the committed seeds stay as they are.
work="$build/corpus"
mkdir -p "$work" "$build/findings"
"$build/tests/fuzz/scenereader_fuzz" "$work" "$root/tests/fuzz/corpus" "$root/tests/fuzz/regressions" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=65536 \
    -dict="$root/tests/fuzz/scene.dict" -artifact_prefix="$build/findings/" -print_final_stats=1
