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
Composition.normal_map gives the RGB image of "--normal-map"; normal_map and
colour_ramp turn float32 values into those of "--normal-map" and
"--gradient". render_packed puts several layers into the channels of one
image, as "--pack", and to_glsl gives the GLSL shader that computes the
values on a GPU. patternlens.dask renders images of any size as dask arrays,
chunk by chunk.

The module is built for Debian's Python, /usr/bin/python3.
"""

import numbers as _numbers
import operator as _operator
import os as _os
import warnings as _warnings
from decimal import Decimal as _Decimal

from ._patternlens import TYPES, Composition, Layer, SceneError, __version__, normal_map
from ._patternlens import colour_ramp as _colour_ramp
from ._patternlens import RAMP_NAMES as _RAMP_NAMES
from ._patternlens import load as _load
from ._patternlens import loads as _loads
from ._patternlens import ramp_error as _ramp_error

__all__ = ["TYPES", "Composition", "Layer", "SceneError", "colour_ramp", "load", "loads", "normal_map"]

for _name in ("Composition", "Layer", "SceneError"):
    globals()[_name].__module__ = __name__


def load(path):
    """Read the scene file at path and return its Composition.

    path: a str or os.PathLike naming a scene file as the viewer saves it.

    Raises FileNotFoundError when there is no such file, and another OSError
    (PermissionError, IsADirectoryError, ...) for what else keeps the system
    from giving it. Raises SceneError (a ValueError) with the reason
    patternlens-render gives when it is no scene: a named pipe or device
    (refused at once, never waited on), a truncated or malformed document,
    a file beyond the reader's limits. Nothing is half-loaded.

    Values the file stores outside their variables' ranges are kept as they
    are, as the viewer keeps them, and named once in a UserWarning in the
    words of the viewer's load ("Spacing/Cutoff is 2, outside its range 0
    to 1"), with anything the reader took leniently.
    """
    name = _os.fsdecode(_os.fspath(path))
    composition, note = _load(name)
    if note:
        _warnings.warn(f"{name}: {note}", stacklevel=2)
    return composition


def loads(text):
    """Return the Composition of a scene document given as str or bytes.

    Raises SceneError (a ValueError) with the reader's reason when the text
    is no scene, and TypeError when it is neither str nor bytes. Values
    outside their ranges are warned of as load warns of them.
    """
    composition, note = _loads(text)
    if note:
        _warnings.warn(note, stacklevel=2)
    return composition


def colour_ramp(values, stops, dtype="uint8"):
    """Values through a colour ramp, as patternlens-render --gradient writes them.

    Returns an array of shape (rows, columns, 3), RGB, of uint8 or uint16.

    values: a two-dimensional array of float32 values (others are
      converted), clamped to [0, 1] as the layers clamp them (NaN gives 1).
    stops: the ramp, as one of
      - "T:#RRGGBB" entries joined by commas (spaces may follow a comma), T
        from 0 to 1 strictly increasing ("0:#1a3d8f, 0.45:#e0d070, 1:#ffffff"),
        as --gradient takes it;
      - a named ramp, in any case: "grey", "terrain", "fire", "ice";
      - a list of (position, colour) pairs, the positions from 0 to 1
        strictly increasing and each colour "#RRGGBB" or (red, green, blue)
        of 0 to 255: [(0, "#1a3d8f"), (0.45, (224, 208, 112)), (1, "#ffffff")];
      - the name of a matplotlib colormap ("viridis"), where matplotlib is
        installed: its colours at evenly spaced positions, interpolated in
        between as every ramp is. The named ramps above come first.

    Raises ValueError quoting the entry at fault for a malformed ramp, and
    TypeError for stops of another kind.
    """
    return _colour_ramp(values, _ramp_text(stops), dtype)


def _ramp_text(stops):
    """The ramp's text, as --gradient takes it, for any stops colour_ramp takes."""
    if isinstance(stops, str):
        error = _ramp_error(stops)
        if not error:
            return stops
        colormap = _colormap_text(stops)
        if colormap is not None:
            return colormap
        if ":" not in stops:
            error += f"; nor is it a named ramp ({', '.join(_RAMP_NAMES)}) or a colormap of matplotlib, where installed"
        raise ValueError(error)
    if isinstance(stops, (bytes, bytearray)) or not hasattr(stops, "__iter__"):
        raise TypeError(f"stops must be a str or a list of (position, colour) pairs, not {type(stops).__name__}")
    entries = []
    for pair in stops:
        if isinstance(pair, (str, bytes)) or not hasattr(pair, "__len__") or len(pair) != 2:
            raise TypeError(f"each stop must be a (position, colour) pair, not {pair!r}")
        entries.append(_position_text(pair[0]) + ":" + _colour_text(pair[1]))
    text = ",".join(entries)
    error = _ramp_error(text)
    if error:
        raise ValueError(error)
    return text


def _position_text(position):
    """A position as the ramp's text holds it: the shortest decimal that reads back as the float."""
    if isinstance(position, (bool, str, bytes)) or not isinstance(position, _numbers.Real):
        raise TypeError(f"a stop's position must be a number, not {type(position).__name__}")
    return format(_Decimal(repr(float(position) + 0.0)), "f")


def _colour_text(colour):
    """A colour as "#RRGGBB": given so, or as (red, green, blue) of 0 to 255."""
    if isinstance(colour, str):
        return colour
    try:
        red, green, blue = (_operator.index(c) for c in colour)
    except (TypeError, ValueError):
        raise TypeError(f"a stop's colour must be '#RRGGBB' or (red, green, blue) integers, not {colour!r}") from None
    if not all(0 <= c <= 255 for c in (red, green, blue)):
        raise ValueError(f"a stop's colour components must be from 0 to 255, not {colour!r}")
    return f"#{red:02x}{green:02x}{blue:02x}"


def _colormap_text(name):
    """The ramp of matplotlib's colormap called name, or None without one."""
    try:
        import matplotlib
        colormap = matplotlib.colormaps[name]
    except (ImportError, KeyError):
        return None
    import numpy as np
    count = max(int(colormap.N), 2)
    rgb = np.rint(np.asarray(colormap(np.linspace(0.0, 1.0, count)))[:, :3] * 255).astype(int)
    return ",".join(_position_text(i / (count - 1)) + ":" + _colour_text(tuple(c)) for i, c in enumerate(rgb))
