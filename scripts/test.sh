#!/usr/bin/env bash
# The project's one test command: installs the dependencies, checks that every
# tracked C++ file is as clang-format 14 writes it, builds, runs every test, then
# builds the file-parsing and worker libraries again under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs their tests, and the chart's render thread
# under ThreadSanitizer. The recording readers are fuzzed briefly in between.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

# The recording walks under libFuzzer, briefly (clang build).
scripts/fuzz.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_SANITIZE=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

# Qt itself is not instrumented: its own ordering is suppressed (tests/support/tsan.supp).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_TSAN=ON
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 600
