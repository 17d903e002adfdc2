#pragma once
// Row kernels of the layer base on SIMD lanes, compiled for every instruction
// set and dispatched at run time (simdtargets.h). Each gives, bit for bit,
// what the per-pixel code gives.
#include <cstdint>

class WindowMapping;

namespace rowkernels {

// out[k] = the layer x of pixel x0 + k * step, computed per pixel exactly as
// mapping.windowToLayer computes it (the same two roundings; stepping from
// pixel to pixel would round differently).
void layerX(const WindowMapping& mapping, int x0, int count, float* out, int step = 1);

// xs[k], ys[k] = the layer point of window point (px[k], py[k]), computed
// per point exactly as mapping.windowToLayer does.
void layerPoints(const WindowMapping& mapping, const float* px, const float* py, int count, float* xs, float* ys);

// out[k] = greyByte(values[k]) (saturate.h).
void greyBytes(const float* values, int count, std::uint8_t* out);

// The name of the target these kernels run on at the moment of the call.
const char* targetName();

} // namespace rowkernels
