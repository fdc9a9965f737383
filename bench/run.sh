#!/usr/bin/env bash
# Builds a Release orvane-cli and the window's catalog timing program, makes the data sets in a
# temporary directory and prints one table of Orvane against its references.
# Usage: bench/run.sh [--quick] [CASE...]
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup-deps.sh
for tool in hyperfine /usr/bin/time; do
    command -v "$tool" >/dev/null || { sudo="" ; [ "$(id -u)" -ne 0 ] && sudo=sudo; $sudo apt-get install -y -qq hyperfine time; break; }
done
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DORVANE_BUILD_TESTS=OFF \
    -DORVANE_BUILD_BENCH=ON >/dev/null
cmake --build build-release --target orvane-cli orvane gui_catalog_timing
exec python3 bench/benchmarks.py --cli build-release/bin/orvane-cli --gui build-release/bin/orvane \
    --window-timing build-release/bin/gui_catalog_timing "$@"
