"""Images of any size as dask arrays, rendered chunk by chunk.

    import patternlens, patternlens.dask
    scene = patternlens.load("scene.xml")
    image = patternlens.dask.render(scene, 100_000, 100_000)
    image.to_zarr("/shared/pattern.zarr")       # on a cluster: a folder every worker sees

Every chunk is a region render of the whole image, so the chunks join
exactly: the stored array equals the one render of that size, byte for
byte. The chunks are computed wherever dask runs them (threads, processes,
a distributed cluster); the composition is pickled exactly and enters the
task graph once.
"""

import numpy as _np

__all__ = ["render"]


def _render_chunk(composition, width, height, region, dtype, layer, seamless, seed, aspect):
    return composition.render(width, height, layer=layer, region=region, dtype=dtype, seamless=seamless, seed=seed,
                              aspect=aspect)


def render(composition, width, height, *, chunks=(4096, 4096), dtype="uint8", layer="", seamless=None, seed=0,
           aspect="stretch"):
    """Return a dask.array.Array of shape (height, width) rendering composition.

    composition: a patternlens.Composition.
    width, height: the whole image's size, as Composition.render takes it.
    chunks: the chunks' sizes in numpy's (rows, columns) order, in any form
        dask.array accepts (a pair of sizes, a pair of tuples, "auto").
    dtype, layer, seamless, seed, aspect: as Composition.render.

    Each chunk is composition.render(width, height, region=...) of its own
    rectangle. The arguments are checked at once, with the exceptions
    Composition.render raises, before any graph is made; chunks of no
    pixels raise ValueError.
    """
    import dask.array as da
    from dask.base import tokenize
    from dask.highlevelgraph import HighLevelGraph

    # One pixel checks every argument as a render of the whole would.
    probe = composition.render(width, height, layer=layer, region=(0, 0, 1, 1), dtype=dtype, seamless=seamless,
                               seed=seed, aspect=aspect)
    dtype = probe.dtype
    try:
        sizes = da.core.normalize_chunks(chunks, shape=(height, width), dtype=dtype)
    except ZeroDivisionError:
        sizes = ((0,),)
    if any(size < 1 for axis in sizes for size in axis):
        raise ValueError(f"chunks must be at least 1 pixel on each side, in numpy's (rows, columns) order, "
                         f"not {chunks!r}")
    chunks = sizes
    token = tokenize(composition.__getstate__(), width, height, chunks, dtype.name, layer, seamless, seed, aspect)
    name = "patternlens-render-" + token
    scene_key = "patternlens-composition-" + token
    graph = {scene_key: composition}
    top = 0
    for i, rows in enumerate(chunks[0]):
        left = 0
        for j, columns in enumerate(chunks[1]):
            graph[(name, i, j)] = (_render_chunk, scene_key, width, height, (left, top, columns, rows),
                                   dtype.name, layer, seamless, seed, aspect)
            left += columns
        top += rows
    layers = HighLevelGraph.from_collections(name, graph, dependencies=())
    return da.Array(layers, name, chunks, meta=_np.empty((0, 0), dtype=dtype))
