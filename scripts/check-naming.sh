#!/usr/bin/env bash
# Checks the names of src/ against the convention of .clang-tidy. Takes the build directory that
# holds compile_commands.json (default build/); with --fix, renames what it can.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${1:-$root/build}
shift || true
# One source file of src/ each; the generated moc files of the build are not ours to name.
run-clang-tidy -quiet -p "$build" "$@" "^$root/src/[a-z]+/[a-z_]+\.cpp$" >"$build/naming.log" 2>&1 || {
    grep -E '(warning|error): ' "$build/naming.log" | sort -u
    echo "Naming: see $build/naming.log"
    exit 1
}
echo "Naming: every name follows the convention."
