#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own 32-bit prefix (see scripts/wine-env.sh).
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/../scripts/wine-env.sh"
exec "$WINELOADER" "$@"
