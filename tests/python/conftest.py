# Shared by the Python tests: patternlens-render, whose output the module's
# renders must equal, and a reader of the PGM files it writes.
import os
import subprocess

import numpy as np
import pytest

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
RENDER = os.environ.get("PATTERNLENS_RENDER", os.path.join(ROOT, "build", "tools", "patternlens-render"))


def read_pgm(path):
    with open(path, "rb") as f:
        data = f.read()
    magic, size, maxval, pixels = data.split(b"\n", 3)
    assert magic == b"P5"
    width, height = map(int, size.split())
    dtype = np.uint8 if int(maxval) == 255 else np.dtype(">u2")
    return np.frombuffer(pixels, dtype).reshape(height, width)


@pytest.fixture
def render_tool(tmp_path):
    """render_tool(scene_path, *options) -> the PGM image patternlens-render writes."""
    count = [0]

    def run(scene, *options):
        count[0] += 1
        out = tmp_path / f"tool{count[0]}.pgm"
        subprocess.run([RENDER, *options, str(scene), str(out)], check=True)
        return read_pgm(out)

    return run
