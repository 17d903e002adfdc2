// The "Layer" and "Variable" elements: what a layer writes, byte for byte,
// and what it makes of an element, including elements no writer produces.
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "app/layercontrols.h"
#include "persistence/layerxml.h"
#include "persistence/scenefile.h"

#include <gtest/gtest.h>
#include <tinyxml.h>

#include <memory>
#include <string>

namespace {

using LayerPtr = std::unique_ptr<Renderable>;

class LayerXmlTest : public ::testing::Test {
protected:
    void SetUp() override { controls.setViewportSize(40, 30); }

    static LayerPtr make(int typeId) { return LayerPtr(createLayer(typeId)); }

    // The layer an element text describes, read as the scene reader does.
    static LayerPtr loadLayer(const std::string& layerElement)
    {
        TiXmlDocument doc;
        doc.Parse(layerElement.c_str());
        EXPECT_FALSE(doc.Error()) << doc.ErrorDesc();
        const TiXmlElement* element = doc.RootElement();
        return element ? LayerPtr(layerxml::createLoadedLayer(element)) : nullptr;
    }

    // The element a layer writes, as the file prints it at depth 0.
    static std::string elementText(const Renderable& layer)
    {
        Renderable* const base[] = {const_cast<Renderable*>(&layer)};
        const std::string doc = scenefile::text(base, 1);
        // Cut the two wrapper levels and their indentation away.
        const std::size_t begin = doc.find("<Layer ");
        const std::size_t end = doc.rfind("</Layers>");
        std::string element = doc.substr(begin, end - begin);
        std::string out;
        std::size_t pos = 0;
        while (pos < element.size()) {
            std::size_t nl = element.find('\n', pos);
            std::string line = element.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
            if (line.compare(0, 8, "        ") == 0) line.erase(0, 8);
            out += line + "\n";
            pos = nl == std::string::npos ? element.size() : nl + 1;
        }
        while (!out.empty() && (out.back() == '\n' || out.back() == ' ')) out.pop_back();
        return out;
    }

    LayerControls controls;
};

TEST_F(LayerXmlTest, ALayerWritesItsAttributesInOrderWithSixDecimals)
{
    LayerPtr squares = make(1);
    squares->setView(-0.5f, 20.0f, 0.25f, 1000.0f);
    squares->inverse = true;
    squares->setVariable(0, 0.001f);
    EXPECT_EQ(elementText(*squares),
              "<Layer TypeID=\"1\" x=\"-0.500000\" y=\"20.000000\" zoomx=\"0.250000\" zoomy=\"1000.000000\" inverse=\"1\">\n"
              "    <Variables>\n"
              "        <Variable name=\"Width\" MaxValue=\"5.000000\" MinValue=\"0.001000\" OverrideValue=\"0.001000\" />\n"
              "    </Variables>\n"
              "</Layer>");
}

TEST_F(LayerXmlTest, TinyMagnitudesAreWrittenAsZeroWithTheirSign)
{
    LayerPtr noise = make(0);
    noise->setView(0.0000004f, -0.0000004f, 20, 20);
    noise->variables[0].overrideValue = 12345.6789f;   // beyond float's six decimals
    const std::string text = elementText(*noise);
    EXPECT_NE(text.find("x=\"0.000000\" y=\"-0.000000\""), std::string::npos) << text;
    EXPECT_NE(text.find("OverrideValue=\"12345.678711\""), std::string::npos) << text;

    LayerPtr back = loadLayer(text);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->x, 0.0f);
}

TEST_F(LayerXmlTest, ALayerWithoutVariablesStillWritesTheVariablesElement)
{
    LayerPtr noise = make(0);
    noise->variableCount = 0;
    EXPECT_EQ(elementText(*noise),
              "<Layer TypeID=\"0\" x=\"0.000000\" y=\"0.000000\" zoomx=\"20.000000\" zoomy=\"20.000000\" inverse=\"0\">\n"
              "    <Variables />\n"
              "</Layer>");
}

TEST_F(LayerXmlTest, NamesAreEscapedAsXmlRequires)
{
    LayerPtr noise = make(0);
    std::snprintf(noise->variables[0].name, LayerVariable::nameCapacity, "a<b&\"c'>");
    const std::string text = elementText(*noise);
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    ASSERT_FALSE(doc.Error()) << text;
    const TiXmlElement* variable = doc.RootElement()->FirstChildElement("Variables")->FirstChildElement("Variable");
    ASSERT_TRUE(variable);
    EXPECT_STREQ(variable->Attribute("name"), "a<b&\"c'>");
}

TEST_F(LayerXmlTest, ReadingRestoresViewInverseBoundsAndOverrideValues)
{
    LayerPtr circles = loadLayer(
        "<Layer TypeID=\"2\" x=\"3.25\" y=\"-1.5\" zoomx=\"10\" zoomy=\"4.5\" inverse=\"1\"><Variables>"
        "<Variable name=\"Radius\" MaxValue=\"7\" MinValue=\"-3\" OverrideValue=\"1.25\" />"
        "<Variable name=\"Spacing\" MaxValue=\"10\" MinValue=\"0.001\" OverrideValue=\"12\" />"
        "</Variables></Layer>");
    ASSERT_TRUE(circles);
    EXPECT_EQ(circles->typeId, 2);
    EXPECT_EQ(circles->x, 3.25f);
    EXPECT_EQ(circles->y, -1.5f);
    EXPECT_EQ(circles->zoomx, 10.0f);
    EXPECT_EQ(circles->zoomy, 4.5f);
    EXPECT_TRUE(circles->inverse);
    EXPECT_EQ(circles->variables[0].maxValue, 7.0f);
    EXPECT_EQ(circles->variables[0].minValue, -3.0f);
    EXPECT_EQ(circles->variables[0].getValue(), 1.25f);
    // Kept as stored, above its maximum, and written back unchanged.
    EXPECT_EQ(circles->variables[1].getValue(), 12.0f);
    EXPECT_NE(elementText(*circles).find("MaxValue=\"10.000000\" MinValue=\"0.001000\" OverrideValue=\"12.000000\""),
              std::string::npos);
    // The stored view is the one the mapping draws: pixel (0, 0) at the
    // view's lower-left corner.
    float px = 0, py = 0;
    circles->mapping.windowToLayer(px, py);
    EXPECT_FLOAT_EQ(px, 3.25f - 5.0f);
    EXPECT_FLOAT_EQ(py, -1.5f - 2.25f);
}

TEST_F(LayerXmlTest, VariablesMatchByPositionNotByName)
{
    LayerPtr circles = loadLayer(
        "<Layer TypeID=\"2\"><Variables>"
        "<Variable name=\"Spacing\" OverrideValue=\"4\" />"
        "</Variables></Layer>");
    ASSERT_TRUE(circles);
    EXPECT_EQ(circles->variables[0].getValue(), 4.0f);   // Radius
    EXPECT_EQ(circles->variables[1].getValue(), 2.0f);   // Spacing keeps its default
    EXPECT_STREQ(circles->variables[0].getName(), "Radius");

    LayerPtr noise = loadLayer(
        "<Layer TypeID=\"0\"><Variables>"
        "<Variable OverrideValue=\"0.25\" /><Variable OverrideValue=\"0.75\" />"
        "</Variables></Layer>");
    ASSERT_TRUE(noise);
    EXPECT_EQ(noise->variables[0].getValue(), 0.25f);    // Cutoff; the second is ignored

    // Any element takes a position; comments and text take none.
    LayerPtr withComments = loadLayer(
        "<Layer TypeID=\"2\"><Variables>text<!-- a comment -->"
        "<Other OverrideValue=\"5\" /><!-- another -->  more text "
        "<Variable OverrideValue=\"6\" /></Variables></Layer>");
    ASSERT_TRUE(withComments);
    EXPECT_EQ(withComments->variables[0].getValue(), 5.0f);
    EXPECT_EQ(withComments->variables[1].getValue(), 6.0f);
}

TEST_F(LayerXmlTest, AbsentOrUnreadableAttributesKeepTheDefaults)
{
    LayerPtr noise = loadLayer(
        "<Layer TypeID=\"0\" x=\"abc\" y=\"\" zoomx=\"nan\" zoomy=\"inf\" inverse=\"yes\"><Variables>"
        "<Variable MaxValue=\"1e999\" MinValue=\"-inf\" OverrideValue=\"NaN\" /></Variables></Layer>");
    ASSERT_TRUE(noise);
    EXPECT_EQ(noise->x, 0.0f);
    EXPECT_EQ(noise->y, 0.0f);
    EXPECT_EQ(noise->zoomx, 20.0f);
    EXPECT_EQ(noise->zoomy, 20.0f);
    EXPECT_FALSE(noise->inverse);
    EXPECT_EQ(noise->variables[0].maxValue, 1.0f);
    EXPECT_EQ(noise->variables[0].minValue, -1.0f);
    EXPECT_EQ(noise->variables[0].getValue(), 0.5f);

    // Beyond float's range is as unreadable as infinity.
    LayerPtr big = loadLayer("<Layer TypeID=\"0\" x=\"1e39\"><Variables /></Layer>");
    ASSERT_TRUE(big);
    EXPECT_EQ(big->x, 0.0f);

    // Without "Variables" every variable keeps its default.
    LayerPtr bare = loadLayer("<Layer TypeID=\"2\" x=\"1\" />");
    ASSERT_TRUE(bare);
    EXPECT_EQ(bare->x, 1.0f);
    EXPECT_EQ(bare->variables[0].getValue(), 2.0f);
    EXPECT_EQ(bare->variables[1].getValue(), 2.0f);
}

TEST_F(LayerXmlTest, NumbersAreReadLikeScanf)
{
    // A leading number counts and the rest is ignored; "%d" stops at the point.
    LayerPtr layer = loadLayer("<Layer TypeID=\" 2junk\" x=\"  1.5e1xyz\" y=\"-.25\" inverse=\"1.9\" />");
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->typeId, 2);
    EXPECT_EQ(layer->x, 15.0f);
    EXPECT_EQ(layer->y, -0.25f);
    EXPECT_TRUE(layer->inverse);

    LayerPtr cleared = loadLayer("<Layer TypeID=\"0\" inverse=\"0\" />");
    ASSERT_TRUE(cleared);
    EXPECT_FALSE(cleared->inverse);
}

TEST_F(LayerXmlTest, ExtentsThatAreNotPositiveKeepTheDefault)
{
    LayerPtr layer = loadLayer("<Layer TypeID=\"1\" zoomx=\"0\" zoomy=\"-4\" />");
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->zoomx, 20.0f);
    EXPECT_EQ(layer->zoomy, 20.0f);
}

TEST_F(LayerXmlTest, StoredViewsObeyTheViewLimits)
{
    LayerPtr layer = loadLayer("<Layer TypeID=\"1\" x=\"1e30\" y=\"-1e30\" zoomx=\"0.001\" zoomy=\"1e20\" />");
    ASSERT_TRUE(layer);
    EXPECT_EQ(layer->x, 1e5f);
    EXPECT_EQ(layer->y, -1e5f);
    EXPECT_EQ(layer->zoomx, 0.1f);
    EXPECT_EQ(layer->zoomy, 1e6f);
}

TEST_F(LayerXmlTest, TypeIdIsReadAsAnInteger)
{
    EXPECT_EQ(loadLayer("<Layer TypeID=\"1.7\" />")->typeId, 1);   // Squares
    EXPECT_EQ(loadLayer("<Layer TypeID=\"-0\" />")->typeId, 0);
    for (int type : {3, 4, 5, 6, 7, 8, 9, 10}) EXPECT_EQ(loadLayer("<Layer TypeID=\"" + std::to_string(type) + "\" />")->typeId, type);
    for (const char* bad : {"<Layer />", "<Layer TypeID=\"\" />", "<Layer TypeID=\"Noise\" />",
                            "<Layer TypeID=\"11\" />", "<Layer TypeID=\"-1\" />",
                            "<Layer TypeID=\"4294967296\" />", "<Layer TypeID=\"99999999999999999999\" />"})
        EXPECT_FALSE(loadLayer(bad)) << bad;
}

TEST_F(LayerXmlTest, OnlyTheFirstLayerChildOfAVariableDrivesIt)
{
    LayerPtr noise = loadLayer(
        "<Layer TypeID=\"0\"><Variables><Variable>"
        "<Layer TypeID=\"1\" x=\"1\" /><Layer TypeID=\"2\" x=\"2\" />"
        "</Variable></Variables></Layer>");
    ASSERT_TRUE(noise);
    Renderable* input = noise->variables[0].getInputLayer();
    ASSERT_TRUE(input);
    EXPECT_EQ(input->typeId, 1);
    EXPECT_EQ(input->x, 1.0f);
    EXPECT_EQ(input->parent, noise.get());
}

TEST_F(LayerXmlTest, AnInputLayerOfNoKnownTypeLeavesTheVariableFixed)
{
    LayerPtr noise = loadLayer(
        "<Layer TypeID=\"0\"><Variables><Variable OverrideValue=\"0.25\">"
        "<Layer TypeID=\"11\" /><Layer TypeID=\"1\" />"
        "</Variable></Variables></Layer>");
    ASSERT_TRUE(noise);
    EXPECT_EQ(noise->variables[0].getInputLayer(), nullptr);
    EXPECT_EQ(noise->variables[0].getValue(), 0.25f);
}

} // namespace
