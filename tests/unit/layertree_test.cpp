// The layer tree column, headless: its rows against a recursive walk, the
// preview size, variable paths, navigation by a click, and every preview
// against a render of its layer's subtree at that size.
#include "app/layercontrols.h"
#include "layers/rowloop.h"
#include "persistence/scenefile.h"
#include "layers/layerpath.h"
#include "app/column/previewsize.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/texturebackend.h"
#include "ui/controls.h"

#include "randomcomposition.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <map>
#include <memory>
#include <set>
#include <thread>

namespace {

// The tree order as it is defined: a layer, then its variables' inputs.
void walk(Renderable* layer, int depth, std::vector<layertree::Row>& out)
{
    out.push_back({layer, depth, layerpath::stepText(*layer)});
    for (int i = 0; i < layer->variableCount; ++i)
        if (Renderable* input = layer->variables[i].getInputLayer()) walk(input, depth + 1, out);
}

TEST(LayerTree, RowsAreTheTreeOrderAndEveryPathLeadsBackToItsLayer)
{
    for (unsigned seed = 1; seed <= 20; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> base(random.make(4));
        std::vector<layertree::Row> expected;
        walk(base.get(), 0, expected);
        const std::vector<layertree::Row> rows = layertree::rows(base.get());
        ASSERT_EQ(rows.size(), expected.size());
        for (std::size_t i = 0; i < rows.size(); ++i) {
            EXPECT_EQ(rows[i].layer, expected[i].layer);
            EXPECT_EQ(rows[i].depth, expected[i].depth);
            EXPECT_EQ(rows[i].label, expected[i].label);
            std::string error;
            EXPECT_EQ(layerpath::find(*base, layerpath::variablePath(*rows[i].layer), &error), rows[i].layer) << error;
        }
    }
    EXPECT_TRUE(layertree::rows(nullptr).empty());
}

// The keys against the tree itself: Right goes to the layer's first input
// in variable order, Left to its parent, Up and Down one row, Home and End
// to the ends; where there is nowhere to go the selection stays.
TEST(LayerTree, KeysWalkTheTreeAsItsLayersAreLinked)
{
    using layertree::Move;
    for (unsigned seed = 1; seed <= 30; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> base(random.make(4));
        const std::vector<layertree::Row> rows = layertree::rows(base.get());
        std::vector<int> depths;
        for (const layertree::Row& row : rows) depths.push_back(row.depth);
        const int n = static_cast<int>(rows.size());
        for (int s = 0; s < n; ++s) {
            const Renderable* layer = rows[static_cast<std::size_t>(s)].layer;
            const Renderable* firstInput = nullptr;
            for (int i = 0; i < layer->variableCount && !firstInput; ++i) firstInput = layer->variables[i].getInputLayer();
            const int right = layertree::navigate(depths, s, Move::Right);
            EXPECT_EQ(rows[static_cast<std::size_t>(right)].layer, firstInput ? firstInput : layer);
            const int left = layertree::navigate(depths, s, Move::Left);
            EXPECT_EQ(rows[static_cast<std::size_t>(left)].layer, layer->parent ? layer->parent : layer);
            EXPECT_EQ(layertree::navigate(depths, s, Move::Up), std::max(s - 1, 0));
            EXPECT_EQ(layertree::navigate(depths, s, Move::Down), std::min(s + 1, n - 1));
            EXPECT_EQ(layertree::navigate(depths, s, Move::Home), 0);
            EXPECT_EQ(layertree::navigate(depths, s, Move::End), n - 1);
        }
        EXPECT_EQ(layertree::navigate(depths, -1, Move::End), n - 1);
        EXPECT_EQ(layertree::navigate(depths, -1, Move::Left), 0);
    }
    EXPECT_EQ(layertree::navigate({}, -1, Move::Down), -1);
}

TEST(LayerTree, IndentationStopsAtEightLevelsWhereTheDepthBecomesANumber)
{
    EXPECT_EQ(layertree::indent(0), 0);
    EXPECT_EQ(layertree::indent(3), 36);
    EXPECT_EQ(layertree::indent(8), 96);
    EXPECT_EQ(layertree::indent(999), 96);
    EXPECT_EQ(layertree::depthMark(8), "");
    EXPECT_EQ(layertree::depthMark(9), "9");
    EXPECT_EQ(layertree::depthMark(999), "999");
}

TEST(LayerTree, PreviewsAre96WideWithTheDrawingAreasShapeWithinLimits)
{
    EXPECT_EQ(previewsize::height(400, 470), 113);   // 112.8
    EXPECT_EQ(previewsize::height(192, 1), 1);       // 0.5 rounds up
    EXPECT_EQ(previewsize::height(16384, 1), 1);
    EXPECT_EQ(previewsize::height(1, 16384), 192);
    RandomComposition random(7);
    for (int k = 0; k < 1000; ++k) {
        const int w = random.pick(1, 16384), h = random.pick(1, 16384);
        const double exact = std::floor(96.0 * h / w + 0.5);
        EXPECT_EQ(previewsize::height(w, h), static_cast<int>(std::min(192.0, std::max(1.0, exact)))) << w << "x" << h;
    }
}

TEST(LayerTree, APathThatLeadsNowhereSaysWhichNamesLeadOn)
{
    std::unique_ptr<Renderable> circles(createLayer(2));
    circles->attachInput(1, createLayer(0));
    std::string error;
    EXPECT_EQ(layerpath::find(*circles, "", &error), circles.get());
    EXPECT_EQ(layerpath::find(*circles, "Radius", &error), nullptr);
    EXPECT_EQ(error, "'Radius' of the base layer (Circles) has no input layer; names with an input layer there: Spacing");
    EXPECT_EQ(layerpath::find(*circles, "Spacing/Width", &error), nullptr);
    EXPECT_EQ(error, "the Noise layer at 'Spacing' has no variable 'Width'; names with an input layer there: none, it "
                     "has no input layers");
    EXPECT_EQ(layerpath::find(*circles, "Spacing/", &error), nullptr);
}

// Textures as the bytes last uploaded to them.
class TextureStore : public TextureBackend {
public:
    unsigned createTexture() override { return ++made; }
    void uploadTexture(unsigned texture, int, int, const std::uint8_t*) override { pixels.erase(texture); }
    void uploadPixelExact(unsigned texture, int width, int height, const std::uint8_t* bytes) override
    {
        pixels[texture].assign(bytes, bytes + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    }
    void drawTexture(unsigned, float) override {}
    void drawTextureTiles(unsigned, float, float, float, int) override {}
    void deleteTexture(unsigned texture) override { pixels.erase(texture); }

    unsigned made = 0;
    std::map<unsigned, std::vector<std::uint8_t>> pixels;
};

class TreeColumn : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls.setViewportSize(50, 31);   // previews of 96 x 60
        controls.build(&panel);
        controls.column.build(column);
        controls.textureBackend = &textures;
    }

    // Ticks of the main loop until the picture and every preview in view are
    // final.
    void settle()
    {
        for (int i = 0; i < 20000; ++i) {
            controls.tick();
            if (!controls.picture.renderer.pending() && !controls.column.tree.pending()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FAIL() << "previews never settled";
    }

    // Every preview is a render of its layer's subtree at the preview size.
    void expectUpToDatePreviews()
    {
        ASSERT_EQ(controls.column.layerList->rows().size(), controls.column.tree.rows.size());
        for (std::size_t row = 0; row < controls.column.tree.rows.size(); ++row) {
            std::unique_ptr<Renderable> copy = cloneLayerTree(*controls.column.tree.rows[row].layer);
            viewresize::resizeKeepingView(*copy, 96, 60);
            copy->fillPixelsReference();
            const LayerPreviews::Shown* shown = controls.column.tree.previews.shown(static_cast<int>(row));
            ASSERT_TRUE(shown && shown->upToDate) << "row " << row;
            EXPECT_EQ(shown->width, 96);
            EXPECT_EQ(shown->height, 60);
            EXPECT_TRUE(textures.pixels[shown->texture] == copy->pixels) << "row " << row;
        }
    }

    TextureStore textures;
    ui::ControlWindow panel, column;
    LayerControls controls;
};

TEST_F(TreeColumn, EveryPreviewOfARandomCompositionIsTheRenderOfItsSubtree)
{
    // The first seed with a tree of some size: layers three levels deep.
    for (unsigned seed = 1; layertree::rows(controls.baseLayer()).size() < 8; ++seed) {
        RandomComposition random(seed);
        controls.setBaseLayer(random.make(3));
    }
    controls.column.onLayers();
    ASSERT_TRUE(controls.column.tree.isOpen);
    controls.column.layerList->set_visible(0, static_cast<int>(controls.column.tree.rows.size()));
    settle();
    expectUpToDatePreviews();
    // A pan moves the current layer's whole subtree: every preview follows.
    controls.panCurrentLayer(7, -3);
    settle();
    expectUpToDatePreviews();
}

TEST_F(TreeColumn, AClickOnARowGoesThereWithoutAnUndoStep)
{
    controls.setBaseLayer(createLayer(2));
    controls.variableList->set_int_val(1);
    controls.onAssignInputLayer();   // Spacing: Noise
    controls.onGoToParent();
    const bool couldUndo = controls.history.edits.canUndo();
    controls.column.onLayers();
    EXPECT_EQ(controls.column.layerList->current(), 0);
    EXPECT_EQ(controls.column.layerList->rows()[1].label, "Spacing: Noise");
    EXPECT_EQ(controls.column.layerList->rows()[1].indent, 12);
    controls.column.layerList->choose(1);
    EXPECT_EQ(controls.currentLayer, controls.baseLayer()->variables[1].getInputLayer());
    EXPECT_EQ(controls.column.layerList->current(), 1);
    EXPECT_EQ(controls.history.edits.canUndo(), couldUndo);
    controls.onGoToParent();
    EXPECT_EQ(controls.column.layerList->current(), 0);
    controls.column.onLayers();
    EXPECT_FALSE(controls.column.tree.isOpen);
    EXPECT_TRUE(controls.column.layerList->rows().empty());
}

TEST_F(TreeColumn, TheCurrentRowComesIntoViewAfterAnAssignAndWhenTheColumnReopens)
{
    controls.setBaseLayer(createLayer(2));
    controls.column.onLayers();
    controls.variableList->set_int_val(1);
    controls.onAssignInputLayer();   // a new row, the current one
    controls.column.tree.update(true);
    EXPECT_EQ(controls.column.layerList->current(), 1);
    EXPECT_EQ(controls.column.layerList->scroll_target(), 1);
    controls.column.layerList->scrolled_into_view();
    controls.column.onLayers(), controls.column.onLayers();   // reopened: to the current row, wherever it was scrolled
    EXPECT_EQ(controls.column.layerList->scroll_target(), 1);
}

// The Examples column takes the tree's place; its previews are renders of
// the examples at the preview size, each with its own settings, and all
// differ; the examples use every type twice, some seamless, depths 1 to 6.
// A key and Return open one untitled, as one undo step.
TEST_F(TreeColumn, ExamplesShowTheirRendersAndOpenUntitled)
{
    controls.setBaseLayer(createLayer(3));
    std::vector<bool> columnShown;   // the column stays as the examples take the tree's place
    controls.column.showColumn = [&](bool open) { columnShown.push_back(open); };
    controls.column.onLayers();
    controls.column.onExamples();
    ASSERT_TRUE(controls.column.examples.isOpen && !controls.column.tree.isOpen);
    const std::vector<examplefiles::Example> examples = examplefiles::list(PATTERNLENS_SOURCE_DIR "/examples");
    ASSERT_GE(examples.size(), 14u);
    ASSERT_EQ(controls.column.layerList->rows().size(), examples.size());
    for (int i = 0; i < 20000 && controls.tickPending(); ++i) {
        controls.tick();
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    std::set<std::vector<std::uint8_t>> pictures;
    std::map<int, int> typeUses;
    std::set<int> depths;
    int seamless = 0;
    for (std::size_t row = 0; row < examples.size(); ++row) {
        EXPECT_EQ(controls.column.layerList->rows()[row].label, examples[row].name);
        scenefile::ReadResult read = scenefile::read(examples[row].path);
        ASSERT_TRUE(read.baseLayer) << read.error;
        std::set<int> types;
        int depth = 0;
        for (const layertree::Row& r : layertree::rows(read.baseLayer.get()))
            types.insert(r.layer->typeId), depth = std::max(depth, r.depth + 1);
        for (int t : types) ++typeUses[t];
        depths.insert(depth);
        seamless += read.settings.seamless;
        Composition copy(std::move(read.baseLayer), read.settings);
        viewresize::resizeKeepingView(*copy.tree, 96, 60);
        std::vector<std::uint8_t> expected(96 * 60);
        rowloop::GreyBytes sink(expected.data(), 96);
        rowloop::evaluate(*copy.tree, rowloop::wholeTexture(*copy.tree), sink, rowloop::Options());
        const ui::LayerList::Picture* picture = controls.column.layerList->picture(static_cast<int>(row));
        ASSERT_TRUE(picture) << examples[row].path;
        EXPECT_TRUE(textures.pixels[picture->texture] == expected) << examples[row].path;
        pictures.insert(expected);
    }
    EXPECT_EQ(pictures.size(), examples.size());
    for (int t = 0; t < LayerTypeTable::count; ++t) EXPECT_GE(typeUses[t], 2) << LayerTypeTable::names[t];
    EXPECT_EQ(*depths.begin(), 1);
    EXPECT_EQ(*depths.rbegin(), 6);
    EXPECT_GE(seamless, 2);

    controls.column.onKey(layertree::Move::End);
    controls.column.onReturn();
    EXPECT_TRUE(controls.history.scenePath().empty());
    scenefile::ReadResult last = scenefile::read(examples.back().path);
    Renderable* const lastBase = last.baseLayer.get();
    EXPECT_EQ(scenefile::text(controls.baseLayers, 1, controls.sceneSettings), scenefile::text(&lastBase, 1, last.settings));
    controls.history.onUndo();
    EXPECT_EQ(controls.baseLayer()->typeId, 3);
    controls.column.onExamples();
    EXPECT_TRUE(controls.column.layerList->rows().empty());
    EXPECT_EQ(columnShown, (std::vector<bool>{true, false}));
}

} // namespace
