# Shared by the Python tests: patternlens-render, whose output the module's
# renders must equal, and readers of the PGM and PNG files it writes.
import os
import subprocess
import zlib

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


def read_png(path):
    """The pixels of a non-interlaced grey or RGB PNG, (rows, columns[, 3])."""
    with open(path, "rb") as f:
        data = f.read()
    pos, idat = 8, b""
    while pos < len(data):
        n, kind = int.from_bytes(data[pos:pos + 4], "big"), data[pos + 4:pos + 8]
        body = data[pos + 8:pos + 8 + n]
        if kind == b"IHDR":
            width, height, depth, colour = int.from_bytes(body[:4], "big"), int.from_bytes(body[4:8], "big"), body[8], body[9]
        elif kind == b"IDAT":
            idat += body
        pos += 12 + n
    channels = {0: 1, 2: 3}[colour]
    bpp, raw = channels * depth // 8, zlib.decompress(idat)
    stride, out, prev = width * bpp, bytearray(), bytearray(width * bpp)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):   # undo the row's filter
            a, b = line[i - bpp] if i >= bpp else 0, prev[i]
            c = prev[i - bpp] if i >= bpp else 0
            p = a + b - c
            pick = a if abs(p - a) <= abs(p - b) and abs(p - a) <= abs(p - c) else b if abs(p - b) <= abs(p - c) else c
            line[i] = (line[i] + (0, a, b, (a + b) // 2, pick)[kind]) & 255
        out += line
        prev = line
    pixels = np.frombuffer(bytes(out), np.uint8 if depth == 8 else np.dtype(">u2"))
    return pixels.reshape((height, width, channels) if channels > 1 else (height, width))


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
