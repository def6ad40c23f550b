"""Shape pieces of a way, sampled densely in background pixels.

Every piece continues from the end of the one before it, so a piece only
says where it goes, never where it starts (except the first). A piece
returns dense points; the way is resampled at even steps afterwards.
"""
import math

FINE = 0.25  # dense sampling step, background pixels


class Pen:
    """The end of the path drawn so far: where it is and where it heads."""

    def __init__(self, x, y, heading):
        self.x = x
        self.y = y
        self.heading = heading  # radians, screen axes (y down)


def _curve(fn, t0, t1, order_at=None):
    """Samples fn(t) from t0 to t1 with about FINE pixels between points."""
    pts = []
    n = 64
    while True:
        step = (t1 - t0) / n
        ok = True
        prev = fn(t0)
        for i in range(1, n + 1):
            p = fn(t0 + step * i)
            if math.hypot(p[0] - prev[0], p[1] - prev[1]) > FINE:
                ok = False
                break
            prev = p
        if ok:
            break
        n *= 2
    for i in range(n + 1):
        t = t0 + (t1 - t0) * i / n
        x, y = fn(t)
        pts.append((x, y, order_at(t) if order_at else None))
    return pts


def _line(x0, y0, x1, y1):
    return _curve(lambda t: (x0 + (x1 - x0) * t, y0 + (y1 - y0) * t), 0.0, 1.0)


def _arc(cx, cy, r, a0, a1):
    return _curve(lambda a: (cx + r * math.cos(a), cy + r * math.sin(a)), a0, a1)


def _heading_of(pts):
    (x0, y0, _), (x1, y1, _) = pts[-2], pts[-1]
    return math.atan2(y1 - y0, x1 - x0)


def line(pen, piece):
    x1, y1 = piece["to"]
    return _line(pen.x, pen.y, x1, y1)


def serpentine(pen, piece):
    """Rows joined by half circles; rows alternate direction."""
    rows = piece["rows"]
    xl, xr = piece["x"]
    going_right = piece.get("start", "left") == "left"
    x = xl if going_right else xr
    pts = []
    if (pen.x, pen.y) != (x, rows[0]):
        pts += _line(pen.x, pen.y, x, rows[0])
    for i, y in enumerate(rows):
        last = i == len(rows) - 1
        end = piece["end_x"] if last else (xr if going_right else xl)
        pts += _line(x, y, end, y)
        x = end
        if last:
            break
        r = (rows[i + 1] - y) / 2.0
        cy = y + r
        if going_right:  # turn on the right: from the top of the circle, clockwise
            pts += _arc(x, cy, r, -math.pi / 2, math.pi / 2)
        else:
            pts += _arc(x, cy, r, -math.pi / 2, -3 * math.pi / 2)
        going_right = not going_right
    return pts


def spiral(pen, piece):
    """Archimedean spiral about c from radius r0 to r1 over `turns` turns;
    "cw" turns clockwise on screen (angle grows, y pointing down)."""
    cx, cy = piece["c"]
    r0, r1 = piece["r"]
    sign = 1.0 if piece["hand"] == "cw" else -1.0
    a0 = math.radians(piece["a0"])
    span = 2 * math.pi * piece["turns"]

    def at(t):
        r = r0 + (r1 - r0) * t
        a = a0 + sign * span * t
        return cx + r * math.cos(a), cy + r * math.sin(a)

    return _curve(at, 0.0, 1.0)


def sine(pen, piece):
    x0, x1 = piece["x"]
    y0 = piece["y"]
    amp = piece["amplitude"]
    periods = piece["periods"]
    return _curve(lambda t: (x0 + (x1 - x0) * t, y0 + amp * math.sin(2 * math.pi * periods * t)),
                  0.0, 1.0)


def trochoid(pen, piece):
    """Prolate cycloid x = x0 + a t - b sin t, y = y0 - b cos t (t in units
    of pi in the source). Draw order `over` on the t ranges listed there."""
    x0, y0 = piece["origin"]
    a, b = piece["a"], piece["b"]
    t0, t1 = piece["t"]
    over = piece.get("over", [])
    over_order = piece.get("over_order", 110)

    def at(t):
        tt = t * math.pi
        return x0 + a * tt - b * math.sin(tt), y0 - b * math.cos(tt)

    def order_at(t):
        for lo, hi in over:
            if lo <= t <= hi:
                return over_order
        return None

    return _curve(at, t0, t1, order_at)


def arc(pen, piece):
    """Turns by `turn` degrees (positive: clockwise on screen) on radius r."""
    r = piece["r"]
    turn = math.radians(piece["turn"])
    side = 1.0 if turn > 0 else -1.0
    # Centre to the right of the heading for a clockwise turn.
    cx = pen.x - side * r * math.sin(pen.heading)
    cy = pen.y + side * r * math.cos(pen.heading)
    a0 = math.atan2(pen.y - cy, pen.x - cx)
    return _arc(cx, cy, r, a0, a0 + turn)


def steer(pen, piece):
    """Turns on radius r until heading at the target, then runs straight to it."""
    tx, ty = piece["to"]
    r = piece["r"]
    x, y, h = pen.x, pen.y, pen.heading
    pts = [(x, y, None)]
    step = FINE / r
    for _ in range(100000):
        want = math.atan2(ty - y, tx - x)
        diff = (want - h + math.pi) % (2 * math.pi) - math.pi
        if abs(diff) <= step:
            break
        h += step if diff > 0 else -step
        x += r * step * math.cos(h)
        y += r * step * math.sin(h)
        pts.append((x, y, None))
    else:
        raise ValueError("steer cannot reach (%g, %g)" % (tx, ty))
    return pts + _line(x, y, tx, ty)[1:]


PIECES = {
    "line": line,
    "serpentine": serpentine,
    "spiral": spiral,
    "sine": sine,
    "trochoid": trochoid,
    "arc": arc,
    "steer": steer,
}


def heading_of(pts):
    return _heading_of(pts)
