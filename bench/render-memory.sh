#!/usr/bin/env bash
# Peak resident memory and time of big patternlens-render runs, measured by
# GNU time: a 20000 x 20000 Noise image in each format and depth, which must
# stay under 128 MiB however tall the image is (the float images and the
# normal map under 64 MiB); and the ratio of PNG to PGM
# time at 4000 x 4700 from the same run. The images go to a scratch folder
# (TMPDIR, /tmp by default; the 16-bit PGM takes 800 MB) and are removed.
#
#   bash bench/render-memory.sh [build/tools/patternlens-render]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
render="${1:-$root/build/tools/patternlens-render}"
[ -x "$render" ] || { echo "no renderer at $render; build it first" >&2; exit 2; }
[ -x /usr/bin/time ] || { echo "GNU time is missing (Debian package 'time')" >&2; exit 2; }
work="$(mktemp -d "${TMPDIR:-/tmp}/render-memory.XXXXXX")"
trap 'rm -rf "$work"' EXIT

cat > "$work/noise.xml" <<'XML'
<?xml version="1.0" ?>
<Patternlens>
    <Layers>
        <Layer TypeID="0" x="0.000000" y="0.000000" zoomx="20.000000" zoomy="20.000000" inverse="0">
            <Variables>
                <Variable name="Cutoff" MaxValue="1.000000" MinValue="-1.000000" OverrideValue="0.500000" />
            </Variables>
        </Layer>
    </Layers>
</Patternlens>
XML

# Prints seconds and peak resident KiB of one render.
measure() {
  /usr/bin/time -f "%e %M" -o "$work/time" "$render" "$@" "$work/noise.xml" "$work/$out" </dev/null
  cat "$work/time"
}

limit=$((128 * 1024))
status=0
printf '%-28s %10s %14s %12s\n' "render" "seconds" "peak RSS MiB" "file MB"
for run in "png 8" "pgm 8" "png 16" "pgm 16"; do
  set -- $run
  out="big.$1"
  read -r seconds kib < <(measure --size 20000x20000 --depth "$2")
  size=$(stat -c %s "$work/$out")
  awk -v n="20000x20000 $1 $2-bit" -v s="$seconds" -v k="$kib" -v b="$size" \
      'BEGIN { printf "%-28s %10s %14.1f %12.1f\n", n, s, k / 1024, b / 1e6 }'
  rm -f "$work/$out"
  [ "$kib" -lt "$limit" ] || { echo "  over 128 MiB" >&2; status=1; }
done

# The float images and the normal map, whose bands hold floats and a frame
# of neighbours.
for run in "exr" "tif" "png --normal-map"; do
  set -- $run
  out="big.$1"
  shift
  read -r seconds kib < <(measure --size 20000x20000 "$@")
  size=$(stat -c %s "$work/$out")
  awk -v n="20000x20000 $out $*" -v s="$seconds" -v k="$kib" -v b="$size" \
      'BEGIN { printf "%-28s %10s %14.1f %12.1f\n", n, s, k / 1024, b / 1e6 }'
  rm -f "$work/$out"
  [ "$kib" -lt $((64 * 1024)) ] || { echo "  over 64 MiB" >&2; status=1; }
done

# PNG against PGM at an export size: the best of three runs of each,
# alternated so that both see the same load.
best() { sort -n | head -1; }
for k in 1 2 3; do
  for f in pgm png; do
    out="export.$f"
    read -r seconds _ < <(measure --size 4000x4700)
    echo "$seconds" >> "$work/$f.times"
  done
done
pgm=$(best < "$work/pgm.times") png=$(best < "$work/png.times")
awk -v pgm="$pgm" -v png="$png" 'BEGIN { printf "4000x4700 8-bit: PGM %s s, PNG %s s, PNG/PGM %.2f\n", pgm, png, png / pgm }'
exit $status
