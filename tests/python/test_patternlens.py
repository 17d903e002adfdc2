# The module against patternlens-render, byte for byte, and its refusals.
import copy
import os
import pickle
import re
import signal
import subprocess
import sys
import threading
import time
import types
import warnings

import numpy as np
import pytest

import patternlens as pl
from conftest import RENDER, ROOT, read_png


def grey_bytes(values):
    """The viewer's grey byte of each value: the low 8 bits of value x 255."""
    scaled = values.astype(np.float64) * 255.0
    ok = np.abs(np.nan_to_num(scaled, nan=np.inf)) < 9.2e18
    return np.where(ok, np.where(ok, scaled, 0).astype(np.int64) & 0xFF, 0).astype(np.uint8)


def samples16(values):
    v = values.astype(np.float64)
    return np.where(v > 0, np.where(v >= 1, 65535, np.floor(v * 65535 + 0.5)), 0).astype(np.uint16)


def every_type():
    """Every type once, driven variables, and values six decimals hold exactly."""
    noise = pl.Layer("Noise", x=3.25, y=-1.5, zoomx=10, zoomy=10, Cutoff=0.25)
    noise["Cutoff"] = pl.Layer("Squares", x=3.25, y=-1.5, zoomx=10, zoomy=10, inverse=True, Width=3)
    fractal = pl.Layer("Fractal", x=-7, y=4, zoomx=33, zoomy=21, seed=4294967290)
    cells = pl.Layer("Cells", zoomx=12.5, zoomy=12.5)
    blend = pl.Layer("Blend", x=1, y=1, zoomx=30, zoomy=30)
    for name, layer in zip(blend.variables, (fractal, cells)):
        blend[name] = layer
    warp = pl.Layer("Warp", Amount=0.0625, Source=pl.Layer("Fractal", zoomx=7, zoomy=7, Octaves=5),
                    **{"Warp X": pl.Layer("Noise", x=2, zoomx=9, zoomy=9, Cutoff=0),
                       "Warp Y": pl.Layer("Cells", y=-3, zoomx=6, zoomy=6)})
    ridged = pl.Layer("Ridged", x=2, y=-3, zoomx=7, zoomy=5, Octaves=5, seed=12)
    terrace = pl.Layer("Terrace", Source=pl.Layer("Gradient", Shape=0, Softness=0.75), Low=0.25, Steps=5)
    island = pl.Layer("Combine", A=ridged, B=pl.Layer("Gradient", x=0.5, y=-0.75, Softness=0.5), Mode=2)
    shaped = pl.Layer("Combine", A=island, B=terrace, Mode=6)
    return pl.Layer("Circles", x=3.25, y=-1.5, zoomx=10, zoomy=10, Radius=1.2, Spacing=noise), blend, warp, shaped


CASES = [  # (composition index, render keywords, the tool's options)
    (0, {}, []),
    (0, {"layer": "Spacing/Cutoff"}, ["--layer", "Spacing/Cutoff"]),
    (0, {"region": (13, 7, 41, 29)}, ["--region", "13,7,41,29"]),
    (1, {}, []),
    (1, {"seamless": True, "region": (50, 3, 47, 58)}, ["--seamless", "--region", "50,3,47,58"]),
    (1, {"seed": 9}, ["--seed", "9"]),   # the Fractal's seed wraps past 2**32
    (0, {"aspect": "keep"}, ["--aspect", "keep"]),
    (1, {"aspect": "keep", "region": (20, 10, 30, 40)}, ["--aspect", "keep", "--region", "20,10,30,40"]),
    (2, {"region": (40, 20, 57, 41)}, ["--region", "40,20,57,41"]),   # moves measured by the whole width
    (2, {"seamless": True}, ["--seamless"]),
    (3, {"layer": "A/A"}, ["--layer", "A/A"]),
    (3, {"seamless": True, "region": (20, 9, 61, 40)}, ["--seamless", "--region", "20,9,61,40"]),
]


@pytest.mark.parametrize("index, keywords, options", CASES)
def test_renders_equal_the_renderer(tmp_path, render_tool, index, keywords, options):
    composition = pl.Composition(every_type()[index])
    scene = tmp_path / "scene.xml"
    composition.save(str(scene))
    size = ["--size", "97x61"]
    grey = composition.render(97, 61, **keywords)
    deep = composition.render(97, 61, dtype="uint16", **keywords)
    values = composition.render(97, 61, dtype=np.float32, **keywords)
    assert grey.flags.c_contiguous and grey.dtype == np.uint8 and deep.dtype == np.uint16
    np.testing.assert_array_equal(grey, render_tool(scene, *size, *options))
    np.testing.assert_array_equal(deep, render_tool(scene, *size, "--depth", "16", *options))
    # The floats are the values the bytes are made from.
    np.testing.assert_array_equal(grey_bytes(values), grey)
    np.testing.assert_array_equal(samples16(values), deep)
    assert len(np.unique(grey)) > 1, "a picture with something in it"


@pytest.mark.parametrize("seamless", [False, True])
def test_normal_maps_and_ramps_equal_the_renderer(tmp_path, seamless):
    composition = pl.Composition(every_type()[1], seamless=seamless)
    scene, out = tmp_path / "scene.xml", tmp_path / "out.png"
    composition.save(scene)
    heights = composition.render(97, 61, dtype="float32")
    for depth, dtype in ((8, "uint8"), (16, "uint16")):
        for mine, options in (
                (pl.normal_map(heights, strength=3.5, seamless=seamless, convention="directx", dtype=dtype),
                 ["--normal-map", "--strength", "3.5", "--normal-convention", "directx"]),
                (pl.normal_map(heights, seamless=seamless, dtype=dtype), ["--normal-map"]),
                # The seamless setting taken from the scene.
                (composition.normal_map(97, 61, strength=3.5, convention="directx", dtype=dtype),
                 ["--normal-map", "--strength", "3.5", "--normal-convention", "directx"]),
                (pl.colour_ramp(heights, "terrain", dtype=dtype), ["--gradient", "terrain"]),
                (pl.colour_ramp(heights, [(0, "#000000"), (0.4, (139, 0, 0)), (0.7, "#ff8c00"), (1, "#FFFF80")],
                                dtype=dtype), ["--gradient", "Fire"]),
                (pl.colour_ramp(heights, "grey", dtype=dtype), ["--gradient", "0:#000000,  1:#ffffff"])):
            subprocess.run([RENDER, "--size", "97x61", "--depth", str(depth), *options, str(scene), str(out)], check=True)
            np.testing.assert_array_equal(mine, read_png(out))
    with pytest.raises(ValueError, match="zz"):
        pl.colour_ramp(heights, "0:#zzzzzz,1:#ffffff")
    with pytest.raises(ValueError):
        pl.normal_map(heights, convention="sideways")


def test_every_type_alone_and_seamless_off(tmp_path, render_tool):
    for name in pl.TYPES:
        composition = pl.Composition(pl.Layer(name, x=0.5, zoomx=15, zoomy=9), seamless=True)
        composition.seamless = False
        scene = tmp_path / f"{name}.xml"
        composition.save(scene)
        plain = composition.render(64, 48)
        np.testing.assert_array_equal(plain, render_tool(scene, "--size", "64x48"))
        # Alone, a blend or combination of fixed values is flat, and so are a
        # terrace and a warp of one; a seamless gradient is the flat one
        # within its view.
        if name not in ("Blend", "Warp", "Terrace", "Combine", "Gradient"):
            assert not np.array_equal(plain, composition.render(64, 48, seamless=True))


@pytest.mark.filterwarnings("ignore:.*outside its range")   # random values, stored as given
def test_built_loaded_and_pickled_twins(tmp_path):
    built = pl.Composition(every_type()[0], seamless=True)
    path = tmp_path / "twin.xml"
    built.save(str(path))
    loaded = pl.load(path)
    assert loaded == built and loaded.to_xml() == built.to_xml() == path.read_text()
    np.testing.assert_array_equal(loaded.render(80, 50), built.render(80, 50))
    # Floats six decimals cannot hold survive a pickle to the bit.
    rng = np.random.default_rng(7)
    odd = pl.Layer("Fractal", x=float(rng.normal()), y=float(rng.normal()), zoomx=11.1 + rng.random())
    for name in odd.variables:
        odd[name] = float(rng.normal())
    twin = pickle.loads(pickle.dumps(pl.Composition(odd)))
    assert twin == pl.Composition(odd)
    assert pl.loads(pl.Composition(odd).to_xml()) != pl.Composition(odd)
    np.testing.assert_array_equal(twin.render(40, 30, dtype="float32").view(np.uint32),
                                  pl.Composition(odd).render(40, 30, dtype="float32").view(np.uint32))


def test_layer_trees():
    circles, noise = pl.Layer("Circles"), pl.Layer("Noise")
    assert (circles.x, circles.y, circles.zoomx, circles.zoomy) == (0, 0, 20, 20)
    circles["Spacing"] = noise
    assert circles["Spacing"] is noise and noise.zoomx == 20
    noise["Cutoff"] = 0.5
    assert pl.Composition(circles).base["Spacing"]["Cutoff"] == 0.5   # live until the copy
    with pytest.raises(ValueError):
        pl.Layer("Squares")["Width"] = noise                           # already drives a variable
    pl.Layer("Squares")["Width"] = copy.deepcopy(noise)                # a copy is free to
    with pytest.raises(ValueError):
        noise["Cutoff"] = circles                                      # an ancestor
    del circles["Spacing"]
    assert isinstance(circles["Spacing"], float)
    with pytest.raises(TypeError, match="Radius"):
        pl.Layer("Circles", Cutof=1)
    with pytest.raises(ValueError, match="Noise"):
        pl.Layer("Nois")
    with pytest.raises(ValueError):
        pl.Layer("Noise", Cutoff=float("nan"))
    chain = pl.Layer("Noise")
    for _ in range(1331):   # as deep as a scene file holds, and no deeper
        chain = pl.Layer("Noise", Cutoff=chain)
    with pytest.raises(ValueError, match="1332"):
        pl.Layer("Noise", Cutoff=chain)
    assert pickle.loads(pickle.dumps(pl.Composition(chain))).render(8, 8).shape == (8, 8)


def test_packed_channels_hold_each_layers_render(tmp_path):
    composition = pl.Composition(every_type()[0])
    channels = ["base", "Spacing/Cutoff", "-", "1"]
    for dtype, white in (("uint8", 255), ("uint16", 65535), ("float32", 1)):
        for keywords in ({}, {"region": (13, 7, 41, 29), "seed": 3}, {"seamless": True}):
            packed = composition.render_packed(97, 61, channels, dtype=dtype, **keywords)
            assert packed.dtype == dtype and packed.shape == composition.render(97, 61, **keywords).shape + (4,)
            np.testing.assert_array_equal(packed[..., 0], composition.render(97, 61, dtype=dtype, **keywords))
            np.testing.assert_array_equal(packed[..., 1], composition.render(97, 61, layer=channels[1], dtype=dtype,
                                                                             **keywords))
            assert (packed[..., 2] == 0).all() and (packed[..., 3] == white).all()
    scene, out = tmp_path / "scene.xml", tmp_path / "out.png"
    composition.save(scene)
    subprocess.run([RENDER, "--size", "97x61", "--pack", "Spacing,base,1", str(scene), str(out)], check=True)
    np.testing.assert_array_equal(read_png(out), composition.render_packed(97, 61, ("Spacing", "base", "1")))
    for bad, error in ((["base", "Nope", "-"], KeyError), (["base", "-"], ValueError), ("base,-,1", TypeError),
                       (["base", "-", 1], TypeError)):
        with pytest.raises(error):
            composition.render_packed(97, 61, bad)


def test_to_glsl_is_the_renderers_shader(tmp_path):
    scene, out = os.path.join(ROOT, "examples", "marble.xml"), tmp_path / "out.glsl"
    composition = pl.load(scene)
    for es in (False, True):
        for keywords, options in (({}, []), ({"layer": "Cutoff", "seamless": True, "seed": 4},
                                             ["--layer", "Cutoff", "--seamless", "--seed", "4"])):
            subprocess.run([RENDER, *(["--es"] if es else []), *options, scene, str(out)], check=True)
            assert composition.to_glsl(es, **keywords) == out.read_text()
    assert composition.to_glsl().startswith("#version 330 core\n")
    assert composition.to_glsl(es=True).startswith("#version 300 es\n")


def test_bad_arguments_and_files(tmp_path):
    scene = pl.load(os.path.join(ROOT, "docs", "example-scene.xml"))
    bad = [({"width": 0}, ValueError), ({"width": 2**31}, ValueError), ({"width": 1.5}, TypeError),
           ({"region": (90, 0, 20, 20)}, ValueError), ({"region": (0, 0, 0, 5)}, ValueError),
           ({"region": "0,0,1,1"}, TypeError), ({"dtype": "int8"}, ValueError), ({"dtype": "nonsense"}, TypeError),
           ({"seamless": "yes"}, TypeError), ({"layer": "Spacing/Width"}, KeyError), ({"aspect": "wide"}, ValueError)]
    for keywords, error in bad:
        arguments = {"width": 100, "height": 100, **keywords}
        with pytest.raises(error):
            scene.render(arguments.pop("width"), arguments.pop("height"), **arguments)
    with pytest.raises(KeyError, match="Cutoff"):
        scene.render(10, 10, layer="Spacing/Width")
    with pytest.raises((MemoryError, ValueError)):
        scene.render(2**31 - 1, 2**31 - 1)
    text = (tmp_path / "scene.xml")
    text.write_text(scene.to_xml()[:300])
    os.mkfifo(tmp_path / "pipe")
    # What the system cannot give is its OSError; what is no scene, SceneError.
    for path, error in ((tmp_path, IsADirectoryError), (text, pl.SceneError), (tmp_path / "missing.xml", FileNotFoundError),
                        (tmp_path / "pipe", pl.SceneError)):
        with pytest.raises(error) as caught:
            pl.load(path)
        assert isinstance(caught.value, ValueError) != isinstance(caught.value, OSError)
        assert str(path) in str(caught.value)
    assert scene.render(3, 2).shape == (2, 3)


def test_render_releases_the_gil():
    scene = pl.Composition(pl.Layer("Noise", Cutoff=pl.Layer("Noise", zoomx=3, zoomy=3, Cutoff=pl.Layer("Fractal"))))

    def count_for(seconds_or_event):
        n, end = 0, time.monotonic() + seconds_or_event if isinstance(seconds_or_event, float) else None
        while (time.monotonic() < end) if end else not seconds_or_event.is_set():
            n += 1
        return n

    start = time.monotonic()
    idle_rate = count_for(0.3) / (time.monotonic() - start)
    done, counts = threading.Event(), []
    counter = threading.Thread(target=lambda: counts.append(count_for(done)))
    counter.start()
    start, rows = time.monotonic(), 6000
    while True:   # renders long enough to tell, on a machine of any speed
        began = time.monotonic()
        scene.render(10000, rows)
        if time.monotonic() - began > 0.5:
            break
        rows *= 2
    seconds = time.monotonic() - start
    done.set()
    counter.join()
    # Threads rendering one composition at once get what one thread gets.
    alone, together = scene.render(300, 200, dtype="float32"), []
    threads = [threading.Thread(target=lambda: together.append(scene.render(300, 200, dtype="float32")))
               for _ in range(3)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert len(together) == 3 and all(np.array_equal(alone, image) for image in together)
    print(f"render {seconds:.2f} s; counting at {counts[0] / seconds / idle_rate:.0%} of the idle rate")
    assert counts[0] / seconds > 0.2 * idle_rate


def test_ctrl_c_stops_a_render():
    scene = pl.Composition(pl.Layer("Noise", Cutoff=pl.Layer("Fractal")))
    threading.Timer(0.2, os.kill, (os.getpid(), signal.SIGINT)).start()
    with pytest.raises(KeyboardInterrupt):
        scene.render(30000, 30000)   # minutes of work, were it not stopped
    assert scene.render(4, 3).shape == (3, 4)


def test_version_is_the_projects():
    with open(os.path.join(ROOT, "CMakeLists.txt")) as f:
        assert pl.__version__ == re.search(r"project\(\w+ VERSION ([\d.]+)", f.read()).group(1)


def random_layer(rng, depth=0):
    layer = pl.Layer(pl.TYPES[rng.integers(len(pl.TYPES))], x=float(rng.normal()), zoomx=float(rng.uniform(1, 50)),
                     inverse=bool(rng.integers(2)), seed=int(rng.integers(3)))
    for name in layer.variables:
        layer[name] = random_layer(rng, depth + 1) if depth < 2 and rng.random() < 0.3 else float(rng.normal())
    return layer


def test_layers_compare_by_value_and_a_compositions_base_is_live():
    rng = np.random.default_rng(11)
    for _ in range(20):
        layer = random_layer(rng)
        twin = copy.deepcopy(layer)
        assert twin == layer and twin is not layer and pickle.loads(pickle.dumps(layer)) == layer
        node = twin
        while rng.random() < 0.5 and any(isinstance(node[n], pl.Layer) for n in node):
            node = next(node[n] for n in node if isinstance(node[n], pl.Layer))
        name = node.variables[rng.integers(len(node))]
        node[name] = float(np.nextafter(np.float32(node[name]), np.float32(np.inf))) if isinstance(node[name], float) else 0.5
        assert twin != layer
    composition = pl.Composition(pl.Layer("Circles", Radius=1.5, Spacing=pl.Layer("Noise")))
    before = composition.render(40, 30)
    base = composition.base
    assert base is composition.base
    base["Radius"] = 0.5
    base["Spacing"]["Cutoff"] = 0.25
    assert composition == pl.Composition(pl.Layer("Circles", Radius=0.5, Spacing=pl.Layer("Noise", Cutoff=0.25)))
    assert not np.array_equal(composition.render(40, 30), before)
    with pytest.raises(ValueError, match="composition's base"):
        pl.Layer("Noise")["Cutoff"] = base
    pl.Layer("Noise")["Cutoff"] = copy.deepcopy(base)


def test_values_outside_their_ranges_are_warned_of_once_on_load(tmp_path):
    path = tmp_path / "scene.xml"
    pl.Composition(pl.Layer("Circles", Radius=99.0, Spacing=pl.Layer("Noise", Cutoff=-7.0))).save(path)
    for read in (lambda: pl.load(path), lambda: pl.loads(path.read_text())):
        with pytest.warns(UserWarning) as caught:
            assert read().base["Radius"] == 99
        assert len(caught) == 1
        assert re.search(r"Radius is 99, outside its range [\d.]+ to [\d.]+ \(and 1 other\)$", str(caught[0].message))
    with warnings.catch_warnings():
        warnings.simplefilter("error")
        pl.load(os.path.join(ROOT, "docs", "example-scene.xml"))


class ThreeColours:
    """A matplotlib colormap's calling convention: values to RGBA rows."""
    N = 3

    def __call__(self, values):
        return np.array([[0, 0, 0, 1], [1, 0, 0, 1], [1, 1, 1, 1.0]])[np.rint(np.asarray(values) * 2).astype(int)]


def test_colour_ramps_from_pairs_names_and_matplotlib(monkeypatch):
    values = np.linspace(-0.1, 1.1, 300, dtype=np.float32).reshape(3, 100)
    spelled = pl.colour_ramp(values, "0:#000000,0.5:#ff0000,1:#ffffff")
    np.testing.assert_array_equal(pl.colour_ramp(values, "0:#000000, 0.5:#FF0000,  1:#ffffff"), spelled)
    np.testing.assert_array_equal(pl.colour_ramp(values, [(0, (0, 0, 0)), (np.float32(0.5), "#ff0000"), (1, "#ffffff")]),
                                  spelled)
    fake = types.ModuleType("matplotlib")
    fake.colormaps = {"three": ThreeColours(), "terrain": ThreeColours()}
    monkeypatch.setitem(sys.modules, "matplotlib", fake)
    np.testing.assert_array_equal(pl.colour_ramp(values, "three"), spelled)
    np.testing.assert_array_equal(pl.colour_ramp(values, "TERRAIN"), pl.colour_ramp(values, "terrain"))
    assert not np.array_equal(pl.colour_ramp(values, "terrain"), spelled)   # the named ramps come first
    monkeypatch.setitem(sys.modules, "matplotlib", None)                    # not installed
    for stops, error in (("three", ValueError), ([(0, "#000000")], ValueError), ([(0.5, "#000000"), (0.2, "#ffffff")], ValueError),
                         ([(0, (256, 0, 0)), (1, "#ffffff")], ValueError), ([(0, 1.5), (1, "#ffffff")], TypeError),
                         ([("0", "#000000"), (1, "#ffffff")], TypeError), (5, TypeError)):
        with pytest.raises(error):
            pl.colour_ramp(values, stops)
