#!/usr/bin/env bash
# The test command: installs what is missing, builds two trees and runs the
# whole suite in both.
#   build/      release build (gcc): unit tests with the fastest kernels and
#               again forced onto the scalar code, end-to-end tests
#   build-san/  clang with AddressSanitizer + UndefinedBehaviorSanitizer: the
#               same tests, plus every fuzzer for a bounded time
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/deps.sh test
jobs=$(nproc)

# Both trees build the tests with warnings as errors; the benchmarks are built
# in the release tree (they are never built with the sanitizers).
checks=(-DBUILD_TESTING=ON -DDEMO_WERROR=ON -DDEMO_BENCH=ON)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release "${checks[@]}" >/dev/null
cmake --build build -j "$jobs"
cmake -S . -B build-san -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DDEMO_SANITIZE=ON \
      "${checks[@]}" -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build build-san -j "$jobs"

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:detect_stack_use_after_return=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
# Leaks that live wholly inside system libraries (SDL's D-Bus connection);
# any leak of ours is still reported.
export LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp

status=0
passed=0
failed=0
for tree in build build-san; do
  echo "== tests in $tree"
  log="$tree/ctest.log"
  # A test that fails is run once more: the end-to-end runs share two cores
  # with the rest of the suite, and a stall must not read as a fault. A real
  # fault fails both times.
  if ! ctest --test-dir "$tree" -j "$jobs" --output-on-failure --repeat until-pass:2 2>&1 | tee "$log"; then status=1; fi
  # "NN% tests passed, F tests failed out of T"
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1 || true)
  if [ -z "$line" ]; then status=1; continue; fi
  f=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/' <<<"$line")
  t=$(sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/' <<<"$line")
  passed=$((passed + t - f))
  failed=$((failed + f))
  [ "$f" -eq 0 ] || status=1
done
echo "tests: $passed passed, $failed failed"
exit $status
