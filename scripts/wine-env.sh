# Sourced: the environment every Wine run of this project uses.
# DW_WINE_ARCH chooses the Wine: win64 (default) runs the x86_64 build, win32 runs the shipped 32-bit
# build with 32-bit Wine (only where the kernel runs 32-bit programs: scripts/probe-32bit.sh).
# DW_WINEPREFIX may name the prefix; by default each Wine has its own in build/ of the source tree.
_dw_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
case "${DW_WINE_ARCH:-win64}" in
  win32)
    export WINEARCH=win32
    export WINELOADER=/usr/lib/wine/wine
    export WINEPREFIX=${DW_WINEPREFIX:-$_dw_root/build/wineprefix-win32}
    ;;
  *)
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    export WINEPREFIX=${DW_WINEPREFIX:-$_dw_root/build/wineprefix-win64}
    ;;
esac
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset _dw_root
