import os
import warnings

import numpy as np
import pytest
import xpdb
from conftest import EXAMPLES, VERSIONS, cli, cli_json

from test_read import assert_like_cli


def quad(**extra):
    s = {"kind": "xTriMesh", "points": np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], np.float32),
         "triangles": np.array([[0, 1, 2], [0, 2, 3]], np.uint32), "material": "RED"}
    s.update(extra)
    return s


def write_quietly(path, sets, version):
    with warnings.catch_warnings(record=True) as caught:
        warnings.simplefilter("always")
        xpdb.write(path, sets, version=version)
    return [str(w.message) for w in caught]


@pytest.mark.parametrize("version", VERSIONS)
@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.name)
def test_every_example_through_every_version_as_convert_writes_it(example, version, tmp_path):
    ours, theirs = tmp_path / "ours.pdb", tmp_path / "theirs.pdb"
    converted = cli("convert", example, theirs, "--pdb-version", version)
    said = write_quietly(ours, xpdb.read(example), version)
    # Left out with the same words, and what is kept reads back alike.
    assert [w.split("; ")[0] for w in said] == \
        [line.split("; ")[0].removeprefix("xpdb: warning: ") for line in converted.stderr.decode().splitlines()]
    assert_like_cli(xpdb.read(ours), cli_json("read", theirs))
    # A line set's points are doubles in the host; the arrays hold floats.
    if all(s.kind != "xLineSet" for s in xpdb.read(example)):
        assert ours.read_bytes() == theirs.read_bytes()


def test_every_kind_through_the_host_and_back():
    polygons = xpdb.Ragged(np.array([0, 1, 2, 3, 1, 4, 2]), np.array([0, 4, 7]))
    frames = np.stack([np.eye(4), np.eye(4)])
    frames[1, :3, 3] = [10, 20, 30]
    frames[1, :3, 0] = [0, 1, 0]
    sets = [
        quad(material_mode=2),
        {"kind": "xPolyMesh", "points": np.arange(15, dtype=np.float32).reshape(5, 3), "polygons": polygons},
        {"kind": "xCompactLineSet", "points": np.arange(18, dtype=np.float32).reshape(6, 3),
         "segments": np.array([[0, 1], [2, 3], [4, 5]], np.uint32),
         "polylines": xpdb.Ragged(np.array([4, 5]), np.array([0, 2]))},
        {"kind": "xLineSet", "points": np.arange(12, dtype=np.float32).reshape(4, 3),
         "polylines": [[0, 1, 2], [3, 0]]},
        {"kind": "xPointSet", "points": np.ones((3, 3), np.float32), "color": (0.25, 0.5, 1.0)},
        {"kind": "xFrameSet", "frames": frames, "material": "GREY"},
    ]
    tri, poly, compact, lines, points, frame = [xpdb.Set._from_native(d) for d in
                                                xpdb._xpdb.host_round_trip([xpdb._native(s, i)
                                                                            for i, s in enumerate(sets)])]
    assert [tri.kind, poly.kind, compact.kind, lines.kind, points.kind, frame.kind] == list(xpdb.KINDS)
    assert (tri.material, tri.material_mode) == ("RED", 2) and tri.triangles.tolist() == [[0, 1, 2], [0, 2, 3]]
    assert [p.tolist() for p in poly.polygons] == [[0, 1, 2, 3], [1, 4, 2]]
    np.testing.assert_array_equal(poly.points, sets[1]["points"])
    # The segment that repeats the polyline's own is not written twice.
    assert compact.segments.tolist() == [[0, 1], [2, 3], [4, 5]] and len(compact.points) == 6
    assert [p.tolist() for p in compact.polylines] == [[4, 5]]
    np.testing.assert_array_equal(compact.points[compact.segments.ravel()], sets[2]["points"])
    assert [p.tolist() for p in lines.polylines] == [[0, 1, 2], [3, 4]]
    assert lines.segments.tolist() == [[0, 1], [1, 2], [3, 4]]
    np.testing.assert_array_equal(lines.points[4], sets[3]["points"][0])
    np.testing.assert_array_equal(points.points, np.ones((3, 3)))
    assert points.material == "" and points.color == pytest.approx((0.25, 0.5, 1.0))
    np.testing.assert_array_equal(frame.frames, frames)
    assert frame.points.shape == (0, 3) and frame.material == "GREY"


def test_what_a_version_cannot_hold_is_left_out_with_a_warning(tmp_path):
    target = tmp_path / "out.pdb"
    frames = {"kind": "xFrameSet", "frames": np.eye(4)[None]}
    lines = {"segments": np.array([[0, 1]]), "points": np.zeros((2, 3))}
    with pytest.warns(UserWarning, match=r"PDB version 9 cannot hold 1 xFrameSet \(#1\); left out of .*out.pdb"):
        assert xpdb.write(target, [quad(), frames]) == 1
    assert [s.kind for s in xpdb.read(target)] == ["xTriMesh"]
    assert [s.kind for s in xpdb.read(target)] == ["xTriMesh"]
    with pytest.warns(UserWarning, match="PDB version 12 cannot hold 1 xCompactLineSet"):
        xpdb.write(target, [lines, quad()], version=12)
    with pytest.raises(ValueError, match="PDB version 12 cannot hold 1 xCompactLineSet .*; nothing written"):
        xpdb.write(target, [lines], version=12)
    with pytest.raises(ValueError, match="no sets to write; nothing written"):
        xpdb.write(target, [])
    with pytest.raises(ValueError, match="no module for PDB version 13"):
        xpdb.write(target, [quad()], version=13)


def test_polygons_and_materials_reach_the_file(tmp_path):
    target = tmp_path / "poly.pdb"
    square = {"points": np.array([[0, 0, 0], [2, 0, 0], [2, 2, 0], [0, 2, 0]], np.float64),
              "polygons": [[0, 1, 2, 3]], "material": "BLUE"}
    for version in VERSIONS:
        xpdb.write(target, [square, {"points": square["points"], "polygons": [[0, 1, 2]], "color": (1, 0, 0)}],
                   version=version)
        report = cli_json("read", target)
        assert [(s["material"], s["area"]) for s in report["sets"]] == [("BLUE", 4.0), ("RED", 2.0)], version


bad_arrays = [
    (quad(points=np.zeros((4, 2), np.float32)), ValueError, r"set 0: points must have the shape \(n, 3\)"),
    (quad(points=np.array([["a"] * 3] * 4)), TypeError, "set 0: points must be real numbers"),
    (quad(points=np.zeros((4, 3), np.complex64)), TypeError, "points must be real numbers"),
    (quad(points=np.array([[0, 0, 0], [1, 0, np.nan], [1, 1, 0], [0, 1, 0]])), ValueError,
     r"point 1 is not finite: \[1.0, 0.0, nan\]"),
    (quad(points=np.array([[0, 0, 0], [1, 0, 0], [1, 1, np.inf], [0, 1, 0]])), ValueError, "point 2 is not finite"),
    (quad(points=np.full((4, 3), 1e300)), ValueError, "beyond the range of float32"),
    (quad(triangles=np.array([[0, 1, 4]])), ValueError, "triangles refers to point 4, but the set has 4 points"),
    (quad(triangles=np.array([[0, 1, -1]])), ValueError, "triangles holds the negative index -1"),
    (quad(triangles=np.array([[0, 1, 2**40]])), ValueError, "refers to point 1099511627776"),
    (quad(triangles=np.array([[0.0, 1, 2]])), TypeError, "triangles must be integer point indices, not float64"),
    (quad(triangles=np.array([0, 1, 2])), ValueError, r"triangles must have the shape \(n, 3\)"),
    (quad(kind="xMesh"), ValueError, "unknown kind 'xMesh'"),
    (quad(material=7), TypeError, "material must be a str"),
    (quad(color=(1, 0)), ValueError, "color must be three finite floats"),
    ({"polygons": [[0, 1, 2]], "points": np.zeros((2, 3))}, ValueError, "polygons indices refers to point 2"),
    ({"polygons": (np.array([0, 1]), np.array([0, 3])), "points": np.zeros((2, 3))}, ValueError,
     "polygons offsets must rise from 0"),
    ({"polygons": 5, "points": np.zeros((2, 3))}, TypeError, "polygons must be a Ragged"),
    ({"segments": np.array([[0, 1, 2]]), "points": np.zeros((3, 3))}, ValueError, r"shape \(n, 2\)"),
    ({"frames": np.zeros((2, 3, 4))}, ValueError, r"frames must have the shape \(n, 4, 4\)"),
    ({"frames": np.full((1, 4, 4), np.nan)}, ValueError, "frames must be finite"),
    ("not a set", TypeError, "set 0: a Set or a dict is needed, not str"),
    (quad(material="\udcff"), ValueError, "is no name a part can hold"),
    (quad(material="RED\0x"), ValueError, "is no name a part can hold"),
    (quad(material_mode="2"), TypeError, "material_mode must be an int"),
    (quad(material_mode=2**40), ValueError, "material_mode 1099511627776 is beyond 32 bits"),
    (quad(color="red"), TypeError, "color must be three floats"),
    (quad(points=[[0, 0], [1, 1, 1]]), ValueError, "points is not an array"),
    (quad(triangles=np.array([[0, 1, 2**64 - 1]], np.uint64)), ValueError, "refers to point 18446744073709551615"),
    ({"points": np.zeros((70000, 3)), "polygons": [np.arange(70000)]}, ValueError,
     "polygon 0 has more corners than a polygon can hold"),
    ({"points": np.zeros((3, 3)), "polygons": (np.array([0, 1, 2]), np.array([0, 2**40]))}, ValueError,
     "polygons offsets holds 1099511627776, beyond 32 bits"),
]


@pytest.mark.parametrize("bad, error, message", bad_arrays)
def test_bad_arrays_are_refused_with_a_clear_message_and_nothing_written(bad, error, message, tmp_path):
    target = tmp_path / "out.pdb"
    target.write_bytes(b"old")
    with pytest.raises(error, match=message):
        xpdb.write(target, [bad])
    assert target.read_bytes() == b"old"


def test_the_native_half_checks_again_what_it_is_handed():
    points = np.zeros((3, 3), np.float32)
    for bad, error in [({"kind": "xTriMesh", "points": points.astype(np.float64), "triangles": None}, TypeError),
                       ({"kind": "xTriMesh", "points": points, "triangles": np.array([[0, 1, 3]], np.uint32)},
                        ValueError),
                       ({"kind": "xTriMesh", "points": np.zeros((6, 3), np.float32)[::2],
                         "triangles": np.zeros((0, 3), np.uint32)}, TypeError),
                       ({"kind": "xPolyMesh", "points": points,
                         "polygons": (np.array([0, 1], np.uint32), np.array([0, 5], np.uint32))}, ValueError),
                       ({"kind": "xLineSet", "points": points,
                         "polylines": (np.array([0, 1], np.uint32), np.array([1, 2], np.uint32))}, ValueError),
                       ({"kind": "xFrameSet", "points": points, "frames": np.zeros((1, 4, 4), np.float32)},
                        TypeError),
                       ({"kind": "none", "points": points}, ValueError)]:
        with pytest.raises(error):
            xpdb._xpdb.host_round_trip([bad])


def test_arrays_of_other_layouts_and_integer_types_are_taken(tmp_path):
    points = np.asfortranarray(np.array([[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]], np.float64))
    wide = np.zeros((4, 6))
    wide[:, ::2] = points
    for p, t in [(points, np.array([[0, 1, 2], [0, 2, 3]], np.int64)),
                 (wide[:, ::2], np.array([[0, 1, 2], [0, 2, 3]], np.int8)),
                 (points.tolist(), [[0, 1, 2], [0, 2, 3]]),
                 (points.astype(np.float16), np.array([[2, 0, 0], [3, 0, 0]], np.uint16).T.copy().T[:, ::-1])]:
        xpdb.write(tmp_path / "out.pdb", [{"points": p, "triangles": t}])
        (s,) = xpdb.read(tmp_path / "out.pdb").sets
        assert s.triangles.shape == (2, 3) and len(s.points) == 4


def test_a_part_written_as_it_was_read_is_the_same_file(tmp_path):
    example = EXAMPLES[0].parent / "gripper_finger_v9.pdb"
    first, second = tmp_path / "first.pdb", tmp_path / "second.pdb"
    xpdb.write(first, xpdb.read(example))
    xpdb.write(second, xpdb.read(first))
    assert first.read_bytes() == second.read_bytes()


def test_targets_that_cannot_be_written_fail_and_keep_what_was_there(tmp_path):
    with pytest.raises(OSError, match="directory"):
        xpdb.write(tmp_path, [quad()])
    with pytest.raises(OSError, match="(?i)no space|device"):
        xpdb.write("/dev/full", [quad()])
    with pytest.raises(OSError):
        xpdb.write(tmp_path / "no" / "such" / "dir.pdb", [quad()])
    with pytest.raises(TypeError, match="path must be a path"):
        xpdb.write(3, [quad()])
    with pytest.raises(ValueError, match="null byte"):
        xpdb.write(tmp_path / "a\0b.pdb", [quad()])
    with pytest.raises(TypeError, match="sets must be a Part, a Set, a dict or a list of them"):
        xpdb.write(tmp_path / "a.pdb", 5)
    with pytest.raises(TypeError, match="version must be an int"):
        xpdb.write(tmp_path / "a.pdb", [quad()], version=True)
    name = os.path.join(os.fsencode(tmp_path), b"\xff\xfe.pdb")
    xpdb.write(name, [quad()])
    assert [s.kind for s in xpdb.read(os.fsdecode(name))] == ["xTriMesh"]
    assert sorted(os.listdir(os.fsencode(tmp_path))) == [b"\xff\xfe.pdb"]


def test_ctrl_c_still_interrupts_python_after_a_write(tmp_path):
    # The writers' cleanup of temporary files must not take SIGINT from the
    # interpreter: the signal would end the process instead.
    import signal

    xpdb.write(tmp_path / "out.pdb", [quad()])
    with pytest.raises(KeyboardInterrupt):
        os.kill(os.getpid(), signal.SIGINT)
        signal.sigtimedwait([], 0.01)  # gives the handler its turn
    assert sorted(p.name for p in tmp_path.iterdir()) == ["out.pdb"]
