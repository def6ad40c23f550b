"""How each family draws one cel: a function (picture, cel index, width,
height) -> SVG text in cel coordinates. Every number is written through
num() and every pseudo-random choice comes from Lcg seeded by the file
name, so a run gives the same SVG, and so the same PNG, every time."""
import math
import zlib

FONT = "DejaVu Sans"

COLORS = {
    "red": "#d8352f", "green": "#35a844", "blue": "#2f6fd8", "yellow": "#f0c828",
    "black": "#2a2a32", "grey": "#8c8c96", "purple": "#8e44c4", "white": "#ecece6",
}
# Each colour also has a shape, so the balls read without colour vision.
EMBLEMS = {
    "red": "dot", "green": "ring", "blue": "bar", "yellow": "triangle",
    "black": "diamond", "grey": "square", "purple": "cross", "white": "star",
}
SHAPES = ["dot", "ring", "bar", "triangle", "diamond", "square", "cross", "star"]
RIMS = ["#b06a34", "#b4bcc6", "#e2b22c"]  # bronze, silver, gold by grade
# Highlights never use pure white: on level sprites it is the see-through key.
LIGHT = "#fefefe"
WORD = "ORBIT"


def num(v):
    text = "%.2f" % v
    text = text.rstrip("0").rstrip(".")
    return "0" if text in ("-0", "") else text


class Lcg:
    """The game's own generator, seeded from a name."""

    def __init__(self, name):
        self.state = zlib.crc32(name.encode("ascii"))

    def next(self):
        self.state = (self.state * 214013 + 2531011) & 0xFFFFFFFF
        return (self.state >> 16) & 0x7FFF

    def uniform(self, a, b):
        return a + (b - a) * self.next() / 32767.0


def hue_of(name):
    return zlib.crc32(name.encode("ascii")) % 360


def hsl(h, s, l):
    return "hsl(%d,%d%%,%d%%)" % (h % 360, s, l)


def text(x, y, s, size, fill, anchor="middle", weight="bold", extra=""):
    return ('<text x="%s" y="%s" font-family="%s" font-size="%s" font-weight="%s" text-anchor="%s" '
            'fill="%s"%s>%s</text>' % (num(x), num(y), FONT, num(size), weight, anchor, fill, extra,
                                        s.replace("&", "&amp;").replace("<", "&lt;")))


def star_points(cx, cy, r_out, r_in, points, turn=0.0):
    pts = []
    for i in range(points * 2):
        r = r_out if i % 2 == 0 else r_in
        a = turn + math.pi * i / points - math.pi / 2
        pts.append("%s,%s" % (num(cx + r * math.cos(a)), num(cy + r * math.sin(a))))
    return " ".join(pts)


def emblem(shape, cx, cy, r, fill, sy=1.0):
    """A shape of size r about (cx, cy), squashed vertically by sy."""
    g = '<g transform="translate(%s %s) scale(1 %s)">' % (num(cx), num(cy), num(max(sy, 0.01)))
    if shape == "dot":
        body = '<circle r="%s" fill="%s"/>' % (num(r * 0.55), fill)
    elif shape == "ring":
        body = '<circle r="%s" fill="none" stroke="%s" stroke-width="%s"/>' % (num(r * 0.6), fill, num(r * 0.3))
    elif shape == "bar":
        body = '<rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>' % (
            num(-r * 0.85), num(-r * 0.22), num(r * 1.7), num(r * 0.44), fill)
    elif shape == "triangle":
        body = '<polygon points="0,%s %s,%s %s,%s" fill="%s"/>' % (
            num(-r * 0.8), num(r * 0.75), num(r * 0.55), num(-r * 0.75), num(r * 0.55), fill)
    elif shape == "diamond":
        body = '<polygon points="0,%s %s,0 0,%s %s,0" fill="%s"/>' % (
            num(-r * 0.85), num(r * 0.65), num(r * 0.85), num(-r * 0.65), fill)
    elif shape == "square":
        body = '<rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>' % (
            num(-r * 0.55), num(-r * 0.55), num(r * 1.1), num(r * 1.1), fill)
    elif shape == "cross":
        body = ('<rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>'
                '<rect x="%s" y="%s" width="%s" height="%s" fill="%s"/>') % (
            num(-r * 0.8), num(-r * 0.2), num(r * 1.6), num(r * 0.4), fill,
            num(-r * 0.2), num(-r * 0.8), num(r * 0.4), num(r * 1.6), fill)
    else:
        body = '<polygon points="%s" fill="%s"/>' % (star_points(0, 0, r * 0.9, r * 0.4, 5), fill)
    return g + body + "</g>"


def ink_for(color):
    return "#202024" if color in ("yellow", "white", "grey") else "#f4f4f0"


def cel_count(pic):
    return pic.rows * pic.cols


# ---- the families ---------------------------------------------------------

def placeholder(pic, k, w, h):
    """A flat labelled block: the family every entry has before its art."""
    hue = hue_of(pic.file)
    fill = hsl(hue + 17 * k, 45, 42 + (k % 2) * 8)
    out = ['<rect x="0.5" y="0.5" width="%s" height="%s" fill="%s" stroke="#18181c" stroke-width="1"/>'
           % (num(w - 1), num(h - 1), fill)]
    label = str(k) if cel_count(pic) > 1 else ""
    if w >= 40 and h >= 14:
        name = (pic.ids[0] if pic.ids else pic.file).rsplit("/", 1)[-1].rsplit(".", 1)[0]
        label = (name + " " + label).strip()
    if pic.params.get("pit"):
        # The pit's see-through key works in every set.
        out.append('<circle cx="%s" cy="%s" r="%s" fill="#ffffff"/>' % (num(w / 2), num(h / 2), num(min(w, h) / 4)))
    if label:
        size = max(5.0, min(h * 0.45, w * 1.6 / max(1, len(label)), 28.0))
        out.append(text(w / 2, h / 2 + size * 0.36, label, size, "#101014"))
    return "".join(out)


def _color(pic):
    for key in ("color", "c"):
        if key in pic.params:
            return pic.params[key]
        if key in pic.fields and pic.fields[key] in COLORS:
            return pic.fields[key]
    return None


def _sphere(cx, cy, r, color, gid):
    base = COLORS[color]
    return ('<defs><radialGradient id="%s" cx="0.38" cy="0.34" r="0.7">'
            '<stop offset="0" stop-color="%s" stop-opacity="0.9"/>'
            '<stop offset="0.35" stop-color="%s"/><stop offset="1" stop-color="#101014"/>'
            '</radialGradient></defs><circle cx="%s" cy="%s" r="%s" fill="url(#%s)"/>'
            '<circle cx="%s" cy="%s" r="%s" fill="%s" fill-opacity="0.22"/>'
            '<circle cx="%s" cy="%s" r="%s" fill="%s" fill-opacity="0.6"/>') % (
        gid, LIGHT, base, num(cx), num(cy), num(r), gid, num(cx), num(cy), num(r * 0.92), base,
        num(cx - r * 0.35), num(cy - r * 0.4), num(r * 0.16), LIGHT)


def ball(pic, k, w, h):
    """A coloured sphere whose emblem rolls towards +y from cel to cel."""
    color = _color(pic) or "red"
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 0.5
    out = [_sphere(cx, cy, r, color, "b%d" % k)]
    n = cel_count(pic)
    for side in (0.0, math.pi):
        phi = 2 * math.pi * k / n + side
        depth = math.cos(phi)
        if depth <= 0.05:
            continue
        out.append(emblem(EMBLEMS[color], cx, cy + r * 0.62 * math.sin(phi), r * 0.55, ink_for(color), depth))
    return "".join(out)


def ball_wild(pic, k, w, h):
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 0.5
    out = []
    names = list(COLORS)
    for i in range(8):
        a0 = 2 * math.pi * (i + k / 8.0) / 8
        a1 = a0 + 2 * math.pi / 8
        out.append('<path d="M%s,%s L%s,%s A%s,%s 0 0 1 %s,%s Z" fill="%s"/>' % (
            num(cx), num(cy), num(cx + r * math.cos(a0)), num(cy + r * math.sin(a0)), num(r), num(r),
            num(cx + r * math.cos(a1)), num(cy + r * math.sin(a1)), COLORS[names[i]]))
    out.append('<circle cx="%s" cy="%s" r="%s" fill="%s" fill-opacity="0.85"/>' % (num(cx), num(cy), num(r * 0.35),
                                                                                    LIGHT))
    out.append(emblem("star", cx, cy, r * 0.35, "#303038"))
    return "".join(out)


def special_ball(pic, k, w, h):
    kind = pic.fields.get("s", "bomb")
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 0.5
    body = {"bomb": "black", "lightning": "blue", "aiming_hit": "grey", "wild": "purple"}.get(kind, "grey")
    out = [_sphere(cx, cy, r, body, "s%d" % k)]
    turn = 360.0 * k / max(1, cel_count(pic))
    ink = "#ffd040" if pic.params.get("intensive") else LIGHT
    out.append('<g transform="rotate(%s %s %s)">' % (num(turn), num(cx), num(cy)))
    if kind == "bomb":
        out.append(emblem("star", cx, cy, r * 0.7, ink))
    elif kind == "lightning":
        out.append('<polygon points="%s" fill="%s"/>' % (" ".join(
            "%s,%s" % (num(cx + x * r), num(cy + y * r))
            for x, y in ((0.1, -0.75), (-0.35, 0.1), (0.0, 0.1), (-0.15, 0.75), (0.4, -0.15), (0.05, -0.15))), ink))
    elif kind == "wild":
        return ball_wild(pic, 0, w, h)
    else:
        out.append('<circle cx="%s" cy="%s" r="%s" fill="none" stroke="%s" stroke-width="%s"/>' % (
            num(cx), num(cy), num(r * 0.5), ink, num(r * 0.15)))
        out.append(emblem("cross", cx, cy, r * 0.8, ink))
    out.append("</g>")
    return "".join(out)


def shadow(pic, k, w, h):
    if pic.params.get("shape") == "platform":
        return ('<defs><filter id="f" x="-0.2" y="-0.3" width="1.4" height="1.6"><feGaussianBlur stdDeviation="3"/>'
                '</filter></defs><rect x="12" y="12" width="%s" height="%s" rx="10" fill="#000000" '
                'fill-opacity="0.45" filter="url(#f)"/>') % (num(w - 24), num(h - 24))
    return ('<defs><radialGradient id="sh"><stop offset="0" stop-color="#000000" stop-opacity="0.55"/>'
            '<stop offset="1" stop-color="#000000" stop-opacity="0"/></radialGradient></defs>'
            '<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="url(#sh)"/>') % (num(w / 2), num(h / 2), num(w / 2),
                                                                          num(h / 2))


def platform(pic, k, w, h):
    out = ['<defs><linearGradient id="p" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#9aa6b8"/>'
           '<stop offset="1" stop-color="#3a4250"/></linearGradient></defs>',
           '<rect x="2" y="6" width="%s" height="%s" rx="12" fill="url(#p)" stroke="#20242c" stroke-width="2"/>'
           % (num(w - 4), num(h - 12))]
    for x in (35, 100):  # the preview sockets, top-left of a 16x16 ball
        out.append('<circle cx="%s" cy="21" r="10" fill="#1a1e26" stroke="#c8d0dc" stroke-width="1.5"/>'
                   % num(x + 8))
    out.append('<rect x="62" y="2" width="26" height="14" rx="4" fill="#c8d0dc"/>')
    return "".join(out)


def _glow(cx, cy, r, color, alpha, gid, ring=False):
    if ring:
        stops = ('<stop offset="0.55" stop-color="%s" stop-opacity="0"/><stop offset="0.78" stop-color="%s" '
                 'stop-opacity="%s"/><stop offset="1" stop-color="%s" stop-opacity="0"/>') % (
            color, color, num(alpha), color)
    else:
        stops = ('<stop offset="0" stop-color="%s" stop-opacity="%s"/><stop offset="1" stop-color="%s" '
                 'stop-opacity="0"/>') % (color, num(alpha), color)
    return ('<defs><radialGradient id="%s">%s</radialGradient></defs><circle cx="%s" cy="%s" r="%s" '
            'fill="url(#%s)"/>') % (gid, stops, num(cx), num(cy), num(r), gid)


def glow(pic, k, w, h):
    n = cel_count(pic)
    pulse = 0.5 + 0.5 * math.cos(2 * math.pi * k / n)
    hue = hue_of(pic.file)
    color = "#ffe890" if "active" in pic.file else hsl(hue, 80, 70)
    r = min(w, h) / 2 * (0.8 + 0.2 * pulse)
    return _glow(w / 2, h / 2, r, color, 0.55 + 0.4 * pulse, "g%d" % k, pic.params.get("ring", False))


def sparkle(pic, k, w, h):
    rng = Lcg(pic.file)
    n = cel_count(pic)
    out = []
    for i in range(6):
        a = rng.uniform(0, 2 * math.pi) + 2 * math.pi * k / n
        d = rng.uniform(0.45, 0.8) * min(w, h) / 2
        s = rng.uniform(2.5, 4.5) * min(w, h) / 48
        x, y = w / 2 + d * math.cos(a), h / 2 + d * math.sin(a)
        out.append('<polygon points="%s" fill="%s" fill-opacity="%s"/>' % (
            star_points(x, y, s * 2, s * 0.6, 4), hsl(hue_of(pic.file) + 45 * i, 90, 80),
            num(0.5 + 0.5 * abs(math.sin(a * 2)))))
    return "".join(out)


def star(pic, k, w, h):
    n = cel_count(pic)
    t = k / max(1, n - 1) if n > 1 else 0.0
    r = min(w, h) / 2 * (0.95 - 0.35 * t)
    a = 1.0 - 0.7 * t
    hue = hue_of(pic.file)
    return _glow(w / 2, h / 2, r, hsl(hue, 90, 75), a * 0.6, "st%d" % k) + '<polygon points="%s" fill="%s" ' \
        'fill-opacity="%s"/>' % (star_points(w / 2, h / 2, r * 0.95, r * 0.3, 4, math.pi * t / 2), LIGHT, num(a))


def burst(pic, k, w, h):
    n = cel_count(pic)
    t = k / max(1, n - 1)
    hue = hue_of(pic.file)
    r = min(w, h) / 2 * (0.3 + 0.68 * t)
    out = [_glow(w / 2, h / 2, r, hsl(hue, 90, 70), 1.0 - 0.8 * t, "u%d" % k, pic.params.get("ring", False))]
    if not pic.params.get("ring"):
        out.append('<polygon points="%s" fill="%s" fill-opacity="%s"/>' % (
            star_points(w / 2, h / 2, r * 0.9, r * 0.25, 6, t), LIGHT, num(0.9 * (1 - t))))
    return "".join(out)


def consume(pic, k, w, h):
    color = _color(pic) or "white"
    if "wild" in pic.file:
        color = ["red", "green", "blue", "yellow"][k % 4]
    n = cel_count(pic)
    t = k / max(1, n - 1)
    r = min(w, h) / 2 - 1
    out = [_glow(w / 2, h / 2, r * (0.4 + 0.6 * t), COLORS[color], 0.9 * (1 - t), "c%d" % k)]
    for i in range(6):
        a = 2 * math.pi * i / 6
        d = r * (0.2 + 0.7 * t)
        out.append(emblem(EMBLEMS[color], w / 2 + d * math.cos(a), h / 2 + d * math.sin(a), r * 0.22 * (1 - 0.5 * t),
                          COLORS[color]).replace("<g ", '<g opacity="%s" ' % num(1 - t), 1))
    return "".join(out)


def lightning(pic, k, w, h):
    rng = Lcg("%s:%d" % (pic.file, k))
    n = cel_count(pic)
    fade = 1.0 - 0.6 * k / max(1, n - 1)
    color = "#ffe070" if pic.params.get("intensive") else "#a8d8ff"
    out = []
    for strand in range(2 if pic.params.get("bolt") else 1):
        pts, x, y = [], w / 2, 0.0
        steps = 14 if pic.params.get("bolt") else 6
        for i in range(steps + 1):
            pts.append("%s,%s" % (num(x), num(y)))
            y += h / steps
            x = min(w - 3, max(3, w / 2 + rng.uniform(-0.4, 0.4) * w))
        width = (w / 8 if pic.params.get("bolt") else 3) / (strand + 1)
        out.append('<polyline points="%s" fill="none" stroke="%s" stroke-opacity="%s" stroke-width="%s" '
                   'stroke-linejoin="round"/>' % (" ".join(pts), color, num(fade * 0.5), num(width * 2.2)))
        out.append('<polyline points="%s" fill="none" stroke="%s" stroke-opacity="%s" stroke-width="%s" '
                   'stroke-linejoin="round"/>' % (" ".join(pts), LIGHT, num(fade), num(width)))
    return "".join(out)


def token(pic, k, w, h):
    """A falling bonus: a coin that spins about its vertical axis."""
    kind = pic.params.get("kind") or pic.fields.get("t") or pic.file.rsplit("/", 1)[-1].rsplit(".", 1)[0]
    n = cel_count(pic)
    c = math.cos(2 * math.pi * k / n)
    sx = max(abs(c), 0.08)
    back = c < 0
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 1
    color = _color(pic)
    face = COLORS[color] if color else hsl(hue_of(kind), 60, 50)
    if kind.startswith("jewel"):
        face = ["#30c0a0", "#d04080", "#e0a020"][int(kind[-1]) % 3]
    if kind == "coin":
        face = "#e0b030"
    out = ['<g transform="translate(%s %s) scale(%s 1)">' % (num(cx), num(cy), num(sx)),
           '<circle r="%s" fill="%s" stroke="#1c1c22" stroke-width="1.5"/>' % (num(r), face)]
    if back:
        out.append('<circle r="%s" fill="#000000" fill-opacity="0.35"/>' % num(r))
    else:
        ink = ink_for(color) if color else LIGHT
        if color:
            out.append(emblem(EMBLEMS[color], 0, 0, r * 0.6, ink))
        elif kind.startswith("letter_"):
            out.append(text(0, r * 0.38, WORD[int(kind[-1])], r * 1.1, ink))
        elif kind.startswith("jewel"):
            out.append(emblem("diamond", 0, 0, r * 0.75, LIGHT))
        else:
            mark = {"wild_ball": "W", "slowing": "S", "go_back": "B", "stop": "||", "bomb": "*", "lightning": "Z",
                    "pull_in": "P", "intensifier": "+", "progress": ">", "coin": "$", "aiming_hit": "A",
                    "sequence_acceleration": ">>"}.get(kind, kind[:1].upper())
            out.append(text(0, r * 0.36, mark, r * (1.0 if len(mark) == 1 else 0.8), ink))
    out.append("</g>")
    return "".join(out)


def medal(pic, k, w, h):
    grade = int(pic.fields.get("g", "0"))
    index = pic.indexes.get("m", 0)
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 1
    field = hsl(index * 47, 45, 34)
    out = ['<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (num(cx), num(cy), num(r), RIMS[grade]),
           '<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (num(cx), num(cy), num(r * 0.78), field),
           emblem(SHAPES[index % 8], cx, cy - r * 0.1, r * 0.45, RIMS[grade])]
    pips = index // 8 + 1
    for p in range(pips):
        x = cx + (p - (pips - 1) / 2) * r * 0.3
        out.append('<circle cx="%s" cy="%s" r="%s" fill="%s"/>' % (num(x), num(cy + r * 0.5), num(r * 0.09),
                                                                   RIMS[grade]))
    return "".join(out)


def cursor(pic, k, w, h):
    kind = pic.fields.get("k", "pointer")
    ink = 'fill="%s" stroke="#101014" stroke-width="1.2" stroke-linejoin="round"' % LIGHT
    if kind == "aiming":
        return ('<circle cx="16" cy="16" r="9" fill="none" stroke="#101014" stroke-width="3"/>'
                '<circle cx="16" cy="16" r="9" fill="none" stroke="%s" stroke-width="1.5"/>'
                '<path d="M16,2 V10 M16,22 V30 M2,16 H10 M22,16 H30" stroke="%s" stroke-width="1.5"/>') % (LIGHT, LIGHT)
    if kind == "pointer":  # tip at the centre, the hot spot of a centred cursor
        return '<polygon points="16,16 16,31 20,27 23,32 25,31 22,26 28,26" %s/>' % ink
    fist = kind == "dragging"
    out = ['<rect x="14" y="%s" width="12" height="%s" rx="4" %s/>' % ("18" if fist else "20", "12" if fist else "11",
                                                                      ink)]
    out.append('<rect x="14" y="%s" width="4" height="%s" rx="2" %s/>' % ("16" if fist else "12",
                                                                          "6" if fist else "12", ink))
    return "".join(out)


def bar(pic, k, w, h):
    if pic.params.get("groove"):
        return '<rect x="0.5" y="%s" width="%s" height="%s" rx="%s" fill="#1c2028" stroke="#5a6476"/>' % (
            num(h / 2 - 3), num(w - 1), "6", "3")
    return ('<defs><linearGradient id="bar" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="#9fe870"/>'
            '<stop offset="1" stop-color="#3c8c28"/></linearGradient></defs><rect x="0" y="0" width="%s" height="%s" '
            'rx="%s" fill="url(#bar)"/>') % (num(w), num(h), num(min(4, h / 2)))


def baked_texts(pic):
    """Lines of text baked into a picture: [x, y, size, text] each, x < 0
    meaning centred."""
    out = []
    for x, y, size, line in pic.params.get("texts", []):
        if x < 0:
            out.append(text(pic.cel[0] / 2, y, line, size, "#f0e6c8"))
        else:
            out.append(text(x, y, line, size, "#e8ecf4", anchor="start", weight="normal"))
    return "".join(out)


def panel(pic, k, w, h):
    hue = 215
    radius = 4 if pic.params.get("tooltip") else min(14, min(w, h) / 4)
    if pic.params.get("inset"):
        return '<rect x="0.5" y="0.5" width="%s" height="%s" rx="3" fill="#12161e" fill-opacity="0.85" ' \
               'stroke="#56627a"/>' % (num(w - 1), num(h - 1))
    return ('<defs><linearGradient id="pn" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
            '<stop offset="1" stop-color="%s"/></linearGradient></defs><rect x="1" y="1" width="%s" height="%s" '
            'rx="%s" fill="url(#pn)" fill-opacity="0.94" stroke="%s" stroke-width="2"/>') % (
        hsl(hue, 30, 30), hsl(hue, 35, 16), num(w - 2), num(h - 2), num(radius), hsl(hue, 40, 62)) + baked_texts(pic)


STATE_LIGHT = {"normal": 38, "active": 30, "selected": 50, "disabled": 24}


def button(pic, k, w, h):
    st = pic.params.get("st") or pic.fields.get("st", "normal")
    l = STATE_LIGHT.get(st, 38)
    sat = 10 if st == "disabled" else 55
    out = ['<defs><linearGradient id="bt" x1="0" y1="0" x2="0" y2="1"><stop offset="0" stop-color="%s"/>'
           '<stop offset="1" stop-color="%s"/></linearGradient></defs>' % (hsl(205, sat, l + 14), hsl(205, sat, l - 10)),
           '<rect x="1" y="1" width="%s" height="%s" rx="%s" fill="url(#bt)" stroke="%s" stroke-width="%s"/>' % (
               num(w - 2), num(h - 2), num(min(8, h / 3)), hsl(45, 80, 60) if st == "selected" else hsl(205, 30, 70),
               "2" if st == "selected" else "1")]
    label = pic.params.get("label")
    if label:
        shown = label.replace("_", " ").upper()
        out.append(text(w / 2, h / 2 + h * 0.16, shown, h * 0.44, "#8a8a8a" if st == "disabled" else "#f4f4ee"))
    arrow = pic.params.get("arrow")
    if arrow:
        tip, base = (h * 0.3, h * 0.7) if arrow == "up" else (h * 0.7, h * 0.3)
        out.append('<polygon points="%s,%s %s,%s %s,%s" fill="#e8e8e0"/>' % (
            num(w / 2), num(tip), num(w * 0.25), num(base), num(w * 0.75), num(base)))
    return "".join(out)


def check(pic, k, w, h):
    st = pic.fields.get("st", "normal")
    plain = st.replace("checked-", "")
    out = ['<rect x="2" y="2" width="%s" height="%s" rx="4" fill="%s" stroke="%s" stroke-width="2"/>' % (
        num(w - 4), num(h - 4), hsl(205, 40, STATE_LIGHT.get(plain, 38) - 10),
        hsl(45, 80, 60) if plain == "selected" else hsl(205, 30, 70))]
    if st.startswith("checked"):
        out.append('<polyline points="7,14 12,20 21,8" fill="none" stroke="%s" stroke-width="3.5" '
                   'stroke-linecap="round"/>' % ("#8a8a8a" if plain == "disabled" else "#f8f0a0"))
    return "".join(out)


def backdrop(pic, k, w, h):
    hue = hue_of(pic.file)
    out = ['<defs><linearGradient id="bd" x1="0" y1="0" x2="0.3" y2="1"><stop offset="0" stop-color="%s"/>'
           '<stop offset="1" stop-color="%s"/></linearGradient></defs><rect width="%s" height="%s" fill="url(#bd)"/>'
           % (hsl(hue, 35, 26), hsl(hue + 30, 40, 9), num(w), num(h))]
    rng = Lcg(pic.file)
    for _ in range(24):
        out.append('<circle cx="%s" cy="%s" r="%s" fill="%s" fill-opacity="0.08"/>' % (
            num(rng.uniform(0, w)), num(rng.uniform(0, h)), num(rng.uniform(10, 60)), hsl(hue + 40, 60, 70)))
    out.append(baked_texts(pic))
    return "".join(out)


def mark(pic, k, w, h):
    who = pic.fields.get("m", "publisher")
    out = ['<rect x="1" y="1" width="%s" height="%s" rx="10" fill="#18202c" fill-opacity="0.8" stroke="#8a9ab0"/>'
           % (num(w - 2), num(h - 2))]
    out.append(emblem("star" if who == "publisher" else "ring", w / 2, h * 0.4, h * 0.28, "#e0c060"))
    out.append(text(w / 2, h * 0.86, who.upper(), h * 0.14, "#d8dce4"))
    return "".join(out)


def logo(pic, k, w, h):
    who = pic.fields.get("m", "publisher")
    out = ['<rect width="%s" height="%s" fill="#0c1018"/>' % (num(w), num(h))]
    if who == "publisher":
        out.append(emblem("star", w / 2, h * 0.42, 120, "#e0c060"))
        out.append(text(w / 2, h * 0.78, "ZELKOR", 56, "#e8e8e0"))
    else:
        for i, c in enumerate(["red", "green", "blue", "yellow"]):
            out.append(emblem(EMBLEMS[c], w / 2 + (i - 1.5) * 90, h * 0.42, 40, COLORS[c]))
        out.append(text(w / 2, h * 0.7, "made with our own tools", 30, "#c8ccd4", weight="normal"))
    return "".join(out)


THEMES = {"1": (110, 40), "2": (35, 50), "3": (200, 18)}  # meadow, quarry, foundry: hue, saturation


def level(pic, k, w, h):
    hue, sat = THEMES.get(pic.fields.get("l", "1"), (110, 40))
    s = int(pic.fields.get("s", "1"))
    hue += (s - 2) * 8
    out = ['<defs><radialGradient id="lv" cx="0.5" cy="0.45" r="0.75"><stop offset="0" stop-color="%s"/>'
           '<stop offset="1" stop-color="%s"/></radialGradient></defs><rect width="%s" height="%s" fill="url(#lv)"/>'
           % (hsl(hue, sat, 40), hsl(hue, sat, 18), num(w), num(h))]
    rng = Lcg(pic.file)
    for _ in range(60):
        out.append('<circle cx="%s" cy="%s" r="%s" fill="%s" fill-opacity="0.12"/>' % (
            num(rng.uniform(0, w)), num(rng.uniform(0, h)), num(rng.uniform(4, 30)),
            hsl(hue + rng.uniform(-20, 20), sat + 10, 55)))
    # The groove the balls roll in: a dark bed, a lit lip and a faint centre line.
    for line in pic.params.get("track", []):
        points = " ".join("%s,%s" % (num(x), num(y)) for x, y in line)
        for width, color, alpha in ((34, hsl(hue, sat, 10), 0.85), (28, hsl(hue, sat - 10, 26), 1.0),
                                    (2, hsl(hue, sat + 20, 60), 0.5)):
            out.append('<polyline points="%s" fill="none" stroke="%s" stroke-opacity="%s" stroke-width="%d" '
                       'stroke-linejoin="round" stroke-linecap="round"/>' % (points, color, num(alpha), width))
    return "".join(out)


def frame(pic, k, w, h):
    return ('<defs><linearGradient id="fr" x1="0" y1="0" x2="%s" y2="%s"><stop offset="0" stop-color="#4a5262"/>'
            '<stop offset="1" stop-color="#202630"/></linearGradient></defs><rect width="%s" height="%s" '
            'fill="url(#fr)"/>') % ("1" if w < h else "0", "0" if w < h else "1", num(w), num(h))


def hole(pic, k, w, h):
    cx, cy, r = w / 2, h / 2, min(w, h) / 2 - 1
    out = ['<circle cx="%s" cy="%s" r="%s" fill="#2a2e36" stroke="#8890a0" stroke-width="3"/>' % (num(cx), num(cy),
                                                                                                  num(r - 2))]
    if pic.params.get("pit"):
        # The inner disc is the see-through key: exactly opaque white.
        out.append('<circle cx="%s" cy="%s" r="%s" fill="#ffffff"/>' % (num(cx), num(cy), num(r * 0.62)))
    else:
        out.append('<circle cx="%s" cy="%s" r="%s" fill="#08090c"/>' % (num(cx), num(cy), num(r * 0.6)))
    return "".join(out)


def door(pic, k, w, h):
    n = cel_count(pic)
    gap = (w / 2) * k / max(1, n - 1)
    leaf = w / 2 - gap
    return ('<rect x="0" y="2" width="%s" height="%s" fill="#6a5a48" stroke="#2a2018"/>'
            '<rect x="%s" y="2" width="%s" height="%s" fill="#6a5a48" stroke="#2a2018"/>') % (
        num(max(leaf, 0.5)), num(h - 4), num(w / 2 + gap), num(max(leaf, 0.5)), num(h - 4))


def lift(pic, k, w, h):
    return ('<rect x="%s" y="0" width="4" height="%s" fill="#505864"/><rect x="2" y="%s" width="%s" height="%s" '
            'rx="4" fill="#7a8494" stroke="#2a3038"/>') % (num(w / 2 - 2), num(h - 30), num(h - 32), num(w - 4), "30")


def creature(pic, k, w, h):
    """The creature faces +y: head with eyes at the bottom, tail fin at the top."""
    n = cel_count(pic)
    sway = math.sin(2 * math.pi * k / n)
    cx, cy = w / 2, h / 2
    if pic.params.get("part") == "head":
        out = ['<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="#5a8c3a" stroke="#1e3012" stroke-width="2"/>' % (
            num(cx), num(cy), num(w * 0.36), num(h * 0.42))]
        for side in (-1, 1):
            ex = cx + side * w * 0.16
            out.append('<circle cx="%s" cy="%s" r="%s" fill="#f0e8a0"/><circle cx="%s" cy="%s" r="%s" '
                       'fill="#101010"/>' % (num(ex), num(cy + h * 0.16), num(w * 0.08), num(ex + sway),
                                             num(cy + h * 0.19), num(w * 0.04)))
        out.append('<path d="M%s,%s Q%s,%s %s,%s" fill="none" stroke="#1e3012" stroke-width="2"/>' % (
            num(cx - w * 0.12), num(cy + h * 0.32), num(cx), num(cy + h * (0.38 + 0.04 * sway)),
            num(cx + w * 0.12), num(cy + h * 0.32)))
        return "".join(out)
    return ('<polygon points="%s,%s %s,%s %s,%s" fill="#4a7830" stroke="#1e3012" stroke-width="2"/>'
            '<ellipse cx="%s" cy="%s" rx="%s" ry="%s" fill="#5a8c3a" stroke="#1e3012" stroke-width="2"/>') % (
        num(cx + sway * w * 0.2), num(2), num(cx - w * 0.3), num(cy), num(cx + w * 0.3), num(cy),
        num(cx), num(cy + h * 0.15), num(w * 0.26), num(h * 0.3))


def region(pic, k, w, h):
    i = int(pic.fields.get("i", "0"))
    kind = pic.params.get("k") or pic.fields.get("k", "light_on")
    hue = THEMES[str(i + 1)][0]
    if kind == "light_on":
        return '<rect x="2" y="2" width="%s" height="%s" rx="18" fill="%s" fill-opacity="0.55" stroke="%s" ' \
               'stroke-width="3"/>' % (num(w - 4), num(h - 4), hsl(hue, 50, 55), hsl(hue, 60, 80))
    n = cel_count(pic)
    a = 0.6 if kind == "shine_static" else 0.3 + 0.5 * abs(math.sin(math.pi * k / n))
    return ('<defs><radialGradient id="rg%d"><stop offset="0" stop-color="%s" stop-opacity="%s"/><stop offset="1" '
            'stop-color="%s" stop-opacity="0"/></radialGradient></defs><ellipse cx="%s" cy="%s" rx="%s" ry="%s" '
            'fill="url(#rg%d)"/>') % (k, hsl(hue, 80, 80), num(a), hsl(hue, 80, 80), num(w / 2), num(h / 2),
                                      num(w / 2), num(h / 2), k)


def badge(pic, k, w, h):
    i, j = int(pic.fields.get("i", "0")), int(pic.fields.get("j", "0"))
    hue = THEMES[str(i + 1)][0]
    out = ['<circle cx="%s" cy="%s" r="%s" fill="%s" stroke="%s" stroke-width="3"/>' % (
        num(w / 2), num(h / 2), num(w / 2 - 6), hsl(hue, 45, 36), hsl(hue, 50, 70)),
        text(w / 2, h / 2 + 8, "%d-%d" % (i + 1, j + 1), 18, "#f4f4ee")]
    if pic.fields.get("k") == "image_record":
        out.append('<polygon points="18,10 22,3 28,9 34,3 38,10" fill="#e8c040" stroke="#503c10"/>')
    return "".join(out)


def chain(pic, k, w, h):
    n = cel_count(pic)
    out = []
    names = ["red", "red", "green", "blue", "blue", "blue", "yellow"]
    r = h / 2 - 4
    shift = (2 * r) * k / n
    for i, c in enumerate(names):
        x = w - 8 - r - i * 2 * r + shift - 2 * r
        if -r < x < w + r:
            out.append(_sphere(x, h / 2, r, c, "ch%d_%d" % (k, i)))
            out.append(emblem(EMBLEMS[c], x, h / 2, r * 0.55, ink_for(c)))
    return "".join(out)


FAMILIES = {
    "placeholder": placeholder, "ball": ball, "ball_wild": ball_wild, "special_ball": special_ball,
    "shadow": shadow, "platform": platform, "glow": glow, "sparkle": sparkle, "star": star, "burst": burst,
    "consume": consume, "lightning": lightning, "token": token, "medal": medal, "cursor": cursor, "bar": bar,
    "panel": panel, "button": button, "check": check, "backdrop": backdrop, "mark": mark, "logo": logo,
    "level": level, "frame": frame, "hole": hole, "door": door, "lift": lift, "creature": creature,
    "region": region, "badge": badge, "chain": chain,
}
