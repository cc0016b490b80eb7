import os
import threading

import numpy as np
import xpdb
from conftest import EXAMPLES


def fingerprint(part):
    return [(s.kind, s.material, s.points.tobytes(),
             *(getattr(s, name).tobytes() for name in ("triangles", "segments", "frames")
               if getattr(s, name) is not None))
            for s in part.sets]


def test_threads_reading_different_files_at_once_get_what_a_serial_pass_gets(tmp_path):
    serial = {example: fingerprint(xpdb.read(example)) for example in EXAMPLES}
    results, failures = {}, []
    start = threading.Barrier(len(EXAMPLES))

    def work(example, rounds=4):
        try:
            start.wait()
            for _ in range(rounds):
                got = fingerprint(xpdb.read(example))
                if got != serial[example]:
                    failures.append(example)
            results[example] = got
        except Exception as e:  # noqa: BLE001 - reported below, with the file
            failures.append((example, e))

    threads = [threading.Thread(target=work, args=(example,)) for example in EXAMPLES]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures
    assert results == serial


def test_threads_writing_and_reading_back_at_once(tmp_path):
    failures = []

    def work(i):
        try:
            points = np.random.default_rng(i).random((50, 3)).astype(np.float32)
            triangles = np.arange(48, dtype=np.uint32)[:, None] + np.arange(3, dtype=np.uint32)
            target = tmp_path / f"part{i}.pdb"
            for version in (8, 9, 12, 14):
                xpdb.write(target, [{"points": points, "triangles": triangles}], version=version)
                (s,) = xpdb.read(target).sets
                if s.triangles.shape != (48, 3):
                    failures.append((i, version))
        except Exception as e:  # noqa: BLE001
            failures.append((i, e))

    threads = [threading.Thread(target=work, args=(i,)) for i in range(6)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    assert not failures


def test_other_threads_run_while_the_package_reads(tmp_path, part9):
    # The reader waits on a pipe that only this thread fills: with the
    # interpreter locked during the read, neither could go on.
    fifo = tmp_path / "fifo.pdb"
    os.mkfifo(fifo)
    got = []
    reader = threading.Thread(target=lambda: got.append(xpdb.read(fifo)), daemon=True)
    reader.start()
    with open(fifo, "wb") as pipe:
        pipe.write(part9.read_bytes())
    reader.join(60)
    assert not reader.is_alive() and len(got[0].sets) == 3
