#!/usr/bin/env python3
"""Writes the example parts with NURBS surfaces and stored tessellations:
a trimmed mounting plate (version 11), cylinder shells from rational
quadratic surfaces (version 12) and a cover with stored tessellations
(version 14). Run from anywhere; files land beside it."""

import math
import os
import sys

sys.dont_write_bytecode = True  # no cache folder among the parts
from generate_examples import edge_rings  # noqa: E402  (the script's own folder)

HERE = os.path.dirname(os.path.abspath(__file__))

GREY, RED, BLUE, YELLOW, CYAN, LIGHT_BLUE, STEEL, DARK_STEEL = 5, 7, 9, 10, 11, 16, 21, 22
W = math.sqrt(0.5)


def num(v):
    if isinstance(v, int):
        return str(v)
    return "%.9g" % (v if v != 0 else 0.0)


def line(*values):
    return " ".join(num(v) for v in values)


def polygon(cx, cy, r, n, clockwise):
    """A regular n-gon; clockwise loops are holes."""
    sign = -1 if clockwise else 1
    return [(cx + r * math.cos(sign * 2 * math.pi * i / n), cy + r * math.sin(sign * 2 * math.pi * i / n))
            for i in range(n)]


class Surface:
    """One NURBS surface record. Control points are (x, y, z, w) in space;
    the file holds them homogeneous, weight first."""

    def __init__(self, u_degree, v_degree, u_knots, v_knots, rows, colour):
        self.u_degree, self.v_degree = u_degree, v_degree
        self.u_knots, self.v_knots = u_knots, v_knots
        self.rows = rows  # rows[i][j]: control point i along u, j along v
        self.colour = colour
        self.outer, self.holes = [], []

    def write(self, out, version):
        nu, nv = len(self.rows), len(self.rows[0])
        su, sv = nu - self.u_degree, nv - self.v_degree
        assert len(self.u_knots) == 2 * self.u_degree + su + 1
        assert len(self.v_knots) == 2 * self.v_degree + sv + 1
        u0, u1 = self.u_knots[self.u_degree], self.u_knots[-self.u_degree - 1]
        v0, v1 = self.v_knots[self.v_degree], self.v_knots[-self.v_degree - 1]
        out.append(line(float(u0), float(u1), float(v0), float(v1)))
        out.append(line(self.u_degree, self.v_degree, su, sv))
        out.append("0.001 0.01 0.5" if version >= 12 else "0 0")
        out.append(line(*[float(k) for k in self.u_knots]))
        out.append(line(*[float(k) for k in self.v_knots]))
        for row in self.rows:
            for x, y, z, w in row:
                out.append(line(float(w), x * w, y * w, z * w))
        out.append("0.01")
        out.append(str(len(self.outer)))
        if self.outer:
            out += [line(float(u), float(v)) for u, v in self.outer]
            out.append(str(len(self.holes)))
            for hole in self.holes:
                out.append(str(len(hole)))
                out += [line(float(u), float(v)) for u, v in hole]
        out.append(str(self.colour))
        if version >= 12:
            # The writing program's own facets of the surface: a quad.
            out += ["4", "0 0 0", "1 0 0", "1 1 0", "0 1 0", "4", "0 1", "1 2", "2 3", "3 0",
                    "1", "4 1 2 3 4 0 0 1 0"]


def flat(x0, y0, z0, du, dv, colour):
    """A bilinear patch from corner (x0, y0, z0) along the vectors du and dv."""
    def at(a, b):
        return (x0 + a * du[0] + b * dv[0], y0 + a * du[1] + b * dv[1], z0 + a * du[2] + b * dv[2], 1.0)
    return Surface(1, 1, [0, 0, 1, 1], [0, 0, 1, 1], [[at(0, 0), at(0, 1)], [at(1, 0), at(1, 1)]], colour)


def cylinder(r, length, quarters, colour):
    """Part of a cylinder around z as a rational quadratic surface: one
    knot span per quarter turn, linear along z."""
    ring = []
    for q in range(quarters):
        a0, a1 = q * math.pi / 2, (q + 1) * math.pi / 2
        if q == 0:
            ring.append((r * math.cos(a0), r * math.sin(a0), 1.0))
        mid = (a0 + a1) / 2
        ring.append((r * math.cos(mid) / W, r * math.sin(mid) / W, W))
        ring.append((r * math.cos(a1), r * math.sin(a1), 1.0))
    rows = [[(x, y, 0.0, w), (x, y, length, w)] for x, y, w in ring]
    knots = [0, 0, 0] + [k for q in range(1, quarters) for k in (q / quarters, q / quarters)] + [1, 1, 1]
    return Surface(2, 1, knots, [0, 0, 1, 1], rows, colour)


class Obj:
    def __init__(self, colour, name):
        self.colour, self.name = colour, name
        self.points, self.polys = [], []

    def box(self, x0, y0, z0, x1, y1, z1):
        b = len(self.points)
        for z in (z0, z1):
            for x, y in ((x0, y0), (x1, y0), (x1, y1), (x0, y1)):
                self.points.append((x, y, z))
        for ring in ((0, 3, 2, 1), (4, 5, 6, 7), (0, 1, 5, 4), (1, 2, 6, 5), (2, 3, 7, 6), (3, 0, 4, 7)):
            self.polys.append([b + i for i in ring])

    def write(self, out, version):
        out.append(str(self.colour))
        if version >= 12:
            out.append(self.name)
        out.append(str(len(self.points)))
        out += [line(*[float(c) for c in p]) for p in self.points]
        out.append("0")  # no lines
        if version >= 12:
            edges, rings = edge_rings(self.polys)
            out.append(str(len(edges)))
            out += ["%d %d" % e for e in edges]
            out.append(str(len(rings)))
            out += [line(len(r), *r) for r in rings]
        else:
            out.append(str(len(self.polys)))
            out += [line(len(p), *p) for p in self.polys]
        out.append("0")  # texts
        out.append("0")  # textures
        if version == 14:
            out.append("0")


def write_part(name, version, surfaces, objects, tessellation=None):
    out = ["14 DENEB_PART_FILE", "2 UNITS", "mm xpdb_examples"] if version == 14 else [str(version)]
    out += ["0", "0"]  # no coordinate systems, no curves
    out.append(str(len(surfaces)))
    for s in surfaces:
        s.write(out, version)
    out.append(str(len(objects)))
    for o in objects:
        o.write(out, version)
    if tessellation:
        out += tessellation
    with open(os.path.join(HERE, name), "w") as f:
        f.write("\n".join(out) + "\n")


def mounting_plate():
    """120 x 80 plate with 10 mm corner chamfers, four 24-gon bolt holes of
    radius 4.5 and a 40 x 10 slot; a vertical triangular gusset."""
    plate = flat(0, 0, 0, (120, 0, 0), (0, 80, 0), LIGHT_BLUE)
    c = 10.0
    outline = [(c, 0), (120 - c, 0), (120, c), (120, 80 - c), (120 - c, 80), (c, 80), (0, 80 - c), (0, c)]
    plate.outer = [(x / 120, y / 80) for x, y in outline]
    holes = [polygon(x, y, 4.5, 24, True) for x, y in ((15, 15), (105, 15), (105, 65), (15, 65))]
    holes.append([(40, 35), (40, 45), (80, 45), (80, 35)])
    plate.holes = [[(x / 120, y / 80) for x, y in h] for h in holes]
    gusset = flat(40, 40, 0, (40, 0, 0), (0, 0, 40), RED)
    gusset.outer = [(0, 0), (1, 0), (0, 1)]
    block = Obj(GREY, "spacer")
    block.box(50, 60, -20, 70, 70, 0)
    write_part("mounting_plate_surfaces_v11.pdb", 11, [plate, gusset], [block])


def cylinder_shells():
    """A half cylinder of radius 30 and length 120, and a quarter cylinder of
    radius 10 with a window cut out between u 0.25..0.75 and v 0.25..0.75."""
    half = cylinder(30.0, 120.0, 2, STEEL)
    fillet = cylinder(10.0, 120.0, 1, YELLOW)
    fillet.outer = [(0, 0), (1, 0), (1, 1), (0, 1)]
    fillet.holes = [[(0.25, 0.25), (0.25, 0.75), (0.75, 0.75), (0.75, 0.25)]]
    bar = Obj(DARK_STEEL, "mounting_bar")
    bar.box(-35, -5, 0, 35, 0, 10)
    write_part("cylinder_shells_surfaces_v12.pdb", 12, [half, fillet], [bar])


def tessellated_cover():
    """A 60 x 60 cover with a 24-gon opening of radius 15 as a surface, and
    stored tessellations of a hexagonal boss (radius 10, height 20): its cap,
    its walls and its outline."""
    cover = flat(-30, -30, 0, (60, 0, 0), (0, 60, 0), CYAN)
    cover.outer = [(0, 0), (1, 0), (1, 1), (0, 1)]
    cover.holes = [[((x + 30) / 60, (y + 30) / 60) for x, y in polygon(0, 0, 15, 24, True)]]
    foot = Obj(GREY, "foot")
    foot.box(-30, -30, -5, 30, 30, 0)

    hexagon = [(10 * math.cos(math.pi * i / 3), 10 * math.sin(math.pi * i / 3)) for i in range(6)]
    cap_points = [(x, y, 20.0) for x, y in hexagon]
    cap_edges = [(i, (i + 1) % 6) for i in range(6)]
    wall_points = [(x, y, 0.0) for x, y in hexagon] + cap_points
    wall_edges = [(i, (i + 1) % 6) for i in range(6)] + [(6 + i, 6 + (i + 1) % 6) for i in range(6)] + \
                 [(i, 6 + i) for i in range(6)]
    # Each wall runs bottom edge forwards, up, top edge backwards, down.
    walls = [[i + 1, 13 + (i + 1) % 6, -(7 + i), -(13 + i)] for i in range(6)]
    outline_points = cap_points + [(0.0, 0.0, 0.0), (0.0, 0.0, 30.0)]
    outline = [(i, (i + 1) % 6) for i in range(6)] + [(6, 7)]

    def points(pts):
        return [str(len(pts))] + [line(*[float(c) for c in p]) for p in pts]

    def pairs(items):
        return [str(len(items))] + ["%d %d" % p for p in items]

    section = ["1", "1 boss", "hexagon_boss", "2 FACES"]
    section += ["cap", str(BLUE)] + points(cap_points) + pairs(cap_edges) + ["1", line(6, 1, 2, 3, 4, 5, 6)] + ["end"]
    section += ["walls", str(BLUE)] + points(wall_points) + pairs(wall_edges)
    section += [str(len(walls))] + [line(4, *w) for w in walls] + ["end"]
    section += ["1 EDGES", "outline", str(RED)] + points(outline_points) + pairs(outline) + ["end"]
    section += ["end_boss"]
    write_part("tessellated_cover_surfaces_v14.pdb", 14, [cover], [foot], section)


def main():
    mounting_plate()
    cylinder_shells()
    tessellated_cover()


if __name__ == "__main__":
    main()
