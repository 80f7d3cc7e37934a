#!/usr/bin/env bash
# Runs a Windows program under Wine in the build's own prefix (see scripts/wine-env.sh).
# A first argument --arch=win32 or --arch=win64 chooses the Wine; the 32-bit build passes win32.
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
case "${1:-}" in
  --arch=*)
    export DW_WINE_ARCH=${1#--arch=}
    shift
    ;;
esac
source "$here/../scripts/wine-env.sh"
# Libraries to preload into the Windows program only (the faked clock of some tests), not into this
# shell, which may be of the other architecture.
if [ -n "${DW_LD_PRELOAD:-}" ]; then
  export LD_PRELOAD=$DW_LD_PRELOAD
fi
exec "$WINELOADER" "$@"
