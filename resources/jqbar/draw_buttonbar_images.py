#!/usr/bin/env python3
"""Draws the button bar's and the command line's pictures: the two panel-type pictures with
their masks (16 x 16), the default button icons (small and large) and the two group-tab icons.
Run it in this folder to write the files."""
from bitmap_files import icon_image_rgb, inbox, picture, write_icon

# Button bar: three buttons side by side; command line: a box with a prompt.
picture('type_buttonbar.bmp', 'type_buttonbar_mask.bmp', (224, 192, 64),
        lambda x, y: any(inbox(l, 4, l + 3, 11)(x, y) for l in (1, 6, 11)))
picture('type_cmdline.bmp', 'type_cmdline_mask.bmp', (255, 255, 255), inbox(0, 4, 15, 11))

def icon(path, sizes, paint):
    """paint(size, x, y) -> (r, g, b) or None for transparent. 24-bit images with an AND mask."""
    write_icon(path, [(size, 0, 24, icon_image_rgb(size, paint)) for size in sizes])

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
