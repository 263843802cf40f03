#!/usr/bin/env python3
"""Makes a small deterministic folder tree for the end-to-end test."""
import os
import sys

root = sys.argv[1]
os.makedirs(root, exist_ok=True)
for d in range(3):
    folder = os.path.join(root, f"disk{d}", "photos" if d % 2 else "music")
    os.makedirs(folder, exist_ok=True)
    for f in range(5):
        with open(os.path.join(folder, f"item{f}.txt"), "wb") as fh:
            fh.write(b"x" * (d * 100 + f * 7 + 1))
with open(os.path.join(root, "README"), "wb") as fh:
    fh.write(b"readme\n")
with open(os.path.join(root, "été.txt"), "wb") as fh:
    fh.write(b"summer")
with open(os.path.join(root, ".hidden"), "wb") as fh:
    fh.write(b"not listed")
