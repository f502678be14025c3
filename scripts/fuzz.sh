#!/usr/bin/env bash
# Builds the libFuzzer targets of the MP4 and MOV recording walks, the MPEG-TS
# probe, the sensor-log decoder and the MPEG-TS cutter with clang and runs each
# for a short while (FUZZ_SECONDS, default 20), seeded with recordings from the
# test writers. A crash or a hang leaves its input in build-fuzz/ and fails.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${FUZZ_SECONDS:-20}
jobs=$(nproc)
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOMBREL_FUZZ=ON -DOMBREL_WERROR=ON
cmake --build build-fuzz -j "$jobs" --target mp4_layout_fuzz mov_layout_fuzz ts_probe_fuzz \
    ts_log_fuzz ts_cut_fuzz fuzz_seeds

corpus=$(mktemp -d)
trap 'rm -rf "$corpus"' EXIT
build-fuzz/tests/fuzz/fuzz_seeds "$corpus"
# target, seed folder, longest input
run() {
    mkdir -p "$corpus/$1-found"
    build-fuzz/tests/fuzz/$1 -max_total_time="$seconds" -max_len="$3" -timeout=20 \
        -print_final_stats=1 -artifact_prefix=build-fuzz/$1- "$corpus/$1-found" "$corpus/$2"
}
run mp4_layout_fuzz mp4 16384
run mov_layout_fuzz mov 16384
for target in ts_probe_fuzz ts_log_fuzz ts_cut_fuzz; do
    run $target ts 65536
done
