#!/usr/bin/env python3
"""Rewrites a zip archive so that its bytes depend on nothing but its members' names, contents and kinds, and adds
SHA256SUMS over its files.

    reproducible-zip.py ARCHIVE EPOCH

CPack's ZIP generator (libarchive) stores each file's access and change times and its owner's numeric IDs, and
lists the files in the order the file system returns them; none of that is the same in two builds. The rewritten
archive lists its members sorted by name, each dated EPOCH (seconds since 1970, in UTC, as SOURCE_DATE_EPOCH) with
no extra fields, directories with mode 755, programs and DLLs 755, every other file 644. When every member lies in
one top folder, SHA256SUMS goes into that folder and names the files relative to it, so that `sha256sum -c
SHA256SUMS` checks them in the unpacked folder."""
import hashlib
import os
import stat
import sys
import time
import zipfile

SUMS = "SHA256SUMS"


def main():
    if len(sys.argv) != 3:
        sys.exit("usage: reproducible-zip.py ARCHIVE EPOCH")
    path, epoch = sys.argv[1], int(sys.argv[2])
    # A zip archive dates its members in the fields of MS-DOS, which begin in 1980 and end in 2107.
    date_time = time.gmtime(min(max(epoch, 315532800), 4354819199))[:6]

    with zipfile.ZipFile(path) as source:
        members = [(info.filename, info.is_dir(), (info.external_attr >> 16) & 0o111,
                    b"" if info.is_dir() else source.read(info)) for info in source.infolist()]
    names = [name for name, _, _, _ in members]
    if len(set(names)) != len(names):
        sys.exit(f"{path}: a member name occurs twice")

    tops = {name.split("/", 1)[0] for name in names}
    top = tops.pop() + "/" if len(tops) == 1 and all("/" in name for name in names) else ""
    files = sorted((name, data) for name, is_dir, _, data in members if not is_dir)
    if any(name == top + SUMS for name, _ in files):
        sys.exit(f"{path}: already holds {SUMS}")
    sums = "".join(f"{hashlib.sha256(data).hexdigest()}  {name[len(top):]}\n" for name, data in files)
    members.append((top + SUMS, False, 0, sums.encode("ascii")))

    temporary = path + ".tmp"
    with zipfile.ZipFile(temporary, "w") as target:
        for name, is_dir, executable, data in sorted(members):
            info = zipfile.ZipInfo(name, date_time)
            info.create_system = 3  # Unix, so that the mode below is read by unzip and Python alike
            if is_dir:
                info.external_attr = (stat.S_IFDIR | 0o755) << 16 | 0x10  # and MS-DOS's directory bit
                target.writestr(info, b"")
            else:
                mode = 0o755 if executable or name.lower().endswith((".exe", ".dll")) else 0o644
                info.external_attr = (stat.S_IFREG | mode) << 16
                info.compress_type = zipfile.ZIP_DEFLATED
                target.writestr(info, data, compresslevel=9)
    os.replace(temporary, path)


if __name__ == "__main__":
    main()
