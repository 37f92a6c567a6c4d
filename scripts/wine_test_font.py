#!/usr/bin/python3
"""Makes the test prefix's stand-in for "Segoe UI": DejaVu Sans (regular and
bold), renamed "Vexo Test Sans", without its mark-to-ligature positioning.

Wine 8's Uniscribe reads the advance before the first glyph of a run when it
positions a mark on a ligature there (GPOS lookup type 5 at glyph index 0), so
an edit control faults inside gdi32 on a right-to-left line that ends in such
a pair: "تعديلاً" (lam-alef with tanween) in the functions guide. Windows has
no such fault, and the text is the product's, so the fault is kept out of the
test machine's font instead: without those lookups the tanween keeps its
default place, and everything else draws as DejaVu Sans does.

    wine_test_font.py FONTS_FOLDER
Runs with Debian's python3 and python3-fonttools.
"""

import os
import sys

from fontTools.ttLib import TTFont

FAMILY = "Vexo Test Sans"
SOURCES = {
    "Regular": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
    "Bold": "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf",
}
MARK_TO_LIGATURE = 5
EXTENSION = 9


def drop_mark_to_ligature(font):
    if "GPOS" not in font:
        return
    for lookup in font["GPOS"].table.LookupList.Lookup:
        kind = lookup.LookupType
        if kind == EXTENSION and lookup.SubTable:
            kind = lookup.SubTable[0].ExtensionLookupType
        if kind == MARK_TO_LIGATURE:
            lookup.SubTable = []
            lookup.SubTableCount = 0


def rename(font, style):
    names = {
        1: FAMILY,
        2: style,
        4: FAMILY if style == "Regular" else f"{FAMILY} {style}",
        6: f"VexoTestSans-{style}",
        16: FAMILY,
        17: style,
    }
    for record in font["name"].names:
        if record.nameID in names:
            record.string = names[record.nameID]


def main():
    folder = sys.argv[1]
    os.makedirs(folder, exist_ok=True)
    for style, source in SOURCES.items():
        font = TTFont(source)
        drop_mark_to_ligature(font)
        rename(font, style)
        font.save(os.path.join(folder, f"VexoTestSans-{style}.ttf"))


if __name__ == "__main__":
    main()
