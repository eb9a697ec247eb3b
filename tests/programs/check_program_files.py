#!/usr/bin/env python3
"""Checks the built Windows programs as files, read by llvm-readobj (a reader we did not
write): 32-bit x86 PE images of the right subsystem, importing only Windows's own DLLs,
without debug sections, with the manifest and version information they ship with, and
setup.exe within its size (what is left out to keep it there: cmake/windows-program.cmake,
src/archive/explode_tables.h). Every imported DLL that Windows does not protect itself (a
"known DLL") and every DLL the programs were seen to load is pinned to the system folder
by the manifest.

usage: check_program_files.py SETUP_EXE VRKTOOL_EXE UNINSTALL_EXE
Prints one line per finding and exits 1 when there is any.
"""
import os
import re
import subprocess
import sys

SYSTEM_DLLS = {"advapi32.dll", "comctl32.dll", "gdi32.dll", "kernel32.dll", "msvcrt.dll",
               "ole32.dll", "oleaut32.dll", "shell32.dll", "user32.dll"}
# Known DLLs of Windows 7 to 11: always loaded from the system folder.
KNOWN_DLLS = SYSTEM_DLLS - {"comctl32.dll"}
# Loaded into setup.exe or uninstall.exe by the system's own DLLs (seen under Wine with
# WINEDEBUG=+loaddll, and the usual ones on Windows), never known DLLs.
MUST_PIN = {"comctl32.dll", "uxtheme.dll", "version.dll", "msimg32.dll", "dwmapi.dll", "cryptbase.dll",
            "bcrypt.dll", "propsys.dll", "profapi.dll", "textshaping.dll", "winmm.dll"}
SUPPORTED_OS = {  # Windows 7, 8, 8.1, 10 and 11
    "{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",
    "{1f676c76-80e1-4239-95bb-83d0f6d0da78}", "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"}
SETUP_VERSION = {
    "ProductName": "Delvrin证券分析系统",
    "FileDescription": "Delvrin证券分析系统 安装程序",
    "CompanyName": "Orvanet",
    "ProductVersion": "3.0",
    "FileVersion": "3.0",
    "OriginalFilename": "setup.exe",
}
SETUP_MOST_BYTES = 800 * 1024
UNINSTALL_VERSION = dict(SETUP_VERSION, FileDescription="Delvrin证券分析系统 卸载程序",
                         OriginalFilename="uninstall.exe")


def readobj(path):
    return subprocess.run(["llvm-readobj", "--file-headers", "--sections", "--coff-imports",
                           "--coff-resources", path], check=True, capture_output=True,
                          text=True).stdout


def resources(dump):
    """{type name: bytes} of the resources in an llvm-readobj dump."""
    found, kind, data = {}, None, None
    for line in dump.splitlines():
        m = re.match(r"\s*Type: (\S+)", line)
        if m:
            kind = m.group(1)
        elif re.match(r"\s*Data \($", line):
            data = bytearray()
        elif data is not None and re.match(r"\s*\)$", line):
            found[kind] = bytes(data)
            data = None
        elif data is not None:
            m = re.match(r"\s*[0-9A-F]+: ((?:[0-9A-F]+ ?)+)", line)
            data += bytes.fromhex(m.group(1).replace(" ", ""))
    return found


def version_strings(block):
    """The name/value pairs of a VERSIONINFO block's string table (UTF-16)."""
    text = block.decode("utf-16-le", errors="replace")
    pairs = {}
    for name in SETUP_VERSION:
        at = text.find(name + "\0")
        if at < 0:
            continue
        rest = text[at + len(name) + 1:].lstrip("\0")
        pairs[name] = rest[:rest.find("\0")]
    return pairs


def check(path, subsystem, level, version, most_bytes=None):
    faults = []
    if most_bytes is not None and os.path.getsize(path) > most_bytes:
        faults.append(f"{os.path.getsize(path)} bytes, more than {most_bytes}")
    dump = readobj(path)
    for fact, pattern in [("a 32-bit x86 image", r"Machine: IMAGE_FILE_MACHINE_I386"),
                          ("PE32", r"Magic: 0x10B"),
                          (subsystem, r"Subsystem: IMAGE_SUBSYSTEM_" + subsystem)]:
        if not re.search(pattern, dump):
            faults.append(f"not {fact}")
    imports = {m.lower() for m in re.findall(r"^\s+Name: (\S+\.dll)\s*$", dump, re.M | re.I)}
    if not imports or imports - SYSTEM_DLLS:
        faults.append(f"imports beyond Windows's own DLLs: {sorted(imports - SYSTEM_DLLS) or 'none at all'}")
    debug = re.findall(r"^\s+Name: (\.z?debug\S*)", dump, re.M)
    if debug:
        faults.append(f"debug sections: {debug}")
    res = resources(dump)
    manifest = res.get("MANIFEST", b"").decode("utf-8", errors="replace")
    if f'level="{level}"' not in manifest or 'uiAccess="false"' not in manifest:
        faults.append(f"the manifest does not ask for {level}")
    if set(re.findall(r'supportedOS Id="([^"]+)"', manifest)) != SUPPORTED_OS:
        faults.append("the manifest does not name Windows 7 to 11")
    pins = dict(re.findall(r'<file name="([^"]+)" loadFrom="([^"]+)"/>', manifest))
    for name, place in sorted(pins.items()):
        if place != "%SystemRoot%\\system32\\" + name:
            faults.append(f"the manifest loads {name} from {place}")
    unpinned = ((imports - KNOWN_DLLS) | MUST_PIN) - {name.lower() for name in pins}
    if unpinned:
        faults.append(f"the manifest does not pin {sorted(unpinned)} to the system folder")
    for unwanted in ("dpiAware", "dpiAwareness", "Microsoft.Windows.Common-Controls"):
        if unwanted in manifest:
            faults.append(f"the manifest declares {unwanted}")
    if version:
        got = version_strings(res.get("VERSIONINFO", b""))
        for name, value in version.items():
            if got.get(name) != value:
                faults.append(f"version {name}: {got.get(name)!r}, expected {value!r}")
    return [f"{path}: {f}" for f in faults]


def main():
    setup, vrktool, uninstall = sys.argv[1:4]
    faults = check(setup, "WINDOWS_GUI", "requireAdministrator", SETUP_VERSION, SETUP_MOST_BYTES)
    faults += check(vrktool, "WINDOWS_CUI", "asInvoker", None)
    faults += check(uninstall, "WINDOWS_GUI", "requireAdministrator", UNINSTALL_VERSION)
    for f in faults:
        print(f)
    print(f"{len(faults)} findings")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
