#!/usr/bin/env python3
"""Fails when a source file includes a header of a layer above its own.

The order is the one docs/ARCHITECTURE.md draws; folders on one line are side by side and
must not include each other. A folder's linux/ subfolder belongs to the folder.
"""
import pathlib
import re
import sys

LAYERS = [
    ["system"],
    ["ui"],
    ["probes", "netparams"],
    ["profiles"],
    ["help", "run", "package"],
    ["screens"],
    ["shell"],
    ["widgets", "cli"],
    ["app"],
]
RANK = {folder: rank for rank, folders in enumerate(LAYERS) for folder in folders}
INCLUDE = re.compile(r'^\s*#\s*include\s+"([a-z]+)/')


def main(root):
    root = pathlib.Path(root)
    faults = []
    for path in sorted(list((root / "src").rglob("*")) + list((root / "app").rglob("*"))):
        if path.suffix not in (".h", ".cpp"):
            continue
        rel = path.relative_to(root)
        own = rel.parts[0] if rel.parts[0] == "app" else rel.parts[1]
        if own not in RANK:
            faults.append(f"{rel}: folder '{own}' has no place in the layer order")
            continue
        for number, line in enumerate(path.read_text(errors="replace").splitlines(), 1):
            match = INCLUDE.match(line)
            if not match or match.group(1) == own:
                continue
            target = match.group(1)
            if target not in RANK:
                faults.append(f"{rel}:{number}: includes '{target}/', which has no layer")
            elif RANK[target] >= RANK[own]:
                faults.append(f"{rel}:{number}: {own}/ must not include {target}/ "
                              f"(it is {'beside' if RANK[target] == RANK[own] else 'above'} it)")
    for fault in faults:
        print(fault)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent))
