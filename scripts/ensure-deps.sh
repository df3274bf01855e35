#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when any is missing; with
# package names as arguments, those instead.
set -euo pipefail

packages=(
    cmake g++ ninja-build ccache pkg-config libcli11-dev nlohmann-json3-dev
    qt6-base-dev qt6-serialport-dev libgl-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    fonts-noto-cjk lrzsz xvfb xauth python3 valgrind
    lintian appstream desktop-file-utils
    u-boot-qemu qemu-system-arm
)
if [ $# -gt 0 ]; then packages=("$@"); fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

if ! command -v apt-get >/dev/null 2>&1; then
    echo "Missing packages and no apt-get to install them: ${missing[*]}" >&2
    exit 1
fi
sudo_cmd=()
[ "$(id -u)" -ne 0 ] && sudo_cmd=(sudo)
echo "Installing: ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo_cmd[@]}" apt-get update -qq
"${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
    -o DPkg::Lock::Timeout=600 "${missing[@]}" >/dev/null
