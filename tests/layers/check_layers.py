#!/usr/bin/env python3
"""Keeps the layers of src/ pointing one way.

Each folder of src/ may include only the folders listed for it below (its own
and those beneath it), and the layers beneath the widgets never include a Qt
Widgets header. With --links, the CMake link libraries of each layer target are
checked too: a layer below the widgets never links Qt Widgets, PrintSupport or
a target of a folder above it.

Exit status 0 when every rule holds; otherwise every broken rule is printed
and the status is 1.
"""
import argparse
import os
import re
import sys

# Folder -> folders it may include from. Folders not listed (app, view,
# dialogs, palettes, capture) sit above the widget line and are not checked.
ALLOWED = {
    "core": {"core"},
    "imaging": {"core", "imaging"},
    "raster": {"core", "imaging", "raster"},
    "paint": {"core", "imaging", "raster", "paint"},
    "objects": {"core", "imaging", "raster", "objects"},
    "doc": {"core", "imaging", "raster", "objects", "doc"},
}
# Target name prefix -> folder, for the link check.
TARGET_FOLDER = {
    "ardane_core": "core",
    "ardane_imaging": "imaging",
    "ardane_raster": "raster",
    "ardane_paint": "paint",
    "ardane_objects": "objects",
    "ardane_doc": "doc",
    "ardane_view": "view",
    "ardane_dialogs": "dialogs",
    "ardane_palettes": "palettes",
    "ardane_capture": "capture",
    "ardane_app": "app",
}
WIDGET_LIBS = ("Qt6::Widgets", "Qt6::PrintSupport", "Qt::Widgets", "Qt::PrintSupport")

INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^">]+)[">]')


def widget_headers(qt_widgets_dir):
    names = set()
    if qt_widgets_dir and os.path.isdir(qt_widgets_dir):
        names = {n for n in os.listdir(qt_widgets_dir)}
    return names


def folder_of(src_root, path):
    rel = os.path.relpath(path, src_root)
    return rel.split(os.sep)[0]


def included_folder(src_root, including_file, target):
    """The src/ folder an include names, or None for a file outside src/."""
    candidates = [os.path.normpath(os.path.join(os.path.dirname(including_file), target)),
                  os.path.normpath(os.path.join(src_root, target))]
    for c in candidates:
        if os.path.exists(c) and os.path.commonpath([c, src_root]) == src_root:
            return folder_of(src_root, c)
    first = target.replace("\\", "/").lstrip("./").split("/")[0]
    if "/" in target and first in TARGET_FOLDER.values():
        return first  # a header that does not exist yet still names its folder
    return None


def check_includes(src_root, widgets):
    problems = []
    for folder, allowed in sorted(ALLOWED.items()):
        base = os.path.join(src_root, folder)
        for dirpath, _, files in os.walk(base):
            for name in sorted(files):
                if not name.endswith((".h", ".hpp", ".cpp", ".cc")):
                    continue
                path = os.path.join(dirpath, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    for number, line in enumerate(f, 1):
                        m = INCLUDE.match(line)
                        if not m:
                            continue
                        target = m.group(2)
                        where = f"{os.path.relpath(path, src_root)}:{number}"
                        head = target.split("/")[0]
                        if head == "QtWidgets" or head == "QtPrintSupport" or \
                                (m.group(1) == "<" and target in widgets):
                            problems.append(f"{where}: includes the widget header <{target}>")
                            continue
                        inc = included_folder(src_root, path, target)
                        if inc is not None and inc not in allowed:
                            problems.append(f"{where}: {folder}/ includes {target} from {inc}/")
    return problems


def check_links(links_file):
    """links_file: lines 'target|lib;lib;...'."""
    graph = {}
    with open(links_file, encoding="utf-8") as f:
        for line in f:
            line = line.strip()
            if not line:
                continue
            target, _, libs = line.partition("|")
            graph[target] = [l for l in libs.split(";") if l]

    def folder(target):
        for prefix, fold in sorted(TARGET_FOLDER.items(), key=lambda kv: -len(kv[0])):
            if target == prefix or target.startswith(prefix + "_"):
                return fold
        return None

    problems = []
    for target in sorted(graph):
        fold = folder(target)
        if fold not in ALLOWED:
            continue
        seen, stack = set(), list(graph[target])
        while stack:
            lib = stack.pop()
            if lib in seen:
                continue
            seen.add(lib)
            if lib in WIDGET_LIBS:
                problems.append(f"target {target} ({fold}/) links {lib}")
            lf = folder(lib)
            if lf is not None and lf not in ALLOWED[fold]:
                problems.append(f"target {target} ({fold}/) links {lib} from {lf}/")
            stack.extend(graph.get(lib, []))
    return problems


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("src_root")
    parser.add_argument("--qt-widgets-dir", default="")
    parser.add_argument("--links", default="")
    args = parser.parse_args()
    src_root = os.path.abspath(args.src_root)
    widgets = widget_headers(args.qt_widgets_dir)
    if args.qt_widgets_dir and not widgets:
        print(f"no Qt Widgets headers found in {args.qt_widgets_dir}", file=sys.stderr)
        return 2
    problems = check_includes(src_root, widgets)
    if args.links:
        problems += check_links(args.links)
    for p in problems:
        print(p)
    if problems:
        print(f"{len(problems)} include(s) or link(s) run against the layers", file=sys.stderr)
        return 1
    print("layers hold")
    return 0


if __name__ == "__main__":
    sys.exit(main())
