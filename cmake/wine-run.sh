#!/usr/bin/env bash
# Runs a Windows program under Wine in the test prefix.
#
#   wine-run.sh --setup      create the 32-bit prefix once, start a persistent
#                            wineserver and an Xvfb display for window tests
#   wine-run.sh --cleanup    stop the wineserver and the display
#   wine-run.sh prog.exe ... run one program (one Wine start per test binary)
#
# WINEPREFIX must be set (the build tree's prefix). Every program gets the
# Xvfb display when there is one: Wine's desktop process is started once per
# wineserver, with the display of the first program that needs it, so all
# programs of a run must agree on it. KX_NEEDS_DISPLAY=1 starts the display
# when it is not up yet. KX_WINDOWS_VERSION (win98, win31, ...) runs the
# program under that Windows personality (Wine's per-program AppDefaults).
set -u
: "${WINEPREFIX:?WINEPREFIX must name the test prefix}"
export WINEPREFIX WINEARCH=win32 WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}
state="$WINEPREFIX.state"

make_prefix() {
    mkdir -p "$(dirname "$WINEPREFIX")"
    exec 9>"$WINEPREFIX.lock"
    flock 9
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "wine-run: creating test prefix $WINEPREFIX" >&2
        env -u DISPLAY wineboot -i >/dev/null 2>&1
        wineserver -w
    fi
    flock -u 9
}

start_display() {
    mkdir -p "$state"
    if [ -f "$state/display" ] && [ -e "/tmp/.X11-unix/X$(cat "$state/display")" ]; then
        return
    fi
    local n
    for n in $(seq 91 140); do
        [ -e "/tmp/.X$n-lock" ] && continue
        setsid Xvfb ":$n" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
        echo $! > "$state/xvfb.pid"
        for _ in $(seq 1 50); do
            [ -e "/tmp/.X11-unix/X$n" ] && break
            sleep 0.1
        done
        if [ -e "/tmp/.X11-unix/X$n" ]; then
            echo "$n" > "$state/display"
            return
        fi
        kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    done
    echo "wine-run: could not start Xvfb" >&2
    exit 1
}

case "${1:-}" in
--setup)
    make_prefix
    # A network share for the tests: \\kxserver\share is a folder of the prefix.
    mkdir -p "$WINEPREFIX/kxshare" "$WINEPREFIX/dosdevices/unc/kxserver"
    ln -sfn "$WINEPREFIX/kxshare" "$WINEPREFIX/dosdevices/unc/kxserver/share"
    start_display
    wineserver -p </dev/null >/dev/null 2>&1
    exit 0 ;;
--cleanup)
    wineserver -k 2>/dev/null
    [ -f "$state/xvfb.pid" ] && kill "$(cat "$state/xvfb.pid")" 2>/dev/null
    rm -f "$state/display" "$state/xvfb.pid"
    exit 0 ;;
"")
    echo "usage: wine-run.sh --setup | --cleanup | program.exe [args...]" >&2
    exit 2 ;;
esac

make_prefix
wineserver -p </dev/null >/dev/null 2>&1
[ "${KX_NEEDS_DISPLAY:-0}" = 1 ] && start_display
if [ -f "$state/display" ] && [ -e "/tmp/.X11-unix/X$(cat "$state/display")" ]; then
    export DISPLAY=":$(cat "$state/display")"
else
    unset DISPLAY
fi
# A Windows personality applies to the test program and to the programs it
# starts (the desktop program, the registration program, cscript); it is
# taken away again however the run ends, so no later run inherits it.
personality_programs() { echo "$(basename "$1")" Kestrix.exe regsvr32.exe cscript.exe; }
set_personality() {   # version program... (no version: remove)
    local version=$1 reg p
    shift
    reg=$(mktemp --suffix=.reg)
    printf 'REGEDIT4\r\n\r\n' > "$reg"
    for p in "$@"; do
        if [ -n "$version" ]; then
            printf '[HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n"Version"="%s"\r\n\r\n' "$p" "$version"
        else
            printf '[-HKEY_CURRENT_USER\\Software\\Wine\\AppDefaults\\%s]\r\n\r\n' "$p"
        fi >> "$reg"
    done
    wine regedit /S "Z:${reg//\//\\}" >/dev/null 2>&1
    rm -f "$reg"
}

# A run killed outright (CTest's timeout) cannot clean up: it leaves a note,
# and the next run of any program takes the personality away first.
mark="$state/personality"
if [ -f "$mark" ]; then
    set_personality "" $(cat "$mark")
    rm -f "$mark"
fi

# Wine's own services outlive the program and inherit its output; they must
# not hold CTest's pipe open, so the output goes through a file.
out=$(mktemp)
programs=
child=
cleanup() {
    [ -n "$child" ] && kill "$child" 2>/dev/null
    if [ -n "$programs" ]; then
        set_personality "" $programs
        rm -f "$mark"
    fi
    rm -f "$out"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
if [ -n "${KX_WINDOWS_VERSION:-}" ]; then
    programs=$(personality_programs "$1")
    mkdir -p "$state"
    echo "$programs" > "$mark"
    set_personality "$KX_WINDOWS_VERSION" $programs
fi
# In the background, so that a signal reaches the trap at once.
wine "$@" </dev/null >"$out" 2>&1 &
child=$!
wait "$child"
rc=$?
child=
cat "$out"
exit $rc
