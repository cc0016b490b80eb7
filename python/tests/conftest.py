import json
import os
import pathlib
import subprocess

import pytest

SOURCE = pathlib.Path(os.environ.get("XPDB_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
BINARY = pathlib.Path(os.environ.get("XPDB_BINARY_DIR", SOURCE / "build"))
EXAMPLES = sorted((SOURCE / "examples").glob("*.pdb"))
VERSIONS = (8, 9, 10, 11, 12, 14)

# A version-9 part of two objects: a red quad of two triangles with two
# edge segments, and a yellow triangle.
PART9 = """9
0
0
0
2
7
4
0 0 0
1 0 0
1 1 0
0 1 0
2
0 1
1 2
1
4 0 1 2 3
0
10
3
0 0 1
2 0 1
0 2 1
0
1
3 0 1 2
0
"""


def cli(*args, check=True):
    """Runs the command-line host; its standard output."""
    done = subprocess.run([str(BINARY / "bin" / "xpdb"), *map(str, args)], capture_output=True,
                          env={**os.environ, "EGL_LOG_LEVEL": "fatal"})
    if check and done.returncode != 0:
        raise AssertionError(f"xpdb {' '.join(map(str, args))}: {done.stderr.decode(errors='replace')}")
    return done


def cli_json(*args, check=True):
    return json.loads(cli(*args, "--json", check=check).stdout)


@pytest.fixture
def part9(tmp_path):
    path = tmp_path / "part9.pdb"
    path.write_text(PART9)
    return path
