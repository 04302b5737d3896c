#!/usr/bin/env python3
"""Checks a Windows zip as a user unpacks it.

    check_package.py ZIP MACHINE(i386|x86_64) OBJDUMP WINDRES
"""
import re
import subprocess
import sys
import tempfile
import zipfile
from pathlib import Path

FOLDER = "Velkor-1.16/"
FILES = [FOLDER + name for name in
         ["Velkor.exe", "readme-en.txt", "readme-ru.txt", "velkor-cli.exe", "velkor.ini"]]
PROGRAMS = [FOLDER + "Velkor.exe", FOLDER + "velkor-cli.exe"]
PE_FORMATS = {"i386": "pei-i386", "x86_64": "pei-x86-64"}
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


def check_program(exe, machine, objdump):
    headers = subprocess.run([objdump, "-p", str(exe)], capture_output=True, text=True).stdout
    built_as = re.search(r"file format (\S+)", headers)
    check(built_as and built_as.group(1) == PE_FORMATS[machine],
          f"{exe.name} is {built_as.group(1) if built_as else 'no PE file'}, not {machine}")
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
