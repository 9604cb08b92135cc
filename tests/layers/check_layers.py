#!/usr/bin/env python3
"""Checks that the source folders include one another one way only.

    app -> ui -> ui/rules, ui/app_shell, transceivers/dialogs
        -> platform, tooltip -> resources -> engine
    transceivers/dialogs -> transceivers -> engine
    cli -> cantiming, transceivers, engine

Includes name headers by file name alone ("kelvane_dlg.h"), so each project
header is looked up by name among the checked folders. A folder may include its
own headers and those of the folders beneath it, nothing else; the folders
without a windowing system include no Qt header either.

Usage: check_layers.py [SOURCE_ROOT]   (exit status 1 when a rule is broken)
"""
import re
import sys
from pathlib import Path

# Each folder and the folders directly beneath it.
BENEATH = {
    "app": ["ui"],
    "ui": ["ui/rules", "ui/app_shell", "transceivers/dialogs", "platform", "tooltip",
           "resources", "engine"],
    "ui/rules": ["platform", "tooltip", "resources"],
    "ui/app_shell": ["platform", "resources"],
    "transceivers/dialogs": ["transceivers", "platform", "tooltip", "resources"],
    "platform": ["resources"],
    "tooltip": ["engine"],
    "resources": ["engine"],
    "transceivers": ["engine"],
    "cli": ["cantiming", "transceivers", "engine"],
    "cantiming": [],
    "engine": [],
}
WITHOUT_QT = {"engine", "cantiming", "transceivers", "cli"}
SOURCE_SUFFIXES = {".h", ".hpp", ".cpp", ".cc"}
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')
QT_HEADER = re.compile(r"^Qt?[A-Z]\w*(/|$)|^Qt\w*/")


def allowed_below(folder):
    seen, todo = set(), list(BENEATH[folder])
    while todo:
        lower = todo.pop()
        if lower not in seen:
            seen.add(lower)
            todo.extend(BENEATH[lower])
    return seen


def folder_of(relative):
    """The checked folder a file belongs to: the longest one that holds it."""
    parts = relative.parts[:-1]
    for n in range(len(parts), 0, -1):
        candidate = "/".join(parts[:n])
        if candidate in BENEATH:
            return candidate
    return None


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parents[2])
    files = {}  # relative path -> folder
    for top in sorted({name.split("/")[0] for name in BENEATH}):
        for path in sorted((root / top).rglob("*")):
            if path.suffix in SOURCE_SUFFIXES and path.is_file():
                relative = path.relative_to(root)
                files[relative] = folder_of(relative)

    problems = []
    headers = {}  # file name -> relative path
    for relative in files:
        if relative.suffix in {".h", ".hpp"}:
            if relative.name in headers:
                problems.append(f"{relative}: a second header named {relative.name} (the first is "
                                f"{headers[relative.name]}); an include by name cannot tell them apart")
            headers.setdefault(relative.name, relative)

    includes = 0
    for relative, folder in files.items():
        below = allowed_below(folder)
        text = (root / relative).read_text(encoding="utf-8", errors="replace")
        for number, line in enumerate(text.splitlines(), 1):
            match = INCLUDE.match(line)
            if not match:
                continue
            bracket, name = match.groups()
            where = f"{relative}:{number}"
            if folder in WITHOUT_QT and QT_HEADER.match(name):
                problems.append(f"{where}: {folder} has no windowing system, yet includes <{name}>")
                continue
            if bracket != '"':
                continue
            target = None
            if "/" in name:
                for base in (root, (root / relative).parent):
                    candidate = (base / name).resolve()
                    if candidate.is_relative_to(root.resolve()):
                        candidate_relative = candidate.relative_to(root.resolve())
                        if candidate_relative in files:
                            target = candidate_relative
                            break
            else:
                target = headers.get(name)
            if target is None:
                continue  # not a header of the checked folders (generated, or a test's)
            includes += 1
            target_folder = files[target]
            if target_folder != folder and target_folder not in below:
                problems.append(f"{where}: {folder} includes \"{name}\" from {target_folder}, which "
                                f"is not beneath it (beneath {folder}: "
                                f"{', '.join(sorted(below)) or 'nothing'})")

    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} include rule(s) broken")
        return 1
    print(f"{len(files)} files, {includes} project includes: every one runs downwards")
    return 0


if __name__ == "__main__":
    sys.exit(main())
