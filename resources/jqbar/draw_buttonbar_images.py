#!/usr/bin/env python3
"""Draws the button bar's and the command line's pictures: the two panel-type pictures with
their masks (16 x 16), the default button icons (small and large) and the two group-tab icons.
Run it in this folder to write the files."""
import struct

def bmp(path, width, height, bits, palette, rows):
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, v in enumerate(row):
            if bits == 1:
                if v: line[x // 8] |= 0x80 >> (x % 8)
            else:
                line[3 * x:3 * x + 3] = bytes(v)
        data += line
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in palette)
    offset = 14 + 40 + len(pal)
    header = b'BM' + struct.pack('<IHHI', offset + len(data), 0, 0, offset)
    info = struct.pack('<IiiHHIIiiII', 40, width, height, 1, bits, 0, len(data), 2835, 2835,
                       len(palette), 0)
    open(path, 'wb').write(header + info + pal + data)

def picture(path, mask_path, colour, shape):
    rows, mrows = [], []
    for y in range(16):
        row, mrow = [], []
        for x in range(16):
            inside = shape(x, y)
            edge = inside and not all(shape(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
            row.append((0, 0, 0) if edge else (colour if inside else (0, 0, 0)))
            mrow.append(0 if inside else 1)
        rows.append(row)
        mrows.append(mrow)
    bmp(path, 16, 16, 24, [], rows)
    bmp(mask_path, 16, 16, 1, [(0, 0, 0), (255, 255, 255)], mrows)

def inbox(l, t, r, b):
    return lambda x, y: l <= x <= r and t <= y <= b

# Button bar: three buttons side by side; command line: a box with a prompt.
picture('type_buttonbar.bmp', 'type_buttonbar_mask.bmp', (224, 192, 64),
        lambda x, y: any(inbox(l, 4, l + 3, 11)(x, y) for l in (1, 6, 11)))
picture('type_cmdline.bmp', 'type_cmdline_mask.bmp', (255, 255, 255), inbox(0, 4, 15, 11))

def icon(path, sizes, paint):
    """paint(size, x, y) -> (r, g, b) or None for transparent. 24-bit images with an AND mask."""
    images = []
    for size in sizes:
        stride, mstride = size * 3, ((size + 31) // 32) * 4
        xor, andm = bytearray(), bytearray()
        for y in reversed(range(size)):
            line, mline = bytearray(stride), bytearray(mstride)
            for x in range(size):
                c = paint(size, x, y)
                if c is None:
                    mline[x // 8] |= 0x80 >> (x % 8)
                else:
                    line[3 * x:3 * x + 3] = bytes((c[2], c[1], c[0]))
            xor += line
            andm += mline
        info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, len(xor) + len(andm), 0, 0, 0, 0)
        images.append(info + bytes(xor) + bytes(andm))
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, img in zip(sizes, images):
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(img), offset)
        offset += len(img)
    open(path, 'wb').write(out + b''.join(images))

def blank_page(size, x, y):
    # A sheet of paper with a folded corner: a button without a picture of its own.
    m = size // 8
    l, t, r, b = 2 * m, m, size - 2 * m - 1, size - m - 1
    if not (l <= x <= r and t <= y <= b): return None
    if x - (r - 2 * m) > y - t: return None
    if x in (l, r) or y in (t, b) or x - (r - 2 * m) == y - t: return (0, 0, 0)
    return (255, 255, 255)

icon('button_small.ico', [16], blank_page)
icon('button_large.ico', [32], blank_page)

def tab(fill):
    def paint(size, x, y):
        if x in (0, size - 1) or y in (0, size - 1): return None
        if x in (1, size - 2) or y in (1, size - 2): return (64, 64, 64)
        return fill(x, y, size)
    return paint

icon('tab_other.ico', [16], tab(lambda x, y, s: None))
icon('tab_current.ico', [16], tab(lambda x, y, s: (255, 255, 255) if 5 <= x <= s - 6 and 5 <= y <= s - 6 else None))
