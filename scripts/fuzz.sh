#!/usr/bin/env bash
# Fuzzes the scene reader with libFuzzer for the given number of seconds
# (default 60), starting from the seed corpus in tests/fuzz/corpus and the
# inputs of past findings in tests/fuzz/regressions, which it replays first.
# Findings are written to build-sanitize/findings; the run fails on any of
# them. The fuzzer is built in the sanitizer configuration the unit tests also
# run in (scripts/lib/configurations.sh), so scripts/test.sh builds it once.
#
#   bash scripts/fuzz.sh 3600      # an hour
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
seconds="${1:-60}"
build="$root/build-sanitize"
# shellcheck source=lib/configurations.sh
source "$root/scripts/lib/configurations.sh"

configure_sanitize "$root" "$build"
cmake --build "$build" -j"$(nproc)" --target scenereader_fuzz

# Inputs are bounded to a few KiB: a scene that shows a fault is small, and
# long inputs slow every run down (a corpus grown to inputs of tens of KB ran
# a tenth as many inputs a second). The limits that only long files reach are
# tested with the files in tests/fuzz/large. The corpus grows in a scratch
# folder that each run starts afresh; the committed seeds stay as they are.
work="$build/corpus"
rm -rf "$work"
mkdir -p "$work" "$build/findings"
"$build/tests/fuzz/scenereader_fuzz" "$work" "$root/tests/fuzz/corpus" "$root/tests/fuzz/regressions" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=4096 -max_len=4096 \
    -dict="$root/tests/fuzz/scene.dict" -artifact_prefix="$build/findings/" -print_final_stats=1
