#include "app/previewrenderer.h"

#include "app/layertree.h"
#include "layers/viewresize.h"
#include "layers/renderable.h"
#include "layers/rowloop.h"

#include <utility>

PreviewRenderer::PreviewRenderer()
    : runner(BackgroundRunner::Priority::idle), mailbox(std::make_shared<Mailbox>())
{
}

PreviewRenderer::~PreviewRenderer()
{
    shutDown();
}

void PreviewRenderer::shutDown()
{
    held.reset();
    runner.shutDown();
}

void PreviewRenderer::start(Composition composition, int width, int height)
{
    stop();
    if (!composition.tree) return;
    held = std::make_shared<Held>();
    held->copy = std::move(composition);
    held->width = width;
    held->height = height;
    held->generation = generation;
}

void PreviewRenderer::stop()
{
    ++generation;
    if (!held) return;
    // The copy is let go on the runner's thread: a deep one takes a while
    // to destroy. Handing it over also stops the preview in progress.
    if (!runner.submit([old = std::move(held)](const BackgroundRunner::CancelToken&) {})) runner.cancel();
    held.reset();
}

void PreviewRenderer::want(std::vector<int> rows)
{
    if (!held) return;
    if (rows.empty()) {
        runner.cancel();
        return;
    }
    runner.submit([copy = held, rows = std::move(rows), box = mailbox](const BackgroundRunner::CancelToken& token) {
        Held& h = *copy;
        if (!h.prepared) {
            viewresize::resizeKeepingView(*h.copy.tree, h.width, h.height);
            for (const layertree::Row& r : layertree::rows(h.copy.tree.get())) h.layers.push_back(r.layer);
            h.done.assign(h.layers.size(), false);
            h.prepared = true;
        }
        for (const int row : rows) {
            if (token.cancelled()) return;
            if (row < 0 || row >= static_cast<int>(h.layers.size()) || h.done[static_cast<std::size_t>(row)]) continue;
            const Renderable& layer = *h.layers[static_cast<std::size_t>(row)];
            Preview preview;
            preview.row = row;
            preview.width = layer.textureWidth;
            preview.height = layer.textureHeight;
            preview.generation = h.generation;
            preview.pixels.assign(static_cast<std::size_t>(preview.width) * static_cast<std::size_t>(preview.height), 0);
            // This thread alone: the pool belongs to the drawing area's render.
            rowloop::GreyBytes bytes(preview.pixels.data(), static_cast<std::size_t>(preview.width));
            rowloop::Options options;
            options.threads = rowloop::Threads::caller;
            options.stop = token.stopFlag();
            if (!rowloop::evaluate(layer, rowloop::wholeTexture(layer), bytes, options)) return;
            h.done[static_cast<std::size_t>(row)] = true;
            std::lock_guard<std::mutex> lock(box->mutex);
            box->delivered.push_back(std::move(preview));
            box->hasDelivered.store(true);
        }
    });
}

std::vector<PreviewRenderer::Preview> PreviewRenderer::take()
{
    std::vector<Preview> out;
    if (!mailbox->hasDelivered.load()) return out;
    std::unique_lock<std::mutex> lock(mailbox->mutex, std::try_to_lock);
    if (!lock.owns_lock()) return out;
    out.swap(mailbox->delivered);
    mailbox->hasDelivered.store(false);
    lock.unlock();
    std::vector<Preview> current;
    for (Preview& p : out)
        if (p.generation == generation) current.push_back(std::move(p));
    return current;
}

bool PreviewRenderer::busy() const
{
    return runner.busy() || mailbox->hasDelivered.load();
}
