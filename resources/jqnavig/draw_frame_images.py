#!/usr/bin/env python3
# Draws the toolbar bitmap (toolbar.bmp, resource 112: 93 images of 16 x 16) and the drive-bar
# bitmap (drives.bmp, resource 114: 6 images) with ImageMagick, crisp and without anti-aliasing,
# as 8-bit palette bitmaps on the button-face grey (192,192,192) that the toolbar maps to the
# system colour. Run it again after changing a picture: python3 draw_frame_images.py
import os, subprocess

HERE = os.path.dirname(os.path.abspath(__file__))
BLACK, WHITE, GRAY, DARK = '#000000', '#ffffff', '#c0c0c0', '#808080'
NAVY, BLUE, YELLOW, OCHRE = '#000080', '#0000ff', '#ffff00', '#808000'
RED, MAROON, GREEN, LIME = '#ff0000', '#800000', '#008000', '#00ff00'
TEAL, CYAN, PURPLE = '#008080', '#00ffff', '#800080'

def rect(x0, y0, x1, y1, fill, stroke=None):
    s = 'stroke %s ' % stroke if stroke else 'stroke none '
    return '%sfill %s rectangle %d,%d %d,%d\n' % (s, fill, x0, y0, x1, y1)
def line(x0, y0, x1, y1, color):
    return 'stroke %s fill none line %d,%d %d,%d\n' % (color, x0, y0, x1, y1)
def poly(points, fill, stroke=None):
    s = 'stroke %s ' % stroke if stroke else 'stroke none '
    return '%sfill %s polygon %s\n' % (s, fill, ' '.join('%d,%d' % p for p in points))
def px(x, y, color):
    return rect(x, y, x, y, color)
def circle(cx, cy, r, fill, stroke=None):
    s = 'stroke %s ' % stroke if stroke else 'stroke none '
    return '%sfill %s circle %d,%d %d,%d\n' % (s, fill, cx, cy, cx + r, cy)
def text(x, y, t, color, size=9):
    return 'stroke none fill %s font-size %d text %d,%d "%s"\n' % (color, size, x, y, t)

# ---- building blocks ----------------------------------------------------------------------
def doc(x=3, y=1, w=10, h=14, lines=True):
    s = poly([(x, y), (x + w - 4, y), (x + w, y + 4), (x + w, y + h - 1), (x, y + h - 1)], WHITE, BLACK)
    s += poly([(x + w - 4, y), (x + w - 4, y + 4), (x + w, y + 4)], GRAY, BLACK)
    if lines:
        for ly in range(y + 6, y + h - 2, 2):
            s += line(x + 2, ly, x + w - 2, ly, DARK)
    return s
def folder(x=1, y=3, w=14, h=11, fill=YELLOW):
    s = poly([(x, y + 1), (x + 1, y), (x + 5, y), (x + 6, y + 1), (x + w - 1, y + 1), (x + w - 1, y + h - 1), (x, y + h - 1)], fill, BLACK)
    s += line(x + 1, y + 3, x + w - 2, y + 3, OCHRE)
    return s
def arrow_right(x, y, color, length=7):
    s = rect(x, y - 1, x + length - 4, y + 1, color)
    s += poly([(x + length - 4, y - 4), (x + length, y), (x + length - 4, y + 4)], color)
    return s
def arrow_left(x, y, color, length=7):
    s = rect(x + 4, y - 1, x + length, y + 1, color)
    s += poly([(x + 4, y - 4), (x, y), (x + 4, y + 4)], color)
    return s
def arrow_up(x, y, color, length=7):
    s = rect(x - 1, y + 4, x + 1, y + length, color)
    s += poly([(x - 4, y + 4), (x, y), (x + 4, y + 4)], color)
    return s
def arrow_down(x, y, color, length=7):
    s = rect(x - 1, y, x + 1, y + length - 4, color)
    s += poly([(x - 4, y + length - 4), (x, y + length), (x + 4, y + length - 4)], color)
    return s
def window(x=1, y=2, w=14, h=12, title=NAVY):
    return rect(x, y, x + w - 1, y + h - 1, WHITE, BLACK) + rect(x + 1, y + 1, x + w - 2, y + 2, title)
def drive(x=1, y=5, w=14, h=7, light=LIME):
    s = rect(x, y, x + w - 1, y + h - 1, GRAY, BLACK)
    s += line(x + 1, y + 1, x + w - 2, y + 1, WHITE) + line(x + 1, y + h - 2, x + w - 2, y + h - 2, DARK)
    s += rect(x + 2, y + h - 4, x + 3, y + h - 3, light)
    return s
def magnifier(x=2, y=2):
    s = circle(x + 4, y + 4, 4, CYAN, BLACK) + px(x + 3, y + 3, WHITE) + px(x + 2, y + 4, WHITE)
    s += line(x + 7, y + 7, x + 11, y + 11, BLACK) + line(x + 8, y + 7, x + 12, y + 11, BLACK)
    return s
def sort_arrow(x=13):
    return rect(x, 2, x, 11, BLACK) + poly([(x - 2, 11), (x, 14), (x + 2, 11)], BLACK)
def plus(x, y, color=GREEN):
    return rect(x - 2, y, x + 2, y, color) + rect(x, y - 2, x, y + 2, color)
def minus(x, y, color=RED):
    return rect(x - 2, y, x + 2, y, color)
def star(cx, cy, fill=YELLOW):
    return poly([(cx, cy - 6), (cx + 2, cy - 2), (cx + 6, cy - 2), (cx + 3, cy + 1), (cx + 4, cy + 6),
                 (cx, cy + 3), (cx - 4, cy + 6), (cx - 3, cy + 1), (cx - 6, cy - 2), (cx - 2, cy - 2)], fill, BLACK)
def printer(x=1, y=2):
    s = rect(x + 3, y, x + 10, y + 5, WHITE, BLACK)
    s += rect(x, y + 5, x + 13, y + 10, GRAY, BLACK) + line(x + 1, y + 6, x + 12, y + 6, WHITE)
    s += rect(x + 10, y + 7, x + 11, y + 7, LIME) + rect(x + 3, y + 9, x + 10, y + 12, WHITE, BLACK)
    return s
def padlock():
    s = 'stroke %s stroke-width 2 fill none arc 4,1 11,10 180,360\n' % DARK
    s += 'stroke-width 1\n' + rect(3, 6, 12, 14, OCHRE, BLACK) + rect(7, 9, 8, 11, BLACK)
    return s
def globe(x=2, y=2, r=6):
    cx, cy = x + r, y + r
    s = circle(cx, cy, r, BLUE, NAVY)
    s += poly([(cx - 4, cy - 3), (cx - 1, cy - 4), (cx, cy - 1), (cx - 2, cy + 1), (cx - 4, cy)], LIME)
    s += poly([(cx + 1, cy + 1), (cx + 4, cy), (cx + 4, cy + 3), (cx + 2, cy + 5)], LIME)
    return s
def tiles(rects, fill=WHITE):
    return ''.join(rect(a, b, c, d, fill, BLACK) + rect(a + 1, b + 1, c - 1, b + 2, NAVY) for a, b, c, d in rects)
def panes(kind):
    s = rect(1, 2, 14, 13, WHITE, BLACK) + rect(2, 3, 13, 4, NAVY)
    if kind == 'one':
        s += line(5, 5, 5, 12, BLACK)
    elif kind == 'stacked':
        s += line(2, 8, 13, 8, BLACK) + line(5, 5, 5, 7, BLACK) + line(5, 9, 5, 12, BLACK)
    elif kind == 'side':
        s += line(7, 5, 7, 12, BLACK) + line(4, 5, 4, 12, DARK) + line(10, 5, 10, 12, DARK)
    return s
def tree_glyph():
    s = line(3, 3, 3, 13, DARK) + line(3, 7, 6, 7, DARK) + line(3, 12, 6, 12, DARK)
    s += folder(1, 1, 6, 4) + folder(7, 5, 7, 4) + folder(7, 10, 7, 4)
    return s
def bin_(full=False):
    s = poly([(3, 4), (12, 4), (11, 14), (4, 14)], WHITE, BLACK) + rect(2, 2, 13, 3, GRAY, BLACK)
    s += line(6, 6, 6, 12, DARK) + line(9, 6, 9, 12, DARK)
    if full:
        s += poly([(4, 1), (8, 0), (11, 2)], GREEN)
    return s
def red_x(x=3, y=3, n=9):
    return ('stroke %s stroke-width 2 line %d,%d %d,%d line %d,%d %d,%d stroke-width 1\n'
            % (RED, x, y, x + n, y + n, x + n, y, x, y + n))
def disk(x=2, y=2):
    s = rect(x, y, x + 11, y + 11, NAVY, BLACK) + rect(x + 3, y + 1, x + 8, y + 4, GRAY)
    s += rect(x + 2, y + 7, x + 9, y + 11, WHITE)
    return s
def envelope():
    return rect(1, 4, 14, 12, WHITE, BLACK) + line(1, 4, 7, 9, BLACK) + line(14, 4, 8, 9, BLACK)
def clock():
    return circle(8, 8, 6, WHITE, BLACK) + line(8, 8, 8, 4, BLACK) + line(8, 8, 11, 8, BLACK) + px(8, 8, RED)
def pencil(x=0, y=0):
    s = poly([(x + 11, y + 1), (x + 14, y + 4), (x + 6, y + 12), (x + 3, y + 9)], YELLOW, BLACK)
    s += poly([(x + 3, y + 9), (x + 6, y + 12), (x + 2, y + 13)], WHITE, BLACK)
    return s
def zipbox():
    s = rect(2, 3, 13, 13, OCHRE, BLACK) + rect(6, 3, 9, 13, GRAY, BLACK)
    for yy in range(4, 13, 2):
        s += line(6, yy, 9, yy, BLACK)
    return s
def gear(cx=11, cy=11):
    s = circle(cx, cy, 3, DARK, BLACK) + px(cx, cy, GRAY)
    for dx, dy in ((0, -4), (0, 4), (-4, 0), (4, 0)):
        s += px(cx + dx, cy + dy, BLACK)
    return s
def refresh():
    s = 'stroke %s stroke-width 2 fill none arc 2,2 13,13 200,480 stroke-width 1\n' % GREEN
    s += poly([(10, 0), (14, 3), (10, 6)], GREEN)
    return s

I = {}  # image index -> drawing
I[0] = (line(4, 2, 9, 9, BLACK) + line(11, 2, 6, 9, BLACK) + circle(5, 12, 2, GRAY, RED) + circle(10, 12, 2, GRAY, RED))  # cut
I[1] = doc(1, 1, 8, 10) + doc(6, 5, 8, 10)                                     # copy
I[2] = rect(2, 2, 11, 14, OCHRE, BLACK) + rect(5, 1, 8, 3, GRAY, BLACK) + doc(6, 5, 8, 10)  # paste
I[3] = doc(3, 1) + plus(11, 12)                                                # new file
I[4] = ('stroke %s stroke-width 2 fill none arc 3,4 13,14 180,360 stroke-width 1\n' % NAVY
        + poly([(1, 6), (7, 6), (4, 10)], NAVY))                              # undo
I[5] = doc(0, 1, 10, 14, False) + text(3, 13, '.x', NAVY) + sort_arrow()  # sort by extension
I[6] = doc(2, 1, 10, 14, False) + rect(4, 5, 9, 5, NAVY) + rect(4, 8, 9, 8, NAVY) + rect(4, 11, 7, 11, NAVY) + px(12, 12, RED)  # properties
I[7] = window() + rect(2, 9, 13, 12, CYAN) + line(2, 8, 13, 8, BLACK)        # viewer pane
I[8] = magnifier(0, 0) + doc(8, 5, 7, 10, False)                              # quick view
I[9] = tiles([(1, 1, 7, 7), (9, 1, 15, 7), (1, 9, 7, 15), (9, 9, 15, 15)])   # large icons
I[10] = ''.join(rect(1 + 7 * c, 2 + 5 * r, 3 + 7 * c, 4 + 5 * r, NAVY) + line(5 + 7 * c, 3 + 5 * r, 6 + 7 * c, 3 + 5 * r, BLACK) for c in range(2) for r in range(3))  # small icons
I[11] = ''.join(rect(1 + 8 * c, 2 + 4 * r, 2 + 8 * c, 3 + 4 * r, NAVY) + line(4 + 8 * c, 2 + 4 * r, 6 + 8 * c, 2 + 4 * r, BLACK) for c in range(2) for r in range(4))  # list
I[12] = ''.join(rect(1, 2 + 4 * r, 2, 3 + 4 * r, NAVY) + line(4, 2 + 4 * r, 8, 2 + 4 * r, BLACK) + line(10, 2 + 4 * r, 14, 2 + 4 * r, DARK) for r in range(4))  # details
I[13] = text(2, 7, 'A', NAVY, 8) + text(2, 15, 'Z', NAVY, 8) + sort_arrow()   # by name
I[14] = rect(1, 10, 3, 14, NAVY) + rect(5, 6, 7, 14, NAVY) + rect(9, 2, 11, 14, NAVY) + sort_arrow()  # by size
I[15] = rect(0, 2, 10, 13, WHITE, BLACK) + rect(0, 2, 10, 4, RED) + ''.join(px(2 + 2 * c, 7 + 2 * r, BLACK) for c in range(4) for r in range(3)) + sort_arrow()  # by date
I[16] = rect(1, 1, 5, 5, RED) + circle(3, 10, 2, GREEN) + poly([(7, 14), (9, 10), (11, 14)], BLUE) + sort_arrow()  # by type
I[17] = window(1, 3, 8, 7) + window(4, 6, 8, 7) + window(7, 9, 8, 6) + plus(13, 2)     # new window, cascaded
I[18] = window(1, 4, 12, 5) + window(1, 10, 12, 5) + plus(13, 2)                # new window, tiled horizontally
I[19] = window(1, 4, 6, 11) + window(7, 4, 6, 11) + plus(13, 2)                 # new window, tiled vertically
I[20] = doc(1, 1) + arrow_right(6, 11, GREEN, 9)                                # send
I[21] = rect(1, 5, 14, 11, WHITE, BLACK) + text(2, 11, 'ab', BLACK) + line(12, 3, 12, 13, BLACK)  # rename
I[22] = folder() + text(5, 12, 'A', NAVY)                                       # folder name
I[23] = folder(1, 5, 10, 9) + doc(8, 0, 7, 8, False) + arrow_down(11, 4, RED, 6)   # move to
I[24] = folder(1, 5, 10, 9) + doc(8, 0, 7, 8, False) + plus(12, 12)           # copy to
I[25] = tree_glyph()                                                            # folder list
I[26] = window(1, 1, 14, 14, TEAL)                                              # tool window
I[27] = disk() + doc(8, 4, 7, 10, False)                                        # copy disk
I[28] = disk() + rect(4, 9, 11, 12, YELLOW, BLACK)                              # label disk
I[29] = disk() + text(5, 13, 'F', RED)                                          # format disk
I[30] = drive() + plus(8, 2)                                                    # add drive
I[31] = drive() + minus(8, 2)                                                   # remove drive
I[32] = bin_(True)                                                              # to recycle bin
I[33] = doc(2, 1, 10, 14) + red_x()                                             # delete
I[34] = folder() + plus(12, 3)                                                  # new folder
I[35] = doc(2, 1) + rect(7, 9, 13, 14, WHITE, BLACK) + arrow_up(10, 10, BLACK, 4)   # new shortcut
I[36] = window() + arrow_right(3, 9, GREEN)                                     # run
I[37] = printer()                                                               # print files
I[38] = printer() + line(4, 13, 11, 13, NAVY)                                   # print list
I[39] = doc(1, 1) + pencil(1, 2)                                                # edit
I[40] = rect(1, 2, 14, 13, WHITE, BLACK) + poly([(2, 12), (6, 6), (9, 10), (11, 8), (13, 12)], GREEN) + circle(11, 5, 1, YELLOW)  # convert picture
I[41] = doc(1, 1) + gear()                                                      # open with
I[42] = doc(2, 1) + rect(6, 8, 14, 12, RED, BLACK)                              # wipe
I[43] = clock()                                                                 # set date and time
I[44] = padlock()                                                               # encrypt
I[45] = rect(3, 1, 10, 14, OCHRE, BLACK) + poly([(10, 1), (13, 3), (13, 15), (10, 14)], MAROON) + arrow_right(1, 8, RED, 6)  # exit
I[46] = ''.join(px(x, 2, BLACK) + px(x, 13, BLACK) for x in range(2, 14, 2)) + ''.join(px(2, y, BLACK) + px(13, y, BLACK) for y in range(2, 14, 2)) + rect(5, 5, 10, 10, NAVY)  # select
I[47] = rect(2, 2, 13, 13, NAVY, BLACK) + line(4, 8, 7, 11, WHITE) + line(7, 11, 11, 4, WHITE)  # select all
I[48] = zipbox() + arrow_down(8, 0, RED, 5)                                     # zip to
I[49] = zipbox() + arrow_up(8, 0, GREEN, 5)                                     # unzip
I[50] = doc(1, 1) + text(5, 14, '01', RED, 8)                                   # decode files
I[51] = tree_glyph() + plus(13, 2)                                              # expand one level
I[52] = tree_glyph() + text(10, 7, '*', RED, 10)                                # expand branch
I[53] = drive(1, 1, 14, 7) + plus(8, 12)                                        # expand drive
I[54] = tree_glyph() + minus(13, 2)                                             # collapse branch
I[55] = envelope()                                                              # e-mail
I[56] = drive(1, 1, 14, 7) + minus(8, 12)                                       # collapse drive
I[57] = panes('one')                                                            # one pane
I[58] = arrow_left(2, 8, GREEN, 12)                                             # back
I[59] = arrow_right(2, 8, GREEN, 12)                                            # forward
I[60] = star(8, 8)                                                              # favorites
I[61] = panes('stacked')                                                        # two panes stacked
I[62] = panes('side')                                                           # two panes side by side
I[63] = arrow_right(1, 5, NAVY, 13) + arrow_left(1, 11, RED, 13)               # swap panes
I[64] = poly([(1, 2), (14, 2), (9, 8), (9, 14), (6, 12), (6, 8)], CYAN, BLACK)  # filters
I[65] = folder() + arrow_up(8, 4, GREEN, 8)                                     # up one level
I[66] = folder() + arrow_right(3, 9, NAVY, 9)                                   # go to folder
I[67] = drive() + arrow_right(3, 2, NAVY, 9)                                    # go to drive
I[68] = star(7, 8) + plus(13, 3)                                                # new favorite
I[69] = folder() + star(11, 10) + plus(3, 2)                                    # add folder to favorites
I[70] = text(1, 13, 'A', NAVY, 13) + text(9, 14, 'a', RED, 9)                   # list font
I[71] = rect(1, 4, 14, 9, GRAY, BLACK) + rect(3, 5, 5, 7, NAVY) + rect(7, 5, 9, 7, NAVY) + gear(11, 11)  # customise toolbar
I[72] = rect(1, 4, 14, 9, GRAY, BLACK) + rect(3, 5, 5, 7, RED) + rect(7, 5, 9, 7, GREEN) + gear(11, 11)  # customise launch bar
I[73] = rect(0, 4, 15, 11, GRAY, BLACK) + drive(2, 5, 6, 5) + drive(9, 5, 6, 5)  # drive bar
I[74] = rect(0, 4, 15, 11, GRAY, BLACK) + rect(2, 6, 5, 9, RED) + rect(7, 6, 10, 9, BLUE)  # launch bar
I[75] = rect(0, 4, 15, 11, BLACK) + text(1, 10, 'C:>', WHITE, 7)               # command line bar
I[76] = magnifier()                                                             # find files
I[77] = doc(6, 1, 9, 14) + magnifier(0, 3)                                      # find with the shell
I[78] = disk() + red_x(5, 8, 5)                                                 # clear diskette
I[79] = folder(1, 1, 7, 6) + folder(8, 8, 7, 6) + text(9, 7, '=', RED, 9)        # compare folders
I[80] = folder(1, 1, 7, 6) + folder(8, 8, 7, 6) + arrow_right(2, 11, GREEN, 5) + arrow_left(9, 4, GREEN, 5)  # synchronise
I[81] = drive() + line(8, 12, 8, 15, BLACK) + line(3, 15, 13, 15, BLACK)        # map network drive
I[82] = drive() + line(8, 12, 8, 13, BLACK) + red_x(5, 12, 3)                   # disconnect
I[83] = rect(2, 6, 13, 14, OCHRE, BLACK) + poly([(2, 6), (5, 2), (10, 2), (13, 6)], YELLOW, BLACK)  # add/remove programs
I[84] = bin_()                                                                  # empty recycle bin
I[85] = rect(1, 2, 14, 13, BLACK) + rect(1, 2, 14, 3, NAVY) + text(2, 11, 'C:\\\\', WHITE, 7)  # command prompt
I[86] = refresh()                                                               # refresh
I[87] = window(1, 1, 11, 10) + window(4, 5, 11, 10)                             # new window
I[88] = window(1, 1, 9, 8) + window(4, 4, 9, 8) + window(7, 7, 9, 8)           # cascade
I[89] = window(1, 1, 14, 7) + window(1, 8, 14, 7)                              # tile horizontally
I[90] = window(1, 1, 7, 14) + window(8, 1, 7, 14)                              # tile vertically
I[91] = globe()                                                                 # FTP
I[92] = circle(8, 8, 6, YELLOW, BLACK) + text(5, 13, '?', NAVY, 12)            # help

D = {  # drive bar, resource 114
    0: rect(2, 1, 13, 14, BLACK) + rect(4, 1, 11, 5, GRAY) + rect(4, 8, 11, 14, WHITE) + px(12, 2, GRAY),  # removable
    1: drive(1, 5),                                                              # fixed
    2: drive(1, 2, 14, 7) + line(8, 9, 8, 12, BLACK) + line(2, 13, 14, 13, GREEN),  # remote
    3: circle(8, 8, 6, WHITE, DARK) + circle(8, 8, 4, CYAN) + circle(8, 8, 1, GRAY, DARK),  # CD-ROM
    4: rect(1, 4, 14, 11, GREEN, BLACK) + ''.join(rect(3 + 3 * i, 6, 4 + 3 * i, 9, BLACK) for i in range(4)) + ''.join(line(2 + 2 * i, 12, 2 + 2 * i, 13, OCHRE) for i in range(7)),  # RAM disk
    5: folder() + arrow_up(8, 4, GREEN, 8),                                      # up one level
}

def render(images, count, path):
    mvg = ['viewbox 0 0 %d 16' % (16 * count), 'stroke-antialias false', 'text-antialias false',
           'font DejaVu-Sans-Bold']
    for i in range(count):
        mvg.append('push graphic-context')
        mvg.append('translate %d,0' % (16 * i))
        mvg.append('stroke-width 1')
        mvg.append(images[i])
        mvg.append('pop graphic-context')
    subprocess.check_call(['convert', '-size', '%dx16' % (16 * count), 'xc:rgb(192,192,192)', '+antialias',
                           '-draw', '\n'.join(mvg), '+dither', '-colors', '256', '-type', 'Palette',
                           'BMP3:' + path])

render(I, 93, os.path.join(HERE, 'toolbar.bmp'))
render(D, 6, os.path.join(HERE, 'drives.bmp'))
