#!/usr/bin/env bash
# Installs the Debian packages that building, running and testing Patternlens
# need, and only those that are missing. Uses sudo when not run as root.
set -euo pipefail

packages=(
  # build
  cmake g++ make pkg-config
  libtinyxml-dev libpng-dev zlib1g-dev libisal-dev libhwy-dev
  # float images: OpenEXR and TIFF outputs
  libopenexr-dev libtiff-dev
  libx11-dev freeglut3-dev libgl1-mesa-dev libglu1-mesa-dev libimgui-dev libgtk-3-dev
  # tests, benchmarks, fuzzing
  libgtest-dev libgmock-dev libbenchmark-dev libnoise-dev clang libclang-rt-14-dev
  # tiled renders across processors and machines (scripts/render-tiles.sh),
  # whose test logs in through an sshd of its own; GNU time measures a
  # render's peak memory (bench/render-memory.sh)
  parallel libvips-tools rsync openssh-client openssh-server time
  # the panel's font, found through fontconfig
  fonts-dejavu-core libfontconfig-dev
  # end-to-end tests: a real X server, input, screenshots, software GL
  xvfb xauth xdotool imagemagick x11-utils libgl1-mesa-dri tesseract-ocr tesseract-ocr-eng python3 xclip
  # the Debian package and its checks: validators, shared-library dependencies,
  # MIME sniffing (gio), manual pages, file types
  dpkg-dev lintian desktop-file-utils appstream shared-mime-info libglib2.0-bin man-db file
  # a real window manager, for closing the viewer as a user does
  openbox
  # the shaders' tests: an off-screen GL context on Mesa's llvmpipe (EGL
  # surfaceless), and the web page in headless Chromium (WebGL 2 on SwiftShader)
  libegl-dev libgl-dev libegl-mesa0 chromium
  # the Python module (for Debian's /usr/bin/python3), its tests and the
  # dask helper's cluster and store; the README's example saves with PIL;
  # the benchmark compares with python3-noise
  pybind11-dev python3-pybind11 python3-dev python3-numpy python3-pytest
  python3-dask python3-distributed python3-zarr python3-pil python3-noise
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" </dev/null
