#!/usr/bin/env python3
# Draws the animation of the FTP progress dialog (resource 137): a page flies in an arc from a
# server to a folder, 16 frames of 240 x 40 pixels, written as an uncompressed 8-bit AVI that
# the animation control plays without a decompressor. The top-left pixel is the background,
# which the control draws transparent.
#   python3 make_transfer_avi.py   (writes transfer.avi beside this script)
import math
import os
import struct

W, H, FRAMES = 240, 40, 16

PALETTE = [
    (255, 0, 255),    # 0 background (transparent)
    (0, 0, 0),        # 1 outline
    (255, 255, 255),  # 2 paper
    (128, 128, 128),  # 3 dark grey
    (192, 192, 192),  # 4 light grey
    (0, 0, 160),      # 5 screen blue
    (0, 200, 0),      # 6 lamp green
    (255, 208, 64),   # 7 folder yellow
    (200, 150, 20),   # 8 folder shadow
    (96, 96, 96),     # 9 text lines
]


def blank():
    return [[0] * W for _ in range(H)]


def rect(img, x0, y0, x1, y1, fill, outline=None):
    for y in range(max(y0, 0), min(y1 + 1, H)):
        for x in range(max(x0, 0), min(x1 + 1, W)):
            edge = outline is not None and (x in (x0, x1) or y in (y0, y1))
            img[y][x] = outline if edge else fill


def server(img):
    # A tower with a blue panel and a green lamp.
    rect(img, 14, 4, 42, 36, 4, 1)
    rect(img, 18, 8, 38, 16, 5, 1)
    for y in (20, 24, 28):
        rect(img, 18, y, 38, y, 3)
    rect(img, 34, 31, 37, 33, 6)


def folder(img):
    rect(img, 196, 8, 210, 12, 8, 1)
    rect(img, 196, 12, 228, 34, 7, 1)
    rect(img, 197, 30, 227, 33, 8)


def page(img, cx, cy):
    x0, y0 = cx - 6, cy - 8
    rect(img, x0, y0, x0 + 12, y0 + 16, 2, 1)
    for k in range(3, 14, 3):
        rect(img, x0 + 3, y0 + k, x0 + 9, y0 + k, 9)


def frame(n):
    img = blank()
    server(img)
    folder(img)
    t = n / (FRAMES - 1)
    cx = int(round(52 + t * (186 - 52)))
    cy = int(round(24 - 14 * math.sin(math.pi * t)))
    page(img, cx, cy)
    # Rows bottom-up, as a DIB keeps them.
    return b"".join(bytes(row) for row in reversed(img))


def chunk(fourcc, data):
    pad = b"\0" if len(data) % 2 else b""
    return fourcc + struct.pack("<I", len(data)) + data + pad


def lst(kind, body):
    return chunk(b"LIST", kind + body)


def main():
    frames = [frame(n) for n in range(FRAMES)]
    size = W * H
    us_per_frame = 80000
    avih = struct.pack("<14I", us_per_frame, size * 1000000 // us_per_frame, 0, 0x10, FRAMES, 0, 1, size, W, H,
                       0, 0, 0, 0)
    strh = (b"vids" + struct.pack("<I", 0) + struct.pack("<IHHI", 0, 0, 0, 0) +
            struct.pack("<IIIIIiI", 2, 25, 0, FRAMES, size, -1, 0) + struct.pack("<4h", 0, 0, W, H))
    bih = struct.pack("<IiiHHIIiiII", 40, W, H, 1, 8, 0, size, 0, 0, 256, len(PALETTE))
    pal = b"".join(struct.pack("<BBBB", b, g, r, 0) for (r, g, b) in PALETTE)
    pal += b"\0" * (4 * (256 - len(PALETTE)))
    hdrl = lst(b"hdrl", chunk(b"avih", avih) + lst(b"strl", chunk(b"strh", strh) + chunk(b"strf", bih + pal)))
    movi_body = b""
    index = b""
    for f in frames:
        offset = 4 + len(movi_body)  # from the "movi" fourcc
        movi_body += chunk(b"00db", f)
        index += b"00db" + struct.pack("<III", 0x10, offset, len(f))
    movi = lst(b"movi", movi_body)
    riff = chunk(b"RIFF", b"AVI " + hdrl + movi + chunk(b"idx1", index))
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "transfer.avi")
    with open(out, "wb") as fh:
        fh.write(riff)


if __name__ == "__main__":
    main()
