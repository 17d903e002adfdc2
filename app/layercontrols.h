#pragma once
// The layer controller: the one object that holds the composition while the
// program runs (the base layer, the current layer, the drawing-area size and
// the one-shot redraw request), and the control panel that shows and edits
// the current layer. It knows nothing of windows: the panel's controls are
// plain objects (ui/controls.h), textures go through a TextureBackend and
// file dialogs through a FileChooser, each installed by the viewer.
//
// Its members are defined where their subject lives: the controller in
// layercontrols.cpp, the panel in controlpanel.cpp, the tree commands in
// layercommands.cpp, scene files in persistence/scenefile.cpp and the load
// and save commands in persistence/scenecommands.cpp.
#include "app/infoline.h"
#include "app/renderscheduler.h"

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

class LayerControls {
public:
    static constexpr int maxBaseLayers = 20;
    // The process-wide controller: every new layer reads its texture size
    // from it, and the control callbacks reach it through it.
    static LayerControls* instance;

    LayerControls();
    ~LayerControls();
    LayerControls(const LayerControls&) = delete;
    LayerControls& operator=(const LayerControls&) = delete;

    // --- Controller ---
    void setViewportSize(int width, int height);
    bool takeRedrawRequest();
    // Renders the current layer at once, on the calling thread (tests and
    // tools). The viewer never does: it asks with redrawRequested and
    // updatePicture renders off its loop.
    void renderCurrentLayer();
    // Draws the picture last finished by updatePicture.
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
    // composition is then left as it was.
    bool readSceneFile(const std::string& path, std::string* error = nullptr);
    void loadScene();
    void saveScene();

    // --- The picture (layerpicture.cpp) ---
    // Once per tick of the main loop: a redraw request marks the picture
    // stale, which starts a render off the loop (or stops an outdated one),
    // and a finished picture goes to the texture. True when the drawing area
    // must be drawn again.
    bool updatePicture();

    // The info line, where commands report their outcome.
    void setInfoField(ui::EditText* field);
    // Every command that has something to tell the user (a load, a save, a
    // failure) says it here, and only here. It stays in the info line until
    // the next outcome, except while a drag (or the pointer readout) has
    // the line.
    void reportOutcome(const std::string& text);
    // The info line's own texts, which take the line over while they last:
    // what the current drag does ("" when none runs), and what lies under
    // the pointer ("" when it is not over the drawing area).
    void setDragText(const std::string& text);
    void setHoverText(const std::string& text);

    Renderable* baseLayers[maxBaseLayers] = {};   // owned; only slot 0 is used
    int baseLayerCount = 0;
    int viewportWidth = 0;
    int viewportHeight = 0;
    bool redrawRequested = false;
    Renderable* currentLayer = nullptr;           // not owned

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
    ui::EditText* infoField = nullptr;            // not owned
    InfoLine infoLine;                            // what infoField shows

    RenderScheduler renderer;
    RenderScheduler::Picture picture;             // what the drawing area shows
    unsigned pictureTexture = 0;                  // its texture, made on first use

private:
    int selectedVariable() const;
    int selectedType() const;
};
