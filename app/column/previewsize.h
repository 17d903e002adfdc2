#pragma once
// The size of a layer's preview in the layer tree: 96 pixels wide with the
// drawing area's shape, round(96 x height / width) pixels high kept between
// 1 and 192 (96 x 113 for the start-up area of 400 x 470). A preview is the
// layer's own picture rendered at this size, never a scaled-down copy.
namespace previewsize {

constexpr int width = 96;
constexpr int maxHeight = 192;

int height(int areaWidth, int areaHeight);

} // namespace previewsize
