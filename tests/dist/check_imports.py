#!/usr/bin/env python3
"""Checks that every binary in the distribution zip loads on Windows 95: each
imported function is named in the export list of its DLL (exports/*.txt),
nothing is imported by ordinal or from another DLL, the PE headers ask for
Windows 4.0, and the binary is stripped.

    check_imports.py ZIP EXPORTS_DIR
"""
import os
import struct
import sys
import zipfile


def read_exports(folder):
    exports = {}
    for name in os.listdir(folder):
        if name.endswith(".txt"):
            words = set()
            with open(os.path.join(folder, name), encoding="ascii") as f:
                for line in f:
                    if not line.startswith("#"):
                        words.update(line.split())
            exports[name[:-4].lower()] = words
    return exports


class Image:
    """The parts of a 32-bit PE image the check needs."""

    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE header")
        (self.machine, sections, _, self.symbol_table, self.symbols, optional_size,
         _) = struct.unpack_from("<HHIIIHH", data, pe + 4)
        opt = pe + 24
        if struct.unpack_from("<H", data, opt)[0] != 0x10B:
            raise ValueError("not a 32-bit image")
        (self.os_major, self.os_minor, _, _, self.subsystem_major,
         self.subsystem_minor) = struct.unpack_from("<6H", data, opt + 40)
        directories = struct.unpack_from("<I", data, opt + 92)[0]
        self.import_rva = struct.unpack_from("<I", data, opt + 104)[0] if directories > 1 else 0
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            name, vsize, rva, raw_size, raw = struct.unpack_from("<8sIIII", data, table + 40 * i)
            self.sections.append((name.rstrip(b"\0").decode("latin-1"), rva, max(vsize, raw_size), raw))

    def offset(self, rva):
        for _, start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ValueError(f"RVA {rva:#x} lies in no section")

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("latin-1")

    def imports(self):
        """(dll, name or None, ordinal or None) for every imported function."""
        if not self.import_rva:
            return
        at = self.offset(self.import_rva)
        while True:
            lookup, _, _, name_rva, thunks = struct.unpack_from("<5I", self.data, at)
            if name_rva == 0:
                return
            dll = self.string(name_rva)
            entry = self.offset(lookup or thunks)
            while True:
                value = struct.unpack_from("<I", self.data, entry)[0]
                if value == 0:
                    break
                if value & 0x80000000:
                    yield dll, None, value & 0xFFFF
                else:
                    yield dll, self.string(value + 2), None
                entry += 4
            at += 20


def check(name, data, exports):
    failures = []
    image = Image(data)
    if image.machine != 0x14C:
        failures.append("not an i386 image")
    if (image.subsystem_major, image.subsystem_minor) != (4, 0):
        failures.append(f"asks for subsystem {image.subsystem_major}.{image.subsystem_minor}, not 4.0")
    if image.os_major != 4:
        failures.append(f"asks for OS {image.os_major}.{image.os_minor}, not 4.x")
    if image.symbol_table or image.symbols:
        failures.append(f"not stripped ({image.symbols} symbols)")
    debug = [s[0] for s in image.sections if s[0].startswith((".debug", "/"))]
    if debug:
        failures.append(f"not stripped (sections {debug})")
    for dll, function, ordinal in image.imports():
        key = dll.lower()[:-4] if dll.lower().endswith(".dll") else dll.lower()
        if key not in exports:
            failures.append(f"imports from {dll}, which has no Windows 95 export list")
        elif function is None:
            failures.append(f"imports {dll} ordinal {ordinal}")
        elif function not in exports[key]:
            failures.append(f"imports {dll}!{function}, which Windows 95 does not export")
    return failures


def main():
    archive, folder = sys.argv[1:3]
    exports = read_exports(folder)
    failed = 0
    with zipfile.ZipFile(archive) as z:
        binaries = [n for n in z.namelist() if n.lower().endswith((".exe", ".dll"))]
        if not binaries:
            print("FAIL: the zip holds no binaries")
            return 1
        for name in binaries:
            failures = check(name, z.read(name), exports)
            imported = sum(1 for _ in Image(z.read(name)).imports())
            for f in failures:
                print(f"FAIL: {name}: {f}")
            print(f"{name}: {imported} imports, {'FAILED' if failures else 'ok'}")
            failed += bool(failures)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
