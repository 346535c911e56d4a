#!/usr/bin/env python3
"""Checks the include arrows between the top folders; run by CTest as the test "layers".

    usage: check_layers.py [ROOT]      (ROOT: the repository, default the current directory)

The logic folders are stacked, each may include its own folder and any folder below it:

    base < ports < song, synth, gfx < app < ui < render < program

song, synth and gfx are one level and do not include each other. platform sits beside the
stack: it includes only base, ports and itself, and the logic folders (base to ui) include
only its interface headers (clock.h, window.h, ...), never an implementation (win32/, sdl_*,
rtmidi_*, fluid_*, ttf_*, sdbus_*, posix_*, stderr_*, manual_*, fake/). render may include
every part of platform; program, where the programs choose their implementations, may
include anything. tests, bench, fuzz and tools stand outside the stack and are not checked.

Prints "FILE:LINE: folder X must not include Y" for every offending include and exits with
status 1 when there is one.
"""
import os
import re
import sys

LEVELS = {
    "base": 0,
    "ports": 1,
    "song": 2,
    "synth": 2,
    "gfx": 2,
    "app": 3,
    "ui": 4,
    "render": 5,
    "program": 6,
}
# What platform itself may include.
PLATFORM_INCLUDES = {"base", "ports", "platform"}
# Folders above the logic that may include platform's implementations.
PLATFORM_USERS = {"render", "program"}
IMPLEMENTATION = re.compile(r"^platform/(fake/|win32/|(sdl|rtmidi|fluid|ttf|sdbus|posix|stderr|manual)_)")
INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"')
SOURCE_SUFFIXES = (".h", ".hpp", ".cpp", ".cc", ".inc")


def objection(folder, included, top_folders):
    """Why `folder` must not include the header `included`, or None when it may."""
    target = included.split("/", 1)[0]
    if folder == "program":
        return None
    if folder == "platform":
        return None if target in PLATFORM_INCLUDES else target
    if target == "platform":
        if folder in PLATFORM_USERS or not IMPLEMENTATION.match(included):
            return None
        return included
    if target not in LEVELS:
        # Outside the stack (tests, tools, ...), which no checked folder includes; a name
        # that is no folder of the repository is a library's.
        return target if target in top_folders else None
    if target == folder or LEVELS[target] < LEVELS[folder]:
        return None
    return target


def check_file(root, path, folder, top_folders):
    """The offences of one file, as printable lines."""
    found = []
    directory = os.path.dirname(path)
    with open(path, encoding="utf-8", errors="replace") as source:
        for number, line in enumerate(source, 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            included = match.group(1)
            # A name beside the including file stays in its folder.
            if "/" not in included or os.path.exists(os.path.join(directory, included)):
                continue
            reason = objection(folder, included, top_folders)
            if reason:
                relative = os.path.relpath(path, root)
                found.append(f"{relative}:{number}: folder {folder} must not include {reason}")
    return found


def main():
    root = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
    top_folders = {name for name in os.listdir(root) if os.path.isdir(os.path.join(root, name))}
    offences = []
    for folder in sorted(set(LEVELS) | {"platform"}):
        for directory, _, files in sorted(os.walk(os.path.join(root, folder))):
            for name in sorted(files):
                if name.endswith(SOURCE_SUFFIXES):
                    offences += check_file(root, os.path.join(directory, name), folder, top_folders)
    for offence in offences:
        print(offence)
    if offences:
        print(f"check_layers: {len(offences)} include(s) against the layers", file=sys.stderr)
        return 1
    return 0

if __name__ == "__main__":
    sys.exit(main())
