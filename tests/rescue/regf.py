"""A small writer of NT registry hive files (regf), enough for the SOFTWARE
hive of a test image: keys with ASCII names, text values (REG_SZ, UTF-16)."""
import struct

HBIN = 4096


class _Cells:
    def __init__(self):
        self.data = bytearray()

    def add(self, payload):
        """An allocated cell; returns its offset from the first hive bin."""
        size = (len(payload) + 4 + 7) & ~7
        offset = 32 + len(self.data)   # after the bin header
        self.data += struct.pack("<i", -size) + payload + b"\0" * (size - 4 - len(payload))
        return offset


def _nk(name, parent, root, subkeys, values, max_sub, max_val_name, max_val_data):
    flags = 0x20 | (0x0C if root else 0)   # ASCII name; the root is the hive's entry
    sub_count, sub_list = subkeys
    val_count, val_list = values
    return (b"nk" + struct.pack("<HQIIIIIIIIIIIIIIIHH", flags, 0, 0, parent, sub_count, 0, sub_list, 0xFFFFFFFF,
                                val_count, val_list, 0xFFFFFFFF, 0xFFFFFFFF, max_sub, 0, max_val_name,
                                max_val_data, 0, len(name), 0) + name.encode("latin-1"))


def write_hive(path, tree):
    """tree: {"values": {name: text}, "keys": {name: tree}} for the root."""
    cells = _Cells()
    # Cells are written children first, so each offset is known when needed;
    # a key's parent offset is patched afterwards.
    patches = []

    def key(name, node, root):
        subs = []
        for sub_name, sub in node.get("keys", {}).items():
            subs.append(key(sub_name, sub, False))
        vals = []
        for vname, text in node.get("values", {}).items():
            data = (text + "\0").encode("utf-16-le")
            data_cell = cells.add(data)
            vals.append(cells.add(b"vk" + struct.pack("<HIIIHH", len(vname), len(data), data_cell, 1, 1, 0)
                                  + vname.encode("latin-1")))
        sub_list = cells.add(b"li" + struct.pack("<H", len(subs)) + b"".join(struct.pack("<I", s) for s in subs)) \
            if subs else 0xFFFFFFFF
        val_list = cells.add(b"".join(struct.pack("<I", v) for v in vals)) if vals else 0xFFFFFFFF
        max_sub = max([len(n) * 2 for n in node.get("keys", {})] or [0])
        max_vn = max([len(n) * 2 for n in node.get("values", {})] or [0])
        max_vd = max([len(t) * 2 + 2 for t in node.get("values", {}).values()] or [0])
        offset = cells.add(_nk(name, 0xFFFFFFFF, root, (len(subs), sub_list), (len(vals), val_list),
                               max_sub, max_vn, max_vd))
        for s in subs:
            patches.append((s, offset))
        return offset

    root = key("ROOT", tree, True)
    for child, parent in patches:
        at = child - 32 + 4 + 16   # cell data starts after the size; parent is 16 bytes in
        cells.data[at:at + 4] = struct.pack("<I", parent)
    bins = cells.data
    size = (32 + len(bins) + HBIN - 1) // HBIN * HBIN
    hbin = b"hbin" + struct.pack("<IIQQI", 0, size, 0, 0, 0) + bytes(bins)
    free = size - len(hbin)
    if free:
        hbin += struct.pack("<i", free) + b"\0" * (free - 4)   # the rest of the bin is one free cell
    base = bytearray(4096)
    struct.pack_into("<4sIIQIIIIIII", base, 0, b"regf", 1, 1, 0, 1, 5, 0, 1, root, size, 1)
    checksum = 0
    for i in range(0, 508, 4):
        checksum ^= struct.unpack_from("<I", base, i)[0]
    struct.pack_into("<I", base, 508, checksum or 1)
    with open(path, "wb") as f:
        f.write(bytes(base) + hbin)
