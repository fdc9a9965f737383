#!/usr/bin/env bash
# Builds Orvane and runs every test suite.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2 "$@"
