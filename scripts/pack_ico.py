#!/usr/bin/env python3
"""Packs PNG images into one .ico file, each image stored as PNG.

usage: pack_ico.py OUT.ico IMAGE.png...

Windows takes PNG-compressed icon images from Vista on; every image must be a
square 8-bit RGBA PNG (colour type 6), which is checked here so a renderer
change cannot slip a palette or 16-bit image into the product's icon.
"""
import struct
import sys


def png_size(data, name):
    if data[:8] != b"\x89PNG\r\n\x1a\n" or data[12:16] != b"IHDR":
        sys.exit(f"pack_ico: {name} is not a PNG image")
    width, height, depth, colour = struct.unpack(">IIBB", data[16:26])
    if width != height or not 1 <= width <= 256:
        sys.exit(f"pack_ico: {name} is {width}x{height}; icon images are square, at most 256")
    if depth != 8 or colour != 6:
        sys.exit(f"pack_ico: {name} must be 8-bit RGBA (depth {depth}, colour type {colour})")
    return width


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    out, names = sys.argv[1], sys.argv[2:]
    images = []
    for name in names:
        with open(name, "rb") as f:
            data = f.read()
        images.append((png_size(data, name), data))
    header = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    entries, blobs = b"", b""
    for size, data in images:
        dim = 0 if size == 256 else size  # 0 means 256 in the directory
        entries += struct.pack("<BBBBHHII", dim, dim, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
        blobs += data
    with open(out, "wb") as f:
        f.write(header + entries + blobs)


if __name__ == "__main__":
    main()
