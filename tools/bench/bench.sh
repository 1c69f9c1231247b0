#!/usr/bin/env bash
# Measures what Kestrix costs, against a baseline tray program of the least
# kind (tools/bench/baseline, built like the shipped binaries), in one Wine
# prefix of its own:
#   - a silent detection pass with N running mock servers (N = 10, 50, 150,
#     500; every other one carries the signature) against the I/O floor (one
#     snapshot; per image its path, one open, one seek, one 1,024-byte read),
#     the two in turn in one process, with YARA and ClamAV on the same image
#     files as context;
#   - the working set (and the private memory under it) idle, after one and
#     after ten detection passes, and after a start with AutoScan, against
#     the baseline alone, with COM started and with the common controls
#     loaded too;
#   - the start-up time from process start to the tray icon;
#   - the CPU time over 60 s idle, with timed scanning off and at one minute.
# Writes docs/benchmarks.md and docs/images/bench-pass.png. Needs a build;
# installs yara, clamav and gnuplot from the machine's package sources.
#
#   bash tools/bench/bench.sh [RUNS]   (runs of pass and floor at N=500, default 51; more at smaller N)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${1:-51}
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
results="$out/results"
: > "$results"
record() { echo "$1 $2" >> "$results"; }   # key value...: read by the report
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
print(f"{statistics.median(v):.3f} {v[0]:.3f} {v[-1]:.3f}")'; }
timed() { local s e; s=$(date +%s%N); "$@" >/dev/null 2>&1 || true; e=$(date +%s%N); echo "scale=3; ($e - $s) / 1000000" | bc; }
ratio() { python3 -c "import sys; print('%.2f' % (float(sys.argv[1]) / float(sys.argv[2])))" "$1" "$2"; }

# ---- The pass against the floor --------------------------------------------
: > "$out/passes"
: > "$out/steps"
step_names="runservices snapshot registered running config report floor_paths floor_reads"
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
    # Small N are quick and noisy: more runs there (RUNS at N=500, up to ten
    # times as many at N=10). The first of each warms the caches and is left out.
    count=$(( runs * 500 / n )); [ "$count" -gt $((10 * runs)) ] && count=$((10 * runs))
    wine "$bin/kxbench.exe" both $((count + 1)) | tr -d '\r' | tail -n $((2 * count)) > "$out/both-$n"
    pass=$(awk '$1 == "pass" {print $2}' "$out/both-$n" | stats)
    floor=$(awk '$1 == "floor" {print $2}' "$out/both-$n" | stats)
    # Each pass against the floor run right after it.
    paired=$(awk '$1 == "pass" {p = $2} $1 == "floor" {print p / $2}' "$out/both-$n" | stats | cut -d' ' -f1)
    # Where the pass's time goes: its steps, and the floor's two halves, timed one by one.
    wine "$bin/kxbench.exe" steps "$count" | tr -d '\r' > "$out/steps-$n"
    steps=$(for s in $step_names; do awk -v s="$s" '$1 == s {print $2}' "$out/steps-$n" | stats | cut -d' ' -f1; done)
    yara_t=$(for _ in $(seq 1 "$peer_runs"); do timed yara "$out/standin.yar" "$dir"; done | stats)
    clam_t=$(for _ in $(seq 1 "$peer_runs"); do timed clamscan --no-summary -d "$out/standin.ndb" "$dir"; done | stats)
    echo "$n $pass $floor $yara_t $clam_t $paired $count" >> "$out/passes"
    echo "$n" $steps >> "$out/steps"
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
wait_passes() { for _ in $(seq 1 600); do [ "$(passes_logged)" -ge "$1" ] && break; sleep 0.1; done; }   # count
start_program() {   # class exe [words]: started in its folder, waited for until its tray window exists
    local class=$1
    shift
    (cd "$kx" && wine "$@" </dev/null >/dev/null 2>&1 &)
    wine "$bin/kxwin.exe" wait "$class" - 60000 >/dev/null
}
linux_pid() {   # pattern: the Linux process of that program in this prefix (other prefixes may run one too)
    local pid
    for pid in $(pgrep -f "$1"); do
        tr '\0' '\n' < "/proc/$pid/environ" 2>/dev/null | grep -qxF "WINEPREFIX=$WINEPREFIX" && echo "$pid" && return 0
    done
    return 1
}
gone() { for _ in $(seq 1 300); do linux_pid "$1" >/dev/null || return 0; sleep 0.2; done; }
# Natively Wine shows the Windows path as the command line; under qemu-i386
# the host sees the loader's own: "qemu-i386-static .../wine Kestrix.exe".
kestrix='(^|\\|wine )Kestrix\.exe'
baseline='(^|\\|wine )BaselineTray\.exe'
measured_pid() { linux_pid "$1" || { say "no process matches $1 in this prefix"; return 1; }; }
start_kestrix() {   # autoscan timed interval_ms: with those settings and a new log
    settings "$@"
    rm -f "$kx/Kestrix.log"
    start_program KxSystemTray Kestrix.exe
}
stop_kestrix() { wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32792 >/dev/null; gone "$kestrix"; }
stop_baseline() { wine "$bin/kxwin.exe" post KxBaselineTray - 16 0 0 >/dev/null; gone "$baseline"; }   # WM_CLOSE
ticks() { awk '{sub(/^.*\) /, ""); print $12 + $13}' "/proc/$1/stat"; }   # utime + stime
idle_ticks() {   # pattern [passes]: CPU ticks of that Linux process over idle_seconds,
    local pid t0  # and on until that many passes are in the log (a timed pass due at the window's end)
    pid=$(measured_pid "$1") || return 1
    t0=$(ticks "$pid")
    sleep "$idle_seconds"
    [ -n "${2:-}" ] && wait_passes "$2"
    echo $(( $(ticks "$pid") - t0 ))
}
# "working-set-KiB private-KiB qemu-KiB" of a program once its working set has
# stopped changing: the working set as Windows reports it, under it the pages
# the Linux process has to itself (the DLLs' shared code is not among them),
# and of those the ones above the 4 GiB a 32-bit program can see: under
# qemu-i386 the emulator's own (its translated code, its heap), natively none.
memory() {   # exe pattern
    local ws last=-1 pid
    pid=$(measured_pid "$2") || return 1
    for _ in $(seq 1 60); do
        ws=$(wine "$bin/kxbench.exe" ws "$1" | tr -d '\r' | awk '{print $2}')
        [ "$ws" = "$last" ] && break
        last=$ws
        sleep 0.5
    done
    echo "$ws $(awk '/^Private_(Clean|Dirty):/ {s += $2} END {print s + 0}' "/proc/$pid/smaps_rollup")" \
        "$(awk '/^[0-9a-f]+-[0-9a-f]+ / {high = index($1, "-") > 9}
                high && /^Private_(Clean|Dirty):/ {s += $2} END {print s + 0}' "/proc/$pid/smaps")"
}

say "memory and idle CPU, baseline"
start_program KxBaselineTray BaselineTray.exe
record base_mem "$(memory BaselineTray.exe "$baseline")"
record base_ticks "$(idle_ticks "$baseline")"
stop_baseline
# What a program of Kestrix's kind has the system load: COM started before
# the first window; the common controls with the engine's progress bar.
for variant in "base_com_mem ole oleaut" "base_comctl_mem ole oleaut comctl"; do
    start_program KxBaselineTray BaselineTray.exe ${variant#* }
    record "${variant%% *}" "$(memory BaselineTray.exe "$baseline")"
    stop_baseline
done

say "memory and idle CPU, Kestrix, timed scanning off"
start_kestrix 0 0 180000
record idle_mem "$(memory Kestrix.exe "$kestrix")"
record kx_ticks "$(idle_ticks "$kestrix")"
run_passes() {   # count: detections through the tray command, each waited for in the log
    local want
    for _ in $(seq 1 "$1"); do
        want=$(( $(passes_logged) + 1 ))
        wine "$bin/kxwin.exe" command KxFrameWnd Kestrix 32782 >/dev/null
        wait_passes "$want"
    done
    memory Kestrix.exe "$kestrix"
}
record first_mem "$(run_passes 1)"
record tenth_mem "$(run_passes 9)"
stop_kestrix

say "idle CPU, Kestrix, timed scanning at one minute"
start_kestrix 0 1 60000
record timed_ticks "$(idle_ticks "$kestrix" 1)"
record timed_passes "$(passes_logged)"
stop_kestrix

say "memory, Kestrix started with AutoScan (silent)"
start_kestrix 1 0 180000
wait_passes 1
record auto_mem "$(memory Kestrix.exe "$kestrix")"
stop_kestrix

say "start-up"
startup() { wine "$bin/kxbench.exe" startup "$starts" "C:\\Kestrix\\$1" "$2" "$3" | tr -d '\r' | awk '{print $2}' | stats; }
record base_start "$(startup BaselineTray.exe KxBaselineTray 1)"
settings 0 0 180000
record kx_start "$(startup Kestrix.exe KxSystemTray 140)"
settings 1 0 180000
record kx_auto_start "$(startup Kestrix.exe KxSystemTray 140)"

# ---- The report ------------------------------------------------------------
say "writing docs/benchmarks.md"
mkdir -p "$root/docs/images"
awk '{print $1, $2, $5}' "$out/passes" > "$out/plot.dat"
gnuplot <<EOF
set terminal png size 800,480
set output "$root/docs/images/bench-pass.png"
set title "Detection pass and I/O floor (medians)"
set xlabel "running images N"
set ylabel "ms"
set logscale xy
set key top left
set grid
plot "$out/plot.dat" using 1:2 with linespoints lw 2 title "pass", \
     "$out/plot.dat" using 1:3 with linespoints lw 2 title "floor"
EOF

native=$(/usr/lib/wine/wine --version >/dev/null 2>&1 && ! grep -q enabled /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null && echo yes || echo no)
{
    record runs "$runs"; record peer_runs "$peer_runs"; record starts "$starts"; record idle_seconds "$idle_seconds"
    record native "$native"; record cores "$(nproc)"; record day "$(date -u +%Y-%m-%d)"; record wine "$(wine --version)"
    record cpu "$(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2- | sed 's/^ *//')"
}
# The rescue program's section (tools/bench/rescue_bench.py) is kept as it is.
sed -n '/^<!-- rescue -->$/,/^<!-- \/rescue -->$/p' "$root/docs/benchmarks.md" > "$out/rescue-section" 2>/dev/null || true
python3 - "$out/passes" "$out/steps" "$results" > "$root/docs/benchmarks.md" <<'EOF'
import sys
passes, steps_file, results = sys.argv[1:]
r = {}
for line in open(results):
    key, _, value = line.rstrip("\n").partition(" ")
    r[key] = value
rows = [l.split() for l in open(passes)]
# Per N: runservices snapshot registered running config report floor_paths floor_reads
steps = {int(l.split()[0]): [float(x) for x in l.split()[1:]] for l in open(steps_file)}
three = lambda v: (float(v[0]), float(v[1]), float(v[2]))
mib = lambda kib: float(kib) / 1024
mem = {k: [mib(v) for v in r[k].split()] for k in
       ("base_mem", "base_com_mem", "base_comctl_mem", "idle_mem", "first_mem", "tenth_mem", "auto_mem")}
out = []
p = out.append
p("# Benchmarks\n")
p(f"Made by `tools/bench/bench.sh` on {r['day']}: {r['cores']} cores of {r['cpu']}, {r['wine']}; 32-bit programs ran "
  + ("natively." if r["native"] == "yes" else "through qemu-i386 (IA-32 emulation is off in this kernel), which slows "
     "every Win32 call alike: the ratios are the measure, not the milliseconds."))
p("")
p("## The detection pass against the I/O floor\n")
p(f"Milliseconds: median (min-max) of the runs given. The pass and the floor run in turn in one process "
  "inside Wine over the running processes (Wine's own services included), so whatever else the machine does falls "
  f"on both alike; YARA and ClamAV {r['peer_runs']} runs each over the same image files, natively, process start "
  "included. The peers are context, not a race: they run as native Linux programs and read the files from a list, "
  "while the pass runs as a Win32 program through Wine and first has to find the images through the process "
  "snapshot. Paired is the median of each pass's time over the floor's right after it.\n")
p("| N | runs | pass | floor | pass/floor | paired | YARA | ClamAV |")
p("|---|---|---|---|---|---|---|---|")
ratios, medians, paired = {}, {}, {}
for row in rows:
    n = int(row[0])
    pm, pl, ph = three(row[1:4]); fm, fl, fh = three(row[4:7]); ym, yl, yh = three(row[7:10]); cm, cl, ch = three(row[10:13])
    ratios[n] = pm / fm
    medians[n] = (pm, fm)
    paired[n] = float(row[13])
    p(f"| {n} | {row[14]} | {pm:.1f} ({pl:.1f}-{ph:.1f}) | {fm:.1f} ({fl:.1f}-{fh:.1f}) | {pm / fm:.3f} | "
      f"{float(row[13]):.3f} | {ym:.1f} ({yl:.1f}-{yh:.1f}) | {cm:.1f} ({cl:.1f}-{ch:.1f}) |")
first, last = rows[0], rows[-1]
p(f"\nGrowth of the pass from N={first[0]} to N={last[0]}: {float(last[1]) / float(first[1]):.1f}x for "
  f"{int(last[0]) // int(first[0])}x the images.\n")
p("![pass and floor against N](images/bench-pass.png)\n")
p("Where the time goes: one pass taken step by step in its own order after a pass, each step timed, and the "
  "floor's two halves beside it (median, ms). The pass's snapshot step and the floor's first half do the same "
  "work (the process snapshot and every image's path), as do its reading of the running images and the floor's "
  "second half; the RunServices values, the RunServices images, the configuration block and the rest (the "
  "lists and the report lines: the whole pass minus its steps, round by round) are the pass's alone.\n")
p("| N | RunServices values | snapshot and paths | RunServices images | running images read | configuration block "
  "| the rest | floor: snapshot and paths | floor: reads |")
p("|---|---|---|---|---|---|---|---|---|")
for n, v in steps.items():
    p(f"| {n} | " + " | ".join(f"{x:.2f}" for x in v) + " |")
p("")

p("## Memory\n")
qemu = r["native"] != "yes"
p("| | working set | private |" + (" of it, qemu's own |" if qemu else ""))
p("|---|---|---|" + ("---|" if qemu else ""))
for key, label in (("base_mem", "baseline tray program"),
                   ("base_com_mem", "baseline, COM started (ole32, oleaut32)"),
                   ("base_comctl_mem", "baseline, COM started and the common controls loaded"),
                   ("idle_mem", "Kestrix.exe idle in the tray"),
                   ("first_mem", "Kestrix.exe after the first detection pass"),
                   ("tenth_mem", "Kestrix.exe after ten passes"),
                   ("auto_mem", "Kestrix.exe started with AutoScan (silent), after its pass")):
    p(f"| {label} | {mem[key][0]:.1f} MiB | {mem[key][1]:.1f} MiB |" + (f" {mem[key][2]:.1f} MiB |" if qemu else ""))
p("\nThe working set is what Windows reports inside Wine (`GetProcessMemoryInfo`); every Wine library a process "
  "maps counts in it. Private is the part of it the Linux process has to itself (`Private_Clean` and "
  "`Private_Dirty` of /proc/PID/smaps_rollup); the rest is DLL code that every process using those DLLs shares."
  + ("" if not qemu else " Under qemu-i386 both also hold the emulator's own memory: its cache of "
     "translated code (in 2 MiB pages), its heap and its tables, which grow with the code a program runs. It lies "
     "above the 4 GiB that the 32-bit program sees; the last column is its private part, which a native run has "
     "not.") + "\n")
diff = lambda a, b, i=0: mem[a][i] - mem[b][i]
# What of a difference is qemu's own memory, said only where there is some.
def qemu_part(a, b):
    return f", {diff(a, b, 2):+.1f} MiB of it qemu's own" if qemu else ""
com = diff("base_com_mem", "base_mem")
comctl = diff("base_comctl_mem", "base_com_mem")
p("Where it goes:\n")
p(f"- Starting COM, which Kestrix does before its first window (it registers and creates the engine through COM): "
  f"{com:+.1f} MiB working set, {diff('base_com_mem', 'base_mem', 1):+.1f} MiB private, in the baseline as much as "
  "in Kestrix: Wine's ole32 with combase and rpcrt4.")
p(f"- Kestrix idle above the baseline with COM started: {diff('idle_mem', 'base_com_mem'):+.1f} MiB working set, "
  f"{diff('idle_mem', 'base_com_mem', 1):+.1f} MiB private{qemu_part('idle_mem', 'base_com_mem')}: the program, "
  "its resources, the frame and the tray icon. The common controls are not loaded while it waits; the about box and the engine load them.")
p(f"- The common controls, which the engine's progress window needs: {comctl:+.1f} MiB working set, "
  f"{diff('base_comctl_mem', 'base_com_mem', 1):+.1f} MiB private, measured in the baseline.")
p(f"- Kestrix after ten passes above the baseline with COM and the common controls: "
  f"{diff('tenth_mem', 'base_comctl_mem'):+.1f} MiB working set, {diff('tenth_mem', 'base_comctl_mem', 1):+.1f} MiB "
  f"private{qemu_part('tenth_mem', 'base_comctl_mem')}: the engine DLL, its type library, the engine object and "
  "its lists.\n")

p("## Idle CPU and start-up\n")
p("| | baseline tray program | Kestrix.exe |")
p("|---|---|---|")
p(f"| CPU ticks in {r['idle_seconds']} s idle, timed scanning off | {r['base_ticks']} | {r['kx_ticks']} |")
p(f"| CPU ticks in {r['idle_seconds']} s, timed scanning at one minute | | {r['timed_ticks']} "
  f"({r['timed_passes']} {'pass' if r['timed_passes'] == '1' else 'passes'}) |")
bm, bl, _ = three(r["base_start"].split()); km, kl, _ = three(r["kx_start"].split())
am, al, _ = three(r["kx_auto_start"].split())
p(f"| start-up to the tray icon, median (min) of {r['starts']} | {bm:.0f} ({bl:.0f}) ms | {km:.0f} ({kl:.0f}) ms; "
  f"with AutoScan (silent) {am:.0f} ({al:.0f}) ms |")
p("\nCPU ticks are the Linux process's user and system time from /proc (1/100 s). Start-up is from "
  "`CreateProcess` until the shell holds the program's tray icon, with the wineserver already running.\n")

p("## Goals\n")
def goal(text, met, measured, why=None):
    p(f"- {'met' if met else 'MISSED'}: {text} ({measured})" + ("" if met or not why else f". {why}"))
over = [(n, v) for n, v in ratios.items() if v > 1.05]
def where_it_goes(n):
    rs, snap, reg, run, cfg, rest, fpaths, freads = steps[n]
    own = rs + reg + cfg + rest
    return (f"Step by step the pass takes {snap:.2f} ms for the snapshot and paths against the floor's {fpaths:.2f}, "
            f"{run:.2f} ms to read the running images against the floor's {freads:.2f}, and {own:.2f} ms for the "
            f"steps the floor has not (RunServices values {rs:.2f}, RunServices images {reg:.2f}, configuration "
            f"block {cfg:.2f}, the rest {rest:.2f}). The work both do differs by {snap - fpaths + run - freads:+.2f} "
            "ms; the rest of the gap is those steps, which detection needs and the floor leaves out.")
goal("pass/floor median at most 1.05 at every N", not over, ", ".join(f"{v:.3f}" for v in ratios.values()),
     " ".join(f"At N={n} the pass's median is {medians[n][0] - medians[n][1]:.1f} ms above the floor's "
              f"{medians[n][1]:.1f} ms; run by run the pass takes {paired[n]:.3f} times the floor run next to it"
              + (", so the medians differ by the noise of runs this short." if paired[n] <= 1.05 else
                 ". " + where_it_goes(n))
              for n, v in over))
idle_over = diff("idle_mem", "base_mem")
goal("idle working set at most 1 MiB above the baseline's", idle_over <= 1.0, f"{idle_over:+.1f} MiB",
     f"Of that, {com:.1f} MiB is COM's start-up, which the baseline pays as much once it starts COM; above that "
     f"baseline Kestrix idles at {diff('idle_mem', 'base_com_mem'):+.1f} MiB"
     f"{qemu_part('idle_mem', 'base_com_mem')}.")
tenth_over = diff("tenth_mem", "base_mem")
goal("at most 4 MiB above the baseline's after ten passes", tenth_over <= 4.0, f"{tenth_over:+.1f} MiB",
     f"Of that, {com + comctl:.1f} MiB is Wine's COM and common controls as they load in the baseline too; above "
     f"the baseline with both Kestrix is {diff('tenth_mem', 'base_comctl_mem'):+.1f} MiB after ten passes"
     f"{qemu_part('tenth_mem', 'base_comctl_mem')}.")
goal("flat from the first pass to the tenth", abs(diff("tenth_mem", "first_mem")) <= 0.25,
     f"{diff('tenth_mem', 'first_mem'):+.2f} MiB")
goal("0 idle ticks per minute with timed scanning off", int(r["kx_ticks"]) == 0, f"{r['kx_ticks']} ticks")
goal("start-up without AutoScan at most 1.5 times the baseline's", km <= 1.5 * bm, f"{km / bm:.2f} times")
print("\n".join(out))
EOF
if [ -s "$out/rescue-section" ]; then
    { echo; cat "$out/rescue-section"; } >> "$root/docs/benchmarks.md"
fi
say "done: docs/benchmarks.md"
