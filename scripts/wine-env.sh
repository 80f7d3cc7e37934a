# Sourced: the environment every Wine run of this project uses.
# DW_WINEPREFIX may name the prefix; by default it lives in build/wineprefix of the source tree.
# The machines this project builds on run 64-bit user code only (no 32-bit emulation in the kernel),
# so Windows programs run as 64-bit builds under Wine's 64-bit loader; the shipped program stays 32-bit.
_dw_root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export WINEPREFIX=${DW_WINEPREFIX:-$_dw_root/build/wineprefix}
export WINEARCH=win64
export WINELOADER=/usr/lib/wine/wine64
export WINEDEBUG=-all
export WINEDLLOVERRIDES="winemenubuilder.exe=d;mscoree=d;mshtml=d"
unset _dw_root
