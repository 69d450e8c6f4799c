#!/usr/bin/env python3
"""Builds the release a second time, in another folder, and compares it byte for byte with the first build.

check_reproducible.py SOURCE FIRST_DIST SCRATCH. On a difference it names the first differing offset and
where it lies: the PE header field or section, or the zip entry (and inside corvel.exe, its section)."""
import os
import pathlib
import shutil
import struct
import subprocess
import sys
import time
import unittest
import zipfile

SOURCE, FIRST, SCRATCH = (pathlib.Path(arg) for arg in sys.argv[1:4])
del sys.argv[1:4]


def first_difference(a, b):
    return next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), None if len(a) == len(b) else min(len(a), len(b)))


def pe_place(image, offset):
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    sections, optional_size = struct.unpack_from("<H12xH", image, pe + 6)
    for name, at in (("TimeDateStamp", pe + 8), ("CheckSum", pe + 88)):
        if at <= offset < at + 4:
            return f"PE header, {name}"
    table = pe + 24 + optional_size
    for i in range(sections):
        name, size, start = struct.unpack_from("<8s8xII", image, table + 40 * i)
        if start <= offset < start + size:
            return "section " + name.rstrip(b"\0").decode()
    return "PE header" if offset < table + 40 * sections else "data after the sections"


def zip_place(image, path, offset):
    with zipfile.ZipFile(path) as archive:
        for entry in sorted(archive.infolist(), key=lambda e: e.header_offset, reverse=True):
            if offset < entry.header_offset:
                continue
            name_size, extra_size = struct.unpack_from("<HH", image, entry.header_offset + 26)
            data = entry.header_offset + 30 + name_size + extra_size
            if offset < data:
                return f"entry {entry.filename}, its local header"
            if offset >= data + entry.compress_size:
                break
            return f"entry {entry.filename}, its compressed data"
    return "the central directory"


def pe_checksum(image):
    at = struct.unpack_from("<I", image, 0x3C)[0] + 88
    padded = image[:at] + b"\0\0\0\0" + image[at + 4:] + b"\0" * (len(image) % 2)
    total = sum(struct.unpack(f"<{len(padded) // 2}H", padded))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(image)


class ReproducibleTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        shutil.rmtree(SCRATCH, ignore_errors=True)
        cls.second = SCRATCH / "dist"
        environment = dict(os.environ, CORVEL_BUILD_DIR=str(SCRATCH), CORVEL_DIST_DIR=str(cls.second))
        subprocess.run([SOURCE / "scripts" / "package", "--no-setup"], env=environment, check=True)
        cls.names = [line.split("  ", 1)[1] for line in (FIRST / "SHA256SUMS").read_text().splitlines()]
        cls.setup = FIRST / next(name for name in cls.names if name.endswith("-setup.exe"))
        cls.zip = FIRST / next(name for name in cls.names if name.endswith(".zip"))
        with zipfile.ZipFile(cls.zip) as archive:
            cls.program = archive.read("corvel.exe")

    def test_second_build_in_another_folder_gives_the_same_bytes(self):
        differences = []
        for name in self.names + ["SHA256SUMS"]:
            first, second = (FIRST / name).read_bytes(), (self.second / name).read_bytes()
            offset = first_difference(first, second)
            if offset is None:
                continue
            place = "text"
            if name.endswith(".exe"):
                place = pe_place(first, offset)
            elif name.endswith(".zip"):
                place = zip_place(first, FIRST / name, offset)
                with zipfile.ZipFile(self.second / name) as archive:
                    inner = first_difference(self.program, archive.read("corvel.exe"))
                if inner is not None:
                    place += f"; corvel.exe differs from offset {inner:#x} ({pe_place(self.program, inner)})"
            differences.append(f"{name} differs from offset {offset:#x} ({place})")
        if differences:
            self.fail("\n".join(differences))

    def test_every_time_stamp_is_the_release_time(self):
        epoch = int(os.environ.get("SOURCE_DATE_EPOCH") or subprocess.run(
            ["git", "-C", SOURCE, "log", "-1", "--format=%ct"], capture_output=True, check=True, text=True).stdout)
        for name, image in (("corvel.exe", self.program), (self.setup.name, self.setup.read_bytes())):
            pe = struct.unpack_from("<I", image, 0x3C)[0]
            stamp, checksum = struct.unpack_from("<I", image, pe + 8)[0], struct.unpack_from("<I", image, pe + 88)[0]
            self.assertEqual(stamp, epoch, f"{name}: TimeDateStamp")
            self.assertIn(checksum, (0, pe_checksum(image)), f"{name}: CheckSum, 0 when not set")
        year, month, day, hour, minute, second = time.gmtime(epoch)[:6]
        with zipfile.ZipFile(self.zip) as archive:
            for entry in archive.infolist():  # zip times count in steps of two seconds
                self.assertEqual(entry.date_time, (year, month, day, hour, minute, second // 2 * 2), entry.filename)

    def test_no_folder_of_this_machine_in_the_program(self):
        for folder in (SOURCE, SCRATCH, FIRST.parent):
            self.assertNotIn(str(folder).encode(), self.program, folder)


if __name__ == "__main__":
    unittest.main()
