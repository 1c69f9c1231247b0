#!/usr/bin/env bash
# Kestrix as a Windows user sees it, in a 32-bit Wine prefix of its own
# (under ~/.local/share/kestrix, reused on later runs): installs what is
# missing, builds, installs the distribution folder into C:\Program Files\Kestrix
# and starts Kestrix.exe there, on your display or else under Xvfb, and saves
# a screenshot.
#
#   bash tools/run.sh            start Kestrix
#   bash tools/run.sh --demo     first plant a harmless mock infection (a
#                                waiting test program started as " .exe" from
#                                the system folder, with its RunServices value)
#                                for Kestrix to find and remove
#   bash tools/run.sh --reset    throw the prefix away first
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
demo=0
reset=0
for arg in "$@"; do
    case "$arg" in
    --demo) demo=1 ;;
    --reset) reset=1 ;;
    *) sed -n '2,13p' "$0"; exit 2 ;;
    esac
done
say() { echo "== $*"; }

say "installing what is missing"
bash "$root/tools/setup-host.sh"
say "building"
bash "$root/tools/build.sh" >/dev/null

source "$root/tools/wine-env.sh"
KX_TOOLS="$root/build/bin"
if [ "$reset" = 1 ]; then
    say "throwing away the old prefix"
    wineserver -k 2>/dev/null || true
    rm -rf "$WINEPREFIX"
fi
say "preparing Windows (a 32-bit Wine prefix in $WINEPREFIX)"
kx_prepare_prefix
kx_install_dist "$KX_DIST"

headless=0
if [ -z "${DISPLAY:-}" ] || ! xdpyinfo >/dev/null 2>&1; then
    headless=1
    kx_ensure_display
    say "no display: running under Xvfb on $DISPLAY"
fi
wineserver -p

first_run=1
wine reg query 'HKLM\Software\Penhallow\Kestrix' /v Installed >/dev/null 2>&1 && first_run=0

if [ "$demo" = 1 ]; then
    say "planting a harmless demo infection"
    cp "$root/build/bin/fixtures/server_blank_value.exe" "$WINEPREFIX/drive_c/windows/system32/ .exe"
    wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /ve /d ' .exe' /f >/dev/null
    wine 'C:\windows\system32\ .exe' 3600 </dev/null >/dev/null 2>&1 &
    sleep 2
fi

say "starting Kestrix from $KX_INSTALL_WIN"
(cd "$KX_INSTALL" && wine Kestrix.exe </dev/null >/dev/null 2>&1 &)
if [ "$first_run" = 1 ]; then
    kx_win wait '#32770' 'Options...' 120000
    if [ "$headless" = 1 ]; then
        kx_win command '#32770' 'Options...' 1   # nobody to press OK
    else
        say "first run: the engine is registered; choose your options and press Ok"
    fi
fi
if [ "$demo" = 1 ]; then
    kx_win wait '#32770' "$KX_TITLE" 300000 && say "Kestrix found the demo infection"
else
    kx_win wait KxFrameWnd Kestrix 300000
fi
sleep 3
shot="$KX_DATA/screenshot.png"
import -window root "$shot"
say "screenshot of the screen saved: $shot"

if [ "$headless" = 1 ]; then
    wineserver -k 2>/dev/null || true
    kill "$KX_XVFB" 2>/dev/null || true
else
    say "Kestrix is running in the tray of the Wine desktop."
fi
