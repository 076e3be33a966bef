#!/usr/bin/env bash
# Installs the Debian packages Kelvarin builds, tests and renders with.
# Idempotent: does nothing when everything is already there.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format clang-tidy
    libgtest-dev libgmock-dev libbenchmark-dev
    libgeos-dev libboost-dev libgmp-dev
    clang libclang-rt-14-dev
    libcairo2-dev libpango1.0-dev fonts-wqy-zenhei
    libcli11-dev nlohmann-json3-dev
    libxml2-dev poppler-utils python3-shapely
    libgdal-dev
    libx11-dev xvfb xdotool x11-apps x11-utils libxml2-utils groff-base
    g++-mingw-w64-x86-64 g++-mingw-w64-x86-64-posix mingw-w64 googletest wine wine64 imagemagick zip unzip
    emscripten chromium
)
# node and npm drive the web page's browser tests; a machine with its own node keeps it
if ! command -v npm >/dev/null; then packages+=(nodejs npm); fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

if ((${#missing[@]})); then
    echo "Installing: ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y --no-install-recommends "${missing[@]}"
fi
