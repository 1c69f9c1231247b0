# Shared by the run, demo and screenshot scripts (sourced, not run): a 32-bit
# Wine prefix of Kestrix's own under the user's data directory, drawn in
# Wine's virtual desktop (captions, taskbar, tray), with the distribution
# folder installed into it.
KX_DATA=${XDG_DATA_HOME:-$HOME/.local/share}/kestrix
# The version, as the project states it; the distribution folder and the main
# dialog's caption carry it.
KX_VERSION=$(sed -n 's/^project(Kestrix VERSION \([0-9.]*\).*/\1/p' "$(dirname "${BASH_SOURCE[0]}")/../CMakeLists.txt")
KX_TITLE="Kestrix v$KX_VERSION"
KX_DIST="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)/build/dist/Kestrix-$KX_VERSION"
export WINEPREFIX="$KX_DATA/wineprefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
KX_INSTALL_WIN='C:\Program Files\Kestrix'
KX_INSTALL="$WINEPREFIX/drive_c/Program Files/Kestrix"

kx_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        mkdir -p "$KX_DATA"
        env -u DISPLAY wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    # Every program of the prefix on one virtual desktop, which draws the tray.
    wine reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f >/dev/null 2>&1
    wine reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1024x768 /f >/dev/null 2>&1
    wineserver -w
}

# Copies the distribution folder $1 (Kestrix.exe, quarrion.dll, its own
# regsvr32.exe and readme.txt) into the prefix.
kx_install_dist() {
    mkdir -p "$KX_INSTALL"
    cp "$1"/* "$KX_INSTALL/"
}

# A display: the user's, else an Xvfb of our own (its number in KX_XVFB).
kx_ensure_display() {
    if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
    local n
    for n in $(seq 60 99); do
        [ -e "/tmp/.X$n-lock" ] && continue
        Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        KX_XVFB=$!
        export DISPLAY=":$n"
        for _ in $(seq 1 50); do xdpyinfo >/dev/null 2>&1 && return; sleep 0.1; done
    done
    echo "no display could be started" >&2
    return 1
}

kx_win() { wine "$KX_TOOLS/kxwin.exe" "$@"; }
