#!/usr/bin/env bash
# Installs what is needed, builds, and runs one detection pass of the engine
# in a Wine prefix of its own, then shows the log section it wrote.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
data=${XDG_DATA_HOME:-$HOME/.local/share}/kestrix
echo "== installing what is missing"
bash "$root/tools/setup-host.sh"
echo "== building"
bash "$root/tools/build.sh" >/dev/null
echo "== preparing Windows (a 32-bit Wine prefix in $data/wineprefix)"
export WINEPREFIX="$data/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$data/work"
[ -f "$WINEPREFIX/system.reg" ] || { env -u DISPLAY wineboot -i >/dev/null 2>&1; wineserver -w; }
echo "== starting the engine"
cd "$data/work"
env -u DISPLAY wine "$root/build/bin/kxscan.exe" || true
wineserver -w
echo "== Kestrix.log ($data/work/Kestrix.log), last section:"
tail -n 20 Kestrix.log | tr -d '\r'
