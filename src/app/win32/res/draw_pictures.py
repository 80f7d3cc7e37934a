#!/usr/bin/env python3
"""Draws the program's icon and the panel's button glyphs, pixel by pixel, and writes them with
ImageMagick's convert: dumpwarden.ico (16, 32 and 48 pixels, with alpha), the panel's 16x16 glyph
bitmaps and the settings dialog's add (25x19), delete (18x18) and browse (14x12) pictures (24-bit, olive background =
transparent colour, taken from the lower-left pixel).

Glyph pixels are either fully in or out (coverage of 4x4 samples >= 1/2), so they stay crisp at their
one size; the icon keeps the coverage as alpha. Run from any folder: python3 draw_pictures.py
"""
import math
import os
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
OLIVE = (128, 128, 0)
SAMPLES = 4


# --- shapes: functions (x, y) -> bool in pixel coordinates (pixel centres at .5) --------------------
def disc(cx, cy, r):
    return lambda x, y: (x - cx) ** 2 + (y - cy) ** 2 <= r * r


def ellipse(cx, cy, rx, ry):
    return lambda x, y: ((x - cx) / rx) ** 2 + ((y - cy) / ry) ** 2 <= 1.0


def rect(x0, y0, x1, y1):
    return lambda x, y: x0 <= x <= x1 and y0 <= y <= y1


def ring(cx, cy, r0, r1, a_from=0.0, a_to=360.0):
    """Annulus between radii r0..r1 over angles a_from..a_to (degrees, 0 = east, counter-clockwise)."""
    def inside(x, y):
        d = math.hypot(x - cx, y - cy)
        if not (r0 <= d <= r1):
            return False
        a = math.degrees(math.atan2(cy - y, x - cx)) % 360.0
        lo, hi = a_from % 360.0, a_to % 360.0
        return lo <= a <= hi if lo <= hi else (a >= lo or a <= hi)
    return inside


def polygon(points):
    def inside(x, y):
        hit = False
        n = len(points)
        for i in range(n):
            (x0, y0), (x1, y1) = points[i], points[(i + 1) % n]
            if (y0 > y) != (y1 > y) and x < (x1 - x0) * (y - y0) / (y1 - y0) + x0:
                hit = not hit
        return hit
    return inside


def segment(xa, ya, xb, yb, width):
    def inside(x, y):
        dx, dy = xb - xa, yb - ya
        t = max(0.0, min(1.0, ((x - xa) * dx + (y - ya) * dy) / (dx * dx + dy * dy)))
        return math.hypot(x - (xa + t * dx), y - (ya + t * dy)) <= width / 2
    return inside


def union(*shapes):
    return lambda x, y: any(s(x, y) for s in shapes)


def minus(a, b):
    return lambda x, y: a(x, y) and not b(x, y)


def coverage(shape, px, py):
    hits = 0
    for i in range(SAMPLES):
        for j in range(SAMPLES):
            if shape(px + (i + 0.5) / SAMPLES, py + (j + 0.5) / SAMPLES):
                hits += 1
    return hits / (SAMPLES * SAMPLES)


def paint(size, layers, crisp=False, height=None):
    """layers: [(shape, (r, g, b))] painted in order. Returns rows of (r, g, b, a).
    crisp: each layer covers a pixel wholly (coverage >= 1/2) or not at all.
    height: for a picture that is not square (size is then its width)."""
    width, height = size, height or size
    img = [[(0, 0, 0, 0.0) for _ in range(width)] for _ in range(height)]
    for shape, colour in layers:
        for py in range(height):
            for px in range(width):
                c = coverage(shape, px, py)
                if crisp:
                    c = 1.0 if c >= 0.5 else 0.0
                if c == 0:
                    continue
                r, g, b, a = img[py][px]
                out_a = c + a * (1 - c)
                mix = [(colour[k] * c + (r, g, b)[k] * a * (1 - c)) / out_a for k in range(3)]
                img[py][px] = (mix[0], mix[1], mix[2], out_a)
    return img


def write_glyph(name, size, layers, height=None):
    """Crisp 24-bit bitmap on the olive transparent colour; `height` for one that is not square."""
    img = paint(size, layers, crisp=True, height=height)
    data = bytearray()
    for row in img:
        for r, g, b, a in row:
            data += bytes(OLIVE) if a < 0.5 else bytes((round(r), round(g), round(b)))
    with tempfile.NamedTemporaryFile(suffix=".ppm", delete=False) as f:
        f.write(b"P6 %d %d 255\n" % (size, height or size) + bytes(data))
        ppm = f.name
    subprocess.run(["convert", ppm, "-type", "TrueColor", "BMP3:" + os.path.join(HERE, name)], check=True)
    os.unlink(ppm)


def write_pam(size, img, path):
    data = bytearray()
    for row in img:
        for r, g, b, a in row:
            data += bytes((round(r), round(g), round(b), round(a * 255)))
    with open(path, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (size, size) + bytes(data))


def grey(colour, lighten=0.45):
    """The picture's colours for a disabled button: grey, lightened towards the button face."""
    luma = 0.299 * colour[0] + 0.587 * colour[1] + 0.114 * colour[2]
    v = luma + (200 - luma) * lighten
    return (v, v, v)


# --- the pictures ----------------------------------------------------------------------------------
def arrow_head(cx, cy, r, angle, size):
    """A triangle on the circle at `angle` (degrees), pointing along it clockwise."""
    t = math.radians(angle)
    px, py = cx + r * math.cos(t), cy - r * math.sin(t)
    nx, ny = math.cos(t), -math.sin(t)  # outwards
    tx, ty = math.sin(t), math.cos(t)   # clockwise on the screen
    return polygon([(px + nx * size, py + ny * size), (px - nx * size, py - ny * size),
                    (px + tx * size * 1.3, py + ty * size * 1.3)])


def refresh(colours):
    dark, light = colours
    c, r = 8.0, 4.6
    # Two arcs of one circle running clockwise, each ending in an arrowhead short of the other's tail.
    arcs = union(ring(c, c, 3.7, 5.5, 35, 165), ring(c, c, 3.7, 5.5, 215, 345))
    heads = union(arrow_head(c, c, r, 35, 3.0), arrow_head(c, c, r, 215, 3.0))
    shine = union(ring(c, c, 4.4, 4.9, 60, 150), ring(c, c, 4.4, 4.9, 240, 330))
    return [(union(arcs, heads), dark), (shine, light)]


def set_time(colours):
    rim, face, hands, mark = colours
    return [
        (disc(8, 8, 7.4), rim),
        (disc(8, 8, 5.9), face),
        (union(rect(7.5, 2.6, 8.5, 3.6), rect(12.4, 7.5, 13.4, 8.5), rect(7.5, 12.4, 8.5, 13.4),
               rect(2.6, 7.5, 3.6, 8.5)), mark),
        (union(segment(8, 8, 8, 4.2, 1.3), segment(8, 8, 11.2, 10.2, 1.3)), hands),
    ]


def login(colours):
    metal, dark = colours
    # A key lying flat: the bow at the left, the shaft to the right, two teeth hanging from its end.
    bow = minus(disc(4.5, 7.5, 3.9), disc(4.5, 7.5, 1.7))
    shaft = rect(7.5, 6.5, 15.0, 8.5)
    teeth = union(rect(11.0, 8.5, 12.0, 11.0), rect(13.5, 8.5, 15.0, 12.0))
    rim = minus(disc(4.5, 7.5, 3.9), disc(4.5, 7.5, 3.0))
    return [(union(bow, shaft, teeth), metal), (rim, dark), (rect(7.5, 8.0, 15.0, 8.5), dark)]


def minimize(colours):
    frame, title, arrow = colours
    # A window above an arrow that points down to the task bar.
    window = minus(rect(2.0, 0.0, 14.0, 7.0), rect(3.0, 3.0, 13.0, 6.0))
    bar = rect(3.0, 1.0, 13.0, 2.9)
    down = union(rect(6.8, 7.5, 9.2, 10.0), polygon([(4.0, 10.0), (12.0, 10.0), (8.0, 14.0)]))
    tray = rect(1.0, 14.5, 15.0, 16.0)
    return [(window, frame), (bar, title), (down, arrow), (tray, frame)]


def add_chevrons(colours):
    """25x19: two downward chevrons, one above the other: "put it into the list below"."""
    fill, edge = colours
    def chevron(top):
        return polygon([(3.0, top), (12.5, top + 6.0), (22.0, top), (22.0, top + 3.5), (12.5, top + 9.5),
                        (3.0, top + 3.5)])
    both = union(chevron(1.0), chevron(8.5))
    inner = union(polygon([(5.0, 2.6), (12.5, 7.3), (20.0, 2.6), (20.0, 3.9), (12.5, 8.6), (5.0, 3.9)]),
                  polygon([(5.0, 10.1), (12.5, 14.8), (20.0, 10.1), (20.0, 11.4), (12.5, 16.1), (5.0, 11.4)]))
    return [(both, edge), (inner, fill)]


def delete_cross(colours):
    """18x18: a red diagonal cross."""
    fill, edge = colours
    outer = union(segment(3.0, 3.0, 15.0, 15.0, 4.2), segment(15.0, 3.0, 3.0, 15.0, 4.2))
    inner = union(segment(3.8, 3.8, 14.2, 14.2, 2.0), segment(14.2, 3.8, 3.8, 14.2, 2.0))
    return [(outer, edge), (inner, fill)]


def browse_folder(colours):
    """14x12: a yellow folder, the browse button of a directory field."""
    body, edge = colours
    outline = union(rect(0.5, 2.0, 13.5, 11.5), rect(0.5, 0.5, 5.5, 2.5))
    inside = union(rect(1.5, 3.0, 12.5, 10.5), rect(1.5, 1.5, 4.5, 3.0))
    return [(outline, edge), (inside, body), (rect(1.5, 3.5, 12.5, 4.2), edge)]


def application_icon(size):
    s = size / 32.0
    body = union(rect(5 * s, 7 * s, 23 * s, 24 * s), ellipse(14 * s, 24 * s, 9 * s, 3.5 * s))
    top = ellipse(14 * s, 7 * s, 9 * s, 3.5 * s)
    band = union(ring(14 * s, 12.4 * s, 8.7 * s, 9.3 * s, 185, 355), ring(14 * s, 18.0 * s, 8.7 * s, 9.3 * s, 185, 355))
    shield = polygon([(19 * s, 14 * s), (25 * s, 12 * s), (31 * s, 14 * s), (31 * s, 21 * s), (25 * s, 30.5 * s),
                      (19 * s, 21 * s)])
    shield_in = polygon([(20.5 * s, 15 * s), (25 * s, 13.6 * s), (29.5 * s, 15 * s), (29.5 * s, 20.6 * s),
                         (25 * s, 28 * s), (20.5 * s, 20.6 * s)])
    tick = union(segment(22 * s, 20 * s, 24.4 * s, 23 * s, 2.0 * s), segment(24.4 * s, 23 * s, 28.2 * s, 16.6 * s, 2.0 * s))
    return paint(size, [
        (body, (40, 88, 160)),
        (band, (120, 160, 220)),
        (top, (110, 150, 215)),
        (ellipse(14 * s, 7 * s, 6.5 * s, 2.0 * s), (170, 200, 240)),
        (shield, (120, 80, 10)),
        (shield_in, (235, 180, 40)),
        (tick, (20, 110, 30)),
    ])


def main():
    green = ((0, 120, 0), (110, 210, 110))
    write_glyph("refresh.bmp", 16, refresh(green))
    write_glyph("refresh_disabled.bmp", 16, refresh(tuple(grey(c) for c in green)))
    write_glyph("settime.bmp", 16, set_time(((20, 60, 150), (255, 255, 255), (0, 0, 0), (20, 60, 150))))
    key = ((220, 170, 30), (120, 80, 0))
    write_glyph("login.bmp", 16, login(key))
    write_glyph("login_disabled.bmp", 16, login(tuple(grey(c) for c in key)))
    write_glyph("minimize.bmp", 16, minimize(((60, 60, 60), (10, 40, 140), (190, 30, 30))))
    write_glyph("add_item.bmp", 25, add_chevrons(((40, 150, 40), (0, 80, 0))), height=19)
    write_glyph("delete_item.bmp", 18, delete_cross(((230, 30, 30), (140, 0, 0))))
    write_glyph("browse_folder.bmp", 14, browse_folder(((240, 200, 60), (130, 90, 0))), height=12)

    with tempfile.TemporaryDirectory() as tmp:
        pams = []
        for size in (16, 32, 48):
            path = os.path.join(tmp, "icon%d.pam" % size)
            write_pam(size, application_icon(size), path)
            pams.append(path)
        subprocess.run(["convert", *pams, os.path.join(HERE, "dumpwarden.ico")], check=True)


if __name__ == "__main__":
    main()
