#!/usr/bin/env python3
"""Draws the pictures of the toolbar's system panels: the type pictures of the printers bar,
MultiView and System Access (16 x 16 with masks) and the printers bar's two marker icons
(16 x 16, 4-bit: a grey dot for a printer, a green tick for the default one). Run it in this
folder to write the files."""
from bitmap_files import bmp, icon_image_vga, inbox, picture, write_icon

# A printer: paper on top of a body.
picture('type_printers.bmp', 'type_printers_mask.bmp', (200, 200, 200),
        lambda x, y: inbox(4, 1, 11, 6)(x, y) or inbox(1, 6, 14, 12)(x, y))
# Four screens in a grid.
picture('type_multiview.bmp', 'type_multiview_mask.bmp', (0, 96, 224),
        lambda x, y: any(inbox(l, t, l + 6, t + 5)(x, y) for l in (0, 9) for t in (2, 9)))
# A power button: a ring with a bar.
picture('type_sysaccess.bmp', 'type_sysaccess_mask.bmp', (200, 40, 40),
        lambda x, y: (16 <= (x - 7.5) ** 2 + (y - 8.5) ** 2 <= 42) or inbox(7, 1, 8, 8)(x, y))

def icon(path, art):
    rows = [[{'.': None, '#': 0, 'g': 10, 'd': 8, 'l': 7}[c] for c in row] for row in art]
    write_icon(path, [(16, 16, 4, icon_image_vga(rows))])

blank = '.' * 16
dot = ['......####......', '.....#llll#.....', '.....#lddl#.....', '.....#llll#.....', '......####......']
tick = ['...........##...', '..........#gg#..', '.##......#gg#...', '#gg#....#gg#....', '.#gg#..#gg#.....',
        '..#gg##gg#......', '...#gggg#.......', '....#gg#........', '.....##.........']
icon('printer_marker.ico', [blank] * 11 + dot)
icon('printer_default.ico', [blank] * 7 + tick)

# A printer for printers that bring no icon of their own.
printer = ['................', '....########....', '....#llllll#....', '....#l####l#....', '....#llllll#....',
           '.##############.', '#dddddddddddddd#', '#llllllllllllll#', '#lllllllllllgll#', '#llllllllllllll#',
           '#dddddddddddddd#', '.#llllllllllll#.', '.#l########ll#..', '.#llllllllll#...', '.############...',
           '................']
icon('printer_small.ico', printer)
icon('printer_large.ico', printer)

# The printer-order page's tree: a printer picture, and the state pictures (none, hidden, shown)
# side by side; pure red is the transparent colour.
RED = (255, 0, 0)
def strip(path, cells):
    rows = []
    for y in range(16):
        row = []
        for cell in cells:
            row += [cell(x, y) for x in range(16)]
        rows.append(row)
    bmp(path, 16 * len(cells), 16, 24, [], rows)

colours = {'.': RED, '#': (0, 0, 0), 'l': (192, 192, 192), 'd': (128, 128, 128), 'g': (0, 255, 0)}
strip('printer_tree.bmp', [lambda x, y: colours[printer[y][x]]])
def box(checked):
    def cell(x, y):
        if 2 <= x <= 13 and 2 <= y <= 13:
            if x in (2, 13) or y in (2, 13): return (0, 0, 0)
            if checked and ((x - 4 == y - 7 and 4 <= x <= 7) or (x + y == 15 and 7 <= x <= 11)): return (0, 0, 0)
            return (255, 255, 255)
        return RED
    return cell
strip('printer_states.bmp', [lambda x, y: RED, box(False), box(True)])
