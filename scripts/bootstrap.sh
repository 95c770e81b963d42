#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the programs need.
# Idempotent: when every package is present it only checks and says nothing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-translations-l10n
    zlib1g-dev
    libpugixml-dev
    libxlsxwriter-dev
    libgtest-dev libgmock-dev
    zip unzip python3
    fonts-wqy-microhei
    xvfb xauth
    clang libclang-rt-14-dev
    clang-format
)

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done

if [ "${#missing[@]}" -gt 0 ]; then
    echo "bootstrap: installing ${missing[*]}"
    SUDO=""
    if [ "$(id -u)" -ne 0 ]; then SUDO="sudo"; fi
    export DEBIAN_FRONTEND=noninteractive
    $SUDO apt-get update -qq
    $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
