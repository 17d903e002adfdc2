#include "app/windowmapping.h"

#include "layers/assertion.h"
#include "layers/saturate.h"

void WindowMapping::setLayerRect(float top, float right, float left, float bottom)
{
    PL_CHECK(right > left, "windowmapping");
    PL_CHECK(bottom > top, "windowmapping");
    layerTop = top;
    layerRight = right;
    layerLeft = left;
    layerBottom = bottom;
    layerWidth = right - left;
    layerSpan = top - bottom;
}

void WindowMapping::setWindowRect(float top, float right, float left, float bottom)
{
    PL_CHECK(right > left, "windowmapping");
    PL_CHECK(bottom > top, "windowmapping");
    windowTop = top;
    windowRight = right;
    windowLeft = left;
    windowBottom = bottom;
    windowWidth = right - left;
    windowHeight = bottom - top;
}

void WindowMapping::windowToLayer(float& x, float& y) const
{
    const float u = (x - windowLeft) / windowWidth;
    const float v = (y - windowTop) / windowHeight;
    x = layerWidth * u + layerLeft;
    y = layerSpan * v + layerTop;
}

void WindowMapping::layerToWindow(float lx, float ly, int& px, int& py) const
{
    const float dx = lx - layerLeft;
    const float dy = ly - layerTop;
    px = saturatingTrunc(dx / layerWidth * windowWidth);
    py = saturatingTrunc(dy / layerSpan * windowHeight);
}

void WindowMapping::pixelSize(float& sx, float& sy) const
{
    const float invWidth = 1.0f / windowWidth;
    const float invHeight = 1.0f / windowHeight;
    sx = layerWidth * invWidth;
    sy = layerSpan * invHeight;
}

void WindowMapping::scaleDelta(float& dx, float& dy) const
{
    float sx, sy;
    pixelSize(sx, sy);
    dx = dx * sx;
    dy = dy * sy;
}
