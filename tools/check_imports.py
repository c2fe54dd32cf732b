#!/usr/bin/env python3
"""Checks that every function a program imports, at load time or delay-loaded, is exported
by the library its import table names.

    check_imports.py PROGRAM.exe SYSTEM_DLL_FOLDER

The system libraries are Wine's (x86_64-windows or i386-windows), whose export names follow
Windows'. A name bound to the wrong library links without complaint and fails only when it
is first called: a delay-loaded one then raises an exception the program does not expect.
Libraries missing from the folder are reported and skipped. Exit 1 on any unresolved name.
Delay-loaded names are checked against the load-time libraries (see main).
"""
import os
import struct
import sys


class Image:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        d = self.data
        if d[:2] != b"MZ":
            raise ValueError("%s: not a program" % path)
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: no PE header" % path)
        count, optional_size = struct.unpack_from("<H12xH", d, pe + 6)
        optional = pe + 24
        self.pe32plus = struct.unpack_from("<H", d, optional)[0] == 0x20B
        self.directories = optional + (112 if self.pe32plus else 96)
        self.base = struct.unpack_from("<Q" if self.pe32plus else "<I", d, optional + (24 if self.pe32plus else 28))[0]
        self.sections = [struct.unpack_from("<8xIIII", d, optional + optional_size + 40 * i)
                         for i in range(count)]

    def directory(self, index):
        return struct.unpack_from("<II", self.data, self.directories + 8 * index)

    def offset(self, rva):
        for vsize, vaddr, raw_size, raw_offset in self.sections:
            if vaddr <= rva < vaddr + max(vsize, raw_size):
                return raw_offset + rva - vaddr
        raise ValueError("address 0x%x lies in no section" % rva)

    def string(self, rva):
        at = self.offset(rva)
        return self.data[at:self.data.index(b"\0", at)].decode("ascii")

    def exports(self):
        rva, size = self.directory(0)
        if not size:
            return set()
        count, names = struct.unpack_from("<24xI4xI", self.data, self.offset(rva))
        table = self.offset(names)
        return {self.string(struct.unpack_from("<I", self.data, table + 4 * i)[0]) for i in range(count)}

    def thunk_names(self, rva):
        """The names of a thunk table; ordinals as "#n"."""
        width, flag = (8, 1 << 63) if self.pe32plus else (4, 1 << 31)
        at, names = self.offset(rva), []
        while True:
            value = int.from_bytes(self.data[at:at + width], "little")
            if not value:
                return names
            names.append("#%d" % (value & 0xFFFF) if value & flag else self.string(value + 2))
            at += width

    def delay_descriptor(self, at):
        """(library, names) of the delay-load descriptor at file offset at, or None."""
        attributes, name, _, _, names = struct.unpack_from("<IIIII", self.data, at)
        if attributes not in (0, 1) or not name or not names:
            return None
        if not attributes & 1:  # an old-style descriptor holds addresses, not offsets
            name, names = name - self.base, names - self.base
        try:
            library = self.string(name)
            return (library, self.thunk_names(names)) if library.lower().endswith(".dll") else None
        except (ValueError, UnicodeDecodeError, struct.error):
            return None

    def delay_imports(self):
        """The delay-load descriptors. GNU ld leaves their directory empty (the delay helper
        is handed its descriptor by the stub), so without it they are found by their shape."""
        rva, size = self.directory(13)
        if size:
            at, found = self.offset(rva), []
            while self.delay_descriptor(at):
                found.append(self.delay_descriptor(at))
                at += 32
            return found
        found = []
        for at in range(0, len(self.data) - 32, 4):
            entry = self.delay_descriptor(at)
            if entry and entry[1]:
                found.append(entry)
        return found

    def imports(self):
        """[(library, [names])] of the import table."""
        found = []
        rva, size = self.directory(1)
        at = self.offset(rva) if size else None
        while at is not None:
            lookup, _, _, name, first = struct.unpack_from("<IIIII", self.data, at)
            if not name:
                break
            found.append((self.string(name), self.thunk_names(lookup or first)))
            at += 20
        return found


def find_library(folder, library):
    return next((os.path.join(folder, n) for n in os.listdir(folder) if n.lower() == library.lower()), None)


def main(argv):
    if len(argv) != 3:
        sys.stderr.write(__doc__)
        return 2
    program, folder = argv[1], argv[2]
    image = Image(program)
    exports = {}
    for library, _ in image.imports() + image.delay_imports():
        path = find_library(folder, library)
        if path is None:
            print("%s: not in %s, not checked" % (library, folder))
        exports[library.lower()] = Image(path).exports() if path else None
    load_time = set()
    unresolved = 0
    for library, names in image.imports():
        known = exports[library.lower()]
        load_time |= known or set()
        for name in names:
            if known is not None and not name.startswith("#") and name not in known:
                print("%s: %s is not exported by %s" % (program, name, library))
                unresolved += 1
    # The 32-bit build keeps every stub of a delayed library, called or not, so a delayed name
    # is wrong when it is missing from its own library and is one a load-time library exports.
    for library, names in image.delay_imports():
        known = exports[library.lower()]
        for name in names:
            if known is not None and name not in known and name in load_time:
                print("%s: %s is delayed from %s, which does not export it" % (program, name, library))
                unresolved += 1
    print("%s: %d unresolved" % (os.path.basename(program), unresolved))
    return 1 if unresolved else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
