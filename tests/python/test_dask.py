# patternlens.dask on a cluster of two worker processes, stored with zarr:
# the chunks join to the renderer's one image.
import os

import numpy as np
import pytest

import patternlens as pl
import patternlens.dask as pld
from conftest import ROOT


def test_chunks_on_a_cluster_join_to_the_renderers_image(tmp_path, render_tool):
    da = pytest.importorskip("dask.array")
    distributed = pytest.importorskip("distributed")
    zarr = pytest.importorskip("zarr")
    scene_path = os.path.join(ROOT, "docs", "example-scene.xml")
    scene = pl.load(scene_path)
    image = pld.render(scene, 3000, 2500, chunks=(1000, 1000))
    assert image.shape == (2500, 3000) and image.chunks == ((1000, 1000, 500), (1000, 1000, 1000))
    # The composition is in the graph once, whatever the number of chunks.
    assert sum(1 for value in dict(image.__dask_graph__()).values() if isinstance(value, pl.Composition)) == 1
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster):
        da.to_zarr(image, str(tmp_path / "image.zarr"))
    stored = zarr.open(str(tmp_path / "image.zarr"), mode="r")[:]
    np.testing.assert_array_equal(stored, render_tool(scene_path, "--size", "3000x2500"))
    with pytest.raises(KeyError):
        pld.render(scene, 10, 10, layer="Nothing")
    for chunks in ((0, 10), (10, 0), ((5, 0, 5), (10,))):
        with pytest.raises(ValueError, match="chunks must be at least 1 pixel"):
            pld.render(scene, 10, 10, chunks=chunks)
    kept = pld.render(scene, 90, 40, chunks=(20, 30), aspect="keep")
    np.testing.assert_array_equal(kept.compute(), scene.render(90, 40, aspect="keep"))


def test_chunks_of_a_warp_join_to_the_renderers_image(render_tool):
    # A Warp's moves are measured by the whole image's width, in every chunk.
    pytest.importorskip("dask.array")
    scene_path = os.path.join(ROOT, "examples", "smoke.xml")
    image = pld.render(pl.load(scene_path), 300, 200, chunks=(64, 100))
    np.testing.assert_array_equal(image.compute(scheduler="threads"), render_tool(scene_path, "--size", "300x200"))
