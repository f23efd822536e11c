#!/usr/bin/env bash
# Runs every benchmark program of a benchmark build.
set -euo pipefail
build=${1:-build-bench}
for b in "$build"/bench/bench_*; do
  [ -f "$b" ] && [ -x "$b" ] || continue  # not the build's _autogen folders
  echo "== $(basename "$b")"
  "$b"
done
