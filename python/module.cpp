// The compiled part of the Python module: a thin binding over the library
// patternlens-render and C++ programs use (api/patternlens/patternlens.h).
// Scenes are read by it and rendered by it straight into the numpy array's
// memory; layers are built and edited, and scenes written, by the engine's
// own classes and the scene file's writer. Copies of trees, and the reading,
// writing and rendering of scenes, run on a thread with the deep stack a
// deep tree needs; renders release the GIL.
//
// One definer a concept: the layers (layerbinding), the compositions and
// the reading of scenes (compositionbinding), the colour views of values
// (colourviews).
#include "colourviews.h"
#include "compositionbinding.h"
#include "layerbinding.h"

#include "layers/layertypetable.h"

#include <pybind11/pybind11.h>

namespace py = pybind11;

PYBIND11_MODULE(_patternlens, m)
{
    m.doc() = "The compiled part of patternlens; use the patternlens package.";
    m.attr("__version__") = PATTERNLENS_VERSION;
    py::tuple types(LayerTypeTable::count);
    for (int i = 0; i < LayerTypeTable::count; ++i) types[i] = py::str(LayerTypeTable::names[i]);
    m.attr("TYPES") = types;

    defineReading(m);
    defineLayer(m);
    defineComposition(m);
    defineColourViews(m);
}
