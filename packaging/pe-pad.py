"""Pads Windows programs to a multiple of 8 bytes and sets their PE checksum, in place.

Authenticode signing pads a program so that its signature starts on 8 bytes, and removing the
signature leaves that padding (with the checksum of the padded file). Padding every program
before it is packaged makes a signed program without its signature the unsigned program, byte
for byte. The padding lies after the last section, where the loader reads nothing.

    pe-pad.py PROGRAM.exe...
"""
import struct
import sys


def checksum_offset(data):
    pe = struct.unpack_from("<I", data, 0x3C)[0]
    if data[:2] != b"MZ" or data[pe : pe + 4] != b"PE\0\0":
        raise ValueError("not a PE file")
    return pe + 4 + 20 + 64  # after the signature and COFF header, in the optional header


def pe_checksum(data, at):
    """The checksum of the PE format: 16-bit words added with end-around carry, the checksum
    field counted as zero, plus the file's length."""
    words = bytes(data[:at]) + b"\0\0\0\0" + bytes(data[at + 4 :])
    if len(words) % 2:
        words += b"\0"
    total = sum(struct.unpack("<%dH" % (len(words) // 2), words))
    while total >> 16:
        total = (total & 0xFFFF) + (total >> 16)
    return total + len(data)


def pad(path):
    with open(path, "rb") as f:
        data = bytearray(f.read())
    data += b"\0" * (-len(data) % 8)
    at = checksum_offset(data)
    struct.pack_into("<I", data, at, pe_checksum(data, at))
    with open(path, "wb") as f:
        f.write(data)


def main(argv):
    if not argv:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    for path in argv:
        pad(path)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
