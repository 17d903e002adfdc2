#!/usr/bin/env bash
# Renders a scene as tiles spread over processors and machines by GNU
# parallel, and joins them into one image with libvips, which streams images
# far larger than the memory.
#
#   scripts/render-tiles.sh --size 100000x100000 scene.xml out.png
#   scripts/render-tiles.sh --size 100000x100000 --sshloginfile machines scene.xml out.png
#
# Each tile is patternlens-render with --region, so the joined image is the
# single render's, pixel for pixel (an EXR's bytes too: its tiles are joined by
# patternlens-render --join). Other machines need patternlens-render on
# their PATH, rsync, and an ssh login that GNU parallel can use (see
# --sshloginfile in `man parallel`; the line ":" stands for this machine); the
# scene goes to them and their tiles come back.
set -euo pipefail

usage() {
  cat <<EOF
Usage: $(basename "$0") --size WIDTHxHEIGHT [options] SCENE.xml OUTPUT
Renders SCENE.xml at WIDTHxHEIGHT as tiles in parallel and joins them into
OUTPUT (PNG, PGM, TIFF, EXR or any format libvips writes, by its name). For a
".tif", ".tiff" or ".exr" OUTPUT the tiles hold the layer's values (32-bit
floats, or the samples of --depth: 16-bit integers in a TIFF, halves in an
EXR), joined into a deflated TIFF or an EXR. A ".r16" or ".raw" heightmap
is rendered in bands of whole rows, laid end to end. What cannot be joined
into OUTPUT is refused before any tile is rendered.

  --size WIDTHxHEIGHT    the whole image (required)
  --tile WIDTHxHEIGHT    tile size (default 4096x4096)
  --depth 8|16           bits per pixel (default 8; floats for a TIFF or EXR)
  --seamless, --seed N, --aspect keep|stretch, --normal-map, --strength S,
  --normal-convention opengl|directx, --gradient STOPS, --pack R,G,B[,A]
                         as patternlens-render takes them (a normal map, a
                         colour ramp or packed channels are an RGB PNG, or
                         any format libvips writes from one)
  --jobs N               tiles at a time on each machine (default: one per core)
  --sshloginfile FILE    machines to use, one ssh login a line (":" is this one)
  --sshlogin LOGINS      the same, comma-separated on the command line
  --keep-tiles DIR       leave the tiles in DIR instead of a temporary folder
EOF
}

fail() { echo "render-tiles: $*" >&2; exit 2; }

size="" tile="4096x4096" depth="" jobs="" logins=() keep="" seed=()
# What every tile's render takes as it is; the renderer checks it.
passed=() colour=""
files=()
while [ $# -gt 0 ]; do
  case "$1" in
    --size) size="${2:-}"; shift 2 || fail "--size needs a value" ;;
    --tile) tile="${2:-}"; shift 2 || fail "--tile needs a value" ;;
    --depth) depth="${2:-}"; shift 2 || fail "--depth needs a value" ;;
    --jobs) jobs="${2:-}"; shift 2 || fail "--jobs needs a value" ;;
    # Absolute: the tiles are rendered from a folder of their own.
    --sshloginfile) logins+=(--sshloginfile "$(realpath -m -- "${2:-}")"); shift 2 || fail "--sshloginfile needs a file" ;;
    --sshlogin) logins+=(--sshlogin "${2:-}"); shift 2 || fail "--sshlogin needs a value" ;;
    --seamless) passed+=(--seamless); shift ;;
    --normal-map) passed+=(--normal-map); colour="a normal map"; shift ;;
    --strength|--normal-convention|--aspect) [ $# -ge 2 ] || fail "$1 needs a value"; passed+=("$1" "$2"); shift 2 ;;
    --gradient) [ $# -ge 2 ] || fail "--gradient needs a value"; passed+=(--gradient "$2"); colour="a colour ramp"; shift 2 ;;
    --pack) [ $# -ge 2 ] || fail "--pack needs a value"; passed+=(--pack "$2"); shift 2 ;;
    --seed) [[ "${2:-}" =~ ^0*([0-9]{1,10})$ ]] && (( 10#${BASH_REMATCH[1]} <= 4294967295 )) \
              || fail "invalid or missing --seed '${2:-}': expected a whole number from 0 to 4294967295"
            seed=(--seed "$2"); shift 2 ;;
    --keep-tiles) keep="${2:-}"; shift 2 || fail "--keep-tiles needs a folder" ;;
    -h|--help) usage; exit 0 ;;
    -*) fail "unknown option '$1'" ;;
    *) files+=("$1"); shift ;;
  esac
done
[ ${#files[@]} -eq 2 ] || { usage >&2; exit 2; }
scene="${files[0]}" output="${files[1]}"
[[ "$size" =~ ^([1-9][0-9]*)x([1-9][0-9]*)$ ]] || fail "invalid or missing --size '$size': expected WIDTHxHEIGHT"
width=${BASH_REMATCH[1]} height=${BASH_REMATCH[2]}
[[ "$tile" =~ ^([1-9][0-9]*)x([1-9][0-9]*)$ ]] || fail "invalid --tile '$tile': expected WIDTHxHEIGHT"
tileWidth=$(( BASH_REMATCH[1] < width ? BASH_REMATCH[1] : width ))
tileHeight=$(( BASH_REMATCH[2] < height ? BASH_REMATCH[2] : height ))
[ -r "$scene" ] || fail "cannot read the scene '$scene'"
outName="$(basename "$output")"
[ "$outName" = "${outName##*.}" ] && fail "the output needs a suffix that names its format"
suffix="${outName##*.}"
# A TIFF or an EXR keeps the values: tiles of floats unless a depth is asked
# for (or packed channels, 8 bits); libvips joins the TIFFs, the renderer
# the EXRs. A heightmap's tiles are bands of whole rows, its bytes with
# nothing around them, laid end to end. Every other output is joined by
# libvips from PNG tiles, grey or, for a normal map, a ramp or packed
# channels, RGB.
tileSuffix=png
case "$suffix" in
  tif|tiff) tileSuffix=tif ;;
  exr) tileSuffix=exr ;;
  r16|raw) tileSuffix="$suffix"; tileWidth=$width ;;
esac
if [ -n "$colour" ]; then
  [ "$tileSuffix" = png ] || fail "$colour is an RGB PNG: it cannot be joined into '$outName'"
  [ "$suffix" != pgm ] || fail "$colour is in colour: a PGM holds grey levels"
fi
depthArgs=()
if [ -n "$depth" ]; then depthArgs=(--depth "$depth")
elif [ "$tileSuffix" = png ]; then depthArgs=(--depth 8); fi
command -v parallel >/dev/null || fail "GNU parallel is missing (Debian package 'parallel')"
case "$tileSuffix" in exr|r16|raw) ;; *) command -v vips >/dev/null || fail "vips is missing (Debian package 'libvips-tools')" ;; esac

# The renderer here: PATTERNLENS_RENDER, else the one on the PATH, else this
# checkout's build.
local="${PATTERNLENS_RENDER:-}"
if [ -z "$local" ]; then
  local="$(command -v patternlens-render || true)"
  [ -n "$local" ] || local="$(cd "$(dirname "$0")/.." && pwd)/build/tools/patternlens-render"
fi
[ -x "$local" ] || local=""
render="$local"
# With ssh logins every machine, this one too when ":" is listed, runs its
# own: PATTERNLENS_REMOTE_RENDER, else patternlens-render on its PATH.
[ ${#logins[@]} -gt 0 ] && render="${PATTERNLENS_REMOTE_RENDER:-patternlens-render}"
[ -n "$render" ] || fail "patternlens-render not found; build it or set PATTERNLENS_RENDER"
[ "$tileSuffix" != exr ] || [ -n "$local" ] || fail "joining EXR tiles needs patternlens-render here; set PATTERNLENS_RENDER"
# A machine's renderer from before an option would refuse it on every tile:
# its --help tells which it has. (The renderer here is asked by the trial
# join below.)
optionCheck=""
for option in "${passed[@]}" "${seed[@]}"; do
  if [[ "$option" == --* ]]; then
    optionCheck+="'$render' --help 2>/dev/null | grep -q -- '$option' || echo \"has no $option: \$(command -v '$render')\"; "
  fi
done

# GNU parallel sends the scene and fetches the tiles with rsync, which must
# run here and on every machine; each machine also needs the renderer. All
# is asked before anything renders, so what is missing is named, not met
# later as a failed tile.
if [ ${#logins[@]} -gt 0 ]; then
  command -v rsync >/dev/null || fail "rsync is missing here: GNU parallel copies the scene and the tiles with it (Debian package 'rsync')"
  missing="$(parallel --nonall --tag "${logins[@]}" \
    "for t in rsync '$render'; do command -v \"\$t\" >/dev/null || echo \"misses \$t\"; done; $optionCheck" 2>&1)" \
    || fail "the machines cannot be reached: $missing"
  [ -z "$missing" ] || fail "$(printf 'a machine cannot render its tiles (login, then what it misses):\n%s' "$missing")"
fi

# Tiles and the joined image go beside the output: the same disk, and a
# failure leaves the previous output as it was.
outDir="$(cd "$(dirname "$output")" && pwd)" || fail "no folder for '$output'"
if [ -n "$keep" ]; then
  mkdir -p "$keep"; work="$(cd "$keep" && pwd)"
else
  work="$(mktemp -d "$outDir/.render-tiles.XXXXXX")"
  trap 'rm -rf "$work"' EXIT
fi
# Remote jobs run in the login folder of their machine, where the scene and
# the tiles need names no other render uses at the same time.
id="$(basename "$work")"; id="${id#.}"
cp "$scene" "$work/$id.xml"

# The join, as it will be made of the tiles: a tile of one pixel with every
# option (the renderer here checks them and the scene) joined into the
# output's format, so that what cannot be joined is refused before anything
# renders.
saveOptions="[strip]"
[ "$tileSuffix" = tif ] && saveOptions="[strip,compression=deflate]"
join() {   # join OUTPUT TILE... (in the tiles' folder, across $columns)
  local out="$1"; shift
  case "$tileSuffix" in
    exr) "$local" --join "$out" "$@" ;;
    r16|raw) cat "$@" > "$out" ;;
    *) vips arrayjoin "$*" "$out$saveOptions" --across "$columns" ;;
  esac
}
if [ -n "$local" ]; then
  probe="probe-$id.$tileSuffix"
  why="$(cd "$work" && "$local" --size 1x1 "${depthArgs[@]}" "${passed[@]}" "${seed[@]}" "$id.xml" "$probe" 2>&1 &&
         columns=1 join "probe-joined.$suffix" "$probe" 2>&1)" \
    || fail "$(printf 'cannot render tiles to join into %s:\n%s' "$outName" "$why")"
  # A format that holds fewer bits or channels than the tiles would lose
  # them in the join.
  if [ "$tileSuffix" = png ] || [ "$tileSuffix" = tif ]; then
    for field in format bands; do
      [ "$(vipsheader -f "$field" "$work/$probe")" = "$(vipsheader -f "$field" "$work/probe-joined.$suffix")" ] ||
        fail "'$outName' cannot hold the tiles' $(vipsheader -f bands "$work/$probe")-channel $(vipsheader -f format "$work/$probe") samples"
    done
  fi
  rm -f "$work/$probe" "$work/probe-joined.$suffix"
fi

columns=$(( (width + tileWidth - 1) / tileWidth ))
rows=$(( (height + tileHeight - 1) / tileHeight ))
# One line per tile: x y w h name, in the order arrayjoin lays them out.
: > "$work/tiles.txt"
for (( r = 0; r < rows; r++ )); do
  for (( c = 0; c < columns; c++ )); do
    x=$(( c * tileWidth )) y=$(( r * tileHeight ))
    w=$(( width - x < tileWidth ? width - x : tileWidth ))
    h=$(( height - y < tileHeight ? height - y : tileHeight ))
    printf '%d %d %d %d %s-%06d-%06d.%s\n' "$x" "$y" "$w" "$h" "$id" "$r" "$c" "$tileSuffix" >> "$work/tiles.txt"
  done
done

echo "render-tiles: ${width}x${height} as $(( rows * columns )) tiles of ${tileWidth}x${tileHeight}" >&2
parallelArgs=(--colsep ' ' --halt now,fail=1 --arg-file "$work/tiles.txt")
[ -n "$jobs" ] && parallelArgs+=(--jobs "$jobs")
[ -t 2 ] && parallelArgs+=(--bar)
if [ ${#logins[@]} -gt 0 ]; then
  # The scene goes to every machine once; each tile comes back and is
  # removed there.
  parallelArgs+=("${logins[@]}" --basefile "$id.xml" --return '{5}' --cleanup)
fi
(cd "$work" && parallel "${parallelArgs[@]}" \
   "'$render'" --size "${width}x${height}" --region '{1},{2},{3},{4}' "${depthArgs[@]}" "${passed[@]}" "${seed[@]}" \
   "$id.xml" '{5}') \
  || { echo "render-tiles: a tile failed" >&2; exit 1; }

# arrayjoin puts every tile in a cell of the first tile's size; when the
# edge tiles are smaller the grid is cropped to the image (libvips streams
# both steps). The EXR tiles know their places; the bands of a heightmap
# follow each other.
read -r -a tiles <<< "$(cut -d' ' -f5 "$work/tiles.txt" | tr '\n' ' ')"
joined="joined.$suffix"
(
  cd "$work"
  if [ "$tileSuffix" != png ] && [ "$tileSuffix" != tif ] || (( width % tileWidth == 0 && height % tileHeight == 0 )); then
    join "$joined" "${tiles[@]}"
  else
    vips arrayjoin "${tiles[*]}" grid.v --across "$columns"
    vips crop grid.v "$joined$saveOptions" 0 0 "$width" "$height"
    rm -f grid.v
  fi
) || { echo "render-tiles: joining the tiles failed" >&2; exit 1; }
mv -f "$work/$joined" "$outDir/$outName"
echo "render-tiles: wrote $output" >&2
