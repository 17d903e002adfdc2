#include "ui/imgui/panelfont.h"

#include <fontconfig/fontconfig.h>
#include <imgui.h>
#include <imgui_internal.h>   // ImTextCharFromUtf8
#include <stb_truetype.h>

#include <algorithm>
#include <cfloat>
#include <fstream>
#include <iterator>

namespace ui {

namespace {

// ImGui's built-in font is 13 pixels high, and the panel is laid out for it.
constexpr float fontPixels = 13.0f;

// What the main font holds besides the characters texts bring: Latin with
// its extensions, Greek, Cyrillic, punctuation, currency and letter-like
// signs. ImGui keeps characters in 16 bits; those beyond are left out.
constexpr ImWchar baseRanges[] = {0x0020, 0x024F, 0x0370, 0x03FF, 0x0400, 0x052F, 0x1E00, 0x1EFF,
                                  0x2000, 0x206F, 0x20A0, 0x20CF, 0x2100, 0x214F, 0};
constexpr unsigned widestCharacter = 0xFFFF;

// A face's bytes, when stb_truetype (which builds ImGui's atlas) reads them;
// empty otherwise.
std::vector<unsigned char> readFace(const std::string& file, int index, stbtt_fontinfo* info)
{
    std::ifstream in(file, std::ios::binary);
    std::vector<unsigned char> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (data.size() < 12) return {};
    const int offset = stbtt_GetFontOffsetForIndex(data.data(), index);
    if (offset < 0 || !stbtt_InitFont(info, data.data(), offset)) return {};
    return data;
}

// The face fontconfig picks for pattern (which it takes over).
bool matchFace(FcPattern* pattern, std::string* file, int* index)
{
    if (!pattern) return false;
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    FcPattern* font = FcFontMatch(nullptr, pattern, &result);
    FcPatternDestroy(pattern);
    if (!font) return false;
    FcChar8* path = nullptr;
    int faceIndex = 0;
    const bool found = FcPatternGetString(font, FC_FILE, 0, &path) == FcResultMatch && path;
    if (found) {
        *file = reinterpret_cast<const char*>(path);
        *index = FcPatternGetInteger(font, FC_INDEX, 0, &faceIndex) == FcResultMatch ? faceIndex : 0;
    }
    FcPatternDestroy(font);
    return found;
}

bool has(const std::vector<unsigned>& list, unsigned c)
{
    return std::find(list.begin(), list.end(), c) != list.end();
}

} // namespace

struct PanelFont::Face {
    std::string file;
    int index = 0;
    std::vector<unsigned char> data;
    stbtt_fontinfo info{};
    std::vector<unsigned> characters;   // beyond the base ranges, taken from this face
};

PanelFont::PanelFont() = default;
PanelFont::~PanelFont() = default;

void PanelFont::load()
{
    auto face = std::make_unique<Face>();
    if (matchFace(FcNameParse(reinterpret_cast<const FcChar8*>("DejaVu Sans")), &face->file, &face->index)) {
        face->data = readFace(face->file, face->index, &face->info);
        if (!face->data.empty()) faces.push_back(std::move(face));
    }
    build();
}

void PanelFont::want(const std::string& text)
{
    const ImFont* font = ImGui::GetFont();
    const char* p = text.c_str();
    const char* end = p + text.size();
    while (p < end) {
        unsigned c = 0;
        const int length = ImTextCharFromUtf8(&c, p, end);
        if (length <= 0) break;
        p += length;
        if (c < 0x20 || c > widestCharacter) continue;
        if ((font && font->FindGlyphNoFallback(static_cast<ImWchar>(c))) || has(looked, c)) continue;
        looked.push_back(c);
        noted.push_back(c);
    }
}

bool PanelFont::rebuildIfWanted()
{
    if (noted.empty()) return false;
    bool added = false;
    for (unsigned c : noted) {
        Face* holder = nullptr;
        for (const auto& face : faces)
            if (stbtt_FindGlyphIndex(&face->info, static_cast<int>(c)) != 0) {
                holder = face.get();
                break;
            }
        if (!holder) {
            // The installed face fontconfig finds best for this character.
            FcPattern* pattern = FcPatternCreate();
            FcCharSet* set = FcCharSetCreate();
            FcCharSetAddChar(set, c);
            FcPatternAddCharSet(pattern, FC_CHARSET, set);
            FcCharSetDestroy(set);
            auto face = std::make_unique<Face>();
            if (!matchFace(pattern, &face->file, &face->index)) continue;
            const bool known = std::any_of(faces.begin(), faces.end(), [&](const std::unique_ptr<Face>& f) {
                return f->file == face->file && f->index == face->index;
            });
            if (known) continue;   // it lacks the character too
            face->data = readFace(face->file, face->index, &face->info);
            if (face->data.empty() || stbtt_FindGlyphIndex(&face->info, static_cast<int>(c)) == 0) continue;
            faces.push_back(std::move(face));
            holder = faces.back().get();
        }
        holder->characters.push_back(c);
        added = true;
    }
    noted.clear();
    if (!added) return false;
    build();
    return true;
}

void PanelFont::build()
{
    ImFontAtlas* atlas = ImGui::GetIO().Fonts;
    atlas->Clear();
    ranges.clear();
    for (std::size_t i = 0; i < faces.size(); ++i) {
        const Face& face = *faces[i];
        ImFontGlyphRangesBuilder builder;
        if (i == 0) builder.AddRanges(baseRanges);
        for (unsigned c : face.characters) builder.AddChar(static_cast<ImWchar>(c));
        ranges.emplace_back();
        builder.BuildRanges(&ranges.back());
        // The atlas owns, and frees, its own copy of the bytes.
        void* bytes = IM_ALLOC(face.data.size());
        std::copy(face.data.begin(), face.data.end(), static_cast<unsigned char*>(bytes));
        ImFontConfig config;
        config.FontNo = face.index;
        config.MergeMode = i > 0;
        config.PixelSnapH = true;
        atlas->AddFontFromMemoryTTF(bytes, static_cast<int>(face.data.size()), fontPixels, &config,
                                    ranges.back().Data);
    }
    layoutFont = faces.empty() ? nullptr : atlas->AddFontDefault();
    if (faces.empty() || !atlas->Build()) {
        atlas->Clear();
        layoutFont = atlas->AddFontDefault();
        atlas->Build();
    }
}

float PanelFont::layoutWidth(const std::string& text) const
{
    if (!layoutFont) return ImGui::CalcTextSize(text.c_str()).x;
    return layoutFont->CalcTextSizeA(layoutFont->FontSize, FLT_MAX, 0.0f, text.c_str()).x;
}

} // namespace ui
