#!/usr/bin/env python3
"""Writes inputs of about 1 MiB that push the readers' counts and loops to
their worst: huge declared counts, long records, long trimming loops.
usage: make_stress.py OUTDIR   (one folder per harness, as the fuzz corpora)"""
import math
import os
import random
import sys

MIB = 1 << 20
out = sys.argv[1]


def put(harness, name, text):
    os.makedirs(os.path.join(out, harness), exist_ok=True)
    with open(os.path.join(out, harness, name), "w") as f:
        f.write(text[:MIB])


def fill(unit, budget=MIB - 200):
    return unit * (budget // len(unit))


v9 = "9\n0\n0\n0\n1\n7\n"
put("read_m0", "many_points", v9 + "9999999\n" + fill("1.5 2.5 3.5\n"))
put("read_m0", "long_polygon", v9 + "3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n9999999\n" + fill("0 1 2 "))
put("read_m0", "many_segments", v9 + "2\n0 0 0\n1 0 0\n9999999\n" + fill("0 1\n"))
put("read_m0", "many_polygons", v9 + "3\n0 0 0\n1 0 0\n0 1 0\n0\n9999999\n" + fill("3 0 1 2\n"))
put("read_m0", "many_texts", v9 + "0\n0\n0\n100000\n" + fill("t\n"))
put("read_m0", "many_curves", "9\n0\n2147483647\n" + fill("0 1 3 1 0 " + "0 " * 20 + "1\n"))
put("read_m2", "negative_counts", "1010\n0\n0\n0\n100000\n" +
    fill("7\n-1\nx\ny\n3\n0 0 0\n1 0 0\n0 1 0\n0\n1\n-3 0 1 2\na\nb\nc\nd\n0\n"))
put("read_m4", "many_edges", "12\n0\n0\n0\n1\n7\n\n3\n0 0 0\n1 0 0\n0 1 0\n0\n9999999\n" + fill("0 1\n"))
put("read_m4", "long_ring", "12\n0\n0\n0\n1\n7\n\n3\n0 0 0\n1 0 0\n0 1 0\n0\n3\n0 1\n1 2\n2 0\n1\n9999999\n"
    + fill("1 2 3 -1 -2 -3 "))

# A bilinear patch whose outer loop is a spiral that never crosses itself.
patch = ("0 1 0 1 1 1 1 1 0 0\n0 0 1 1\n0 0 1 1\n"
         "1 0 0 0\n1 0 10 0\n1 10 0 0\n1 10 10 0\n0\n")
spiral = []
n = 120000
for i in range(n):
    a = i * 0.05
    r = 0.5 * (1 - i / n)
    spiral.append("%.6f %.6f" % (0.5 + r * math.cos(a), 0.5 + r * math.sin(a)))
put("read_m3", "spiral_loop", "11\n0\n0\n1\n" + patch + "%d\n" % n + "\n".join(spiral) + "\n0\n7\n0\n")
holes = "".join("4 %f %f %f %f %f %f %f %f\n" % (x, 0.1, x + 0.001, 0.1, x + 0.001, 0.2, x, 0.2)
                for x in [0.1 + 0.0005 * k for k in range(1500)])
put("read_m3", "many_holes", "11\n0\n0\n1\n" + patch + "4 0 0 1 0 1 1 0 1\n1500\n" + holes + "7\n0\n")
put("read_m3", "many_surfaces", "11\n0\n0\n100000\n" + fill(patch + "4 0 0 1 0 1 1 0 1\n0\n7\n"))

# Surfaces drawn by other programs: random bicubic 8 x 8 nets, each of which
# GLU would cut into hundreds of thousands of triangles. Once with long
# coordinates (400 surfaces), once with single digits, the most numbers in 1 MiB.
def rough_surface(rnd, colour, coordinate):
    knots = "0 0 0 0 1 2 3 4 5 5 5 5"
    points = "".join("1 %s %s %s\n" % (coordinate(rnd), coordinate(rnd), coordinate(rnd)) for _ in range(64))
    return "0 5 0 5\n3 3 5 5\n0 0\n%s\n%s\n%s0\n0\n%d\n" % (knots, knots, points, colour)


def rough_part(coordinate, count=None):
    rnd = random.Random(7)
    records = []
    size = 0
    while count is None or len(records) < count:
        record = rough_surface(rnd, 4 + len(records) % 32, coordinate)
        if count is None and size + len(record) + 32 > MIB:
            break
        records.append(record)
        size += len(record)
    return "11\n0\n0\n%d\n%s0\n" % (len(records), "".join(records))


# Trimming loops as long as the reader takes, drawn as a thin comb with short
# numbers: the crossing tests grow with the square of a loop, and a long thin
# loop once filled every cell of the touch test's grid.
def comb_surface(points):
    teeth = points // 2
    lower = ["%d %d" % (2 * i + 1, 1 + 2 * (i % 2)) for i in range(teeth)]
    upper = ["%d %d" % (2 * i + 1, 5 + 2 * (i % 2)) for i in reversed(range(teeth))]
    corners = "".join("1 %d %d 0\n" % (x, y) for x in (0, 20000) for y in (0, 20000))
    return ("0 20000 0 20000\n1 1 1 1\n0 0\n0 0 20000 20000\n0 0 20000 20000\n%s0\n%d\n%s\n0\n7\n"
            % (corners, 2 * teeth, "\n".join(lower + upper)))


def comb_part(points):
    record = comb_surface(points)
    count = (MIB - 64) // len(record)
    return "11\n0\n0\n%d\n%s0\n" % (count, record * count)


put("read_m3", "rough_comb_loops", comb_part(2048))
put("read_m3", "rough_comb_loops_over", comb_part(4096))
put("read_m3", "rough_surfaces", rough_part(lambda rnd: "%.7f" % rnd.uniform(-50, 50), 400))
put("read_m3", "rough_surfaces_short", rough_part(lambda rnd: str(rnd.randint(0, 9))))

# Version 14: a long header, then a stored mesh with a huge ring.
put("read_m5", "long_header", "14 DENEB_PART_FILE\n2147483647 x\n" + fill("word "))
tess = ("14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n0\n1\n1 a\nb\n1 c\nm\n7\n3\n0 0 0\n1 0 0\n0 1 0\n"
        "3\n0 1\n1 2\n2 0\n1\n9999999\n")
put("read_m5", "long_stored_ring", tess + fill("1 2 3 "))
put("read_m5", "many_groups", "14 DENEB_PART_FILE\n0\n0\n0\n0\n0\n0\n0\n2147483647\n" +
    fill("1 a\nb\n1 c\nm\n7\n3\n0 0 0\n1 0 0\n0 1 0\n3\n0 1\n1 2\n2 0\n1\n3 1 2 3\nz\n0 e\nend\n"))
