#include "layers/layervariable.h"

#include "app/layercontrols.h"
#include "testlayers.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

class LayerVariableTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(40, 30); }
    LayerControls controls;
};

TEST_F(LayerVariableTest, DefaultConstructedVariable)
{
    LayerVariable v;
    EXPECT_EQ(v.minValue, -1.0f);
    EXPECT_EQ(v.maxValue, 1.0f);
    EXPECT_EQ(v.getValue(), 0.0f);
    EXPECT_STREQ(v.getName(), "");
    EXPECT_EQ(v.getInputLayer(), nullptr);
    EXPECT_EQ(v.getValueAt(3, 4), 0.0f);
}

TEST_F(LayerVariableTest, InitTakesMaximumBeforeMinimumAndDoesNotClamp)
{
    LayerVariable v;
    v.init(nullptr, "Width", 12.0f, 10.0f, 0.001f);
    EXPECT_STREQ(v.getName(), "Width");
    EXPECT_EQ(v.maxValue, 10.0f);
    EXPECT_EQ(v.minValue, 0.001f);
    EXPECT_EQ(v.getValue(), 12.0f);
    EXPECT_EQ(v.getValueAt(0, 0), 12.0f);
}

TEST_F(LayerVariableTest, InitCutsOverlongNamesToTheBuffer)
{
    LayerVariable v;
    const std::string longName(300, 'n');
    v.init(nullptr, longName.c_str(), 0, 1, 0);
    EXPECT_EQ(std::string(v.getName()).size(), 99u);
}

TEST_F(LayerVariableTest, SetValueClampsLowerBoundFirst)
{
    LayerVariable v;
    v.init(nullptr, "v", 1, 10.0f, 0.001f);
    v.setValue(20);
    EXPECT_EQ(v.getValue(), 10.0f);
    v.setValue(-5);
    EXPECT_EQ(v.getValue(), 0.001f);
    v.setValue(3);
    EXPECT_EQ(v.getValue(), 3.0f);

    // With the bounds crossed the maximum always wins, since it is tested last.
    v.init(nullptr, "v", 0, 1.0f, 2.0f);
    v.setValue(1.5f);
    EXPECT_EQ(v.getValue(), 1.0f);
    v.setValue(0);
    EXPECT_EQ(v.getValue(), 1.0f);

    v.setValue(std::numeric_limits<float>::quiet_NaN());
    EXPECT_TRUE(std::isnan(v.getValue()));
}

TEST_F(LayerVariableTest, DrivenVariableMapsInputOntoItsRange)
{
    LayerVariable v;
    v.init(nullptr, "v", 0.9f, 1.0f, -1.0f);
    v.setInputLayer(ProbeLayer::make(0, [](int, int) { return 0.25f; }));
    EXPECT_FLOAT_EQ(v.getValueAt(5, 5), -0.5f);
    v.getInputLayer()->inverse = true;
    EXPECT_FLOAT_EQ(v.getValueAt(5, 5), 0.5f);

    v.setInputLayer(ProbeLayer::make(0, [](int x, int) { return x == 0 ? 0.0f : 1.0f; }));
    EXPECT_EQ(v.getValueAt(0, 0), -1.0f);   // input 0 gives the minimum
    EXPECT_EQ(v.getValueAt(1, 0), 1.0f);    // input 1 gives the maximum
}

TEST_F(LayerVariableTest, DrivenValueIsNotClamped)
{
    LayerVariable v;
    v.init(nullptr, "v", 0, 1.0f, 0.0f);
    v.setInputLayer(ProbeLayer::make(0, [](int, int) { return 1.5f; }));
    EXPECT_FLOAT_EQ(v.getValueAt(0, 0), 1.5f);
}

TEST_F(LayerVariableTest, InputLayerIsSampledAtTheGivenPixel)
{
    LayerVariable v;
    v.init(nullptr, "v", 0, 100.0f, 0.0f);
    v.setInputLayer(ProbeLayer::make(0, [](int x, int y) { return (x + 10 * y) / 100.0f; }));
    EXPECT_FLOAT_EQ(v.getValueAt(3, 4), 43.0f);
}

TEST_F(LayerVariableTest, RemovingTheInputRestoresTheFixedValueIncludingChangesMadeMeanwhile)
{
    LayerVariable v;
    v.init(nullptr, "v", 0.2f, 1.0f, -1.0f);
    v.setInputLayer(ProbeLayer::make(0, [](int, int) { return 1.0f; }));
    v.setValue(0.7f);
    EXPECT_EQ(v.getValueAt(0, 0), 1.0f);
    v.removeInputLayer();
    EXPECT_EQ(v.getInputLayer(), nullptr);
    EXPECT_EQ(v.getValueAt(0, 0), 0.7f);
    v.removeInputLayer();   // nothing to remove: no change
    EXPECT_EQ(v.getValue(), 0.7f);
}

TEST_F(LayerVariableTest, OwnsItsInputLayerAndSetsItsParent)
{
    const int before = ProbeLayer::alive;
    {
        ProbeLayer* owner = ProbeLayer::make(1);
        ProbeLayer* first = ProbeLayer::make(1);
        owner->variables[0].setInputLayer(first);
        EXPECT_EQ(first->parent, owner);
        EXPECT_EQ(ProbeLayer::alive, before + 2);

        // Replacing destroys the previous input; handing back the input it
        // has keeps it.
        ProbeLayer* second = ProbeLayer::make(1);
        owner->variables[0].setInputLayer(second);
        EXPECT_EQ(ProbeLayer::alive, before + 2);
        owner->variables[0].setInputLayer(second);
        EXPECT_EQ(ProbeLayer::alive, before + 2);
        EXPECT_EQ(owner->variables[0].getInputLayer(), second);
        delete owner;
    }
    EXPECT_EQ(ProbeLayer::alive, before);
}

TEST_F(LayerVariableTest, DestroyingALayerDestroysItsWholeChain)
{
    const int before = ProbeLayer::alive;
    ProbeLayer* top = ProbeLayer::make(1);
    Renderable* layer = top;
    for (int depth = 0; depth < 3; ++depth) {
        ProbeLayer* input = ProbeLayer::make(1);
        layer->variables[0].setInputLayer(input);
        layer = input;
    }
    EXPECT_EQ(ProbeLayer::alive, before + 4);
    delete top;
    EXPECT_EQ(ProbeLayer::alive, before);
}

} // namespace
