#!/usr/bin/env python3
"""Keeps every #include to the layer order: a file may include its own
folder and the folders below it, never one above. The engine and the CAD
library stay free of Qt; so does the profile drawing but for its canvas
target. Tests follow the layer they test; the engine's tests use no Qt."""
import pathlib
import re
import sys

ORDER = ["engine", "cad", "platform", "workspace", "grid", "profile_drawing", "profile_view", "app"]
RANK = {name: i for i, name in enumerate(ORDER)}
QT_FREE = {"engine", "cad", "profile_drawing"}
QT_ALLOWED_STEMS = {"canvas_target"}  # the profile drawing's one Qt target
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]', re.M)


def layer_of(rel):
    parts = rel.parts
    if parts[0] == "tests" and len(parts) > 2 and parts[1] in RANK:
        return parts[1], True
    if parts[0] in RANK:
        return parts[0], False
    return None, parts[0] == "tests"


def check(root):
    faults = []
    for path in sorted(root.rglob("*")):
        if path.suffix not in (".h", ".cpp") or any(p.startswith("build") or p == ".git" for p in path.parts):
            continue
        rel = path.relative_to(root)
        layer, is_test = layer_of(rel)
        if layer is None:
            continue
        text = path.read_text(encoding="latin-1")
        for kind, target in INCLUDE.findall(text):
            head = target.split("/")[0]
            if kind == '"' and "/" in target and head in RANK and RANK[head] > RANK[layer]:
                faults.append(f"{rel}: includes {target}, above its layer '{layer}'")
            qt = kind == "<" and re.match(r"Q[A-Za-z]", head)
            if qt and layer in QT_FREE and not (layer == "profile_drawing" and path.stem in QT_ALLOWED_STEMS and not is_test):
                if not (is_test and layer != "engine"):
                    faults.append(f"{rel}: includes Qt header <{target}> in the Qt-free layer '{layer}'")
            if kind == '"' and layer in QT_FREE and not is_test and head in ("platform", "workspace", "grid", "profile_view"):
                if not (layer == "profile_drawing" and path.stem in QT_ALLOWED_STEMS):
                    faults.append(f"{rel}: reaches the window layer through {target}")
    return faults


if __name__ == "__main__":
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else ".").resolve()
    faults = check(root)
    for f in faults:
        print(f)
    print(f"{0 if faults else 1} passed, {1 if faults else 0} failed")
    sys.exit(1 if faults else 0)
