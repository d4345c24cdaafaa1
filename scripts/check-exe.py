#!/usr/bin/env python3
"""Reads a built KAVONIX.EXE as a file, without running it, and checks that it
is what its download says it is: the machine type of its build, a subsystem
version that the oldest Windows of that type loads, the version resource with
the project version and a description naming the build's bitness, and the
about page's line naming the same bitness. Used by the tests of each build and
by scripts/package for each exe it zips, so that a 32-bit exe is checked on
machines that cannot run it.

check-exe.py EXE BITS VERSION
  EXE      the program file
  BITS     32 or 64
  VERSION  the project version, e.g. 1.64.2
"""
import struct
import sys

IMAGE_FILE_MACHINE = {32: 0x014C, 64: 0x8664}  # i386, AMD64
# The newest subsystem version each build's oldest Windows loads: XP is 5.1,
# XP x64 and Server 2003 are 5.2.
OLDEST_WINDOWS = {32: ((5, 1), "Windows XP"), 64: ((5, 2), "Windows XP x64")}
RT_DIALOG = 5
RT_VERSION = 16
ABOUT_PAGE = "IDD_INFO"
PLATFORM_LINE = "Mode 1 / Mode 2, %d Bit Windows"
FILE_DESCRIPTION = "Kavonix (%d Bit): "


class ExeError(Exception):
    pass


class PeFile:
    def __init__(self, data):
        self.data = data
        if data[:2] != b"MZ":
            raise ExeError("no MZ header")
        pe = struct.unpack_from("<I", data, 0x3C)[0]
        if data[pe:pe + 4] != b"PE\0\0":
            raise ExeError("no PE header")
        self.machine, sections, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", data, pe + 4)
        optional = pe + 24
        magic = struct.unpack_from("<H", data, optional)[0]
        if magic not in (0x10B, 0x20B):
            raise ExeError("unknown optional header 0x%X" % magic)
        self.subsystem_version = struct.unpack_from("<HH", data, optional + 48)
        directories = optional + (96 if magic == 0x10B else 112)
        self.resource_rva = struct.unpack_from("<I", data, directories + 2 * 8)[0]
        self.sections = []
        table = optional + optional_size
        for i in range(sections):
            virtual_size, rva, raw_size, raw_offset = struct.unpack_from("<IIII", data, table + 40 * i + 8)
            self.sections.append((rva, max(virtual_size, raw_size), raw_offset))

    def offset(self, rva):
        for start, size, raw in self.sections:
            if start <= rva < start + size:
                return raw + rva - start
        raise ExeError("address 0x%X lies in no section" % rva)

    def _entries(self, directory):
        named, numbered = struct.unpack_from("<HH", self.data, directory + 12)
        for i in range(named + numbered):
            name, target = struct.unpack_from("<II", self.data, directory + 16 + 8 * i)
            if name & 0x80000000:
                at = self.offset(self.resource_rva) + (name & 0x7FFFFFFF)
                length = struct.unpack_from("<H", self.data, at)[0]
                name = self.data[at + 2:at + 2 + 2 * length].decode("utf-16-le")
            yield name, target

    def resource(self, kind, name):
        """The data of the first language of resource `name` of type `kind`."""
        if not self.resource_rva:
            raise ExeError("no resources")
        root = self.offset(self.resource_rva)
        for type_id, type_dir in self._entries(root):
            if type_id != kind:
                continue
            for name_id, name_dir in self._entries(root + (type_dir & 0x7FFFFFFF)):
                if name_id != name:
                    continue
                for _, data_entry in self._entries(root + (name_dir & 0x7FFFFFFF)):
                    rva, size = struct.unpack_from("<II", self.data, root + data_entry)
                    at = self.offset(rva)
                    return self.data[at:at + size]
        raise ExeError("no resource %r of type %d" % (name, kind))


def text_at(data, at):
    """A NUL-terminated UTF-16 text: the text and the offset after its NUL."""
    end = at
    while data[end:end + 2] != b"\0\0":
        end += 2
    return data[at:end].decode("utf-16-le"), end + 2


def name_or_ordinal(data, at):
    first = struct.unpack_from("<H", data, at)[0]
    if first == 0:
        return "", at + 2
    if first == 0xFFFF:
        return "#%d" % struct.unpack_from("<H", data, at + 2)[0], at + 4
    return text_at(data, at)


def dialog_texts(template):
    """The control texts of an extended dialog template, in template order."""
    version, signature = struct.unpack_from("<HH", template, 0)
    if (version, signature) != (1, 0xFFFF):
        raise ExeError("not an extended dialog template")
    style = struct.unpack_from("<I", template, 12)[0]
    count = struct.unpack_from("<H", template, 16)[0]
    at = 26
    for _ in range(3):  # menu, class, caption
        _, at = name_or_ordinal(template, at)
    if style & 0x40:  # DS_SETFONT: point size, weight, italic, character set, face
        _, at = text_at(template, at + 6)
    texts = []
    for _ in range(count):
        at = (at + 3) & ~3
        at += 24  # help id, extended style, style, rectangle, id
        _, at = name_or_ordinal(template, at)
        text, at = name_or_ordinal(template, at)
        texts.append(text)
        extra = struct.unpack_from("<H", template, at)[0]
        at += 2 + extra
    return texts


def version_string(resource, key):
    """A value of the version resource's string table, by its key."""
    needle = (key + "\0").encode("utf-16-le")
    at = resource.find(needle)
    while at >= 0 and at % 2:
        at = resource.find(needle, at + 1)
    if at < 0:
        raise ExeError("no %s in the version resource" % key)
    at = (at + len(needle) + 3) & ~3
    return text_at(resource, at)[0]


def check(path, bits, version):
    with open(path, "rb") as f:
        exe = PeFile(f.read())
    problems = []
    if exe.machine != IMAGE_FILE_MACHINE[bits]:
        problems.append("machine type 0x%04X, not that of a %d-bit exe" % (exe.machine, bits))
    newest, oldest_windows = OLDEST_WINDOWS[bits]
    if tuple(exe.subsystem_version) > newest:
        problems.append("subsystem version %d.%d: %s refuses it" % (exe.subsystem_version + (oldest_windows,)))
    info = exe.resource(RT_VERSION, 1)
    description = version_string(info, "FileDescription")
    if not description.startswith(FILE_DESCRIPTION % bits):
        problems.append("file description %r does not begin %r" % (description, FILE_DESCRIPTION % bits))
    for key in ("FileVersion", "ProductVersion"):
        if version_string(info, key) != version + ".0":
            problems.append("%s %r, not %s.0" % (key, version_string(info, key), version))
    texts = dialog_texts(exe.resource(RT_DIALOG, ABOUT_PAGE))
    lines = [text for text in texts if text.startswith("Mode 1 / Mode 2")]
    if lines != [PLATFORM_LINE % bits]:
        problems.append("about page reads %r, not %r" % (lines, PLATFORM_LINE % bits))
    return description, problems


def main(argv):
    if len(argv) != 4 or argv[2] not in ("32", "64"):
        print("usage: check-exe.py EXE 32|64 VERSION", file=sys.stderr)
        return 2
    path, bits, version = argv[1], int(argv[2]), argv[3]
    try:
        description, problems = check(path, bits, version)
    except (OSError, ExeError, struct.error, UnicodeDecodeError) as error:
        print("check-exe: %s: %s" % (path, error), file=sys.stderr)
        return 1
    for problem in problems:
        print("check-exe: %s: %s" % (path, problem), file=sys.stderr)
    if problems:
        return 1
    print("%s: %d-bit exe, version %s, \"%s\", about page \"%s\"" % (path, bits, version, description,
                                                                   PLATFORM_LINE % bits))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
