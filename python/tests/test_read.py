import os
import pathlib

import numpy as np
import pytest
import xpdb
from conftest import EXAMPLES, PART9, cli_json


def triangle_area(s):
    p = s.points.astype(np.float64)[s.triangles]
    return float(np.linalg.norm(np.cross(p[:, 1] - p[:, 0], p[:, 2] - p[:, 0]), axis=1).sum() / 2)


def assert_like_cli(part, report):
    """The sets as `xpdb read --json` summarises them."""
    assert [s.kind for s in part.sets] == [r["type"] for r in report["sets"]]
    for s, r in zip(part.sets, report["sets"]):
        assert (s.material, s.material_mode) == (r["material"], r["material_mode"])
        assert s.points.dtype == np.float32 and s.points.shape == (r["points"], 3)
        if r["bounds"] is not None:
            np.testing.assert_allclose([s.points.min(axis=0), s.points.max(axis=0)], r["bounds"], rtol=1e-6)
        if s.kind == "xTriMesh":
            assert s.triangles.dtype == np.uint32 and s.triangles.shape == (r["triangles"], 2 + 1)
            assert triangle_area(s) == pytest.approx(r["area"], rel=1e-6)
        if s.kind in ("xCompactLineSet", "xLineSet"):
            assert s.segments.dtype == np.uint32 and s.segments.shape == (r["segments"], 2)
            assert (s.segments < len(s.points)).all()
            assert s.triangles is None and s.polygons is None
        if s.kind == "xCompactLineSet":
            assert len(s.polylines) == r["polylines"]
        if s.kind == "xLineSet":
            assert len(s.polylines) == r["lines"]
            # Each polyline's neighbours are its segments, in order.
            chained = [pair for line in s.polylines for pair in zip(line[:-1], line[1:])]
            assert chained == [tuple(pair) for pair in s.segments]


@pytest.mark.parametrize("example", EXAMPLES, ids=lambda p: p.name)
def test_every_example_reads_as_the_command_line_host_reports_it(example):
    part = xpdb.read(example)
    assert part.module == cli_json("read", example)["module"]
    assert_like_cli(part, cli_json("read", example))


def test_the_examples_hold_every_kind_a_read_makes():
    kinds = {s.kind for example in EXAMPLES for s in xpdb.read(example)}
    assert kinds == {"xTriMesh", "xCompactLineSet", "xLineSet"}


def test_a_small_part_gives_its_numbers_exactly(part9):
    lines, quad, tri = xpdb.read(part9).sets
    assert lines.kind == "xCompactLineSet" and lines.material == "RED" and lines.material_mode == 2
    np.testing.assert_array_equal(lines.points, [[0, 0, 0], [1, 0, 0], [1, 0, 0], [1, 1, 0]])
    np.testing.assert_array_equal(lines.segments, [[0, 1], [2, 3]])
    assert len(lines.polylines) == 0
    np.testing.assert_array_equal(quad.points, [[0, 0, 0], [1, 0, 0], [1, 1, 0], [0, 1, 0]])
    assert quad.triangles.tolist() == [[0, 1, 2], [0, 2, 3]]
    assert tri.material == "YELLOW" and len(tri.color) == 3
    assert all(isinstance(c, float) for c in tri.color)
    # The arrays belong to Python: writable, and nothing else holds them.
    quad.points[0, 0] = 5
    assert quad.points.flags.owndata and quad.points.flags.writeable


def test_bytes_read_as_the_file_they_came_from(part9):
    from_path = xpdb.read(part9)
    for content in (PART9.encode(), bytearray(PART9.encode()), memoryview(PART9.encode())):
        from_bytes = xpdb.read(content)
        assert [s.kind for s in from_bytes] == [s.kind for s in from_path]
        for a, b in zip(from_bytes, from_path):
            np.testing.assert_array_equal(a.points, b.points)


def test_a_failed_read_raises_with_the_status_text_and_the_sets_read_before(part9, tmp_path):
    broken = tmp_path / "broken.pdb"
    broken.write_text(PART9.replace("0\n1\n3 0 1 2\n0\n", "0\n1\n3 0 1 2\nx\n"))
    report = cli_json("read", broken, check=False)
    assert report["ok"] is False
    with pytest.raises(xpdb.ReadError) as failure:
        xpdb.read(broken)
    assert str(failure.value) == report["error"]
    assert failure.value.detail == report["error_detail"]
    assert_like_cli(failure.value.part, report)
    assert len(failure.value.part.sets) == len(report["sets"]) > 0


def test_a_part_cut_at_any_line_reads_or_raises_as_the_command_line_host_does(tmp_path):
    text = (EXAMPLES[0].parent / "gripper_finger_v9.pdb").read_bytes()
    cut = tmp_path / "cut.pdb"
    ends = [i + 1 for i, c in enumerate(text) if c == ord("\n")]
    for end in [1, 2, 5] + ends[:-1]:
        cut.write_bytes(text[:end])
        report = cli_json("read", cut, check=False)
        try:
            part = xpdb.read(text[:end])
        except xpdb.ReadError as e:
            assert not report["ok"] and str(e) == report["error"], end
            part = e.part
        except ValueError as e:
            assert "not a PDB file" in str(e) and report.get("sets") is None, end
            continue
        assert_like_cli(part, report)


def test_files_that_cannot_be_read(tmp_path, monkeypatch):
    with pytest.raises(OSError, match="missing.pdb"):
        xpdb.read(tmp_path / "missing.pdb")
    with pytest.raises(OSError):
        xpdb.read(tmp_path)
    (tmp_path / "text.pdb").write_text("hello world\n")
    with pytest.raises(ValueError, match="not a PDB file"):
        xpdb.read(tmp_path / "text.pdb")
    with pytest.raises(ValueError, match="^<bytes>: not a PDB file"):
        xpdb.read(b"")
    with pytest.raises(TypeError):
        xpdb.read(42)
    with pytest.raises(ValueError, match="no module 6"):
        xpdb.read(tmp_path / "text.pdb", module=6)
    with pytest.raises(ValueError, match="tolerance"):
        xpdb.read(b"9", tolerance=float("nan"))
    with pytest.raises(TypeError, match="tolerance must be a number"):
        xpdb.read(b"9", tolerance="0.5")
    with pytest.raises(ValueError, match="beyond 32 bits"):
        xpdb.read(b"9", module=2**40)
    # A null byte would end the name early: another file.
    (tmp_path / "a").write_text("9\n0\n0\n0\n0\n")
    with pytest.raises(ValueError, match="null byte"):
        xpdb.read(str(tmp_path / "a") + "\0b")
    # "-" is a file here, not standard input.
    monkeypatch.chdir(tmp_path)
    with pytest.raises(OSError, match="^./-: No such file"):
        xpdb.read("-")


def test_huge_counts_and_crlf_lines(part9):
    for text, status in [(b"9\n0\n0\n0\n1\n7\n999999999\n0 0 0\n", "Error Reading Point Count"),
                         (b"9\n0\n0\n0\n1\n7\n-5\n", "Error Reading Point Count")]:
        with pytest.raises(xpdb.ReadError, match=f"^{status}$"):
            xpdb.read(text)
    crlf = xpdb.read(part9.read_bytes().replace(b"\n", b"\r\n"))
    for a, b in zip(crlf, xpdb.read(part9), strict=True):
        np.testing.assert_array_equal(a.points, b.points)


def test_a_path_that_is_not_utf8(part9, tmp_path):
    name = os.path.join(os.fsencode(tmp_path), b"caf\xe9.pdb")
    with open(name, "wb") as f:
        f.write(part9.read_bytes())
    # Bytes are a part's content; such a name is a str as os.fsdecode gives it.
    assert len(xpdb.read(os.fsdecode(name)).sets) == 3
    assert len(xpdb.read(pathlib.Path(os.fsdecode(name))).sets) == 3
    with pytest.raises(OSError) as failure:
        xpdb.read(os.fsdecode(name + b".gone"))
    assert b"caf\xe9.pdb.gone" in os.fsencode(str(failure.value))


def test_a_module_given_reads_through_it_as_the_command_line_host_does(part9):
    for module in range(6):
        report = cli_json("read", part9, "--module", module, check=False)
        try:
            part = xpdb.read(part9, module=module)
            assert report["ok"], module
        except xpdb.ReadError as e:
            assert str(e) == report["error"], module
            part = e.part
        assert part.module == report["module"]
        assert_like_cli(part, report)


def test_modules_and_detect_print_what_the_command_line_host_prints(part9, tmp_path):
    assert xpdb.modules() == cli_json("modules")
    (tmp_path / "text.pdb").write_text("hello\n")
    files = [part9, tmp_path / "text.pdb", tmp_path / "missing.pdb"]
    expected = cli_json("detect", *files, check=False)
    assert xpdb.detect(files) == expected
    assert xpdb.detect(part9) == expected[0]
    assert expected[0]["module"] == "xpdb09" and expected[1]["module"] is None
