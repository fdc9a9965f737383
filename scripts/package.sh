#!/usr/bin/env bash
# Builds the Debian package of Orvane into build-package/ (a Release build without the test
# suites): build-package/orvane_VERSION_ARCH.deb. Install it with `sudo dpkg -i` or `sudo apt
# install ./build-package/orvane_*.deb`.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
    -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
cmake --build build-package
cd build-package
cpack -G DEB
ls "$PWD"/orvane_*.deb
