"""The parts of an MSI package that wixl leaves to chance, and its streams.

An MSI package is an OLE compound file. wixl writes a random package code and the time of the
build into its summary information; this sets the times to SOURCE_DATE_EPOCH and the package code
to one derived from the package's contents, in place (the stream keeps its size).

    msi.py fix-summary PACKAGE EPOCH      fixed times, package code from the contents
    msi.py product-code UPGRADE VERSION ARCH
                                          the product code of one version and architecture
    msi.py streams PACKAGE                "<sha256>  <name>" of every stream, sorted by name
"""
import hashlib
import struct
import sys
import uuid

SIGNATURE = b"\xd0\xcf\x11\xe0\xa1\xb1\x1a\xe1"
LAST_SECTOR = 0xFFFFFFFA  # larger numbers mark free, end-of-chain and FAT sectors
END_OF_CHAIN = 0xFFFFFFFE
STREAM = 2
SUMMARY = "\x05SummaryInformation"

# Summary information properties (property ids and types of the property set).
PID_REVISION = 9  # the package code
PID_TIMES = (11, 12, 13)  # last printed, created, last saved
VT_LPSTR = 30
VT_FILETIME = 64
NO_CODE = "{00000000-0000-0000-0000-000000000000}"


class CompoundFile:
    """Reads the streams of a compound file held in memory, and rewrites one of the same size."""

    def __init__(self, data):
        if data[:8] != SIGNATURE:
            raise ValueError("not a compound file")
        self.data = data
        self.sector_size = 1 << self._u16(0x1E)
        self.mini_size = 1 << self._u16(0x20)
        self.cutoff = self._u32(0x38)
        self.fat = []
        for sector in self._fat_sectors():
            self.fat += self._u32s(self._offset(sector), self.sector_size // 4)
        self.minifat = []
        for sector in self._chain(self._u32(0x3C)):
            self.minifat += self._u32s(self._offset(sector), self.sector_size // 4)
        self.entries = []
        for sector in self._chain(self._u32(0x30)):
            for at in range(self._offset(sector), self._offset(sector) + self.sector_size, 128):
                self.entries.append(self._entry(at))
        self.ministream = self._chain(self.entries[0]["start"])

    def _u16(self, at):
        return struct.unpack_from("<H", self.data, at)[0]

    def _u32(self, at):
        return struct.unpack_from("<I", self.data, at)[0]

    def _u32s(self, at, count):
        return list(struct.unpack_from("<%dI" % count, self.data, at))

    def _offset(self, sector):
        return (sector + 1) * self.sector_size

    def _fat_sectors(self):
        sectors = self._u32s(0x4C, 109)
        next_difat, count = self._u32(0x44), self._u32(0x48)
        per_sector = self.sector_size // 4 - 1
        for _ in range(count):
            words = self._u32s(self._offset(next_difat), per_sector + 1)
            sectors += words[:per_sector]
            next_difat = words[per_sector]
        return [s for s in sectors if s < LAST_SECTOR]

    def _chain(self, start, table=None):
        table = self.fat if table is None else table
        chain = []
        sector = start
        while sector != END_OF_CHAIN and sector < LAST_SECTOR:
            if len(chain) > len(table):
                raise ValueError("a sector chain loops")
            chain.append(sector)
            sector = table[sector]
        return chain

    def _entry(self, at):
        name_bytes = self._u16(at + 64)
        size = struct.unpack_from("<Q", self.data, at + 120)[0]
        if self.sector_size == 512:
            size &= 0xFFFFFFFF  # version 3 files leave the high half undefined
        return {
            "name": bytes(self.data[at : at + max(name_bytes - 2, 0)]).decode("utf-16-le"),
            "type": self.data[at + 66],
            "start": self._u32(at + 116),
            "size": size,
        }

    def _spans(self, entry):
        """The stretches of the file that hold a stream, in order."""
        spans = []
        if entry["size"] < self.cutoff:
            for mini in self._chain(entry["start"], self.minifat):
                position = mini * self.mini_size
                sector = self.ministream[position // self.sector_size]
                spans.append((self._offset(sector) + position % self.sector_size, self.mini_size))
        else:
            for sector in self._chain(entry["start"]):
                spans.append((self._offset(sector), self.sector_size))
        left = entry["size"]
        cut = []
        for at, length in spans:
            if left <= 0:
                break
            cut.append((at, min(length, left)))
            left -= length
        if left > 0:
            raise ValueError("stream %r is cut short" % entry["name"])
        return cut

    def streams(self):
        return [e for e in self.entries if e["type"] == STREAM]

    def stream(self, name):
        for entry in self.streams():
            if entry["name"] == name:
                return entry
        raise KeyError("no stream %r" % name)

    def read(self, name):
        return b"".join(bytes(self.data[a : a + n]) for a, n in self._spans(self.stream(name)))

    def write(self, name, content):
        entry = self.stream(name)
        if len(content) != entry["size"]:
            raise ValueError("stream %r must keep its size" % name)
        done = 0
        for at, length in self._spans(entry):
            self.data[at : at + length] = content[done : done + length]
            done += length


def summary_properties(stream):
    """Property id -> (type, offset of its value in the stream) of the first section."""
    section = struct.unpack_from("<I", stream, 44)[0]
    count = struct.unpack_from("<I", stream, section + 4)[0]
    found = {}
    for i in range(count):
        pid, at = struct.unpack_from("<II", stream, section + 8 + 8 * i)
        found[pid] = (struct.unpack_from("<I", stream, section + at)[0], section + at + 4)
    return found


def set_package_code(stream, properties, code):
    kind, at = properties[PID_REVISION]
    length = struct.unpack_from("<I", stream, at)[0]
    text = code.encode("ascii") + b"\0"
    if kind != VT_LPSTR or length != len(text):
        raise ValueError("the package code is no GUID string")
    stream[at + 4 : at + 4 + length] = text


def fix_summary(path, epoch):
    data = bytearray(open(path, "rb").read())
    cfb = CompoundFile(data)
    stream = bytearray(cfb.read(SUMMARY))
    properties = summary_properties(stream)
    filetime = (epoch + 11644473600) * 10_000_000
    for pid in PID_TIMES:
        if pid in properties:
            kind, at = properties[pid]
            if kind != VT_FILETIME:
                raise ValueError("summary property %d is no time" % pid)
            struct.pack_into("<Q", stream, at, filetime)
    # The package code names these contents: the digest of the package without a code.
    set_package_code(stream, properties, NO_CODE)
    cfb.write(SUMMARY, stream)
    digest = hashlib.sha256(data).hexdigest()
    code = "{%s}" % str(uuid.uuid5(uuid.NAMESPACE_URL, "urn:sha256:" + digest)).upper()
    set_package_code(stream, properties, code)
    cfb.write(SUMMARY, stream)
    with open(path, "wb") as out:
        out.write(data)
    return code


def product_code(upgrade, version, arch):
    """Each version and architecture has its own product code, as a major upgrade needs."""
    name = "Kestrowinda %s %s" % (version, arch)
    return "{%s}" % str(uuid.uuid5(uuid.UUID(upgrade), name)).upper()


def main(argv):
    if len(argv) == 3 and argv[0] == "fix-summary":
        print(fix_summary(argv[1], int(argv[2])))
    elif len(argv) == 4 and argv[0] == "product-code":
        print(product_code(*argv[1:]))
    elif len(argv) == 2 and argv[0] == "streams":
        cfb = CompoundFile(bytearray(open(argv[1], "rb").read()))
        for name in sorted(e["name"] for e in cfb.streams()):
            print(hashlib.sha256(cfb.read(name)).hexdigest(), name.encode("unicode_escape").decode())
    else:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
