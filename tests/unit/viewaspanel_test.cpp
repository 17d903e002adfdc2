// "View as": what the drawing area shows of the values, as a scene setting.
// Only the texture changes; the grey picture, its statistics and the layers
// stay; undo brings Grey back; the file keeps viewAs after seamless.
#include "app/layercontrols.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "layers/texturebackend.h"
#include "layers/viewpicture.h"
#include "persistence/scenefile.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

namespace {

class ColourBackend : public TextureBackend {
public:
    unsigned createTexture() override { return 1; }
    void uploadTexture(unsigned, int width, int height, const std::uint8_t* pixels) override
    {
        last.assign(pixels, pixels + width * height);
        colour = false;
    }
    void uploadRgbTexture(unsigned, int width, int height, const std::uint8_t* rgb) override
    {
        last.assign(rgb, rgb + 3 * width * height);
        colour = true;
    }
    void drawTexture(unsigned, float) override {}
    void drawTextureTiles(unsigned, float, float, float, int) override {}
    void deleteTexture(unsigned) override {}
    std::vector<std::uint8_t> last;
    bool colour = false;
};

TEST(ViewAsPanel, ChangesOnlyTheTextureIsUndoneAndSavedAfterSeamless)
{
    ui::ControlWindow window;
    ColourBackend backend;
    LayerControls controls;
    controls.textureBackend = &backend;
    controls.picture.renderer.clock = [] { return 0.0; };   // exact pictures only
    controls.build(&window);
    controls.setViewportSize(23, 17);
    controls.setBaseLayer(createLayer(0));
    controls.settingsPanel.seamlessCheckbox->toggle();
    const auto settle = [&] {
        for (int i = 0; i < 100000 && !controls.tick(); ++i)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
    };
    settle();
    ASSERT_FALSE(backend.colour);
    const std::vector<std::uint8_t> grey = controls.picture.picture.pixels;
    const std::string caption = controls.picture.statistics->caption();
    const std::string file = scenefile::text(controls.baseLayers, 1, controls.sceneSettings);
    ASSERT_EQ(backend.last, grey);

    // The values, row 0 at the bottom, for the views' pictures.
    std::vector<float> values;
    for (int j = 0; j < 17; ++j)
        for (int i = 0; i < 23; ++i) values.push_back(controls.currentLayer->pixelValue(i, j));

    controls.settingsPanel.viewAsList->choose(static_cast<int>(ViewAs::Kind::normal));
    controls.settingsPanel.viewSettingField->type("2.5 directx");
    controls.settingsPanel.viewSettingField->commit();
    settle();
    ViewAs normal;
    normal.kind = ViewAs::Kind::normal;
    normal.normal = {2.5, normalmap::Convention::directx};
    EXPECT_TRUE(backend.colour);
    EXPECT_EQ(backend.last, viewpicture::colours(values, 23, 17, normal, true));
    EXPECT_EQ(controls.picture.picture.pixels, grey);
    EXPECT_EQ(controls.picture.statistics->caption(), caption);
    std::string expected = file;
    expected.replace(expected.find("seamless=\"1\"") + 12, 0, " viewAs=\"normal 2.5 directx\"");
    EXPECT_EQ(scenefile::text(controls.baseLayers, 1, controls.sceneSettings), expected);

    controls.settingsPanel.viewAsList->choose(static_cast<int>(ViewAs::Kind::ramp));
    controls.settingsPanel.viewSettingField->type("0:#000000,2:#ffffff");   // refused: nothing changes
    controls.settingsPanel.viewSettingField->commit();
    EXPECT_NE(controls.infoLine.outcome().find("'2:#ffffff'"), std::string::npos) << controls.infoLine.outcome();
    EXPECT_EQ(controls.settingsPanel.viewSettingField->get_text(), "grey");
    controls.settingsPanel.viewSettingField->type("fire");
    controls.settingsPanel.viewSettingField->commit();
    settle();
    ViewAs fire;
    std::string error;
    ASSERT_TRUE(ViewAs::parse("ramp fire", &fire, &error));
    EXPECT_EQ(backend.last, viewpicture::colours(values, 23, 17, fire, true));
    const scenefile::ReadResult back = scenefile::parse(scenefile::text(controls.baseLayers, 1, controls.sceneSettings));
    EXPECT_EQ(back.settings.viewAs.text(), "ramp fire");

    // Four steps back (fire, the ramp, the strength, the normal map): Grey.
    for (int k = 0; k < 4; ++k) controls.history.onUndo();
    settle();
    EXPECT_EQ(controls.settingsPanel.viewAsList->get_int_val(), static_cast<int>(ViewAs::Kind::grey));
    EXPECT_FALSE(controls.settingsPanel.viewSettingField->enabled());
    EXPECT_FALSE(backend.colour);
    EXPECT_EQ(backend.last, grey);
    EXPECT_EQ(scenefile::text(controls.baseLayers, 1, controls.sceneSettings), file);

    // A view that cannot be read: the scene loads, grey, with a note.
    std::string bad = file;
    bad.replace(bad.find("seamless=\"1\"") + 12, 0, " viewAs=\"normal strong opengl\"");
    const scenefile::ReadResult odd = scenefile::parse(bad);
    ASSERT_TRUE(odd.baseLayer);
    EXPECT_EQ(odd.settings.viewAs.kind, ViewAs::Kind::grey);
    EXPECT_NE(odd.warning.find("normal strong opengl"), std::string::npos);
}

} // namespace
