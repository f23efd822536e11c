#!/usr/bin/env bash
# Line coverage of the readers reached by the fuzz corpora: builds the fuzz
# targets with clang's source-based coverage, replays each target's corpus
# once (no fuzzing) and prints llvm-cov's report for the reader sources.
# Usage: fuzz-coverage.sh [FUZZ_BUILD_DIR] [COVERAGE_BUILD_DIR]
#   FUZZ_BUILD_DIR holds the grown corpora of earlier runs (fuzz-work/TARGET/corpus);
#   without them the seeds in fuzz/corpus are replayed.
set -euo pipefail
fuzzed=${1:-build-fuzz}
build=${2:-build-fuzz-cov}
here=$(cd "$(dirname "$0")/.." && pwd)
profdata=$(command -v llvm-profdata-14 || command -v llvm-profdata)
cov=$(command -v llvm-cov-14 || command -v llvm-cov)

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DKARVEX_FUZZ=ON -DKARVEX_WITH_QT=OFF -DKARVEX_TESTS=OFF \
  -DCMAKE_CXX_FLAGS="-fprofile-instr-generate -fcoverage-mapping" \
  -DCMAKE_EXE_LINKER_FLAGS="-fprofile-instr-generate" >/dev/null
if ! cmake --build "$build" -j 2 >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

profiles="$build/profiles"
rm -rf "$profiles"
mkdir -p "$profiles"
objects=()
for program in "$build"/fuzz/fuzz_*; do
  [ -x "$program" ] || continue
  name=$(basename "$program")
  corpora=("$here/fuzz/corpus/$name")
  [ -d "$fuzzed/fuzz-work/$name/corpus" ] && corpora+=("$fuzzed/fuzz-work/$name/corpus")
  count=$(find "${corpora[@]}" -type f | wc -l)
  echo "$name: replaying $count inputs"
  LLVM_PROFILE_FILE="$profiles/$name.profraw" "$program" -runs=0 -rss_limit_mb=4096 "${corpora[@]}" \
    >"$profiles/$name.log" 2>&1
  objects+=(-object "$program")
done
"$profdata" merge -sparse "$profiles"/*.profraw -o "$profiles/all.profdata"
"$cov" report "${objects[@]:1}" -instr-profile="$profiles/all.profdata" \
  "$here/codec/RgmDecoder.cpp" "$here/codec/RegionPaint.cpp" "$here/doc/BmpReader.cpp" "$here/doc/JpegReader.cpp" \
  "$here/doc/TruecolorImport.cpp" "$here/doc/ColorHistogram.cpp" "$here/doc/SurvivorGrid.cpp"
