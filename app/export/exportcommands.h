#pragma once
// "Export" (Ctrl+E), its "Export size:" field and its "Keep aspect" switch:
// the current layer, as shown, written to an image file the user picks (PNG,
// or EXR or TIFF of the values, or the layer's GLSL shader or web page, by
// the name's suffix), at the size of the field (the drawing area when
// empty), off the main loop. With the switch on (as it starts) a size of
// another shape than the drawing area shows its picture scaled to the width
// (viewresize::resizeKeepingAspect), else the same view stretched. Above
// exportsize::askAboveBytes of raw pixels it asks first: before the file
// dialog when a PNG of the view is that big, else once a file of more bytes
// a pixel (the floats of an EXR or TIFF) is chosen. A size the field cannot
// mean, or an export already running, is reported instead. While an export
// runs the button reads "Cancel export" and stops it.
class Confirmation;
class ImageExporter;
class LayerControls;

namespace ui {
class Button;
class Checkbox;
class ControlWindow;
class EditText;
} // namespace ui

class ExportCommands {
public:
    explicit ExportCommands(LayerControls& controls) : controls(controls) {}

    // The button, sharing its row with what follows it, the size field on
    // the row below and the switch below that.
    void buildButton(ui::ControlWindow& window);
    void buildSizeField(ui::ControlWindow& window);
    void buildAspectSwitch(ui::ControlWindow& window);

    void onExport();
    // The button: "Export", or "Cancel export" while one runs.
    void onExportButton();
    // Every tick of the main loop: the export's progress and outcome, and
    // the drawing area's size as the size field's hint. True when the panel
    // or the info line changed and wants a redisplay.
    bool tick();
    // An export whose outcome is not yet told.
    bool pending() const;

    ImageExporter* imageExporter = nullptr;   // not owned; none: no export
    Confirmation* confirmation = nullptr;     // not owned; none: costly exports are refused
    ui::Button* exportButton = nullptr;
    ui::EditText* exportSizeField = nullptr;
    ui::Checkbox* keepAspectBox = nullptr;

private:
    // True when an image of width x height at bytesPerPixel may be
    // exported: it is small enough, or the user said so (then *asked).
    bool mayExport(int width, int height, int bytesPerPixel, bool* asked);

    LayerControls& controls;
};
