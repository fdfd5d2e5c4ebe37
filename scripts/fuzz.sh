#!/usr/bin/env bash
# Builds the fuzz targets with clang and libFuzzer (build-fuzz/) and runs each for
# a bounded time, starting from the seed corpus in tests/fuzz/corpus/<target>.
# Usage: scripts/fuzz.sh [seconds per target, default 300] [target ...]
# New inputs go to build-fuzz/corpus/<target> (the tree's seeds stay as they are);
# a failing input is kept in build-fuzz/artifacts/. Executions per target are
# printed at the end and written to build-fuzz/fuzz-report.txt.
# DTU_FUZZ_SEED fixes libFuzzer's seed (unset: a new one each run), so a run from an
# empty build-fuzz/corpus explores the same inputs on every machine, only more of them
# the longer it runs.
set -euo pipefail
cd "$(dirname "$0")/.."
secs=${1:-300}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(fuzz_text fuzz_version fuzz_lang fuzz_ini fuzz_dispatch fuzz_xmodem)

if ! command -v clang++ >/dev/null; then
  echo "fuzz.sh: clang++ is not installed (scripts/deps.sh test installs it)" >&2
  exit 2
fi
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_CXX_COMPILER=clang++ \
  -DDTU_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target "${targets[@]}"

mkdir -p build-fuzz/artifacts
report=build-fuzz/fuzz-report.txt
: >"$report"
failed=0
export QT_QPA_PLATFORM=offscreen
# Leaks in Qt's own start-up are no finding of ours; everything else stops the run.
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work"
  log=build-fuzz/$t.log
  set +e
  "build-fuzz/tests/fuzz/$t" -max_total_time="$secs" -timeout=10 -rss_limit_mb=2048 -max_len=8192 \
    -print_final_stats=1 -seed="${DTU_FUZZ_SEED:-0}" -artifact_prefix="build-fuzz/artifacts/$t-" "$work" "tests/fuzz/corpus/$t" \
    >"$log" 2>&1
  rc=$?
  set -e
  execs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  if [ $rc -eq 0 ]; then verdict=clean; else verdict="FAILED (exit $rc, see $log)"; failed=1; fi
  printf '%-14s %5ss %10s executions  coverage %6s  %s\n' "$t" "$secs" "${execs:-?}" "${cov:-?}" "$verdict" |
    tee -a "$report"
  [ $rc -ne 0 ] && grep -E 'fuzz check failed|ERROR: |SUMMARY|runtime error' "$log" | head -5 >&2
done
exit $failed
