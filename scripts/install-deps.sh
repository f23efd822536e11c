#!/usr/bin/env bash
# Installs the Debian packages Karvex needs, but only those that are missing.
# Usage: install-deps.sh [build|gui]   (gui adds what running the desktop program under Xvfb needs)
set -euo pipefail
need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev qt6-translations-l10n libgl-dev libx11-dev libturbojpeg0-dev libpng-dev pkg-config
      desktop-file-utils shared-mime-info dpkg-dev parallel  # install, package and batch tests
      libjpeg-turbo-progs python3-pil  # these two let tests compare with djpeg and read the corpus PNGs
      xvfb xauth xdotool  # and these run the desktop tests under a virtual X server
      libwebp-dev libjxl-dev gnuplot-nox  # the peers and the chart of `make compare`
      zlib1g-dev liblzma-dev  # the .rgz container's checksum and fallback
      libgdal-dev gdal-bin)  # GeoTIFF and the GDAL plugin; the tests run gdalinfo and gdal_translate
if [ "${1:-build}" = gui ]; then
  need+=(fonts-wqy-zenhei)
fi
missing=()
for p in "${need[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
echo "Installing missing packages: ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y --no-install-recommends "${missing[@]}"
