#!/usr/bin/env python3
"""Expected views after mouse drags, in the viewer's single-precision arithmetic.

Every operation of a layer's view is done in 32-bit floats; Python's doubles
hold each exact product or sum of two floats, so rounding the double result
to a float once gives what the float operation gives. Results are printed
with enough digits to read back as the very same float.

  viewmath.py pan X Y ZOOMX ZOOMY WIDTH HEIGHT DX,DY [DX,DY ...]   -> "X Y"
  viewmath.py zoom ZOOM HEIGHT DY [DY ...]                         -> "ZOOM"
  viewmath.py adjust VALUE MIN MAX DY [DY ...]                     -> "VALUE"
  viewmath.py point X Y ZOOMX ZOOMY WIDTH HEIGHT I J               -> "LX LY"
  viewmath.py wheel X Y ZOOMX ZOOMY WIDTH HEIGHT PX PY DY [DY ...] -> "X Y ZOOMX ZOOMY"

The pixel deltas are those of the motion events: DX = last x - x (positive
leftwards), DY = y - last y (positive downwards).
"""
import struct
import sys


def f32(v):
    return struct.unpack("f", struct.pack("f", v))[0]


def pan(x, y, zoomx, zoomy, width, height, steps):
    x, y, zoomx, zoomy = f32(x), f32(y), f32(zoomx), f32(zoomy)
    for dx, dy in steps:
        # The layer rectangle: centre minus and plus half the extent, halved
        # in double and narrowed.
        left, right = f32(x - zoomx / 2.0), f32(x + zoomx / 2.0)
        top, bottom = f32(y - zoomy / 2.0), f32(y + zoomy / 2.0)
        layer_width, layer_span = f32(right - left), f32(top - bottom)
        sx = f32(layer_width * f32(1.0 / width))
        sy = f32(layer_span * f32(1.0 / height))
        x = f32(x + f32(f32(dx) * sx))
        y = f32(y + f32(f32(dy) * sy))
    return x, y


def zoom(extent, height, steps):
    extent = f32(extent)
    for dy in steps:
        factor = f32(dy / float(height))
        extent = f32(f32(1.0 - factor) * extent)
        extent = max(extent, f32(0.1))
    return extent


def adjust(value, low, high, steps):
    value, low, high = f32(value), f32(low), f32(high)
    for dy in steps:
        value = f32(value + f32(dy / 100.0))
        value = min(max(value, low), high)
    return value


def point(x, y, zoomx, zoomy, width, height, i, j):
    """The layer point texture pixel (I, J) is evaluated at, as the pointer
    readout shows it (four decimals)."""
    x, y, zoomx, zoomy = f32(x), f32(y), f32(zoomx), f32(zoomy)
    left, right = f32(x - zoomx / 2.0), f32(x + zoomx / 2.0)
    top, bottom = f32(y - zoomy / 2.0), f32(y + zoomy / 2.0)
    u = f32(f32(i) / f32(width))
    v = f32(f32(j) / f32(height))
    lx = f32(f32(f32(right - left) * u) + left)
    ly = f32(f32(f32(top - bottom) * v) + top)
    return lx, ly


def wheel(x, y, zoomx, zoomy, width, height, px, py, steps):
    """Notches of DY pixels with the pointer at window pixel (PX, PY): the
    zoom of a drag, and the centre shifted, in double, so that the layer
    point under the pointer stays."""
    x, y, zoomx, zoomy = f32(x), f32(y), f32(zoomx), f32(zoomy)
    u, v = px / float(width), (height - 1 - py) / float(height)
    for dy in steps:
        old_x, old_y = zoomx, zoomy
        if (width, height) == (400, 470):   # the start-up area: both extents the height's
            zoomx = zoomy = zoom(zoomy, height, [dy])
        else:
            zoomx, zoomy = zoom(zoomx, height, [dy]), zoom(zoomy, height, [dy])
        x = f32(x - (zoomx - old_x) * (u - 0.5))
        y = f32(y + (zoomy - old_y) * (0.5 + v))
    return x, y, zoomx, zoomy


def main(argv):
    op, args = argv[1], argv[2:]
    if op == "pan":
        x, y, zx, zy, w, h = (float(a) for a in args[:6])
        steps = [tuple(int(v) for v in s.split(",")) for s in args[6:]]
        print(repr(pan(x, y, zx, zy, w, h, steps)[0]), repr(pan(x, y, zx, zy, w, h, steps)[1]))
    elif op == "zoom":
        print(repr(zoom(float(args[0]), float(args[1]), [int(a) for a in args[2:]])))
    elif op == "adjust":
        v, lo, hi = (float(a) for a in args[:3])
        print(repr(adjust(v, lo, hi, [int(a) for a in args[3:]])))
    elif op == "point":
        x, y, zx, zy, w, h = (float(a) for a in args[:6])
        lx, ly = point(x, y, zx, zy, w, h, int(args[6]), int(args[7]))
        print("%.4f %.4f" % (lx, ly))
    elif op == "wheel":
        x, y, zx, zy, w, h = (float(a) for a in args[:6])
        print(*(repr(v) for v in wheel(x, y, zx, zy, w, h, int(args[6]), int(args[7]), [int(a) for a in args[8:]])))
    else:
        sys.exit("unknown operation " + op)


if __name__ == "__main__":
    main(sys.argv)
