#!/usr/bin/env bash
# Refuses an #include that points up or across the layers of src/. Each layer may include its own
# headers and those of the layers listed for it; a quoted include names a layer folder or a file
# of the same folder.
set -euo pipefail
cd "$(dirname "$0")/../src"

declare -A allowed=(
    [platform]=""
    [tape]="platform"
    [config]="platform"
    [integrations]="platform config"
    [archive]="platform tape config integrations"
    [disk]="platform tape config integrations archive"
    [jobs]="platform tape config integrations archive disk"
    [cli]="platform tape config integrations archive disk jobs"
    [service]="platform tape config integrations archive disk jobs"
    [app]="platform tape config integrations archive disk jobs service"
)

status=0
for layer in */; do
    layer=${layer%/}
    if [[ ! -v allowed[$layer] ]]; then
        echo "src/$layer: a folder without a place in the layers (add it to ${0##*/})"
        status=1
        continue
    fi
    while IFS=: read -r file line text; do
        target=$(sed -E 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*"([^"]*)".*/\1/' <<<"$text")
        if [[ $target == */* ]]; then
            folder=${target%%/*}
            [[ $folder == "$layer" || " ${allowed[$layer]} " == *" $folder "* ]] && continue
        elif [[ -e "$(dirname "$file")/$target" || $target == ui_*.h ]]; then
            continue # a file of the same folder, or a form header that uic generates beside it
        fi
        echo "src/$file:$line: $layer may not include \"$target\""
        status=1
    done < <(grep -rnE '^[[:space:]]*#[[:space:]]*include[[:space:]]*"' "$layer" || true)
done
[ $status -eq 0 ] && echo "Layers: every include points down."
exit $status
