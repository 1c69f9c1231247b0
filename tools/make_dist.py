#!/usr/bin/env python3
"""Makes the distribution: dist/Kestrix-2.01/ with Kestrix.exe, quarrion.dll
and readme.txt (Windows line endings), and dist/Kestrix-2.01.zip holding
exactly those three files.

    make_dist.py OUT_DIR Kestrix.exe quarrion.dll readme.txt
"""
import os
import shutil
import sys
import zipfile

NAME = "Kestrix-2.01"


def main():
    out, exe, dll, readme = sys.argv[1:5]
    folder = os.path.join(out, NAME)
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    shutil.copy(exe, os.path.join(folder, "Kestrix.exe"))
    shutil.copy(dll, os.path.join(folder, "quarrion.dll"))
    text = open(readme, encoding="ascii").read().replace("\r\n", "\n").replace("\n", "\r\n")
    with open(os.path.join(folder, "readme.txt"), "w", encoding="ascii", newline="") as f:
        f.write(text)
    archive = os.path.join(out, NAME + ".zip")
    with zipfile.ZipFile(archive, "w", zipfile.ZIP_DEFLATED) as z:
        for name in ("Kestrix.exe", "quarrion.dll", "readme.txt"):
            z.write(os.path.join(folder, name), name)
    return 0


if __name__ == "__main__":
    sys.exit(main())
