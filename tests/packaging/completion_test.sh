#!/usr/bin/env bash
# The bash completion of orvane-cli, run through bash-completion as an interactive shell runs it:
# each line is split as bash splits a command line, and the offered words must be the expected.
# Usage: completion_test.sh COMPLETION_FILE
set -uo pipefail
source /usr/share/bash-completion/bash_completion || exit 1
source "$1" || exit 1
# compopt only works while readline runs a completion; here the words themselves are checked.
compopt() { :; }

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir "$scratch/lib" "$scratch/lists"
touch "$scratch/lists/nightly.job"

# Completes LINE (the cursor at its end) and prints the offered words sorted, one a line. A
# directory that readline would end with '/' is offered without it.
offered() {
    COMP_LINE=$1
    COMP_POINT=${#1}
    # bash splits words at blanks and also around ':' and '='.
    read -ra COMP_WORDS <<<"$(sed 's/\([:=]\)/ \1 /g' <<<"$1")"
    [[ $1 == *[[:blank:]] || $1 == *[:=] ]] && COMP_WORDS+=("")
    COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
    COMPREPLY=()
    _orvane_cli orvane-cli "${COMP_WORDS[COMP_CWORD]}" "${COMP_WORDS[COMP_CWORD - 1]}"
    printf '%s\n' "${COMPREPLY[@]}" | sort
}

failures=0
check() {
    local line=$1 expected
    expected=$(tr ' ' '\n' <<<"$2" | sed '/^$/d' | sort)
    local got
    got=$(offered "$line" | sed '/^$/d')
    if [[ $got != "$expected" ]]; then
        echo "FAIL: '$line'"
        echo "  expected: $(tr '\n' ' ' <<<"$expected")"
        echo "  offered:  $(tr '\n' ' ' <<<"$got")"
        failures=$((failures + 1))
    fi
}

cd "$scratch" || exit 1
check "orvane-cli " "vtape tape backup catalog restore verify job schedule mail version disks disk help"
check "orvane-cli --" "--home --tape --job --yes --set --help --version"
check "orvane-cli -f vtape:lib/ v" "vtape verify version"
check "orvane-cli --home lib --yes ver" "verify version"
check "orvane-cli --set Options/Append=1 b" "backup"
check "orvane-cli --home " "lib lists"
check "orvane-cli --job lists/" "lists/nightly.job"
check "orvane-cli --tape " "vtape:"
check "orvane-cli --tape vtape:l" "lib/ lists/"
check "orvane-cli --tape vtape:lib/ v" "vtape verify version"
check "orvane-cli vtape " "create insert eject list fault"
check "orvane-cli vtape create monday --" "--capacity --partitions --protected"
check "orvane-cli vtape create monday --capacity " ""
check "orvane-cli vtape fault " "write-error read-error early-eom lose-medium protect short-read clear"
check "orvane-cli vtape fault write-error " ""
check "orvane-cli tape " "rewind eject position goto description info load tension eod erase format filemarks blocksize init-zero"
check "orvane-cli tape goto " ""
check "orvane-cli backup --" "--dry-run --exclude --disk"
check "orvane-cli backup --exclude lib li" "lib lists"
check "orvane-cli catalog " "--sequential --null -v"
check "orvane-cli restore --target " "lib lists"
check "orvane-cli restore -" "--dry-run --target --overwrite --numeric-owner --disk"
check "orvane-cli restore --overwrite " "never always ask"
check "orvane-cli job " "show set add exclude remove"
check "orvane-cli job add lists/" "lists/nightly.job"
check "orvane-cli job show " ""
check "orvane-cli schedule --" "--job"
check "orvane-cli schedule --job lists/" "lists/nightly.job"
check "orvane-cli verify " ""

[[ $failures -eq 0 ]] && echo "all completions as expected"
exit $((failures > 0))
