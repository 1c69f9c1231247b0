"""Makes the disks the rescue tests read: FAT volumes made with mkfs.fat and
filled with mtools, MBR disks with primary and logical partitions, SYSTEM.DAT
files from our own writer (kx-systemdat), copies in other image formats made
with qemu-img, and harmless stand-in server files: the signature stand-in at
its offset and a configuration block, nothing that runs."""
import importlib.util
import os
import struct
import subprocess

ROOT = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
with open(os.path.join(ROOT, "engine", "res", "signature.bin"), "rb") as _f:
    SIGNATURE = _f.read()
SIGNATURE_OFFSET = 15710
CONFIG_OFFSET = 124888
MiB = 1024 * 1024

_spec = importlib.util.spec_from_file_location(
    "make_fixtures", os.path.join(ROOT, "tools", "mockserver", "make_fixtures.py"))
_mock = importlib.util.module_from_spec(_spec)
_spec.loader.exec_module(_mock)
config_block = _mock.config_block

ENV = dict(os.environ, MTOOLS_SKIP_CHECK="1", MTOOLS_NO_VFAT="0")


def run(*args):
    subprocess.run(list(args), check=True, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)


def server(name=None, value=None, signature=True, size=CONFIG_OFFSET + 100, filler=b"\x90"):
    """A stand-in server file: the signature at its offset and, when name is
    given, a configuration block naming a file and a RunServices value."""
    data = bytearray(filler * size)
    if signature:
        data[SIGNATURE_OFFSET:SIGNATURE_OFFSET + 1024] = SIGNATURE[:1024]
    if size >= CONFIG_OFFSET + 100:
        data[CONFIG_OFFSET:CONFIG_OFFSET + 100] = config_block(name=name, value=value)
    return bytes(data)


def systemdat(tool, path, values, other=None):
    """SYSTEM.DAT with these RunServices values ({name or '': data}) and other
    keys ({key path: {name: data}}), written by kx-systemdat."""
    def esc(s):
        return s.replace("\\", "\\\\").replace('"', '\\"')
    lines = ["REGEDIT4", "[Software\\Microsoft\\Windows\\CurrentVersion\\RunServices]"]
    for name, data in values.items():
        lines.append(('@' if name == "" else '"%s"' % esc(name)) + '="%s"' % esc(data))
    for key, vals in (other or {}).items():
        lines.append("[%s]" % key)
        for name, data in vals.items():
            lines.append(('@' if name == "" else '"%s"' % esc(name)) + '="%s"' % esc(data))
    regedit = path + ".reg"
    with open(regedit, "w") as f:
        f.write("\n".join(lines) + "\n")
    run(tool, path, regedit)
    os.unlink(regedit)
    # libcreg's own export tool is the independent reader of what we wrote.
    out = subprocess.run(["cregexport", path], capture_output=True, text=True, check=True).stdout
    listed = [line.split(" ", 2)[2] for line in out.splitlines() if line.startswith("Value: ")]
    wanted = [n or "(default)" for n in values] + [n or "(default)" for vals in (other or {}).values() for n in vals]
    if sorted(listed) != sorted(wanted):
        raise AssertionError("cregexport reads %r from %s, not %r" % (listed, path, wanted))


def fat_volume(image, size_mib, fat=16, offset=0, files=None, label="KESTRIX"):
    """A FAT volume at a byte offset of image (created or extended), filled
    with files ({'WINDOWS\\\\SYSTEM\\\\X.EXE': bytes}); directories are made
    on the way."""
    if not os.path.exists(image):
        with open(image, "wb") as f:
            f.truncate(offset + size_mib * MiB)
    args = ["mkfs.fat", "-F", str(fat), "-n", label]
    if offset:
        args += ["--offset", str(offset // 512)]
    run(*args, image, str(size_mib * 1024))
    target = "%s@@%d" % (image, offset) if offset else image
    made = set()
    scratch = image + ".file"
    for path, data in (files or {}).items():
        parts = path.split("\\")
        for i in range(1, len(parts)):
            d = "/".join(parts[:i])
            if d not in made:
                run("mmd", "-D", "s", "-i", target, "::/" + d)
                made.add(d)
        with open(scratch, "wb") as f:
            f.write(data)
        run("mcopy", "-i", target, scratch, "::/" + "/".join(parts))
    if os.path.exists(scratch):
        os.unlink(scratch)


def win98_files(tool, workdir, values, system_files=None, windows_files=None, msdos_windir="C:\\WINDOWS",
                folder="WINDOWS", other_keys=None):
    """The files of a Windows 98-like volume: MSDOS.SYS, the Windows folder
    with WIN.COM and SYSTEM.DAT, and its SYSTEM folder."""
    dat = os.path.join(workdir, "SYSTEM.DAT.%d" % len(os.listdir(workdir)))
    systemdat(tool, dat, values, other_keys)
    with open(dat, "rb") as f:
        registry = f.read()
    files = {
        "MSDOS.SYS": ("[Paths]\r\nWinDir=%s\r\nWinBootDir=%s\r\n[Options]\r\nBootGUI=1\r\n"
                      % (msdos_windir, msdos_windir)).encode() if msdos_windir else b"",
        folder + "\\WIN.COM": b"\xe9\x00\x00" + b"\0" * 61,
        folder + "\\SYSTEM.DAT": registry,
        folder + "\\SYSTEM\\KERNEL32.DLL": b"MZ" + b"\0" * 20000,
        folder + "\\SYSTEM\\SYSTRAY.EXE": b"MZ" + b"\0" * 30000,
    }
    os.unlink(dat)
    for name, data in (system_files or {}).items():
        files[folder + "\\SYSTEM\\" + name] = data
    for name, data in (windows_files or {}).items():
        files[folder + "\\" + name] = data
    if not msdos_windir:
        del files["MSDOS.SYS"]
    return files


def mbr(image, partitions):
    """Writes an MBR: partitions are (start_sector, sectors, type, logical).
    Logical ones go into one extended partition after the primaries, each
    with its own boot record in a chain."""
    primaries = [p for p in partitions if not p[3]]
    logicals = [p for p in partitions if p[3]]
    entries = [(p[0], p[1], p[2]) for p in primaries]
    with open(image, "r+b") as f:
        if logicals:
            ext_start = logicals[0][0] - 63
            ext_end = logicals[-1][0] + logicals[-1][1]
            entries.append((ext_start, ext_end - ext_start, 0x0F))
            for i, (start, sectors, ptype, _) in enumerate(logicals):
                ebr_at = start - 63
                table = struct.pack("<BBBBBBBBII", 0, 0, 0, 0, ptype, 0, 0, 0, start - ebr_at, sectors)
                if i + 1 < len(logicals):
                    nxt = logicals[i + 1][0] - 63
                    table += struct.pack("<BBBBBBBBII", 0, 0, 0, 0, 0x05, 0, 0, 0, nxt - ext_start,
                                         logicals[i + 1][0] + logicals[i + 1][1] - nxt)
                f.seek(ebr_at * 512 + 0x1BE)
                f.write(table.ljust(64, b"\0") + b"\x55\xaa")
        table = b""
        for i, (start, sectors, ptype) in enumerate(entries):
            table += struct.pack("<BBBBBBBBII", 0x80 if i == 0 else 0, 0, 0, 0, ptype, 0, 0, 0, start, sectors)
        f.seek(0x1BE)
        f.write(table.ljust(64, b"\0") + b"\x55\xaa")


def convert(raw, fmt, out):
    """A copy of a raw image in another format (vpc, vmdk, qcow2)."""
    run("qemu-img", "convert", "-f", "raw", "-O", fmt, raw, out)


def make_directory_loop(image, parent, child):
    """On a FAT16 volume at offset 0: points the directory parent\\child back
    at parent, so that parent\\child\\child\\... never ends."""
    with open(image, "r+b") as f:
        boot = f.read(512)
        bps, spc = struct.unpack_from("<H", boot, 11)[0], boot[13]
        reserved, fats = struct.unpack_from("<H", boot, 14)[0], boot[16]
        root_entries, fat_sectors = struct.unpack_from("<H", boot, 17)[0], struct.unpack_from("<H", boot, 22)[0]
        root = (reserved + fats * fat_sectors) * bps
        data = root + root_entries * 32

        def find(at, count, name):
            f.seek(at)
            block = f.read(count * 32)
            want = name.ljust(11).encode()
            for i in range(count):
                e = block[i * 32:(i + 1) * 32]
                if e[:11] == want and e[11] != 0x0F:
                    return at + i * 32, struct.unpack_from("<H", e, 26)[0]
            raise KeyError(name)

        _, parent_cluster = find(root, root_entries, parent)
        cluster_at = data + (parent_cluster - 2) * spc * bps
        entry, _ = find(cluster_at, spc * bps // 32, child)
        f.seek(entry + 26)
        f.write(struct.pack("<H", parent_cluster))


def ntfs_volume(image, size_mib, files):
    """An NTFS volume made with mkntfs and filled through an ntfs-3g mount;
    False when this machine cannot mount it (no FUSE)."""
    with open(image, "wb") as f:
        f.truncate(size_mib * MiB)
    run("mkntfs", "-q", "-F", "-Q", image)
    mnt = image + ".mnt"
    os.mkdir(mnt)
    try:
        if subprocess.run(["ntfs-3g", image, mnt], capture_output=True, timeout=60).returncode != 0:
            return False
        try:
            for path, data in files.items():
                p = os.path.join(mnt, *path.split("\\"))
                os.makedirs(os.path.dirname(p), exist_ok=True)
                with open(p, "wb") as f:
                    f.write(data)
        finally:
            subprocess.run(["umount", mnt], check=True, timeout=60)
        return True
    finally:
        os.rmdir(mnt)
