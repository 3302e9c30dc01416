#!/usr/bin/env python3
"""Writes the program's own skin folder, skin-tessavane, from nothing but code.

Every picture is drawn here with integer arithmetic (fills, one-pixel
bevels, vertical gradients, rounded corners from a fixed mask, glyphs from
ASCII patterns); no fonts, no randomness, no time stamps, so two runs give the
same bytes. The rectangles in skin.ini are taken from where the packer put
each picture, never typed by hand.

usage: skingen.py <output folder> [--test | --seeds]
  --test   writes the small flat-colour skin the tests use instead;
  --seeds  writes the seed inputs of the skin fuzzers.
"""
import os
import struct
import sys
import zlib

# ------------------------------------------------------------------ pictures


class Canvas:
    def __init__(self, w, h, fill=(255, 0, 255)):
        self.w, self.h = w, h
        self.px = [list(fill) + [255] for _ in range(w * h)]

    def put(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            self.px[y * self.w + x] = list(c[:3]) + [c[3] if len(c) > 3 else 255]

    def fill(self, x, y, w, h, c):
        for j in range(y, y + h):
            for i in range(x, x + w):
                self.put(i, j, c)

    def frame(self, x, y, w, h, c):
        for i in range(x, x + w):
            self.put(i, y, c)
            self.put(i, y + h - 1, c)
        for j in range(y, y + h):
            self.put(x, j, c)
            self.put(x + w - 1, j, c)

    def vgrad(self, x, y, w, h, top, bottom):
        for j in range(h):
            c = tuple(top[k] + (bottom[k] - top[k]) * j // max(1, h - 1) for k in range(3))
            self.fill(x, y + j, w, 1, c)

    def rounded(self, x, y, w, h, c, border, bg, radius=3):
        """A filled box with a one-pixel border and its corners cut round."""
        self.fill(x, y, w, h, c)
        self.frame(x, y, w, h, border)
        if radius >= 2:
            for (cx, cy) in ((x, y), (x + w - 1, y), (x, y + h - 1), (x + w - 1, y + h - 1)):
                self.put(cx, cy, bg)

    def glyph(self, x, y, pattern, c):
        for j, row in enumerate(pattern):
            for i, ch in enumerate(row):
                if ch == '#':
                    self.put(x + i, y + j, c)

    def bmp(self):
        row = (self.w * 3 + 3) & ~3
        data = bytearray()
        for y in range(self.h - 1, -1, -1):
            line = bytearray()
            for x in range(self.w):
                r, g, b, _ = self.px[y * self.w + x]
                line += bytes((b, g, r))
            line += b'\0' * (row - len(line))
            data += line
        head = struct.pack('<2sIHHI', b'BM', 54 + len(data), 0, 0, 54)
        info = struct.pack('<IiiHHIIiiII', 40, self.w, self.h, 1, 24, 0, len(data), 2835, 2835, 0, 0)
        return head + info + bytes(data)

    def png(self):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                raw += bytes(self.px[y * self.w + x])

        def chunk(t, d):
            return struct.pack('>I', len(d)) + t + d + struct.pack('>I', zlib.crc32(t + d) & 0xffffffff)
        return (b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', self.w, self.h, 8, 6, 0, 0, 0)) +
                chunk(b'IDAT', zlib.compress(bytes(raw), 9)) + chunk(b'IEND', b''))

    def jpeg(self):
        return encode_jpeg(self)


# Baseline JPEG, 4:4:4, standard tables at quality 90: enough for the
# test skin's JPEG picture, and it keeps the generator free of any library.
ZIGZAG = [0, 1, 8, 16, 9, 2, 3, 10, 17, 24, 32, 25, 18, 11, 4, 5, 12, 19, 26, 33, 40, 48, 41, 34, 27, 20, 13, 6,
          7, 14, 21, 28, 35, 42, 49, 56, 57, 50, 43, 36, 29, 22, 15, 23, 30, 37, 44, 51, 58, 59, 52, 45, 38, 31,
          39, 46, 53, 60, 61, 54, 47, 55, 62, 63]
LUM_Q = [16, 11, 10, 16, 24, 40, 51, 61, 12, 12, 14, 19, 26, 58, 60, 55, 14, 13, 16, 24, 40, 57, 69, 56, 14, 17,
         22, 29, 51, 87, 80, 62, 18, 22, 37, 56, 68, 109, 103, 77, 24, 35, 55, 64, 81, 104, 113, 92, 49, 64, 78,
         87, 103, 121, 120, 101, 72, 92, 95, 98, 112, 100, 103, 99]
CHR_Q = [17, 18, 24, 47, 99, 99, 99, 99, 18, 21, 26, 66, 99, 99, 99, 99, 24, 26, 56, 99, 99, 99, 99, 99, 47, 66,
         99, 99, 99, 99, 99, 99] + [99] * 32
DC_L_BITS = [0, 1, 5, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0, 0, 0]
DC_L_VAL = list(range(12))
DC_C_BITS = [0, 3, 1, 1, 1, 1, 1, 1, 1, 1, 1, 0, 0, 0, 0, 0]
DC_C_VAL = list(range(12))
AC_L_BITS = [0, 2, 1, 3, 3, 2, 4, 3, 5, 5, 4, 4, 0, 0, 1, 0x7d]
AC_L_VAL = bytes.fromhex(
    '01020300041105122131410613516107227114328191a1082342b1c11552d1f02433627282090a161718191a25262728292a3435'
    '363738393a434445464748494a535455565758595a636465666768696a737475767778797a838485868788898a92939495969798'
    '999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae1e2e3e4e5e6e7e8e9eaf1f2f3f4'
    'f5f6f7f8f9fa')
AC_C_BITS = [0, 2, 1, 2, 4, 4, 3, 4, 7, 5, 4, 4, 0, 1, 2, 0x77]
AC_C_VAL = bytes.fromhex(
    '000102031104052131061241510761711322328108144291a1b1c109233352f0156272d10a162434e125f11718191a26272829'
    '2a35363738393a434445464748494a535455565758595a636465666768696a737475767778797a82838485868788898a92939495'
    '969798999aa2a3a4a5a6a7a8a9aab2b3b4b5b6b7b8b9bac2c3c4c5c6c7c8c9cad2d3d4d5d6d7d8d9dae2e3e4e5e6e7e8e9eaf2f3'
    'f4f5f6f7f8f9fa')


def huff_table(bits, vals):
    table, code, k = {}, 0, 0
    for length in range(1, 17):
        for _ in range(bits[length - 1]):
            table[vals[k]] = (code, length)
            code += 1
            k += 1
        code <<= 1
    return table


def encode_jpeg(cv, quality=90):
    scale = 5000 // quality if quality < 50 else 200 - quality * 2

    def qt(base):
        return [min(255, max(1, (q * scale + 50) // 100)) for q in base]
    ql, qc = qt(LUM_Q), qt(CHR_Q)
    import math
    cos = [[math.cos((2 * x + 1) * u * math.pi / 16) for x in range(8)] for u in range(8)]
    tables = [(huff_table(DC_L_BITS, DC_L_VAL), huff_table(AC_L_BITS, AC_L_VAL)),
              (huff_table(DC_C_BITS, DC_C_VAL), huff_table(AC_C_BITS, AC_C_VAL))]
    out = bytearray()
    acc = [0, 0]  # bit buffer, bit count

    def bits(code, n):
        for i in range(n - 1, -1, -1):
            acc[0] = (acc[0] << 1) | ((code >> i) & 1)
            acc[1] += 1
            if acc[1] == 8:
                out.append(acc[0])
                if acc[0] == 0xFF:
                    out.append(0)
                acc[0] = acc[1] = 0

    def magnitude(v):
        n = abs(v).bit_length()
        return n, (v if v >= 0 else v + (1 << n) - 1)

    prev = [0, 0, 0]
    for by in range(0, cv.h, 8):
        for bx in range(0, cv.w, 8):
            blocks = [[0.0] * 64 for _ in range(3)]
            for y in range(8):
                for x in range(8):
                    r, g, b, _ = cv.px[min(by + y, cv.h - 1) * cv.w + min(bx + x, cv.w - 1)]
                    blocks[0][y * 8 + x] = 0.299 * r + 0.587 * g + 0.114 * b - 128
                    blocks[1][y * 8 + x] = -0.168736 * r - 0.331264 * g + 0.5 * b
                    blocks[2][y * 8 + x] = 0.5 * r - 0.418688 * g - 0.081312 * b
            for comp in range(3):
                q = ql if comp == 0 else qc
                dc_t, ac_t = tables[0 if comp == 0 else 1]
                blk = blocks[comp]
                # Separable DCT: rows, then columns.
                tmp = [0.0] * 64
                for y in range(8):
                    row = blk[y * 8:y * 8 + 8]
                    for u in range(8):
                        cu = cos[u]
                        tmp[y * 8 + u] = sum(row[x] * cu[x] for x in range(8))
                coef = [0] * 64
                for u in range(8):
                    col = [tmp[y * 8 + u] for y in range(8)]
                    for v in range(8):
                        cvv = cos[v]
                        s = sum(col[y] * cvv[y] for y in range(8))
                        a = (0.7071067811865476 if u == 0 else 1.0) * (0.7071067811865476 if v == 0 else 1.0)
                        coef[v * 8 + u] = int(round(s * a / 4 / q[v * 8 + u]))
                zz = [coef[ZIGZAG[i]] for i in range(64)]
                diff = zz[0] - prev[comp]
                prev[comp] = zz[0]
                n, m = magnitude(diff)
                bits(*dc_t[n])
                bits(m, n)
                run = 0
                for i in range(1, 64):
                    if zz[i] == 0:
                        run += 1
                        continue
                    while run > 15:
                        bits(*ac_t[0xF0])
                        run -= 16
                    n, m = magnitude(zz[i])
                    bits(*ac_t[(run << 4) | n])
                    bits(m, n)
                    run = 0
                if run:
                    bits(*ac_t[0x00])
    if acc[1]:
        bits((1 << (8 - acc[1])) - 1, 8 - acc[1])

    def seg(marker, payload):
        return struct.pack('>BBH', 0xFF, marker, len(payload) + 2) + payload
    hdr = b'\xff\xd8' + seg(0xE0, b'JFIF\0\x01\x01\0\0\x01\0\x01\0\0')
    hdr += seg(0xDB, bytes([0]) + bytes(ql[ZIGZAG[i]] for i in range(64)) +
               bytes([1]) + bytes(qc[ZIGZAG[i]] for i in range(64)))
    hdr += seg(0xC0, struct.pack('>BHHB', 8, cv.h, cv.w, 3) + bytes([1, 0x11, 0, 2, 0x11, 1, 3, 0x11, 1]))
    hdr += seg(0xC4, bytes([0x00]) + bytes(DC_L_BITS) + bytes(DC_L_VAL) + bytes([0x10]) + bytes(AC_L_BITS) +
               AC_L_VAL + bytes([0x01]) + bytes(DC_C_BITS) + bytes(DC_C_VAL) + bytes([0x11]) +
               bytes(AC_C_BITS) + AC_C_VAL)
    hdr += seg(0xDA, bytes([3, 1, 0x00, 2, 0x11, 3, 0x11, 0, 63, 0]))
    return hdr + bytes(out) + b'\xff\xd9'


def cursor_file(pattern, hot):
    """A 32x32 two-colour cursor file: '#' black, '.' white, blank clear."""
    w = h = 32
    xor = bytearray()
    andm = bytearray()
    for y in range(h - 1, -1, -1):
        row = pattern[y] if y < len(pattern) else ''
        for x in range(w):
            ch = row[x] if x < len(row) else ' '
            xor += bytes((0, 0, 0, 0)) if ch in '# ' else bytes((255, 255, 255, 0))
        bitsrow = 0
        for x in range(w):
            ch = row[x] if x < len(row) else ' '
            bitsrow = (bitsrow << 1) | (1 if ch == ' ' else 0)
        andm += struct.pack('>I', bitsrow)
    info = struct.pack('<IiiHHIIiiII', 40, w, h * 2, 1, 32, 0, len(xor) + len(andm), 0, 0, 0, 0)
    image = info + bytes(xor) + bytes(andm)
    return struct.pack('<HHH', 0, 2, 1) + struct.pack('<BBBBHHII', w, h, 0, 0, hot[0], hot[1], len(image), 22) + image


class Atlas:
    """Shelf packing: pictures are placed left to right in rows, in the
    order they are asked for, so the layout never changes between runs."""

    def __init__(self, name, width, bg=(255, 0, 255)):
        self.name, self.width, self.bg = name, width, bg
        self.x = self.y = self.row_h = 0
        self.items = []

    def alloc(self, w, h, draw):
        if self.x + w > self.width:
            self.x, self.y, self.row_h = 0, self.y + self.row_h + 1, 0
        pos = (self.x, self.y)
        self.items.append((pos, w, h, draw))
        self.x += w + 1
        self.row_h = max(self.row_h, h)
        return (pos[0], pos[1], pos[0] + w, pos[1] + h)

    def render(self):
        cv = Canvas(self.width, self.y + self.row_h + 1, self.bg)
        for (x, y), w, h, draw in self.items:
            draw(cv, x, y, w, h)
        return cv


# ------------------------------------------------------------------ skin.ini

def color(rgb):
    """Platform colour value 0x00BBGGRR."""
    r, g, b = rgb[:3]
    return b << 16 | g << 8 | r


def R(r):
    return '%d,%d,%d,%d' % tuple(r)


def P(x, y):
    return '%d,%d' % (x, y)


def rel(r, origin):
    return (r[0] - origin[0], r[1] - origin[1], r[2] - origin[0], r[3] - origin[1])


def corners(r, b):
    """Nine-part keys of a plain border of width b around the cell r."""
    w, h = r[2] - r[0], r[3] - r[1]
    return {'lefttoppoint': P(b, b), 'righttoppoint': P(w - b, b), 'leftbottompoint': P(b, h - b),
            'rightbottompoint': P(w - b, h - b), 'clientrect': R((b, b, w - b, h - b))}


class Ini:
    def __init__(self):
        self.sections = []

    def section(self, name, values):
        self.sections.append((name, values))

    def text(self):
        out = []
        for name, values in self.sections:
            out.append('[%s]' % name)
            for k, v in values.items():
                out.append('%s=%s' % (k, v))
            out.append('')
        return '\r\n'.join(out) + '\r\n'


# The look: light neutral surfaces, one blue accent, dark slate title bar.
ACCENT = (45, 127, 249)
ACCENT_DARK = (29, 99, 210)
TEXT = (31, 41, 55)
TEXT_MUTED = (107, 114, 128)
TEXT_DISABLED = (165, 170, 180)
SURFACE = (243, 244, 246)
FACE = (255, 255, 255)
FACE_HOVER = (235, 242, 254)
FACE_DOWN = (214, 228, 252)
FACE_DISABLED = (238, 239, 241)
BORDER = (203, 208, 216)
BORDER_DARK = (156, 163, 175)
TITLE_TOP = (38, 45, 60)
TITLE_BOTTOM = (30, 36, 48)
TITLE_INACTIVE = (92, 99, 112)
WHITE = (255, 255, 255)
FONT = 'Tahoma'

ARROW_UP = ['   #   ', '  ###  ', ' ##### ', '#######']
ARROW_DOWN = list(reversed(ARROW_UP))
ARROW_LEFT = ['   #', '  ##', ' ###', '####', ' ###', '  ##', '   #']
ARROW_RIGHT = ['#   ', '##  ', '### ', '####', '### ', '##  ', '#   ']
CHECK = ['        #', '       ##', '#     ## ', '##   ##  ', ' ## ##   ', '  ###    ', '   #     ']
CLOSE = ['#      #', ' #    # ', '  #  #  ', '   ##   ', '   ##   ', '  #  #  ', ' #    # ', '#      #']
MAXIMIZE = ['########', '########', '#      #', '#      #', '#      #', '#      #', '#      #', '########']
RESTORE = ['  ######', '  #    #', '######  #', '######  #', '#    #  #', '#    ####', '#    #   ', '######   ']
MINIMIZE = ['', '', '', '', '', '', '########', '########']
MENU = ['########', '', '########', '', '########']
PLUS = ['   ##   ', '   ##   ', '########', '########', '   ##   ', '   ##   ']
DOT = [' ## ', '####', '####', ' ## ']


def box(face, border, radius=3, bg=SURFACE):
    def draw(cv, x, y, w, h):
        cv.rounded(x, y, w, h, face, border, bg, radius)
    return draw


def gradient_box(top, bottom, border, bg=SURFACE):
    def draw(cv, x, y, w, h):
        cv.vgrad(x, y, w, h, top, bottom)
        cv.frame(x, y, w, h, border)
        for (cx, cy) in ((x, y), (x + w - 1, y), (x, y + h - 1), (x + w - 1, y + h - 1)):
            cv.put(cx, cy, bg)
    return draw


def with_glyph(base, pattern, c):
    def draw(cv, x, y, w, h):
        if base:
            base(cv, x, y, w, h)
        gw = max((len(r) for r in pattern), default=0)
        cv.glyph(x + (w - gw) // 2, y + (h - len(pattern)) // 2, pattern, c)
    return draw


def flat(c):
    def draw(cv, x, y, w, h):
        cv.fill(x, y, w, h, c)
    return draw


def font(height=13, color_=TEXT, style=''):
    return {'fontname': FONT, 'fontstyle': style, 'fontheight': height, 'fontcolor': color(color_)}


def build_skin(test=False):
    """Returns ({file name: bytes}, skin.ini text)."""
    files = {}
    ini = Ini()
    pictures = []          # active picture names, in index order
    atlases = {}

    def atlas(name, width):
        atlases[name] = Atlas(name, width)
        pictures.append(name)
        return len(pictures) - 1, atlases[name]

    BTN, btn = atlas('buttons.bmp', 256)
    INP, inp = atlas('inputs.bmp', 256)
    BAR, bar = atlas('bars.bmp', 256)
    MNU, mnu = atlas('menus.bmp', 256)
    POPUP = len(pictures)
    pictures.append('popup.bmp')
    HINT = len(pictures)
    pictures.append('hint.bmp')
    BG = len(pictures)
    pictures.append('background.bmp')
    LAYER = len(pictures)
    pictures.append('layerframe.bmp')
    LAYERMASK = len(pictures)
    pictures.append('layerframemask.bmp')

    controls = []   # (name, kind, keys)
    objects = []

    # ---- window frame (picture.bmp / inactive.bmp), 300 x 120
    FW, FH, CAP, B = 300, 120, 30, 4

    def frame_picture(top, bottom):
        cv = Canvas(FW, FH, SURFACE)
        cv.vgrad(0, 0, FW, CAP, top, bottom)
        cv.fill(0, CAP, B, FH - CAP, bottom)
        cv.fill(FW - B, CAP, B, FH - CAP, bottom)
        cv.fill(0, FH - B, FW, B, bottom)
        cv.frame(0, 0, FW, FH, (20, 24, 33))
        # caption buttons sit in the right-top corner part
        for i, g in enumerate((MINIMIZE, MAXIMIZE, CLOSE)):
            cv.glyph(208 + i * 30 + 10, 11, g, (226, 232, 240))
        return cv

    files['picture.bmp'] = frame_picture(TITLE_TOP, TITLE_BOTTOM).bmp()
    files['inactivepicture.bmp'] = frame_picture(TITLE_INACTIVE, (84, 90, 102)).bmp()

    # caption buttons: the normal look is in the window picture, the active
    # and pressed looks in the buttons atlas
    capbuttons = {}
    for i, (name, glyph, cmd, hint) in enumerate((
            ('minbutton', MINIMIZE, 'cmminimize', 'Minimize'),
            ('maxbutton', MAXIMIZE, 'cmmaximize', 'Maximize'),
            ('closebutton', CLOSE, 'cmclose', 'Close'))):
        hot = (232, 17, 35) if name == 'closebutton' else (60, 70, 90)
        down = (180, 14, 28) if name == 'closebutton' else (74, 86, 110)
        skin = (208 + i * 30, 4, 236 + i * 30, 26)
        active = btn.alloc(28, 22, with_glyph(flat(hot), glyph, WHITE))
        pressed = btn.alloc(28, 22, with_glyph(flat(down), glyph, WHITE))
        inactive = btn.alloc(28, 22, with_glyph(flat(TITLE_INACTIVE), glyph, (200, 204, 210)))
        keys = {'hint': hint, 'skinrectinapicture': 0, 'skinrect': R(skin), 'activeskinrect': R(active),
                'inactiveskinrect': R(inactive), 'downrect': R(pressed), 'activepictureindex': BTN,
                'command': cmd, 'morphing': 0}
        if name == 'maxbutton':
            rest = btn.alloc(28, 22, with_glyph(flat(TITLE_BOTTOM), RESTORE, (226, 232, 240)))
            rest_a = btn.alloc(28, 22, with_glyph(flat(hot), RESTORE, WHITE))
            rest_d = btn.alloc(28, 22, with_glyph(flat(down), RESTORE, WHITE))
            rest_i = btn.alloc(28, 22, with_glyph(flat(TITLE_INACTIVE), RESTORE, (200, 204, 210)))
            keys.update({'restorerect': R(rest), 'restoreactiverect': R(rest_a), 'restoredownrect': R(rest_d),
                         'restoreinactiverect': R(rest_i), 'restorehint': 'Restore'})
        objects.append((name, 'stdbutton', keys))
        capbuttons[name] = keys
    sysmenu = btn.alloc(20, 20, with_glyph(flat(TITLE_TOP), MENU, (226, 232, 240)))
    objects.append(('sysmenubutton', 'stdbutton', {
        'hint': 'System menu', 'skinrectinapicture': 1, 'activepictureindex': BTN, 'skinrect': R(sysmenu),
        'activeskinrect': R(sysmenu), 'inactiveskinrect': R(sysmenu), 'command': 'cmsysmenu'}))
    objects.append(('caption', 'caption', dict(
        font(13, (200, 206, 216), 'fsbold'), activefontcolor=color((241, 245, 249)), alignment='taleftjustify',
        skinrect=R((30, 0, 210, CAP - 1)), textrect=R((8, 0, 172, CAP - 1)), defaultcaption=1, shadow=0, light=0, stretcheffect=1, glowsize=3,
        quickbuttonalphamaskpictureindex=-1)))

    # ---- push buttons and their relatives
    def push_button(name, w, h, faces, kind='button', extra=None, text=TEXT):
        normal, hover, down, disabled, focused = (btn.alloc(w, h, f) for f in faces)
        keys = {'pictureindex': BTN, 'skinrect': R(normal)}
        keys.update(corners(normal, 3))
        keys.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1,
                     'stretcheffect': 1, 'stretchtype': 'stfull'})
        keys.update(font(13, text))
        keys.update({'activefontcolor': color(text), 'downfontcolor': color(text),
                     'disabledfontcolor': color(TEXT_DISABLED), 'activeskinrect': R(hover),
                     'downskinrect': R(down), 'disabledskinrect': R(disabled), 'focusedskinrect': R(focused),
                     'showfocus': 0, 'morphing': 0, 'morphkind': 'mkdefault', 'animateinterval': 25})
        if extra:
            keys.update(extra)
        controls.append((name, kind, keys))
        return keys

    std_faces = (box(FACE, BORDER), box(FACE_HOVER, ACCENT), box(FACE_DOWN, ACCENT_DARK),
                 box(FACE_DISABLED, BORDER), box(FACE, ACCENT))
    flat_faces = (box(SURFACE, SURFACE), box(FACE_HOVER, FACE_HOVER), box(FACE_DOWN, FACE_DOWN),
                  box(SURFACE, SURFACE), box(SURFACE, ACCENT))
    push_button('button', 48, 26, std_faces)
    push_button('toolbutton', 32, 32, flat_faces)
    push_button('bigtoolbutton', 48, 48, flat_faces)
    push_button('resizebutton', 40, 22, (box(SURFACE, BORDER, 0), box(FACE_HOVER, BORDER, 0),
                                         box(FACE_DOWN, BORDER, 0), box(SURFACE, BORDER, 0),
                                         box(SURFACE, ACCENT, 0)))
    push_button('resizetoolbutton', 32, 24, flat_faces)
    push_button('menuitembutton', 32, 22, flat_faces)
    push_button('officequickbutton', 24, 24, flat_faces)
    push_button('editbutton', 20, 20, flat_faces)
    push_button('combobutton', 20, 22, (with_glyph(flat(FACE), ARROW_DOWN, TEXT_MUTED),
                                        with_glyph(flat(FACE_HOVER), ARROW_DOWN, ACCENT),
                                        with_glyph(flat(FACE_DOWN), ARROW_DOWN, ACCENT_DARK),
                                        with_glyph(flat(FACE_DISABLED), ARROW_DOWN, TEXT_DISABLED),
                                        with_glyph(flat(FACE), ARROW_DOWN, ACCENT)))
    # The track part of a menu button lies in the element (element-relative).
    for mb in ('toolmenubutton', 'menubutton'):
        marker = btn.alloc(9, 5, with_glyph(flat((255, 0, 255)), ARROW_DOWN, TEXT_MUTED))
        push_button(mb, 46, 32, flat_faces, 'menubutton', {
            'trackbuttonrect': R((46 - 14, 0, 46, 32)), 'menumarkerrect': R(marker),
            'menumarkerflatrect': R(marker), 'menumarkeractiverect': R(marker), 'menumarkerdownrect': R(marker),
            'menumarkertransparentcolor': color((255, 0, 255))})

    # A button with a drop-down track part at its right edge: a horizontal
    # strip, so the track part follows the right edge at any width.
    def split_face(face, track_face, arrow):
        def draw(cv, x, y, w, h):
            face(cv, x, y, w, h)
            track_face(cv, x + w - 14, y, 14, h)
            for j in range(4, h - 4):
                cv.put(x + w - 15, y + j, BORDER)
            with_glyph(None, ARROW_DOWN, arrow)(cv, x + w - 14, y, 14, h)
        return draw

    tw, th = 58, 32
    track_faces = (split_face(box(SURFACE, SURFACE), flat(SURFACE), TEXT_MUTED),
                   split_face(box(FACE_HOVER, FACE_HOVER), flat(FACE_HOVER), TEXT),
                   split_face(box(FACE_HOVER, FACE_HOVER), flat(FACE_DOWN), TEXT),
                   split_face(box(SURFACE, SURFACE), flat(SURFACE), TEXT_DISABLED),
                   split_face(box(SURFACE, ACCENT), flat(SURFACE), TEXT_MUTED))
    push_button('toolmenutrackbutton', tw, th, track_faces, 'menubutton', {
        'lefttoppoint': P(4, 0), 'righttoppoint': P(tw - 16, 0), 'leftbottompoint': P(0, 0),
        'rightbottompoint': P(0, 0), 'clientrect': R((4, 3, tw - 16, th - 3)),
        'trackbuttonrect': R((tw - 14, 0, tw, th))})

    # ---- check and radio boxes
    for name, radio in (('checkbox', False), ('radiobox', True)):
        r = 3 if not radio else 6

        def mark(face, border, on, grey=False, radius=r):
            def draw(cv, x, y, w, h):
                cv.fill(x, y, w, h, SURFACE)
                cv.rounded(x, y, w, h, face, border, SURFACE, radius)
                if on and radius > 3:
                    cv.glyph(x + 6, y + 6, DOT, WHITE if not grey else TEXT_DISABLED)
                elif on:
                    cv.glyph(x + 3, y + 4, CHECK, WHITE if not grey else TEXT_DISABLED)
            return draw
        cells = {k: btn.alloc(16, 16, f) for k, f in (
            ('checkimagerect', mark(ACCENT, ACCENT_DARK, True)),
            ('uncheckimagerect', mark(FACE, BORDER_DARK, False)),
            ('activecheckimagerect', mark(ACCENT_DARK, ACCENT_DARK, True)),
            ('activeuncheckimagerect', mark(FACE_HOVER, ACCENT, False)),
            ('unenabledcheckimagerect', mark(FACE_DISABLED, BORDER, True, True)),
            ('unenableduncheckimagerect', mark(FACE_DISABLED, BORDER, False)),
            ('grayedcheckimagerect', mark(BORDER, BORDER_DARK, True, True)),
            ('activegrayedcheckimagerect', mark(BORDER, ACCENT, True, True)))}
        back = btn.alloc(100, 20, flat(SURFACE))
        keys = {'pictureindex': BTN, 'skinrect': R(back)}
        keys.update(corners(back, 1))
        keys.update({'stretcheffect': 1})
        keys.update(font(13))
        keys.update({'activefontcolor': color(TEXT), 'unenabledfontcolor': color(TEXT_DISABLED),
                     'framefontcolor': color(TEXT), 'activeskinrect': R(back), 'checkimagearea': R((0, 2, 16, 18)),
                     'textarea': R((20, 0, 100, 20))})
        keys.update({k: R(v) for k, v in cells.items()})
        controls.append((name, 'checkradio', keys))

    # ---- inputs
    # Places of buttons inside an element (buttonrect, upbuttonrect...) are
    # element-relative and drawn into the element's own picture; their hot,
    # pressed and disabled looks are picture coordinates.
    def with_parts(base, parts):
        def draw(cv, x, y, w, h):
            base(cv, x, y, w, h)
            for px, py, pw, ph, d in parts:
                d(cv, x + px, y + py, pw, ph)
        return draw

    def edit_like(name, kind, w, h, extra=None, parts=(), right=2):
        normal = inp.alloc(w, h, with_parts(box(FACE, BORDER, 2), parts))
        active = inp.alloc(w, h, with_parts(box(FACE, ACCENT, 2), parts))
        keys = {'pictureindex': INP, 'skinrect': R(normal), 'activeskinrect': R(active)}
        keys.update(corners(normal, 2))
        # A button end stays at the right edge: the right-top point lies
        # left of it, and so does the text area.
        keys.update({'righttoppoint': P(w - right, 2), 'rightbottompoint': P(w - right, h - 2),
                     'clientrect': R((2, 2, w - right, h - 2))})
        keys.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1,
                     'stretcheffect': 1})
        keys.update(font(13))
        keys.update({'activefontcolor': color(TEXT), 'disabledfontcolor': color(TEXT_DISABLED)})
        if extra:
            keys.update(extra)
        controls.append((name, kind, keys))
        return keys

    def arrow_looks(glyph):
        return [with_glyph(flat(f), glyph, c) for f, c in (
            (FACE, TEXT_MUTED), (FACE_HOVER, ACCENT), (FACE_DOWN, ACCENT_DARK), (FACE_DISABLED, TEXT_DISABLED))]

    def arrow_cells(atl, w, h, glyph):
        return [atl.alloc(w, h, d) for d in arrow_looks(glyph)]

    eb = arrow_cells(inp, 18, 18, DOT)
    ebkeys = {'buttonrect': R(eb[0]), 'activebuttonrect': R(eb[1]), 'downbuttonrect': R(eb[2]),
              'unenabledbuttonrect': R(eb[3])}
    edit_like('edit', 'edit', 60, 22, ebkeys)
    edit_like('buttonedit', 'edit', 60, 22, dict(ebkeys, buttonrect=R((40, 2, 58, 20))),
              parts=[(40, 2, 18, 18, arrow_looks(DOT)[0])], right=22)
    edit_like('memo', 'memo', 60, 40, dict(ebkeys, bgcolor=color(FACE), activebgcolor=color(FACE)))
    up = arrow_cells(inp, 16, 10, ARROW_UP)
    dn = arrow_cells(inp, 16, 10, ARROW_DOWN)
    lf = arrow_cells(inp, 12, 16, ARROW_LEFT)
    rt = arrow_cells(inp, 12, 16, ARROW_RIGHT)
    spin = {'upbuttonrect': R((42, 1, 58, 11)), 'activeupbuttonrect': R(up[1]), 'downupbuttonrect': R(up[2]),
            'downbuttonrect': R((42, 11, 58, 21)), 'activedownbuttonrect': R(dn[1]),
            'downdownbuttonrect': R(dn[2])}
    edit_like('spinedit', 'spinedit', 60, 22, spin,
              parts=[(42, 1, 16, 10, arrow_looks(ARROW_UP)[0]), (42, 11, 16, 10, arrow_looks(ARROW_DOWN)[0])],
              right=20)
    # Up-downs: both buttons in one picture; vertical up over down,
    # horizontal the decreasing (left) button before the increasing one.
    for name, a, b, vertical in (('vupdown', up, dn, True), ('hupdown', rt, lf, False)):
        aw, ah = a[0][2] - a[0][0], a[0][3] - a[0][1]
        first, second = (ARROW_UP, ARROW_DOWN) if vertical else (ARROW_LEFT, ARROW_RIGHT)
        if vertical:
            w, h, up_at, down_at = aw, 2 * ah, (0, 0, aw, ah), (0, ah, aw, 2 * ah)
        else:
            w, h, up_at, down_at = 2 * aw, ah, (aw, 0, 2 * aw, ah), (0, 0, aw, ah)
        cell = inp.alloc(w, h, with_parts(flat(FACE), [
            (0, 0, aw, ah, arrow_looks(first)[0]),
            ((0 if vertical else aw), (ah if vertical else 0), aw, ah, arrow_looks(second)[0])]))
        controls.append((name, 'updown', {
            'pictureindex': INP, 'skinrect': R(cell), 'upbuttonrect': R(up_at), 'activeupbuttonrect': R(a[1]),
            'downupbuttonrect': R(a[2]), 'downbuttonrect': R(down_at), 'activedownbuttonrect': R(b[1]),
            'downdownbuttonrect': R(b[2])}))

    # scroll bars: track, arrows and thumb; the arrow and track places are
    # element-relative, the arrow and thumb looks are picture coordinates
    for name, vertical in (('hscrollbar', False), ('vscrollbar', True), ('bothhscrollbar', False)):
        L, T = 80, 16
        w, h = (T, L) if vertical else (L, T)
        track = inp.alloc(w, h, flat((236, 238, 241)))
        g1, g2 = (ARROW_UP, ARROW_DOWN) if vertical else (ARROW_LEFT, ARROW_RIGHT)
        a1 = arrow_cells(inp, T, T, g1)
        a2 = arrow_cells(inp, T, T, g2)
        th = [inp.alloc(T - 4 if vertical else 24, 24 if vertical else T - 4, box(c, c, 2, (236, 238, 241)))
              for c in ((190, 196, 206), (150, 160, 176), (120, 130, 148))]
        keys = {'pictureindex': INP, 'skinrect': R(track)}
        keys.update(corners(track, 0 if False else 1))
        if vertical:
            keys.update({'trackarea': R((0, T, T, L - T)), 'upbuttonrect': R((0, 0, T, T)),
                         'downbuttonrect': R((0, L - T, T, L))})
        else:
            keys.update({'trackarea': R((T, 0, L - T, T)), 'upbuttonrect': R((0, 0, T, T)),
                         'downbuttonrect': R((L - T, 0, L, T))})
        keys.update({'activeupbuttonrect': R(a1[1]), 'downupbuttonrect': R(a1[2]),
                     'activedownbuttonrect': R(a2[1]), 'downdownbuttonrect': R(a2[2]),
                     'thumbrect': R(th[0]), 'activethumbrect': R(th[1]), 'downthumbrect': R(th[2]),
                     'thumboffset1': 3, 'thumboffset2': 3, 'thumbstretcheffect': 0, 'thumbminsize': 16,
                     'thumbminpagesize': 8, 'glyphtransparentcolor': color((255, 0, 255)),
                     'thumbtransparentcolor': color((255, 0, 255))})
        controls.append((name, 'scrollbar', keys))

    def list_like(name, kind, extra):
        frame_ = inp.alloc(60, 60, box(FACE, BORDER, 2))
        item = inp.alloc(40, 20, flat(FACE))
        active = inp.alloc(40, 20, flat(FACE_HOVER))
        focus = inp.alloc(40, 20, flat(ACCENT))
        keys = {'pictureindex': INP, 'skinrect': R(frame_)}
        keys.update(corners(frame_, 2))
        keys.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1, 'stretcheffect': 1,
                     'itemrect': R(item), 'activeitemrect': R(active), 'focusitemrect': R(focus),
                     'itemleftoffset': 0, 'itemrightoffset': 0, 'itemtextrect': R((4, 0, 36, 20))})
        keys.update(font(13))
        keys.update({'activefontcolor': color(TEXT), 'focusfontcolor': color(WHITE)})
        keys.update(extra)
        controls.append((name, kind, keys))
    list_like('listbox', 'listbox', dict(
        captionrect=R((0, 0, 0, 0)), captionfontname=FONT, captionfontheight=13,
        captionfontcolor=color(TEXT), hscrollbarname='hscrollbar', vscrollbarname='vscrollbar',
        bothhscrollbarname='bothhscrollbar', showfocus=0))
    cb = arrow_cells(inp, 20, 20, ARROW_DOWN)

    # The combo's box carries its button in the right-hand piece (the normal
    # state copies nothing over it); the hot box shows the accent border.
    def combo_box(border):
        def draw(cv, x, y, w, h):
            box(FACE, border, 2)(cv, x, y, w, h)
            cv.fill(x + 57, y + 4, 1, h - 8, BORDER)
            with_glyph(flat(FACE), ARROW_DOWN, TEXT_MUTED)(cv, x + 58, y + 2, 20, 20)
        return draw
    cbox = inp.alloc(80, 24, combo_box(BORDER))
    cbox_a = inp.alloc(80, 24, combo_box(ACCENT))
    citem = inp.alloc(20, 20, flat(FACE))
    citem_a = inp.alloc(20, 20, flat(FACE_HOVER))
    ckeys = {'pictureindex': INP, 'skinrect': R(cbox), 'activeskinrect': R(cbox_a),
             'lefttoppoint': P(2, 2), 'righttoppoint': P(56, 2), 'leftbottompoint': P(2, 22),
             'rightbottompoint': P(56, 22), 'clientrect': R((2, 2, 56, 22))}
    ckeys.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1, 'stretcheffect': 1})
    ckeys.update(font(13))
    ckeys.update({'itemrect': R(citem), 'activeitemrect': R(citem_a), 'focusitemrect': R(citem_a),
                  'itemleftoffset': 0, 'itemrightoffset': 0, 'itemstretcheffect': 1, 'focusitemstretcheffect': 1,
                  'itemtextrect': R((2, 0, 18, 20)), 'activefontcolor': color(TEXT), 'focusfontcolor': color(TEXT),
                  'buttonrect': R((58, 2, 78, 22)), 'activebuttonrect': R(cb[1]), 'downbuttonrect': R(cb[2]),
                  'unenabledbuttonrect': R(cb[3]), 'listboxname': 'listbox', 'showfocus': 0})
    controls.append(('combobox', 'combobox', ckeys))

    # ---- bars, panels, labels
    def panel(name, face, border, b, extra=None, kind='panel'):
        cell = bar.alloc(48, 48, box(face, border, 0))
        keys = {'pictureindex': BAR, 'skinrect': R(cell)}
        keys.update(corners(cell, b))
        keys.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1,
                     'stretcheffect': 1, 'stretchtype': 'stfull'})
        keys.update(font(13))
        keys.update({'alignment': 'tacenter', 'bgpictureindex': -1,
                     'grippertransparentcolor': color((255, 0, 255))})
        if extra:
            keys.update(extra)
        controls.append((name, kind, keys))
    panel('panel', SURFACE, BORDER, 1)
    panel('groupbox', SURFACE, BORDER, 2, {'captionrect': R((8, 0, 40, 18)), 'alignment': 'taleftjustify',
                                           'fontstyle': 'fsbold'})
    panel('toolpanel', SURFACE, SURFACE, 1)
    panel('statusbar', (229, 231, 235), BORDER, 1)
    close = arrow_cells(bar, 14, 14, CLOSE[:7])
    roll = arrow_cells(bar, 14, 14, ARROW_UP)
    restore = arrow_cells(bar, 14, 14, ARROW_DOWN)
    exp = bar.alloc(48, 48, gradient_box((255, 255, 255), (247, 248, 250), BORDER))
    rollh = bar.alloc(48, 24, gradient_box((255, 255, 255), (240, 242, 245), BORDER))
    rollv = bar.alloc(24, 48, gradient_box((255, 255, 255), (240, 242, 245), BORDER))
    ek = {'pictureindex': BAR, 'skinrect': R(exp)}
    ek.update(corners(exp, 2))
    ek.update({'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1, 'bottomstretch': 1, 'stretcheffect': 1,
               'rollhskinrect': R(rollh), 'rollvskinrect': R(rollv), 'rollleftoffset': 3, 'rollrightoffset': 3,
               'rolltopoffset': 3, 'rollbottomoffset': 3, 'rollhcaptionrect': R((4, 0, 30, 24)),
               'rollvcaptionrect': R((0, 4, 24, 30)), 'captionrect': R((6, 0, 30, 24)),
               'closebuttonrect': R(close[0]), 'closebuttonactiverect': R(close[1]),
               'closebuttondownrect': R(close[2]), 'hrollbuttonrect': R(roll[0]),
               'hrollbuttonactiverect': R(roll[1]), 'hrollbuttondownrect': R(roll[2]),
               'hrestorebuttonrect': R(restore[0]), 'hrestorebuttonactiverect': R(restore[1]),
               'hrestorebuttondownrect': R(restore[2]), 'vrollbuttonrect': R(roll[0]),
               'vrollbuttonactiverect': R(roll[1]), 'vrollbuttondownrect': R(roll[2]),
               'vrestorebuttonrect': R(restore[0]), 'vrestorebuttonactiverect': R(restore[1]),
               'vrestorebuttondownrect': R(restore[2]), 'buttonstransparent': 0,
               'buttonstransparentcolor': color((255, 0, 255))})
    ek.update(font(13, TEXT, 'fsbold'))
    controls.append(('expanel', 'expanel', ek))
    controls.append(('stdlabel', 'stdlabel', dict(font(13), activefontcolor=color(ACCENT))))
    for name in ('label', 'menuheader'):
        cell = bar.alloc(40, 20, flat(SURFACE if name == 'label' else (229, 231, 235)))
        lk = {'pictureindex': BAR, 'skinrect': R(cell)}
        lk.update(corners(cell, 1))
        lk.update({'stretcheffect': 1})
        lk.update(font(13, TEXT, '' if name == 'label' else 'fsbold'))
        controls.append((name, 'label', lk))
    controls.append(('bevel', 'bevel', {'lightcolor': color(WHITE), 'darkcolor': color(BORDER)}))
    for name, vertical in (('vsplitter', True), ('hsplitter', False)):
        cell = bar.alloc(6 if vertical else 40, 40 if vertical else 6, flat(SURFACE))
        grip = bar.alloc(2 if vertical else 16, 16 if vertical else 2, flat(BORDER_DARK))
        sk = {'pictureindex': BAR, 'skinrect': R(cell), 'gripperrect': R(grip), 'grippertransparent': 0,
              'grippertransparentcolor': color((255, 0, 255))}
        sk.update(corners(cell, 0 if vertical else 0))
        sk['clientrect'] = R(rel(cell, cell))
        controls.append((name, 'splitter', sk))
    for name, vertical in (('gauge', False), ('vgauge', True)):
        w, h = (16, 80) if vertical else (80, 16)
        cell = bar.alloc(w, h, box((229, 231, 235), (229, 231, 235), 3))
        fill = bar.alloc(12 if vertical else 20, 20 if vertical else 12, flat(ACCENT))
        gk = {'pictureindex': BAR, 'skinrect': R(cell)}
        gk.update(corners(cell, 2))
        gk.update({'stretcheffect': 1, 'progressarea': R((2, 2, w - 2, h - 2)), 'progressrect': R(fill),
                   'progressstretch': 1, 'vertical': int(vertical), 'progresstransparentcolor': color((255, 0, 255))})
        gk.update(font(12, TEXT))
        controls.append((name, 'gauge', gk))
    for name in ('htrackbar', 'trackbar'):
        cell = bar.alloc(100, 24, lambda cv, x, y, w, h: (cv.fill(x, y, w, h, SURFACE),
                                                          cv.fill(x + 6, y + 10, w - 12, 4, BORDER)))
        act = bar.alloc(100, 24, lambda cv, x, y, w, h: (cv.fill(x, y, w, h, SURFACE),
                                                         cv.fill(x + 6, y + 10, w - 12, 4, ACCENT)))
        thumb = bar.alloc(12, 20, box(FACE, ACCENT, 3))
        thumb_a = bar.alloc(12, 20, box(ACCENT, ACCENT_DARK, 3))
        tk = {'pictureindex': BAR, 'skinrect': R(cell)}
        tk.update(corners(cell, 6))
        tk.update({'stretcheffect': 1, 'activeskinrect': R(act), 'trackarea': R((6, 0, 94, 24)),
                   'buttonrect': R(thumb), 'activebuttonrect': R(thumb_a), 'vertical': 0,
                   'buttontransparent': 0, 'buttontransparentcolor': color((255, 0, 255))})
        controls.append((name, 'trackbar', tk))

    # ---- tabs, grid, views, menu bar
    page = bar.alloc(48, 48, box(FACE, BORDER, 0))
    tab = bar.alloc(48, 24, gradient_box((243, 244, 246), (236, 238, 241), BORDER))
    tab_a = bar.alloc(48, 24, gradient_box(FACE, FACE, BORDER))
    tab_m = bar.alloc(48, 24, gradient_box(FACE_HOVER, FACE_HOVER, BORDER))
    tk = {'pictureindex': BAR, 'skinrect': R(page)}
    tk.update(corners(page, 1))
    tk.update({'tabrect': R(tab), 'activetabrect': R(tab_a), 'focustabrect': R(tab_a), 'mouseintabrect': R(tab_m),
               'tabsbgrect': R((0, 0, 0, 0)), 'tableftoffset': 4, 'tabrightoffset': 4, 'updown': 'hupdown',
               'bgpictureindex': -1, 'tabstretcheffect': 1, 'leftstretch': 1, 'topstretch': 1, 'rightstretch': 1,
               'bottomstretch': 1, 'stretcheffect': 1, 'stretchtype': 'stfull',
               'buttontransparentcolor': color((255, 0, 255)), 'tableftbottomactiverect': R(tab_a),
               'tableftbottomfocusrect': R(tab_a), 'closebuttonrect': R(close[0]),
               'closebuttonactiverect': R(close[1]), 'closebuttondownrect': R(close[2]), 'buttontransparent': 0})
    tk.update(font(13))
    tk.update({'activefontcolor': color(TEXT), 'focusfontcolor': color(ACCENT), 'mouseinfontcolor': color(ACCENT)})
    controls.append(('tab', 'tab', tk))
    fixed = bar.alloc(40, 22, gradient_box((249, 250, 251), (236, 238, 241), BORDER, (236, 238, 241)))
    sel = bar.alloc(40, 20, flat(FACE_DOWN))
    foc = bar.alloc(40, 20, flat(ACCENT))
    gk = {'pictureindex': BAR, 'skinrect': R((0, 0, 0, 0)), 'fixedcellrect': R(fixed), 'selectcellrect': R(sel),
          'focuscellrect': R(foc), 'fixedcellleftoffset': 2, 'fixedcellrightoffset': 2,
          'fixedcelltextrect': R((4, 0, 36, 22)), 'cellleftoffset': 0, 'cellrightoffset': 0,
          'celltextrect': R((4, 0, 36, 20)), 'linescolor': color((229, 231, 235)), 'bgcolor': color(FACE),
          'bgpictureindex': -1, 'fixedcellstretcheffect': 1, 'cellstretcheffect': 1, 'showfocus': 0}
    gk.update(font(13))
    gk.update({'selectfontcolor': color(TEXT), 'focusfontcolor': color(WHITE), 'fixedfontname': FONT,
               'fixedfontstyle': 'fsbold', 'fixedfontheight': 13, 'fixedfontcolor': color(TEXT)})
    controls.append(('grid', 'grid', gk))
    plus = bar.alloc(9, 9, with_glyph(box(FACE, BORDER_DARK, 0), ['#####'], TEXT_MUTED))
    minus = bar.alloc(9, 9, with_glyph(box(FACE, BORDER_DARK, 0), ['  #  ', '  #  ', '#####', '  #  ', '  #  '],
                                       TEXT_MUTED))
    controls.append(('treeview', 'treeview', dict(font(13), bgcolor=color(FACE), expandimagerect=R(minus),
                                                  noexpandimagerect=R(plus))))
    controls.append(('listview', 'listview', dict(font(13), bgcolor=color(FACE))))
    mbar = bar.alloc(48, 24, flat((236, 238, 241)))
    # the buttons of a maximized MDI child at the ends of the menu bar
    for name, glyph, cmd in (('mdiminbutton', MINIMIZE, 'cmminimize'), ('mdimaxbutton', RESTORE, 'cmmaximize'),
                             ('mdiclosebutton', CLOSE, 'cmclose'), ('mdisysmenubutton', MENU, 'cmsysmenu')):
        normal = bar.alloc(20, 20, with_glyph(flat((236, 238, 241)), glyph, TEXT))
        hot = bar.alloc(20, 20, with_glyph(box(FACE_HOVER, BORDER, 0), glyph, ACCENT_DARK))
        down = bar.alloc(20, 20, with_glyph(box(FACE_DOWN, BORDER, 0), glyph, ACCENT_DARK))
        objects.append((name, 'mainmenubarbutton', {
            'skinrectinapicture': 1, 'activepictureindex': BAR, 'skinrect': R(normal), 'activeskinrect': R(hot),
            'inactiveskinrect': R(normal), 'downrect': R(down), 'command': cmd, 'morphing': 0}))
    mk = {'pictureindex': BAR, 'skinrect': R(mbar), 'itemsrect': R((2, 0, 46, 24)), 'menubaritem': 'mainmenubaritem',
          'closebutton': 'mdiclosebutton', 'maxbutton': 'mdimaxbutton', 'minbutton': 'mdiminbutton',
          'sysmenubutton': 'mdisysmenubutton',
          'trackmarkcolor': color(TEXT_MUTED), 'trackmarkactivecolor': color(ACCENT), 'stretcheffect': 1,
          'itemtransparent': 1}
    controls.append(('mainmenubar', 'mainmenubar', mk))

    # ---- menus
    item = mnu.alloc(60, 24, flat(FACE))
    item_a = mnu.alloc(60, 24, box(FACE_HOVER, FACE_HOVER, 3, FACE))
    divider = mnu.alloc(60, 7, lambda cv, x, y, w, h: (cv.fill(x, y, w, h, FACE),
                                                       cv.fill(x + 4, y + 3, w - 8, 1, BORDER)))
    check = mnu.alloc(16, 16, with_glyph(flat(FACE), CHECK, TEXT))
    check_a = mnu.alloc(16, 16, with_glyph(flat(FACE_HOVER), CHECK, ACCENT_DARK))
    radio = mnu.alloc(16, 16, with_glyph(flat(FACE), DOT, TEXT))
    radio_a = mnu.alloc(16, 16, with_glyph(flat(FACE_HOVER), DOT, ACCENT_DARK))
    arrow = mnu.alloc(8, 16, with_glyph(flat(FACE), ARROW_RIGHT, TEXT_MUTED))
    arrow_a = mnu.alloc(8, 16, with_glyph(flat(FACE_HOVER), ARROW_RIGHT, ACCENT_DARK))
    mi = {'skinrectinapicture': 1, 'activepictureindex': MNU, 'skinrect': R(item), 'activeskinrect': R(item_a),
          'dividerrect': R(divider), 'dividerleftoffset': 4, 'dividerrightoffset': 4, 'itemleftoffset': 4,
          'itemrightoffset': 4, 'textrect': R((28, 0, 52, 24)), 'imagerect': R((4, 4, 20, 20)),
          'stretcheffect': 1, 'dividerstretcheffect': 1, 'inactivestretcheffect': 1, 'animateinterval': 25,
          'checkimagerect': R(check), 'activecheckimagerect': R(check_a), 'radioimagerect': R(radio),
          'activeradioimagerect': R(radio_a), 'arrowimagerect': R(arrow), 'activearrowimagerect': R(arrow_a)}
    mi.update(font(13))
    mi.update({'unenabledfontcolor': color(TEXT_DISABLED), 'activefontcolor': color(TEXT)})
    objects.append(('menuitem', 'menuitem', mi))
    for name in ('MAINMENUITEM', 'mainmenubaritem'):
        normal = mnu.alloc(40, 24, flat((236, 238, 241)))
        active = mnu.alloc(40, 24, box(FACE_HOVER, FACE_HOVER, 3, (236, 238, 241)))
        down = mnu.alloc(40, 24, box(FACE_DOWN, FACE_DOWN, 3, (236, 238, 241)))
        mm = {'skinrectinapicture': 1, 'activepictureindex': MNU, 'skinrect': R(normal), 'activeskinrect': R(active),
              'downrect': R(down), 'textrect': R((6, 0, 34, 24)), 'itemleftoffset': 4, 'itemrightoffset': 4,
              'stretcheffect': 1, 'animateinterval': 25}
        mm.update(font(13))
        mm.update({'activefontcolor': color(TEXT), 'downfontcolor': color(TEXT),
                   'unenabledfontColor': color(TEXT_DISABLED)})
        objects.append((name, 'mainmenuitem' if name == 'MAINMENUITEM' else 'mainmenubaritem', mm))

    # ---- popup and hint windows: whole pictures of their own
    pop = Canvas(48, 48, FACE)
    pop.frame(0, 0, 48, 48, BORDER)
    files['popup.bmp'] = pop.bmp()
    hint = Canvas(32, 24, (31, 41, 55))
    hint.frame(0, 0, 32, 24, (17, 24, 39))
    files['hint.bmp'] = hint.bmp()
    bg = Canvas(64, 64, SURFACE)
    bg.vgrad(0, 0, 64, 64, (246, 247, 249), (238, 240, 243))
    files['background.bmp'] = bg.bmp()

    # ---- layered border: a soft shadow around the window, LS pixels wide;
    # the mask's grey is the opacity, strongest next to the window
    LW, LS = 48, 10
    layer = Canvas(LW, LW, (20, 24, 33))
    files['layerframe.bmp'] = layer.bmp()
    lmask = Canvas(LW, LW, (0, 0, 0))
    for y in range(LW):
        for x in range(LW):
            d = min(x, y, LW - 1 - x, LW - 1 - y)
            if d < LS:
                g = (d + 1) * 90 // LS
                lmask.put(x, y, (g, g, g))
    files['layerframemask.bmp'] = lmask.bmp()

    for a in atlases.values():
        files[a.name] = a.render().bmp()

    # ---- cursors: a hand for links
    hand = ['     ##', '    #..#', '    #..#', '    #..#', '    #..###', '    #..#..##', ' ## #..#..#.#',
            '#..##.......#', '#...#.......#', ' #..........#', '  #.........#', '  #........#', '   #.......#',
            '   #......#', '    ######']
    files['hand.cur'] = cursor_file(hand, (5, 0))

    ini.section('VERSION', {'ver': 2, 'skinname': 'Tessavane', 'skinauthor': 'Tessavane',
                            'authoremail': '', 'authorurl': '', 'skincomments': 'Light, flat, one accent.'})
    pics = {'picture': 'picture.bmp', 'inactivepicture': 'inactivepicture.bmp', 'mask': '',
            'rolluppicture': '', 'rollupmask': '', 'activepicturescount': len(pictures)}
    for i, n in enumerate(pictures):
        pics[str(i)] = n
    ini.section('PICTURES', pics)
    ini.section('CURSORS', {'startcursorindex': 1, 'cursorscount': 1, '0': 'hand.cur'})
    ini.section('FORMINFO', {
        'lefttoppoint': P(40, CAP), 'righttoppoint': P(200, CAP), 'leftbottompoint': P(B, FH - B),
        'rightbottompoint': P(FW - B, FH - B), 'clientrect': R((B, CAP, FW - B, FH - B)),
        'bgpictureindex': BG, 'mdibgpictureindex': -1, 'leftstretch': 1, 'rightstretch': 1, 'topstretch': 1,
        'bottomstretch': 1, 'stretcheffect': 1, 'stretchtype': 'stfull', 'mdibgstretcheffect': 0,
        'mdibgstretchtype': 'stfull', 'buttonsrect': R((208, 4, 296, 26)), 'captionrect': R((40, 0, 200, CAP)),
        'buttonsoffset': 2, 'buttonsinleft': 0, 'maskrectarea': R((0, 0, 0, 0)),
        'hittestlefttoppoint': P(10, 10), 'hittestrighttoppoint': P(FW - 10, 10),
        'hittestleftbottompoint': P(10, FH - 10), 'hittestrightbottompoint': P(FW - 10, FH - 10),
        'mainmenurect': R((B, CAP, FW - B, CAP + 24)), 'iconrect': R((10, 7, 26, 23)), 'mainmenupopupup': 0,
        'borderwidth': B, 'formminwidth': 200, 'formminheight': 100, 'mditabstransparent': 0,
        'mainmenubartransparent': 0, 'cursorindex': -1, 'autorenderinginactiveimage': 0,
        'inactiveeffect': 'iebrightness', 'sizegriparea': R((0, 0, 0, 0)), 'statusbarname': 'statusbar'})
    ini.section('LAYERFRAME', {
        'pictureindex': LAYER, 'maskpictureindex': LAYERMASK, 'inactivepictureindex': -1,
        'inactivemaskpictureindex': -1, 'lefttoppoint': P(LS + 4, LS + 4), 'righttoppoint': P(LW - LS - 4, LS + 4),
        'leftbottompoint': P(LS + 4, LW - LS - 4), 'rightbottompoint': P(LW - LS - 4, LW - LS - 4),
        'clientrect': R((LS, LS, LW - LS, LW - LS)), 'alphablendvalue': 255, 'inactivealphablendvalue': 170,
        'borderrect': R((0, 0, 0, 0)), 'hittestenable': 0, 'fullborder': 0, 'hittestsize': 0,
        'captionrect': R((0, 0, 0, 0)), 'buttonsrect': R((0, 0, 0, 0)), 'sysmenubuttonrect': R((0, 0, 0, 0)),
        'fullstretch': 0, 'rollupformheight': 0, 'buttonstopoffset': 0, 'sysbuttontopoffset': 0,
        'blurmaskpictureindex': -1})
    ini.section('POPUPWINDOW', {'windowpictureindex': POPUP, 'maskpictureindex': -1, 'lefttoppoint': P(2, 2),
                                'righttoppoint': P(46, 2), 'leftbottompoint': P(2, 46), 'rightbottompoint': P(46, 46),
                                'itemsrect': R((3, 3, 45, 45)), 'scrollmarkercolor': color(TEXT_MUTED),
                                'scrollmarkeractivecolor': color(ACCENT), 'cursorindex': -1, 'topstretch': 1,
                                'leftstretch': 1, 'rightstretch': 1, 'bottomstretch': 1, 'stretcheffect': 1,
                                'stretchtype': 'stfull'})
    hk = {'windowpictureindex': HINT, 'maskpictureindex': -1, 'lefttoppoint': P(2, 2), 'righttoppoint': P(30, 2),
          'leftbottompoint': P(2, 22), 'rightbottompoint': P(30, 22), 'clientrect': R((6, 4, 26, 20))}
    hk.update(font(12, (243, 244, 246)))
    hk.update({'topstretch': 1, 'leftstretch': 1, 'rightstretch': 1, 'bottomstretch': 1, 'stretcheffect': 1,
               'stretchtype': 'stfull'})
    ini.section('HINTWINDOW', hk)
    ini.section('SKINCOLORS', {
        'cbtnface': color(SURFACE), 'cbtntext': color(TEXT), 'cwindow': color(FACE), 'cwindowtext': color(TEXT),
        'chighlight': color(ACCENT), 'chighlighttext': color(WHITE), 'cbtnhighlight': color(WHITE),
        'cbtnshadow': color(BORDER), 'c3dlight': color((249, 250, 251)), 'c3ddkshadow': color(BORDER_DARK)})
    ini.section('SKINAREAS', {'count': 0})
    so = {'count': len(objects)}
    for i, (n, k, _) in enumerate(objects):
        so[str(i)] = '%s:%s' % (n, k)
    ini.section('SKINOBJECTS', so)
    sc = {'count': len(controls)}
    for i, (n, k, _) in enumerate(controls):
        sc[str(i)] = '%s:%s' % (n, k)
    ini.section('SKINCONTROLS', sc)
    for n, _, keys in objects + controls:
        ini.section(n, keys)
    return files, ini.text()


# ------------------------------------------------------------------ the application's own pictures

def app_pictures():
    """Pictures the main window and the dialogs load from the skin folder."""
    files = {}
    glyphs = {
        'add_files': PLUS, 'load_dvd': DOT, 'download': ARROW_DOWN, 'record': DOT, 'trim': CLOSE,
        'edit': MENU, 'join': PLUS, 'convert': ARROW_RIGHT, 'convert_pause': ['## ##'] * 7,
        'convert_stop': ['#######'] * 7, 'save_as': ARROW_DOWN, 'play': ARROW_RIGHT, 'pause': ['## ##'] * 7,
        'stop': ['#######'] * 7, 'photo': DOT, 'setstart': ARROW_LEFT, 'setend': ARROW_RIGHT,
        'playpart': ARROW_RIGHT, 'rename': MENU, 'remove': CLOSE, 'rename_over': MENU, 'remove_over': CLOSE,
        'music_icon': DOT, 'volume': ARROW_RIGHT, 'imgarrow': ARROW_DOWN, 'imgarrow_over': ARROW_DOWN}
    for name, g in glyphs.items():
        over = name.endswith('_over')
        cv = Canvas(24, 24, (0, 0, 0))
        for p in cv.px:
            p[3] = 0
        cv.rounded(0, 0, 24, 24, ACCENT_DARK if over else ACCENT, ACCENT_DARK, (0, 0, 0, 0))
        cv.glyph(12 - max(len(r) for r in g) // 2, 12 - len(g) // 2, g, WHITE)
        files[name + '.png'] = cv.png()

    # The small toolbar's pictures: a plain glyph on a clear ground.
    small = {'sm_add_files': PLUS, 'sm_remove': CLOSE, 'sm_remove_all': MENU, 'sm_trim': CLOSE, 'sm_edit': MENU,
             'sm_join': PLUS, 'sm_convert': ARROW_RIGHT, 'sm_pause': ['## ##'] * 7, 'sm_stop': ['#######'] * 7}
    for name, g in small.items():
        cv = Canvas(16, 16, (0, 0, 0))
        for p in cv.px:
            p[3] = 0
        cv.glyph(8 - max(len(r) for r in g) // 2, 8 - len(g) // 2, g, ACCENT_DARK)
        files[name + '.png'] = cv.png()

    def bmp(name, w, h, draw):
        cv = Canvas(w, h, SURFACE)
        draw(cv)
        files[name] = cv.bmp()
    bmp('profilescombo.bmp', 120, 28, lambda cv: cv.rounded(0, 0, 120, 28, FACE, BORDER, SURFACE))
    bmp('profilescombo_over.bmp', 120, 28, lambda cv: cv.rounded(0, 0, 120, 28, FACE_HOVER, ACCENT, SURFACE))
    bmp('tablerow.bmp', 16, 24, lambda cv: (cv.fill(0, 0, 16, 24, FACE), cv.fill(0, 23, 16, 1, (229, 231, 235))))
    bmp('tablecolumncaptionbar.bmp', 16, 24, lambda cv: cv.vgrad(0, 0, 16, 24, (249, 250, 251), (236, 238, 241)))
    bmp('progress.bmp', 16, 8, lambda cv: cv.fill(0, 0, 16, 8, (229, 231, 235)))
    bmp('progress_fill.bmp', 16, 8, lambda cv: cv.fill(0, 0, 16, 8, ACCENT))
    bmp('trim_left.bmp', 9, 24, lambda cv: cv.rounded(0, 0, 9, 24, ACCENT, ACCENT_DARK, SURFACE))
    bmp('trim_right.bmp', 9, 24, lambda cv: cv.rounded(0, 0, 9, 24, ACCENT, ACCENT_DARK, SURFACE))
    bmp('webcam.bmp', 64, 32, lambda cv: (cv.rounded(0, 0, 32, 32, FACE, BORDER, SURFACE),
                                          cv.rounded(32, 0, 32, 32, FACE_HOVER, ACCENT, SURFACE),
                                          cv.glyph(14, 14, DOT, TEXT_MUTED), cv.glyph(46, 14, DOT, ACCENT)))
    # What covers the empty item table: a drop zone with a large plus, one
    # picture per language.
    def getting_started(cv):
        cv.fill(0, 0, 680, 272, FACE)
        cv.rounded(40, 24, 600, 224, SURFACE, BORDER, FACE)
        big = [row.replace('#', '####').replace(' ', '    ') for row in PLUS for _ in range(4)]
        cv.glyph(340 - max(len(r) for r in big) // 2, 136 - len(big) // 2, big, ACCENT)
    for n in (0, 1):
        bmp('gettingstarted%d.bmp' % n, 680, 272, getting_started)
    return files


# ------------------------------------------------------------------ test skin

def build_test_skin():
    """Flat colour blocks: three active pictures, one control and one object
    of a few kinds, small enough to check by eye."""
    files = {}
    for name, c in (('red.bmp', (255, 0, 0)), ('green.bmp', (0, 255, 0)), ('blue.bmp', (0, 0, 255))):
        cv = Canvas(8, 4, c)
        files[name] = cv.bmp()
    frame = Canvas(16, 16, (128, 128, 128))
    files['frame.bmp'] = frame.bmp()
    files['grey.jpg'] = Canvas(8, 8, (128, 128, 128)).jpeg()
    ini = Ini()
    ini.section('VERSION', {'ver': 2, 'skinname': 'flat test'})
    ini.section('PICTURES', {'picture': 'frame.bmp', 'activepicturescount': 4, '0': 'red.bmp', '1': 'green.bmp',
                             '2': 'blue.bmp', '3': 'grey.jpg'})
    ini.section('FORMINFO', {'lefttoppoint': '2,2', 'righttoppoint': '14,2', 'leftbottompoint': '2,14',
                             'rightbottompoint': '14,14', 'clientrect': '2,2,14,14'})
    ini.section('SKINAREAS', {'count': 1, '0': 'area:1,2,3,4;1,0,1,0,1'})
    ini.section('SKINOBJECTS', {'count': 2, '0': 'closebutton:stdbutton', '1': 'caption:caption'})
    ini.section('SKINCONTROLS', {'count': 3, '0': 'button:button', '1': 'panel:panel', '2': 'edit:edit'})
    ini.section('closebutton', {'skinrect': '10,2,14,6', 'command': 'cmclose', 'hint': 'Close'})
    ini.section('caption', {'textrect': '2,0,10,2', 'fontname': 'Tahoma', 'fontheight': 12})
    ini.section('button', {'pictureindex': 0, 'skinrect': '0,0,8,4', 'fontname': 'Tahoma'})
    ini.section('panel', {'pictureindex': 1, 'skinrect': '0,0,8,4'})
    ini.section('edit', {'pictureindex': 2, 'skinrect': '0,0,8,4'})
    ini.section('SKINCOLORS', {'cbtnface': 255})
    return files, ini.text()


def fuzz_seeds():
    """Seeds of the skin fuzzers: value texts, skin.ini texts, and the test
    skin packed as a compressed skin with every payload version (first byte
    0: a whole container; 1: a bare payload)."""
    files, text = build_test_skin()
    seeds = {}
    for i, v in enumerate(('1,2,3,4', '-10,-20,30,40', '10, 20', '$1F', '0x10', 'a:1,2,3,4;1,0,1,0,1',
                           'fsbold,fsitalic', 'tacenter', 'cmminimizetotray', 'b:c:d')):
        seeds['skin_value_fuzzer/v%d' % i] = b'\0' + v.encode()
    seeds['skin_ini_fuzzer/test.ini'] = text.encode()
    seeds['skin_ini_fuzzer/full.ini'] = build_skin()[1].encode()

    def flagged(name):
        return b'\0' + files[name]
    for version in (0, 1, 2, 3):
        payload = struct.pack('<i', version) + flagged('frame.bmp')
        if version in (2, 3):
            payload += b'\1'
        payload += b'\1'
        if version in (1, 2):
            payload += b'\1\1'
        names = ['red.bmp', 'green.bmp', 'blue.bmp']
        payload += struct.pack('<i', len(names)) + b''.join(files[n] for n in names)
        payload += text.replace('activepicturescount=4', 'activepicturescount=3').encode()
        data = zlib.compress(payload, 9)
        seeds['skin_compressed_fuzzer/container%d' % version] = b'\0' + struct.pack('<ii', 2, len(data)) + data
        seeds['skin_compressed_fuzzer/payload%d' % version] = b'\1' + payload
    return seeds


def main():
    args = [a for a in sys.argv[1:] if not a.startswith('--')]
    if len(args) != 1:
        sys.exit(__doc__)
    out = args[0]
    os.makedirs(out, exist_ok=True)
    if '--seeds' in sys.argv:
        files, text = fuzz_seeds(), None
    elif '--test' in sys.argv:
        files, text = build_test_skin()
    else:
        files, text = build_skin()
        files.update(app_pictures())
    if text is not None:
        files['skin.ini'] = text.encode('ascii')
    for name, data in sorted(files.items()):
        path = os.path.join(out, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        try:
            with open(path, 'rb') as f:
                if f.read() == data:
                    continue   # unchanged: keep the time stamp
        except OSError:
            pass
        with open(path, 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
