#pragma once
// One undoable edit of the composition for the length of a scope: the
// command's body runs between the controller's beginEdit and commitEdit,
// whichever way it returns.
#include "app/layercontrols.h"

class EditStep {
public:
    EditStep(LayerControls& controls, const char* label) : controls(controls) { controls.beginEdit(label); }
    ~EditStep() { controls.commitEdit(); }
    EditStep(const EditStep&) = delete;
    EditStep& operator=(const EditStep&) = delete;

private:
    LayerControls& controls;
};
