#!/usr/bin/env bash
# Installs the Debian packages the project needs, and only those that are missing.
# Usage: scripts/install-deps.sh [fuzz]
#   fuzz  also installs the clang toolchain and its libFuzzer runtime.
# apt-get update runs only when something has to be installed, so a second run costs a few
# dpkg look-ups and nothing else.
set -euo pipefail

packages=(
    build-essential
    cmake
    pkg-config
    libsdl2-dev
    libsdl2-image-dev
    libsdl2-ttf-dev
    libsdl2-mixer-dev
    libfontconfig-dev
    libssl-dev
    libgtest-dev
    libgmock-dev
    libbenchmark-dev
    fonts-wqy-microhei
    xvfb
    xauth
    xdotool
    python3
    clang-format
    tinyproxy
    dante-server
    sox
    libsox-fmt-base
    libsox-fmt-mp3
    espeak-ng
    ccache
)

for extra in "$@"; do
    case "$extra" in
    fuzz) packages+=(clang libclang-rt-14-dev) ;;
    *)
        echo "install-deps: unknown set '$extra'" >&2
        exit 2
        ;;
    esac
done

missing=()
for p in "${packages[@]}"; do
    if ! dpkg -s "$p" 2>/dev/null | grep -q '^Status: install ok installed'; then
        missing+=("$p")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
