#!/usr/bin/env bash
# Installs what is missing and builds Orvane into build/ (BUILD_TYPE=Release for benchmarks).
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE="${BUILD_TYPE:-RelWithDebInfo}" >/dev/null
cmake --build build
