"""Writes a zip of one folder that depends on nothing but the files' contents and names: the
entries in name order, each with the time of EPOCH (UTC), the modes 755 for folders and 644 for
files, and no extra fields (no owner, no other times).

    make-zip.py OUT.zip BASE FOLDER EPOCH    zips BASE/FOLDER as FOLDER/...
"""
import os
import sys
import time
import zipfile


def entry(name, epoch, mode, dos_attributes=0):
    info = zipfile.ZipInfo(name, time.gmtime(epoch)[:6])
    info.create_system = 3  # Unix, so that the modes below are read
    info.external_attr = mode << 16 | dos_attributes
    return info


def make_zip(out, base, folder, epoch):
    paths = []
    for here, folders, files in os.walk(os.path.join(base, folder)):
        folders.sort()
        relative = os.path.relpath(here, base).replace(os.sep, "/")
        paths.append(relative + "/")
        paths += [relative + "/" + f for f in sorted(files)]
    with zipfile.ZipFile(out, "w") as archive:
        for path in paths:
            if path.endswith("/"):
                archive.writestr(entry(path, epoch, 0o40755, 0x10), b"")
                continue
            with open(os.path.join(base, path), "rb") as source:
                content = source.read()
            info = entry(path, epoch, 0o100644)
            info.compress_type = zipfile.ZIP_DEFLATED
            archive.writestr(info, content, compresslevel=9)


def main(argv):
    if len(argv) != 4:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    make_zip(argv[0], argv[1], argv[2], int(argv[3]))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
