#!/usr/bin/env bash
# Command-line demo: inspects the bundled sample and turns it into a bitmap.
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
sample="$here/samples/two-columns.rgm"
echo "\$ rgm info samples/two-columns.rgm"
"$build/rgm" info "$sample"
echo "\$ rgm convert samples/two-columns.rgm two-columns.bmp"
"$build/rgm" convert "$sample" "$out/two-columns.bmp"
echo "wrote $(stat -c %s "$out/two-columns.bmp") bytes"
