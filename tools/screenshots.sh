#!/usr/bin/env bash
# Screenshots of Kestrix's windows in Wine's virtual desktop (which draws
# captions and the tray), in a prefix of their own under build/: the options
# dialog, the about box, the main dialog idle and with results, the tray icon
# with its menu. With --docs the four the README shows are copied to docs/images.
# Needs a build (tools/build.sh).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
command -v xdotool >/dev/null || DEBIAN_FRONTEND=noninteractive apt-get install -y -qq xdotool >/dev/null
out="$root/build/screenshots"
mkdir -p "$out"
export XDG_DATA_HOME="$root/build/screenshot-data"
source "$root/tools/wine-env.sh"
KX_TOOLS="$root/build/bin"

kx_prepare_prefix
kx_install_dist "$KX_DIST"
unset DISPLAY
kx_ensure_display
wineserver -p
shot() { sleep 2; import -window root "$out/$1.png"; echo "saved $out/$1.png"; }
# X screenshots leave the pointer out: draw the standard arrow at its place.
draw_pointer() {   # picture
    local x y
    eval "$(xdotool getmouselocation --shell)"
    x=$X y=$Y
    convert "$1" -fill white -stroke black -strokewidth 1 -draw "polygon $x,$y $x,$((y + 16)) $((x + 4)),$((y + 12)) \
$((x + 7)),$((y + 18)) $((x + 9)),$((y + 17)) $((x + 6)),$((y + 11)) $((x + 11)),$((y + 11))" "$1"
}

# A fresh start: first run, options dialog.
wine reg delete 'HKLM\Software\Penhallow\Kestrix' /f >/dev/null 2>&1 || true
wine reg delete 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /ve /f >/dev/null 2>&1 || true
(cd "$KX_INSTALL" && wine Kestrix.exe </dev/null >/dev/null 2>&1 &)
kx_win wait '#32770' 'Options...'
shot options
kx_win command '#32770' 'Options...' 1
kx_win wait '#32770' 'Kestrix'              # "Duskwire was not detected"
kx_win command '#32770' 'Kestrix' 1

kx_win command KxFrameWnd Kestrix 32783     # About
kx_win wait '#32770' 'About Kestrix'
shot about
kx_win command '#32770' 'About Kestrix' 1

kx_win command KxFrameWnd Kestrix 32788     # Open
kx_win wait '#32770' "$KX_TITLE"
shot main-idle
kx_win command '#32770' "$KX_TITLE" 2

# The harmless demo infection, then Detect from the tray.
cp "$root/build/bin/fixtures/server_blank_value.exe" "$WINEPREFIX/drive_c/windows/system32/ .exe"
wine reg add 'HKLM\Software\Microsoft\Windows\CurrentVersion\RunServices' /ve /d ' .exe' /f >/dev/null
wine 'C:\windows\system32\ .exe' 600 </dev/null >/dev/null 2>&1 &
sleep 2
kx_win command KxFrameWnd Kestrix 32782     # Detect
kx_win wait '#32770' "$KX_TITLE"
shot main-results
kx_win command '#32770' "$KX_TITLE" 1001   # Remove
kx_win wait '#32770' 'Kestrix'
kx_win command '#32770' 'Kestrix' 1
kx_win command '#32770' "$KX_TITLE" 2

# The tray menu, opened as the shell does on a right click on the icon: the
# pointer on the icon at the right end of the taskbar, bottom right.
kx_win point-at screen - 12 11
# Wine's virtual desktop follows the X pointer: put it there too.
xdotool mousemove --sync "$(( $(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[1]}') - 12 ))" \
    "$(( $(xdpyinfo | awk '/dimensions:/ {split($2, d, "x"); print d[2]}') - 11 ))"
# Resting there brings up the icon's tip; a user opens the menu once it has
# gone again, as it does by itself after a few seconds.
kx_win shown tooltips_class32 - yes 5000 || true
kx_win shown tooltips_class32 - no 30000
kx_win post KxSystemTray - 1034 140 0x205   # WM_RBUTTONUP
shot tray-menu
draw_pointer "$out/tray-menu.png"
kx_win post '#32768' - 0x100 27 0           # Escape

kx_win command KxFrameWnd Kestrix 32792     # Exit
sleep 2
wineserver -k   # the persistent server started above
kill "$KX_XVFB" 2>/dev/null || true

if [ "${1:-}" = --docs ]; then
    mkdir -p "$root/docs/images"
    cp "$out/main-results.png" "$out/tray-menu.png" "$out/options.png" "$out/about.png" "$root/docs/images/"
fi
