"""Procedural grey-level patterns from Patternlens, as numpy arrays.

A composition is a tree of layers: a pattern of one of the TYPES with its
view, an Inverse switch and a few variables, any of which another layer can
drive pixel by pixel. Load one that the viewer saved, or build one here:

    import patternlens
    scene = patternlens.load("scene.xml")
    image = scene.render(1024, 768)                  # uint8, shape (768, 1024)

    noise = patternlens.Layer("Noise", Cutoff=0.3)
    circles = patternlens.Layer("Circles", zoomx=40, zoomy=40, Radius=2.0, Spacing=noise)
    patternlens.Composition(circles).save("circles.xml")

Renders are those of patternlens-render, byte for byte: render(w, h) gives
the bytes of "--size WxH" in a PGM, dtype="uint16" the values of
"--depth 16", and dtype="float32" the values themselves before any rounding.
normal_map and colour_ramp turn float32 values into the RGB images of
"--normal-map" and "--gradient". render_packed puts several layers into
the channels of one image, as "--pack", and to_glsl gives the GLSL shader
that computes the values on a GPU. patternlens.dask renders images of any
size as dask arrays, chunk by chunk.

The module is built for Debian's Python, /usr/bin/python3.
"""

import os as _os

from ._patternlens import TYPES, Composition, Layer, SceneError, colour_ramp, normal_map
from ._patternlens import load as _load
from ._patternlens import loads as _loads

__all__ = ["TYPES", "Composition", "Layer", "SceneError", "colour_ramp", "load", "loads", "normal_map"]
__version__ = "@PROJECT_VERSION@"

for _name in ("Composition", "Layer", "SceneError"):
    globals()[_name].__module__ = __name__


def load(path):
    """Read the scene file at path and return its Composition.

    path: a str or os.PathLike naming a scene file as the viewer saves it.

    Raises SceneError (a ValueError) with the reason patternlens-render
    gives when the file cannot be read or is no scene: a missing or
    unreadable file, a directory, a named pipe or device (refused at once,
    never waited on), a truncated or malformed document, a file beyond the
    reader's limits. Nothing is half-loaded.
    """
    return _load(_os.fsdecode(_os.fspath(path)))


def loads(text):
    """Return the Composition of a scene document given as str or bytes.

    Raises SceneError (a ValueError) with the reader's reason when the text
    is no scene, and TypeError when it is neither str nor bytes.
    """
    return _loads(text)
