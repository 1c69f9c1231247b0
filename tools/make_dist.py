#!/usr/bin/env python3
"""Makes the distribution: OUT_DIR/Kestrix-VERSION/ with Kestrix.exe,
quarrion.dll, regsvr32.exe and readme.txt (Windows line endings), and
OUT_DIR/Kestrix-VERSION.zip holding exactly those four files.

    make_dist.py OUT_DIR VERSION Kestrix.exe quarrion.dll regsvr32.exe readme.txt
"""
import os
import shutil
import sys
import zipfile


def main():
    out, version, exe, dll, regsvr32, readme = sys.argv[1:7]
    name = "Kestrix-" + version
    folder = os.path.join(out, name)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    files = {"Kestrix.exe": exe, "quarrion.dll": dll, "regsvr32.exe": regsvr32}
    for target, source in files.items():
        shutil.copy(source, os.path.join(folder, target))
    text = open(readme, encoding="ascii").read().replace("@VERSION@", version)
    lines = text.replace("\r\n", "\n").split("\n")
    if len(lines) > 1 and lines[1] and set(lines[1]) == {"="}:
        lines[1] = "=" * len(lines[0])   # the heading's underline fits the version
    text = "\r\n".join(lines)
    with open(os.path.join(folder, "readme.txt"), "w", encoding="ascii", newline="") as f:
        f.write(text)
    archive = os.path.join(out, name + ".zip")
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
        for target in list(files) + ["readme.txt"]:
            z.write(os.path.join(folder, target), target)
    return 0


if __name__ == "__main__":
    sys.exit(main())
