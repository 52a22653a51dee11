#!/usr/bin/env python3
"""Draws the clock's and the system monitor's pictures: the panel-type images with their masks
(16 x 16) and the clock-face icon (32 x 32, 16 colours). Run it in this folder."""
from bitmap_files import icon_image_vga, inbox, picture, write_icon

def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r

picture('type_clock.bmp', 'type_clock_mask.bmp', (255, 255, 224), disc(7.5, 7.5, 7.2))
picture('type_perfmon.bmp', 'type_perfmon_mask.bmp', (0, 160, 0),
        lambda x, y: inbox(1, 9, 4, 15)(x, y) or inbox(6, 4, 9, 15)(x, y) or inbox(11, 1, 14, 15)(x, y))

# The clock face: a white dial with a dark rim and twelve hour marks; the hands are drawn live.
def face(size):
    c = (size - 1) / 2
    r = size / 2 - 0.5
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            d2 = (x - c) ** 2 + (y - c) ** 2
            if d2 > r * r:
                row.append(None)
            elif d2 > (r - 2) ** 2:
                row.append(8)
            else:
                row.append(15)
        rows.append(row)
    import math
    for h in range(12):
        a = h * math.pi / 6
        for k in (r - 4, r - 3):
            x, y = int(round(c + math.sin(a) * k)), int(round(c - math.cos(a) * k))
            rows[y][x] = 0
    return rows

write_icon('clock_face.ico', [(32, 16, 4, icon_image_vga(face(32)))])
