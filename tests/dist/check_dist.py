#!/usr/bin/env python3
"""Checks the distribution: the zip holds exactly the four files, and
readme.txt gives the help that the program's own messages send users to."""
import sys
import zipfile

dist, VERSION = sys.argv[1:3]
failures = []

with zipfile.ZipFile(f"{dist}/Kestrix-{VERSION}.zip") as z:
    names = sorted(z.namelist())
if names != ["Kestrix.exe", "quarrion.dll", "readme.txt", "regsvr32.exe"]:
    failures.append(f"zip holds {names}")

readme = open(f"{dist}/Kestrix-{VERSION}/readme.txt", "rb").read().decode("ascii")
if "\n" in readme.replace("\r\n", ""):
    failures.append("readme.txt has bare line feeds")
promised = {
    # "Kestrix could not register the scan engine. Please see the file 'readme.txt'..."
    "registration error heading": "Kestrix could not register the scan engine",
    "regsvr32 shipped": "regsvr32.exe   the registration program",
    "one folder": "Unzip all four files into one folder",
    "nothing else to install": "crtdll.dll",
    "run from the folder": "Start Kestrix.exe from the Kestrix folder",
    "manual registration": "regsvr32 quarrion.dll",
    # "UnInstallation Failed. Please see the readme file ... how to manually uninstall Kestrix."
    "manual uninstall": "To uninstall by hand",
    "settings key": "HKEY_LOCAL_MACHINE\\SOFTWARE\\Penhallow\\Kestrix",
    "manual unregistration": "regsvr32 /u quarrion.dll",
    "log location": "Kestrix.log",
    "quarantine location": "Infected Files",
    "stand-in signature": "stand-in",
    "script example": "ScanEngine.ScanEngine",
}
for what, text in promised.items():
    if text not in readme:
        failures.append(f"readme.txt lacks {what} ({text!r})")

for f in failures:
    print("FAIL:", f)
print(f"{len(promised) + 2 - len(failures)} passed, {len(failures)} failed")
sys.exit(1 if failures else 0)
