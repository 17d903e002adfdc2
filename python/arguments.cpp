#include "arguments.h"

#include "layers/layertypetable.h"
#include "layers/workerpool.h"

#include <climits>
#include <cmath>
#include <stdexcept>

namespace py = pybind11;

namespace arguments {

void offThread(const std::function<void()>& work, bool releaseGil, const std::function<void()>& whileWaiting)
{
    bool started = false;
    if (releaseGil) {
        py::gil_scoped_release release;
        started = WorkerPool::runOnDeepStack(work, whileWaiting);
    } else {
        started = WorkerPool::runOnDeepStack(work);
    }
    if (!started) throw std::runtime_error("no thread could be started for the work");
}

std::string typeName(int typeId)
{
    return LayerTypeTable::names[typeId];
}

std::string typeList()
{
    std::string names;
    for (int i = 0; i < LayerTypeTable::count; ++i) names += (i ? ", " : "") + typeName(i);
    return names;
}

float finiteNumber(const py::handle& value, const std::string& what)
{
    if (py::isinstance<py::str>(value) || py::isinstance<py::bytes>(value) || !PyNumber_Check(value.ptr()))
        throw py::type_error(what + " must be a number, not " + std::string(py::str(value.get_type().attr("__name__"))));
    const double d = value.cast<double>();
    const float f = static_cast<float>(d);
    if (!std::isfinite(f)) throw py::value_error(what + " must be a finite number that a float holds, not " + std::string(py::repr(value)));
    return f;
}

long long wholeNumber(const py::handle& value, const std::string& what)
{
    if (py::isinstance<py::float_>(value) || !PyIndex_Check(value.ptr()))
        throw py::type_error(what + " must be an integer, not " + std::string(py::str(value.get_type().attr("__name__"))));
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(value.ptr()));
    if (!index) throw py::error_already_set();
    int overflow = 0;
    const long long n = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    if (overflow) return overflow > 0 ? LLONG_MAX : LLONG_MIN;
    return n;
}

std::uint32_t seedOf(const py::handle& value, const std::string& what)
{
    const long long n = wholeNumber(value, what);
    if (n < 0 || n > 4294967295LL) throw py::value_error(what + " must be a whole number from 0 to 4294967295");
    return static_cast<std::uint32_t>(n);
}

std::string pathOf(const py::object& name)
{
    return py::module_::import("os").attr("fsdecode")(name).cast<std::string>();
}

} // namespace arguments
