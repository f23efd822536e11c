#!/usr/bin/env bash
# Builds the libFuzzer targets with clang and runs each for a given time.
# Usage: fuzz.sh SECONDS [BUILD_DIR] [TARGET...]
# Reports executions, coverage (edges), findings and seconds run per target;
# exits non-zero on any finding. Findings are kept in BUILD_DIR/fuzz-work/TARGET/findings.
set -euo pipefail
seconds=${1:-600}
build=${2:-build-fuzz}
shift $(( $# >= 2 ? 2 : $# ))
here=$(cd "$(dirname "$0")/.." && pwd)

cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DKARVEX_FUZZ=ON -DKARVEX_WITH_QT=OFF -DKARVEX_TESTS=OFF >/dev/null
# The machine is shared: at most two compile jobs; the build log only on failure.
if ! cmake --build "$build" -j 2 >"$build/build.log" 2>&1; then
  cat "$build/build.log"
  exit 1
fi

targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  for t in "$build"/fuzz/fuzz_*; do [ -x "$t" ] && targets+=("$(basename "$t")"); done
fi

failed=0
passed_count=0
failed_count=0
printf '%-20s %12s %8s %8s %8s\n' target executions coverage findings seconds
for name in "${targets[@]}"; do
  work="$build/fuzz-work/$name"
  mkdir -p "$work/corpus" "$work/findings"
  # Seeds from the repository; the working corpus grows outside it.
  [ -d "$here/fuzz/corpus/$name" ] && cp -n "$here/fuzz/corpus/$name"/* "$work/corpus/" 2>/dev/null || true
  log="$work/last.log"
  started=$SECONDS
  set +e
  "$build/fuzz/$name" -max_total_time="$seconds" -print_final_stats=1 -rss_limit_mb=4096 \
    -timeout=20 -artifact_prefix="$work/findings/" "$work/corpus" >"$log" 2>&1
  rc=$?
  set -e
  execs=$(grep -o 'stat::number_of_executed_units: [0-9]*' "$log" | awk '{print $2}' | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | awk '{print $2}' | tail -1)
  # A slow unit is a time report, not a fault: a loaded machine makes them.
  found=$(find "$work/findings" -type f ! -name 'slow-unit-*' | wc -l)
  printf '%-20s %12s %8s %8s %8s\n' "$name" "${execs:-?}" "${cov:-?}" "$found" $((SECONDS - started))
  if [ $rc -eq 0 ] && [ "$found" -eq 0 ]; then
    passed_count=$((passed_count + 1))
  else
    failed=1
    failed_count=$((failed_count + 1))
    echo "  $name failed (exit $rc); log: $log"
    tail -40 "$log" | sed 's/^/  | /'
  fi
done
echo "fuzz: $passed_count passed, $failed_count failed"
exit $failed
