#!/usr/bin/env python3
# Draws JQSeek's pictures with ImageMagick: the program icon and the five frames of the search
# animation (a magnifier sweeping over a page), the toolbar bitmap (24 images of 16 x 16 on the
# button-face grey) and the drive tree's check-box state images (red is the mask colour).
# Run it again after changing a picture: python3 draw_images.py
import os, subprocess

HERE = os.path.dirname(os.path.abspath(__file__))

def magick(args):
    subprocess.run(['convert'] + args, check=True)

def page_and_glass(dx, dy):
    # A page with lines and a magnifier at (dx, dy) on a 32 x 32 canvas.
    d = 'stroke #000000 fill #ffffff rectangle 4,2 22,28 '
    for y in range(7, 26, 4):
        d += 'stroke #808080 line 7,%d 19,%d ' % (y, y)
    d += 'stroke #000080 stroke-width 2 fill #c0e0ff circle %d,%d %d,%d ' % (14 + dx, 14 + dy, 20 + dx, 14 + dy)
    d += 'stroke #804000 stroke-width 3 line %d,%d %d,%d' % (19 + dx, 19 + dy, 27 + dx, 27 + dy)
    return d

def icon(name, dx, dy):
    png = os.path.join(HERE, name + '.png')
    magick(['-size', '32x32', 'xc:none', '-draw', page_and_glass(dx, dy), png])
    magick([png, '(', '-clone', '0', '-resize', '16x16', ')', os.path.join(HERE, name + '.ico')])
    os.remove(png)

icon('jqseek', 0, 0)
for i, (dx, dy) in enumerate([(-3, -3), (2, -3), (2, 2), (-3, 2), (0, 0)]):
    icon('search%d' % (i + 1), dx, dy)

# Toolbar: 24 glyphs, in the order of the image indexes the toolbar uses.
G = {
    0: 'fill #ffff80 stroke #808000 rectangle 2,4 13,13 stroke #000000 line 2,4 6,2 line 6,2 9,4',   # open search
    1: 'fill #0000c0 stroke #000000 rectangle 2,2 13,13 fill #ffffff rectangle 4,2 11,6',             # save search
    2: 'fill #ffffff stroke #000000 rectangle 3,2 12,13',                                             # reset
    3: 'fill #ffff80 stroke #808000 rectangle 1,6 9,13 stroke #008000 line 8,4 14,4 line 12,2 14,4 line 12,6 14,4',  # move to
    4: 'fill #ffff80 stroke #808000 rectangle 1,6 9,13 stroke #000080 line 8,4 14,4 line 12,2 14,4 line 12,6 14,4',  # copy to
    5: 'fill #c0c0c0 stroke #000000 rectangle 4,4 11,14 line 3,3 12,3 line 6,6 6,12 line 9,6 9,12',   # recycle
    6: 'stroke #c00000 stroke-width 2 line 3,3 12,12 line 12,3 3,12',                                  # delete
    7: 'fill #ffffff stroke #000000 rectangle 3,2 12,13',
    8: 'fill #c0c0c0 stroke #000000 rectangle 1,7 14,12 fill #ffffff rectangle 4,2 11,7',             # print files
    9: 'fill #c0c0c0 stroke #000000 rectangle 1,7 14,12 fill #ffffff rectangle 4,2 11,7 stroke #000080 line 5,4 10,4',  # print list
    10: 'stroke #000080 fill #000080 rectangle 2,2 13,4 rectangle 2,6 13,8 rectangle 2,10 13,12',      # select all
    11: 'stroke #000080 fill none rectangle 2,2 13,4 rectangle 2,6 13,8 rectangle 2,10 13,12',         # select none
    12: 'stroke #000080 fill #000080 rectangle 2,2 13,4 fill none rectangle 2,6 13,8 fill #000080 rectangle 2,10 13,12',  # select
    13: 'stroke #000080 fill none rectangle 2,2 13,4 fill #000080 rectangle 2,6 13,8 fill none rectangle 2,10 13,12',     # invert
    14: 'fill #ffff80 stroke #000000 rectangle 2,2 13,13',                                             # large icons
    15: 'fill #ffff80 stroke #000000 rectangle 1,1 6,6 rectangle 9,1 14,6 rectangle 1,9 6,14 rectangle 9,9 14,14',
    16: 'fill #ffff80 stroke #000000 rectangle 1,2 3,4 rectangle 1,7 3,9 rectangle 1,12 3,14 line 5,3 14,3 line 5,8 14,8 line 5,13 14,13',
    17: 'stroke #000000 line 1,3 14,3 line 1,7 14,7 line 1,11 14,11 line 6,1 6,14',                  # details
    18: 'fill #ffffff stroke #000000 rectangle 1,1 14,14 fill #c0e0ff rectangle 3,8 12,12',            # viewer pane
    19: 'stroke #000000 fill none text 2,12 "N"', 20: 'stroke #000000 fill none text 2,12 "E"',
    21: 'stroke #000000 fill none text 2,12 "S"', 22: 'stroke #000000 fill none text 2,12 "T"',
    23: 'stroke #000000 fill none text 2,12 "D"',
    24: 'stroke #000000 fill none line 3,3 12,12 line 12,3 3,12 fill #ffffff circle 3,12 4,13 circle 12,12 13,13',  # cut
    25: 'fill #ffffff stroke #000000 rectangle 1,1 9,11 rectangle 5,4 13,14',                         # copy
    26: 'fill #ffffff stroke #000000 rectangle 2,1 13,14 stroke #000080 line 4,4 11,4 line 4,7 11,7',  # properties
    27: 'fill #ffffff stroke #000000 rectangle 1,4 14,11 stroke #000000 line 4,6 4,9',                  # rename
    28: 'fill #ffffff stroke #000000 rectangle 1,3 14,12 line 1,3 7,8 line 7,8 14,3',                  # mail
}
count = 29
args = ['-size', '%dx16' % (16 * count), 'xc:#c0c0c0']
for i in range(count):
    if i in G:
        args += ['-draw', 'translate %d,0 %s' % (16 * i, G[i])]
args += ['-type', 'Palette', 'BMP3:' + os.path.join(HERE, 'toolbar.bmp')]
magick(args)

# Drive-tree state images: 0 nothing, 1 unchecked box, 2 checked box; red is transparent.
args = ['-size', '48x16', 'xc:#ff0000',
        '-draw', 'fill #ffffff stroke #808080 rectangle 18,2 29,13',
        '-draw', 'fill #ffffff stroke #808080 rectangle 34,2 45,13',
        '-draw', 'stroke #000000 stroke-width 2 fill none polyline 36,7 38,10 43,4',
        '-type', 'Palette', 'BMP3:' + os.path.join(HERE, 'checks.bmp')]
magick(args)
