#pragma once
// Copy and paste of layers as scene text: the commands on the desktop's
// clipboard (Ctrl+C, Ctrl+X, Ctrl+V, Ctrl+Shift+V, "Copy" and "Paste").
//
// What is copied is what "Save to XML" would write for a composition whose
// base layer is the current layer, so the text can go to a text editor or a
// chat, and back, and be rendered as it is. What is pasted passes through the
// scene reader with all its limits, and a paste whose result would break
// them is refused too: every composition can still be saved and loaded.
// A refused paste changes nothing and says why in the reader's words.
#include "persistence/scenefile.h"

class Clipboard;
class LayerControls;

namespace ui {
class Button;
class ControlWindow;
} // namespace ui

class ClipboardCommands {
public:
    explicit ClipboardCommands(LayerControls& controls) : controls(controls) {}

    // "Copy" and "Paste", sharing their row with what follows.
    void build(ui::ControlWindow& window);

    // The current layer with its subtree, as the text of a scene file whose
    // base layer it is, with the scene's settings.
    void onCopy();
    // Copies, then removes the current layer from its parent's variable (one
    // undo step); the base layer is only copied.
    void onCut();
    // The clipboard's scene, its base layer with its subtree and their own
    // views, becomes the input of the selected variable of the current
    // layer, which stays current. One undo step.
    void onPaste();
    // The clipboard's scene becomes the whole composition, as a load does,
    // after the unsaved-changes question; it is untitled.
    void onPasteComposition();

    Clipboard* clipboard = nullptr;   // not owned; none: no copy and paste
    ui::Button* copyButton = nullptr;
    ui::Button* pasteButton = nullptr;

private:
    // The clipboard's text read as a scene; without a base layer (and with
    // the reason in the info line) when there is none to paste.
    scenefile::ReadResult readClipboardScene();
    LayerControls& controls;
};
