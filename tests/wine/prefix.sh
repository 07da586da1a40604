#!/usr/bin/env bash
# Creates the Wine prefix of one test run under the build folder (never the user's own) and
# keeps a wineserver running for the tests that follow.
# usage: prefix.sh setup <prefix-dir> | prefix.sh shutdown <prefix-dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
action=$1
. "$here/wine-env.sh" "$2"

case "$action" in
setup)
    "$WINESERVER" -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
    mkdir -p "$(dirname "$WINEPREFIX")"
    start=$(date +%s)
    "$WINE64" wineboot -i >/dev/null 2>&1
    # No window manager runs on the test display: with windows left unmanaged, Wine does not
    # wait two seconds for one whenever a window (a message box, a dialog) closes.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINESERVER" -w
    # Windows as a person sees them on a desktop. The virtual display has no window manager:
    # Wine draws the title bars itself and does not wait for one (2 s at every closed window).
    # The dialogs' font "System" shows Chinese text, as on a Chinese system.
    "$WINE64" reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
    "$WINE64" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontSubstitutes' \
        /v System /d "WenQuanYi Micro Hei" /f >/dev/null 2>&1
    "$WINESERVER" -w
    # Persistent, so later starts take about 0.3 s instead of 1 s; detached from the output of
    # this step, which ctest waits to see closed.
    "$WINESERVER" -p </dev/null >/dev/null 2>&1
    # Start the prefix's services (services.exe, rpcss, ...) now: they outlive the program that
    # starts them and keep its output open, which would make ctest wait for a test for ever.
    "$WINE64" cmd /c exit </dev/null >/dev/null 2>&1
    echo "Wine prefix $WINEPREFIX ready in $(( $(date +%s) - start )) s"
    ;;
shutdown)
    "$WINESERVER" -k 2>/dev/null || true
    ;;
*)
    echo "usage: $0 setup|shutdown <prefix-dir>" >&2
    exit 2
    ;;
esac
