#!/usr/bin/env bash
# Builds the whole suite with AddressSanitizer and UndefinedBehaviorSanitizer in build-sanitize/
# and runs ctest there (without the naming and format checks, which look at the sources only).
# Any report fails its test: UBSan halts at the first error, LeakSanitizer at exit.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_SANITIZE_BUILD:-$root/build-sanitize}
flags="-fsanitize=address,undefined -fno-omit-frame-pointer"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
nice -n 10 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_FLAGS="$flags" -DCMAKE_EXE_LINKER_FLAGS="-fsanitize=address,undefined" \
    "${launcher[@]}" >/dev/null
nice -n 10 cmake --build "$build"
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=0
cd "$build"
QT_QPA_PLATFORM=offscreen ctest --output-on-failure --timeout 900 -j2 -E '^(naming|format)$' "$@"
