#!/usr/bin/env bash
# Creates the Wine prefix of the chosen architecture (scripts/wine-env.sh) once and starts a wineserver outside any pipe,
# so that ctest does not wait on Wine's helper processes.
set -euo pipefail
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  mkdir -p "$(dirname "$WINEPREFIX")"
  "$WINELOADER" wineboot -i </dev/null >/dev/null 2>&1 || true
  wineserver -w
fi
# The settings go in on a marker of their own, not with the creation: a build that discovers tests
# may already have made the prefix by starting a program in it.
if [ ! -f "$WINEPREFIX/.dw-settings-1" ]; then
  wineserver -k >/dev/null 2>&1 || true
  wineserver -w
  # No crash dialog and no debugger: a crashing program ends at once with its exception code, as under
  # Windows Error Reporting, instead of a dialog or a winedbg that waits (tests crash the stand-in
  # archiver on purpose). No 2-second wait on every window close.
  "$WINELOADER" reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f </dev/null >/dev/null 2>&1
  for key in 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' \
             'HKLM\Software\Wow6432Node\Microsoft\Windows NT\CurrentVersion\AeDebug'; do
    "$WINELOADER" reg delete "$key" /v Debugger /f </dev/null >/dev/null 2>&1 || true
  done
  "$WINELOADER" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /t REG_SZ /d N /f </dev/null >/dev/null 2>&1
  wineserver -w
  touch "$WINEPREFIX/.dw-settings-1"
fi
# Wine looks for its own fonts (MS Sans Serif, Tahoma, Marlett: Debian's fonts-wine) in the prefix's
# Fonts folder; without them every window falls back to a wider font.
if [ -d /usr/share/wine/fonts ] && [ -d "$WINEPREFIX/drive_c/windows/Fonts" ]; then
  ln -sf /usr/share/wine/fonts/* "$WINEPREFIX/drive_c/windows/Fonts/"
fi
wineserver -p </dev/null >/dev/null 2>&1 || true
"$WINELOADER" cmd /c exit </dev/null >/dev/null 2>&1 || true
