#!/usr/bin/env python3
"""Finds include circles in Common/ and app/: python3 tools/check_includes.py [--graph] [root]

Two graphs are built from the quoted includes ('#include "X.h"'; angle includes are the
system's): one of modules, where a header and the source of the same name (X.h, X.cpp) are one
module, and one of folders (Common, app/config, app/images, ...). Every circle of either graph is
printed with the includes that close it. Exit status 1 when there is a circle, 0 otherwise.
--graph also prints the folder graph, one arrow a line.
"""

import os
import re
import sys
from collections import defaultdict

SOURCE_ROOTS = ("Common", "app")
SOURCE_EXTENSIONS = (".h", ".cpp")
INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.MULTILINE)


def source_files(root):
    for top in SOURCE_ROOTS:
        for folder, _, names in os.walk(os.path.join(root, top)):
            for name in sorted(names):
                if name.endswith(SOURCE_EXTENSIONS):
                    yield os.path.relpath(os.path.join(folder, name), root).replace(os.sep, "/")


def folder_of(path):
    parts = path.split("/")
    return "/".join(parts[:2]) if parts[0] == "app" else parts[0]


def module_of(path):
    return os.path.splitext(path)[0]


def resolve(include, including, by_name, files):
    """The tree's file that an include names: beside the including file first, then by its
    name anywhere in the tree (every part's folder is on the include path). None when the
    tree has no such file or more than one."""
    beside = os.path.normpath(os.path.join(os.path.dirname(including), include)).replace(os.sep, "/")
    if beside in files:
        return beside
    found = by_name.get(os.path.basename(include), [])
    return found[0] if len(found) == 1 else None


def include_edges(root):
    """{(from, to): [(file, included file), ...]} for modules and for folders."""
    files = set(source_files(root))
    by_name = defaultdict(list)
    for path in sorted(files):
        by_name[os.path.basename(path)].append(path)
    modules, folders = defaultdict(list), defaultdict(list)
    for path in sorted(files):
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for include in INCLUDE.findall(text):
            target = resolve(include, path, by_name, files)
            if target is None:
                continue
            if module_of(path) != module_of(target):
                modules[(module_of(path), module_of(target))].append((path, target))
            if folder_of(path) != folder_of(target):
                folders[(folder_of(path), folder_of(target))].append((path, target))
    return modules, folders


def circles(edges):
    """One circle through each strongly connected part of the graph that has more than one
    node, as a list of nodes whose last one points back at the first."""
    graph = defaultdict(set)
    for a, b in edges:
        graph[a].add(b)
    nodes = sorted(set(graph) | {b for targets in graph.values() for b in targets})
    index, low, on_stack, stack, parts = {}, {}, set(), [], []

    def connect(start):
        # Tarjan's algorithm, iterative so that a long chain cannot exhaust Python's stack.
        work = [(start, iter(sorted(graph[start])))]
        index[start] = low[start] = len(index)
        stack.append(start)
        on_stack.add(start)
        while work:
            node, targets = work[-1]
            target = next(targets, None)
            if target is not None:
                if target not in index:
                    index[target] = low[target] = len(index)
                    stack.append(target)
                    on_stack.add(target)
                    work.append((target, iter(sorted(graph[target]))))
                elif target in on_stack:
                    low[node] = min(low[node], index[target])
                continue
            work.pop()
            if work:
                low[work[-1][0]] = min(low[work[-1][0]], low[node])
            if low[node] == index[node]:
                part = []
                while True:
                    top = stack.pop()
                    on_stack.discard(top)
                    part.append(top)
                    if top == node:
                        break
                if len(part) > 1:
                    parts.append(sorted(part))

    for node in nodes:
        if node not in index:
            connect(node)
    return [shortest_circle(graph, part) for part in sorted(parts)]


def shortest_circle(graph, part):
    """The shortest way from the part's first node back to itself, inside the part."""
    members, first = set(part), part[0]
    came_from, frontier = {first: None}, [first]
    while frontier:
        following = []
        for node in frontier:
            for target in sorted(graph[node] & members):
                if target == first:
                    path = [node]
                    while came_from[path[-1]] is not None:
                        path.append(came_from[path[-1]])
                    return list(reversed(path))
                if target not in came_from:
                    came_from[target] = node
                    following.append(target)
        frontier = following
    return part


def report(kind, edges):
    found = circles(edges)
    for circle in found:
        print("%s circle: %s" % (kind, " -> ".join(circle + circle[:1])))
        for a, b in zip(circle, circle[1:] + circle[:1]):
            for path, target in edges[(a, b)]:
                print("    %s includes %s" % (path, target))
    return len(found)


def main(argv):
    show_graph = "--graph" in argv
    args = [a for a in argv if a != "--graph"]
    root = args[0] if args else os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    modules, folders = include_edges(root)
    if show_graph:
        for a, b in sorted(folders):
            print("%s -> %s (%d)" % (a, b, len(folders[(a, b)])))
    count = report("module", modules) + report("folder", folders)
    node_count = len({n for edge in modules for n in edge})
    folder_count = len({n for edge in folders for n in edge})
    print("%d circle(s) among %d modules and %d folders" % (count, node_count, folder_count))
    return 1 if count else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
