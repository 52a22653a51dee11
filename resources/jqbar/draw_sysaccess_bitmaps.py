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

def write_ico(path, size, pixel):
    """A 4-bit icon of `size` x `size` in the VGA palette; pixel(x, y) gives a colour index, or
    None for transparent."""
    rows = [[pixel(x, y) for x in range(size)] for y in range(size)]
    write_icon(path, [(size, 16, 4, icon_image_vga(rows))])

def icon(path, art):
    colours = {'.': None, '#': 0, 'g': 10, 'd': 8, 'l': 7}
    write_ico(path, 16, lambda x, y: colours[art[y][x]])

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

# The System Access actions' pictures: each action has a 32 x 32 icon (its id) and a 16 x 16 one
# (id + 6), drawn from one shape at both sizes. A shape answers a colour index of the VGA palette,
# or None for transparent, at a point (u, v) of the unit square.
def shape_icon(path, size, paint):
    write_ico(path, size, lambda x, y: paint((x + 0.5) / size, (y + 0.5) / size))

BLACK, MAROON, GREEN, OLIVE, NAVY, PURPLE, TEAL, SILVER, GREY, RED, LIME, YELLOW, BLUE, FUCHSIA, AQUA, WHITE = range(16)

def ring(u, v, cx, cy, r0, r1):
    d = ((u - cx) ** 2 + (v - cy) ** 2) ** 0.5
    return r0 <= d <= r1

def rect(u, v, l, t, r, b):
    return l <= u <= r and t <= v <= b

def power(u, v):  # shut down: a red power sign on a dark disc
    if rect(u, v, 0.44, 0.1, 0.56, 0.5): return WHITE
    if ring(u, v, 0.5, 0.55, 0.24, 0.34) and not (v < 0.5 and abs(u - 0.5) < 0.16): return WHITE
    if ring(u, v, 0.5, 0.52, 0, 0.47): return RED
    return None

def restart(u, v):  # restart: a green arrow going round
    if ring(u, v, 0.5, 0.5, 0.26, 0.4) and not (u > 0.5 and v < 0.5): return GREEN
    if rect(u, v, 0.5, 0.02, 0.95, 0.5) and (v - 0.02) > abs(u - 0.72) * 1.1 and v < 0.4: return GREEN
    return None

def restart_windows(u, v):  # restart Windows: the four-colour window with a green arrow
    if ring(u, v, 0.5, 0.5, 0.36, 0.47) and not (u > 0.5 and v < 0.5): return GREEN
    for (l, t, c) in ((0.27, 0.27, RED), (0.52, 0.27, LIME), (0.27, 0.52, BLUE), (0.52, 0.52, YELLOW)):
        if rect(u, v, l, t, l + 0.21, t + 0.21): return c
    return None

def dos(u, v):  # MS-DOS mode: a black screen with a prompt
    if rect(u, v, 0.18, 0.55, 0.32, 0.62) or rect(u, v, 0.38, 0.55, 0.6, 0.62): return SILVER
    if rect(u, v, 0.06, 0.12, 0.94, 0.82): return BLACK
    if rect(u, v, 0.3, 0.82, 0.7, 0.94): return GREY
    return None

def logon(u, v):  # log on as another user: a person with a key
    if ring(u, v, 0.4, 0.3, 0, 0.17): return OLIVE if ring(u, v, 0.4, 0.3, 0.14, 0.17) else YELLOW
    if ring(u, v, 0.4, 0.95, 0, 0.4) and v > 0.52: return NAVY
    if rect(u, v, 0.62, 0.62, 0.95, 0.7) or ring(u, v, 0.7, 0.66, 0, 0.1): return OLIVE
    return None

def resolution(u, v):  # screen resolution: a monitor with arrows to its corners
    if rect(u, v, 0.06, 0.1, 0.94, 0.74):
        if rect(u, v, 0.12, 0.16, 0.88, 0.68):
            if abs((u - 0.5) - (v - 0.42) * 1.6) < 0.05 or abs((u - 0.5) + (v - 0.42) * 1.6) < 0.05: return WHITE
            return TEAL
        return SILVER
    if rect(u, v, 0.4, 0.74, 0.6, 0.84) or rect(u, v, 0.22, 0.84, 0.78, 0.94): return GREY
    return None

def print_screen(u, v):  # print screen: a printer with a picture coming out
    if rect(u, v, 0.25, 0.06, 0.75, 0.42): return AQUA if rect(u, v, 0.3, 0.1, 0.7, 0.38) else WHITE
    if rect(u, v, 0.04, 0.42, 0.96, 0.8): return GREEN if rect(u, v, 0.8, 0.5, 0.88, 0.56) else SILVER
    if rect(u, v, 0.12, 0.8, 0.88, 0.94): return GREY
    return None

def screen_saver(u, v):  # screen saver: a monitor showing the moon and a star at night
    if rect(u, v, 0.06, 0.1, 0.94, 0.74):
        if rect(u, v, 0.12, 0.16, 0.88, 0.68):
            if ring(u, v, 0.38, 0.4, 0, 0.16) and not ring(u, v, 0.45, 0.35, 0, 0.15): return YELLOW
            if abs(u - 0.7) + abs(v - 0.3) < 0.06: return WHITE
            return NAVY
        return SILVER
    if rect(u, v, 0.4, 0.74, 0.6, 0.84) or rect(u, v, 0.22, 0.84, 0.78, 0.94): return GREY
    return None

for name, paint in (('shutdown', power), ('restart', restart), ('restartwin', restart_windows), ('dosmode', dos),
                    ('logon', logon), ('resolution', resolution), ('printscreen', print_screen),
                    ('screensaver', screen_saver)):
    shape_icon('sa_%s.ico' % name, 32, paint)
    shape_icon('sa_%s_small.ico' % name, 16, paint)
