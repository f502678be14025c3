#!/usr/bin/env bash
# The project's one test command: installs the dependencies, checks that every
# tracked C++ file is as clang-format 14 writes it, builds, runs every test, then
# builds the file-parsing and worker libraries, the media graph and the player
# again under AddressSanitizer and UndefinedBehaviorSanitizer and runs their tests,
# the threaded libraries (the hand-offs to the GUI thread, media graph and player,
# log manager, cutting job, the chart's render thread) under ThreadSanitizer with
# their thread tests, and the application's tests with the whole program built
# under AddressSanitizer and UndefinedBehaviorSanitizer (in the same build). The
# recording readers are fuzzed briefly in between. Every build takes compiler
# warnings as errors.
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

# The sanitizer builds keep line tables only: enough for their reports, and quicker
# to build than full debug information.
lines=-g1

# The application's tests among them run the whole program built so: its start-up
# and shut-down (a cut or a worker's box left behind).
cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=$lines" \
    -DOMBREL_SANITIZE=ON -DOMBREL_WERROR=ON
cmake --build build-asan -j "$jobs"
ASAN_OPTIONS=detect_leaks=0:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
    ctest --test-dir build-asan --output-on-failure -j "$jobs" --timeout 600

# Qt and FFmpeg are not instrumented: their own ordering is suppressed
# (tests/support/tsan.supp).
cmake -S . -B build-tsan -G Ninja -DCMAKE_BUILD_TYPE=Debug "-DCMAKE_CXX_FLAGS_DEBUG=$lines" \
    -DOMBREL_TSAN=ON -DOMBREL_WERROR=ON
cmake --build build-tsan -j "$jobs"
TSAN_OPTIONS="suppressions=$PWD/tests/support/tsan.supp halt_on_error=1" \
    ctest --test-dir build-tsan --output-on-failure -j "$jobs" --timeout 600
