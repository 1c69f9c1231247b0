#!/usr/bin/env python3
"""Times kestrix-rescue's scan of a disk image (--all-files) against the floor
measured in the same run, The Sleuth Kit's own walk of the same volume with
the same one read per file (kx-rescue-floor), and, for context, YARA with a
rule for the signature at its offset over the same files, extracted. Writes
its section of docs/benchmarks.md (between the rescue markers).

    python3 tools/bench/rescue_bench.py [--sizes 1000,10000,50000] [--runs 5]
"""
import argparse
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
sys.path.insert(0, os.path.join(ROOT, "tests", "rescue"))
import fixtures as F  # noqa: E402

BUILD = os.path.join(ROOT, "build", "rescue")
RESCUE = os.path.join(BUILD, "kestrix-rescue")
FLOOR = os.path.join(BUILD, "kx-rescue-floor")
BEGIN, END = "<!-- rescue -->", "<!-- /rescue -->"


def make_image(work, n):
    """A FAT32 volume: a Windows 98 tree and n files in folders of 100, every
    third long enough for the signature read, one of them the server."""
    tree = os.path.join(work, "tree")
    files = F.win98_files(os.path.join(BUILD, "kx-systemdat"), work, {"SystemTray": "SysTray.Exe"})
    for name, data in files.items():
        p = os.path.join(tree, *name.split("\\"))
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, "wb") as f:
            f.write(data)
    data_dir = os.path.join(tree, "DATA")
    long_file, short_file = b"\x11" * 17000, b"\x22" * 1500
    for i in range(n):
        d = os.path.join(data_dir, "D%04d" % (i // 100))
        if i % 100 == 0:
            os.makedirs(d)
        with open(os.path.join(d, "F%05d.BIN" % i), "wb") as f:
            f.write(F.server() if i == n // 2 else long_file if i % 3 == 0 else short_file)
    total = sum(os.path.getsize(os.path.join(d, f)) for d, _, fs in os.walk(tree) for f in fs)
    size_mib = max(64, int(total * 1.6 / F.MiB) + 64)
    image = os.path.join(work, "disk.img")
    with open(image, "wb") as f:
        f.truncate(size_mib * F.MiB)
    F.run("mkfs.fat", "-F", "32", "-n", "BENCH", image)
    for entry in os.listdir(tree):
        F.run("mcopy", "-s", "-i", image, os.path.join(tree, entry), "::/")
    return image, data_dir


def timed(args):
    """Wall time and the child's own processor time (user and system), in ms."""
    out = tempfile.TemporaryFile()
    start = time.perf_counter()
    pid = os.posix_spawn(args[0], args, os.environ, file_actions=[
        (os.POSIX_SPAWN_DUP2, out.fileno(), 1), (os.POSIX_SPAWN_OPEN, 2, os.devnull, os.O_WRONLY, 0)])
    _, status, usage = os.wait4(pid, 0)
    elapsed = (time.perf_counter() - start) * 1000
    out.seek(0)
    result = subprocess.CompletedProcess(args, os.waitstatus_to_exitcode(status), out.read().decode(), "")
    return elapsed, (usage.ru_utime + usage.ru_stime) * 1000, result


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--sizes", default="1000,10000,50000")
    ap.add_argument("--runs", type=int, default=5)
    args = ap.parse_args()
    rule_dir = tempfile.mkdtemp(prefix="kx-bench-rule-")
    rule = os.path.join(rule_dir, "standin.yar")
    with open(rule, "w") as f:
        f.write("rule standin\n{\n    strings:\n        $sig = { %s }\n    condition:\n        $sig at 15710\n}\n"
                % " ".join("%02X" % b for b in F.SIGNATURE[:1024]))
    rows = []
    for n in (int(s) for s in args.sizes.split(",")):
        work = tempfile.mkdtemp(prefix="kx-bench-rescue-")
        try:
            image, data_dir = make_image(work, n)
            scan = [RESCUE, "scan", "--all-files", "--json", image]
            floor = [FLOOR, image]
            yara = ["yara", "-r", rule, data_dir]
            for cmd in (scan, floor, yara):   # warm the page cache first
                subprocess.run(cmd, capture_output=True)
            yara[0] = shutil.which("yara")
            times = {"scan": [], "floor": [], "yara": [], "paired": [], "scan_cpu": [], "floor_cpu": []}
            # The scan and the floor take turns going first; YARA, which reads
            # other files, runs in rounds of its own after them.
            for round_ in range(args.runs):
                for which in (("scan", "floor") if round_ % 2 == 0 else ("floor", "scan")):
                    wall, cpu, p = timed(scan if which == "scan" else floor)
                    if which == "scan" and p.returncode != 1:
                        raise SystemExit("the scan did not find the server (status %d)" % p.returncode)
                    if which == "floor":
                        files = int(p.stdout.split()[1])
                    times[which].append(wall)
                    times[which + "_cpu"].append(cpu)
                times["paired"].append(times["scan"][-1] / times["floor"][-1])
            for _ in range(args.runs):
                wall, _, p = timed(yara)
                if "standin" not in p.stdout:
                    raise SystemExit("YARA did not find the server")
                times["yara"].append(wall)
            med = {k: statistics.median(v) for k, v in times.items()}
            rows.append((n, files, args.runs, med, times))
            print("N=%d files=%d scan %.1f floor %.1f ratio %.3f cpu ratio %.3f yara %.1f" %
                  (n, files, med["scan"], med["floor"], med["scan"] / med["floor"],
                   med["scan_cpu"] / med["floor_cpu"], med["yara"]), flush=True)
        finally:
            shutil.rmtree(work, ignore_errors=True)
    shutil.rmtree(rule_dir, ignore_errors=True)

    def cell(v):
        return "%.1f (%.1f-%.1f)" % (statistics.median(v), min(v), max(v))
    lines = [BEGIN, "## kestrix-rescue over a disk image", "",
             "Made by `tools/bench/rescue_bench.py` on %s: %d cores, %s, The Sleuth Kit %s, YARA %s; native "
             "x86-64 programs, page cache warm. Each N is a FAT32 image (mkfs.fat, mtools) holding a Windows 98 "
             "tree and N files in folders of 100, every third long enough to hold the signature, one of them the "
             "stand-in server. Milliseconds, median (min-max) of the runs, process start included; the processor time is the child's own "
             "(user and system, from wait4), medians. The floor is "
             "`kx-rescue-floor`: The Sleuth Kit's own walk of the volume and the same one read of 1,024 bytes at "
             "offset 15710 from each file long enough, nothing else. The scan is `kestrix-rescue scan --all-files "
             "--json`: the installation found, its registry read, every file checked by the engine's rules, the "
             "report written. YARA (`$sig at 15710`, `yara -r`) reads the same files extracted to a folder: "
             "context, not a race." % (time.strftime("%Y-%m-%d"), os.cpu_count(), platform.processor() or
                                         platform.machine(), subprocess.run(["fls", "-V"], capture_output=True,
                                                                            text=True).stdout.split()[-1],
                                         subprocess.run(["yara", "--version"], capture_output=True,
                                                        text=True).stdout.strip()),
             "",
             "| N | files in the image | runs | scan --all-files | floor | scan/floor | paired | processor time: scan, floor, ratio | YARA |",
             "|---|---|---|---|---|---|---|---|---|"]
    for n, files, runs, med, times in rows:
        lines.append("| %d | %d | %d | %s | %s | %.3f | %.3f | %.1f, %.1f, %.3f | %s |" % (
            n, files, runs, cell(times["scan"]), cell(times["floor"]), med["scan"] / med["floor"],
            med["paired"], med["scan_cpu"], med["floor_cpu"], med["scan_cpu"] / med["floor_cpu"],
            cell(times["yara"])))
    lines += ["", "Goal: the scan at most 1.2 times the floor. Paired is the median, round by round, of the scan over "
              "the floor; the two take turns going first.", "",
              "What the scan does beyond the floor: it finds the installation and reads its registry through "
              "libcreg (about 0.4 ms), starts with more of the program to bind (about 0.6 ms), and for every "
              "file builds the path the engine's rules ask for and finds the file again by it. The Sleuth "
              "Kit's own work is the same in both. This machine is a shared virtual one: four runs of this "
              "script with the program as it is gave 1.08 to 1.28 at 10,000 files and 1.15 to 1.23 at 50,000 "
              "(medians of 15 to 25 rounds each), so one table is within about 0.1 of the goal either way.", END]
    doc = os.path.join(ROOT, "docs", "benchmarks.md")
    with open(doc) as f:
        text = f.read()
    section = "\n".join(lines) + "\n"
    if BEGIN in text:
        text = text[:text.index(BEGIN)] + section + text[text.index(END) + len(END) + 1:]
    else:
        text = text.rstrip("\n") + "\n\n" + section
    with open(doc, "w") as f:
        f.write(text)


if __name__ == "__main__":
    main()
