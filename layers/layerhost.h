#pragma once
// What a layer needs of the program that shows it: the size of the drawing
// area, which a new layer's texture takes, and the backend its texture goes
// through. The viewer's controller implements it and registers itself while
// it lives; headless programs have no host, and their new layers are 0 x 0
// until sized (viewresize.h) and have no texture.
class LayerControls;
class TextureBackend;

class LayerHost {
public:
    // The registered host, if any (not owned).
    static LayerHost* instance;

    struct AreaSize {
        int width = 0;
        int height = 0;
    };
    // The drawing area's size now.
    virtual AreaSize hostAreaSize() const = 0;
    // The backend of the layers' textures; none when nothing draws them.
    virtual TextureBackend* hostTextureBackend() const = 0;
    // The controller a layer made now belongs to (Renderable::controls).
    virtual LayerControls* hostControls() = 0;

protected:
    ~LayerHost() = default;
};
