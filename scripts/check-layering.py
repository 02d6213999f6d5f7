#!/usr/bin/env python3
"""Checks the layering of the static libraries under src/.

Each library is declared by add_library() in a folder's CMakeLists.txt; sub-folders that add
their sources with target_sources() belong to it. The check fails when
  - the libraries' links (target_link_libraries) form a cycle,
  - a file includes a header of a library that its own library does not link, directly or
    through others (a lower library reaching up),
  - a library of pure audio code links anything but other audio libraries and base.

Usage: check-layering.py [SOURCE_DIR]   (default: the folder above this script)
"""

import os
import re
import sys

# Libraries that hold the audio algorithms: the standard library, POSIX and base only.
PURE_AUDIO = {"audio_dsp", "audio_files", "audio_level"}
PURE_AUDIO_MAY_LINK = PURE_AUDIO | {"base", "Threads::Threads"}

ADD_LIBRARY = re.compile(r"add_library\(\s*(\w+)\s+STATIC", re.S)
TARGET_SOURCES = re.compile(r"target_sources\(\s*(\w+)", re.S)
TARGET_LINK = re.compile(r"target_link_libraries\(\s*(\w+)([^)]*)\)", re.S)
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def read(path):
    with open(path, encoding="utf-8") as f:
        return f.read()


def scan_cmake(src):
    """Folder (relative to src) -> library, and library -> the libraries and targets it links."""
    folders = {}
    links = {}
    for root, _, files in os.walk(src):
        if "CMakeLists.txt" not in files:
            continue
        text = read(os.path.join(root, "CMakeLists.txt"))
        folder = os.path.relpath(root, src)
        for match in ADD_LIBRARY.finditer(text):
            folders[folder] = match.group(1)
            links.setdefault(match.group(1), set())
        for match in TARGET_SOURCES.finditer(text):
            folders[folder] = match.group(1)
        for match in TARGET_LINK.finditer(text):
            words = [w for w in match.group(2).split() if w not in ("PUBLIC", "PRIVATE", "INTERFACE")]
            links.setdefault(match.group(1), set()).update(words)
    return folders, links


def library_of(path, folders):
    """The library of a path relative to src: the one of its deepest declaring folder."""
    folder = os.path.dirname(path)
    while folder:
        if folder in folders:
            return folders[folder]
        folder = os.path.dirname(folder)
    return None


def find_cycle(graph):
    """A list of libraries that link around in a circle, or None."""
    state = {}

    def visit(node, path):
        state[node] = "open"
        for dep in sorted(graph.get(node, ())):
            if dep not in graph:
                continue
            if state.get(dep) == "open":
                return path[path.index(dep):] + [dep]
            if dep not in state:
                cycle = visit(dep, path + [dep])
                if cycle:
                    return cycle
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            cycle = visit(node, [node])
            if cycle:
                return cycle
    return None


def closure(graph, node):
    seen = set()
    stack = [node]
    while stack:
        for dep in graph.get(stack.pop(), ()):
            if dep in graph and dep not in seen:
                seen.add(dep)
                stack.append(dep)
    return seen


def main():
    top = sys.argv[1] if len(sys.argv) > 1 else os.path.join(os.path.dirname(__file__), "..")
    src = os.path.join(top, "src")
    folders, links = scan_cmake(src)
    libraries = set(folders.values())
    graph = {lib: {d for d in links.get(lib, ()) if d in libraries} for lib in libraries}
    problems = []

    cycle = find_cycle(graph)
    if cycle:
        problems.append("the libraries link in a cycle: " + " -> ".join(cycle))

    for lib in sorted(PURE_AUDIO & libraries):
        for dep in sorted(links.get(lib, ()) - PURE_AUDIO_MAY_LINK):
            problems.append(f"{lib} is audio code but links {dep}")

    reach = {lib: closure(graph, lib) | {lib} for lib in libraries}
    for root, _, files in os.walk(src):
        for name in sorted(files):
            if not name.endswith((".h", ".cpp")):
                continue
            path = os.path.relpath(os.path.join(root, name), src)
            lib = library_of(path, folders)
            if lib is None:
                continue
            for included in INCLUDE.findall(read(os.path.join(root, name))):
                target = library_of(included, folders)
                if target is not None and target not in reach[lib]:
                    problems.append(f"src/{path} ({lib}) includes {included} ({target}), "
                                    f"which {lib} does not link")

    for problem in problems:
        print(problem)
    if problems:
        return 1
    order = sorted(libraries, key=lambda lib: (len(reach[lib]), lib))
    print("layering holds:", ", ".join(f"{lib} ({len(reach[lib]) - 1} below)" for lib in order))
    return 0


if __name__ == "__main__":
    sys.exit(main())
