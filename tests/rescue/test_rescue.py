"""kestrix-rescue over disks made in the test run: every case builds its own
images in a fresh folder and runs the real program on them."""
import hashlib
import json
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import unittest

sys.path.insert(0, os.path.dirname(__file__))
import fixtures as F  # noqa: E402
import regf  # noqa: E402

BUILD = os.environ.get("KX_RESCUE_BUILD", os.path.join(F.ROOT, "build", "rescue"))
RESCUE = os.path.join(BUILD, "kestrix-rescue")
SYSTEMDAT = os.path.join(BUILD, "kx-systemdat")
RUN_SERVICES = "Software\\Microsoft\\Windows\\CurrentVersion\\RunServices"

# The values an infected Windows 98 of these tests holds: the server as the
# key's default value, and two programs of others'.
INFECTED_VALUES = {"": "C:\\WINDOWS\\SYSTEM\\ .exe", "SystemTray": "SysTray.Exe",
                   "Other": "C:\\PROGRA~1\\OTHER\\OTHER.EXE /quiet"}


def sha1(path):
    h = hashlib.sha1()
    with open(path, "rb") as f:
        for chunk in iter(lambda: f.read(1 << 20), b""):
            h.update(chunk)
    return h.hexdigest()


def cregexport_values(path):
    """The RunServices values as libcreg's own export tool lists them."""
    out = subprocess.run(["cregexport", path], capture_output=True, text=True, check=True).stdout
    names, inside = [], False
    for line in out.splitlines():
        if line.startswith("Key path: "):
            inside = line[len("Key path: "):] == RUN_SERVICES
        elif inside and line.startswith("Value: "):
            names.append(line.split(" ", 2)[2])
    return names


class RescueCase(unittest.TestCase):
    def setUp(self):
        self.dir = tempfile.mkdtemp(prefix="kx-rescue-")
        self.addCleanup(shutil.rmtree, self.dir, True)

    def path(self, name):
        return os.path.join(self.dir, name)

    def rescue(self, *args):
        # A walk that never ends is a failure, not a wait.
        p = subprocess.run([RESCUE, *args], capture_output=True, text=True, timeout=300)
        return p.returncode, p.stdout, p.stderr

    def scan_json(self, *args):
        code, out, err = self.rescue("scan", "--json", *args)
        lines = [json.loads(line) for line in out.splitlines()]
        return code, lines, err

    def two_partition_disk(self):
        image = self.path("disk.img")
        with open(image, "wb") as f:
            f.truncate(80 * F.MiB)
        files = F.win98_files(SYSTEMDAT, self.dir, {"Loader": "D:\\TOOLS\\LOADER.EXE", "Gone": "E:\\X.EXE",
                                                    "SystemTray": "SysTray.Exe"})
        F.fat_volume(image, 36, fat=16, offset=1 * F.MiB, files=files)
        F.fat_volume(image, 36, fat=16, offset=40 * F.MiB + 63 * 512, files={"TOOLS\\LOADER.EXE": F.server()})
        F.mbr(image, [(2048, 36 * 2048, 0x06, False), (40 * 2048 + 63, 36 * 2048, 0x06, True)])
        return image

    def infected_98(self, name="w98.img", values=None, extra=None, fat=16):
        """A Windows 98-like volume: the server installed in SYSTEM as ' .exe'
        and started by the default value; a dropper in DOWNLOAD that no value
        names."""
        files = F.win98_files(SYSTEMDAT, self.dir, values or INFECTED_VALUES,
                              system_files={" .exe": F.server()},
                              other_keys={"Software\\Microsoft\\Windows\\CurrentVersion\\Run":
                                          {"ScanRegistry": "C:\\WINDOWS\\scanregw.exe /autorun"}})
        files["DOWNLOAD\\SETUP.EXE"] = F.server()
        files["PROGRA~1\\OTHER\\OTHER.EXE"] = b"MZ" + b"\0" * 40000
        files.update(extra or {})
        image = self.path(name)
        F.fat_volume(image, 64 if fat == 16 else 40, fat=fat, files=files)
        return image


class Scan(RescueCase):
    def test_infected_98_image(self):
        image = self.infected_98()
        before = sha1(image)
        code, reports, _ = self.scan_json(image)
        self.assertEqual(code, 1)
        r = reports[0]
        self.assertEqual((r["format"], r["verdict"], r["errors"]), ("raw", "infected", []))
        inst = r["installations"][0]
        self.assertEqual((inst["folder"], inst["family"]), ("C:\\WINDOWS", "Windows 9x/ME"))
        self.assertEqual([(v["name"], v["signature"]) for v in inst["run_services"]],
                         [("", True), ("SystemTray", False), ("Other", False)])
        self.assertEqual([(c["path"], c["found_by"]) for c in inst["carriers"]],
                         [("C:\\WINDOWS\\SYSTEM\\ .exe", "RunServices value")])
        # The dropper is found only when every file is read.
        code, reports, _ = self.scan_json("--all-files", image)
        self.assertEqual(code, 1)
        self.assertIn(("C:\\DOWNLOAD\\SETUP.EXE", "all files"),
                      [(c["path"], c["found_by"]) for c in reports[0]["installations"][0]["carriers"]])
        self.assertEqual(sha1(image), before, "a scan wrote to its input")

    def test_text_report_in_the_log_style(self):
        code, out, _ = self.rescue("scan", self.infected_98())
        self.assertEqual(code, 1)
        self.assertIn("Duskwire server installed as the following values under the registry key\n"
                      "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\RunServices:\n"
                      "\t(Default)\n", out)
        self.assertIn("\tC:\\WINDOWS\\SYSTEM\\ .exe\n", out)
        self.assertTrue(out.rstrip().endswith("Verdict: infected"))

    def test_fat32_volume(self):
        code, reports, _ = self.scan_json("--all-files", self.infected_98("w98-32.img", fat=32))
        self.assertEqual(code, 1)
        self.assertEqual(reports[0]["volumes"][0]["file_system"], "FAT32")
        self.assertEqual(sorted(c["path"] for c in reports[0]["installations"][0]["carriers"]),
                         ["C:\\DOWNLOAD\\SETUP.EXE", "C:\\WINDOWS\\SYSTEM\\ .exe"])

    def test_control_bytes_from_the_disk_never_reach_the_terminal(self):
        image = self.infected_98(values={"Evil\x1b[2J": "C:\\WINDOWS\\SYSTEM\\ .exe"})
        code, out, _ = self.rescue("scan", image)
        self.assertEqual(code, 1)
        self.assertIn("\tEvil?[2J\n", out)
        self.assertNotIn("\x1b", out)
        code, reports, _ = self.scan_json(image)   # JSON keeps the name, escaped
        self.assertEqual(reports[0]["installations"][0]["run_services"][0]["name"], "Evil\x1b[2J")

    def test_value_paths_stay_on_the_volume(self):
        # A mounted directory with a server outside it that a value points at
        # by way up: never read. A name with two dots inside is a name.
        root = self.path("mnt")
        files = F.win98_files(SYSTEMDAT, self.dir, {"Up": "C:\\..\\outside.exe",
                                                    "Dots": "C:\\WINDOWS\\SYSTEM\\my..srv.exe"},
                              system_files={"my..srv.exe": F.server()})
        for name, data in files.items():
            p = os.path.join(root, *name.split("\\"))
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, "wb") as f:
                f.write(data)
        with open(self.path("outside.exe"), "wb") as f:
            f.write(F.server())
        code, reports, _ = self.scan_json(root)
        self.assertEqual(code, 1)
        inst = reports[0]["installations"][0]
        self.assertEqual([c["path"] for c in inst["carriers"]], ["C:\\WINDOWS\\SYSTEM\\my..srv.exe"])
        self.assertEqual([(v["name"], v["signature"]) for v in inst["run_services"]], [("Up", False), ("Dots", True)])
        self.assertIn("C:\\..\\outside.exe", inst["not_checked"])

    def test_clean_image(self):
        files = F.win98_files(SYSTEMDAT, self.dir, {"SystemTray": "SysTray.Exe"},
                              system_files={"NEAR.EXE": F.server(signature=False)})
        image = self.path("clean.img")
        F.fat_volume(image, 32, fat=16, files=files)
        code, reports, _ = self.scan_json("--all-files", image)
        self.assertEqual((code, reports[0]["verdict"]), (0, "clean"))

    def test_windows_folder_found_without_msdos_sys(self):
        files = F.win98_files(SYSTEMDAT, self.dir, {"": "C:\\WIN98\\SYSTEM\\ .exe"},
                              system_files={" .exe": F.server()}, msdos_windir=None, folder="WIN98")
        image = self.path("nomsdos.img")
        F.fat_volume(image, 32, files=files)
        code, reports, _ = self.scan_json(image)
        self.assertEqual(code, 1)
        self.assertEqual(reports[0]["installations"][0]["folder"], "C:\\WIN98")

    def test_values_naming_other_partitions(self):
        # An MBR disk: C: the installation (primary), D: a logical partition
        # holding the server; E: is no volume of this input.
        image = self.two_partition_disk()
        code, reports, _ = self.scan_json(image)
        self.assertEqual(code, 1)
        r = reports[0]
        self.assertEqual([(v["partition"], v["offset"]) for v in r["volumes"]],
                         [("primary", 1 * F.MiB), ("logical", 40 * F.MiB + 63 * 512)])
        inst = r["installations"][0]
        self.assertEqual([c["path"] for c in inst["carriers"]], ["D:\\TOOLS\\LOADER.EXE"])
        self.assertIn("E:\\X.EXE", inst["not_checked"])

    def test_every_image_format(self):
        raw = self.infected_98()
        copies = {"raw": raw}
        for fmt, name in (("vpc", "VHD"), ("vmdk", "VMDK"), ("qcow2", "qcow2")):
            copies[name] = self.path("copy." + fmt)
            F.convert(raw, fmt, copies[name])
        parts = self.path("split.img")
        with open(raw, "rb") as f:
            data = f.read()
        half = len(data) // 2
        for i, piece in enumerate((data[:half], data[half:])):
            with open("%s.%03d" % (parts, i + 1), "wb") as f:
                f.write(piece)
        copies["split raw"] = parts + ".001"
        if shutil.which("ewfacquirestream"):
            with open(raw, "rb") as f:
                subprocess.run(["ewfacquirestream", "-q", "-t", self.path("copy"), "-c", "none"], stdin=f,
                               check=True, capture_output=True)
            copies["EWF"] = self.path("copy.E01")
        code, reports, _ = self.scan_json("--jobs", "3", *copies.values())
        self.assertEqual(code, 1)
        for (fmt, path), r in zip(copies.items(), reports):
            with self.subTest(format=fmt):
                self.assertEqual((r["input"], r["format"], r["verdict"]), (path, fmt, "infected"))
                self.assertEqual([c["path"] for c in r["installations"][0]["carriers"]],
                                 ["C:\\WINDOWS\\SYSTEM\\ .exe"])

    def test_nt_installation_on_ntfs_is_reported_only(self):
        hive = self.path("SOFTWARE")
        regf.write_hive(hive, {"keys": {"Microsoft": {"keys": {"Windows": {"keys": {"CurrentVersion": {"keys": {
            "RunServices": {"values": {"": "C:\\WINNT\\System32\\SRV.EXE", "Other": "other.exe"}}}}}}}}}})
        with open(hive, "rb") as f:
            files = {"WINNT\\System32\\config\\SOFTWARE": f.read(), "WINNT\\System32\\SRV.EXE": F.server(),
                     "WINNT\\System32\\other.exe": b"MZ" + b"\0" * 30000}
        image = self.path("nt.img")
        if not F.ntfs_volume(image, 16, files):
            self.skipTest("no NTFS volume can be made here: ntfs-3g cannot mount (no FUSE)")
        code, reports, _ = self.scan_json(image)
        self.assertEqual(code, 1)
        r = reports[0]
        self.assertEqual(r["volumes"][0]["file_system"], "NTFS")
        inst = r["installations"][0]
        self.assertEqual((inst["folder"], inst["family"]), ("C:\\WINNT", "Windows NT"))
        self.assertEqual([(v["name"], v["signature"]) for v in inst["run_services"]], [("", True), ("Other", False)])
        self.assertEqual([c["path"] for c in inst["carriers"]], ["C:\\WINNT\\System32\\SRV.EXE"])
        before = sha1(image)
        code, out, _ = self.rescue("remove", image)
        self.assertEqual(code, 2)
        self.assertIn("NT-family installations are reported only", out)
        self.assertEqual(sha1(image), before)

    def test_progress_line_on_a_terminal(self):
        import pty
        image = self.infected_98()
        master, slave = pty.openpty()
        try:
            p = subprocess.run([RESCUE, "scan", "--json", image, image], stdout=subprocess.PIPE, stderr=slave,
                               timeout=300)
        finally:
            os.close(slave)
        err = b""
        while True:
            try:
                chunk = os.read(master, 4096)
            except OSError:
                break
            if not chunk:
                break
            err += chunk
        os.close(master)
        self.assertEqual(p.returncode, 1)
        self.assertEqual(len(p.stdout.splitlines()), 2)
        self.assertIn(b"kestrix-rescue: 2 of 2 inputs,", err)
        self.assertIn(b"MiB read", err)

    def test_usage(self):
        for args, status in (((), 64), (("scan",), 64), (("scan", "--bogus", "x"), 64),
                             (("remove", "--jobs", "2", "x"), 64), (("scan", "--jobs", "0", "x"), 64),
                             (("--help",), 0)):
            with self.subTest(args=args):
                self.assertEqual(self.rescue(*args)[0], status)


class BadInput(RescueCase):
    def corrupt(self, image, offset, data):
        with open(image, "r+b") as f:
            f.seek(offset)
            f.write(data)

    def test_each_bad_input_says_what_and_where(self):
        cases = []
        truncated = self.infected_98("truncated.img")
        os.truncate(truncated, 2 * F.MiB)
        cases.append(("truncated image", truncated, "extends past the end of the image (truncated?)"))

        table = self.path("table.img")
        with open(table, "wb") as f:
            f.write(os.urandom(446) + struct.pack("<BBBBBBBBII", 0x80, 0, 0, 0, 6, 0, 0, 0, 0xFFFFFF00, 0xFFFF)
                    + b"\0" * 48 + b"\x55\xaa" + b"\0" * (4 * F.MiB))
        cases.append(("corrupt partition table", table, "the partition table is corrupt"))

        fat = self.infected_98("fat.img")
        self.corrupt(fat, 11, b"\0\0\0")   # bytes per sector and sectors per cluster
        cases.append(("corrupt FAT", fat, "the FAT file system at offset 0 is corrupt"))

        for name, data in (("corrupt", b"CREG" + os.urandom(200)), ("empty", b"")):
            files = F.win98_files(SYSTEMDAT, self.dir, {})
            files["WINDOWS\\SYSTEM.DAT"] = data
            image = self.path(name + ".img")
            F.fat_volume(image, 32, files=files)
            cases.append((name + " SYSTEM.DAT", image, "C:\\WINDOWS\\SYSTEM.DAT: the registry file cannot be read"))

        nowin = self.path("nowin.img")
        F.fat_volume(nowin, 16, files={"README.TXT": b"hello"})
        cases.append(("no Windows installation", nowin, "no Windows installation"))

        notimage = self.path("notes.txt")
        with open(notimage, "w") as f:
            f.write("not a disk\n")
        cases.append(("not an image", notimage, "not a disk image"))

        for label, image, message in cases:
            with self.subTest(case=label):
                before = sha1(image)
                code, reports, _ = self.scan_json(image)
                self.assertEqual(code, 2)
                self.assertEqual(len(reports[0]["errors"]), 1, reports[0]["errors"])
                if "SYSTEM.DAT" not in label:
                    self.assertIn(image, reports[0]["errors"][0])
                self.assertIn(message, reports[0]["errors"][0])
                self.assertEqual(sha1(image), before)

    def test_directory_loop_and_the_rest_still_scanned(self):
        image = self.infected_98("loop.img", extra={"A\\B\\C.TXT": b"x"})
        F.make_directory_loop(image, "A", "B")
        code, reports, _ = self.scan_json("--all-files", image)
        self.assertEqual(code, 2)
        r = reports[0]
        self.assertEqual(len(r["errors"]), 1, r["errors"])
        self.assertIn("directory loop at \\A\\B", r["errors"][0])
        self.assertIn("C:\\DOWNLOAD\\SETUP.EXE", [c["path"] for c in r["installations"][0]["carriers"]])


class Removal(RescueCase):
    def check_removed(self, target, read_systemdat, listing):
        code, out, _ = self.rescue("remove", "--all-files", target)
        self.assertEqual(code, 1, out)
        self.assertIn("All registry entries removed.", out)
        dat, backup = read_systemdat("WINDOWS/SYSTEM.DAT"), read_systemdat("WINDOWS/SYSTEM.KX1")
        self.assertEqual(cregexport_values(dat), ["SystemTray", "Other"])
        self.assertEqual(cregexport_values(backup), ["(default)", "SystemTray", "Other"])
        # The edit stays inside the key's record, whose size is kept.
        with open(backup, "rb") as f:
            a = f.read()
        with open(dat, "rb") as f:
            b = f.read()
        self.assertEqual(len(a), len(b))
        record = a.index(b"RunServices") - 20
        size = struct.unpack_from("<I", a, record)[0]
        changed = [i for i in range(len(a)) if a[i] != b[i]]
        self.assertTrue(changed and record <= changed[0] and changed[-1] < record + size, (record, size, changed[:3]))
        self.assertEqual(struct.unpack_from("<I", b, record)[0], size)
        names = listing()
        self.assertIn("infected files/duskwire.ksx", names)
        self.assertIn("infected files/setup.exe.ksx", names)
        self.assertNotIn("windows/system/ .exe", names)
        self.assertIn("progra~1/other/other.exe", names)
        code, reports, _ = self.scan_json("--all-files", target)
        self.assertEqual((code, reports[0]["verdict"]), (0, "clean"))

    def test_remove_on_a_raw_image(self):
        image = self.infected_98()

        def read(path):
            out = self.path(os.path.basename(path) + ".out")
            subprocess.run(["mcopy", "-n", "-o", "-i", image, "::/" + path, out], check=True, env=F.ENV)
            return out

        def listing():
            out = subprocess.run(["fls", "-r", "-p", image], capture_output=True, text=True, check=True).stdout
            return [line.split("\t", 1)[1].lower() for line in out.splitlines()
                    if "\t" in line and "*" not in line.split("\t")[0]]
        self.check_removed(image, read, listing)

    def test_remove_on_a_mounted_directory(self):
        root = self.path("mnt")
        files = F.win98_files(SYSTEMDAT, self.dir, INFECTED_VALUES, system_files={" .exe": F.server()})
        files["DOWNLOAD\\SETUP.EXE"] = F.server()
        files["PROGRA~1\\OTHER\\OTHER.EXE"] = b"MZ" + b"\0" * 40000
        for name, data in files.items():
            p = os.path.join(root, *name.split("\\"))
            os.makedirs(os.path.dirname(p), exist_ok=True)
            with open(p, "wb") as f:
                f.write(data)

        def listing():
            return [os.path.relpath(os.path.join(d, n), root).lower() for d, _, ns in os.walk(root) for n in ns]
        self.check_removed(root, lambda p: os.path.join(root, *p.split("/")), listing)

    def test_remove_on_a_loop_mount(self):
        image = self.infected_98()
        mnt = self.path("loop")
        os.mkdir(mnt)
        if os.geteuid() != 0 or subprocess.run(["mount", "-o", "loop", image, mnt],
                                               capture_output=True).returncode != 0:
            self.skipTest("this test bed cannot loop-mount (the directory-tree case stands in)")
        self.addCleanup(subprocess.run, ["umount", mnt], capture_output=True)

        def listing():
            return [os.path.relpath(os.path.join(d, n), mnt).lower() for d, _, ns in os.walk(mnt) for n in ns]
        self.check_removed(mnt, lambda p: os.path.join(mnt, *p.split("/")), listing)

    def test_remove_across_partitions(self):
        # The server lies on the logical partition D: and is quarantined there.
        image = self.two_partition_disk()
        code, out, _ = self.rescue("remove", "--json", image)
        self.assertEqual(code, 1, out)
        self.assertEqual(json.loads(out)["installations"][0]["removal"]["quarantined"],
                         [{"from": "D:\\TOOLS\\LOADER.EXE", "to": "D:\\Infected Files\\LOADER.EXE.KSX"}])
        c = subprocess.run(["fls", "-r", "-p", "-o", "2048", image], capture_output=True, text=True).stdout
        self.assertNotIn("LOADER.EXE.KSX", c)
        d = subprocess.run(["fls", "-r", "-p", "-o", str(40 * 2048 + 63), image], capture_output=True,
                           text=True).stdout
        self.assertIn("\tInfected Files/LOADER.EXE.KSX\n", d)
        self.assertFalse([line for line in d.splitlines() if line.endswith("\tTOOLS/LOADER.EXE") and "*" not in line])
        code, reports, _ = self.scan_json(image)
        self.assertEqual(code, 0)
        self.assertEqual([v["name"] for v in reports[0]["installations"][0]["run_services"]], ["Gone", "SystemTray"])

    def test_other_formats_are_refused_and_left_alone(self):
        copy = self.path("copy.qcow2")
        F.convert(self.infected_98(), "qcow2", copy)
        before = sha1(copy)
        code, out, _ = self.rescue("remove", copy)
        self.assertEqual(code, 2)
        self.assertIn("qemu-img convert -O raw", out)
        self.assertEqual(sha1(copy), before)


if __name__ == "__main__":
    unittest.main()
