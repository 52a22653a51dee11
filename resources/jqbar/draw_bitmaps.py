#!/usr/bin/env python3
"""Draws JQBar's small bitmaps and its icon: the caption-button glyphs (8 x 8, one bit), the
panel-type pictures with their masks (16 x 16), the ten predefined backgrounds (32 x 32,
16 colours) and the program icon. Run it in this folder to write the files."""
from bitmap_files import MONO, VGA, bmp, icon_image_vga, inbox, picture, write_icon

def glyph(path, art):
    # '#' is ink (0 bits), '.' background (1 bits): drawn as a mask.
    rows = [[0 if c == '#' else 1 for c in line] for line in art]
    bmp(path, 8, 8, 1, MONO, rows)

glyph('glyph_ontop.bmp', ['...#....', '..###...', '.#####..', '...#....', '...#....', '...#....', '.#####..', '........'])
glyph('glyph_hide.bmp', ['........', '........', '........', '........', '........', '#######.', '#######.', '........'])
glyph('glyph_properties.bmp', ['#######.', '#.....#.', '#.###.#.', '#.....#.', '#.###.#.', '#.....#.', '#######.', '........'])
glyph('glyph_help.bmp', ['..###...', '.#...#..', '.....#..', '....#...', '...#....', '........', '...#....', '........'])
glyph('glyph_close.bmp', ['#.....#.', '.#...#..', '..#.#...', '...#....', '..#.#...', '.#...#..', '#.....#.', '........'])

picture('type_toolbar.bmp', 'type_toolbar_mask.bmp', (0, 128, 192), inbox(0, 4, 15, 11))
picture('type_toolgroup.bmp', 'type_toolgroup_mask.bmp', (0, 160, 80),
        lambda x, y: inbox(1, 1, 7, 14)(x, y) or inbox(9, 1, 14, 14)(x, y))
picture('type_taskbar.bmp', 'type_taskbar_mask.bmp', (160, 160, 160), inbox(0, 9, 15, 15))

patterns = [
    lambda x, y: 4 if (x // 4 + y // 4) % 2 else 12,                # 1 navy checks
    lambda x, y: 8 if (x + y) % 8 < 4 else 7,                        # 2 grey stripes
    lambda x, y: 2 if (x * x + y * y) % 23 < 11 else 6,              # 3 green weave
    lambda x, y: 8 if x % 8 == 0 or y % 8 == 0 else 7,               # 4 tiles
    lambda x, y: 7 if (x ^ y) & 4 else 15,                           # 5 light grid
    lambda x, y: 1 if (x + 2 * y) % 12 < 6 else 5,                   # 6 maroon waves
    lambda x, y: 0 if (x // 2 + y // 2) % 3 == 0 else 8,             # 7 dark dots
    lambda x, y: 4 if (x - y) % 10 < 5 else 0,                       # 8 blue slant
    lambda x, y: 7 if (x * 3 + y * 5) % 16 < 8 else 8,               # 9 granite
    lambda x, y: 6 if (x // 8 + y // 8) % 2 else 2,                  # 10 teal squares
]
for i, p in enumerate(patterns, 1):
    bmp('background%02d.bmp' % i, 32, 32, 4, VGA, [[p(x, y) for x in range(32)] for y in range(32)])

# Icon: 32 x 32 and 16 x 16, 4-bit, a bar with three coloured marks.
def bar_icon(size):
    rows = []
    for y in range(size):
        row = []
        for x in range(size):
            band = size // 4 <= y < size - size // 4
            if not band:
                row.append(None)
            elif y in (size // 4, size - size // 4 - 1) or x in (0, size - 1):
                row.append(0)
            else:
                seg = x * 3 // size
                row.append([12, 10, 9][seg] if (size // 4 + 2) <= y < size - size // 4 - 2 and x % (size // 3) > 1 else 7)
        rows.append(row)
    return rows

write_icon('jqbar.ico', [(size, 16, 4, icon_image_vga(bar_icon(size))) for size in (32, 16)])
