#!/usr/bin/env bash
# make package, then apt-get install ./karvex_*.deb, run both programs from
# /usr/bin, purge the package and check that nothing of it is left.
# Runs only as root on a Debian system where karvex is not already installed.
# Usage: package.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
source=$2
[ "$(id -u)" -eq 0 ] || { echo "SKIP: installing a package needs root"; exit 77; }
command -v apt-get >/dev/null && command -v dpkg-shlibdeps >/dev/null ||
  { echo "SKIP: apt-get or dpkg-shlibdeps (dpkg-dev) not found"; exit 77; }
if dpkg-query -W -f='${Status}' karvex 2>/dev/null | grep -q 'install ok'; then
  echo "SKIP: a karvex package is already installed; not touching it"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
(cd "$work" && cpack --config "$build/CPackConfig.cmake" -B "$work" >/dev/null)
deb=$(ls "$work"/karvex_*.deb)
dpkg-deb -c "$deb" | awk '{print $NF}' | sed 's|^\./|/|' | grep -v '/$' >"$work/files"

apt() { DEBIAN_FRONTEND=noninteractive apt-get -o DPkg::Lock::Timeout=300 -qq "$@" >/dev/null; }
purge() { apt purge -y karvex || true; }
trap 'purge; rm -rf "$work"' EXIT
apt install -y --no-install-recommends "$deb"

[ "$(/usr/bin/rgm --version)" = "rgm $(dpkg-deb -f "$deb" Version)" ]
/usr/bin/rgm thumbnail --size 16 "$source/samples/two-columns.rgm" "$work/t.png"
# The desktop program comes up (offscreen) with a file to open, and keeps running.
set +e
HOME=$work QT_QPA_PLATFORM=offscreen timeout 3 /usr/bin/karvex --open "$source/samples/two-columns.rgm"
status=$?
set -e
[ $status -eq 124 ] || { echo "karvex ended with status $status instead of running"; exit 1; }

purge
trap 'rm -rf "$work"' EXIT
if dpkg-query -W -f='${Status}' karvex 2>/dev/null | grep -q "install ok installed"; then
  echo "the package is still installed"
  exit 1
fi
left=$(while read -r f; do [ ! -e "$f" ] || echo "$f"; done <"$work/files")
[ -z "$left" ] || { echo "left behind: $left"; exit 1; }
[ ! -e /usr/share/mime/image/x-karvex-rgm.xml ] || { echo "the MIME database still knows .rgm"; exit 1; }
echo "package: $(basename "$deb") installed, ran and was removed without a trace"
