#include "layers/colourramp.h"

#include "layers/normalmap.h"

#include <algorithm>
#include <charconv>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexDigit(char c)
{
    if (isDigit(c)) return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// ASCII letters alike in either case, whatever the locale.
bool sameIgnoringCase(const std::string& a, const char* b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    std::size_t i = 0;
    for (; i < a.size() && b[i]; ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return i == a.size() && !b[i];
}

// One "T:#RRGGBB" entry, or the reason it is malformed.
std::string parseStop(const std::string& entry, ColourRamp::Stop* stop)
{
    const std::size_t colon = entry.find(':');
    if (colon == std::string::npos) return "expected T:#RRGGBB";
    // Digits, with a point and more digits or not: no sign, no exponent.
    const char* first = entry.data();
    const char* end = first + colon;
    const std::from_chars_result r = std::from_chars(first, end, stop->t, std::chars_format::fixed);
    if (colon == 0 || !isDigit(*first) || !isDigit(end[-1]) || r.ec != std::errc() || r.ptr != end)
        return "the position must be a decimal number from 0 to 1";
    if (!(stop->t >= 0 && stop->t <= 1)) return "the position must be a decimal number from 0 to 1";
    const std::string colour = entry.substr(colon + 1);
    if (colour.size() != 7 || colour[0] != '#') return "the colour must be # and six hexadecimal digits";
    for (int c = 0; c < 3; ++c) {
        const int high = hexDigit(colour[1 + 2 * c]), low = hexDigit(colour[2 + 2 * c]);
        if (high < 0 || low < 0) return "the colour must be # and six hexadecimal digits";
        stop->rgb[c] = high * 16 + low;
    }
    return {};
}

// Clamped as the layers clamp: NaN gives 1.
double clamped(float v)
{
    if (!(v < 1.0f)) return 1.0;
    if (!(v > 0.0f)) return 0.0;
    return static_cast<double>(v);
}

} // namespace

ColourRamp::ColourRamp()
{
    // Every default ramp shares one grey ramp's stops and table.
    static const ColourRamp grey = [] {
        ColourRamp ramp(0);
        std::string error;
        parse("grey", &ramp, &error);
        return ramp;
    }();
    *this = grey;
}

const std::vector<ColourRamp::Named>& ColourRamp::named()
{
    static const std::vector<Named> ramps = {
        {"grey", "0:#000000,1:#ffffff"},
        {"terrain", "0:#1a3d8f,0.45:#3a7bd5,0.5:#e0d070,0.6:#4f8f3a,0.85:#7a6a5a,1:#ffffff"},
        {"fire", "0:#000000,0.4:#8b0000,0.7:#ff8c00,1:#ffff80"},
        {"ice", "0:#000010,0.5:#3a78c8,1:#f0ffff"},
    };
    return ramps;
}

bool ColourRamp::parse(const std::string& text, ColourRamp* out, std::string* error)
{
    // A name in any case stands for its stops, and is kept as the table
    // spells it.
    std::string spelled = text, kept = text;
    for (const Named& ramp : named())
        if (sameIgnoringCase(text, ramp.name)) {
            spelled = ramp.stops;
            kept = ramp.name;
        }

    std::vector<Stop> stops;
    std::size_t start = 0;
    for (;;) {
        if (!stops.empty())
            while (start < spelled.size() && spelled[start] == ' ') ++start;   // "0:#000000, 1:#ffffff"
        const std::size_t comma = spelled.find(',', start);
        const std::string entry = spelled.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        Stop stop;
        std::string reason = parseStop(entry, &stop);
        if (reason.empty() && !stops.empty() && !(stop.t > stops.back().t))
            reason = "the positions must increase strictly";
        if (!reason.empty()) {
            *error = "invalid colour ramp entry '" + entry + "': " + reason;
            return false;
        }
        stops.push_back(stop);
        if (comma == std::string::npos) break;
        start = comma + 1;
    }
    if (stops.size() < 2) {
        *error = "invalid colour ramp '" + text + "': it needs at least two entries T:#RRGGBB joined by commas";
        return false;
    }
    out->text_ = kept;
    out->stops_ = std::move(stops);
    out->buildTable();
    return true;
}

template <typename Sample>
void ColourRamp::colourRow(const float* values, std::size_t count, double scale, Sample* rgb) const
{
    const Stop& first = stops_.front();
    const Stop& last = stops_.back();
    for (std::size_t k = 0; k < count; ++k) {
        const double v = clamped(values[k]);
        Sample* out = rgb + 3 * k;
        if (v < first.t || v > last.t) {
            const Stop& end = v < first.t ? first : last;
            for (int c = 0; c < 3; ++c) out[c] = static_cast<Sample>(end.rgb[c] * scale);
            continue;
        }
        std::size_t i = 0;
        while (i + 2 < stops_.size() && v > stops_[i + 1].t) ++i;
        const Stop& a = stops_[i];
        const Stop& b = stops_[i + 1];
        for (int c = 0; c < 3; ++c) {
            // In the order written: the difference times (v - Ti), then
            // divided by the stops' distance.
            const double x = a.rgb[c] + static_cast<double>(b.rgb[c] - a.rgb[c]) * (v - a.t) / (b.t - a.t);
            out[c] = static_cast<Sample>(normalmap::roundHalfUp(x * scale));
        }
    }
}

void ColourRamp::buildTable()
{
    auto table = std::make_shared<Table>();
    table->colours.assign(3 * static_cast<std::size_t>(tableCells), 0);
    table->uniform.assign(tableCells, false);
    std::vector<std::uint8_t> edges(3 * static_cast<std::size_t>(tableCells + 1));
    std::vector<float> ends(tableCells + 1);
    for (int j = 0; j <= tableCells; ++j) ends[j] = static_cast<float>(j) / tableCells;   // exact
    colourRow(ends.data(), ends.size(), 1.0, edges.data());
    std::size_t stop = 0;
    for (int j = 0; j < tableCells; ++j) {
        const double lo = ends[j], hi = ends[j + 1];
        while (stop < stops_.size() && stops_[stop].t < lo) ++stop;
        const bool stopInside = stop < stops_.size() && stops_[stop].t <= hi;
        const std::uint8_t* a = &edges[3 * static_cast<std::size_t>(j)];
        const bool same = a[0] == a[3] && a[1] == a[4] && a[2] == a[5];
        table->uniform[j] = !stopInside && same;
        std::copy(a, a + 3, &table->colours[3 * static_cast<std::size_t>(j)]);
    }
    std::copy(edges.begin(), edges.begin() + 3, table->zero);
    std::copy(edges.end() - 3, edges.end(), table->one);
    table_ = std::move(table);
}

void ColourRamp::row8(const float* values, std::size_t count, std::uint8_t* rgb) const
{
    const Table& table = *table_;
    for (std::size_t k = 0; k < count; ++k) {
        const float v = values[k];
        // Clamped as the definition clamps (NaN to 1), then its cell.
        const float c = v < 1.0f ? (v > 0.0f ? v : 0.0f) : 1.0f;
        const int j = std::min(static_cast<int>(c * tableCells), tableCells - 1);
        const std::uint8_t* colour = c == 0.0f ? table.zero
                                     : c == 1.0f ? table.one
                                     : table.uniform[j] ? &table.colours[3 * static_cast<std::size_t>(j)]
                                                        : nullptr;
        if (colour) {
            // Three bytes by hand: a copy call a pixel costs more than the rest.
            rgb[3 * k] = colour[0];
            rgb[3 * k + 1] = colour[1];
            rgb[3 * k + 2] = colour[2];
        } else {
            colourRow(values + k, 1, 1.0, rgb + 3 * k);
        }
    }
}

void ColourRamp::row16(const float* values, std::size_t count, std::uint16_t* rgb) const
{
    colourRow(values, count, 257.0, rgb);
}
