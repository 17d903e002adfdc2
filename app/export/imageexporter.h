#pragma once
// Where the "Export" command hands its work: an exact copy of the
// composition to render and write. The viewer installs one that works on a
// background thread (app/imageexport.h); the command itself stays free of
// image files and threads.
#include "layers/composition.h"

#include <string>

class ImageExporter {
public:
    virtual ~ImageExporter() = default;
    // True while an export is under way; a second one is refused meanwhile.
    virtual bool busy() const = 0;
    // Renders composition (the exporter's own copy, its tree at the texture
    // size it has) and writes it to path. sceneName, the scene's file name,
    // is what a shader's header and a page's title name. Returns at once.
    virtual void start(Composition composition, const std::string& path, const std::string& sceneName = "") = 0;
    // Stops the export under way, if any, within a row; it leaves no file
    // and poll tells it was cancelled. Returns at once.
    virtual void cancel() = 0;
    // Asked on every tick of the main loop: a new line for the info line
    // (progress, then the outcome), or an empty one when nothing changed.
    virtual std::string poll() = 0;
    // True from start until poll has told the outcome: the tick must go on.
    virtual bool pending() const = 0;
};
