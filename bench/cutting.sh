#!/usr/bin/env bash
# Cuts 60 seconds across the join of the first two of three 60-second recordings at
# 12 Mbit/s, with our cutting job, with ffmpeg -c copy and with cp of as many bytes.
# DRIVE=folder reuses (or keeps) the recordings; START and END move the span.
set -euo pipefail
cd "$(dirname "$0")/.."

cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j 4 --target ombrel-demo-drive ombrel-bench-cutting

drive=${DRIVE:-}
if [[ -z "$drive" ]]; then
    drive=$(mktemp -d)
    trap 'rm -rf "$drive"' EXIT
fi
if ! compgen -G "$drive/*.ts" > /dev/null; then
    build/tools/ombrel-demo-drive "$drive" --count 3 --seconds 60 --size "${SIZE:-1920x1080}" \
        --kbps "${KBPS:-12000}"
fi
build/bench/ombrel-bench-cutting "${START:-30}" "${END:-90}" "$drive"/*.ts
