#!/usr/bin/env bash
# Builds the libFuzzer targets of the MP4 and MOV recording walks with clang and
# runs each for a short while (FUZZ_SECONDS, default 20), seeded with recordings
# from the test writers. A crash leaves its input in build-fuzz/ and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
jobs=$(nproc)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOMBREL_FUZZ=ON
cmake --build build-fuzz -j "$jobs" --target mp4_layout_fuzz mov_layout_fuzz fuzz_seeds

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build-fuzz/tests/fuzz/fuzz_seeds "$corpus"
for kind in mp4 mov; do
    mkdir -p "$corpus/$kind-found"
    build-fuzz/tests/fuzz/${kind}_layout_fuzz -max_total_time="$seconds" -max_len=16384 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/${kind}- \
        "$corpus/$kind-found" "$corpus/$kind"
done
