#!/usr/bin/env bash
# Installs the Debian packages Karvex needs, but only those that are missing.
# Usage: install-deps.sh [build|gui]   (gui adds what running the desktop program under Xvfb needs)
set -euo pipefail
need=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
      qt6-base-dev qt6-translations-l10n libgl-dev libturbojpeg0-dev pkg-config
      libgdal-dev gdal-bin  # GeoTIFF and the GDAL plugin; the tests run gdalinfo and gdal_translate
      libjpeg-turbo-progs python3-pil)  # the last two let tests compare with djpeg and read the corpus PNGs
if [ "${1:-build}" = gui ]; then
  need+=(xvfb xauth fonts-wqy-zenhei)
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
