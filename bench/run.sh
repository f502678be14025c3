#!/usr/bin/env bash
# Makes a demo drive of 60-second recordings at a camera's bit rate and runs the
# benchmarks on it. DRIVE=folder reuses (or keeps) the recordings; COUNT, SIZE and
# KBPS change the drive.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j 4 --target ombrel-demo-drive ombrel-bench-recordings ombrel-bench-playback \
    ombrel-bench-chart

drive=${DRIVE:-}
if [[ -z "$drive" ]]; then
    drive=$(mktemp -d)
    trap 'rm -rf "$drive"' EXIT
fi
if ! compgen -G "$drive/*.ts" > /dev/null; then
    build/tools/ombrel-demo-drive "$drive" --count "${COUNT:-5}" --seconds 60 \
        --size "${SIZE:-1920x1080}" --kbps "${KBPS:-11000}"
fi
build/bench/ombrel-bench-recordings "$drive"/*.ts
# The playback engine makes its own 1080p recording.
build/bench/ombrel-bench-playback
# The chart makes its own two-hour drive.
build/bench/ombrel-bench-chart
