#!/usr/bin/env python3
"""Fails when a source file includes a folder above its own: includes run one way.

Every folder under src/ is one library; a folder may include itself and the folders
listed for it below (and, through them, nothing more). Usage: check_layers.py SRC_DIR
"""
import pathlib
import re
import sys

CORE = {"text", "platform", "profile", "archive", "install_log", "medium", "deploy"}
ALLOWED = {
    "text": set(),
    "platform": {"text"},
    "profile": {"text", "platform"},
    "archive": {"text", "platform"},
    "install_log": {"text", "platform"},
    "medium": {"text"},
    "deploy": {"text", "install_log", "medium"},
    "ui": {"text"},
    "winsys": {"text", "platform", "install_log", "deploy"},
    "archive/win": CORE | {"ui", "winsys"},
    "wizard": CORE | {"ui", "winsys"},
    "shell": CORE | {"ui", "winsys", "wizard"},
    "pages": CORE | {"ui", "winsys", "wizard", "shell"},
    "install": CORE | {"ui", "winsys", "archive/win", "wizard", "shell"},
    "completion": CORE | {"ui", "winsys", "archive/win", "wizard", "shell"},
    "app": CORE | {"ui", "winsys", "archive/win", "wizard", "shell", "pages", "install", "completion"},
    "uninstall": CORE | {"ui", "winsys"},
    "resources": set(),
}
# Core files built for Windows only: the code page boundary and the *_win files.
WINDOWS_ONLY = {"text/cp936.cpp"}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def folder_of(relative: str) -> str:
    parts = relative.split("/")
    if parts[0] == "archive" and len(parts) > 2 and parts[1] == "win":
        return "archive/win"
    return parts[0]


def main() -> int:
    src = pathlib.Path(sys.argv[1])
    faults = []
    for path in sorted(src.rglob("*")):
        if path.suffix not in (".h", ".cpp"):
            continue
        own = folder_of(path.relative_to(src).as_posix())
        if own not in ALLOWED:
            faults.append(f"{path}: folder '{own}' has no place in the layers")
            continue
        for target in INCLUDE.findall(path.read_text(encoding="utf-8")):
            other = folder_of(target)
            if other != own and other not in ALLOWED[own]:
                faults.append(f"{path}: includes {target} ('{own}' may not include '{other}')")
        if own in CORE and "<windows.h>" in path.read_text(encoding="utf-8") and "_win" not in path.stem \
                and path.relative_to(src).as_posix() not in WINDOWS_ONLY:
            faults.append(f"{path}: the portable core never includes <windows.h>")
    for fault in faults:
        print(fault)
    print(f"{len(faults)} include faults")
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
