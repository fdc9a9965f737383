#!/usr/bin/env bash
# Installs the Debian packages that building and testing Orvane need, when they are missing.
set -euo pipefail

packages=(
    cmake ninja-build g++ pkg-config clang-format clang-tidy
    qt6-base-dev libgl-dev
    libgtest-dev
    libzip-dev zip unzip
    libcurl4-openssl-dev
    python3 python3-aiosmtpd
    dbus-daemon systemd
    xvfb xauth
    dpkg-dev fakeroot desktop-file-utils man-db bash-completion
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
sudo=""
[ "$(id -u)" -ne 0 ] && sudo="sudo"
export DEBIAN_FRONTEND=noninteractive
$sudo apt-get update -qq
$sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
