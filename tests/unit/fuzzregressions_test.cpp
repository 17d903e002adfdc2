// Every input the scene-reader fuzzer ever failed on, its seed corpus, and
// the inputs longer than the fuzzer's length bound that reach the reader's
// limits, read again on each test run. In the sanitizer build an over-read or a leak
// in the reader shows up here without running the fuzzer.
#include "app/layercontrols.h"
#include "layers/renderable.h"
#include "persistence/scenefile.h"
#include "tests/support/testfiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> paths;
    if (DIR* dir = opendir(folder.c_str())) {
        while (dirent* entry = readdir(dir))
            if (entry->d_name[0] != '.') paths.push_back(folder + "/" + entry->d_name);
        closedir(dir);
    }
    return paths;
}

void readsWithoutHarm(const std::string& folder, std::size_t atLeast)
{
    LayerControls controls;
    controls.setViewportSize(7, 5);
    const std::vector<std::string> paths = filesIn(folder);
    ASSERT_GE(paths.size(), atLeast) << folder;
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        scenefile::ReadResult result = scenefile::parse(testfiles::readFile(path));
        if (!result.baseLayer) {
            EXPECT_FALSE(result.error.empty());
            continue;
        }
        result.baseLayer->fillPixels();
        Renderable* layer = result.baseLayer.get();
        EXPECT_FALSE(scenefile::text(&layer, 1).empty());
    }
}

TEST(FuzzRegressions, PastFindingsReadWithoutHarm)
{
    readsWithoutHarm(PATTERNLENS_SOURCE_DIR "/tests/fuzz/regressions", 1);
}

TEST(FuzzRegressions, SeedCorpusReadsWithoutHarm)
{
    readsWithoutHarm(PATTERNLENS_SOURCE_DIR "/tests/fuzz/corpus", 10);
}

TEST(FuzzRegressions, InputsBeyondTheFuzzersLengthReadWithoutHarm)
{
    readsWithoutHarm(PATTERNLENS_SOURCE_DIR "/tests/fuzz/large", 3);
}

} // namespace
