#!/usr/bin/env python3
"""Writes the Windows download of scripts/package: a zip that holds, in this
order, KAVONIX.EXE, LIESMICH.TXT (made from the UTF-8, LF source as code page
1252 with CRLF line ends) and SHA256SUMS for the two. Every entry has the same
time, attributes and header fields on every machine, so one commit gives the
same bytes wherever and whenever it is packaged.

package-zip.py EXE README TIME OUT
  EXE     the program to ship
  README  the UTF-8 source of LIESMICH.TXT
  TIME    seconds since 1970 (UTC) for every entry's date
  OUT     the zip to write (replaced when present)
"""
import hashlib
import sys
import time
import zipfile

# MS-DOS attributes of a plain file (archive bit), not this machine's modes.
FILE_ATTRIBUTE_ARCHIVE = 0x20


def fail(message):
    print("package-zip: " + message, file=sys.stderr)
    sys.exit(1)


def windows_text(path):
    try:
        with open(path, encoding="utf-8", newline="") as f:
            text = f.read()
    except (OSError, UnicodeDecodeError) as error:
        fail("%s: %s" % (path, error))
    text = text.replace("\r\n", "\n")
    if not text.endswith("\n"):
        text += "\n"
    for number, line in enumerate(text.split("\n"), 1):
        for column, char in enumerate(line, 1):
            try:
                char.encode("cp1252")
            except UnicodeEncodeError:
                fail("%s:%d:%d: U+%04X has no code page 1252 byte" % (path, number, column, ord(char)))
    return text.replace("\n", "\r\n").encode("cp1252")


def entry(name, date_time):
    info = zipfile.ZipInfo(name, date_time)
    info.create_system = 0  # MS-DOS: Windows reads the attributes below
    info.external_attr = FILE_ATTRIBUTE_ARCHIVE
    info.compress_type = zipfile.ZIP_DEFLATED
    return info


def main(argv):
    if len(argv) != 5:
        fail("usage: package-zip.py EXE README TIME OUT")
    exe_path, readme_path, seconds, out_path = argv[1:]
    try:
        stamp = int(seconds)
    except ValueError:
        fail("TIME is not a number of seconds: %r" % seconds)
    # Zip dates are local times without a zone, from 1980 on: the UTC time it is.
    date_time = time.gmtime(max(stamp, 315532800))[:6]

    try:
        with open(exe_path, "rb") as f:
            exe = f.read()
    except OSError as error:
        fail(str(error))
    readme = windows_text(readme_path)
    sums = "".join("%s  %s\n" % (hashlib.sha256(data).hexdigest(), name)
                   for name, data in (("KAVONIX.EXE", exe), ("LIESMICH.TXT", readme)))

    with zipfile.ZipFile(out_path, "w") as archive:
        for name, data in (("KAVONIX.EXE", exe), ("LIESMICH.TXT", readme),
                           ("SHA256SUMS", sums.encode("ascii"))):
            archive.writestr(entry(name, date_time), data, compresslevel=9)


if __name__ == "__main__":
    main(sys.argv)
