// Recovery copies: exact round trips of random compositions, the keeper's
// timing and lifecycle against a real folder, the start-up offer with the
// question answered by the test, and the writer that never leaves a file
// half-written.
#include "app/layercontrols.h"
#include "app/recovery/recoverykeeper.h"
#include "layers/viewresize.h"
#include "layers/layercompare.h"
#include "layers/viewlimits.h"
#include "persistence/atomicfile.h"
#include "tests/support/testfiles.h"
#include "tests/unit/randomcomposition.h"
#include "ui/controls.h"

#include <gtest/gtest.h>

#include <csignal>
#include <dirent.h>
#include <sys/wait.h>
#include <set>
#include <thread>
#include <tuple>

namespace {

using namespace std::chrono_literals;
using Answer = RecoveryQuestion::Answer;

std::set<std::string> entries(const std::string& folder)
{
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) names.insert(e->d_name);
        closedir(dir);
    }
    return names.erase("."), names.erase(".."), names;
}

struct ScriptedQuestion : RecoveryQuestion {
    Answer answer = Answer::NotNow;
    int asked = 0, others = -1;
    std::string scene;
    Answer ask(const std::string& sceneName, const std::string&, int otherCopies) override
    {
        std::tie(scene, others) = std::make_tuple(sceneName, otherCopies);
        return ++asked, answer;
    }
};

class RecoveryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(temp.ok());
        controls.build(&window);
        controls.setViewportSize(40, 30);
        controls.infoLine.setField(&info);
        controls.setBaseLayer(RandomComposition(7).make(3));
    }
    void edit(int dx)
    {
        controls.history.begin("Pan");
        controls.panCurrentLayer(dx, 3);
        controls.history.commit();
    }
    // Ticks until the keeper's delay has passed, and waits for the write.
    void copyNow(RecoveryKeeper& keeper)
    {
        keeper.tick(controls, clock);
        clock += RecoveryKeeper::copyDelay;
        keeper.tick(controls, clock);
        keeper.writer.drain();
        clock += 1ms;
    }
    std::string folder() const { return temp / "recovery"; }

    testfiles::TempFolder temp;
    ui::ControlWindow window;
    ui::EditText info{"Info: ", -1, nullptr};
    LayerControls controls;
    RecoveryKeeper::Clock::time_point clock{};
};

TEST_F(RecoveryTest, CopiesBringBackRandomCompositionsExactlyWithTheirOrigin)
{
    for (unsigned seed = 1; seed <= 25; ++seed) {
        RandomComposition random(seed);
        std::unique_ptr<Renderable> tree(random.make(3));
        // Wheel zooms and a resize: views no six decimals hold, references
        // of another size than the one shown.
        tree->zoomAbout(random.uniform(-0.3f, 0.3f), random.uniform(0, 1), random.uniform(0, 1));
        viewresize::resizeKeepingScale(*tree, 40 + random.pick(0, 30), 30 + random.pick(0, 30));
        tree->zoomAbout(random.uniform(-0.3f, 0.3f), random.uniform(0, 1), random.uniform(0, 1));
        viewresize::resizeKeepingScale(*tree, 40, 30);
        const scenefile::CopyOrigin origin{seed % 2 == 0, "/a/b c.xml", "2026-12-07T19:45:12Z", "Spacing"};
        Renderable* base = tree.get();
        SceneSettings settings;
        settings.seamless = seed % 3 == 0;
        scenefile::ReadResult back = scenefile::parse(scenefile::copyText(&base, 1, settings, origin));
        ASSERT_TRUE(back.baseLayer) << back.error;
        viewresize::resizeKeepingScale(*back.baseLayer, 40, 30);
        EXPECT_TRUE(sameComposition({tree.get(), settings}, {back.baseLayer.get(), back.settings})) << seed;
        const scenefile::CopyOrigin& o = back.origin;
        EXPECT_EQ(std::tie(back.isCopy, o.titled, o.scenePath, o.editedAt, o.currentLayer),
                  std::make_tuple(true, origin.titled, origin.titled ? origin.scenePath : "", origin.editedAt,
                                  origin.currentLayer));
        // A scene file keeps its bytes: no reference, no origin.
        const std::string scene = scenefile::text(&base, 1, settings);
        EXPECT_EQ(scene.find("refx"), std::string::npos);
        EXPECT_FALSE(scenefile::parse(scene).isCopy);
    }
    // A reference beyond every view's limits, as a hand-made file may hold,
    // is brought within them.
    const auto wild = scenefile::parse(R"(<Patternlens><Layers><Layer TypeID="0" refx="1e30" refy="0"
        refzoomx="0.001" refzoomy="1e9" refwidth="40" refheight="30"/></Layers></Patternlens>)");
    const Renderable::ViewReference& w = wild.baseLayer->viewReference;
    EXPECT_EQ(std::tie(w.x, w.zoomx, w.zoomy),
              std::make_tuple(viewlimits::maxCentre, viewlimits::minExtent, viewlimits::maxExtent));
}

TEST_F(RecoveryTest, ACopyFollowsUnsavedChangesOnlyAndGoesWithThemAndOnACleanExit)
{
    RecoveryKeeper keeper(folder());
    controls.currentLayer = controls.baseLayer();
    copyNow(keeper);
    EXPECT_TRUE(entries(folder()).empty()) << "nothing unsaved, nothing kept";

    edit(5);
    keeper.tick(controls, clock);
    EXPECT_TRUE(keeper.pending());
    keeper.tick(controls, clock + RecoveryKeeper::copyDelay - 1ms);
    keeper.writer.drain();
    EXPECT_TRUE(entries(folder()).empty()) << "written before its time";
    clock += RecoveryKeeper::copyDelay;
    keeper.tick(controls, clock);
    keeper.writer.drain();
    const std::string copy = keeper.folder.copyPath();
    scenefile::ReadResult r = scenefile::read(copy);
    ASSERT_TRUE(r.baseLayer) << r.error;
    EXPECT_TRUE(sameComposition(controls.composition(), {r.baseLayer.get(), r.settings}));
    EXPECT_EQ(entries(folder()).size(), 2u);   // the copy and its lock file, no temporary file

    // Nothing changed: nothing written.
    unlink(copy.c_str());
    copyNow(keeper);
    EXPECT_FALSE(testfiles::exists(copy));
    edit(-2);
    copyNow(keeper);
    EXPECT_TRUE(testfiles::exists(copy));

    // Undoing back to the saved state removes the copy; so does a save.
    controls.history.onUndo();
    controls.history.onUndo();
    copyNow(keeper);
    EXPECT_FALSE(testfiles::exists(copy));
    controls.history.onRedo();
    controls.history.edits.markSaved(temp / "saved.xml");
    copyNow(keeper);
    EXPECT_FALSE(testfiles::exists(copy));
    edit(1);
    copyNow(keeper);
    EXPECT_EQ(scenefile::read(copy).origin.scenePath, temp / "saved.xml");
    keeper.cleanExit();
    EXPECT_TRUE(entries(folder()).empty());
}

TEST_F(RecoveryTest, CopiesOfViewersThatAreGoneAreOfferedAndRunningViewersAreLeftAlone)
{
    controls.currentLayer = controls.baseLayer();
    auto gone = std::make_unique<RecoveryKeeper>(folder());
    edit(4);
    controls.history.edits.openScene("/x/scene.xml", /*saved=*/false);
    copyNow(*gone);
    const std::string goneCopy = gone->folder.copyPath();
    const Composition lost(controls.composition());
    gone.reset();   // killed: the copy stays, its lock is free
    RecoveryKeeper running(folder());
    edit(9);
    copyNow(running);   // a viewer still running: never offered
    std::set<std::string> before = entries(folder());
    testfiles::writeFile(folder() + "/viewer-cut.xml", "<?xml version=\"1.0\" ?><Patternlens><Layers><Layer Ty");
    testfiles::writeFile(folder() + "/.viewer-temp.xml", "<Patternlens/>");

    ScriptedQuestion question;
    {
        RecoveryKeeper later(folder());
        EXPECT_FALSE(later.offer(controls, &question, RecoveryKeeper::Start::ask));   // not now
        EXPECT_EQ(std::tie(question.asked, question.scene, question.others), std::make_tuple(1, "scene.xml", 0));
        EXPECT_NE(info.get_text().find("viewer-cut.xml.unreadable"), std::string::npos) << info.get_text();
    }
    before.insert({"viewer-cut.xml.unreadable", ".viewer-temp.xml"});
    EXPECT_EQ(entries(folder()), before);

    RecoveryKeeper next(folder());
    question.answer = Answer::Recover;
    EXPECT_TRUE(next.offer(controls, &question, RecoveryKeeper::Start::ask));
    EXPECT_EQ(question.asked, 2);
    EXPECT_TRUE(sameComposition(controls.composition(), lost.ref()));
    EXPECT_EQ(std::make_tuple(controls.history.scenePath(), controls.history.isModified(), controls.history.edits.canUndo()),
              std::make_tuple("/x/scene.xml", true, false));
    EXPECT_EQ(next.folder.copyPath(), goneCopy);   // taken over

    // Taken over and running: a third viewer is offered nothing.
    RecoveryKeeper third(folder());
    EXPECT_FALSE(third.offer(controls, &question, RecoveryKeeper::Start::ask));
    EXPECT_EQ(question.asked, 2);
    EXPECT_EQ(entries(folder()), before);
}

TEST_F(RecoveryTest, ACopyThatCannotBeWrittenIsToldOnceAndTriedAgainAtTheNextEdit)
{
    testfiles::writeFile(temp / "file", "");
    RecoveryKeeper keeper(temp / "file/recovery");
    edit(1);
    copyNow(keeper);
    EXPECT_EQ(info.get_text().rfind("The recovery copy is not kept: Not a directory", 0), 0u) << info.get_text();
    controls.infoLine.report("other");
    edit(2);
    copyNow(keeper);
    EXPECT_EQ(info.get_text(), "other");
}

TEST(AtomicFile, BothMethodsReplaceWholeLeaveNothingElseAndClearALeftover)
{
    testfiles::TempFolder temp;
    const std::string target = temp / "out.txt";
    for (auto method : {atomicfile::Method::unnamed, atomicfile::Method::named}) {
        testfiles::writeFile(atomicfile::temporaryName(target), "leftover");
        const auto writeNew = [](std::FILE* f) { return std::string(std::fputs("new", f) >= 0 ? "" : "x"); };
        EXPECT_EQ(atomicfile::replace(target, writeNew, method), "");
        EXPECT_EQ(atomicfile::lastMethod(), method);
        EXPECT_EQ(testfiles::readFile(target), "new");
        EXPECT_EQ(atomicfile::replace(target, [](std::FILE*) { return std::string("failed"); }, method), "failed");
        EXPECT_EQ(testfiles::readFile(target), "new");
        if (method == atomicfile::Method::unnamed) {
            EXPECT_EQ(entries(temp.path()), std::set<std::string>{"out.txt"});
        }
        unlink(atomicfile::temporaryName(target).c_str());
    }
}

TEST(AtomicFile, TwoWritersOfOneTargetEachPutTheirOwnContentsInPlace)
{
    testfiles::TempFolder temp;
    const std::string target = temp / "out.txt";
    std::atomic<int> arrived{0};
    std::vector<std::string> failures[2];
    const auto writer = [&](int id) {
        const std::string mine(1000 + 10 * id, static_cast<char>('a' + id));
        for (int round = 1; round <= 300; ++round) {
            // The two meet before every write, so their links and renames fall together.
            arrived.fetch_add(1);
            while (arrived.load() < 2 * round) std::this_thread::yield();
            const std::string error = atomicfile::replace(target, [&mine](std::FILE* f) {
                return std::string(std::fwrite(mine.data(), 1, mine.size(), f) == mine.size() ? "" : "short");
            });
            if (!error.empty()) failures[id].push_back(error);
        }
    };
    std::thread other(writer, 1);
    writer(0);
    other.join();
    EXPECT_EQ(failures[0], std::vector<std::string>());
    EXPECT_EQ(failures[1], std::vector<std::string>());
    const std::string last = testfiles::readFile(target);
    EXPECT_TRUE(last == std::string(1000, 'a') || last == std::string(1010, 'b')) << last.size();
    EXPECT_EQ(entries(temp.path()), std::set<std::string>{"out.txt"});
}

TEST(AtomicFile, ASignalInTheMiddleOfANamedWriteLeavesNothing)
{
    testfiles::TempFolder temp;
    const pid_t child = fork();
    if (child == 0) {
        atomicfile::removeTemporariesOnSignals();
        atomicfile::replace(temp / "out.txt", [](std::FILE*) { return std::to_string(raise(SIGTERM)); },
                            atomicfile::Method::named);
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
    EXPECT_TRUE(entries(temp.path()).empty());
}

} // namespace
