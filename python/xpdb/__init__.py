"""PDB part files as NumPy arrays.

``read`` gives a ``Part`` whose ``sets`` are the host's geometry sets in
container order, each with its points and the index arrays of its kind;
``write`` writes such sets (or a ``Part``) as PDB text of a version. Both go
through the package's exported functions, as the ``xpdb`` program does, and
let other threads run meanwhile.
"""

import json
import os
import warnings

import numpy as np

from . import _xpdb

__all__ = ["Part", "Set", "Ragged", "ReadError", "read", "write", "modules", "detect"]

KINDS = ("xTriMesh", "xPolyMesh", "xCompactLineSet", "xLineSet", "xPointSet", "xFrameSet")
_FLOAT32_MAX = float(np.finfo(np.float32).max)


class Ragged:
    """Lists of point indices in one flat array: item i is
    ``indices[offsets[i]:offsets[i + 1]]``."""

    __slots__ = ("indices", "offsets")

    def __init__(self, indices, offsets):
        self.indices = indices
        self.offsets = offsets

    @classmethod
    def from_lists(cls, lists):
        lists = [np.asarray(item).reshape(-1) for item in lists]
        offsets = np.zeros(len(lists) + 1, dtype=np.int64)
        offsets[1:] = np.cumsum([len(item) for item in lists], dtype=np.int64)
        indices = np.concatenate(lists) if lists else np.zeros(0, dtype=np.int64)
        return cls(indices, offsets)

    def __len__(self):
        return len(self.offsets) - 1

    def __getitem__(self, i):
        if not -len(self) <= i < len(self):
            raise IndexError(i)
        i %= len(self)
        return self.indices[self.offsets[i]:self.offsets[i + 1]]

    def __iter__(self):
        return (self[i] for i in range(len(self)))

    def __repr__(self):
        return f"Ragged({len(self)} lists, {len(self.indices)} indices)"


class Set:
    """One geometry set: ``kind`` (the host type name), ``material`` (name or
    None), ``material_mode``, ``color`` (RGB floats or None), ``points``
    (N x 3 float32), and by kind ``triangles`` (M x 3 uint32), ``segments``
    (K x 2 point indices) and ``polylines``, ``polygons`` (``Ragged``),
    ``frames`` (F x 4 x 4 float64: the axes and the position as columns).
    What the kind does not have is None."""

    __slots__ = ("kind", "material", "material_mode", "color", "points", "triangles", "segments",
                 "polylines", "polygons", "frames")

    def __init__(self, kind=None, points=None, *, material=None, material_mode=0, color=None,
                 triangles=None, segments=None, polylines=None, polygons=None, frames=None):
        self.kind = kind
        self.material = material
        self.material_mode = material_mode
        self.color = color
        self.points = np.zeros((0, 3), dtype=np.float32) if points is None else points
        self.triangles = triangles
        self.segments = segments
        self.polylines = polylines
        self.polygons = polygons
        self.frames = frames

    @classmethod
    def _from_native(cls, d):
        for key in ("polylines", "polygons"):
            if key in d:
                d[key] = Ragged(*d[key])
        kind = d.pop("kind")
        points = d.pop("points")
        return cls(kind, points, **d)

    def __repr__(self):
        content = [f"{len(self.points)} points"]
        for name in ("triangles", "segments", "polylines", "polygons", "frames"):
            value = getattr(self, name)
            if value is not None:
                content.append(f"{len(value)} {name}")
        material = f" {self.material}" if self.material else ""
        return f"<{self.kind}{material}: {', '.join(content)}>"


class Part:
    """The sets of one part file, in container order."""

    def __init__(self, sets=None, module=None):
        self.sets = list(sets or [])
        self.module = module

    def __len__(self):
        return len(self.sets)

    def __iter__(self):
        return iter(self.sets)

    def __getitem__(self, i):
        return self.sets[i]

    def __repr__(self):
        return f"<Part {self.module or ''}: {len(self.sets)} sets>"


class ReadError(Exception):
    """A read that the package gave up. The message is its status text
    exactly; ``part`` holds the sets read before the failure and ``detail``
    where the read stopped, when the package noted it."""

    def __init__(self, message, part=None, detail=""):
        super().__init__(message)
        self.part = part if part is not None else Part()
        self.detail = detail


def _fs_bytes(path, what):
    try:
        path = os.fsencode(path)
    except TypeError:
        raise TypeError(f"{what} must be a path (str, bytes or os.PathLike), not "
                        f"{type(path).__name__}") from None
    # The C library would end the name at a null byte: another file.
    if b"\0" in path:
        raise ValueError(f"{what} holds a null byte")
    # The command-line host reads "-" as standard input; here it is a file.
    return b"./-" if path == b"-" else path


def _int32(value, what):
    if isinstance(value, bool) or not isinstance(value, (int, np.integer)):
        raise TypeError(f"{what} must be an int, not {type(value).__name__}")
    if not -2**31 <= int(value) < 2**31:
        raise ValueError(f"{what} {value} is beyond 32 bits")
    return int(value)


def read(path_or_bytes, *, module=None, tolerance=None):
    """Reads a part file (a path) or a part's content (bytes, bytearray or
    memoryview). The module is the first that accepts the content, unless
    given (0..5). ``tolerance`` is the surface tessellation tolerance."""
    if isinstance(path_or_bytes, (bytes, bytearray, memoryview)):
        path, content = None, memoryview(path_or_bytes).cast("B")
    else:
        path, content = _fs_bytes(path_or_bytes, "path_or_bytes"), None
    if module is not None:
        module = _int32(module, "module")
    if tolerance is None:
        tolerance = _xpdb.DEFAULT_TOLERANCE
    if isinstance(tolerance, bool) or not isinstance(tolerance, (int, float, np.integer, np.floating)):
        raise TypeError(f"tolerance must be a number, not {type(tolerance).__name__}")
    tolerance = float(tolerance)
    if not np.isfinite(tolerance) or tolerance < 0:
        raise ValueError(f"tolerance must be a finite number of at least 0, not {tolerance}")
    result = _xpdb.read(path, content, module, tolerance)
    if result["problem"] is not None:
        problem = result["problem"]
        if "not a PDB file" in problem:
            raise ValueError(problem)
        raise OSError(problem)
    part = Part([Set._from_native(d) for d in result["sets"]], result["module"])
    if not result["ok"]:
        raise ReadError(result["error"], part, result["detail"])
    return part


def _kind_of(s):
    if s.get("kind") is not None:
        return s["kind"]
    for key, kind in (("triangles", "xTriMesh"), ("polygons", "xPolyMesh"), ("polylines", "xCompactLineSet"),
                      ("segments", "xCompactLineSet"), ("frames", "xFrameSet")):
        if s.get(key) is not None:
            return kind
    return "xPointSet"


def _array(value, i, name):
    try:
        return np.asarray(value)
    except (TypeError, ValueError) as e:
        raise ValueError(f"set {i}: {name} is not an array: {e}") from None


def _points(value, i):
    array = _array(value, i, "points")
    if array.dtype.kind not in "fiu" or array.dtype.kind == "b":
        raise TypeError(f"set {i}: points must be real numbers, not {array.dtype}")
    if array.ndim != 2 or array.shape[1] != 3:
        raise ValueError(f"set {i}: points must have the shape (n, 3), not {array.shape}")
    if array.size and not np.isfinite(array).all():
        bad = int(np.flatnonzero(~np.isfinite(array).all(axis=1))[0])
        raise ValueError(f"set {i}: point {bad} is not finite: {array[bad].tolist()}")
    if array.size and np.abs(array).max() > _FLOAT32_MAX:
        raise ValueError(f"set {i}: points beyond the range of float32")
    return np.ascontiguousarray(array, dtype=np.float32)


def _indices(value, i, name, columns, points):
    array = _array(value, i, name)
    if array.dtype.kind not in "iu":
        raise TypeError(f"set {i}: {name} must be integer point indices, not {array.dtype}")
    wanted = (array.ndim == 1) if columns is None else (array.ndim == 2 and array.shape[1] == columns)
    if not wanted:
        shape = "(n,)" if columns is None else f"(n, {columns})"
        raise ValueError(f"set {i}: {name} must have the shape {shape}, not {array.shape}")
    if array.size:
        low, high = int(array.min()), int(array.max())
        if low < 0:
            raise ValueError(f"set {i}: {name} holds the negative index {low}")
        if points is not None and high >= points:
            raise ValueError(f"set {i}: {name} refers to point {high}, but the set has {points} points")
        if points is None and high > 0xFFFFFFFF:
            raise ValueError(f"set {i}: {name} holds {high}, beyond 32 bits")
    return np.ascontiguousarray(array, dtype=np.uint32)


def _ragged(value, i, name, points):
    if not isinstance(value, Ragged):
        if isinstance(value, tuple) and len(value) == 2:
            value = Ragged(*value)
        else:
            try:
                value = Ragged.from_lists(value)
            except (TypeError, ValueError):
                raise TypeError(f"set {i}: {name} must be a Ragged, an (indices, offsets) pair "
                                "or a list of index lists") from None
    indices = _indices(value.indices, i, f"{name} indices", None, points)
    offsets = _indices(value.offsets, i, f"{name} offsets", None, None)
    if len(offsets) == 0 or offsets[0] != 0 or int(offsets[-1]) != len(indices) or \
            (len(offsets) > 1 and (np.diff(offsets.astype(np.int64)) < 0).any()):
        raise ValueError(f"set {i}: {name} offsets must rise from 0 to the number of indices")
    return indices, offsets


def _native(s, i):
    if isinstance(s, Set):
        s = {key: getattr(s, key) for key in Set.__slots__}
    elif not isinstance(s, dict):
        raise TypeError(f"set {i}: a Set or a dict is needed, not {type(s).__name__}")
    kind = _kind_of(s)
    if kind not in KINDS:
        raise ValueError(f"set {i}: unknown kind {kind!r}; the kinds are {', '.join(KINDS)}")
    points = _points(s["points"] if s.get("points") is not None else np.zeros((0, 3)), i)
    n = len(points)
    mode = s.get("material_mode")
    mode = 0 if mode is None else _int32(mode, f"set {i}: material_mode")
    out = {"kind": kind, "points": points, "material_mode": mode}
    material = s.get("material")
    if material is not None:
        if not isinstance(material, str):
            raise TypeError(f"set {i}: material must be a str or None, not {type(material).__name__}")
        # No null byte (the name would end there) and no lone surrogate (no UTF-8 for it).
        if "\0" in material or any(0xD800 <= ord(c) < 0xE000 for c in material):
            raise ValueError(f"set {i}: material {material!r} is no name a part can hold")
    out["material"] = material
    color = s.get("color")
    if color is not None:
        array = _array(color, i, "color")
        if array.dtype.kind not in "fiu":
            raise TypeError(f"set {i}: color must be three floats (red, green, blue), not {array.dtype}")
        if array.shape != (3,) or not np.isfinite(array).all():
            raise ValueError(f"set {i}: color must be three finite floats (red, green, blue)")
        color = tuple(float(c) for c in array)
    out["color"] = color
    if kind == "xTriMesh":
        triangles = s.get("triangles")
        out["triangles"] = _indices(np.zeros((0, 3), np.uint32) if triangles is None else triangles, i,
                                    "triangles", 3, n)
    elif kind == "xPolyMesh":
        polygons = s.get("polygons")
        out["polygons"] = _ragged(Ragged([], [0]) if polygons is None else polygons, i, "polygons", n)
    elif kind in ("xCompactLineSet", "xLineSet"):
        if s.get("segments") is not None:
            out["segments"] = _indices(s["segments"], i, "segments", 2, n)
        if s.get("polylines") is not None:
            out["polylines"] = _ragged(s["polylines"], i, "polylines", n)
    elif kind == "xFrameSet":
        frames = _array(s.get("frames") if s.get("frames") is not None else np.zeros((0, 4, 4)), i, "frames")
        if frames.dtype.kind not in "fiu":
            raise TypeError(f"set {i}: frames must be real numbers, not {frames.dtype}")
        if frames.ndim != 3 or frames.shape[1:] != (4, 4):
            raise ValueError(f"set {i}: frames must have the shape (n, 4, 4), not {frames.shape}")
        if frames.size and not np.isfinite(frames).all():
            raise ValueError(f"set {i}: frames must be finite")
        out["frames"] = np.ascontiguousarray(frames, dtype=np.float64)
    return out


def write(path, sets, *, version=_xpdb.DEFAULT_VERSION):
    """Writes sets (a Part, or a list of Set objects or dicts with the same
    keys) as PDB text of ``version`` through the package's module for it.
    The file is replaced as a whole or not at all. Sets the version cannot
    hold are left out with a warning; nothing to write is a ValueError, a
    failed write an OSError."""
    target = _fs_bytes(path, "path")
    version = _int32(version, "version")
    if isinstance(sets, Part):
        sets = sets.sets
    elif isinstance(sets, (Set, dict)):
        sets = [sets]
    elif isinstance(sets, (str, bytes)) or not hasattr(sets, "__iter__"):
        raise TypeError(f"sets must be a Part, a Set, a dict or a list of them, not {type(sets).__name__}")
    native = [_native(s, i) for i, s in enumerate(sets)]
    result = _xpdb.write(target, native, version)
    if result["ok"]:
        if result["left_out"]:
            warnings.warn(f"PDB version {version} cannot hold {result['left_out']}; left out of "
                          f"{os.fsdecode(target)}", stacklevel=2)
        return result["kept"]
    if "nothing written" in result["error"]:
        raise ValueError(result["error"])
    raise OSError(result["error"])


def modules():
    """The package and its modules, as ``xpdb modules --json`` prints them."""
    return json.loads(_xpdb.modules_json())


def detect(path):
    """Which module accepts a file, as ``xpdb detect FILE --json`` prints it:
    the entry for a path, the list for a list of paths."""
    if isinstance(path, (list, tuple)):
        return json.loads(_xpdb.detect_json([_fs_bytes(p, "path") for p in path]))
    return json.loads(_xpdb.detect_json([_fs_bytes(path, "path")]))[0]
