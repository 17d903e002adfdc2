#pragma once
// A colour ramp (a gradient map) from layer values to RGB: the one
// definition that the renderer's --gradient, the viewer's "View as" and the
// Python module share.
//
// A ramp is written "T:#RRGGBB" entries joined by commas (spaces may follow
// a comma), T a decimal number (digits with an optional point and fraction)
// from 0 to 1, strictly increasing, at least two entries; the hexadecimal
// digits are of either case. A named ramp is named in any case. A value v
// is first clamped as the layers clamp (1 unless v < 1, then
// 0 unless v > 0, so NaN gives 1); below the first stop it takes the first
// colour, above the last the last; between stops Ti <= v <= Ti+1 each channel
// is ci + (ci+1 - ci) * (v - Ti) / (Ti+1 - Ti) in double, stored as round(x)
// in 8 bits and round(x * 257) in 16, halves up.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class ColourRamp {
public:
    struct Stop {
        double t = 0;
        int rgb[3] = {0, 0, 0};
    };

    // The grey ramp, black to white.
    ColourRamp();

    // The ramp that text names or spells out ("terrain", or
    // "0:#000000,1:#ffffff"), or false with error set to a message quoting
    // the entry at fault.
    static bool parse(const std::string& text, ColourRamp* out, std::string* error);

    // The named ramps, in the order help lists them, with their stops.
    struct Named {
        const char* name;
        const char* stops;
    };
    static const std::vector<Named>& named();

    // The text it was parsed from, as given; a name as the table spells it.
    const std::string& text() const { return text_; }
    const std::vector<Stop>& stops() const { return stops_; }

    // The colours of count values, three components a pixel.
    void row8(const float* values, std::size_t count, std::uint8_t* rgb) const;
    void row16(const float* values, std::size_t count, std::uint16_t* rgb) const;

    bool operator==(const ColourRamp& other) const { return text_ == other.text_; }
    bool operator!=(const ColourRamp& other) const { return !(*this == other); }

private:
    explicit ColourRamp(int) {}   // empty, for parse to fill
    template <typename Sample>
    void colourRow(const float* values, std::size_t count, double scale, Sample* rgb) const;
    void buildTable();

    std::string text_;
    std::vector<Stop> stops_;
    // The 8-bit colours by value: cell j holds the colour of every value in
    // [j, j + 1] / tableCells when the definition gives one colour across
    // it (no stop inside, the same colour at both ends: within a segment
    // the computed colour is monotonic in v), else flags the cell, whose
    // values are computed one by one.
    // Shared by the copies (a scene's settings are copied into every undo
    // step), made once per parse.
    static constexpr int tableCells = 1 << 16;
    struct Table {
        std::vector<std::uint8_t> colours;   // 3 bytes a cell
        std::vector<bool> uniform;
        // The colours of 0 and 1, which every clamped value outside the
        // stops becomes (much of a cut-off pattern), whose cells hold stops.
        std::uint8_t zero[3], one[3];
    };
    std::shared_ptr<const Table> table_;
};
