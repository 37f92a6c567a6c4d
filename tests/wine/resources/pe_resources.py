"""Reads the resources of a PE32+ executable, as Windows' resource loader sees
them: type, name, language and the bytes of each entry. Only numeric types
and names are kept apart by number; a named one keeps its name as a string.
"""
import struct


class Resource:
    def __init__(self, kind, name, language, data):
        self.kind, self.name, self.language, self.data = kind, name, language, data

    def __repr__(self):
        return f"Resource({self.kind}, {self.name}, {self.language}, {len(self.data)} bytes)"


class PeError(Exception):
    pass


def _sections(image):
    if image[:2] != b"MZ":
        raise PeError("no MZ header")
    (pe,) = struct.unpack_from("<I", image, 0x3C)
    if image[pe:pe + 4] != b"PE\0\0":
        raise PeError("no PE signature")
    machine, count, _, _, _, optional_size, _ = struct.unpack_from("<HHIIIHH", image, pe + 4)
    optional = pe + 24
    (magic,) = struct.unpack_from("<H", image, optional)
    if magic != 0x20B:
        raise PeError(f"not a PE32+ image (optional header magic {magic:#x})")
    # The resource directory is the third data directory of a PE32+ header.
    rva, size = struct.unpack_from("<II", image, optional + 112 + 2 * 8)
    sections = []
    table = optional + optional_size
    for i in range(count):
        _, vsize, vaddr, raw_size, raw_ptr = struct.unpack_from("<8sIIII", image, table + 40 * i)
        sections.append((vaddr, max(vsize, raw_size), raw_ptr))
    return machine, rva, size, sections


def _reader(image, sections):
    def at(rva):
        for vaddr, vsize, raw in sections:
            if vaddr <= rva < vaddr + vsize:
                return raw + rva - vaddr
        raise PeError(f"address {rva:#x} lies in no section")
    return at


def read(path):
    """Returns (machine, [Resource]) for the executable at path."""
    with open(path, "rb") as f:
        image = f.read()
    machine, root_rva, root_size, sections = _sections(image)
    if root_rva == 0 or root_size == 0:
        return machine, []
    at = _reader(image, sections)
    base = at(root_rva)

    def name_of(entry_name):
        if entry_name & 0x80000000:
            offset = base + (entry_name & 0x7FFFFFFF)
            (length,) = struct.unpack_from("<H", image, offset)
            return image[offset + 2:offset + 2 + 2 * length].decode("utf-16-le")
        return entry_name

    def entries(offset):
        _, _, _, _, named, numbered = struct.unpack_from("<IIHHHH", image, base + offset)
        for i in range(named + numbered):
            entry_name, target = struct.unpack_from("<II", image, base + offset + 16 + 8 * i)
            yield name_of(entry_name), target

    resources = []
    for kind, kind_target in entries(0):
        for name, name_target in entries(kind_target & 0x7FFFFFFF):
            for language, leaf in entries(name_target & 0x7FFFFFFF):
                if leaf & 0x80000000:
                    raise PeError("a language entry that is a directory")
                data_rva, data_size, _, _ = struct.unpack_from("<IIII", image, base + leaf)
                start = at(data_rva)
                resources.append(Resource(kind, name, language, image[start:start + data_size]))
    return machine, resources


def png_header(data):
    """(width, height, bit depth, colour type) of a PNG image, or None."""
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        return None
    return struct.unpack(">IIBB", data[16:26])


def _icon_directory(data, entry_format, what):
    """The entries of an icon directory (an icon file's or an icon group's),
    unpacked with entry_format; a width or height of 0 stands for 256."""
    reserved, kind, count = struct.unpack_from("<HHH", data, 0)
    if reserved != 0 or kind != 1:
        raise PeError(f"not an {what}")
    size = struct.calcsize(entry_format)
    out = []
    for i in range(count):
        width, height, _, _, _, bits, length, where = struct.unpack_from(entry_format, data, 6 + size * i)
        out.append((width or 256, height or 256, bits, length, where))
    return out


def icon_group(data):
    """The entries of an RT_GROUP_ICON: (width, height, bit count, bytes, id)."""
    return _icon_directory(data, "<BBBBHHIH", "icon group")


def icon_file_images(data):
    """The images of an .ico file, as (width, height, bit count, bytes)."""
    return [(width, height, bits, data[offset:offset + length])
            for width, height, bits, length, offset in _icon_directory(data, "<BBBBHHII", "icon file")]


def version_info(data):
    """A VS_VERSIONINFO block as a tree: (key, value, [children]); the root's
    value is the fixed file information's words, a string's value its text,
    a Translation's value its list of 16-bit numbers."""
    def node(offset):
        length, value_length, text = struct.unpack_from("<HHH", data, offset)
        end = offset + length
        key_end = offset + 6
        while data[key_end:key_end + 2] != b"\0\0":
            key_end += 2
        key = data[offset + 6:key_end].decode("utf-16-le")
        value_at = (key_end + 2 + 3) & ~3
        if text == 1:
            raw = data[value_at:value_at + 2 * value_length]
            value = raw.decode("utf-16-le").rstrip("\0")
            value_end = value_at + 2 * value_length
        else:
            raw = data[value_at:value_at + value_length]
            value = list(struct.unpack(f"<{value_length // 4}I", raw)) if key == "VS_VERSION_INFO" \
                else list(struct.unpack(f"<{value_length // 2}H", raw))
            value_end = value_at + value_length
        children = []
        child = (value_end + 3) & ~3
        while child < end:
            sub, child_end = node(child)
            children.append(sub)
            child = (child_end + 3) & ~3
        return (key, value, children), end

    return node(0)[0]
