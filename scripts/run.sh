#!/usr/bin/env bash
# Builds Orvane and starts the window. Without $ORVANE_TAPE or $TAPE it works on the built-in
# virtual tape library in build/bin/vtape/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/build.sh
exec build/bin/orvane "$@"
