#!/usr/bin/env bash
# The test suite under the sanitizers, each build in a folder of its own:
#   build-asan  AddressSanitizer + UndefinedBehaviorSanitizer (with float-to-integer overflow,
#               which g++ leaves out of "undefined"), every test, leak checking on
#   build-tsan  ThreadSanitizer, the tests that render on several threads at once (the frei0r
#               filter's too)
# Any finding fails the run.  SANITIZERS=asan or SANITIZERS=tsan runs one of the two.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh
JOBS="${JOBS:-2}"
SANITIZERS="${SANITIZERS:-asan tsan}"

# Assertions stay on (Debug), with light optimisation to keep the run short.
COMMON=(-G Ninja -DCMAKE_CXX_COMPILER=g++ -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=-O1 -g"
        -DTONEDOT_BUILD_TESTS=ON -DTONEDOT_BUILD_BENCH=OFF)

export ASAN_OPTIONS="halt_on_error=1:abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1:check_initialization_order=1:intercept_tls_get_addr=0"
# intercept_tls_get_addr=0: with it, the leak checker's tracer reads a stale dynamic-TLS range of
# the loaded effect library at the exit of a program that ran worker threads and crashes
# (signal 11 in the tracer, no finding of ours).
export UBSAN_OPTIONS="halt_on_error=1:print_stacktrace=1"
export LSAN_OPTIONS="report_objects=1:suppressions=$PWD/scripts/lsan.supp"
export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1"

# The tests that put several threads on the effect at once.
THREADED_TESTS="${THREADED_TESTS:-*Concurrency*:*Concurrent*}"

for s in $SANITIZERS; do
  start=$SECONDS
  case "$s" in
    asan)
      cmake -S . -B build-asan "${COMMON[@]}" -DTONEDOT_SANITIZE=address,undefined,float-cast-overflow
      cmake --build build-asan -j "$JOBS"
      ctest --test-dir build-asan -j "$JOBS" --output-on-failure --timeout 600
      ;;
    tsan)
      cmake -S . -B build-tsan "${COMMON[@]}" -DTONEDOT_BUILD_CLI=OFF -DTONEDOT_SANITIZE=thread
      cmake --build build-tsan -j "$JOBS" --target tonedot_tests
      ./build-tsan/tonedot_tests --gtest_filter="$THREADED_TESTS" --gtest_brief=1
      # The frei0r filter: instances on 8 threads, one instance from two threads at once.
      if grep -q '^TONEDOT_FREI0R_INCLUDE:PATH=/' build-tsan/CMakeCache.txt; then
        cmake --build build-tsan -j "$JOBS" --target tonedot_frei0r_tests
        ./build-tsan/frei0r/tests/tonedot_frei0r_tests --gtest_filter='*Thread*' --gtest_brief=1
      fi
      ;;
    *)
      echo "unknown sanitizer set: $s (asan or tsan)" >&2
      exit 2
      ;;
  esac
  echo "== $s: passed in $((SECONDS - start)) s"
done
