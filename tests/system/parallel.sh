#!/usr/bin/env bash
# The README's GNU parallel recipe, with the local machine (-S :) standing in
# for the remote ones: a failed batch shows in parallel's exit status and the
# job log, and --resume-failed then redoes only that batch.
# Usage: parallel.sh RGM_BINARY SOURCE_DIR
set -euo pipefail
rgm=$1
source=$2
command -v parallel >/dev/null || { echo "SKIP: GNU parallel not found"; exit 77; }
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bin" "$work/maps"
ln -s "$rgm" "$work/bin/rgm"
for name in a b c d e; do cp "$source/samples/two-columns.rgm" "$work/maps/$name.rgm"; done
echo broken >"$work/maps/c.rgm"
cd "$work"
run() {
  PATH=$work/bin:$PATH parallel --will-cite -S : -j 1 -N 2 --joblog convert.log --resume-failed \
    rgm convert --to bmp -o out {} ::: maps/*.rgm >/dev/null 2>&1
}
set +e
run
first=$?
set -e
[ $first -eq 1 ] || { echo "expected one failed batch, parallel said $first"; exit 1; }
[ -f out/a.bmp ] && [ -f out/b.bmp ] && [ -f out/e.bmp ] && [ ! -e out/c.bmp ] || { ls out; exit 1; }
cp "$source/samples/two-columns.rgm" maps/c.rgm
run
[ -f out/c.bmp ] && [ -f out/d.bmp ]
echo "parallel: a failed batch was reported and redone alone"
