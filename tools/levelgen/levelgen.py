#!/usr/bin/python3
"""Builds the level files from the level sources.

    levelgen.py <sources folder> <data folder> <polyline folder>

Reads <sources>/common.toml, contour.toml, frame.toml and every
levelL-S.toml; writes the level XML files under <data>/levels-xml and, per
way file, a text polyline (background pixels turned into authoring units)
that waypack turns into the binary file. Fails, naming the file, on any
shape that breaks the way rules.
"""
import math
import os
import sys
import tomllib

sys.dont_write_bytecode = True  # keep the source tree clean
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import shapes  # noqa: E402

SCALE = 0.78125          # game units per authoring unit
UNIT = 1.0 / SCALE       # authoring units per background pixel
STEP = 6.0               # sampling step, background pixels
RUN_OUT = 30.0           # hidden run into the pit, background pixels
MAX_TURN = 35.0          # degrees between consecutive segments
MIN_PASS = 30.0          # background pixels between passes of one way
PASS_PATH = 90.0         # path length beyond which two points are other passes
CROSSING_RADIUS = 45.0   # around a declared crossing the pass rule is off
FIELD = (50.0, 80.0, 730.0, 450.0)  # where visible way points may lie (x0, y0, x1, y1)
HIDDEN_FIELD = (40.0, 60.0, 740.0, 480.0)  # the run into the pit, clear of the platform
VISIBLE_ORDER = 100
HIDDEN_ORDER = -1


class LevelError(Exception):
    pass


def fmt(v):
    """A number as the level files write it: no trailing zeros, no exponent."""
    if isinstance(v, bool):
        raise LevelError("booleans do not occur in level files")
    if isinstance(v, int):
        return str(v)
    text = "%.4f" % v
    text = text.rstrip("0").rstrip(".")
    return "0" if text == "-0" else text


def resample(dense):
    """Points every STEP pixels along a dense polyline; the last dense point
    always ends the list (a short last step is merged into it)."""
    out = [dense[0]]
    acc = 0.0
    for i in range(1, len(dense)):
        x0, y0, _ = dense[i - 1]
        x1, y1, o1 = dense[i]
        acc += math.hypot(x1 - x0, y1 - y0)
        if acc >= STEP:
            out.append((x1, y1, o1))
            acc = 0.0
    last = dense[-1]
    if out[-1][:2] != last[:2]:
        if len(out) > 1 and math.hypot(last[0] - out[-1][0], last[1] - out[-1][1]) < STEP / 2:
            out[-1] = last
        else:
            out.append(last)
    return out


def build_way(src, way):
    """Samples one way: list of points (x, y, order, open, link) in
    background pixels, and the finish index."""
    pieces = way["pieces"]
    first = pieces[0]
    if first["type"] != "start":
        raise LevelError("%s: a way begins with a start piece" % src)
    pen = shapes.Pen(first["at"][0], first["at"][1], math.radians(first.get("heading", 0.0)))
    runs = []           # each: (dense points, link leaving it or None)
    dense = [(pen.x, pen.y, None)]
    crossings = list(way.get("crossings", []))
    for piece in pieces[1:]:
        kind = piece["type"]
        if kind == "jump":
            runs.append((dense, piece["link"]))
            x, y = piece["to"]
            pen = shapes.Pen(x, y, math.radians(piece.get("heading", 0.0)))
            dense = [(x, y, None)]
            continue
        fn = shapes.PIECES.get(kind)
        if fn is None:
            raise LevelError("%s: unknown piece type '%s'" % (src, kind))
        pts = fn(pen, piece)
        if math.hypot(pts[0][0] - pen.x, pts[0][1] - pen.y) > 0.5:
            raise LevelError("%s: piece '%s' does not start where the way is (%.1f, %.1f)"
                             % (src, kind, pen.x, pen.y))
        dense += pts[1:]
        pen = shapes.Pen(dense[-1][0], dense[-1][1], shapes.heading_of(dense))
    runs.append((dense, None))

    points = []
    for run, link in runs:
        sampled = resample(run)
        for i, (x, y, order) in enumerate(sampled):
            jump = link if (link is not None and i == len(sampled) - 1) else -1
            points.append([x, y, VISIBLE_ORDER if order is None else order, 1, jump])
    finish = len(points) - 1
    # The hidden run into the pit: straight on, drawn under everything.
    h = pen.heading
    n = int(round(RUN_OUT / STEP))
    for i in range(1, n + 1):
        d = RUN_OUT * i / n
        points.append([pen.x + d * math.cos(h), pen.y + d * math.sin(h), HIDDEN_ORDER, 0, -1])
    check_way(src, points, finish, crossings)
    return points, finish


def check_way(src, points, finish, crossings):
    n = len(points)
    if n < 2:
        raise LevelError("%s: a way needs two points" % src)
    for i in range(n - 1):
        x0, y0 = points[i][0], points[i][1]
        x1, y1 = points[i + 1][0], points[i + 1][1]
        if math.hypot(x1 - x0, y1 - y0) * UNIT < 1.0:
            raise LevelError("%s: segment %d is shorter than one unit" % (src, i))
    for i in range(1, n - 1):
        if points[i - 1][4] >= 0 or points[i][4] >= 0:
            continue  # a jump may turn any way
        a = math.atan2(points[i][1] - points[i - 1][1], points[i][0] - points[i - 1][0])
        b = math.atan2(points[i + 1][1] - points[i][1], points[i + 1][0] - points[i][0])
        turn = abs((b - a + math.pi) % (2 * math.pi) - math.pi)
        if math.degrees(turn) > MAX_TURN:
            raise LevelError("%s: the way turns %.1f degrees at point %d"
                             % (src, math.degrees(turn), i))
    for i, p in enumerate(points):
        x0, y0, x1, y1 = FIELD if i <= finish else HIDDEN_FIELD
        if not (x0 <= p[0] <= x1 and y0 <= p[1] <= y1):
            raise LevelError("%s: point %d (%.1f, %.1f) is outside the field"
                             % (src, i, p[0], p[1]))
    # Path length at each visible point (jumps add nothing).
    along = [0.0]
    for i in range(1, finish + 1):
        step = 0.0 if points[i - 1][4] >= 0 else math.hypot(
            points[i][0] - points[i - 1][0], points[i][1] - points[i - 1][1])
        along.append(along[-1] + step)

    def near_crossing(p):
        return any(math.hypot(p[0] - c[0], p[1] - c[1]) < CROSSING_RADIUS for c in crossings)

    for i in range(finish + 1):
        for j in range(i + 1, finish + 1):
            if along[j] - along[i] < PASS_PATH:
                continue
            d = math.hypot(points[j][0] - points[i][0], points[j][1] - points[i][1])
            if d < MIN_PASS and not (near_crossing(points[i]) and near_crossing(points[j])):
                raise LevelError("%s: points %d and %d are %.1f px apart on different passes"
                                 % (src, i, j, d))


def contour_points(src):
    pts_src = src["contour"]
    pen = shapes.Pen(pts_src["start"][0], pts_src["start"][1], math.radians(pts_src.get("heading", 0)))
    dense = [(pen.x, pen.y, None)]
    for piece in pts_src["pieces"]:
        pts = shapes.PIECES[piece["type"]](pen, piece)
        dense += pts[1:]
        pen = shapes.Pen(dense[-1][0], dense[-1][1], shapes.heading_of(dense))
    return [[x, y, VISIBLE_ORDER, 1, -1] for x, y, _ in resample(dense)]


def write_text(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="ascii", newline="\n") as f:
        f.write(data)


def polyline_text(ways):
    """ways: list of (points, finish or None). Authoring units."""
    lines = ["ways %d" % len(ways)]
    for points, finish in ways:
        lines.append("way %d" % len(points))
        for x, y, order, open_, link in points:
            lines.append("%s %s %d %d %d" % (fmt(x * UNIT), fmt(y * UNIT), order, open_, link))
        if finish is None:
            marks = [(-1, 0.0, 0.0)] * 3
        else:
            p0, pf = points[0], points[finish]
            marks = [(0, p0[0], p0[1]), (finish, pf[0], pf[1]), (finish, pf[0], pf[1])]
        for idx, x, y in marks:
            lines.append("mark %d %s %s" % (idx, fmt(x * UNIT), fmt(y * UNIT)))
    return "\n".join(lines) + "\n"


def xml_attrs(attrs):
    return "".join(' %s="%s"' % (k, fmt(v) if not isinstance(v, str) else v) for k, v in attrs)


def sub_level_xml(src, level, sub, common, ways):
    s = src["settings"]
    lid = "level%d-%d" % (level, sub)
    weights = common["bonus_weights"]["level%d" % level]
    colors = s["colors"]
    bad = [c for c in colors if c not in BALL_COLORS]
    if bad or not colors:
        raise LevelError("%s: colours %s are not ball colours" % (lid, bad or "(none)"))
    out = ['<?xml version="1.0" encoding="windows-1251"?>', "<data>",
           '  <sub-level id="%s" graphics_settings="%s.xml">' % (lid, lid)]
    top = [(k, s[k]) for k in ("storage", "num_balls_for_bonus_min", "num_balls_for_bonus_max",
                               "num_balls_for_coin_min", "num_balls_for_coin_max",
                               "num_conis_for_life", "num_balls_for_complete_level",
                               "time_block_shoot")]
    top.append(("num_ways", len(ways)))
    out.append("    <settings%s>" % xml_attrs(top))
    out.append('      <sequence colors="%s"/>' % " ".join(colors))
    probs = [(k, weights[k]) for k in BONUS_WORDS if weights.get(k, 0) > 0]
    if "empty_type" in weights:
        raise LevelError("%s: an empty_type weight leaves the bonus draw undefined" % lid)
    if not probs:
        raise LevelError("%s: no bonus weight above 0" % lid)
    out.append("      <bonus-manager>")
    out.append("        <probability%s/>" % xml_attrs(probs))
    out.append("      </bonus-manager>")
    out.append('      <contour_settings speed="%s"/>' % common["contour_speed"])
    way = dict(common["way"])
    way.update(src["way_settings"])
    plain = [(k, way[k]) for k in WAY_PLAIN]
    speeds = [(k, way[k]) for k in WAY_SPEEDS]
    for n in range(len(ways)):
        out.append("      <way%d_settings%s>" % (n, xml_attrs(plain)))
        out.append("        <speeds_sequences%s/>" % xml_attrs(speeds))
        out.append("      </way%d_settings>" % n)
    out.append("    </settings>")
    out += ["  </sub-level>", "</data>"]
    check_accelerations(lid, way, common["contour_speed"])
    return "\n".join(out) + "\n"


def check_accelerations(lid, way, contour):
    friction = 130.0
    for key in ("speed_forward", "speed_roll_in", "speed_roll_out"):
        a = float(way[key].split(";")[2])
        if abs(a) * SCALE <= friction:
            raise LevelError("%s: %s acceleration %g does not overcome friction" % (lid, key, a))
    if abs(float(contour.split(";")[2])) * SCALE <= friction:
        raise LevelError("%s: contour acceleration does not overcome friction" % lid)


def sprite_xml(tag, sid, x, y, layer, extra=""):
    return '      <%s id="%s" position="%d;%d" level="%d"%s/>' % (tag, sid, x, y, layer, extra)


def graphics_xml(src, level, sub, ways, decor):
    lid = "level%d-%d" % (level, sub)
    half = decor["sprite_half"]
    out = ['<?xml version="1.0" encoding="windows-1251"?>', "<data>", "  <sub-level>",
           '    <settings background-image="%s.png" desktop_lx="800" desktop_ly="600">' % lid,
           '      <frame file="frame.xml"/>',
           '      <way file="ways/%s.way"/>' % lid,
           '      <contour file="ways/contour.way"/>',
           '      <platform position_y="%d" limit_left="%d" limit_right="%d"/>'
           % tuple(decor["platform"]),
           "    </settings>", "    <sprites>"]
    n = 0
    pits = []
    for points, finish in ways:
        ex, ey = points[0][0], points[0][1]
        px, py = points[finish][0], points[finish][1]
        pits.append((px, py))
        out.append(sprite_xml("sprite%d" % n, "entry.png", round(ex) - half, round(ey) - half, 50))
        out.append(sprite_xml("sprite%d" % (n + 1), "pit.png", round(px) - half, round(py) - half, 50))
        n += 2
    out.append("    </sprites>")
    out.append("    <animated_sprites>")
    for i, (px, py) in enumerate(pits):
        out.append('      <sprite%d id="anim/glow-ring" position="%d;%d" level="60" angle="0" '
                   'play_time="1.5"/>' % (i, round(px), round(py)))
    out.append("    </animated_sprites>")
    portals = src.get("portals", [])
    if portals:
        out.append("    <portals>")
        for i, pair in enumerate(portals):
            out.append("      <portal%d>" % i)
            for end, (x, y) in zip(("portal_first", "portal_second"), pair):
                out.append('        <%s id="anim/portal" position="%d;%d" level="120" angle="0" '
                           'play_time="0.6"/>' % (end, x, y))
            out.append("      </portal%d>" % i)
        out.append("    </portals>")
    out += ["  </sub-level>", "</data>"]
    links = {p[4] for pts, _ in ways for p in pts if p[4] >= 0}
    if links and max(links) >= len(portals):
        raise LevelError("%s: link %d has no portal pair" % (lid, max(links)))
    return "\n".join(out) + "\n"


def frame_xml(frame):
    out = ['<?xml version="1.0" encoding="windows-1251"?>', "<data>", "  <sub-level>", "    <sprites>"]
    for i, s in enumerate(frame["sprites"]):
        out.append(sprite_xml("sprite%d" % i, s["id"], s["position"][0], s["position"][1], s["level"]))
    out += ["    </sprites>", "  </sub-level>", "</data>"]
    return "\n".join(out) + "\n"


BALL_COLORS = ["red", "green", "blue", "yellow", "black", "grey", "purple", "white"]
BONUS_WORDS = ["wild_ball", "slowing", "go_back", "stop", "bomb", "lightning", "color_bomb",
               "pull_in", "intensifier", "progress", "jewel", "coin", "letter", "aiming_hit",
               "sequence_acceleration"]
WAY_PLAIN = ["sequences_size", "sequences_uniformity", "sequences_dtime",
             "bonus_increment_for_seqs", "path_roll_out", "path_for_next_sequence"]
WAY_SPEEDS = ["speed_roll_out", "speed_roll_in", "speed_forward", "speed_backward",
              "speed_go_back", "speed_bonus_slowing", "speed_bonus_go_back",
              "speed_zelkor_region", "roll_out_braking"]


def load(path):
    with open(path, "rb") as f:
        try:
            return tomllib.load(f)
        except tomllib.TOMLDecodeError as e:
            raise LevelError("%s: %s" % (path, e))


def main(argv):
    if len(argv) != 4:
        sys.stderr.write(__doc__)
        return 2
    src_dir, data_dir, poly_dir = argv[1:]
    common = load(os.path.join(src_dir, "common.toml"))
    decor = common["decor"]
    levels_dir = os.path.join(data_dir, "levels-xml")
    gfx_dir = os.path.join(levels_dir, "GraphicsSettings")
    names = sorted(n for n in os.listdir(src_dir) if n.startswith("level") and n.endswith(".toml"))
    by_level = {}
    for name in names:
        stem = name[:-5]
        try:
            level, sub = (int(v) for v in stem[len("level"):].split("-"))
        except ValueError:
            raise LevelError("%s: name is not levelL-S.toml" % name)
        by_level.setdefault(level, []).append(sub)
        path = os.path.join(src_dir, name)
        src = load(path)
        try:
            ways = [build_way(stem, w) for w in src["ways"]]
            write_text(os.path.join(levels_dir, "level%d" % level, "sub-level%d.xml" % sub),
                       sub_level_xml(src, level, sub, common, ways))
            write_text(os.path.join(gfx_dir, "%s.xml" % stem), graphics_xml(src, level, sub, ways, decor))
        except KeyError as e:
            raise LevelError("%s: missing key %s" % (path, e))
        write_text(os.path.join(poly_dir, "%s.txt" % stem), polyline_text(ways))
    for level, subs in sorted(by_level.items()):
        files = "".join(' sub-level%d-file="sub-level%d.xml"' % (i, s) for i, s in enumerate(sorted(subs)))
        write_text(os.path.join(levels_dir, "level%d" % level, "level_description.xml"),
                   '<?xml version="1.0" encoding="windows-1251"?>\n<data>\n'
                   '  <level id="level%d">\n    <sub-levels%s/>\n  </level>\n</data>\n' % (level, files))
    write_text(os.path.join(gfx_dir, "frame.xml"), frame_xml(load(os.path.join(src_dir, "frame.toml"))))
    contour = contour_points(load(os.path.join(src_dir, "contour.toml")))
    write_text(os.path.join(poly_dir, "contour.txt"), polyline_text([(contour, None)]))
    return 0


if __name__ == "__main__":
    try:
        sys.exit(main(sys.argv))
    except LevelError as e:
        sys.stderr.write("levelgen: %s\n" % e)
        sys.exit(1)
