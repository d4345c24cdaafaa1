#!/usr/bin/env python3
"""The 32-bit build links every function the program looks up at run time by
the type the program calls it through (lookups.cpp). That holds only while
lookups.cpp lists exactly the program's lookups, so this compares the two:
every lookup in the program's sources goes through FindSystemFunction with its
type and a literal name, and appears in lookups.cpp as
KAVONIX_LINKED_AS(name, type); and lookups.cpp lists nothing else.

check_lookups.py SOURCE_ROOT LOOKUPS_CPP
"""
import os
import re
import sys

FOLDERS = ("base", "convert", "app", "extras")
HELPER = os.path.join("base", "systemlib.h")
CALL = re.compile(r"FindSystemFunction\s*<")
LOOKUP = re.compile(r'FindSystemFunction\s*<\s*(\w+)\s*>\s*\(\s*(?:[^()]|\([^()]*\))*?,\s*"(\w+)"\s*\)')
LINKED = re.compile(r"^KAVONIX_LINKED_AS\((\w+),\s*(\w+)\)\s*$", re.M)


def without_comments(text):
    text = re.sub(r"/\*.*?\*/", " ", text, flags=re.S)
    return re.sub(r"//[^\n]*", "", text)


def main(argv):
    root, listing = argv[1], argv[2]
    problems = []
    used = set()
    for folder in FOLDERS:
        for directory, _, names in os.walk(os.path.join(root, folder)):
            for name in sorted(names):
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(directory, name)
                relative = os.path.relpath(path, root)
                with open(path, encoding="utf-8") as f:
                    code = without_comments(f.read())
                if relative == HELPER:
                    continue
                if re.search(r"\bGetProcAddress\s*\(", code):
                    problems.append("%s: GetProcAddress outside FindSystemFunction (%s)" % (relative, HELPER))
                found = LOOKUP.findall(code)
                if len(found) != len(CALL.findall(code)):
                    problems.append("%s: a lookup without its type and a literal name" % relative)
                used.update((function, proc) for proc, function in found)
    with open(listing, encoding="utf-8") as f:
        linked = set(LINKED.findall(f.read()))
    for function, proc in sorted(used - linked):
        problems.append("looked up but not linked in %s: KAVONIX_LINKED_AS(%s, %s)" % (listing, function, proc))
    for function, proc in sorted(linked - used):
        problems.append("linked in %s but not looked up so: %s, %s" % (listing, function, proc))
    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("%d looked-up functions, each linked by the program's type" % len(used))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
