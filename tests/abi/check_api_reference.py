#!/usr/bin/env python3
"""Every export of every edition's module definition has its section in docs/api.md, and the
reference names no export that no edition has."""
import glob
import os
import re
import sys

source = sys.argv[1]
exported = set()
for definition in glob.glob(os.path.join(source, "frame/editions/*.def")):
    for line in open(definition):
        match = re.match(r"^\s*_?(C_VEMO_[A-Za-z0-9_]+?)(@\d+)?\b", line)
        if match:
            exported.add(match.group(1))
sections = set(re.findall(r"^## (C_VEMO_[A-Za-z0-9_]+)\s*$", open(os.path.join(source, "docs/api.md")).read(), re.M))

failures = [f"docs/api.md has no section for {name}" for name in sorted(exported - sections)]
failures += [f"docs/api.md documents {name}, which no edition exports" for name in sorted(sections - exported)]
for failure in failures:
    print(f"FAIL {failure}")
if not failures:
    print(f"ok: {len(exported)} exports, each with its section")
sys.exit(1 if failures else 0)
