#!/usr/bin/env bash
# Creates the Wine prefix of the chosen architecture (scripts/wine-env.sh) once and starts a wineserver outside any pipe,
# so that ctest does not wait on Wine's helper processes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
  # No crash dialog (a crashing test must fail, not hang); no 2-second wait on every window close.
  "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
fi
# Wine looks for its own fonts (MS Sans Serif, Tahoma, Marlett: Debian's fonts-wine) in the prefix's
# Fonts folder; without them every window falls back to a wider font.
if [ -d /usr/share/wine/fonts ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
"$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
