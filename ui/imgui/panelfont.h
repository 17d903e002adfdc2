#pragma once
// The one font of the panel and the info line: DejaVu Sans, or what
// fontconfig offers in its place, at ImGui's own size, so every control keeps
// its height. Texts name files in any script: a character the fonts loaded so
// far lack is taken from an installed font that has it, found by fontconfig,
// once a frame has asked for it. Without any usable font file the panel falls
// back to ImGui's built-in font; the viewer never stops for a font.
#include <imgui.h>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace ui {

class PanelFont {
public:
    PanelFont();
    ~PanelFont();

    // Puts the font into ImGui's atlas; call once the ImGui context exists,
    // before the first frame.
    void load();

    // A text a frame is about to draw: characters no font in the atlas has,
    // and that were not looked for before, are noted for rebuild.
    void want(const std::string& text);

    // Between frames: when characters were noted, looks for fonts that have
    // them and builds the atlas again. True when it changed; the renderer's
    // font texture must then be made anew.
    bool rebuildIfWanted();

    // The width text would take in ImGui's built-in font. Where the panel
    // decides its layout by a text's width (whether a list shares its
    // label's line), it measures with this, so every control keeps the
    // place it has always had, whichever font draws it.
    float layoutWidth(const std::string& text) const;

private:
    struct Face;
    void build();

    std::vector<std::unique_ptr<Face>> faces;   // the main face first, then those merged into it
    std::deque<ImVector<ImWchar>> ranges;       // each face's characters, read by the atlas as it builds
    std::vector<unsigned> noted;                // wanted since the last rebuild
    std::vector<unsigned> looked;               // looked for already, found or not
    ImFont* layoutFont = nullptr;               // the built-in font, kept in the atlas for measuring
};

} // namespace ui
