#!/usr/bin/env python3
"""Lists the include cycles among the files of one source folder.

A unit is a header and its source (x.h with x.cpp); unit A depends on unit B
when any file of A includes B's header. Prints every strongly connected set of
more than one unit (a cycle) and exits 1 if there is one.

Usage: include_cycles.py FOLDER [--graph]
"""
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.M)


def units(folder):
    result = {}
    for root, _, files in os.walk(folder):
        for name in files:
            if name.endswith(('.h', '.cpp')):
                path = os.path.join(root, name)
                unit = os.path.splitext(os.path.relpath(path, folder))[0]
                result.setdefault(unit, []).append(path)
    return result


def edges(folder, table):
    by_header = {}
    for unit, paths in table.items():
        for path in paths:
            if path.endswith('.h'):
                by_header[os.path.normpath(path)] = unit
    graph = {unit: set() for unit in table}
    src_root = os.path.dirname(os.path.normpath(folder))
    for unit, paths in table.items():
        for path in paths:
            with open(path, encoding='utf-8', errors='replace') as f:
                text = f.read()
            for target in INCLUDE.findall(text):
                for base in (os.path.dirname(path), src_root):
                    full = os.path.normpath(os.path.join(base, target))
                    other = by_header.get(full)
                    if other and other != unit:
                        graph[unit].add(other)
                        break
    return graph


def cycles(graph):
    index, low, stack, on_stack, result = {}, {}, [], set(), []
    counter = [0]

    def visit(v):
        index[v] = low[v] = counter[0]
        counter[0] += 1
        stack.append(v)
        on_stack.add(v)
        for w in sorted(graph[v]):
            if w not in index:
                visit(w)
                low[v] = min(low[v], low[w])
            elif w in on_stack:
                low[v] = min(low[v], index[w])
        if low[v] == index[v]:
            group = []
            while True:
                w = stack.pop()
                on_stack.discard(w)
                group.append(w)
                if w == v:
                    break
            if len(group) > 1:
                result.append(sorted(group))

    sys.setrecursionlimit(10000)
    for v in sorted(graph):
        if v not in index:
            visit(v)
    return result


def main():
    args = [a for a in sys.argv[1:] if not a.startswith('--')]
    if len(args) != 1:
        print(__doc__)
        return 2
    folder = args[0]
    graph = edges(folder, units(folder))
    if '--graph' in sys.argv:
        for unit in sorted(graph):
            print(f'{unit} -> {", ".join(sorted(graph[unit]))}')
    found = cycles(graph)
    arrows = sum(len(v) for v in graph.values())
    print(f'{len(graph)} units, {arrows} include arrows, {len(found)} cycles')
    for group in found:
        print('cycle: ' + ' <-> '.join(group))
    return 1 if found else 0


if __name__ == '__main__':
    sys.exit(main())
