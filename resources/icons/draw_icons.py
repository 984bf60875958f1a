#!/usr/bin/env python3
"""Draw Dalil's four program icons as pixel art and write them to disk.

Each icon is drawn twice, once at 32x32 and once at 16x16, as a grid of
characters (one character per pixel).  The small size is drawn on its own
so that it stays legible rather than being a shrunken copy of the big one.

Only the 16 classic VGA colours are used, plus transparency.  For every
icon NAME the script writes, next to itself:

    NAME.ico      - a two-image icon (32x32 and 16x16), 4 bits per pixel,
                    BMP-based entries with an AND (transparency) mask
    NAME-32.png   - the 32x32 image as a PNG
    NAME-16.png   - the 16x16 image as a PNG

Standard library only:  python3 draw_icons.py
"""

import os
import struct
import sys
import zlib

# --------------------------------------------------------------------------
# Palette: the 16 classic VGA colours, in the usual Windows order.  The
# order matters for the .ico files, whose pixels are indexes into it.
# --------------------------------------------------------------------------
PALETTE = [
    # char  name       (R, G, B)
    ("K", "black", (0, 0, 0)),
    ("M", "maroon", (128, 0, 0)),
    ("g", "green", (0, 128, 0)),
    ("O", "olive", (128, 128, 0)),
    ("N", "navy", (0, 0, 128)),
    ("P", "purple", (128, 0, 128)),
    ("T", "teal", (0, 128, 128)),
    ("s", "silver", (192, 192, 192)),
    ("d", "grey", (128, 128, 128)),
    ("R", "red", (255, 0, 0)),
    ("L", "lime", (0, 255, 0)),
    ("Y", "yellow", (255, 255, 0)),
    ("B", "blue", (0, 0, 255)),
    ("F", "fuchsia", (255, 0, 255)),
    ("A", "aqua", (0, 255, 255)),
    ("W", "white", (255, 255, 255)),
]
TRANSPARENT = "."

INDEX = {ch: i for i, (ch, _name, _rgb) in enumerate(PALETTE)}
RGB = {ch: rgb for ch, _name, rgb in PALETTE}


# --------------------------------------------------------------------------
# The artwork.
#
# Legend:  K black   M maroon  g green   O olive   N navy    P purple
#          T teal    s silver  d grey    R red     L lime    Y yellow
#          B blue    F fuchsia A aqua    W white   . transparent
# --------------------------------------------------------------------------

ICONS = {}

# The start window: an open ring-bound address book, index tabs on the
# right, a small person on the left page and a red ribbon bookmark.
ICONS["start"] = {
    32: """
................................
................................
................................
.KKKKKKKKKKK.....KKKKKKKKKKK....
KWWWWWWWWWWWKK.KKWWWWWWWWWWWK...
KWWWNNNWWWWWWsKsWWWWWWWWWWWKKKK.
KWWNNNNNWWWKKKKKKKWWWWWWWWWRRRRK
KWWNNNNNWWWKsWWWsKNNNNNNWWWRRRRK
KWWWNNNWWWWKdsKsdKWWWWWWWWWRRRRK
KWWWWWWWWWWWWsKsWWssssssssWKKKK.
KWWNNNNNWWWWWsKsWWWWWWWWWWWWK...
KWNNNNNNNWWKKKKKKKWWWWWWWWWKKKK.
KWWWWWWWWWWKsWWWsKNNNNNNWWWYYYYK
KWWWWWWWWWWKdsKsdKWWWWWWWWWYYYYK
KWssssssssWWWsKsWWssssssssWYYYYK
KWWWWWWWWWWWWsKsWWWWWWWWWWWKKKK.
KWWWWWWWWWWKKKKKKKWWWWWWWWWWK...
KWssssssssWKsWWWsKNNNNNNWWWKKKK.
KWWWWWWWWWWKdsKsdKWWWWWWWWWLLLLK
KWWWWWWWWWWWWsKsWWssssssssWLLLLK
KWssssssssWWWsKsWWWWWWWWWWWLLLLK
KWWWWWWWWWWKKKKKKKWWWWWWWWWKKKK.
KWWWWWWWWWWKsWWWsKNNNNNNWWWWK...
KWssssssssWKdsKsdKWWWWWWWWWWK...
KWWWWWWWWWWWWsKsWWssssssssWWK...
KssssssssssssdKdssssRRRsssssK...
KKKKKKKKKKKKKKKKKKKKRRRKKKKKK...
KMMMMMMMMMMMMMMMMMMKRRRKMMMMK...
.KKKKKKKKKKKKKKKKKKKRRRKKKKK....
...................KRRRK........
...................KRKRK........
...................KK.KK........
""",
    16: """
................
................
.KKKKKK.KKKKKK..
KWWWWWWKWWWWWWK.
KWWNWWdKdWWWWRRK
KWNNNWsKsNNNWRRK
KWWWWWdKdWWWWKK.
KWssssWKWssssYYK
KWWWWWdKdWWWWYYK
KWssssWKWNNNWKK.
KWWWWWdKdWWWWLLK
KWssssWKWssssLLK
KWWWWWsKsWWWWKK.
KKKKKKKKKKKKKKK.
KMMMMMMMMMRKMMK.
.KKKKKKKKKRKKK..
""",
}

# The phone book: a red desk telephone with its handset on the cradle and
# a white rotary dial.
ICONS["phone"] = {
    32: """
................................
................................
................................
.....KKKKKKKKKKKKKKKKKKKKKK.....
...KKRRWWRRRRRRRRRRRRRRRRRRKK...
..KRRWRRRRRRRRRRRRRRRRRRRRRRRK..
.KRRRRRRMMMMMMMMMMMMMMMMRRRRRRK.
.KRRRRRKKKKKKKKKKKKKKKKKKRRRRRK.
.KRRRRRKRRRRRRRRRRRRRRRRKRRRRRK.
.KMRRRMKRRRRRRRRRRRRRRRRKMRRRMK.
.KKKKKKKRRRRRRRRRRRRRRRRKKKKKKK.
....KRRRRRRRRRRRRRRRRRRRRRRRK...
....KRRRRRRRRKKKKKKRRRRRRRRRK...
....KRRRRRRKKWWWWWWKKRRRRRRRK...
...KRRRRRRKWWWWWddWWWWKRRRRRRK..
...KRRRRRRKWWddWddWddWKRRRRRRK..
...KRRRRRKWWWddWWWWddWWKRRRRRK..
...KRRRRRKWWWWWWssWWWWWKRRRRRK..
...KRRRRRKWddWWsRRsWddWKRRRRRK..
..KRRRRRRKWddWWsRRsWddWKRRRRRRK.
..KRRRRRRKWWWWWWssWWWWWKRRRRRRK.
..KRRRRRRKWWWddWWWWWWWWKRRRRRRK.
..KRRRRRRRKWWddWddWWKWKRRRRRRRK.
..KRRRRRRRKWWWWWddWKWWKRRRRRRRK.
.KRRRRRRRRRKKWWWWWWKKRRRRRRRRRRK
.KRRRRRRRRRRRKKKKKKRRRRRRRRRRRRK
.KMRRRRRRRRRRRRRRRRRRRRRRRRRRRMK
.KMMMMMMMMMMMMMMMMMMMMMMMMMMMMMK
..KKKKKKKKKKKKKKKKKKKKKKKKKKKKK.
................................
................................
................................
""",
    16: """
................
................
..KKKKKKKKKKKK..
.KRRWWRRRRRRRRK.
KRWRRRRRRRRRRRRK
KRRRKKKKKKKKRRRK
KMRMKRRRRRRKMRMK
.KKKRRKKKKRRKKK.
..KRRKWWWWKRRK..
..KRKWdWWdWKRK..
.KRRKWWRRWWKRRK.
.KRRKWWRRWWKRRK.
.KRRKWdWWdWKRRK.
.KRRRKWWWWKRRRK.
KMRRRRKKKKRRRRMK
.KKKKKKKKKKKKKK.
""",
}

# The appointment book: a spiral-bound calendar sheet with a red header,
# one day marked, and (at 32x32 only) a blue-rimmed clock in front of it.
ICONS["appointment"] = {
    32: """
................................
....KK....KK....KK....KK........
...KsdK..KsdK..KsdK..KsdK.......
.KKKsdKKKKsdKKKKsdKKKKsdKKKKK...
.KRRsdRRRRsdRRRRsdRRRRsdRRRRK...
.KRRKKRRRRKKRRRRKKRRRRKKRRRRK...
.KRRRRRRRRRRRRRRRRRRRRRRRRRRK...
.KMMMMMMMMMMMMMMMMMMMMMMMMMMK...
.KKKKKKKKKKKKKKKKKKKKKKKKKKKK...
.KWWWWWWWWWWWWWWWWWWWWWWWWWWK...
.KWddWWddWWddWWddWWddWWddWWWK...
.KWddWWddWWddWWddWWddWWddWWWK...
.KWWWWWWWWWWWWWWWWWWWWWWWWWWK...
.KWddWWddWWddWWddWWddWWddWWWK...
.KWddWWddWWddWWddWWddWWddWWWK...
.KWWWWWWWWWWWWWWWWWWWWWWWWWWK...
.KWddWWddWKKKKWddWWddWWddWWWK...
.KWddWWddWKRRKWddWKKKKKKWWWWK...
.KWWWWWWWWKRRKWWWKKBBBBBBKKWK...
.KWddWWddWKKKKWKKBBWWWWWWBBKK...
.KWddWWddWWddWKBBWWWWKWWWWBBK...
.KWWWWWWWWWWWKBWWWWWWKWWWWWWBK..
.KWddWWddWWddKBWKWWWWKWWWWKWBK..
.KWddWWddWWdKBWWWWWWWKWWWWWWWBK.
.KWWWWWWWWWWKBWWWWWWWRKKKKWWWBK.
.KWddWWddWWdKBWWWWWWWWWWWWWWWBK.
.KWWWWWWWWWWKBWWWWWWWWWWWWWWWBK.
.KsssssssssssKBWKWWWWWWWWWKWBK..
.KKKKKKKKKKKKKBWWWWWWKWWWWWWBK..
.............KBBWWWWWWWWWWBBK...
..............KKBBBBBBBBBBKK....
................KKKKKKKKKK......
""",
    16: """
................
..KK..KK..KK....
..sK..sK..sK....
KKsKKKsKKKsKKKK.
KRsRRRsRRRsRRRK.
KRRRRRRRRRRRRRK.
KKKKKKKKKKKKKKK.
KWWWWWWWWWWWWWK.
KWdWdWdWdWdWdWK.
KWWWWWWWWWWWWWK.
KWdWdWKKKWdWdWK.
KWWWWWKRKWWWWWK.
KWdWdWKKKWdWdWK.
KWWWWWWWWWWWWWK.
KsssssssssssssK.
KKKKKKKKKKKKKKK.
""",
}

# The cheque book: a pale cheque slip with an aqua border, its lines, an
# amount box and a signature, and a gold coin resting on the corner.  At
# 32x32 a second slip shows behind it; at 16x16 one slip stays legible.
ICONS["cheque"] = {
    32: """
................................
................................
................................
................................
....KKKKKKKKKKKKKKKKKKKKKKKKKKK.
....KAAAAAAAAAAAAAAAAAAAAAAAAAK.
....KAWWWWWWWWWWWWWWWWWWWWWWWAK.
.KKKKKKKKKKKKKKKKKKKKKKKKKKKKAK.
.KAAAAAAAAAAAAAAAAAAAAAAAAAAKAK.
.KAWWWWWWWWWWWWWWWWWWWWWWWWAKAK.
.KAWTTTTTTWWWWWWWWWWTTTTTWWAKAK.
.KAWWWWWWWWWWWWWWWWWWWWWWWWAKAK.
.KAWWWWWWWWWWWWWWWWKKKKKKKWAKAK.
.KAWTTTTTTTTTTTTTWWKWWWWWKWAKAK.
.KAWWWWWWWWWWWWWWWWKKKKKKKWAKAK.
.KAWWWWWWWWWWNNNWWWWWWWWWWWAKAK.
.KAWTTTTTTTWNWWWNWWWWWWWWWWAKAK.
.KAWWWWWWWWWNWWNWWNWNWWNWWWAKAK.
.KAWWWWWWWWWWNNWNWNNWNNWNWWAKKK.
.KAWWWWWWWWNNWWWWNWWWWWWWWWAK...
.KAWWWWWWWWTTTTTTTTTTTTTKKKKK...
.KAAAAAAAAAAAAAAAAAAAAKKYYYYKK..
.KKKKKKKKKKKKKKKKKKKKKYYOOOOYYK.
.....................KYOWWYYOYK.
....................KYOWYYYYYOYK
....................KYOWYYYYYOYK
....................KYOYYYYYYOYK
....................KYOYYYYYYOOK
.....................KYOYYYYOOOK
.....................KYYOOOOOOK.
......................KKOOOOKK..
........................KKKK....
""",
    16: """
................
................
KKKKKKKKKKKKKKKK
KAAAAAAAAAAAAAAK
KAWTTTWWWWKKKKAK
KAWWWWWWWWKWWKAK
KAWTTTTTTWKKKKAK
KAWWWWWWWWWWWWAK
KAWWNWWNWWWWWWAK
KAWNWNNWNWKKKWAK
KANWWWWWWKYYYKAK
KAAAAAAAKYWYYOKK
KKKKKKKKKYYYYOKK
........KYYYOOK.
.........KOOOK..
..........KKK...
""",
}


# --------------------------------------------------------------------------
# Parsing and checking
# --------------------------------------------------------------------------

def parse(name, size, text):
    rows = [line for line in text.strip("\n").split("\n")]
    if len(rows) != size:
        raise ValueError("%s %d: %d rows, expected %d" % (name, size, len(rows), size))
    for y, row in enumerate(rows):
        if len(row) != size:
            raise ValueError("%s %d: row %d is %d wide, expected %d"
                             % (name, size, y, len(row), size))
        for x, ch in enumerate(row):
            if ch != TRANSPARENT and ch not in INDEX:
                raise ValueError("%s %d: unknown colour %r at (%d, %d)"
                                 % (name, size, ch, x, y))
    return rows


# --------------------------------------------------------------------------
# PNG writer (8-bit RGBA, which every loader reads)
# --------------------------------------------------------------------------

def _png_chunk(kind, data):
    chunk = kind + data
    return struct.pack(">I", len(data)) + chunk + struct.pack(">I", zlib.crc32(chunk) & 0xFFFFFFFF)


def png_bytes(rows):
    h = len(rows)
    w = len(rows[0])
    raw = bytearray()
    for row in rows:
        raw.append(0)  # filter type: none
        for ch in row:
            if ch == TRANSPARENT:
                raw += b"\x00\x00\x00\x00"
            else:
                raw += bytes(RGB[ch]) + b"\xff"
    ihdr = struct.pack(">IIBBBBB", w, h, 8, 6, 0, 0, 0)  # 8-bit RGBA
    return (b"\x89PNG\r\n\x1a\n"
            + _png_chunk(b"IHDR", ihdr)
            + _png_chunk(b"IDAT", zlib.compress(bytes(raw), 9))
            + _png_chunk(b"IEND", b""))


# --------------------------------------------------------------------------
# ICO writer: BMP-based entries, 4 bits per pixel, with an AND mask
# --------------------------------------------------------------------------

def _row_padded(data):
    while len(data) % 4:
        data.append(0)
    return data


def ico_image(rows):
    h = len(rows)
    w = len(rows[0])
    header = struct.pack("<IiiHHIIiiII",
                         40,          # header size
                         w, 2 * h,    # height counts XOR + AND bitmaps
                         1, 4,        # planes, bits per pixel
                         0,           # no compression
                         0, 0, 0,     # image size (may be 0), resolution
                         16, 0)       # colours used, important colours
    palette = b"".join(struct.pack("<BBBB", b, g, r, 0) for _c, _n, (r, g, b) in PALETTE)
    xor = bytearray()
    mask = bytearray()
    for row in reversed(rows):  # BMP rows go bottom-up
        line = bytearray()
        for x in range(0, w, 2):
            pair = row[x:x + 2]
            hi = INDEX.get(pair[0], 0)
            lo = INDEX.get(pair[1], 0) if len(pair) > 1 else 0
            line.append((hi << 4) | lo)
        xor += _row_padded(line)
        bits = bytearray()
        for x in range(0, w, 8):
            byte = 0
            for i, ch in enumerate(row[x:x + 8]):
                if ch == TRANSPARENT:
                    byte |= 0x80 >> i
            bits.append(byte)
        mask += _row_padded(bits)
    return header + palette + bytes(xor) + bytes(mask)


def ico_bytes(images):
    """images: list of row-grids, largest first."""
    count = len(images)
    out = struct.pack("<HHH", 0, 1, count)
    blobs = [ico_image(rows) for rows in images]
    offset = 6 + 16 * count
    for rows, blob in zip(images, blobs):
        size = len(rows)
        out += struct.pack("<BBBBHHII",
                           size % 256, size % 256,  # width, height
                           16, 0,                   # colours, reserved
                           1, 4,                    # planes, bits per pixel
                           len(blob), offset)
        offset += len(blob)
    return out + b"".join(blobs)


# --------------------------------------------------------------------------

def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for name, sizes in ICONS.items():
        grids = {size: parse(name, size, text) for size, text in sizes.items()}
        for size, rows in grids.items():
            with open(os.path.join(here, "%s-%d.png" % (name, size)), "wb") as f:
                f.write(png_bytes(rows))
        with open(os.path.join(here, "%s.ico" % name), "wb") as f:
            f.write(ico_bytes([grids[32], grids[16]]))
        print("wrote %s.ico, %s-32.png, %s-16.png" % (name, name, name))
    return 0


if __name__ == "__main__":
    sys.exit(main())
