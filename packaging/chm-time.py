"""Sets the build time that chmcmd writes into a CHM help file, in place.

chmcmd stores the milliseconds since midnight of the build in the file header (big-endian) and in
the #SYSTEM entry (code 10, little-endian), and takes no SOURCE_DATE_EPOCH, so a file compiled
twice differs in those eight bytes. This writes the time of the given epoch (UTC) into both.

    chm-time.py FILE.chm EPOCH
"""
import struct
import sys

HEADER_TIME = 0x10
SYSTEM_TIME_CODE = 10


def encint(data, at):
    """A CHM directory number: 7 bits a byte, high bit set on all but the last byte."""
    value = 0
    while True:
        byte = data[at]
        at += 1
        value = (value << 7) | (byte & 0x7F)
        if byte < 0x80:
            return value, at


def directory(data):
    """Name -> (section, offset, length) of every entry in the listing chunks."""
    if data[:4] != b"ITSF" or struct.unpack_from("<I", data, 4)[0] != 3:
        raise ValueError("not a version 3 CHM file")
    listing = struct.unpack_from("<Q", data, 0x48)[0]
    if data[listing : listing + 4] != b"ITSP":
        raise ValueError("no directory")
    header_length, _, chunk_size = struct.unpack_from("<III", data, listing + 8)
    chunk_count = struct.unpack_from("<I", data, listing + 0x2C)[0]
    entries = {}
    for i in range(chunk_count):
        chunk = listing + header_length + i * chunk_size
        if data[chunk : chunk + 4] != b"PMGL":
            continue  # an index chunk
        end = chunk + chunk_size - struct.unpack_from("<I", data, chunk + 4)[0]
        at = chunk + 0x14
        while at < end:
            length, at = encint(data, at)
            name = bytes(data[at : at + length]).decode("utf-8")
            section, at = encint(data, at + length)
            offset, at = encint(data, at)
            size, at = encint(data, at)
            entries[name] = (section, offset, size)
    return entries


def set_time(data, epoch):
    millis = (epoch % 86400) * 1000
    struct.pack_into(">I", data, HEADER_TIME, millis)
    section, offset, size = directory(data)["/#SYSTEM"]
    if section != 0:
        raise ValueError("#SYSTEM is compressed")
    content = struct.unpack_from("<Q", data, 0x58)[0]
    at = content + offset + 4  # after the version
    end = content + offset + size
    found = False
    while at + 4 <= end:
        code, length = struct.unpack_from("<HH", data, at)
        if code == SYSTEM_TIME_CODE and length == 4:
            struct.pack_into("<I", data, at + 4, millis)
            found = True
        at += 4 + length
    if not found:
        raise ValueError("#SYSTEM holds no time")


def main(argv):
    if len(argv) != 2:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    data = bytearray(open(argv[0], "rb").read())
    set_time(data, int(argv[1]))
    with open(argv[0], "wb") as out:
        out.write(data)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
