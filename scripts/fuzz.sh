#!/usr/bin/env bash
# Builds the libFuzzer programs (clang, with AddressSanitizer and UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each for SECONDS on a work corpus outside git, seeded from fuzz/corpus/ and
# the inputs of tests/regression/. An input that crashes or hangs is kept in
# build-fuzz/findings/<target>/; minimise it (fuzz_<target> -minimize_crash=1 -runs=10000 FILE)
# and add it to tests/regression/<target>/, where the suite replays it.
#
# Usage: scripts/fuzz.sh [TARGET|all] [SECONDS]     (default: all, 60 seconds each)
# The fuzzers run at nice 19 so that they take only idle time; ORVANE_FUZZ_NICE sets another value.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${ORVANE_FUZZ_BUILD:-$root/build-fuzz}
all=(tape_records end_marker catalog_file job_file zip_unpack)
which=${1:-all}
seconds=${2:-60}
if [[ $which == all ]]; then
    targets=("${all[@]}")
elif [[ " ${all[*]} " == *" $which "* ]]; then
    targets=("$which")
else
    echo "Unknown target $which; one of: all ${all[*]}" >&2
    exit 2
fi

# The longest input worth trying: a cartridge of four blocks, a catalog of some hundred entries.
declare -A maxLength=([tape_records]=131072 [end_marker]=131072 [catalog_file]=65536
                      [job_file]=16384 [zip_unpack]=65536)

launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
nice -n 10 cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ -DORVANE_FUZZ=ON \
    -DORVANE_BUILD_TESTS=OFF "${launcher[@]}" >/dev/null
nice -n 10 cmake --build "$build" --target "${targets[@]/#/fuzz_}"

# The harnesses write their scratch files on every run: on tmpfs a synced save costs nothing.
[[ -w /dev/shm ]] && export TMPDIR=/dev/shm

status=0
for target in "${targets[@]}"; do
    work=$build/corpus/$target
    findings=$build/findings/$target
    mkdir -p "$work" "$findings"
    for seeds in "$root/fuzz/corpus/$target" "$root/tests/regression/$target"; do
        [[ -d $seeds ]] && cp -n "$seeds"/* "$work"/ 2>/dev/null || true
    done
    # A minute per input: on a loaded machine a slow moment is no hang worth reporting.
    options=(-max_total_time="$seconds" -max_len="${maxLength[$target]}" -timeout=60
             -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$findings/")
    [[ -f $root/fuzz/dict/$target.dict ]] && options+=(-dict="$root/fuzz/dict/$target.dict")
    echo "== $target: $seconds s, corpus $work"
    log=$build/fuzz-$target.log
    rc=0
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        nice -n "${ORVANE_FUZZ_NICE:-19}" "$build/bin/fuzz_$target" "${options[@]}" "$work" >"$log" 2>&1 || rc=$?
    grep -E 'DONE|stat::number_of_executed_units|SUMMARY|ERROR: libFuzzer' "$log" || true
    if [[ $rc -ne 0 ]] || [[ -n $(ls -A "$findings") ]]; then
        echo "$target: findings in $findings (log: $log)"
        status=1
    fi
    echo "$target: corpus now $(ls "$work" | wc -l) inputs"
done
exit $status
