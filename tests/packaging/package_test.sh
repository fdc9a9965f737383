#!/usr/bin/env bash
# Makes the Debian package from a built tree and checks it: its fields, every file it must hold,
# the desktop entry and the manual pages, and that the installed orvane-cli runs and keeps its
# files in ~/.local/share/orvane/ rather than beside itself.
# Usage: package_test.sh BUILD_DIR VERSION [EXTRA_FILE...] (paths as dpkg-deb -c lists them)
set -euo pipefail
build=$1
version=$2
shift 2

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# The tree is built already: CPack installs it into its own staging directory and packs that.
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$scratch/out" >"$scratch/cpack.log" 2>&1 || {
    cat "$scratch/cpack.log"
    exit 1
}
debs=("$scratch"/out/*.deb)
[[ ${#debs[@]} -eq 1 && -f ${debs[0]} ]] || {
    echo "FAIL: cpack made no single .deb: ${debs[*]}"
    exit 1
}
deb=${debs[0]}

field() { dpkg-deb -f "$deb" "$1"; }
[[ $(field Package) == orvane ]] || fail "Package is '$(field Package)'"
[[ $(field Version) == "$version" ]] || fail "Version is '$(field Version)', not $version"
[[ -n $(field Maintainer) ]] || fail "no Maintainer"
[[ -n $(field Description) ]] || fail "no Description"
depends=$(field Depends)
for library in libqt6core6 libqt6gui6 libqt6widgets6 libzip4 libc6 libstdc++6; do
    [[ $depends == *"$library "* || $depends == *"$library" || $depends == *"$library,"* ]] ||
        fail "Depends lacks $library: $depends"
done

dpkg-deb -c "$deb" | awk '{ print $6 }' >"$scratch/files"
for file in \
    ./usr/bin/orvane \
    ./usr/bin/orvane-cli \
    ./usr/share/orvane/Orvane-readme.txt \
    ./usr/share/applications/orvane.desktop \
    ./usr/share/icons/hicolor/scalable/apps/orvane.svg \
    ./usr/share/man/man1/orvane.1.gz \
    ./usr/share/man/man1/orvane-cli.1.gz \
    ./usr/share/bash-completion/completions/orvane-cli \
    "$@"; do
    # An extra file that this build does not make comes as an empty argument.
    [[ -z $file ]] || grep -qxF "$file" "$scratch/files" || fail "the package lacks $file"
done

root=$scratch/root
dpkg-deb -x "$deb" "$root"
desktop-file-validate "$root/usr/share/applications/orvane.desktop" ||
    fail "desktop-file-validate refuses orvane.desktop"
for page in "$root"/usr/share/man/man1/*.1.gz; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$page" 2>&1 >/dev/null)
    [[ -z $warnings ]] || fail "$(basename "$page"): $warnings"
done

# The installed program, run from its installed place.
export HOME=$scratch/home
mkdir "$HOME"
unset ORVANE_HOME ORVANE_TAPE TAPE XDG_DATA_HOME
"$root/usr/bin/orvane-cli" help | grep -q "^Usage: orvane-cli" || fail "orvane-cli help"
"$root/usr/bin/orvane-cli" --version | grep -qF "$version" || fail "orvane-cli --version"
"$root/usr/bin/orvane-cli" job show >"$scratch/job" || fail "orvane-cli job show"
[[ -f $HOME/.local/share/orvane/jobs.job ]] || fail "no job file in ~/.local/share/orvane/"
[[ ! -e $root/usr/bin/jobs.job ]] || fail "the installed program wrote its job file into bin/"

[[ $failures -eq 0 ]] && echo "$(basename "$deb"): every check passed"
exit $((failures > 0))
