import re
import subprocess
import sys

import pytest
import xpdb
from conftest import SOURCE, cli_json


def test_the_readme_example_runs_as_printed(tmp_path):
    readme = (SOURCE / "README.md").read_text()
    section = readme[readme.index("\n## Python\n"):]
    example = re.search(r"```python\n(.*?)```", section, re.S).group(1)
    assert len(example.strip().splitlines()) == 6  # the import and five steps
    (tmp_path / "examples").symlink_to(SOURCE / "examples")
    done = subprocess.run([sys.executable, "-c", example], cwd=tmp_path, capture_output=True, text=True)
    assert done.returncode == 0, done.stderr
    report = cli_json("read", SOURCE / "examples" / "gripper_finger_v9.pdb")
    lines = done.stdout.splitlines()
    assert lines[:-1] == [repr(s) for s in xpdb.read(SOURCE / "examples" / "gripper_finger_v9.pdb")]
    assert lines[-1].startswith("area ")
    assert float(lines[-1].split()[1]) == pytest.approx(sum(s.get("area", 0) for s in report["sets"]), rel=1e-6)
    assert cli_json("read", tmp_path / "gripper_finger_v8.pdb")["module"] == "xpdb08"
