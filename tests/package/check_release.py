#!/usr/bin/env python3
"""Checks what scripts/package wrote: the zip holds the program, its README and its licence, and SHA256SUMS
matches."""
import hashlib
import pathlib
import re
import sys
import unittest
import zipfile

DIST = pathlib.Path(sys.argv.pop(1) if len(sys.argv) > 1 else "dist")


class ReleaseTest(unittest.TestCase):
    def setUp(self):
        zips = list(DIST.glob("corvel-*.zip"))
        self.assertEqual(len(zips), 1, f"one zip in {DIST}")
        self.zip = zips[0]
        self.version = re.fullmatch(r"corvel-(\d+\.\d+\.\d+)\.zip", self.zip.name).group(1)
        self.setup = DIST / f"corvel-{self.version}-setup.exe"

    def test_zip_holds_the_program_its_readme_and_its_licence(self):
        with zipfile.ZipFile(self.zip) as archive:
            self.assertEqual(sorted(archive.namelist()), ["LICENSE.txt", "README.txt", "corvel.exe"])
            self.assertEqual(archive.read("corvel.exe")[:2], b"MZ")
            readme = archive.read("README.txt")
            licence = archive.read("LICENSE.txt")
        for text in (readme, licence):
            lines = text.split(b"\r\n")
            self.assertFalse(any(b"\r" in line or b"\n" in line for line in lines), "CRLF line ends only")
        self.assertIn(self.version.encode(), readme)
        self.assertNotIn(b"@", readme, "every placeholder filled in")
        root = pathlib.Path(__file__).resolve().parents[2]
        self.assertEqual(licence, (root / "LICENSE").read_bytes().replace(b"\n", b"\r\n"))

    def test_checksums_match_both_files(self):
        self.assertEqual(self.setup.read_bytes()[:2], b"MZ")
        sums = {}
        for line in (DIST / "SHA256SUMS").read_text().splitlines():
            digest, name = line.split("  ", 1)
            sums[name] = digest
        self.assertEqual(sorted(sums), sorted([self.zip.name, self.setup.name]))
        for name, digest in sums.items():
            self.assertEqual(hashlib.sha256((DIST / name).read_bytes()).hexdigest(), digest, name)


if __name__ == "__main__":
    unittest.main()
