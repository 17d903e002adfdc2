// Scene files as a whole: the writer's bytes, round trips, what the reader
// makes of odd and hostile files, the controller's read and write, and
// atomic saving.
#include "persistence/scenefile.h"

#include "app/layercontrols.h"
#include "layers/layerfields.h"
#include "layers/layertypetable.h"
#include "layers/renderable.h"
#include "persistence/scenelimits.h"
#include "persistence/xmlscan.h"

#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <type_traits>
#include <unistd.h>
#include <vector>

namespace {

using LayerPtr = std::unique_ptr<Renderable>;

// The composition of the documented example: a Circles base layer whose
// "Spacing" is driven by an inverted Noise layer with the same view.
const char* const exampleScene =
    "<?xml version=\"1.0\" ?>\n"
    "<Patternlens>\n"
    "    <Layers>\n"
    "        <Layer TypeID=\"2\" x=\"3.250000\" y=\"-1.500000\" zoomx=\"10.000000\" zoomy=\"10.000000\" inverse=\"0\">\n"
    "            <Variables>\n"
    "                <Variable name=\"Radius\" MaxValue=\"10.000000\" MinValue=\"0.001000\" OverrideValue=\"2.000000\" />\n"
    "                <Variable name=\"Spacing\" MaxValue=\"10.000000\" MinValue=\"0.001000\" OverrideValue=\"3.500000\">\n"
    "                    <Layer TypeID=\"0\" x=\"3.250000\" y=\"-1.500000\" zoomx=\"10.000000\" zoomy=\"10.000000\" inverse=\"1\">\n"
    "                        <Variables>\n"
    "                            <Variable name=\"Cutoff\" MaxValue=\"1.000000\" MinValue=\"-1.000000\" OverrideValue=\"0.500000\" />\n"
    "                        </Variables>\n"
    "                    </Layer>\n"
    "                </Variable>\n"
    "            </Variables>\n"
    "        </Layer>\n"
    "    </Layers>\n"
    "</Patternlens>\n";

const char* const emptyScene =
    "<?xml version=\"1.0\" ?>\n"
    "<Patternlens>\n"
    "    <Layers />\n"
    "</Patternlens>\n";

std::string sceneWith(const std::string& layersContent)
{
    return "<?xml version=\"1.0\" ?><Patternlens><Layers>" + layersContent + "</Layers></Patternlens>";
}

using testfiles::readFile;
using testfiles::writeFile;

std::vector<std::string> filesIn(const std::string& directory)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(directory.c_str())) {
        while (dirent* e = readdir(d)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.push_back(name);
        }
        closedir(d);
    }
    return names;
}

class SceneFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        controls.setViewportSize(16, 12);
        char pattern[] = "/tmp/scenefile_test.XXXXXX";
        ASSERT_TRUE(mkdtemp(pattern));
        directory = pattern;
    }
    void TearDown() override
    {
        chmod(directory.c_str(), 0755);
        const std::string command = "rm -rf '" + directory + "'";
        ASSERT_EQ(std::system(command.c_str()), 0);
    }

    std::string path(const std::string& name) const { return directory + "/" + name; }

    static std::string textOf(Renderable* base)
    {
        Renderable* const layers[] = {base};
        return scenefile::text(layers, base ? 1 : 0);
    }

    static LayerPtr buildExample()
    {
        LayerPtr circles(createLayer(2));
        circles->setView(3.25f, -1.5f, 10, 10);
        circles->setVariable(1, 3.5f);
        Renderable* noise = createLayer(0);
        noise->inverse = true;
        circles->attachInput(1, noise);
        return circles;
    }

    LayerControls controls;
    std::string directory;
};

// --- The writer's bytes ---

TEST_F(SceneFileTest, TheDocumentedExampleIsWrittenByteForByte)
{
    LayerPtr example = buildExample();
    EXPECT_EQ(textOf(example.get()), exampleScene);

    controls.setBaseLayer(example.release());
    ASSERT_TRUE(controls.writeSceneFile(path("example.xml")));
    EXPECT_EQ(readFile(path("example.xml")), exampleScene);
}

TEST_F(SceneFileTest, NoBaseLayerGivesAnEmptyLayersElementAndReadsAsNoLayer)
{
    EXPECT_EQ(textOf(nullptr), emptyScene);
    ASSERT_TRUE(controls.writeSceneFile(path("empty.xml")));
    EXPECT_EQ(readFile(path("empty.xml")), emptyScene);

    scenefile::ReadResult r = scenefile::read(path("empty.xml"));
    EXPECT_FALSE(r.baseLayer);
    EXPECT_EQ(r.error, "the file holds no layer");
}

// --- Round trips ---

// A random tree: random types, views, inverse flags, bounds and values, with
// input layers down to the given depth.
LayerPtr randomTree(std::mt19937& rng, int depth)
{
    std::uniform_int_distribution<int> type(0, LayerTypeTable::count - 1);
    std::uniform_real_distribution<float> centre(-2000.0f, 2000.0f), extent(0.1f, 500.0f), value(-50.0f, 50.0f);
    LayerPtr layer(createLayer(type(rng)));
    layer->setView(centre(rng), centre(rng), extent(rng), extent(rng));
    layer->inverse = rng() % 2 == 0;
    for (int i = 0; i < layer->variableCount; ++i) {
        LayerVariable& v = layer->variables[i];
        v.minValue = value(rng);
        v.maxValue = value(rng);                       // in either order
        v.overrideValue = value(rng) * 3;              // may lie outside the bounds
        if (depth > 0 && rng() % 3 != 0) v.setInputLayer(randomTree(rng, depth - 1).release());
    }
    return layer;
}

// Every field the file holds, as the field list names them: six decimals
// survive, and floats near these values carry no more.
struct ExpectSameField {
    bool view;   // a layer's view, else a variable's value
    template <typename F, typename T>
    void operator()(F field, const T& a, const T& b) const
    {
        if constexpr (layerfields::walks<F>(layerfields::file)) {
            if constexpr (std::is_floating_point_v<T>)
                EXPECT_NEAR(a, b, view ? 1e-6 + 1e-7 * std::abs(a) : 1e-5) << field.xmlName;
            else if constexpr (std::is_array_v<T>) EXPECT_STREQ(a, b) << field.xmlName;
            else EXPECT_EQ(a, b) << field.xmlName;
        }
    }
};

void expectSameTree(const Renderable& a, const Renderable& b, const std::string& where)
{
    SCOPED_TRACE(where);
    layerfields::forEachLayerField(ExpectSameField{true}, a, b);
    ASSERT_EQ(a.variableCount, b.variableCount);
    for (int i = 0; i < a.variableCount; ++i) {
        const LayerVariable& va = a.variables[i];
        const LayerVariable& vb = b.variables[i];
        layerfields::forEachVariableField(ExpectSameField{false}, va, vb);
        ASSERT_EQ(va.getInputLayer() != nullptr, vb.getInputLayer() != nullptr);
        if (vb.getInputLayer()) {
            EXPECT_EQ(vb.getInputLayer()->parent, &b);
            expectSameTree(*va.getInputLayer(), *vb.getInputLayer(), where + "/" + std::to_string(i));
        }
    }
}

TEST_F(SceneFileTest, RandomTreesSurviveAndAreWrittenAgainByteForByte)
{
    std::mt19937 rng(1234);
    for (int round = 0; round < 25; ++round) {
        LayerPtr original = randomTree(rng, 4);
        const std::string first = textOf(original.get());
        scenefile::ReadResult r = scenefile::parse(first);
        ASSERT_TRUE(r.baseLayer) << r.error;
        expectSameTree(*original, *r.baseLayer, "round " + std::to_string(round));
        EXPECT_EQ(textOf(r.baseLayer.get()), first);
    }
}

TEST_F(SceneFileTest, TheExampleReadsBackAsTheComposition)
{
    writeFile(path("example.xml"), exampleScene);
    ASSERT_TRUE(controls.readSceneFile(path("example.xml")));
    Renderable* base = controls.baseLayers[0];
    ASSERT_TRUE(base);
    EXPECT_EQ(controls.currentLayer, base);
    LayerPtr expected = buildExample();
    expectSameTree(*expected, *base, "example");
    EXPECT_EQ(textOf(base), exampleScene);
}

TEST_F(SceneFileTest, WindowsLineEndsReadLikeUnixOnes)
{
    std::string crlf;
    for (const char* c = exampleScene; *c; ++c) {
        if (*c == '\n') crlf += '\r';
        crlf += *c;
    }
    scenefile::ReadResult r = scenefile::parse(crlf);
    ASSERT_TRUE(r.baseLayer) << r.error;
    EXPECT_EQ(textOf(r.baseLayer.get()), exampleScene);
}

// --- Base layers ---

TEST_F(SceneFileTest, OfSeveralBaseLayersTheLastOfAKnownTypeWins)
{
    scenefile::ReadResult r = scenefile::parse(sceneWith(
        "<Layer TypeID=\"1\" x=\"1\" /><!-- between --><Layer TypeID=\"2\" x=\"2\" /><Layer TypeID=\"11\" x=\"3\" />"
        "<Layer x=\"4\" />text"));
    ASSERT_TRUE(r.baseLayer) << r.error;
    EXPECT_EQ(r.baseLayer->typeId, 2);
    EXPECT_EQ(r.baseLayer->x, 2.0f);
}

TEST_F(SceneFileTest, AHundredThousandBaseLayersLoadQuicklyAndTheLastWins)
{
    std::string layers;
    for (int i = 0; i < 100000; ++i) layers += "<Layer TypeID=\"0\" x=\"" + std::to_string(i % 100) + "\" />";
    layers += "<Layer TypeID=\"1\" x=\"7.5\" />";
    writeFile(path("many.xml"), sceneWith(layers));

    // Full-size textures: building and rendering each layer would take
    // minutes.
    controls.setViewportSize(400, 470);
    const auto start = std::chrono::steady_clock::now();
    ASSERT_TRUE(controls.readSceneFile(path("many.xml")));
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    EXPECT_LT(seconds, 20.0);
    EXPECT_EQ(controls.baseLayers[0]->typeId, 1);
    EXPECT_EQ(controls.baseLayers[0]->x, 7.5f);
}

// --- The controller's reader ---

TEST_F(SceneFileTest, FailedReadsLeaveTheCompositionAndSayWhy)
{
    Renderable* before = createLayer(1);
    controls.setBaseLayer(before);

    struct Case {
        const char* name;
        std::string contents;
        std::string error;
    };
    const std::vector<Case> cases = {
        {"broken.xml", "<Patternlens><Layers></Patternlens>", "not well-formed XML: "},
        {"empty.xml", "", "not a scene file: the file is empty"},
        {"blank.xml", " \n\t\r\n", "not a scene file: the file is empty"},
        {"text.xml", "Dear diary,\nno markup here.", "not a scene file"},
        {"bom.xml", "\xEF\xBB\xBF  <Patternlens><Layers></Patternlens>", "not well-formed XML: "},
        {"foreign.xml", "<Other><Layers><Layer TypeID=\"0\" /></Layers></Other>", "not a scene file: no \"Patternlens\""},
        {"nolayers.xml", "<Patternlens><Layer TypeID=\"0\" /></Patternlens>", "not a scene file: no \"Layers\""},
        {"unknown.xml", sceneWith("<Layer TypeID=\"11\" /><Layer />"), "the file holds no layer"},
        {"dtd.xml", "<!DOCTYPE Patternlens [\n<!ELEMENT Patternlens (Layers)>\n]>\n<Patternlens><Layers><Layer TypeID=\"0\" /></Layers></Patternlens>",
         "document type definitions are not supported"},
        {"cut.xml", "<Patternlens><Layers>", "not well-formed XML: the file ends before its elements are closed"},
        {"cut-at-line-end.xml", "<Patternlens>\n<Layers>\n", "not well-formed XML: the file ends before its elements are closed"},
    };
    for (const Case& c : cases) {
        writeFile(path(c.name), c.contents);
        std::string error;
        EXPECT_FALSE(controls.readSceneFile(path(c.name), &error)) << c.name;
        EXPECT_EQ(error.compare(0, c.error.size(), c.error), 0) << c.name << ": " << error;
        EXPECT_EQ(controls.baseLayers[0], before);
        EXPECT_EQ(controls.currentLayer, before);
    }

    std::string error;
    EXPECT_FALSE(controls.readSceneFile(path("missing.xml"), &error));
    EXPECT_EQ(error, "No such file or directory");
    EXPECT_FALSE(controls.readSceneFile(directory, &error));
    EXPECT_EQ(error, "Is a directory");
    // Nothing that is not a regular file is waited for: a pipe without a
    // writer is refused at once, through a symbolic link too.
    ASSERT_EQ(mkfifo(path("pipe.xml").c_str(), 0600), 0);
    ASSERT_EQ(symlink(path("pipe.xml").c_str(), path("link.xml").c_str()), 0);
    for (const std::string& p : {path("pipe.xml"), path("link.xml")}) {
        EXPECT_FALSE(controls.readSceneFile(p, &error));
        EXPECT_EQ(error, "not a regular file (a named pipe)");
    }
    EXPECT_FALSE(controls.readSceneFile("/dev/zero", &error));
    EXPECT_EQ(error, "not a regular file (a character device)");
    EXPECT_EQ(controls.baseLayers[0], before);
}

TEST_F(SceneFileTest, ParseErrorsGiveTheLine)
{
    scenefile::ReadResult r = scenefile::parse("<Patternlens>\n<Layers>\n<Layer TypeID=\"0\" \"x\" />\n");
    EXPECT_FALSE(r.baseLayer);
    EXPECT_NE(r.error.find("(line 3, column"), std::string::npos) << r.error;
}

TEST_F(SceneFileTest, ASuccessfulReadReplacesTheCompositionAndShowsTheBase)
{
    controls.setBaseLayer(createLayer(0));
    writeFile(path("example.xml"), exampleScene);
    controls.takeRedrawRequest();
    ASSERT_TRUE(controls.readSceneFile(path("example.xml")));
    EXPECT_EQ(controls.baseLayerCount, 1);
    EXPECT_EQ(controls.baseLayers[0]->typeId, 2);
    EXPECT_EQ(controls.currentLayer, controls.baseLayers[0]);
    EXPECT_TRUE(controls.takeRedrawRequest());   // shown with its stored view on the next tick
}

// --- Hostile files ---

TEST_F(SceneFileTest, TruncatedFilesAreRefusedWithoutHarm)
{
    const std::string full = exampleScene;
    const std::size_t lastTag = full.rfind('>');
    for (std::size_t n = 0; n < lastTag; ++n) {
        scenefile::ReadResult r = scenefile::parse(full.substr(0, n));
        EXPECT_FALSE(r.baseLayer) << n;
        EXPECT_FALSE(r.error.empty()) << n;
        EXPECT_EQ(r.error.find("(line 0,"), std::string::npos) << n << ": " << r.error;
    }
}

TEST_F(SceneFileTest, BinaryFilesAreRefusedWithoutHarm)
{
    std::mt19937 rng(99);
    for (int round = 0; round < 50; ++round) {
        std::string bytes(4096, '\0');
        for (char& c : bytes) c = static_cast<char>(rng());
        if (round % 2) bytes[0] = '<';   // past the first byte as well
        writeFile(path("binary"), bytes);
        std::string error;
        EXPECT_FALSE(controls.readSceneFile(path("binary"), &error));
        EXPECT_FALSE(error.empty());
    }
    EXPECT_EQ(controls.baseLayerCount, 0);
}

TEST_F(SceneFileTest, DeepNestingIsRefusedBeforeParsing)
{
    std::string deep = "<Patternlens><Layers>";
    for (int i = 0; i < 100000; ++i) deep += "<Layer TypeID=\"0\"><Variables><Variable>";
    writeFile(path("deep.xml"), deep);   // unclosed, and never parsed
    std::string error;
    EXPECT_FALSE(controls.readSceneFile(path("deep.xml"), &error));
    // Told in layers, the whole depth of the file against the limit.
    EXPECT_EQ(error, "nested 100,000 layers deep; the limit is 1,332");

    // Disguises the parser sees through do not hide the nesting.
    std::string disguised = "<?xml version=\"></a>\" ?><!-- </a> --><Patternlens><Layers>";
    for (int i = 0; i < 100000; ++i) disguised += "<a b=\"/>\" c='</a>'><![CDATA[</a>]]><!-- </a> -->";
    // Told in elements when they are not layers.
    EXPECT_EQ(scenefile::parse(disguised).error, "elements nested too deep: 100,002 levels; the limit is 4,000");
}

// A chain of Noise layers, each driving the Cutoff of the one above.
std::string chainScene(int layers)
{
    std::string open, close;
    for (int i = 0; i < layers; ++i) {
        open += "<Layer TypeID=\"0\" x=\"" + std::to_string(i) + "\"><Variables><Variable>";
        close = "</Variable></Variables></Layer>" + close;
    }
    return sceneWith(open + close);
}

TEST_F(SceneFileTest, AChainAsDeepAsTheLimitAllowsLoads)
{
    // Patternlens > Layers, then three levels per layer.
    const int layers = (scenelimits::maxElementDepth - 2) / 3;
    ASSERT_GE(layers, 1000);
    writeFile(path("chain.xml"), chainScene(layers));
    ASSERT_TRUE(controls.readSceneFile(path("chain.xml")));
    int depth = 0;
    for (Renderable* l = controls.baseLayers[0]; l; l = l->variables[0].getInputLayer()) {
        EXPECT_EQ(l->x, static_cast<float>(depth));
        ++depth;
    }
    EXPECT_EQ(depth, layers);
    // And writes, rereads and destroys without trouble.
    ASSERT_TRUE(controls.writeSceneFile(path("again.xml")));
    ASSERT_TRUE(controls.readSceneFile(path("again.xml")));

    const scenefile::ReadResult deeper = scenefile::parse(chainScene(layers + 1));
    EXPECT_FALSE(deeper.baseLayer);
    EXPECT_EQ(deeper.error, "nested 1,333 layers deep; the limit is 1,332");
}

TEST_F(SceneFileTest, FilesBeyondTheSizeLimitAreRefusedUnread)
{
    const std::string big = path("big.xml");
    std::FILE* f = std::fopen(big.c_str(), "wb");
    ASSERT_TRUE(f);
    ASSERT_EQ(ftruncate(fileno(f), static_cast<off_t>(scenelimits::maxSceneBytes) + 1), 0);
    std::fclose(f);
    std::string error;
    EXPECT_FALSE(controls.readSceneFile(big, &error));
    EXPECT_EQ(error, "refused: larger than the limit of 128 MiB");
}

TEST_F(SceneFileTest, DocumentsThatWouldCostTheParserTooMuchAreRefused)
{
    // Many nodes: memory.
    std::string flat;
    for (std::size_t i = 0; i <= scenelimits::maxNodes; ++i) flat += "<!---->";
    EXPECT_EQ(scenefile::parse(sceneWith(flat)).error, "refused: more than 2000000 XML nodes");

    // Many nodes deep down: time.
    std::string deepLeaves;
    for (int i = 0; i < 3900; ++i) deepLeaves += "<a>";
    for (int i = 0; i < 30000; ++i) deepLeaves += "<b/>";
    EXPECT_EQ(scenefile::parse(sceneWith(deepLeaves)).error.compare(0, 40, "refused: too many XML nodes this deep (t"), 0);

    // Many attributes on one element: time.
    std::string attributes = "<Layer TypeID=\"0\"";
    for (int i = 0; i < scenelimits::maxAttributesPerElement; ++i) attributes += " a" + std::to_string(i) + "=''";
    EXPECT_EQ(scenefile::parse(sceneWith(attributes + " />")).error,
              "refused: an element with more than 32 attributes");
}

// --- The shape scan ---

xmlscan::Shape shapeOf(const std::string& text)
{
    xmlscan::Shape unlimited;
    unlimited.deepestNesting = 1 << 30;
    unlimited.nodes = unlimited.depthWork = static_cast<std::size_t>(-1);
    unlimited.mostAttributes = 1 << 30;
    return xmlscan::measure(text.data(), text.size(), unlimited);
}

int nesting(const std::string& text)
{
    return shapeOf(text).deepestNesting;
}

TEST(XmlScan, CountsElementsAsTheParserNestsThem)
{
    EXPECT_EQ(nesting(""), 0);
    EXPECT_EQ(nesting("<a/>"), 1);
    EXPECT_EQ(nesting("<a><b/><b></b></a>"), 2);
    // Patternlens > Layers > Layer > Variables > Variable > Layer > Variables > Variable.
    EXPECT_EQ(nesting(exampleScene), 8);
    // Closes inside comments, CDATA, quoted values and declarations are not
    // closes; what looks like tags there is not counted either.
    EXPECT_EQ(nesting("<a><!-- </a></a> --><b x=\"</a>/>\" y='>'><![CDATA[</a>]]><c/></b></a>"), 3);
    EXPECT_EQ(nesting("<?xml version='></a>' ?><a><?xml encoding=\"></a>\"?><b></b></a>"), 2);
    // Unknown markup ends at its first '>', whatever quotes it holds.
    EXPECT_EQ(nesting("<!DOCTYPE x \"><a><b><c>"), 3);
    EXPECT_EQ(nesting("<?pi \"?><a><b>"), 2);
    EXPECT_EQ(nesting("<?xml other=\"><a><b>"), 2);
    // Only what comes before the first NUL byte counts: the parser stops there.
    EXPECT_EQ(nesting(std::string("<a>\0<b><c>", 10)), 1);
    // A stray end tag outside every element does not hide later nesting.
    EXPECT_EQ(nesting("</a></a><a><b>"), 2);
    // Names may start with any byte outside ASCII.
    EXPECT_EQ(nesting("<\xc3\xa9><_a>"), 2);
}

TEST(XmlScan, CountsNodesAttributesAndTheirDepths)
{
    const xmlscan::Shape shape = shapeOf("<a x='1' y=\"2\">text<!-- c --><b z='3'/></a>");
    // a, x, y, text, comment, b, z.
    EXPECT_EQ(shape.nodes, 7u);
    EXPECT_EQ(shape.depthWork, 1u + 1 + 1 + 1 + 2 + 2 + 2);
    EXPECT_EQ(shape.mostAttributes, 2);
}

TEST(XmlScan, StopsOnceALimitIsExceeded)
{
    std::string tags;
    for (int i = 0; i < 3000; ++i) tags += "<a>";
    xmlscan::Shape limits = shapeOf("");
    limits.deepestNesting = 10;
    limits.nodes = limits.depthWork = 1000000;
    limits.mostAttributes = 10;
    EXPECT_EQ(xmlscan::measure(tags.data(), tags.size(), limits).deepestNesting, 11);
}

// --- Atomic saving ---

TEST_F(SceneFileTest, SavingReplacesTheFileAndKeepsItsPermissions)
{
    const std::string target = path("scene.xml");
    writeFile(target, "old contents");
    ASSERT_EQ(chmod(target.c_str(), 0640), 0);
    controls.setBaseLayer(buildExample().release());
    std::string error = "unchanged";
    ASSERT_TRUE(controls.writeSceneFile(target, &error));
    EXPECT_EQ(error, "");
    EXPECT_EQ(readFile(target), exampleScene);
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    EXPECT_EQ(filesIn(directory), std::vector<std::string>{"scene.xml"});
}

TEST_F(SceneFileTest, ANewFileGetsTheUsualPermissions)
{
    const mode_t old = umask(027);
    const bool ok = controls.writeSceneFile(path("new.xml"));
    umask(old);
    ASSERT_TRUE(ok);
    struct stat st;
    ASSERT_EQ(stat(path("new.xml").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

TEST_F(SceneFileTest, AFailedSaveLeavesNothingBehindAndSaysWhy)
{
    controls.setBaseLayer(buildExample().release());
    std::string error;
    EXPECT_FALSE(controls.writeSceneFile(path("no/such/dir/scene.xml"), &error));
    EXPECT_EQ(error, "No such file or directory");

    // A target that is a directory stays a directory, with what it held.
    ASSERT_EQ(mkdir(path("taken.xml").c_str(), 0755), 0);
    writeFile(path("taken.xml/inside"), "kept");
    EXPECT_FALSE(controls.writeSceneFile(path("taken.xml"), &error));
    EXPECT_EQ(error, "Is a directory");
    EXPECT_EQ(readFile(path("taken.xml/inside")), "kept");
    EXPECT_EQ(filesIn(directory), std::vector<std::string>{"taken.xml"});
}

TEST_F(SceneFileTest, SavingIntoAReadOnlyDirectoryFailsAndKeepsTheOldFile)
{
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only directories";
    const std::string target = path("scene.xml");
    writeFile(target, "old contents");
    ASSERT_EQ(chmod(directory.c_str(), 0555), 0);
    controls.setBaseLayer(buildExample().release());
    std::string error;
    EXPECT_FALSE(controls.writeSceneFile(target, &error));
    EXPECT_EQ(error, "Permission denied");
    EXPECT_EQ(readFile(target), "old contents");
    EXPECT_EQ(filesIn(directory), std::vector<std::string>{"scene.xml"});
}

TEST_F(SceneFileTest, SavingThroughALinkReplacesWhatItPointsTo)
{
    writeFile(path("real.xml"), "old");
    ASSERT_EQ(symlink("real.xml", path("link.xml").c_str()), 0);
    ASSERT_TRUE(controls.writeSceneFile(path("link.xml")));
    struct stat st;
    ASSERT_EQ(lstat(path("link.xml").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(readFile(path("real.xml")), emptyScene);
}

} // namespace
