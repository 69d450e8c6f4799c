#!/usr/bin/env python3
"""Sets the time stamp in a PE file's header: set_pe_time.py FILE SECONDS-SINCE-1970.

makensis runs it on the installer's header (!packhdr), which the installer later copies into the
uninstaller too, so that both carry the release's time instead of the day the NSIS stub was built.
A header with a checksum is refused: NSIS appends its data after this step, so no checksum computed
here could stay correct. NSIS stubs carry none (0, "not set")."""
import struct
import sys

path, seconds = sys.argv[1], int(sys.argv[2])
with open(path, "r+b") as file:
    image = bytearray(file.read())
    pe = struct.unpack_from("<I", image, 0x3C)[0]
    if image[:2] != b"MZ" or image[pe:pe + 4] != b"PE\0\0":
        sys.exit(f"set_pe_time: {path} is no PE file")
    checksum = pe + 24 + 64  # in the optional header, the same place for PE32 and PE32+
    if struct.unpack_from("<I", image, checksum)[0] != 0:
        sys.exit(f"set_pe_time: {path} carries a checksum that a changed header would make wrong")
    struct.pack_into("<I", image, pe + 8, seconds)  # IMAGE_FILE_HEADER.TimeDateStamp
    file.seek(0)
    file.write(image)
