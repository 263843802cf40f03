#!/usr/bin/env python3
"""Predicts, independently of the program, the exact bytes a capture of a folder tree writes.

Order: a folder's own files first, sorted by name (case-insensitive, then case-sensitive),
then its subfolders from the last in that order to the first, each walked completely.
Hidden entries (names starting with '.') and links to folders are left out.
Each line: index TAB folder/name TAB size CR LF, in UTF-8.
"""
import os
import sys


def by_name(names):
    return sorted(names, key=lambda n: (n.lower(), n))


def walk(folder, index, out):
    entries = [e for e in os.scandir(folder) if not e.name.startswith(".")]
    files = by_name(e.name for e in entries if e.is_file(follow_symlinks=True)
                    and not e.is_dir(follow_symlinks=True))
    folders = by_name(e.name for e in entries if e.is_dir(follow_symlinks=False))
    prefix = folder if folder.endswith("/") else folder + "/"
    for name in files:
        size = os.stat(prefix + name).st_size
        out.append(f"{index}\t{prefix}{name}\t{size}\r\n".encode("utf-8"))
    for name in reversed(folders):
        walk(prefix + name, index, out)


def main():
    root, index = sys.argv[1], sys.argv[2]
    out = []
    walk(root, index, out)
    sys.stdout.buffer.write(b"".join(out))


if __name__ == "__main__":
    main()
