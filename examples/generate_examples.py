#!/usr/bin/env python3
"""Writes the example parts of this folder: small workcell parts in every
PDB version that the package reads. Run from anywhere; files land beside it."""

import math
import os

HERE = os.path.dirname(os.path.abspath(__file__))

WHITE, GREY, BLACK, RED, GREEN, BLUE, YELLOW, CYAN = 4, 5, 6, 7, 8, 9, 10, 11
ORANGE, LIGHT_BLUE, BROWN, TAN, STEEL, DARK_STEEL = 13, 16, 17, 19, 21, 22


def num(v):
    if not isinstance(v, float):
        return str(v)
    v = round(v, 4)
    return "%.6g" % (v if v != 0 else 0.0)


class Obj:
    def __init__(self, colour, name):
        self.colour, self.name = colour, name
        self.points, self.lines, self.polys = [], [], []
        self.texts, self.textures = [], []

    def point(self, x, y, z):
        self.points.append((x, y, z))
        return len(self.points) - 1

    def box(self, x0, y0, z0, x1, y1, z1):
        b = len(self.points)
        for z in (z0, z1):
            for x, y in ((x0, y0), (x1, y0), (x1, y1), (x0, y1)):
                self.point(x, y, z)
        for ring in ((0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)):
            self.polys.append([b + i for i in ring])

    def disc(self, cx, cy, z, r, n):
        centre = self.point(cx, cy, z)
        ring = [self.point(cx + r * math.cos(2 * math.pi * i / n), cy + r * math.sin(2 * math.pi * i / n), z)
                for i in range(n)]
        for i in range(n):
            self.polys.append([centre, ring[i], ring[(i + 1) % n]])
        return ring

    def outline(self, ring):
        for i in range(len(ring)):
            self.lines.append((ring[i], ring[(i + 1) % len(ring)]))


def coorsys(n, o, a, p):
    return " ".join(num(float(v)) for v in (*n, *o, *a, *p))


def curve(version, degree, segments):
    head = "0 1 %d %d" % (degree, segments)
    head += " 0.001 0.01 0.5" if version >= 12 else " 1"
    knots = [0.0] * degree + [i / segments for i in range(segments + 1)] + [1.0] * degree
    ctrl = ["1 %s %s 0" % (num(10.0 * i), num(4.0 * math.sin(i))) for i in range(degree + segments)]
    return "\n".join([head, " ".join(num(k) for k in knots)] + ctrl + ["0"])


def edge_rings(polys):
    """Each edge once, numbered from 1, and each polygon as a ring of signed
    edge numbers: negative where the polygon walks its edge backwards."""
    edges, index, rings = [], {}, []
    for poly in polys:
        ring = []
        for i, a in enumerate(poly):
            b = poly[(i + 1) % len(poly)]
            if (a, b) in index:
                ring.append(index[(a, b)])
            elif (b, a) in index:
                ring.append(-index[(b, a)])
            else:
                edges.append((a, b))
                index[(a, b)] = len(edges)
                ring.append(len(edges))
        rings.append(ring)
    return edges, rings


def write_object(out, obj, version, header=None, negative=(), attributed=False):
    out.append(str(obj.colour))
    if version >= 12:
        out.append(obj.name)
    if attributed:
        out += ["-1 attributed", "POINT_ATTRIBUTES 0"]
    out.append(str(len(obj.points)))
    out += ["%s %s %s" % tuple(num(float(c)) for c in p) for p in obj.points]
    out.append(str(len(obj.lines)))
    out += ["%d %d" % l for l in obj.lines]
    if version >= 12:
        edges, rings = edge_rings(obj.polys)
        out.append(str(len(edges)))
        out += ["%d %d" % e for e in edges]
        out.append(str(len(rings)))
        out += [" ".join(str(v) for v in [len(r)] + r) for r in rings]
    else:
        out.append(str(len(obj.polys)))
        for i, poly in enumerate(obj.polys):
            if version == 10 and i in negative:
                out.append(" ".join(str(v) for v in [-len(poly)] + poly))
                out.append("0.0 0.0 1.0")
                if header == 1010:
                    out += ["0.5 0.5", "0.5 0.5"]
            else:
                out.append(" ".join(str(v) for v in [len(poly)] + poly))
    out.append(str(len(obj.texts)))
    for text in obj.texts:
        out += text
    if version >= 11:
        out.append(str(len(obj.textures)))
        out += obj.textures
    if version == 14:
        out.append("0")


def write_part(name, version, objects, frames=(), curves=(), header=None, negative=(), attributed=()):
    out = []
    if version == 14:
        out += ["14 DENEB_PART_FILE", "2 UNITS", "mm xpdb_examples"]
    else:
        out.append(str(header or version))
    out.append(str(len(frames)))
    for f in frames:
        out.append(coorsys(*f[:4]))
        if version == 14:
            out.append("1 %s %s" % (f[4], "FRAME"))
    if version >= 9:
        out.append(str(len(curves)))
        out += [curve(version, *c) for c in curves]
        out.append("0")  # no surfaces
    out.append(str(len(objects)))
    for i, obj in enumerate(objects):
        write_object(out, obj, version, header, negative if i == 0 else (), i in attributed)
    if version == 14:
        out.append("0")  # no stored tessellations
    with open(os.path.join(HERE, name), "w") as f:
        f.write("\n".join(out) + "\n")


def label(text, x, y, z, height):
    return ["LABEL", "%s %s %s" % (num(x), num(y), num(z)), "1 0 0", num(height), text]


X, Y, Z = (1, 0, 0), (0, 1, 0), (0, 0, 1)


def gripper_finger():
    body = Obj(ORANGE, "finger_body")
    body.box(0, -6, 0, 18, 6, 60)
    body.box(2, -5, 60, 14, 5, 85)
    tip = Obj(BLACK, "finger_pad")
    tip.box(-1.5, -5, 62, 0, 5, 84)
    tip.lines += [(0, 1), (1, 2), (2, 3), (3, 0)]
    tip.texts.append(label("PAD PU 90A", -2, 0, 73, 3.0))
    mount = Obj(GREY, "mount_holes")
    for y in (-3.0, 3.0):
        mount.outline(mount.disc(9, y, -0.01, 1.6, 12))
    frames = [(X, Y, Z, (0, 0, 0), "mount"), (X, Y, Z, (-1.5, 0, 73), "grip_point")]
    return [body, tip, mount], frames


def fixture_plate():
    plate = Obj(LIGHT_BLUE, "plate")
    plate.box(0, 0, 0, 200, 120, 15)
    holes = Obj(DARK_STEEL, "drilled_pattern")
    for ix in range(5):
        for iy in range(3):
            ring = holes.disc(20 + 40 * ix, 20 + 40 * iy, 15.01, 4.25, 16)
            holes.outline(ring)
    dowels = Obj(STEEL, "dowel_pins")
    for x, y in ((10, 60), (190, 60)):
        dowels.box(x - 3, y - 3, 15, x + 3, y + 3, 27)
    plate.texts.append(label("FIXTURE PLATE FP-200 M8 GRID 40", 5, 5, 15.1, 5.0))
    plate.texts.append(label("DATUM A", 0, 0, 15.1, 4.0))
    return [plate, holes, dowels], [(X, Y, Z, (0, 0, 0), "datum")]


def flange():
    ring_obj = Obj(DARK_STEEL, "flange")
    n, r_in, r_out, h = 24, 31.5, 80.0, 18.0
    inner = [ring_obj.point(r_in * math.cos(2 * math.pi * i / n), r_in * math.sin(2 * math.pi * i / n), h)
             for i in range(n)]
    outer = [ring_obj.point(r_out * math.cos(2 * math.pi * i / n), r_out * math.sin(2 * math.pi * i / n), h)
             for i in range(n)]
    outer_low = [ring_obj.point(p[0], p[1], 0.0) for p in (ring_obj.points[k] for k in outer)]
    for i in range(n):
        j = (i + 1) % n
        ring_obj.polys.append([inner[i], outer[i], outer[j], inner[j]])
        ring_obj.polys.append([outer[i], outer_low[i], outer_low[j], outer[j]])
    bolts = Obj(BLACK, "bolt_circle")
    for k in range(6):
        a = 2 * math.pi * k / 6
        bolts.outline(bolts.disc(62.5 * math.cos(a), 62.5 * math.sin(a), h + 0.01, 5.5, 10))
    ring_obj.texts.append(label("ISO 9409-1-125-6-M10", 0, -70, h + 0.1, 4.0))
    return [ring_obj, bolts], [(X, Y, Z, (0, 0, 0), "base"), (X, Y, Z, (0, 0, h), "tool_flange")]


def sensor_bracket():
    bracket = Obj(YELLOW, "sensor_bracket")
    bracket.box(0, 0, 0, 40, 3, 30)
    bracket.box(0, 3, 0, 40, 25, 3)
    sensor = Obj(BLUE, "proximity_sensor")
    sensor.disc(20, -0.01, 15, 9, 12)
    sensor.texts.append(label("M18 PNP NO", 20, -1, 28, 2.5))
    return [bracket, sensor], [(X, Y, Z, (20, 0, 15), "sensor_axis")]


def guide_rail():
    rail = Obj(GREY, "guide_rail")
    profile = [(0, 0), (8, 0), (8, 30), (3, 30), (3, 35), (0, 35)]
    length, sections = 1200.0, 4
    rings = []
    for s in range(sections + 1):
        x = length * s / sections
        rings.append([rail.point(x, y, z) for y, z in profile])
    for s in range(sections):
        for i in range(len(profile)):
            j = (i + 1) % len(profile)
            rail.polys.append([rings[s][i], rings[s + 1][i], rings[s + 1][j], rings[s][j]])
    for end in (rings[0][::-1], rings[-1]):
        rail.polys.append(list(end))
    rail.textures.append("brushed_aluminium.rgb 1 1 0 0")
    centre = Obj(GREEN, "conveyor_centre_line")
    marks = [centre.point(length * s / 8, -150.0, 0.0) for s in range(9)]
    centre.lines += [(marks[i], marks[i + 1]) for i in range(8)]
    centre.texts.append(label("FLOW ->", 600, -150, 5, 20.0))
    belt = Obj(BLACK, "belt_surface")
    belt.box(0, -300, -20, length, -10, 0)
    belt.textures.append("belt_rubber.rgb 4 1 0 0")
    belt.textures.append("belt_seam.rgb 1 1 0.5 0")
    return [rail, centre, belt], [(X, Y, Z, (0, 0, 0), "rail_start")]


def weld_gun_bracket():
    plate = Obj(RED, "bracket_plate")
    plate.box(0, 0, 0, 120, 80, 10)
    rib = Obj(RED, "rib")
    rib.box(55, 0, 10, 65, 80, 70)
    clamp = Obj(CYAN, "clamp_ring")
    clamp.outline(clamp.disc(60, 40, 70.01, 22, 16))
    clamp.texts.append(label("GUN MOUNT 2", 60, 40, 71, 4.0))
    clamp.textures.append("anodised_blue.rgb 1 1 0 0")
    return [plate, rib, clamp], [(X, Y, Z, (0, 0, 0), "base"), ((0, 0, -1), Y, X, (60, 40, 70), "gun_tcp")]


def pallet_locator():
    pin = Obj(TAN, "locating_pin")
    ring = pin.disc(0, 0, 40, 8, 12)
    pin.outline(ring)
    base = Obj(BROWN, "locator_block")
    base.box(-25, -25, 0, 25, 25, 30)
    base.texts.append(label("PALLET LOCATOR D16", -20, -26, 15, 3.0))
    stop = Obj(GREEN, "end_stop")
    stop.box(30, -10, 0, 45, 10, 50)
    return [pin, base, stop], [(X, Y, Z, (0, 0, 0), "pallet_datum"), (X, Y, Z, (0, 0, 40), "pin_top")]


def main():
    objs, frames = fixture_plate()
    write_part("fixture_plate_v8.pdb", 8, objs, frames)
    objs, frames = gripper_finger()
    write_part("gripper_finger_v9.pdb", 9, objs, frames, curves=[(3, 2)])
    objs, frames = flange()
    write_part("robot_base_flange_v10.pdb", 10, objs, frames, curves=[(2, 3)], negative=(0, 5))
    objs, frames = sensor_bracket()
    write_part("sensor_bracket_v1010.pdb", 10, objs, frames, header=1010, negative=(1, 2), attributed=(1,))
    objs, frames = guide_rail()
    write_part("conveyor_guide_rail_v11.pdb", 11, objs, frames, curves=[(3, 1), (1, 1)])
    objs, frames = weld_gun_bracket()
    write_part("weld_gun_bracket_v12.pdb", 12, objs, frames, curves=[(3, 1)])
    objs, frames = pallet_locator()
    write_part("pallet_locator_v14.pdb", 14, objs, frames, curves=[(2, 2)])


if __name__ == "__main__":
    main()
