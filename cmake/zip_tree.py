#!/usr/bin/env python3
"""Writes a folder as a zip archive that depends only on the files' contents:
entries in sorted order, every one with the same time and the same plain
permissions, and no extra fields (no owners, access or change times).
    zip_tree.py FOLDER ARCHIVE EPOCH
The archive's entries are FOLDER's name and the paths below it."""
import os
import sys
import time
import zipfile


def main():
    folder, archive, epoch = sys.argv[1], sys.argv[2], int(sys.argv[3])
    stamp = time.gmtime(max(epoch, 315532800))[:6]  # a zip entry's time starts in 1980
    top = os.path.basename(os.path.normpath(folder))
    paths = []
    for root, dirs, files in os.walk(folder):
        rel = os.path.relpath(root, folder)
        prefix = top if rel == "." else top + "/" + rel.replace(os.sep, "/")
        paths.append((prefix + "/", None))
        paths.extend((prefix + "/" + name, os.path.join(root, name)) for name in files)
    with zipfile.ZipFile(archive + ".tmp", "w") as out:
        for name, path in sorted(paths):
            info = zipfile.ZipInfo(name, stamp)
            info.create_system = 3  # unix, so the modes below are read
            if path is None:
                info.external_attr = (0o40755 << 16) | 0x10
                out.writestr(info, b"")
                continue
            executable = name.endswith((".dll", ".exe"))
            info.external_attr = (0o100755 if executable else 0o100644) << 16
            info.compress_type = zipfile.ZIP_DEFLATED
            with open(path, "rb") as f:
                out.writestr(info, f.read(), compresslevel=9)
    os.replace(archive + ".tmp", archive)


if __name__ == "__main__":
    main()
