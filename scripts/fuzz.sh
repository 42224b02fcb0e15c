#!/usr/bin/env bash
# Builds the libFuzzer targets (clang, AddressSanitizer, UBSan) in build-fuzz/ and runs each of them
# for SECONDS (default 20), one after the other, starting from its seed corpus in fuzz/corpus/.
# What a run finds is kept in build-fuzz/corpus/ and is the starting point of the next run; a crash,
# leak or time-out is written to build-fuzz/artifacts/ and fails the script.
#   scripts/fuzz.sh            # every target, 20 s each
#   scripts/fuzz.sh 600        # a long run by hand
#   FUZZ_TARGETS="zip-extract wave" scripts/fuzz.sh 60
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
scripts/install-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUILLBARROW_FUZZ=ON "${launcher[@]}" >/dev/null
cmake --build build-fuzz -j "$(nproc)" --target fuzz-targets

all=(table-file server-check login-reply chat file-version resource-bundle wave zip-extract form-fields
     service-endpoints)
read -r -a targets <<< "${FUZZ_TARGETS:-${all[*]}}"

# The targets that write files do it in a scratch folder; memory is faster and spares the disk.
if [ -w /dev/shm ]; then export TMPDIR=/dev/shm; fi
export ASAN_OPTIONS=abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1

failed=()
summary=""
for t in "${targets[@]}"; do
  work=build-fuzz/corpus/$t
  mkdir -p "$work" build-fuzz/artifacts
  options=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2048 -print_final_stats=1
           -artifact_prefix="build-fuzz/artifacts/$t-")
  [ -f "fuzz/dict/$t.dict" ] && options+=(-dict="fuzz/dict/$t.dict")
  log=build-fuzz/fuzz-$t.log
  echo "fuzz: $t for ${seconds} s"
  if build-fuzz/fuzz/fuzz-"$t" "${options[@]}" "$work" "fuzz/corpus/$t" >"$log" 2>&1; then
    result=ok
  else
    result="FAILED (see $log)"
    failed+=("$t")
    grep -E '^==[0-9]+==|^SUMMARY|fuzz check failed|runtime error' "$log" | head -5 >&2 || true
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  summary+=$(printf '\n  %-18s %12s runs  %s' "$t" "${runs:-?}" "$result")
done
echo "fuzz: executions per target${summary}"
if [ ${#failed[@]} -ne 0 ]; then
  echo "fuzz: failed: ${failed[*]}; reproduce with build-fuzz/fuzz/fuzz-TARGET build-fuzz/artifacts/FILE" >&2
  exit 1
fi
