#include "imageoutput/renderrequest.h"

#include "layers/layerpath.h"
#include "layers/viewresize.h"
#include "layers/renderable.h"

namespace renderrequest {

std::string sizeError(long long width, long long height)
{
    const long long maxSide = imagewriter::ImageEncoder::maxSide;
    if (width < 1 || width > maxSide || height < 1 || height > maxSide)
        return "invalid size " + std::to_string(width) + "x" + std::to_string(height) + ": each side must be 1 to " +
               std::to_string(maxSide);
    return {};
}

Prepared prepare(Composition& composition, const Request& request)
{
    Prepared prepared;
    const auto fail = [&prepared](Fault fault, const std::string& error) {
        prepared.fault = fault;
        prepared.error = error;
        return prepared;
    };
    std::string error = sizeError(request.width, request.height);
    if (!error.empty()) return fail(Fault::size, error);
    const int width = static_cast<int>(request.width), height = static_cast<int>(request.height);
    const imagewriter::Region& r = request.region;
    if (r.x != 0 || r.y != 0 || r.width != 0 || r.height != 0) {
        error = imagewriter::regionError(r, width, height);
        if (!error.empty()) return fail(Fault::region, error);
    }
    if (!composition.tree) return fail(Fault::layer, "the composition has no layer");

    if (request.seamless != Override::keep) composition.settings.seamless = request.seamless == Override::on;
    applySettings(*composition.tree, composition.settings);
    composition.addToSeeds(request.seed);
    // The view is the file's whatever the size: more pixels sample the same
    // rectangle of the plane more finely, or, keeping the aspect, its width.
    if (request.keepAspect)
        viewresize::resizeKeepingAspect(*composition.tree, width, height, composition.settings.drawingArea);
    else
        viewresize::resizeKeepingView(*composition.tree, width, height);
    prepared.layer = layerpath::find(*composition.tree, request.layerPath, &error);
    if (!prepared.layer) return fail(Fault::layer, error);
    return prepared;
}

} // namespace renderrequest
