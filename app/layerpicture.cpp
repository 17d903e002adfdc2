// The picture half of LayerControls: the drawing area's picture, kept in
// step with the composition by renders off the main loop, and the info line.
#include "app/layercontrols.h"

#include "app/imageexporter.h"
#include "layers/viewresize.h"
#include "layers/texturebackend.h"
#include "ui/controls.h"

bool LayerControls::updatePicture()
{
    const bool edited = takeRedrawRequest();
    if (edited) renderer.markStale();
    // The previews wait for the picture: they see it pending from here on.
    const bool treeChanged = updateTree(edited) | updateExamples();
    const viewresize::Size tile = tileSize();
    if (!renderer.poll(currentComposition(), picture, tilePreview ? tile.width : 0, tilePreview ? tile.height : 0))
        return treeChanged;
    // A coarse picture only stands in while edits come quickly: the panel
    // keeps the statistics of the last full one.
    if (picture.step == 1) showStatistics();
    if (textureBackend && !picture.pixels.empty()) {
        if (!pictureTexture) pictureTexture = textureBackend->createTexture();
        if (pictureTexture && !picture.shown.empty())
            textureBackend->uploadRgbTexture(pictureTexture, picture.width, picture.height, picture.shown.data());
        else if (pictureTexture)
            textureBackend->uploadTexture(pictureTexture, picture.width, picture.height, picture.pixels.data());
    }
    return true;
}

bool LayerControls::tickPending() const
{
    return redrawRequested || renderer.pending() || (imageExporter && imageExporter->pending()) || treePending() || (examplesOpen && examplePreviews.pending());
}

void LayerControls::setInfoField(ui::EditText* field)
{
    infoField = field;
    if (infoField) infoField->set_text(infoLine.text());
}

void LayerControls::reportOutcome(const std::string& text)
{
    infoLine.setHoverText("");   // news first; the readout returns when the pointer moves
    outcomeCoversPointer = true;
    infoLine.setOutcome(text);
    if (infoField) infoField->set_text(infoLine.text());
}

void LayerControls::setDragText(const std::string& text)
{
    infoLine.setDragText(text);
    if (infoField) infoField->set_text(infoLine.text());
}

void LayerControls::setHoverText(const std::string& text)
{
    infoLine.setHoverText(text);
    if (infoField) infoField->set_text(infoLine.text());
}
