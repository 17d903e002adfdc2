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
// layercommands.cpp, scene files and the load and save commands in
// persistence/commands/scenecommands.cpp, undo, redo and the
// unsaved-changes bookkeeping in historycommands.cpp, the export, path,
// statistics and pointer readout in toolpanel.cpp, the picture's renders in
// layerpicture.cpp, the layer tree column in layertreecolumn.cpp, and the
// seed commands in seedcommands.cpp.
#include "app/edithistory.h"
#include "app/examplefiles.h"
#include "app/examplepreviews.h"
#include "app/infoline.h"
#include "app/layerpreviews.h"
#include "app/layertree.h"
#include "app/renderscheduler.h"
#include "layers/layerhost.h"
#include "layers/viewresize.h"
#include "persistence/scenefile.h"
#include "app/questions/unsavedchangesquestion.h"

#include <functional>
#include <string>
#include <vector>

class Clipboard;
class FileChooser;
class ImageExporter;
class Renderable;
class TextureBackend;
class UnsavedChangesQuestion;
class Confirmation;
enum class MouseMode : int;

namespace ui {
class Button;
class Histogram;
class PathBar;
class Checkbox;
class ControlWindow;
class EditText;
class LayerList;
class Listbox;
class Panel;
} // namespace ui

// The layers' host (layers/layerhost.h) while it lives: new layers take
// the drawing area's size, this controller and its texture backend.
class LayerControls : public LayerHost {
public:
    static constexpr int maxBaseLayers = 20;
    // The process-wide controller: the control callbacks reach it through it.
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
    // The viewer never does: it asks with redrawRequested and updatePicture
    // renders off its loop.
    void renderCurrentLayer();
    // Draws the picture last finished by updatePicture.
    void drawCurrentLayer();
    void panCurrentLayer(int dx, int dy);
    void zoomCurrentLayer(int dy);
    // The same zoom, keeping the layer point under the drawing-area pixel
    // (x, y) (origin top left) where it is, as the wheel zooms.
    void zoomCurrentLayerAt(int dy, int x, int y);
    void resetCurrentView();
    // Installs layer (taking ownership) as the base layer, destroying the
    // previous composition, and shows it.
    void setBaseLayer(Renderable* layer);
    void showBaseLayer();
    void clearLayers();

    // --- Control panel ---
    void build(ui::ControlWindow* window);
    void adjustSelectedVariable(float delta);
    // Page Up (+1) and Page Down (-1): the selected variable by a twentieth
    // of its range, clamped like a drag. The presses while the key is held
    // are one undo step, which endVariableSteps closes at its release.
    static constexpr int variableStepsPerRange = 20;
    void stepSelectedVariable(int direction);
    void endVariableSteps();
    void refreshPanel();
    void refreshVariable();
    void onInverse();
    void onSelectVariable();
    // "Seed" (Enter, or leaving the field) and "New seed" (Ctrl+G): the
    // current layer's seed, each an undoable step (seedcommands.cpp).
    void onSeedField();
    void onNewSeed();

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
    bool openSceneFile(const std::string& path, bool asUndoStep = true);
    void loadScene();
    // True when the composition was written to a file: the one the user
    // chose in the save dialog (with the scene's path filled in), or with
    // ask false the scene's own file without a dialog when it has one.
    bool saveScene(bool ask = true);
    // Ctrl+S: saves to the scene's file without asking when it has one, and
    // asks like "Save to XML" when it has none. Ctrl+Shift+S always asks.
    void onSave();

    // --- Copy and paste as scene text (clipboardcommands.cpp) ---
    // Ctrl+C and "Copy": the current layer with its subtree, as the text of
    // a scene file whose base layer it is, with the scene's settings.
    void onCopy();
    // Ctrl+X: copies, then removes the current layer from its parent's
    // variable (one undo step); the base layer is only copied.
    void onCut();
    // Ctrl+V and "Paste": the clipboard's scene, its base layer with its
    // subtree and their own views, becomes the input of the selected
    // variable of the current layer, which stays current. One undo step.
    void onPaste();
    // Ctrl+Shift+V: the clipboard's scene becomes the whole composition, as
    // a load does, after the unsaved-changes question; it is untitled.
    void onPasteComposition();
    Clipboard* clipboard = nullptr;               // not owned; none: no copy and paste
    ui::Button* copyButton = nullptr;
    ui::Button* pasteButton = nullptr;

    // --- Tools beyond the layer controls (toolpanel.cpp) ---
    // Below "Save to XML": "Export" and its "Export size:" field; below
    // "Undo" and "Redo": the layer path and the current layer's statistics.
    void buildExportControls(ui::ControlWindow& window);
    void buildViewTools(ui::ControlWindow& window);
    // Writes the current layer, as shown, to an image file the user picks
    // (PNG, or EXR or TIFF of the values, by the name's suffix), at
    // the size of "Export size:" (the drawing area when empty), off the main
    // loop. Above exportsize::askAboveBytes of raw pixels it asks first. A
    // size the field cannot mean, or an export already running, is reported
    // instead.
    void onExportPng();
    // The export button: "Export", or "Cancel export" while one runs.
    void onExportButton();
    // "Seamless", beside "Export": the whole composition's patterns
    // repeat over their views (generators/seamless.h). An undoable edit.
    void onSeamless();
    // "View as:" and the field of its setting, the panel's last rows: what
    // the drawing area shows of the values (Grey, Normal map, Colour ramp;
    // viewpicture.h). Scene settings, undoable like Seamless.
    void buildViewAsControls(ui::ControlWindow& window);
    void onViewAs();
    void onViewSetting();
    void refreshViewAs();
    // The panel's control of a scene setting, one overload per type of
    // setting (scenefields.h), called by refreshPanel.
    void showSetting(bool seamless);
    void showSetting(const ViewAs& view);
    // Every tick of the main loop: the export's progress and outcome, and
    // the drawing area's size as the export size's default. True when the
    // panel or the info line changed and wants a redisplay.
    bool onTick();

    // The path from the base layer to the current one; a click on a step
    // goes to that layer.
    void refreshPath();
    void onPathStep();
    // The current layer's minimum, maximum, mean and histogram over the
    // drawing area, of the picture on screen (measured with it, off the
    // main loop).
    void showStatistics();
    // The pointer at (x, y) in the drawing area (origin top left) with no
    // drag running: the info line reads the layer point and value there.
    // Outside the area, the info line goes back to the last outcome.
    void showPointer(int x, int y);
    void clearPointer();
    // Ctrl+T: the drawing area shows the picture at half its size as 2 x 2
    // tiles, pixel for pixel, so the joins of a seamless pattern show; and
    // back. Pan, zoom and the readout work on the tiles.
    void onTilePreview();
    // The size of one tile: half the drawing area, at least 1 x 1.
    viewresize::Size tileSize() const;

    // --- The layer tree column (layertreecolumn.cpp) ---
    // "Layers" (beside Undo and Redo) and Ctrl+L open and close the column:
    // every layer of the composition in tree order with its preview, the
    // current one marked. showTreeColumn, when set, puts the column on
    // screen or takes it off (the viewer widens its window by it).
    void onLayers();
    // The window became too narrow for the column, which closed: the tree
    // is closed as by "Layers", and stays so until opened again.
    void treeColumnClosed();
    void buildTreeColumn(ui::ControlWindow& window);
    // The rows again, after the composition changed.
    void refreshTree();
    // The current layer's row is marked and scrolled into view.
    void markCurrentRow();
    // A click on a row makes its layer current, as a step of the path does.
    void onTreeRow();
    // The column's rows by keyboard (the pointer over the column): the
    // selected row moves, at first the current layer's, and the list
    // scrolls to keep it in view; Return makes its layer current (opens the
    // example, in the Examples column). No undo step.
    void onTreeKey(layertree::Move move);
    void onTreeReturn();
    // Once per tick: the rows after an edit, and the previews, which start
    // once the drawing area's picture is final. True when the column changed.
    bool updateTree(bool edited);
    // Previews are still being made for the rows in view.
    bool treePending() const { return treeOpen && previews.pending(); }
    bool treeOpen = false;
    std::function<void(bool open)> showTreeColumn;
    ui::Button* layersButton = nullptr;
    ui::LayerList* layerList = nullptr;
    std::vector<layertree::Row> treeRows;
    LayerPreviews previews;

    // --- The Examples column (examplescolumn.cpp) ---
    // "Examples" opens and closes a column in the layer tree's place (one
    // column at a time): the example scenes by name, each with its preview
    // made on the preview thread. A click opens one, after the
    // unsaved-changes question, as an untitled scene; the dialogs' folder
    // stays where it was.
    void onExamples();
    void openExample(int row);
    // Take the column's rows away, leaving the column on screen for the other.
    void closeExamples();
    // Once per tick while the column is open. True when it changed.
    bool updateExamples();
    bool examplesOpen = false;
    std::vector<examplefiles::Example> examples;
    ExamplePreviews examplePreviews;
    ui::Button* examplesButton = nullptr;

    // --- The picture (layerpicture.cpp) ---
    // Once per tick of the main loop: a redraw request marks the picture
    // stale, which starts a render off the loop (or stops an outdated one),
    // and a finished picture goes to the texture. True when the drawing area
    // must be drawn again.
    bool updatePicture();
    // Whether the main loop's tick has work coming: a redraw asked for, a
    // picture rendering or not yet shown, an export whose outcome is not
    // yet told, previews of the tree still to come. With none, an idle
    // viewer needs no tick until the next event.
    bool tickPending() const;

    // The info line, where commands report their outcome.
    void setInfoField(ui::EditText* field);
    // Every command that has something to tell the user (a load, a save, a
    // failure) says it here, and only here. It stays in the info line until
    // the next outcome, except while a drag has the line; it replaces the
    // pointer readout, which comes back when the pointer next moves.
    void reportOutcome(const std::string& text);
    // The info line's own texts, which take the line over while they last:
    // what the current drag does ("" when none runs), and what lies under
    // the pointer ("" when it is not over the drawing area).
    void setDragText(const std::string& text);
    void setHoverText(const std::string& text);

    // --- Undo, redo and unsaved changes ---
    // Every edit of the composition runs between these two: one undo step,
    // recorded only when the composition changed. An edit begun while
    // another is open (a drag) first closes that one as its own step.
    void beginEdit(const std::string& label);
    void commitEdit();
    // A drag is one step from the press that starts it to the release
    // that ends it: the shell passes each button's change of the drag mode.
    void dragModeChanged(MouseMode before, MouseMode after);
    void onUndo();
    void onRedo();
    void moveInHistory(bool undoing);
    // Where the user is, and going back there in the composition shown.
    LayerLocation currentLocation() const;
    void showLocation(const LayerLocation& where);
    void refreshHistoryButtons();
    // The scene's file: the one last loaded or saved ("" when none). It is
    // part of what undo restores (EditHistory::openScene and markSaved).
    const std::string& scenePath() const { return history.scenePath(); }
    bool isModified() const { return history.modified(); }
    // The main window's title: the file's name once there is one, and
    // whether the composition differs from it.
    std::string windowTitle() const;
    // Closing the viewer: true when it may close now. With unsaved changes
    // it asks whether to save them, discard them or stay open.
    bool confirmClose();
    // Every command that replaces the whole composition (a load, before its
    // dialog opens; a paste of a scene; an example) asks this first: true
    // when it may go on. With unsaved changes it asks the closing question:
    // save them (to the scene's file, else through the save dialog),
    // discard them, or cancel the command. A drag still held counts.
    bool mayReplaceComposition();

    // The composition shown, as one value's view: the base layer's tree and
    // the scene's settings. currentComposition is the current layer's
    // subtree with the same settings: what the picture and an export show.
    CompositionRef composition() const { return {baseLayer(), sceneSettings}; }
    CompositionRef currentComposition() const { return {currentLayer, sceneSettings}; }

    EditHistory history;
    UnsavedChangesQuestion* closeQuestion = nullptr;   // not owned
    Confirmation* confirmation = nullptr;         // not owned; none: costly commands are refused
    ui::Button* undoButton = nullptr;
    ui::Button* redoButton = nullptr;

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
    ui::EditText* seedField = nullptr;
    ui::Button* newSeedButton = nullptr;
    ui::Button* changeBaseButton = nullptr;
    ui::Button* assignInputButton = nullptr;
    ui::Button* removeInputButton = nullptr;
    ui::Button* editInputButton = nullptr;
    ui::Button* goToParentButton = nullptr;
    ui::Button* loadButton = nullptr;
    ui::Button* saveButton = nullptr;

    TextureBackend* textureBackend = nullptr;     // not owned; none when headless
    FileChooser* fileChooser = nullptr;           // not owned
    ImageExporter* imageExporter = nullptr;       // not owned; none: no export
    ui::Button* exportButton = nullptr;
    ui::Checkbox* seamlessCheckbox = nullptr;
    ui::EditText* exportSizeField = nullptr;
    ui::Listbox* viewAsList = nullptr;
    ui::EditText* viewSettingField = nullptr;
    ui::PathBar* pathBar = nullptr;
    ui::Histogram* statistics = nullptr;
    ui::EditText* infoField = nullptr;            // not owned
    InfoLine infoLine;                            // what infoField shows
    bool outcomeCoversPointer = false;            // an outcome came after the pointer's last move
    int pointerX = -1, pointerY = -1;             // where the readout was last asked for
    bool tilePreview = false;                     // a view of the picture, not part of the composition

    RenderScheduler renderer;
    RenderScheduler::Picture picture;             // what the drawing area shows
    unsigned pictureTexture = 0;                  // its texture, made on first use

private:
    // A control's callback that runs member on this controller.
    std::function<void(int id)> command(void (LayerControls::*member)());
    int selectedVariable() const;
    int selectedType() const;
    void installComposition(Composition composition, const LayerLocation& where);
    void closeTree();
    // The clipboard's text read as a scene; without a base layer (and with
    // the reason in the info line) when there is none to paste.
    scenefile::ReadResult readClipboardScene();
    std::string interruptedEdit;   // a drag's step, reopened after the edit that closed it
    bool variableStepsOpen = false;   // Page Up or Down held: its step is open
};
