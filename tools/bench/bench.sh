#!/usr/bin/env bash
# Measures what Kestrix costs, against a baseline tray program of the least
# kind (tools/bench/baseline, built like the shipped binaries), in one Wine
# prefix of its own:
#   - a silent detection pass with N running mock servers (N = 10, 50, 150,
#     500; every other one carries the signature) against the I/O floor (one
#     snapshot; per image its path, one open, one seek, one 1,024-byte read),
#     with YARA and ClamAV on the same image files as context;
#   - the working set idle, after one and after ten detection passes;
#   - the start-up time from process start to the tray icon;
#   - the CPU time over 60 s idle, with timed scanning off and at one minute.
# Writes docs/benchmarks.md and docs/images/bench-pass.png. Needs a build;
# installs yara, clamav and gnuplot from the machine's package sources.
#
#   bash tools/bench/bench.sh [RUNS]        (default 21 runs of each pass and floor)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-21}
peer_runs=7
starts=11
idle_seconds=60
out="$root/build/bench"
bin="$root/build/bin"
dist=$(ls -d "$root"/build/dist/Kestrix-*/ | head -n 1)
for tool in yara clamscan gnuplot; do
    command -v "$tool" >/dev/null && continue
    package=$tool; [ "$tool" = clamscan ] && package=clamav; [ "$tool" = gnuplot ] && package=gnuplot-nox
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$package" >/dev/null
done
mkdir -p "$out"
# The engine writes Kestrix.log into the current folder: keep it in the build tree.
cd "$out"
say() { echo "== $*" >&2; }

export WINEPREFIX="$out/prefix" WINEARCH=win32 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
wineserver -k 2>/dev/null || true
rm -rf "$WINEPREFIX"
env -u DISPLAY wineboot -i >/dev/null 2>&1
wineserver -w
Xvfb :87 -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
trap 'kill $xvfb 2>/dev/null || true; wineserver -k 2>/dev/null || true' EXIT
export DISPLAY=:87
wineserver -p

images="$WINEPREFIX/drive_c/bench"
mkdir -p "$images"
for i in $(seq 0 499); do
    if [ $((i % 2)) = 0 ]; then cp "$bin/fixtures/server.exe" "$images/img$i.exe"; else cp "$bin/fixtures/clean.exe" "$images/img$i.exe"; fi
done

# The peers' signatures: the stand-in's 1,024 bytes at offset 15710.
hex=$(head -c 1024 "$root/engine/res/signature.bin" | od -An -v -tx1 | tr -d ' \n')
spaced=$(echo "$hex" | sed 's/../& /g')
printf 'rule duskwire_standin\n{\n    strings:\n        $sig = { %s}\n    condition:\n        $sig at 15710\n}\n' "$spaced" > "$out/standin.yar"
printf 'Duskwire.Standin:0:15710:%s\n' "$hex" > "$out/standin.ndb"

# "median min max" of the numbers on standard input.
stats() { python3 -c '
import statistics, sys
v = sorted(float(x) for x in sys.stdin.read().split())
print(f"{statistics.median(v):.1f} {v[0]:.1f} {v[-1]:.1f}")'; }
timed() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N); echo "scale=3; ($e - $s) / 1000000" | bc; }
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

# ---- The pass against the floor --------------------------------------------
: > "$out/passes"
for n in 10 50 150 500; do
    say "N=$n: starting mock servers"
    for i in $(seq 0 $((n - 1))); do
        wine "C:\\bench\\img$i.exe" 3600 </dev/null >/dev/null 2>&1 &
    done
    for _ in $(seq 1 1200); do
        [ "$(pgrep -fc 'bench.img[0-9]+\.exe')" -ge "$n" ] && break
        sleep 0.5
    done
    dir="$out/images-$n"
    rm -rf "$dir" && mkdir -p "$dir"
    for i in $(seq 0 $((n - 1))); do ln "$images/img$i.exe" "$dir/"; done

    say "N=$n: measuring"
    pass=$(wine "$bin/kxbench.exe" pass $((runs + 1)) | tail -n "$runs" | awk '{print $2}' | stats)
    floor=$(wine "$bin/kxbench.exe" floor $((runs + 1)) | tail -n "$runs" | awk '{print $2}' | stats)
    yara_t=$(for _ in $(seq 1 "$peer_runs"); do timed yara "$out/standin.yar" "$dir"; done | stats)
    clam_t=$(for _ in $(seq 1 "$peer_runs"); do timed clamscan --no-summary -d "$out/standin.ndb" "$dir"; done | stats)
    echo "$n $pass $floor $yara_t $clam_t" >> "$out/passes"
    wineserver -k; sleep 1; wineserver -p
done

# ---- The programs: Kestrix.exe from the distribution, and the baseline -----
kx="$WINEPREFIX/drive_c/Kestrix"
mkdir -p "$kx"
cp "$dist"* "$kx/"
cp "$bin/BaselineTray.exe" "$kx/"
(cd "$kx" && wine regsvr32.exe quarrion.dll /s)
settings() {   # autoscan timed interval_ms
    wine reg add 'HKLM\Software\Penhallow\Kestrix' /v Installed /t REG_DWORD /d 1 /f >/dev/null 2>&1
    for v in AutoScan:$1 SilentMode:1 TimedScanning:$2 LoggingEnabled:1; do
        wine reg add 'HKLM\Software\Penhallow\Kestrix' /v "${v%%:*}" /t REG_BINARY /d "0${v##*:}000000" /f >/dev/null 2>&1
    done
    wine reg add 'HKLM\Software\Penhallow\Kestrix' /v ScanInterval /t REG_DWORD /d "$3" /f >/dev/null 2>&1
}
passes_logged() { awk '/Scan completed/ {n++} END {print n + 0}' "$kx/Kestrix.log" 2>/dev/null || echo 0; }
start_program() {   # exe class: started in its folder, waited for until its tray window exists
    (cd "$kx" && wine "$1" </dev/null >/dev/null 2>&1 &)
    wine "$bin/kxwin.exe" wait "$2" - 60000 >/dev/null
}
linux_pid() { pgrep -f "$1" | head -n 1; }
gone() { for _ in $(seq 1 300); do linux_pid "$1" >/dev/null || return 0; sleep 0.2; done; }
kestrix='(^|\\)Kestrix\.exe'
baseline='(^|\\)BaselineTray\.exe'
stop_kestrix() { wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32792 >/dev/null; gone "$kestrix"; }
ticks() { awk '{sub(/^.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }   # utime + stime
idle_ticks() {   # pattern: CPU ticks of that Linux process over idle_seconds
    local pid t0
    pid=$(linux_pid "$1")
    t0=$(ticks "$pid")
    sleep "$idle_seconds"
    echo $(( $(ticks "$pid") - t0 ))
}

say "memory"
start_program BaselineTray.exe KxBaselineTray
base_ws=$(wine "$bin/kxbench.exe" ws BaselineTray.exe | awk '{print $2}')
say "idle CPU, baseline"
base_ticks=$(idle_ticks "$baseline")
wine "$bin/kxwin.exe" post KxBaselineTray - 16 0 0 >/dev/null   # WM_CLOSE
gone "$baseline"

settings 0 0 180000
rm -f "$kx/Kestrix.log"
start_program Kestrix.exe KxSystemTray
idle_ws=$(wine "$bin/kxbench.exe" ws Kestrix.exe | awk '{print $2}')
say "idle CPU, Kestrix, timed scanning off"
kx_ticks=$(idle_ticks "$kestrix")
run_passes() {   # count: detections through the tray command, each waited for in the log
    local want
    for _ in $(seq 1 "$1"); do
        want=$(( $(passes_logged) + 1 ))
        wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32782 >/dev/null
        for _ in $(seq 1 600); do [ "$(passes_logged)" -ge "$want" ] && break; sleep 0.1; done
    done
    wine "$bin/kxbench.exe" ws Kestrix.exe | awk '{print $2}'
}
first_ws=$(run_passes 1)
tenth_ws=$(run_passes 9)
stop_kestrix

say "idle CPU, Kestrix, timed scanning at one minute"
settings 0 1 60000
rm -f "$kx/Kestrix.log"
start_program Kestrix.exe KxSystemTray
timed_ticks=$(idle_ticks "$kestrix")
timed_passes=$(passes_logged)
stop_kestrix

say "start-up"
startup() { wine "$bin/kxbench.exe" startup "$starts" "C:\\Kestrix\\$1" "$2" "$3" | awk '{print $2}' | stats; }
base_start=$(startup BaselineTray.exe KxBaselineTray 1)
settings 0 0 180000
kx_start=$(startup Kestrix.exe KxSystemTray 140)
settings 1 0 180000
kx_auto_start=$(startup Kestrix.exe KxSystemTray 140)

# ---- The report ------------------------------------------------------------
say "writing docs/benchmarks.md"
mkdir -p "$root/docs/images"
awk '{print $1, $2, $5}' "$out/passes" > "$out/plot.dat"
gnuplot <<EOF
set terminal png size 800,480
set output "$root/docs/images/bench-pass.png"
set title "Detection pass and I/O floor (median of $runs runs)"
set xlabel "running images N"
set ylabel "ms"
set logscale xy
set key top left
set grid
plot "$out/plot.dat" using 1:2 with linespoints lw 2 title "pass", \
     "$out/plot.dat" using 1:3 with linespoints lw 2 title "floor"
EOF

native=$(/usr/lib/wine/wine --version >/dev/null 2>&1 && ! grep -q enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null && echo yes || echo no)
python3 - "$out/passes" "$runs" "$peer_runs" "$starts" "$idle_seconds" "$native" \
    "$base_ws" "$idle_ws" "$first_ws" "$tenth_ws" "$base_ticks" "$kx_ticks" "$timed_ticks" "$timed_passes" \
    "$base_start" "$kx_start" "$kx_auto_start" "$(nproc)" "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')" \
    "$(wine --version)" "$(date -u +%Y-%m-%d)" > "$root/docs/benchmarks.md" <<'EOF'
import sys
(passes, runs, peer_runs, starts, idle_s, native, base_ws, idle_ws, first_ws, tenth_ws, base_ticks, kx_ticks,
 timed_ticks, timed_passes, base_start, kx_start, kx_auto_start, cores, cpu, wine, day) = sys.argv[1:]
rows = [l.split() for l in open(passes)]
three = lambda v: (float(v[0]), float(v[1]), float(v[2]))
out = []
p = out.append
p("# Benchmarks\n")
p(f"Made by `tools/bench/bench.sh` on {day}: {cores} cores of {cpu}, {wine}; 32-bit programs ran "
  + ("natively." if native == "yes" else "through qemu-i386 (IA-32 emulation is off in this kernel), which slows "
     "every Win32 call alike: the ratios are the measure, not the milliseconds."))
p("")
p(f"## The detection pass against the I/O floor\n")
p(f"Milliseconds: median (min-max); the pass and the floor {runs} runs each inside Wine over the running processes "
  f"(Wine's own services included), YARA and ClamAV {peer_runs} runs each over the same image files, natively, "
  "process start included. The peers are context, not a race: they run as native Linux programs and read the files "
  "from a list, while the pass runs as a Win32 program through Wine and first has to find the images through the "
  "process snapshot.\n")
p("| N | pass | floor | pass/floor | YARA | ClamAV |")
p("|---|---|---|---|---|---|")
ratios = {}
for r in rows:
    n = int(r[0])
    pm, pl, ph = three(r[1:4]); fm, fl, fh = three(r[4:7]); ym, yl, yh = three(r[7:10]); cm, cl, ch = three(r[10:13])
    ratios[n] = pm / fm
    p(f"| {n} | {pm:.1f} ({pl:.1f}-{ph:.1f}) | {fm:.1f} ({fl:.1f}-{fh:.1f}) | {pm / fm:.2f} | "
      f"{ym:.1f} ({yl:.1f}-{yh:.1f}) | {cm:.1f} ({cl:.1f}-{ch:.1f}) |")
first, last = rows[0], rows[-1]
p(f"\nGrowth of the pass from N={first[0]} to N={last[0]}: {float(last[1]) / float(first[1]):.1f}x for "
  f"{int(last[0]) // int(first[0])}x the images.\n")
p("![pass and floor against N](images/bench-pass.png)\n")
mib = lambda kib: float(kib) / 1024
p("## Memory, idle CPU and start-up\n")
p("| | baseline tray program | Kestrix.exe |")
p("|---|---|---|")
p(f"| working set idle in the tray | {mib(base_ws):.1f} MiB | {mib(idle_ws):.1f} MiB |")
p(f"| after the first detection pass | | {mib(first_ws):.1f} MiB |")
p(f"| after ten passes | | {mib(tenth_ws):.1f} MiB |")
p(f"| CPU ticks in {idle_s} s idle, timed scanning off | {base_ticks} | {kx_ticks} |")
p(f"| CPU ticks in {idle_s} s, timed scanning at one minute | | {timed_ticks} ({timed_passes} passes) |")
bm, bl, _ = three(base_start.split()); km, kl, _ = three(kx_start.split()); am, al, _ = three(kx_auto_start.split())
p(f"| start-up to the tray icon, median (min) of {starts} | {bm:.0f} ({bl:.0f}) ms | {km:.0f} ({kl:.0f}) ms; "
  f"with AutoScan (silent) {am:.0f} ({al:.0f}) ms |")
p("\nWorking sets as Windows reports them inside Wine (the Wine libraries mapped into every process count; the "
  "baseline is there to take them out). CPU ticks are the Linux process's user and system time from /proc "
  "(1/100 s).\n")
p("## Goals\n")
def goal(text, met, measured):
    p(f"- {'met' if met else 'MISSED'}: {text} ({measured})")
goal("pass/floor median at most 1.05 at every N", all(v <= 1.05 for v in ratios.values()),
     ", ".join(f"{v:.2f}" for v in ratios.values()))
goal("idle working set at most 1 MiB above the baseline's", mib(idle_ws) - mib(base_ws) <= 1.0,
     f"{mib(idle_ws) - mib(base_ws):+.1f} MiB")
goal("at most 4 MiB above the baseline's after ten passes", mib(tenth_ws) - mib(base_ws) <= 4.0,
     f"{mib(tenth_ws) - mib(base_ws):+.1f} MiB")
goal("flat from the first pass to the tenth", abs(mib(tenth_ws) - mib(first_ws)) <= 0.25,
     f"{mib(tenth_ws) - mib(first_ws):+.2f} MiB")
goal("0 idle ticks per minute with timed scanning off", int(kx_ticks) == 0, f"{kx_ticks} ticks")
goal("start-up without AutoScan at most 1.5 times the baseline's", km <= 1.5 * bm, f"{km / bm:.2f} times")
print("\n".join(out))
EOF
say "done: docs/benchmarks.md"
