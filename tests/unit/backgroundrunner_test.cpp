// The background runner (the latest request wins, cancel, a shutdown that
// never waits for an idle thread) and the worker pool's priority for the
// drawing area's render over a background run and its encoding.
#include "app/backgroundrunner.h"
#include "app/layercontrols.h"
#include "app/column/previewrenderer.h"
#include "layers/viewresize.h"
#include "layers/layerclone.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"
#include "layers/workerpool.h"
#include "imageoutput/imageencoder.h"
#include "tests/support/noisechain.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <mutex>
#include <set>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

// Polls until done() holds or a generous bound passes (a loaded machine
// schedules threads late); returns whether it held.
template <class Done>
bool eventually(const Done& done)
{
    const auto until = Clock::now() + std::chrono::seconds(20);
    while (!done()) {
        if (Clock::now() > until) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

struct Record {
    std::atomic<int> started{0}, cancelled{0}, completed{0};
};

// A job that runs until cancelled, or for `rounds` milliseconds.
BackgroundRunner::Job jobOf(std::shared_ptr<Record> record, int rounds)
{
    return [record, rounds](const BackgroundRunner::CancelToken& token) {
        ++record->started;
        for (int i = 0; i < rounds; ++i) {
            if (token.cancelled()) {
                ++record->cancelled;
                return;
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ++record->completed;
    };
}

TEST(BackgroundRunner, TheLatestRequestWinsAndCancelStopsTheJobRunning)
{
    BackgroundRunner runner;
    auto first = std::make_shared<Record>(), second = std::make_shared<Record>(), last = std::make_shared<Record>();
    ASSERT_TRUE(runner.submit(jobOf(first, 1 << 30)));
    ASSERT_TRUE(eventually([&] { return first->started == 1; }));
    runner.submit(jobOf(second, 1 << 30));
    runner.submit(jobOf(last, 20));
    ASSERT_TRUE(eventually([&] { return !runner.busy(); }));
    EXPECT_EQ(first->cancelled, 1);
    EXPECT_EQ(second->completed, 0);   // dropped unrun, or stopped by the last
    EXPECT_EQ(second->started, second->cancelled);
    EXPECT_EQ(last->completed, 1);

    auto endless = std::make_shared<Record>();
    runner.submit(jobOf(endless, 1 << 30));
    ASSERT_TRUE(eventually([&] { return endless->started == 1; }));
    runner.cancel();
    ASSERT_TRUE(eventually([&] { return !runner.busy(); }));
    EXPECT_EQ(endless->cancelled, 1);

    // A job cancelled before it began never runs.
    auto blocker = std::make_shared<Record>(), never = std::make_shared<Record>();
    runner.submit(jobOf(blocker, 1 << 30));
    runner.submit(jobOf(never, 1));
    runner.cancel();
    ASSERT_TRUE(eventually([&] { return !runner.busy(); }));
    EXPECT_EQ(never->completed, 0);
}

TEST(BackgroundRunner, ShutdownDoesNotWaitForAnIdleThreadThatIsSlowToStop)
{
    // The job ignores its token for a while, as a thread the system keeps
    // off busy processors seems to.
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto started = std::make_shared<std::atomic<bool>>(false);
    {
        BackgroundRunner runner(BackgroundRunner::Priority::idle);
        runner.submit([finished, started](const BackgroundRunner::CancelToken&) {
            *started = true;
            std::this_thread::sleep_for(std::chrono::seconds(2));
            *finished = true;
        });
        ASSERT_TRUE(eventually([&] { return started->load(); }));
        runner.shutDown();
        EXPECT_FALSE(*finished);
        EXPECT_FALSE(runner.submit([](const BackgroundRunner::CancelToken&) {}));
    }
    // The job ends on its own later, with what it holds.
    EXPECT_TRUE(eventually([&] { return finished->load(); }));

    // A thread of normal priority is waited for: its job has ended.
    auto ended = std::make_shared<Record>();
    BackgroundRunner normal;
    normal.submit(jobOf(ended, 1 << 30));
    ASSERT_TRUE(eventually([&] { return ended->started == 1; }));
    normal.shutDown();
    EXPECT_EQ(ended->cancelled, 1);
}

// An export's bands run on the pool as a background run; a drag's render
// asks for the pool meanwhile and must get every thread of it.
TEST(WorkerPoolPriority, AForegroundRunDuringABackgroundOneGetsThePool)
{
    WorkerPool pool(1);
    struct Background {
        std::atomic<int> done{0};
        std::atomic<int> runs[200] = {};
    } background;
    std::thread exporter([&] {
        pool.run(200, [](void* context, int i) {
            auto& b = *static_cast<Background*>(context);
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
            ++b.runs[i];
            ++b.done;
        }, &background, WorkerPool::Priority::background);
    });
    ASSERT_TRUE(eventually([&] { return background.done > 4; }));

    struct Foreground {
        std::mutex mutex;
        std::set<std::thread::id> threads;
    } foreground;
    pool.run(4, [](void* context, int) {
        auto& f = *static_cast<Foreground*>(context);
        {
            std::lock_guard<std::mutex> lock(f.mutex);
            f.threads.insert(std::this_thread::get_id());
        }
        // Holds its thread until another one takes part (or gives up).
        eventually([&] {
            std::lock_guard<std::mutex> lock(f.mutex);
            return f.threads.size() >= 2;
        });
    }, &foreground);
    exporter.join();
    EXPECT_EQ(foreground.threads.size(), 2u);
    for (const auto& runs : background.runs) EXPECT_EQ(runs, 1);
}

// An export deflates its bands on the pool too, and hands the pool out
// again between runs of its own: a drag's render that asks meanwhile, at any
// moment of that, gets every thread of the pool.
TEST(WorkerPoolPriority, AForegroundRunBesideAnExportsEncodingAlwaysGetsThePool)
{
    WorkerPool& pool = WorkerPool::instance();
    if (pool.threadCount() < 2) GTEST_SKIP() << "one processor: no pool to share";
    std::atomic<bool> encoding{false}, done{false};
    std::thread exporter([&encoding, &done] {
        std::FILE* sink = std::fopen("/dev/null", "wb");
        const int width = 1024, band = 2048;
        std::vector<std::uint8_t> rows(static_cast<std::size_t>(width) * band);
        for (std::size_t i = 0; i < rows.size(); ++i) rows[i] = static_cast<std::uint8_t>((i * 2654435761u) >> 13);
        imagewriter::ImageEncoder png(sink, imagewriter::Format::Png, width, band * 1000, 8, 1,
                                      rowloop::Threads::background);
        png.begin();
        for (int k = 0; k < 1000 && !done; ++k) {
            png.writeRows(rows.data(), band);
            encoding = true;
            for (int r = 0; r < 50; ++r) rowloop::share(2, [](void*, int) {}, nullptr, rowloop::Threads::background);
        }
        std::fclose(sink);
    });
    ASSERT_TRUE(eventually([&] { return encoding.load(); }));
    int alone = 0;
    for (int run = 0; run < 100 && alone == 0; ++run) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1));   // spread over the export
        struct Meeting {
            std::atomic<int> arrived{0};
            std::atomic<bool> met{true};
        } meeting;
        pool.run(2, [](void* context, int) {
            auto& m = *static_cast<Meeting*>(context);
            ++m.arrived;
            // Holds its thread until the other task has begun on another one.
            const auto until = Clock::now() + std::chrono::seconds(1);
            while (m.arrived < 2 && Clock::now() < until) std::this_thread::yield();
            if (m.arrived < 2) m.met = false;
        }, &meeting);
        alone += meeting.met ? 0 : 1;
    }
    done = true;
    exporter.join();
    EXPECT_EQ(alone, 0);
}

// The preview thread is stopped in the middle of a long render: nothing of
// that copy arrives, and the previews of the next copy are its renders.
TEST(PreviewRendererTest, APreviewStoppedMidRenderDeliversNothingAndTheNextCopyIsPreviewed)
{
    LayerControls controls;
    controls.setViewportSize(200, 150);
    PreviewRenderer renderer;
    renderer.start(Composition(noiseChain(300), SceneSettings()), 200, 150);
    renderer.want({0, 1, 2});
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    renderer.stop();

    controls.setViewportSize(30, 20);
    std::unique_ptr<Renderable> small = noiseChain(3);
    renderer.start(Composition(cloneLayerTree(*small), SceneSettings()), 30, 20);
    renderer.want({2, 0});
    std::vector<PreviewRenderer::Preview> got;
    ASSERT_TRUE(eventually([&] {
        for (PreviewRenderer::Preview& p : renderer.take()) got.push_back(std::move(p));
        return got.size() >= 2 && !renderer.busy();
    }));
    ASSERT_EQ(got.size(), 2u);
    EXPECT_EQ(got[0].row, 2);
    EXPECT_EQ(got[1].row, 0);
    viewresize::resizeKeepingView(*small, 30, 20);
    small->fillPixels();
    EXPECT_EQ(got[1].pixels, small->pixels);
}

} // namespace
