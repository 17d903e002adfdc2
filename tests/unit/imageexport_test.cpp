// The image export: the size field, the file name, and the files the
// "Export" command writes through the background exporter, compared with
// the renders they must equal.
#include "app/export/exportsize.h"
#include "app/export/imageexport.h"
#include "app/layercontrols.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "shaders/glslsource.h"
#include "shaders/webpage.h"
#include "app/questions/confirmation.h"
#include "randomcomposition.h"
#include "tests/support/failingwrites.h"
#include "tests/support/scriptedchooser.h"
#include "tests/support/testfiles.h"
#include "tests/support/testpng.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>
#include <thread>
#include <vector>

namespace {

// The rows of a layer's pixels as an image file holds them: top row first.
std::vector<std::uint8_t> topRowFirst(const Renderable& layer)
{
    std::vector<std::uint8_t> rows;
    for (int r = layer.textureHeight - 1; r >= 0; --r) {
        const std::uint8_t* row = layer.pixels.data() + static_cast<std::size_t>(r) * layer.textureWidth;
        rows.insert(rows.end(), row, row + layer.textureWidth);
    }
    return rows;
}

TEST(ExportSize, TheFieldTakesWidthByHeightOrStandsForTheDrawingArea)
{
    struct Case {
        const char* text;
        bool ok;
        int width, height;
    } cases[] = {
        {"", true, 400, 470},     {"   ", true, 400, 470}, {"1600x1880", true, 1600, 1880},
        {" 32 X 8 ", true, 32, 8}, {"1x1", true, 1, 1},     {"16384x16384", true, 16384, 16384},
        {"0x10", false, 0, 0},    {"16385x2", true, 16385, 2}, {"10x", false, 0, 0},
        {"2147483647x1", true, 2147483647, 1}, {"1x2147483648", false, 0, 0},
        {"x10", false, 0, 0},     {"10", false, 0, 0},      {"-5x5", false, 0, 0},
        {"1e3x10", false, 0, 0},  {"10x10x10", false, 0, 0}, {"99999999999x1", false, 0, 0},
    };
    for (const Case& c : cases) {
        int w = 0, h = 0;
        std::string error;
        EXPECT_EQ(exportsize::parse(c.text, 400, 470, &w, &h, &error), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(w, c.width) << c.text;
            EXPECT_EQ(h, c.height) << c.text;
        } else {
            EXPECT_NE(error.find("WIDTHxHEIGHT"), std::string::npos) << c.text;
        }
    }
    EXPECT_EQ(exportsize::format(400, 470), "400x470");
    EXPECT_EQ(exportsize::bytesText(exportsize::rawBytes(40000, 30000)), "1.1 GiB");
    EXPECT_EQ(exportsize::bytesText(exportsize::rawBytes(2147483647, 2147483647)), "4.0 EiB");
    EXPECT_EQ(exportsize::bytesText(exportsize::rawBytes(2147483647, 2147483647, 6)), "24 EiB");   // no overflow
    EXPECT_EQ(exportsize::bytesText(1000), "1000 bytes");
}

TEST(ExportSize, PngIsAppendedUnlessTheNameEndsInIt)
{
    EXPECT_EQ(exportsize::withImageSuffix("a"), "a.png");
    EXPECT_EQ(exportsize::withImageSuffix("a.png"), "a.png");
    EXPECT_EQ(exportsize::withImageSuffix("a.PNG"), "a.PNG.png");
    EXPECT_EQ(exportsize::withImageSuffix("a.pgm"), "a.pgm.png");   // never another format
    EXPECT_EQ(exportsize::withImageSuffix(".png.bak"), ".png.bak.png");
    EXPECT_EQ(exportsize::withImageSuffix("a.exr"), "a.exr");
    EXPECT_EQ(exportsize::withImageSuffix("a.tif"), "a.tif");
    EXPECT_EQ(exportsize::withImageSuffix("a.tiff"), "a.tiff");
    EXPECT_EQ(exportsize::withImageSuffix("a.glsl"), "a.glsl");
    EXPECT_EQ(exportsize::withImageSuffix("a.html"), "a.html");
}

class ExportCommand : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(folder.ok());
        controls.setViewportSize(37, 23);
        controls.build(&window);
        controls.fileChooser = &chooser;
        controls.exporter.imageExporter = &exporter;
        controls.infoLine.setField(&info);
        RandomComposition random(11);
        controls.setBaseLayer(random.make(3));
    }

    // Ticks as the main loop does until the exporter has told its outcome.
    std::string finish()
    {
        for (int i = 0; i < 3000; ++i) {
            controls.exporter.tick();
            const std::string& text = info.get_text();
            if (text.rfind("Exported", 0) == 0 || text.rfind("Could not", 0) == 0 || text.rfind("Cancelled", 0) == 0)
                return text;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
        return "timed out: " + info.get_text();
    }

    testfiles::TempFolder folder;
    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    ScriptedChooser chooser;
    imageexport::BackgroundExporter exporter;
    LayerControls controls;
};

TEST_F(ExportCommand, TheButtonsComeBelowSaveToXml)
{
    const auto& children = window.root().children();
    ASSERT_GE(children.size(), 6u);
    EXPECT_EQ(children[2]->label(), "Save to XML");
    EXPECT_EQ(children[3]->label(), "Export");
    EXPECT_EQ(children[5]->label(), "Export size:");
    controls.exporter.tick();
    EXPECT_EQ(controls.exporter.exportSizeField->hint(), "37x23");
}

TEST_F(ExportCommand, WritesTheCurrentLayerAsShownAtTheDrawingAreaSize)
{
    // Down in the tree: the export is the layer on screen, not the base.
    controls.onAssignInputLayer();
    Renderable* shown = controls.currentLayer;
    ASSERT_NE(shown->parent, nullptr);
    chooser.path = folder / "picture";
    controls.exporter.onExport();
    EXPECT_EQ(finish(), "Exported " + (folder / "picture.png") + " (37x23)");

    shown->fillPixels();
    const testpng::Image image = testpng::decode(folder / "picture.png");
    EXPECT_TRUE(image.grey8);
    EXPECT_EQ(image.width, 37);
    EXPECT_EQ(image.height, 23);
    EXPECT_EQ(image.rows, topRowFirst(*shown));
}

TEST_F(ExportCommand, ShadersAndPagesAreTheCurrentLayersByTheirSuffix)
{
    chooser.path = folder / "layer.glsl";
    controls.exporter.onExport();
    EXPECT_EQ(finish(), "Exported " + (folder / "layer.glsl") + " (37x23)");
    glslsource::Options options;
    options.width = 37;
    options.height = 23;
    EXPECT_EQ(testfiles::readFile(folder / "layer.glsl"), glslsource::source(*controls.currentLayer, options));
    chooser.path = folder / "layer.html";
    controls.exporter.onExport();
    EXPECT_EQ(finish(), "Exported " + (folder / "layer.html") + " (37x23)");
    EXPECT_EQ(testfiles::readFile(folder / "layer.html"), webpage::write(*controls.currentLayer, ""));
}

TEST_F(ExportCommand, ABiggerSizeShowsTheSameViewInMorePixels)
{
    controls.exporter.keepAspectBox->set_int_val(0);
    controls.exporter.exportSizeField->type("101x67");
    chooser.path = folder / "big.png";
    controls.exporter.onExport();
    EXPECT_EQ(finish(), "Exported " + (folder / "big.png") + " (101x67)");

    std::unique_ptr<Renderable> expected = cloneLayerTree(*controls.currentLayer);
    viewresize::resizeKeepingView(*expected, 101, 67);
    expected->fillPixels();
    const testpng::Image image = testpng::decode(folder / "big.png");
    EXPECT_EQ(image.rows, topRowFirst(*expected));
    // The composition on screen is untouched.
    EXPECT_EQ(controls.currentLayer->textureWidth, 37);
}

// With Keep aspect, as the viewer starts, another shape shows the drawing
// area's picture scaled to the width, by the engine's one rule.
TEST_F(ExportCommand, KeepAspectScalesTheDrawingAreasPictureToTheWidth)
{
    EXPECT_EQ(controls.exporter.keepAspectBox->label(), "Keep aspect");
    ASSERT_EQ(controls.exporter.keepAspectBox->get_int_val(), 1);
    controls.exporter.exportSizeField->type("101x67");
    chooser.path = folder / "kept.png";
    controls.exporter.onExport();
    ASSERT_EQ(finish().rfind("Exported", 0), 0u);
    std::unique_ptr<Renderable> expected = cloneLayerTree(*controls.currentLayer);
    viewresize::resizeKeepingAspect(*expected, 101, 67, {37, 23});
    expected->fillPixels();
    EXPECT_EQ(testpng::decode(folder / "kept.png").rows, topRowFirst(*expected));
}

// Every file the export writes, on a disk that fills up part way, into a
// folder that cannot be written, and cancelled part way: each is told, and
// the earlier file is all the folder holds.
TEST_F(ExportCommand, EveryFileSurvivesAFullDiskAReadOnlyFolderAndACancel)
{
    ASSERT_EQ(mkdir((folder / "out").c_str(), 0755), 0);
    Renderable* noise = createLayer(0);   // no file of it fits the disk
    noise->setView(0, 0, 40, 40);
    controls.setBaseLayer(noise);
    const auto outcome = [&](const std::string& path, const char* size) {
        controls.exporter.exportSizeField->type(size);
        chooser.path = path;
        controls.exporter.onExport();
        if (size[0] == '1') controls.exporter.exportButton->click();   // a big one, cancelled
        return finish();
    };
    for (const auto& [view, suffix] : {std::pair<const char*, const char*>{"", "png"}, {"normal 4 opengl", "png"},
                                       {"ramp fire", "png"}, {"", "exr"}, {"", "tif"}}) {
        std::string error;
        controls.sceneSettings.viewAs = ViewAs();
        if (*view) ViewAs::parse(view, &controls.sceneSettings.viewAs, &error);
        const std::string path = folder / "out/export." + suffix;
        testfiles::writeFile(path, "earlier");
        {
            failingwrites::FullDisk full(4096);
            EXPECT_EQ(outcome(path, "600x500"), "Could not export " + path + ": File too large");
        }
        {
            failingwrites::ReadOnlyFolder readOnly(folder / "out");
            imageexport::BackgroundExporter fresh;   // its thread starts now, with the folder read-only
            controls.exporter.imageExporter = &fresh;
            EXPECT_TRUE(!readOnly.holds() || outcome(path, "600x500") == "Could not export " + path + ": Permission denied");
            controls.exporter.imageExporter = &exporter;
        }
        EXPECT_EQ(outcome(path, "15000x15000"), "Cancelled the export of " + path);
        EXPECT_EQ(testfiles::readFile(path), "earlier") << view;
        EXPECT_EQ(testfiles::entries(folder / "out"), 1) << view;
        std::remove(path.c_str());
    }
}

TEST_F(ExportCommand, EditsAfterTheStartDoNotReachTheFile)
{
    std::unique_ptr<Renderable> before = cloneLayerTree(*controls.currentLayer);
    chooser.path = folder / "snap.png";
    controls.exporter.onExport();
    controls.panCurrentLayer(5, 3);
    controls.currentLayer->inverse = !controls.currentLayer->inverse;
    EXPECT_EQ(finish().rfind("Exported", 0), 0u);
    before->fillPixels();
    EXPECT_EQ(testpng::decode(folder / "snap.png").rows, topRowFirst(*before));
}

TEST_F(ExportCommand, FailuresAndRefusalsAreReported)
{
    chooser.path = folder / "missing-folder/x.png";
    controls.exporter.onExport();
    const std::string failed = finish();
    EXPECT_EQ(failed.rfind("Could not export " + (folder / "missing-folder/x.png") + ": ", 0), 0u) << failed;
    EXPECT_FALSE(testfiles::exists(folder / "missing-folder"));

    controls.exporter.exportSizeField->type("huge");
    chooser.asked = 0;
    controls.exporter.onExport();
    EXPECT_EQ(info.get_text(), "Export size 'huge' is not WIDTHxHEIGHT with each side 1 to 2147483647");
    EXPECT_EQ(chooser.asked, 0);   // no dialog for a size that cannot be

    controls.exporter.exportSizeField->type("");
    chooser.path.clear();   // cancelled
    info.set_text("");
    controls.exporter.onExport();
    EXPECT_EQ(info.get_text(), "");
    EXPECT_FALSE(exporter.busy());
}

TEST_F(ExportCommand, AnExportAboveAGibibyteAsksFirstAndTheButtonCancelsIt)
{
    struct Answer : Confirmation {
        bool yes = false;
        int asked = 0;
        std::string question, detail;
        bool confirm(const std::string& q, const std::string& d, const std::string&) override
        {
            ++asked, question = q, detail = d;
            return yes;
        }
    } answer;
    controls.exporter.confirmation = &answer;
    chooser.path = folder / "huge.png";

    controls.exporter.exportSizeField->type("40000x30000");
    controls.exporter.onExport();
    EXPECT_EQ(answer.asked, 1);
    EXPECT_EQ(answer.question, "Export an image of 40000x30000 pixels?");
    EXPECT_EQ(answer.detail.rfind("Its pixels take 1.1 GiB", 0), 0u) << answer.detail;

    EXPECT_EQ(info.get_text(), "Export of 40000x30000 pixels not started");
    EXPECT_EQ(chooser.asked, 0);
    EXPECT_FALSE(exporter.busy());
    // The bytes of the file written: an RGB normal map before the dialog,
    // the floats of a TIFF once its name is chosen.
    std::string error;
    ASSERT_TRUE(ViewAs::parse("normal 10 opengl", &controls.sceneSettings.viewAs, &error));
    controls.exporter.onExport();
    EXPECT_EQ(answer.detail.rfind("Its pixels take 3.4 GiB", 0), 0u) << answer.detail;
    controls.sceneSettings.viewAs = ViewAs();
    controls.exporter.exportSizeField->type("20000x20000");
    chooser.path = folder / "huge.tif";
    controls.exporter.onExport();
    EXPECT_EQ(answer.detail.rfind("Its pixels take 1.5 GiB", 0), 0u) << answer.detail;
    EXPECT_EQ(std::vector<int>({chooser.asked, answer.asked}), std::vector<int>({1, 3}));
    answer.asked = 1;
    chooser.path = folder / "huge.png";
    controls.exporter.exportSizeField->type("40000x30000");

    answer.yes = true;
    controls.exporter.onExport();
    EXPECT_EQ(answer.asked, 2);
    ASSERT_TRUE(exporter.busy());
    controls.exporter.tick();
    EXPECT_EQ(controls.exporter.exportButton->label(), "Cancel export");
    controls.exporter.exportButton->click();
    EXPECT_EQ(finish(), "Cancelled the export of " + (folder / "huge.png"));
    EXPECT_FALSE(testfiles::exists(folder / "huge.png"));
    controls.exporter.tick();
    EXPECT_EQ(controls.exporter.exportButton->label(), "Export");

    // Exactly a gibibyte is not asked about.
    controls.exporter.exportSizeField->type("32768x32768");
    controls.exporter.onExport();
    EXPECT_EQ(answer.asked, 2);
    EXPECT_TRUE(exporter.busy());
    exporter.cancel();
    EXPECT_EQ(finish(), "Cancelled the export of " + (folder / "huge.png"));
}

TEST_F(ExportCommand, ASecondExportWaitsForTheFirst)
{
    controls.exporter.exportSizeField->type("2000x2000");
    chooser.path = folder / "one.png";
    controls.exporter.onExport();
    if (exporter.busy()) {
        chooser.path = folder / "two.png";
        controls.exporter.onExport();
        EXPECT_EQ(info.get_text(), "An export is still running; try again when it has finished");
    }
    EXPECT_EQ(finish().rfind("Exported", 0), 0u);
    EXPECT_FALSE(testfiles::exists(folder / "two.png"));
}

} // namespace
