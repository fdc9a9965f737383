#!/usr/bin/env bash
# Fails when a source file differs from what clang-format (the repo's .clang-format) makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
files=$(git ls-files -- '*.cpp' '*.h' 2>/dev/null || find src tests bench -name '*.cpp' -o -name '*.h')
clang-format --dry-run -Werror $files
echo "Format: every file as clang-format writes it."
