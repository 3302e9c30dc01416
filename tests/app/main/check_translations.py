#!/usr/bin/env python3
"""Every text the program passes to Translate has a row in the translation
table with a Spanish text.

usage: check_translations.py <source root>
"""
import ast
import os
import re
import sys

# Translate("...") with one or more adjacent string literals.
CALL = re.compile(r'\bTranslate\(\s*((?:"(?:[^"\\\n]|\\.)*"\s*)+)\)')
LITERAL = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
SOURCE_DIRS = ["app", "forms", "skin", "framework", "engine", "player"]


def literal_text(call):
    parts = LITERAL.findall(call)
    # C escapes as they matter here: \" \\ \n \t and hex bytes.
    return "".join(ast.literal_eval('b"' + p + '"').decode("utf-8") for p in parts)


def main():
    root = sys.argv[1]
    table = {}
    with open(os.path.join(root, "assets", "languages", "translations.tsv"), encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\r\n")
            if line and not line.startswith("#"):
                english, _, spanish = line.partition("\t")
                table.setdefault(english, spanish)
    missing, seen = [], 0
    for folder in SOURCE_DIRS:
        for base, _, names in os.walk(os.path.join(root, folder)):
            for name in names:
                if not name.endswith((".cpp", ".h")):
                    continue
                path = os.path.join(base, name)
                with open(path, encoding="utf-8", errors="replace") as f:
                    text = f.read()
                for match in CALL.finditer(text):
                    seen += 1
                    key = literal_text(match.group(1))
                    if not table.get(key):
                        line = text.count("\n", 0, match.start()) + 1
                        missing.append(f"{os.path.relpath(path, root)}:{line}: {key!r}")
    for m in missing:
        print("no Spanish text for", m)
    print(f"{seen} translated texts checked, {len(missing)} without a row")
    return 1 if missing or seen == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
