#pragma once
// The layer controller: the one object that holds the composition while the
// program runs (the base layer, the current layer, the drawing-area size and
// the one-shot redraw request), and the control panel that shows and edits
// the current layer. It knows nothing of windows: the panel's controls are
// plain objects (ui/controls.h), textures go through a TextureBackend and
// file dialogs through a FileChooser, each installed by the viewer.
//
// Its own members are the composition's bookkeeping (layercontrols.cpp), the
// panel (controlpanel.cpp), the tree commands (layercommands.cpp) and the
// scene files with their load and save commands
// (persistence/commands/scenecommands.cpp). Every tool beyond them is a
// feature of its own, held here and handed this controller: undo and redo
// (history/), the picture with its tile preview, statistics and pointer
// readout (picture/), the export (export/), the column of the layer tree or
// the examples (column/), copy and paste, seeds, the scene's settings in the
// panel, the layer path, the info line and Page Up and Page Down (the files
// named after them here).
#include "app/clipboardcommands.h"
#include "app/export/exportcommands.h"
#include "app/history/historycommands.h"
#include "app/infoline.h"
#include "app/layerpathbar.h"
#include "app/picture/layerpicture.h"
#include "app/picture/pointerreadout.h"
#include "app/scenesettingspanel.h"
#include "app/seedcommands.h"
#include "app/column/sidecolumn.h"
#include "app/variablesteps.h"
#include "layers/composition.h"
#include "layers/layerhost.h"

#include <functional>
#include <string>

class FileChooser;
class Renderable;
class TextureBackend;

namespace ui {
class Button;
class Checkbox;
class ControlWindow;
class EditText;
class Listbox;
class Panel;
} // namespace ui

// The layers' host (layers/layerhost.h) while it lives: new layers take
// the drawing area's size, this controller and its texture backend.
class LayerControls : public LayerHost {
public:
    static constexpr int maxBaseLayers = 20;
    // The process-wide controller, while one exists. The controls' callbacks
    // do without it: each captures the object it calls, this controller
    // (command) or one of its features.
    static LayerControls* instance;

    LayerControls();
    ~LayerControls();
    LayerControls(const LayerControls&) = delete;
    LayerControls& operator=(const LayerControls&) = delete;

    // --- LayerHost ---
    AreaSize hostAreaSize() const override;
    TextureBackend* hostTextureBackend() const override;
    LayerControls* hostControls() override;

    // --- Controller ---
    void setViewportSize(int width, int height);
    bool takeRedrawRequest();
    // Renders the current layer at once, on the calling thread (the tests).
    // The viewer never does: it asks with redrawRequested and the picture
    // renders off its loop.
    void renderCurrentLayer();
    // Draws the picture last finished off the loop.
    void drawCurrentLayer();
    void panCurrentLayer(int dx, int dy);
    void zoomCurrentLayer(int dy);
    void resetCurrentView();
    // Installs layer (taking ownership) as the base layer, destroying the
    // previous composition, and shows it.
    void setBaseLayer(Renderable* layer);
    void showBaseLayer();
    void clearLayers();

    // --- Control panel ---
    void build(ui::ControlWindow* window);
    void adjustSelectedVariable(float delta);
    void refreshPanel();
    void refreshVariable();
    void onInverse();
    void onSelectVariable();

    // --- Layer tree commands ---
    void onChangeBase();
    void onAssignInputLayer();
    void onRemoveInputLayer();
    void onEditInputLayer();
    void onGoToParent();
    void onLoadFromXml();
    void onSaveToXml();

    // --- Scene files ---
    // Writes every base layer with its tree to path, atomically. On failure
    // returns false, leaves any previous file untouched and describes the
    // reason in *error.
    bool writeSceneFile(const std::string& path, std::string* error = nullptr);
    // Reads path and, when it yields a base layer, installs it with
    // setBaseLayer. Returns false with the reason in *error when the file is
    // unreadable, not a scene file or refused by the reader's limits; the
    // composition is then left as it was. *warning takes what the reader
    // took leniently (scenefile::ReadResult::warning).
    bool readSceneFile(const std::string& path, std::string* error = nullptr, std::string* warning = nullptr);
    // Loads path as "Load from XML" does once a file is chosen, and says in
    // the info line what came of it. The start-up's scene is no undo step.
    // A scene of the examples folder opens untitled (examplefiles::isIn).
    bool openSceneFile(const std::string& path, bool asUndoStep = true);
    void loadScene();
    // True when the composition was written to a file: the one the user
    // chose in the save dialog (with the scene's path filled in), or with
    // ask false the scene's own file without a dialog when it has one
    // (Ctrl+S).
    bool saveScene(bool ask = true);

    // --- What the features share ---
    // The layer the user walks to (a step of the path, a row of the tree)
    // becomes current: no undo step.
    void goToLayer(Renderable* layer);
    // A whole composition in place of the one shown (undo, redo, a paste),
    // shown at the drawing area's size with the layer at where current.
    void replaceComposition(Composition composition, const LayerLocation& where);
    int selectedVariable() const;
    // Once per tick of the main loop: a redraw request marks the picture
    // stale, which starts a render off the loop (or stops an outdated one),
    // a finished picture goes to the texture, and the column follows the
    // composition. True when the drawing area or the column must be drawn
    // again. (The export has a tick of its own.)
    bool tick();
    // Whether the main loop's tick has work coming: a redraw asked for, a
    // picture rendering or not yet shown, an export whose outcome is not yet
    // told, previews still to come. With none, an idle viewer needs no tick
    // until the next event.
    bool tickPending() const;

    // The composition shown, as one value's view: the base layer's tree and
    // the scene's settings. currentComposition is the current layer's
    // subtree with the same settings: what the picture and an export show.
    CompositionRef composition() const { return {baseLayer(), sceneSettings}; }
    CompositionRef currentComposition() const { return {currentLayer, sceneSettings}; }
    Renderable* baseLayer() const { return baseLayerCount > 0 ? baseLayers[0] : nullptr; }

    Renderable* baseLayers[maxBaseLayers] = {};   // owned; only slot 0 is used
    int baseLayerCount = 0;
    int viewportWidth = 0;
    int viewportHeight = 0;
    bool redrawRequested = false;
    Renderable* currentLayer = nullptr;           // not owned
    SceneSettings sceneSettings;                  // of the composition shown

    ui::ControlWindow* controlWindow = nullptr;
    ui::Panel* layerControlsPanel = nullptr;
    ui::Panel* layerVariablesPanel = nullptr;
    ui::Listbox* variableList = nullptr;
    ui::Listbox* layerTypeList = nullptr;
    ui::EditText* valueField = nullptr;
    ui::Checkbox* inverseCheckbox = nullptr;
    ui::Button* changeBaseButton = nullptr;
    ui::Button* assignInputButton = nullptr;
    ui::Button* removeInputButton = nullptr;
    ui::Button* editInputButton = nullptr;
    ui::Button* goToParentButton = nullptr;
    ui::Button* loadButton = nullptr;
    ui::Button* saveButton = nullptr;

    TextureBackend* textureBackend = nullptr;     // not owned; none when headless
    FileChooser* fileChooser = nullptr;           // not owned

    // The features, in the order the panel shows them.
    InfoLine infoLine;
    HistoryCommands history{*this};
    SeedCommands seeds{*this};
    ExportCommands exporter{*this};
    SceneSettingsPanel settingsPanel{*this};
    ClipboardCommands clipboardCommands{*this};
    LayerPathBar pathBar{*this};
    LayerPicture picture{*this};
    PointerReadout pointer{*this};
    VariableSteps variableSteps{*this};
    SideColumn column{*this};

private:
    // A control's callback that runs member on this controller.
    std::function<void(int id)> command(void (LayerControls::*member)());
    int selectedType() const;
};
