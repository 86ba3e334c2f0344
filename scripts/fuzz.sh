#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, AddressSanitizer + UndefinedBehaviorSanitizer) into
# build-fuzz and runs each for a bounded time, starting from its seed corpus in
# fuzz/corpus/<name>.  New inputs found go to build-fuzz/corpus/<name>, never into the
# repository; a failing input is kept as build-fuzz/artifacts/<name>/crash-* and fails the run.
#   FUZZ_SECONDS  time per program (default 60)
#   FUZZ_TARGETS  programs to run, e.g. "settings_file" (default: all)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
JOBS="${JOBS:-2}"
SECONDS_EACH="${FUZZ_SECONDS:-60}"

cmake -S . -B build-fuzz -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
  "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g" -DTONEDOT_BUILD_FUZZ=ON -DTONEDOT_SANITIZE=address,undefined \
  -DTONEDOT_BUILD_TESTS=OFF -DTONEDOT_BUILD_BENCH=OFF -DTONEDOT_BUILD_CLI=ON
cmake --build build-fuzz -j "$JOBS" --target fuzz_targets

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1"
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"

if [ -n "${FUZZ_TARGETS:-}" ]; then
  targets="$FUZZ_TARGETS"
else
  targets=$(cd fuzz/corpus && ls)
fi

status=0
summary=""
for t in $targets; do
  program="build-fuzz/fuzz/fuzz_$t"
  work="build-fuzz/corpus/$t"
  artifacts="build-fuzz/artifacts/$t"
  mkdir -p "$work" "$artifacts"
  cp -n fuzz/corpus/"$t"/* "$work"/ 2>/dev/null || true
  log="build-fuzz/fuzz_$t.log"
  echo "== fuzz_$t for ${SECONDS_EACH} s"
  if "$program" -max_total_time="$SECONDS_EACH" -timeout=10 -rss_limit_mb=2048 \
       -print_final_stats=1 -artifact_prefix="$artifacts/" "$work" >"$log" 2>&1; then
    result=ok
  else
    result=FAILED
    status=1
    tail -n 60 "$log"
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rss=$(sed -n 's/^stat::peak_rss_mb: *//p' "$log" | tail -1)
  files=$(ls "$work" | wc -l)
  summary+=$(printf '%-22s %-6s %10s runs  peak RSS %5s MB  corpus %5s\n' "fuzz_$t" "$result" "${runs:-?}" "${rss:-?}" "$files")
  summary+=$'\n'
done
echo "== fuzzing summary (${SECONDS_EACH} s each)"
printf '%s' "$summary"
exit $status
