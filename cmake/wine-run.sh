#!/usr/bin/env bash
# Runs a cross-built Windows program under Wine: wine-run.sh win64|win32 PROGRAM [ARGS...]
# The prefix lives inside the build folder (shared by both architectures), is created on first use and
# never needs a display for console programs. GUI programs are started under Xvfb by their callers.
set -u
arch=$1; shift
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
export WINEPREFIX=${QELVAR_WINEPREFIX:-$here/../build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko installers, no crash dialogs, no menu entries for the desktop.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml,winemenubuilder.exe=}
case $arch in
  win64) loader=/usr/lib/wine/wine64 ;;
  win32) loader=/usr/lib/wine/wine ;;
  *) echo "wine-run.sh: unknown architecture $arch" >&2; exit 2 ;;
esac

mkdir -p "$(dirname "$WINEPREFIX")"
if [ ! -f "$WINEPREFIX/system.reg" ] || [ ! -f "$WINEPREFIX/.qelvar-ready" ]; then
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.qelvar-ready" ]; then
      /usr/lib/wine/wine64 wineboot --init >/dev/null 2>&1
      /usr/lib/wine/wineserver64 -w 2>/dev/null || wineserver -w 2>/dev/null
      # Crash dialogs would block a test run forever: report crashes on stderr instead.
      /usr/lib/wine/wine64 reg add 'HKCU\Software\Wine\WineDbg' /v ShowCrashDialog /t REG_DWORD /d 0 /f >/dev/null 2>&1
      touch "$WINEPREFIX/.qelvar-ready"
    fi
  ) 9>"$WINEPREFIX.lock"
fi
exec "$loader" "$@"
