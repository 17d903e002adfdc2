#pragma once
// What every part of the binding shares: Python arguments turned into the
// engine's values, with the TypeError or ValueError that names the argument,
// and work run on a thread with the stack a deep tree needs.
#include <pybind11/pybind11.h>

#include <cstdint>
#include <functional>
#include <string>

namespace arguments {

// Runs work on a deep-stack thread, with the GIL released unless work
// reads Layer objects, which other Python threads may change. whileWaiting
// runs on the calling thread, without the GIL, while work lasts.
void offThread(const std::function<void()>& work, bool releaseGil = true,
               const std::function<void()>& whileWaiting = {});

// A layer type's name, and all of them joined by ", ".
std::string typeName(int typeId);
std::string typeList();

// A finite number from a Python number; TypeError for anything else.
float finiteNumber(const pybind11::handle& value, const std::string& what);
// A whole number from a Python integer (or anything with __index__).
long long wholeNumber(const pybind11::handle& value, const std::string& what);
// A seed: a whole number from 0 to 4294967295, as a scene file holds it.
std::uint32_t seedOf(const pybind11::handle& value, const std::string& what);
// A file name from a str, bytes or os.PathLike, as Python's own functions take it.
std::string pathOf(const pybind11::object& name);

} // namespace arguments
