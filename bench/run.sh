#!/usr/bin/env bash
# Runs the benchmarks against the outside tools and the floors (see README.md here).
#
#   bench/run.sh [probe] [cut] [first] [seek] [present] [window] [memory] [soak] [chart]
#                                                                      (all when none)
#
# Builds the benchmark programs, writes the benchmark recordings once into MEDIA
# (default build/bench-media, kept between runs; NO_LARGE=1 leaves out the 1.85 GB
# one), then runs each part. CORES2 and CORES8 (default 0,1 and 0-7) are the two
# core sets the sides are pinned to; ROUNDS overrides each part's rounds.
set -euo pipefail
cd "$(dirname "$0")/.."

parts=("$@")
[[ ${#parts[@]} -gt 0 ]] || parts=(probe cut first seek present window memory soak chart)
wants() { [[ " ${parts[*]} " == *" $1 "* ]]; }

cmake -S . -B build -G Ninja > /dev/null
cmake --build build -j 4 --target ombrel-bench-media ombrel-bench-recordings \
    ombrel-bench-cutting ombrel-bench-playback ombrel-bench-player ombrel-bench-decode \
    ombrel-bench-chart ombrel-bench-soak ombrel-bench-window > /dev/null

media=${MEDIA:-build/bench-media}
build/bench/ombrel-bench-media ${NO_LARGE:+--no-large} "$media" > /dev/null
first() { ls "$media/$1"/*.ts | head -n 1; }
camera=camera-x264-veryfast-high
drive=("$media/$camera-bf0-1080p30-12mbps-60s"/*.ts)
bf0=$(first "$camera-bf0-1080p30-12mbps-60s")
bf3=$(first "$camera-bf3-1080p30-12mbps-60s")
demo=$(first demo-x264-ultrafast-1080p30-12mbps-60s)
long=("$(first "$camera-bf0-1080p30-12mbps-180s")")
[[ -n ${NO_LARGE:-} ]] || long+=("$(first "$camera-bf0-1080p30-12mbps-1200s")")
tiny=$(first tiny-x264-ultrafast-320x240-1s)
cores2=${CORES2:-0,1}
cores8=${CORES8:-0-7}
rounds() { [[ -z ${ROUNDS:-} ]] || echo "--rounds $ROUNDS"; }

# Qt wants a private runtime folder; the GL runs want an X server with GL.
runtime=$(mktemp -d)
trap 'rm -rf "$runtime"' EXIT
export XDG_RUNTIME_DIR=$runtime
playback() { QT_QPA_PLATFORM=offscreen build/bench/ombrel-bench-playback "$@"; }
playback_gl() {
    xvfb-run -a -s "-screen 0 1920x1080x24" env -u QT_QPA_PLATFORM \
        build/bench/ombrel-bench-playback "$@"
}

echo "# $(nproc) cores, load $(cut -d' ' -f1-3 /proc/loadavg), $(date -u +%FT%TZ)"
if wants probe; then
    echo "## probe and log decode"
    build/bench/ombrel-bench-recordings --cores "$cores2" $(rounds) --tiny "$tiny" \
        "$bf0" "$bf3" "$demo"
fi
if wants cut; then
    echo "## cut"
    build/bench/ombrel-bench-cutting --cores "$cores2" $(rounds) --tiny "$tiny" "${drive[@]}"
fi
if wants first; then
    echo "## first picture"
    playback --cores "$cores2" $(rounds) --sections first --tiny "$tiny" \
        "$bf0" "$bf3" "$demo" "${long[@]}"
fi
if wants seek; then
    echo "## exact seek"
    # More rounds: the tool's figure is the difference of two runs of ~0.3 s each.
    playback --cores "$cores2" --rounds "${ROUNDS:-5}" --sections seek --tiny "$tiny" \
        "$bf0" "$bf3"
fi
if wants present; then
    echo "## presentation: raster renderer (offscreen), then GL renderer (Xvfb)"
    for cores in "$cores2" "$cores8"; do
        playback --cores "$cores" $(rounds) --sections present --tiny "$tiny" \
            "$bf0" "$bf3" "$demo"
    done
    for cores in "$cores2" "$cores8"; do
        playback_gl --cores "$cores" $(rounds) --sections present --tiny "$tiny" "$bf0" "$demo"
    done
fi
if wants window; then
    echo "## playing in the main window where OpenGL is a software rasteriser (Xvfb)"
    xvfb-run -a -s "-screen 0 1920x1080x24" env -u QT_QPA_PLATFORM \
        build/bench/ombrel-bench-window --cores "$cores2" $(rounds) "$bf0"
fi
if wants memory; then
    echo "## memory, and sound against the clock"
    playback --cores "$cores2" --sections memory,audio --tiny "$tiny" "$bf0"
fi
if wants soak; then
    echo "## memory over a long drive: raster renderer (offscreen), then GL renderer (Xvfb)"
    # The program writes its 20-recording drive into the media folder once.
    QT_QPA_PLATFORM=offscreen build/bench/ombrel-bench-soak $(rounds) "$media"
    xvfb-run -a -s "-screen 0 1920x1080x24" env -u QT_QPA_PLATFORM \
        build/bench/ombrel-bench-soak $(rounds) "$media"
fi
if wants chart; then
    echo "## chart"
    # The chart makes its own two-hour drive.
    build/bench/ombrel-bench-chart
fi
