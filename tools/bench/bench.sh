#!/usr/bin/env bash
# Benchmarks a silent detection pass with N running mock servers (N = 10, 50,
# 150; every other one carries the signature) against the I/O floor (one
# snapshot; per image its path, one open, one seek, one 1,024-byte read) and
# two peers on the same image files: YARA ("$sig at 15710") and ClamAV (one
# .ndb body signature at offset 15710, nothing else in its database).
# Also the engine's memory over 100 passes and 100 create/release cycles, and
# Kestrix.exe's working set idle and after a pass.
# Writes docs/benchmarks.md. Needs a build; installs yara and clamav.
#
#   bash tools/bench/bench.sh [RUNS]        (default 7 runs per measurement)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-7}
out="$root/build/bench"
bin="$root/build/bin"
command -v yara >/dev/null && command -v clamscan >/dev/null ||
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq yara clamav >/dev/null
mkdir -p "$out"
# The engine writes Kestrix.log into the current folder: keep it in the build tree.
cd "$out"

export WINEPREFIX="$out/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
env -u DISPLAY wineboot -i >/dev/null 2>&1
wineserver -w
unset DISPLAY
wineserver -p

images="$WINEPREFIX/drive_c/bench"
mkdir -p "$images"
for i in $(seq 0 149); do
    if [ $((i % 2)) = 0 ]; then cp "$bin/fixtures/server.exe" "$images/img$i.exe"; else cp "$bin/fixtures/clean.exe" "$images/img$i.exe"; fi
done

# The peers' signatures: the stand-in's 1,024 bytes at offset 15710.
hex=$(head -c 1024 "$root/engine/res/signature.bin" | od -An -v -tx1 | tr -d ' \n')
spaced=$(echo "$hex" | sed 's/../& /g')
printf 'rule duskwire_standin\n{\n    strings:\n        $sig = { %s}\n    condition:\n        $sig at 15710\n}\n' "$spaced" > "$out/standin.yar"
printf 'Duskwire.Standin:0:15710:%s\n' "$hex" > "$out/standin.ndb"

stats() { python3 -c '
import statistics, sys
v = sorted(float(x) for x in sys.stdin.read().split())
print(f"{statistics.median(v):.1f} {v[0]:.1f} {v[-1]:.1f}")'; }
timed() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N); echo "scale=3; ($e - $s) / 1000000" | bc; }

{
echo "# Benchmarks"
echo
echo "Made by \`tools/bench/bench.sh\` on $(date -u +%Y-%m-%d) on $(nproc) cores of $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//'),"
echo "Wine $(wine --version | sed 's/wine-//'), $( /usr/lib/wine/wine --version >/dev/null 2>&1 && uname -m)."
echo "$(if grep -q qemu-i386 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null; then echo "Wine's 32-bit side runs under qemu-i386 here (IA-32 emulation is off in this kernel), which slows every Win32 call alike; the ratios are the measure, not the milliseconds."; fi)"
echo
echo "Times in milliseconds: median (min-max) of $runs runs. The pass and the floor run inside Wine on the running"
echo "processes (Wine's own services included); YARA and ClamAV scan the same image files natively, process start included."
echo
echo "| N | pass | floor | YARA | ClamAV | pass/floor | pass/YARA | pass/ClamAV |"
echo "|---|---|---|---|---|---|---|---|"
} > "$out/table.md"

for n in 10 50 150; do
    echo "== N=$n: starting mock servers" >&2
    pids=()
    for i in $(seq 0 $((n - 1))); do
        wine "C:\\bench\\img$i.exe" 3600 </dev/null >/dev/null 2>&1 &
        pids+=($!)
    done
    for _ in $(seq 1 600); do
        [ "$(pgrep -fc 'bench\\img')" -ge "$n" ] && break
        sleep 0.5
    done
    sleep 3
    dir="$out/images-$n"
    rm -rf "$dir" && mkdir -p "$dir"
    for i in $(seq 0 $((n - 1))); do ln "$images/img$i.exe" "$dir/"; done

    echo "== N=$n: measuring" >&2
    pass=$(wine "$bin/kxbench.exe" pass $((runs + 1)) | tail -n "$runs" | awk '{print $2}' | stats)
    floor=$(wine "$bin/kxbench.exe" floor $((runs + 1)) | tail -n "$runs" | awk '{print $2}' | stats)
    yara_t=$(for _ in $(seq 1 "$runs"); do timed yara "$out/standin.yar" "$dir"; done | stats)
    clam_t=$(for _ in $(seq 1 "$runs"); do timed clamscan --no-summary -d "$out/standin.ndb" "$dir"; done | stats)
    read -r pm pl ph <<<"$pass"; read -r fm fl fh <<<"$floor"; read -r ym yl yh <<<"$yara_t"; read -r cm cl ch <<<"$clam_t"
    ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }
    echo "| $n | $pm ($pl-$ph) | $fm ($fl-$fh) | $ym ($yl-$yh) | $cm ($cl-$ch) | $(ratio "$pm" "$fm") | $(ratio "$pm" "$ym") | $(ratio "$pm" "$cm") |" >> "$out/table.md"
    echo "$n $pm" >> "$out/growth"
    kill "${pids[@]}" 2>/dev/null || true
    wineserver -k; sleep 1; wineserver -p
done

{
echo
echo "Growth of the pass from N=10 to N=150: $(python3 -c '
import sys
d = dict(l.split() for l in open(sys.argv[1]))
print("%.1fx for 15x the processes" % (float(d["150"]) / float(d["10"])))' "$out/growth")"
echo
echo "## Memory"
echo
mkdir -p "$WINEPREFIX/drive_c/Kestrix"
cp "$root"/build/dist/Kestrix-*/* "$WINEPREFIX/drive_c/Kestrix/"
(cd "$WINEPREFIX/drive_c/Kestrix" && wine regsvr32.exe quarrion.dll /s)
echo "The engine, 100 silent passes on one object and 100 create/Init/release cycles through COM (working set in KiB):"
echo
echo '```'
wine "$bin/kxbench.exe" memory 100
echo '```'
echo
# Kestrix.exe in the tray (no start-up scan, silent), then after one pass.
wine reg add 'HKLM\Software\Penhallow\Kestrix' /v Installed /t REG_DWORD /d 1 /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Penhallow\Kestrix' /v AutoScan /t REG_BINARY /d 00000000 /f >/dev/null 2>&1
wine reg add 'HKLM\Software\Penhallow\Kestrix' /v SilentMode /t REG_BINARY /d 01000000 /f >/dev/null 2>&1
Xvfb :87 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 1
(cd "$WINEPREFIX/drive_c/Kestrix" && DISPLAY=:87 wine Kestrix.exe </dev/null >/dev/null 2>&1 &)
DISPLAY=:87 wine "$bin/kxwin.exe" wait KxFrameWnd Kestrix
sleep 3
idle=$(wine "$bin/kxbench.exe" ws Kestrix.exe)
passes() {
    for _ in $(seq 1 "$1"); do
        DISPLAY=:87 wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32782
        sleep 2
    done
    wine "$bin/kxbench.exe" ws Kestrix.exe
}
first=$(passes 1)
tenth=$(passes 9)
echo "Kestrix.exe working set: idle in the tray ${idle#ws_kib } KiB; after the first detection pass"
echo "${first#ws_kib } KiB (the first pass loads quarrion.dll, the type library and the common controls);"
echo "after ten passes ${tenth#ws_kib } KiB."
DISPLAY=:87 wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32792
sleep 2
kill $xvfb 2>/dev/null || true
} >> "$out/table.md"
rm -f "$out/growth"
wineserver -k
mkdir -p "$root/docs"
cp "$out/table.md" "$root/docs/benchmarks.md"
cat "$root/docs/benchmarks.md"
