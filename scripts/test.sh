#!/usr/bin/env bash
# Builds Orvane and runs every test suite. With --sanitize the suite is built and run under
# AddressSanitizer and UndefinedBehaviorSanitizer instead (scripts/sanitize.sh).
set -euo pipefail
cd "$(dirname "$0")/.."
if [[ ${1:-} == --sanitize ]]; then
    shift
    exec scripts/sanitize.sh "$@"
fi
scripts/build.sh
cd build
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 300 -j2 "$@"
