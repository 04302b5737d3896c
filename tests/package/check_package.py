#!/usr/bin/env python3
"""Checks a Windows zip as a user unpacks it.

    check_package.py ZIP MACHINE(i386|x86_64) OBJDUMP WINDRES
"""
import re
import struct
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

FOLDER = "Velkor-1.16/"
FILES = [FOLDER + name for name in
         ["Velkor.exe", "readme-en.txt", "readme-ru.txt", "velkor-cli.exe", "velkor.ini"]]
PROGRAMS = [FOLDER + "Velkor.exe", FOLDER + "velkor-cli.exe"]
PE_MACHINES = {"i386": 0x014C, "x86_64": 0x8664}
# DLLs that every Windows carries in its system folder.
SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "comdlg32.dll", "gdi32.dll", "kernel32.dll",
               "msvcrt.dll", "ole32.dll", "oleaut32.dll", "shell32.dll", "shlwapi.dll",
               "user32.dll", "version.dll"}
VERSION_LINES = [
    "FILEVERSION 1, 1, 6, 0", "PRODUCTVERSION 1, 1, 6, 0", 'VALUE "FileDescription", "Velkor"',
    'VALUE "FileVersion", "1, 1, 6, 0"', 'VALUE "InternalName", "Velkor"',
    'VALUE "OriginalFilename", "Velkor.exe"', 'VALUE "ProductVersion", "1, 1, 6, 0"',
    'VALUE "Translation", 0x419, 1200']

failures = []


def check(ok, message):
    if not ok:
        failures.append(message)


def pe_machine(exe):
    data = exe.read_bytes()
    (header,) = struct.unpack_from("<I", data, 0x3C)
    check(data[:2] == b"MZ" and data[header:header + 4] == b"PE\0\0", f"{exe.name} is no PE file")
    return struct.unpack_from("<H", data, header + 4)[0]


def check_program(exe, machine, objdump):
    built_for = pe_machine(exe)
    check(built_for == PE_MACHINES[machine],
          f"{exe.name} is built for machine {built_for:#06x}, not {machine}")
    headers = subprocess.run([objdump, "-p", str(exe)], check=True,
                             capture_output=True, text=True).stdout
    dlls = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
    check("kernel32.dll" in dlls, f"{exe.name}: no import of KERNEL32.dll among {sorted(dlls)}")
    check(dlls <= SYSTEM_DLLS, f"{exe.name} needs DLLs Windows lacks: {sorted(dlls - SYSTEM_DLLS)}")


def main(zip_path, machine, objdump, windres):
    with zipfile.ZipFile(zip_path) as package:
        # Folders may be listed as entries of their own; every file lies in the one folder.
        names = sorted(name for name in package.namelist() if not name.endswith("/"))
        check(names == FILES, f"the zip holds {names}, not {FILES}")
        texts = {name: package.read(name) for name in names if not name.endswith(".exe")}
        with tempfile.TemporaryDirectory() as work:
            for program in PROGRAMS:
                if program in names:
                    check_program(Path(package.extract(program, work)), machine, objdump)
            exe = Path(work) / PROGRAMS[0]
            resources = subprocess.run([windres, "-i", str(exe), "-O", "rc"],
                                       capture_output=True, text=True, errors="replace")
            check(resources.returncode == 0, f"Velkor.exe's resources cannot be read: {resources.stderr}")
            lines = {line.strip() for line in resources.stdout.splitlines()}
            for expected in VERSION_LINES:
                check(expected in lines, f"the version record lacks {expected}")

    for name, text in texts.items():
        # Notepad before Windows 10 shows a file with bare LF line ends as one line.
        check(text.endswith(b"\r\n") and text.count(b"\n") == text.count(b"\r\n") == text.count(b"\r"),
              f"{name} does not end every line with CR LF")
        if "readme" in name:
            # Without the mark, older Notepads read UTF-8 as the ANSI code page.
            check(text.startswith(b"\xef\xbb\xbf"), f"{name} has no UTF-8 byte-order mark")
            check(b"velkor-cli.exe" in text, f"{name} says nothing of velkor-cli.exe")
            check(text.decode("utf-8", "replace").encode("utf-8") == text, f"{name} is not UTF-8")

    for failure in failures:
        print(f"{zip_path}: {failure}")
    print(f"{zip_path}: {'FAILED' if failures else 'ok'}")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(*sys.argv[1:]))
