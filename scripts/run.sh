#!/usr/bin/env bash
# The player's run command, on Debian 12:
#
#   scripts/run.sh [RECORDING.ts ...]
#
# installs what is missing (scripts/install-deps.sh), builds the player, and
# starts it with the recordings given. Without any, it opens a demo drive that the
# demo-drive tool writes once into the user's cache folder
# ($XDG_CACHE_HOME/OmbrelPlayer/demo-drive, ~/.cache without XDG_CACHE_HOME).
# The player needs a display; without one this says what to do.
set -euo pipefail

root="$(cd "$(dirname "$0")/.." && pwd)"
build="$root/build"

"$root/scripts/install-deps.sh"
# Warnings stay warnings here (the test command makes them errors): a newer compiler
# must not keep the player from starting.
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOMBREL_WERROR=OFF \
    >/dev/null
cmake --build "$build" -j "$(nproc)" --target ombrel-player ombrel-demo-drive

recordings=("$@")
if [ ${#recordings[@]} -eq 0 ]; then
    cache="${XDG_CACHE_HOME:-$HOME/.cache}/OmbrelPlayer"
    demo="$cache/demo-drive"
    if [ ! -d "$demo" ]; then
        echo "Writing a demo drive of three one-minute recordings into $demo" \
            "(once, about a minute)..."
        mkdir -p "$cache"
        # Written aside and then moved into place: an interrupted write is never
        # taken for a drive.
        partial="$(mktemp -d "$cache/demo-drive.XXXXXX")"
        trap 'rm -rf "$partial"' EXIT
        "$build/tools/ombrel-demo-drive" "$partial" | while IFS= read -r written; do
            echo "  written: ${written##*/}"
        done
        mv "$partial" "$demo"
        trap - EXIT
    fi
    shopt -s nullglob
    recordings=("$demo"/*.ts)
fi

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<EOF
The player is built, but there is no display to show it on (neither DISPLAY nor
WAYLAND_DISPLAY is set). Either
  - run it from a terminal of your desktop session, or set DISPLAY to your X
    display (for example DISPLAY=:0), or log in with X forwarding (ssh -X); or
  - run it on a virtual display, which shows nothing on a screen but works:
        xvfb-run -a $0${*:+ $*}
EOF
    exit 1
fi

exec "$build/app/ombrel-player" "${recordings[@]}"
