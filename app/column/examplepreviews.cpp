#include "app/column/examplepreviews.h"

#include "layers/texturebackend.h"

void ExamplePreviews::start(std::vector<Composition> list, int w, int h)
{
    examples = std::move(list);
    previews.assign(examples.size(), Shown());
    next = 0;
    sent = false;
    width = w;
    height = h;
}

bool ExamplePreviews::update(PreviewRenderer& thread, TextureBackend* backend)
{
    bool changed = false;
    if (sent) {
        for (PreviewRenderer::Preview& p : thread.take()) {
            if (p.row != 0 || next >= previews.size()) continue;
            Shown& s = previews[next];
            s.width = p.width;
            s.height = p.height;
            s.made = true;
            if (backend && !s.texture) s.texture = backend->createTexture();
            if (s.texture) backend->uploadPixelExact(s.texture, p.width, p.height, p.pixels.data());
            ++next;
            sent = false;
            changed = true;
        }
    }
    while (!sent && next < examples.size()) {
        if (!examples[next].tree) {
            ++next;   // unreadable: no preview
            continue;
        }
        // The base layer is row 0 of its own composition.
        thread.start(std::move(examples[next]), width, height);
        thread.want({0});
        sent = true;
    }
    return changed;
}

void ExamplePreviews::clear(PreviewRenderer& thread, TextureBackend* backend)
{
    if (sent) thread.stop();
    for (Shown& s : previews)
        if (backend && s.texture) backend->deleteTexture(s.texture);
    previews.clear();
    examples.clear();
    next = 0;
    sent = false;
}
