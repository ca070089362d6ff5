#!/usr/bin/env python3
"""Checks the include graph against the module table (scripts/layers.txt).

Every C++ file belongs to the module whose folder holds it (the deepest
one). An include of another module's header is allowed only when that
module is below the includer: listed in its line, or below one listed
there. Fails when a module includes one above or beside it, when the
modules include each other in a circle, when the table itself has one, or
when a source folder belongs to no module.

Usage: scripts/check-layers.py [--root DIR] [--table FILE]
"""
import argparse
import os
import re
import sys

INCLUDE = re.compile(r'^\s*#\s*include\s*"([^"]+)"', re.MULTILINE)
SKIPPED = {".git", "build", "build-core", "docs", "scripts", "cmake", ".ci"}


def read_table(path):
    table = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.split("#", 1)[0].strip()
            if not line:
                continue
            name, _, below = line.partition(":")
            name = name.strip()
            if name in table:
                sys.exit(f"{path}:{number}: {name} is listed twice")
            table[name] = below.split()
    for name, below in table.items():
        for b in below:
            if b != "*" and b not in table:
                sys.exit(f"{path}: {name} names {b}, which is no module")
    return table


def find_cycle(graph):
    """A list of nodes forming a circle in `graph`, or None."""
    state = {}
    stack = []

    def visit(node):
        state[node] = "open"
        stack.append(node)
        for nxt in sorted(graph.get(node, ())):
            if state.get(nxt) == "open":
                return stack[stack.index(nxt):] + [nxt]
            if nxt not in state:
                found = visit(nxt)
                if found:
                    return found
        stack.pop()
        state[node] = "done"
        return None

    for node in sorted(graph):
        if node not in state:
            found = visit(node)
            if found:
                return found
    return None


def below(table):
    """Every module with the set of modules it may include."""
    result = {}

    def reach(name):
        if name in result:
            return result[name]
        out = set()
        for b in table[name]:
            out |= set(table) if b == "*" else {b} | reach(b)
        result[name] = out
        return out

    for name in table:
        reach(name)
    return result


def module_of(path, modules):
    parts = path.split("/")
    for n in range(len(parts) - 1, 0, -1):
        folder = "/".join(parts[:n])
        if folder in modules:
            return folder
    return None


def sources(root):
    for folder, dirs, files in os.walk(root):
        rel = os.path.relpath(folder, root)
        if rel == ".":
            dirs[:] = [d for d in dirs if d not in SKIPPED and not d.startswith("build")]
            continue
        for name in files:
            if name.endswith((".h", ".cpp")):
                yield os.path.join(rel, name).replace(os.sep, "/")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", default=os.path.join(os.path.dirname(__file__), ".."))
    parser.add_argument("--table")
    args = parser.parse_args()
    root = os.path.abspath(args.root)
    table_path = args.table or os.path.join(root, "scripts", "layers.txt")
    table = read_table(table_path)
    problems = []

    cycle = find_cycle({m: [b for b in bs if b != "*"] for m, bs in table.items()})
    if cycle:
        print("layers: the table goes round in a circle: " + " -> ".join(cycle))
        return 1
    allowed = below(table)

    uses = {}  # module -> {included module: first file that does it}
    for path in sorted(sources(root)):
        mine = module_of(path, table)
        if mine is None:
            problems.append(f"{path}: its folder is in no module of {os.path.relpath(table_path, root)}")
            continue
        with open(os.path.join(root, path), encoding="utf-8", errors="replace") as f:
            text = f.read()
        for header in INCLUDE.findall(text):
            if not os.path.isfile(os.path.join(root, header)):
                continue  # generated or beside the file
            theirs = module_of(header, table)
            if theirs is None or theirs == mine:
                continue
            uses.setdefault(mine, {}).setdefault(theirs, path)
            if theirs not in allowed[mine]:
                problems.append(f"{path}: {mine} includes {header}, but {theirs} is not below {mine}")

    cycle = find_cycle({m: list(used) for m, used in uses.items()})
    if cycle:
        steps = [f"{a} ({uses[a][b]})" for a, b in zip(cycle, cycle[1:])]
        problems.append("modules include each other in a circle: " + " -> ".join(steps) + f" -> {cycle[-1]}")

    for p in problems:
        print("layers: " + p)
    if problems:
        print(f"layers: FAILED ({len(problems)} problems)")
        return 1
    print(f"layers: {len(table)} modules, every include goes down")
    return 0


if __name__ == "__main__":
    sys.exit(main())
