#!/usr/bin/env bash
# Installs everything the player needs to build, test and run on Debian 12.
# Idempotent: packages already present are left as they are.
set -euo pipefail

packages=(
    build-essential cmake ninja-build pkg-config git
    qt6-base-dev qt6-multimedia-dev qt6-webengine-dev libgl-dev
    libavformat-dev libavcodec-dev libswscale-dev libswresample-dev libavutil-dev libavfilter-dev
    libjs-leaflet
    libgtest-dev
    ffmpeg
    fonts-dejavu-core fonts-dejavu-extra fonts-wqy-microhei
    xvfb xauth
    clang libclang-rt-14-dev
    clang-format-14
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo_cmd=()
if [ "$(id -u)" -ne 0 ]; then sudo_cmd=(sudo); fi
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -o DPkg::Lock::Timeout=600
"${sudo_cmd[@]}" apt-get install -y --no-install-recommends -o DPkg::Lock::Timeout=600 "${missing[@]}"
