"""Writers for the toolbar's drawn pictures: bitmaps (1, 4 and 24 bits), the 16 x 16 panel-type
pictures with their masks, and icon files. Imported by the draw_*.py scripts of this folder;
importing it writes nothing."""
import struct

VGA = [(0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0), (0, 0, 128), (128, 0, 128), (0, 128, 128),
       (192, 192, 192), (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0), (0, 0, 255),
       (255, 0, 255), (0, 255, 255), (255, 255, 255)]

MONO = [(0, 0, 0), (255, 255, 255)]


def bmp(path, width, height, bits, palette, rows):
    """rows: top row first, each a list of palette indexes (1 and 4 bits) or of colour triples
    (24 bits, whose three bytes are stored in the order given)."""
    stride = ((width * bits + 31) // 32) * 4
    data = bytearray()
    for row in reversed(rows):
        line = bytearray(stride)
        for x, v in enumerate(row):
            if bits == 1:
                if v: line[x // 8] |= 0x80 >> (x % 8)
            elif bits == 4:
                line[x // 2] |= (v << 4) if x % 2 == 0 else v
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
    """A 16 x 16 panel-type picture: shape(x, y) filled with colour and outlined in black, with
    its mask (0 inside, 1 outside)."""
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
    bmp(mask_path, 16, 16, 1, MONO, mrows)


def inbox(l, t, r, b):
    return lambda x, y: l <= x <= r and t <= y <= b


def icon_image_vga(rows):
    """One 4-bit icon image over the VGA palette: rows top first, each a list of palette indexes
    or None for a transparent pixel."""
    size = len(rows)
    stride = ((size * 4 + 31) // 32) * 4
    mstride = ((size + 31) // 32) * 4
    xor, andm = bytearray(), bytearray()
    for row in reversed(rows):
        line, mline = bytearray(stride), bytearray(mstride)
        for x, v in enumerate(row):
            if v is None:
                mline[x // 8] |= 0x80 >> (x % 8)
                v = 0
            line[x // 2] |= (v << 4) if x % 2 == 0 else v
        xor += line
        andm += mline
    pal = b''.join(bytes((b, g, r, 0)) for (r, g, b) in VGA)
    info = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 4, 0, len(xor) + len(andm), 0, 0, 16, 0)
    return info + pal + bytes(xor) + bytes(andm)


def icon_image_rgb(size, paint):
    """One 24-bit icon image: paint(size, x, y) -> (r, g, b), or None for a transparent pixel."""
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
    return info + bytes(xor) + bytes(andm)


def write_icon(path, images):
    """images: (size, colour count, bits, image bytes) for each image of the icon file."""
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, colours, bits, img in images:
        # The directory's width and height bytes hold 0 for 256.
        out += struct.pack('<BBBBHHII', size % 256, size % 256, colours, 0, 1, bits, len(img), offset)
        offset += len(img)
    open(path, 'wb').write(out + b''.join(img for _, _, _, img in images))
