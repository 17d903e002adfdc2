#!/usr/bin/env bash
# Checks the Debian package the way a desktop and a package manager use it:
# the desktop entry and the AppStream metadata pass their validators (the
# AppStream ones but for what only a public web address could answer), lintian
# finds no error, every file lands where the desktop looks for it, the MIME
# package compiles cleanly and recognises scene files by content only, the
# manual pages format without warnings and cover every option of --help, the
# packaged viewer's window carries the class its menu entry names, and the
# packaged renderer draws the same bytes as the tested build. The Python
# package beside it (python3-patternlens_*.deb of the same version) installs
# the module on Debian Python's path with its dependencies written out,
# passes lintian too, imports from any folder, renders the renderer's bytes
# and gives the package's version as its __version__. The library package beside them (libpatternlens-dev_*.deb) holds the
# static library, its one public header, a pkg-config file and a CMake
# package, passes lintian, and docs/embed.cpp built against it, once with
# pkg-config and once with CMake's find_package, writes the packaged
# renderer's bytes and refuses a bad scene with the renderer's reason.
#
#   bash scripts/package-check.sh [PACKAGE.deb [REFERENCE-RENDERER]]
#
# Without a package, scripts/package.sh builds them all. With a reference
# renderer (the tested build's patternlens-render), the packaged one must
# render the same image. Every check runs; the script fails if any failed.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"

deb="${1:-}"
reference_render="${2:-}"
if [ -z "$deb" ]; then
  deb="$(bash "$root/scripts/package.sh" | tail -n 1)" || { echo "package-check: building the package failed" >&2; exit 1; }
fi
[ -f "$deb" ] || { echo "package-check: no package $deb" >&2; exit 1; }

# shellcheck source=../tests/e2e/lib/xserver.sh
source "$root/tests/e2e/lib/xserver.sh"
scratch="$(mktemp -d)"
viewer_pid=""
trap '[ -n "$viewer_pid" ] && kill "$viewer_pid" 2>/dev/null; xserver_stop; rm -rf "$scratch"' EXIT
failures=0
pass() { echo "ok   $*"; }
fail() { echo "FAIL $*"; failures=$((failures + 1)); }
# check DESCRIPTION COMMAND...: runs COMMAND, shows its output when it fails.
check() {
  local what=$1 out
  shift
  if out="$("$@" 2>&1)"; then pass "$what"; else fail "$what"; printf '%s\n' "$out" | sed 's/^/     /'; fi
}

echo "== Package $(basename "$deb")"
dpkg-deb -x "$deb" "$scratch/root" || { echo "package-check: dpkg -x failed" >&2; exit 1; }
usr="$scratch/root/usr"
share="$usr/share"

# --- Where the files land ---------------------------------------------------
expected=(
  usr/bin/patternlens
  usr/bin/patternlens-render
  usr/share/applications/patternlens.desktop
  usr/share/icons/hicolor/scalable/apps/patternlens.svg
  usr/share/icons/hicolor/256x256/mimetypes/application-x-patternlens-scene+xml.png
  usr/share/mime/packages/patternlens.xml
  usr/share/metainfo/io.github.patternlens.Patternlens.metainfo.xml
  usr/share/man/man1/patternlens.1.gz
  usr/share/man/man1/patternlens-render.1.gz
  usr/share/doc/patternlens/copyright
  usr/share/doc/patternlens/changelog.Debian.gz
)
for f in "${expected[@]}"; do
  [ -f "$scratch/root/$f" ] && pass "installs /$f" || fail "installs /$f"
done
for f in usr/bin/patternlens usr/bin/patternlens-render; do
  [ -x "$scratch/root/$f" ] || fail "/$f is executable"
done
# The example scenes, every one of the tree's, byte for byte; the installed
# viewer lists them where they landed.
for f in "$root"/examples/*.xml; do
  cmp -s "$f" "$share/patternlens/examples/$(basename "$f")" \
    && pass "installs the example $(basename "$f")" || fail "installs the example $(basename "$f")"
done
outside="$(cd "$scratch/root" && find . -mindepth 1 -maxdepth 1 ! -name usr)"
[ -z "$outside" ] && pass "everything is under /usr" || fail "everything is under /usr: $outside"

depends="$(dpkg-deb -f "$deb" Depends)"
case "$depends" in
  *"libc6 (>= "*libtinyxml*) pass "dependencies derived from the binaries: $depends" ;;
  *) fail "dependencies derived from the binaries: '$depends'" ;;
esac

# --- Desktop entry ----------------------------------------------------------
desktop="$share/applications/patternlens.desktop"
check "desktop-file-validate" desktop-file-validate "$desktop"
entry() { sed -n "s/^$1=//p" "$desktop" | head -n 1; }
exec_program="$(entry Exec | cut -d' ' -f1)"
[ -x "$usr/bin/$exec_program" ] && pass "Exec runs /usr/bin/$exec_program" || fail "Exec names a packaged program: '$exec_program'"
case "$(entry Exec)" in *%f*|*%F*|*%u*|*%U*) pass "Exec takes a file" ;; *) fail "Exec takes a file" ;; esac
icon="$(entry Icon)"
[ -n "$(find "$share/icons/hicolor" -name "$icon.svg" -o -name "$icon.png" 2>/dev/null)" ] \
  && pass "Icon '$icon' is in the hicolor theme" || fail "Icon '$icon' is in the hicolor theme"
for type in $(entry MimeType | tr ';' ' '); do
  grep -q "type=\"$type\"" "$share/mime/packages/patternlens.xml" \
    && pass "MimeType $type is defined by the MIME package" || fail "MimeType $type is defined by the MIME package"
done

# --- AppStream --------------------------------------------------------------
metainfo="$share/metainfo/io.github.patternlens.Patternlens.metainfo.xml"
# The project has no public web address yet, so the metadata names no home
# page and no screenshot (which AppStream takes by URL only). A warning that
# only such an address could answer is accepted; any other fails the check.
# appstreamcli validate <what> FILE: passes on no issue or only those.
appstream_check() {
  local what=$1 out status others
  shift
  out="$(appstreamcli "$@" 2>&1)"
  status=$?
  others="$(printf '%s\n' "$out" | grep -E '^[EW]: ' | grep -vE '^W: .*(screenshot|homepage)')"
  if [ "$status" -eq 0 ] || [ -z "$others" ]; then
    pass "$what"
  else
    fail "$what"
  fi
  printf '%s\n' "$out" | grep -E '^[EWI]: ' | sed 's/^/     /'
}
appstream_check "appstreamcli validate" validate --no-net "$metainfo"
# The tree check also finds the desktop entry and icon the metadata names.
appstream_check "appstreamcli validate-tree" validate-tree --no-net "$scratch/root"
grep -q '<url\|<screenshot' "$metainfo" \
  && fail "the metadata names no web address the project does not have" \
  || pass "the metadata names no web address the project does not have"
grep -q '<project_license>MIT</project_license>' "$metainfo" \
  && pass "the metadata's project licence is MIT" || fail "the metadata's project licence is MIT"

# --- lintian ----------------------------------------------------------------
# lintian warns when run as root (CI is): then it runs as the user nobody,
# on a copy of the package in a folder that user can read and write.
# lint PACKAGE.deb: lintian finds no error in it.
lint() {
  local lint_dir="$scratch/lintian" lint_out command
  mkdir -p "$lint_dir" && cp "$1" "$lint_dir/" && chmod -R a+rX "$scratch" && chmod 1777 "$lint_dir"
  command=(lintian --fail-on error -I "$lint_dir/$(basename "$1")")
  if [ "$(id -u)" -eq 0 ]; then
    command=(setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$lint_dir" TMPDIR="$lint_dir" "${command[@]}")
  fi
  if lint_out="$("${command[@]}" 2>&1)"; then
    pass "lintian reports no errors in $(basename "$1")"
  else
    fail "lintian reports no errors in $(basename "$1")"
  fi
  [ -n "$lint_out" ] && printf '%s\n' "$lint_out" | sed 's/^/     /'
}
lint "$deb"

# --- MIME type --------------------------------------------------------------
mime="$scratch/mime"
mkdir -p "$mime/packages"
cp "$share/mime/packages/patternlens.xml" "$mime/packages/"
# update-mime-database reports problems on stderr and still exits 0.
if mime_err="$(XDG_DATA_DIRS="$scratch" update-mime-database "$mime" 2>&1 >/dev/null)" && [ -z "$mime_err" ]; then
  pass "update-mime-database reports nothing"
else
  fail "update-mime-database reports nothing"; printf '%s\n' "$mime_err" | sed 's/^/     /'
fi
# The root element is matched: " Patternlens TYPE" (no namespace).
grep -qx " Patternlens application/x-patternlens-scene+xml" "$mime/XMLnamespaces" \
  && pass "root element Patternlens identifies the type" || fail "root element Patternlens identifies the type"
[ ! -s "$mime/globs2" ] || ! grep -q patternlens "$mime/globs2" \
  && pass "no file-name glob" || fail "no file-name glob: $(grep patternlens "$mime/globs2")"
# GLib's sniffing with the compiled database: a scene is recognised by its
# content; other XML, even with the name in a comment, is left alone.
if command -v gio >/dev/null; then
  cp "$root/packaging/icon-scene.xml" "$scratch/scene"
  sed 1d "$root/packaging/icon-scene.xml" >"$scratch/scene-undeclared"
  printf '<?xml version="1.0"?>\n<!-- <Patternlens> -->\n<Layers/>\n' >"$scratch/other"
  content_type() {
    XDG_DATA_HOME="$scratch/none" XDG_DATA_DIRS="$scratch:/usr/share" \
      gio info -a standard::content-type "$1" | sed -n 's/.*content-type: //p'
  }
  [ "$(content_type "$scratch/scene")" = application/x-patternlens-scene+xml ] \
    && pass "a scene file is recognised by content" || fail "a scene file is recognised by content: $(content_type "$scratch/scene")"
  [ "$(content_type "$scratch/scene-undeclared")" = application/x-patternlens-scene+xml ] \
    && pass "a scene file without declaration is recognised" || fail "a scene file without declaration is recognised: $(content_type "$scratch/scene-undeclared")"
  [ "$(content_type "$scratch/other")" = application/xml ] \
    && pass "other XML stays application/xml" || fail "other XML stays application/xml: $(content_type "$scratch/other")"
else
  fail "gio (libglib2.0-bin) is installed"
fi

# --- Icons ------------------------------------------------------------------
check "the SVG icon is well-formed XML" python3 -c \
  'import sys, xml.etree.ElementTree as E; r = E.parse(sys.argv[1]).getroot(); sys.exit(r.tag != "{http://www.w3.org/2000/svg}svg")' \
  "$share/icons/hicolor/scalable/apps/patternlens.svg"
png="$share/icons/hicolor/256x256/mimetypes/application-x-patternlens-scene+xml.png"
case "$(file -b "$png")" in
  "PNG image data, 256 x 256,"*) pass "the scene icon is a 256 x 256 PNG" ;;
  *) fail "the scene icon is a 256 x 256 PNG: $(file -b "$png")" ;;
esac

# --- Manual pages -----------------------------------------------------------
for page in patternlens patternlens-render; do
  gz="$share/man/man1/$page.1.gz"
  check "$page.1.gz is compressed with gzip -9n" bash -c "gzip -t '$gz' && [ \"\$(gzip -dc '$gz' | gzip -9n | cmp - '$gz' && echo same)\" = same ]"
  text="$scratch/$page.txt"
  warnings="$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$gz" 2>&1 >"$text")"
  [ -z "$warnings" ] && [ -s "$text" ] && pass "man $page formats without warnings" \
    || { fail "man $page formats without warnings"; printf '%s\n' "$warnings" | sed 's/^/     /'; }
  # Every option --help names is documented. The viewer is asked without a
  # display, so it never opens a window.
  if help="$(env -u DISPLAY timeout 20 "$usr/bin/$page" --help 2>/dev/null)"; then
    missing=""
    options="$(printf '%s\n' "$help" | grep -oE -- '(^|[][ ,|])--?[A-Za-z][A-Za-z0-9-]*' | sed 's/^[][ ,|]//' | sort -u)"
    for option in $options; do
      grep -q -- "$option" "$text" || missing="$missing $option"
    done
    [ -z "$missing" ] && pass "man $page documents every option of --help" \
      || fail "man $page documents every option of --help; missing:$missing"
    # The sides an image may have, as the program itself states them.
    range="$(printf '%s\n' "$help" | grep -oE 'each side 1 to [0-9]+' || true)"
    if [ -n "$range" ]; then
      tr -s ' \n' ' ' <"$text" | grep -qF "$range" && pass "man $page gives the sizes --help gives ($range)" \
        || fail "man $page gives the sizes --help gives ($range)"
    fi
  else
    echo "skip man $page documents every option of --help: $page --help does not succeed"
  fi
done

# --- The packaged viewer's window -------------------------------------------
# A desktop ties a window to its menu entry (icon, name in the task bar) by
# the window's class: it must be the entry's StartupWMClass.
wm_class="$(entry StartupWMClass)"
# It opens a scene written on one line and saves it in its own layout: both
# layouts, and the one line with an attribute on the root, are scenes to GLib.
# shellcheck source=../tests/e2e/lib/gtkdialog.sh
source "$root/tests/e2e/lib/gtkdialog.sh"
if xserver_start 1280x1024x24; then
  XDG_STATE_HOME="$scratch/state" "$usr/bin/patternlens" "$root/docs/example-scene.xml" >"$scratch/viewer.log" 2>&1 &
  viewer_pid=$!
  window=""
  for _ in $(seq 300); do   # 30 s: a loaded machine starts the viewer slowly
    window="$(xdotool search --name '^Patternlens' 2>/dev/null | head -n 1)"
    [ -n "$window" ] && break
    kill -0 "$viewer_pid" 2>/dev/null || break
    sleep 0.1
  done
  classes="$( [ -n "$window" ] && xprop -id "$window" WM_CLASS)"
  if [ -n "$window" ] && xdotool windowfocus --sync "$window" key ctrl+shift+s && dialog_save_as "$scratch/saved" \
     && dialog_closed; then
    for _ in $(seq 50); do [ -s "$scratch/saved.xml" ] && break; sleep 0.1; done
  fi
  if [ -s "$scratch/saved.xml" ] && command -v gio >/dev/null; then
    mv "$scratch/saved.xml" "$scratch/saved-own-layout"
    sed -z 's/?>\n</?></' "$scratch/saved-own-layout" >"$scratch/saved-one-line"
    sed -z 's/<Patternlens>/<Patternlens version="2">/' "$scratch/saved-one-line" >"$scratch/saved-one-line-attribute"
    for layout in own-layout one-line one-line-attribute; do
      [ "$(content_type "$scratch/saved-$layout")" = application/x-patternlens-scene+xml ] \
        && pass "a scene the viewer saved, $layout, is recognised by content" \
        || fail "a scene the viewer saved, $layout, is recognised by content: $(content_type "$scratch/saved-$layout")"
    done
  else
    fail "the packaged viewer saves a scene"
  fi
  kill "$viewer_pid" 2>/dev/null
  wait "$viewer_pid" 2>/dev/null
  viewer_pid=""
  xserver_stop
  case "$classes" in
    *"\"patternlens\", \"$wm_class\""*) pass "the viewer's window class is the entry's StartupWMClass ($wm_class)" ;;
    *) fail "the viewer's window class is the entry's StartupWMClass ($wm_class): '${classes:-no window}'"
       sed 's/^/     /' "$scratch/viewer.log" ;;
  esac
else
  fail "a virtual X server starts for the viewer"
fi

# --- The packaged renderer ----------------------------------------------------
if [ -n "$reference_render" ]; then
  "$usr/bin/patternlens-render" --size 300x200 "$root/packaging/icon-scene.xml" "$scratch/packaged.pgm" &&
    "$reference_render" --size 300x200 "$root/packaging/icon-scene.xml" "$scratch/reference.pgm" &&
    cmp -s "$scratch/packaged.pgm" "$scratch/reference.pgm" \
    && pass "the packaged renderer draws the tested build's bytes" \
    || fail "the packaged renderer draws the tested build's bytes"
fi

# --- The Python package -------------------------------------------------------
python_deb="$(dirname "$deb")/python3-patternlens_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).deb"
echo "== Package $(basename "$python_deb")"
if [ -f "$python_deb" ] && dpkg-deb -x "$python_deb" "$scratch/python"; then
  site=usr/lib/python3/dist-packages
  for f in "$site/patternlens/__init__.py" "$site/patternlens/dask.py" usr/share/doc/python3-patternlens/copyright \
           usr/share/doc/python3-patternlens/changelog.Debian.gz; do
    [ -f "$scratch/python/$f" ] && pass "installs /$f" || fail "installs /$f"
  done
  module="$(find "$scratch/python/$site/patternlens" -name '_patternlens.cpython-*.so')"
  [ -n "$module" ] && pass "installs the compiled module /${module#"$scratch/python/"}" || fail "installs the compiled module"
  outside="$(cd "$scratch/python" && find . -mindepth 1 -maxdepth 1 ! -name usr)"
  [ -z "$outside" ] && pass "everything is under /usr" || fail "everything is under /usr: $outside"
  # Debian's interpreter reads that folder, and the package asks for its
  # version: what dh_python3 would have written.
  read -r major minor < <(/usr/bin/python3 -c 'import sys; print(*sys.version_info[:2])')
  /usr/bin/python3 -c 'import sys; sys.exit("/'"$site"'" not in sys.path)' \
    && pass "/$site is on /usr/bin/python3's path" || fail "/$site is on /usr/bin/python3's path"
  depends="$(dpkg-deb -f "$python_deb" Depends)"
  case "$depends" in
    *"python3 (>= $major.$minor~), python3 (<< $major.$((minor + 1))), python3-numpy"*libc6*) pass "dependencies: $depends" ;;
    *) fail "dependencies name Python $major.$minor, numpy and the libraries: '$depends'" ;;
  esac
  [ "$(dpkg-deb -f "$python_deb" Suggests)" = "python3-dask, python3-distributed, python3-zarr" ] \
    && pass "suggests dask, distributed and zarr" || fail "suggests dask, distributed and zarr: $(dpkg-deb -f "$python_deb" Suggests)"
  lint "$python_deb"
  # Imported from another folder, as after apt install, the packaged module
  # renders what the packaged renderer draws.
  "$usr/bin/patternlens-render" --size 300x200 "$root/packaging/icon-scene.xml" "$scratch/for-python.pgm"
  check "the packaged module imports from any folder and renders the renderer's bytes" \
    env -C "$scratch" PYTHONPATH="$scratch/python/$site" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import sys, patternlens
assert patternlens.__file__.startswith(sys.argv[1]), patternlens.__file__
image = patternlens.load(sys.argv[2]).render(300, 200)
with open(sys.argv[3], "rb") as f:
    sys.exit(f.read().endswith(image.tobytes()) is not True)' "$scratch/python/$site" "$root/packaging/icon-scene.xml" \
    "$scratch/for-python.pgm"
  python_version="$(dpkg-deb -f "$python_deb" Version)"
  check "the packaged module's __version__ is the package's, ${python_version%-*}" \
    env -C "$scratch" PYTHONPATH="$scratch/python/$site" PYTHONDONTWRITEBYTECODE=1 /usr/bin/python3 -c '
import sys, patternlens
sys.exit(f"__version__ is {patternlens.__version__!r}" if patternlens.__version__ != sys.argv[1] else 0)' \
    "${python_version%-*}"
else
  fail "the Python package $(basename "$python_deb") is there and unpacks"
fi

# --- The library package -------------------------------------------------------
dev_deb="$(dirname "$deb")/libpatternlens-dev_$(dpkg-deb -f "$deb" Version)_$(dpkg-deb -f "$deb" Architecture).deb"
echo "== Package $(basename "$dev_deb")"
if [ -f "$dev_deb" ] && dpkg-deb -x "$dev_deb" "$scratch/dev"; then
  dev="$scratch/dev"
  lib="usr/lib/$(dpkg-architecture -qDEB_HOST_MULTIARCH)"
  for f in usr/include/patternlens/patternlens.h "$lib/libpatternlens.a" "$lib/pkgconfig/patternlens.pc" \
           "$lib/cmake/Patternlens/PatternlensConfig.cmake" "$lib/cmake/Patternlens/PatternlensConfigVersion.cmake" \
           usr/share/doc/libpatternlens-dev/copyright usr/share/doc/libpatternlens-dev/changelog.Debian.gz; do
    [ -f "$dev/$f" ] && pass "installs /$f" || fail "installs /$f"
  done
  outside="$(cd "$dev" && find . -mindepth 1 -maxdepth 1 ! -name usr)"
  [ -z "$outside" ] && pass "everything is under /usr" || fail "everything is under /usr: $outside"
  # The stable interface is the one header, and it needs nothing beside the
  # standard library.
  headers="$(cd "$dev/usr/include" && find . -type f | tr '\n' ' ')"
  [ "$headers" = "./patternlens/patternlens.h " ] && pass "the one public header is patternlens/patternlens.h" \
    || fail "the one public header is patternlens/patternlens.h: $headers"
  check "the header compiles on its own, warning-free" bash -c \
    "echo '#include <patternlens/patternlens.h>' | g++ -std=c++17 -Wall -Wextra -Werror -fsyntax-only -I'$dev/usr/include' -x c++ -"
  check "the archive holds no debugging information or compiler notes" bash -c \
    "! objdump -h '$dev/$lib/libpatternlens.a' | grep -qE ' \.(debug_|comment )'"
  grep -qx 'prefix=/usr' "$dev/$lib/pkgconfig/patternlens.pc" && pass "patternlens.pc names the prefix /usr" \
    || fail "patternlens.pc names the prefix /usr: $(grep '^prefix=' "$dev/$lib/pkgconfig/patternlens.pc")"
  depends="$(dpkg-deb -f "$dev_deb" Depends)"
  missing=""
  for need in libtinyxml-dev libhwy-dev zlib1g-dev libisal-dev libopenexr-dev libtiff-dev; do
    case ", $depends," in *", $need,"*|*", $need "*) ;; *) missing="$missing $need" ;; esac
  done
  [ -z "$missing" ] && pass "depends on the -dev packages of what it links: $depends" \
    || fail "depends on the -dev packages of what it links; missing:$missing"
  lint "$dev_deb"

  # docs/embed.cpp built as its users build it, against the unpacked
  # package: pkg-config reads the package's own file with the unpacked root
  # as its sysroot; CMake finds the package's config under that prefix.
  pc() { PKG_CONFIG_SYSROOT_DIR="$dev" PKG_CONFIG_PATH="$dev/$lib/pkgconfig" pkg-config "$@"; }
  out="pkg-config found $(pc --variable=pcfiledir patternlens 2>&1)"
  # shellcheck disable=SC2046
  if [ "$(pc --variable=pcfiledir patternlens)" = "$dev/$lib/pkgconfig" ] &&
     out="$(g++ -std=c++17 -O2 "$root/docs/embed.cpp" -o "$scratch/embed-pkgconfig" $(pc --cflags --libs patternlens) 2>&1)"; then
    pass "docs/embed.cpp builds with g++ ... \$(pkg-config --cflags --libs patternlens)"
  else
    fail "docs/embed.cpp builds with g++ ... \$(pkg-config --cflags --libs patternlens)"; printf '%s\n' "$out" | sed 's/^/     /'
  fi
  project="$scratch/embed-cmake"
  mkdir -p "$project"
  printf '%s\n' 'cmake_minimum_required(VERSION 3.18)' 'project(embed CXX)' 'find_package(Patternlens REQUIRED)' \
    "add_executable(embed \"$root/docs/embed.cpp\")" 'target_link_libraries(embed PRIVATE Patternlens::patternlens)' \
    >"$project/CMakeLists.txt"
  if out="$(cmake -S "$project" -B "$project/build" -DCMAKE_BUILD_TYPE=Release -DCMAKE_PREFIX_PATH="$dev/usr" 2>&1 &&
            cmake --build "$project/build" 2>&1)" &&
     grep -qx "Patternlens_DIR:PATH=$dev/$lib/cmake/Patternlens" "$project/build/CMakeCache.txt"; then
    pass "docs/embed.cpp builds with find_package(Patternlens) and Patternlens::patternlens"
  else
    fail "docs/embed.cpp builds with find_package(Patternlens) and Patternlens::patternlens"; printf '%s\n' "$out" | sed 's/^/     /'
  fi
  # Each build writes the packaged renderer's bytes, for every example scene
  # at a size of no special shape, and refuses what the renderer refuses,
  # with its reason.
  printf 'not a scene\n' >"$scratch/not-a-scene.xml"
  for how in pkg-config CMake; do
    embed="$scratch/embed-pkgconfig"
    [ "$how" = CMake ] && embed="$project/build/embed"
    [ -x "$embed" ] || { fail "embed built with $how runs"; continue; }
    differ=""
    for scene in "$root/packaging/icon-scene.xml" "$root"/examples/*.xml; do
      "$embed" "$scene" 301 187 "$scratch/embedded.pgm" &&
        "$usr/bin/patternlens-render" --size 301x187 "$scene" "$scratch/rendered.pgm" &&
        cmp -s "$scratch/embedded.pgm" "$scratch/rendered.pgm" || differ="$differ $(basename "$scene")"
    done
    [ -z "$differ" ] && pass "embed built with $how writes the packaged renderer's bytes (cmp, every example)" \
      || fail "embed built with $how writes the packaged renderer's bytes; they differ for:$differ"
    rm -f "$scratch/refused.pgm"
    "$embed" "$scratch/not-a-scene.xml" 10 10 "$scratch/refused.pgm" 2>"$scratch/embed.err"
    status=$?
    "$usr/bin/patternlens-render" --size 10x10 "$scratch/not-a-scene.xml" "$scratch/refused.pgm" 2>"$scratch/render.err"
    if [ "$status" -eq 1 ] && [ ! -e "$scratch/refused.pgm" ] && [ -s "$scratch/embed.err" ] &&
       [ "$(sed 's/^embed: //' "$scratch/embed.err")" = "$(sed 's/^patternlens-render: //' "$scratch/render.err")" ]; then
      pass "embed built with $how exits 1 on a refused scene with the renderer's reason: $(cat "$scratch/embed.err")"
    else
      fail "embed built with $how exits 1 on a refused scene with the renderer's reason (status $status): $(cat "$scratch/embed.err")"
    fi
  done
else
  fail "the library package $(basename "$dev_deb") is there and unpacks"
fi

if [ "$failures" -ne 0 ]; then
  echo "package-check: $failures check(s) failed"
  exit 1
fi
echo "package-check: all checks passed"
