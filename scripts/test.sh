#!/usr/bin/env bash
# The project's one test command: installs the dependencies, checks that every
# tracked C++ file is as clang-format 14 writes it, builds, runs every test, then
# builds the file-parsing and worker libraries again under AddressSanitizer and
# UndefinedBehaviorSanitizer and runs their tests, the chart's render thread under
# ThreadSanitizer, and the application's tests with the whole program built under
# AddressSanitizer and UndefinedBehaviorSanitizer. The recording readers are
# fuzzed briefly in between. Every build takes compiler warnings as errors.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
scripts/check-format.sh

jobs=$(nproc)
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs" --timeout 300

# The recording walks under libFuzzer, briefly (clang build).
scripts/fuzz.sh

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_SANITIZE=ON -DOMBREL_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

# Qt itself is not instrumented: its own ordering is suppressed (tests/support/tsan.supp).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_TSAN=ON -DOMBREL_WERROR=ON
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 600

# The program's start-up and shut-down (a cut or a worker's box left behind) under
# ASan and UBSan: the application's tests, with everything they link built
# instrumented.
cmake -S . -B build-asan-app -G Ninja -DCMAKE_BUILD_TYPE=Debug -DOMBREL_WERROR=ON \
    "-DCMAKE_CXX_FLAGS=-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer" \
    "-DCMAKE_EXE_LINKER_FLAGS=-fsanitize=address,undefined"
cmake --build build-asan-app -j "$jobs" --target app_tests
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan-app/tests/app --output-on-failure -j "$jobs" --timeout 600
