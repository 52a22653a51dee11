#!/usr/bin/env python3
"""Draws the Start-menu bar's pictures: the panel-type picture with its mask (16 x 16) and the
four menu-button icons (folder, Common Programs folder, user menu, special folder; 16 and 32
pixels, 24-bit with a transparency mask). Run it in this folder to write the files."""
from bitmap_files import bmp as write_bmp, icon_image_rgb, write_icon

def bmp(path, width, height, bits, palette, rows):
    """rows of colour triples given as red, green, blue (24 bits) or of 0/1 (1 bit)."""
    if bits == 24:
        rows = [[v[::-1] for v in row] for row in rows]
    write_bmp(path, width, height, bits, palette, rows)

def folder(size):
    """The shape of a folder: a tab and a body; returns (inside, edge) tests."""
    s = size / 16.0
    def inside(x, y):
        tab = 1 * s <= x <= 7 * s and 2 * s <= y < 4 * s
        body = 1 * s <= x <= 14.9 * s and 4 * s <= y <= 13.9 * s
        return tab or body
    def edge(x, y):
        return inside(x, y) and not all(inside(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
    return inside, edge

def icon(path, colour, mark):
    images = []
    for size in (32, 16):
        inside, edge = folder(size)
        rows = []
        for y in range(size):
            row = []
            for x in range(size):
                if not inside(x, y):
                    row.append(None)
                elif edge(x, y):
                    row.append((0, 0, 0))
                elif mark(x * 16 // size, y * 16 // size):
                    row.append((255, 255, 255))
                else:
                    row.append(colour)
            rows.append(row)
        images.append((size, 0, 24, icon_image_rgb(size, lambda size, x, y, rows=rows: rows[y][x])))
    write_icon(path, images)

none = lambda x, y: False
icon('menu_folder.ico', (240, 200, 64), none)
icon('menu_common.ico', (96, 160, 232), lambda x, y: 6 <= x <= 9 and 7 <= y <= 11 and (x in (6, 9) or y in (7, 11)))
icon('menu_user.ico', (96, 192, 96), lambda x, y: y in (7, 9, 11) and 4 <= x <= 11)
icon('menu_special.ico', (176, 176, 176), lambda x, y: 6 <= x <= 9 and 7 <= y <= 10)

# Panel-type picture: three menu buttons in a row with a menu dropping from the first.
def type_shape(x, y):
    return (0 <= y <= 4 and x <= 15) or (2 <= x <= 8 and 5 <= y <= 15)
rows, mrows = [], []
for y in range(16):
    row, mrow = [], []
    for x in range(16):
        inside = type_shape(x, y)
        edge = inside and not all(type_shape(x + dx, y + dy) for dx, dy in ((1, 0), (-1, 0), (0, 1), (0, -1)))
        sep = y <= 4 and x in (5, 10)
        row.append((0, 0, 0) if edge or sep else ((192, 192, 192) if y <= 4 else (255, 255, 255)) if inside else (0, 0, 0))
        mrow.append(0 if inside else 1)
    rows.append(row)
    mrows.append(mrow)
bmp('type_startmenus.bmp', 16, 16, 24, [], rows)
bmp('type_startmenus_mask.bmp', 16, 16, 1, [(0, 0, 0), (255, 255, 255)], mrows)

# The menu-order page's pictures, one per kind of menu (user menu, special folder, Programs
# folder, Common Programs folder) side by side, the folder icons' shapes and colours at 16
# pixels; pure red is the transparent colour.
RED = (255, 0, 0)
kinds = [((96, 192, 96), lambda x, y: y in (7, 9, 11) and 4 <= x <= 11),
         ((176, 176, 176), lambda x, y: 6 <= x <= 9 and 7 <= y <= 10),
         ((240, 200, 64), none),
         ((96, 160, 232), lambda x, y: 6 <= x <= 9 and 7 <= y <= 11 and (x in (6, 9) or y in (7, 11)))]
inside, edge = folder(16)
rows = []
for y in range(16):
    row = []
    for colour, mark in kinds:
        for x in range(16):
            if not inside(x, y):
                row.append(RED)
            elif edge(x, y):
                row.append((0, 0, 0))
            else:
                row.append((255, 255, 255) if mark(x, y) else colour)
    rows.append(row)
bmp('menu_kinds.bmp', 64, 16, 24, [], rows)
