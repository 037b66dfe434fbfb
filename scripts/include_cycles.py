#!/usr/bin/env python3
"""Lists the include cycles among the files of one source folder.

A unit is a header and its source (x.h with x.cpp); unit A depends on unit B
when any file of A includes B's header. Prints every strongly connected set of
more than one unit (a cycle) and exits 1 if there is one.

Two rules of layering may be checked with it too:
  --top UNIT       only UNIT's own files include UNIT's header (the one place
                   that makes and wires everything);
  --concrete RE    units whose name matches RE (a Python regular expression)
                   are concrete parts, each reached by the others through an
                   interface: a file includes at most one of their headers
                   (that of the part it belongs to), and none of their
                   headers includes another. The --top unit is exempt.
Each broken rule is printed and makes the exit status 1.

Usage: include_cycles.py FOLDER [--graph] [--top UNIT] [--concrete RE]
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


def file_includes(folder, table):
    """(unit, file) -> the units whose headers that file includes."""
    by_header = {}
    for unit, paths in table.items():
        for path in paths:
            if path.endswith('.h'):
                by_header[os.path.normpath(path)] = unit
    result = {}
    src_root = os.path.dirname(os.path.normpath(folder))
    for unit, paths in table.items():
        for path in paths:
            with open(path, encoding='utf-8', errors='replace') as f:
                text = f.read()
            found = set()
            for target in INCLUDE.findall(text):
                for base in (os.path.dirname(path), src_root):
                    full = os.path.normpath(os.path.join(base, target))
                    other = by_header.get(full)
                    if other:
                        found.add(other)
                        break
            result[(unit, path)] = found
    return result


def edges(folder, table):
    graph = {unit: set() for unit in table}
    for (unit, _), found in file_includes(folder, table).items():
        graph[unit].update(other for other in found if other != unit)
    return graph


def broken_rules(folder, table, top, concrete):
    broken = []
    includes = file_includes(folder, table)
    for (unit, path), found in sorted(includes.items()):
        name = os.path.relpath(path, folder)
        if top and top in found and unit != top:
            broken.append(f'{name} includes {top}')
        if not concrete or unit == top:
            continue
        parts = sorted(other for other in found if re.search(concrete, other))
        if path.endswith('.h') and re.search(concrete, unit):
            others = [other for other in parts if other != unit]
            if others:
                broken.append(f'{name} includes {", ".join(others)}')
        elif len(parts) > 1:
            broken.append(f'{name} includes {", ".join(parts)}')
    return broken


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
    args, options, rest = [], {}, sys.argv[1:]
    while rest:
        arg = rest.pop(0)
        if arg in ('--top', '--concrete') and rest:
            options[arg] = rest.pop(0)
        elif not arg.startswith('--'):
            args.append(arg)
    if len(args) != 1:
        print(__doc__)
        return 2
    folder = args[0]
    table = units(folder)
    graph = edges(folder, table)
    if '--graph' in sys.argv:
        for unit in sorted(graph):
            print(f'{unit} -> {", ".join(sorted(graph[unit]))}')
    found = cycles(graph)
    arrows = sum(len(v) for v in graph.values())
    print(f'{len(graph)} units, {arrows} include arrows, {len(found)} cycles')
    for group in found:
        print('cycle: ' + ' <-> '.join(group))
    broken = broken_rules(folder, table, options.get('--top'), options.get('--concrete'))
    for rule in broken:
        print('layering: ' + rule)
    return 1 if found or broken else 0


if __name__ == '__main__':
    sys.exit(main())
