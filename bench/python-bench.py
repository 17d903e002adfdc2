#!/usr/bin/python3
"""The Python module's speed and memory, in one run, side by side:

1. Composition.render of 4000 x 4700 against patternlens-render of the same
   to a PGM (the tool's whole run: start, read, render, write), alternately,
   medians of 5; the module must take at most 1.15 times the tool's time.
2. 1000 x 1000 simplex noise: python3-noise's snoise2 called per pixel in a
   Python loop (the way it is used) against one float32 render of a Noise
   layer; the ratio, with at least 100 as the target.
3. A 20000 x 20000 dask render stored with zarr on a LocalCluster of 2 worker
   processes: each worker's peak resident memory (below 2 GiB).

    PYTHONPATH=build/python /usr/bin/python3 bench/python-bench.py [build/tools/patternlens-render]
"""
import os
import resource
import statistics
import subprocess
import sys
import tempfile
import time

import numpy as np

import patternlens as pl

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
RENDER = sys.argv[1] if len(sys.argv) > 1 else os.path.join(ROOT, "build", "tools", "patternlens-render")
SCENE = os.path.join(ROOT, "docs", "example-scene.xml")


def seconds(work):
    start = time.perf_counter()
    work()
    return time.perf_counter() - start


def module_against_tool(folder):
    scene = pl.load(SCENE)
    out = os.path.join(folder, "tool.pgm")
    tool, module = [], []
    for _ in range(5):
        tool.append(seconds(lambda: subprocess.run([RENDER, "--size", "4000x4700", SCENE, out], check=True)))
        module.append(seconds(lambda: scene.render(4000, 4700)))
    t, m = statistics.median(tool), statistics.median(module)
    print(f"4000 x 4700, the example scene: patternlens-render {t * 1000:.0f} ms, "
          f"Composition.render {m * 1000:.0f} ms: {m / t:.2f} times the tool's time (target at most 1.15)")


def against_python_noise():
    import noise

    def loop():
        out = np.empty((1000, 1000), np.float32)
        for row in range(1000):
            for column in range(1000):
                out[row, column] = noise.snoise2(column / 50.0, row / 50.0)
        return out

    theirs = seconds(loop)
    scene = pl.Composition(pl.Layer("Noise"))
    ours = statistics.median(seconds(lambda: scene.render(1000, 1000, dtype="float32")) for _ in range(5))
    print(f"1000 x 1000 simplex: snoise2 in a Python loop {theirs:.2f} s, Composition.render "
          f"{ours * 1000:.1f} ms: {theirs / ours:.0f} times faster (target at least 100)")


def dask_memory(folder):
    import dask.array as da
    import distributed

    import patternlens.dask as pld

    scene = pl.load(SCENE)
    image = pld.render(scene, 20000, 20000)
    with distributed.LocalCluster(n_workers=2, threads_per_worker=2, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        took = seconds(lambda: da.to_zarr(image, os.path.join(folder, "big.zarr")))
        peaks = client.run(lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss)
    worst = max(peaks.values()) / 1024
    print(f"20000 x 20000 on 2 dask workers into zarr, 4096 x 4096 chunks: {took:.1f} s; peak resident memory "
          f"per worker {', '.join(f'{kib / 1024:.0f} MiB' for kib in peaks.values())} (limit 2048 MiB)")
    return worst < 2048


if __name__ == "__main__":
    with tempfile.TemporaryDirectory() as folder:
        module_against_tool(folder)
        against_python_noise()
        sys.exit(0 if dask_memory(folder) else 1)
