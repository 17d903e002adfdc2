// Highway compiles this file once per target; the lanes repeat cellValue's
// operations in its order: plain IEEE operations, comparisons and selects,
// never min/max, fused or approximated ones.
//
// A row of pixels shares its cell row (cj) and so the permutation entries of
// the three rows of cells around it. A vector of neighbouring pixels mostly
// shares its few cell columns too: their feature point offsets (before the
// Jitter) are hashed once into a small table of columns, by gathers of the
// permutation, and each lane picks its nine cells from the table. A vector
// spanning more columns than the table holds (a view zoomed far out) hashes
// each lane's cells itself, with the same gathers.
//
// Seamless cells are the same lanes on the points divided by the cell size,
// with the hashes' lattice indices wrapping over the fitted columns and rows
// (their feature points still at the unwrapped cells). Flat cells are the
// case of 256 columns and rows, where wrapping is the mask by 255.
#include "generators/celllanes.h"

#include "generators/noisetables.h"

#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "generators/celllanes.cpp"
#include <hwy/foreach_target.h>
#include <hwy/highway.h>

#include "generators/tablelanes-inl.h"

HWY_BEFORE_NAMESPACE();
namespace celllanes {
namespace HWY_NAMESPACE {
namespace hn = hwy::HWY_NAMESPACE;

using DF = hn::ScalableTag<float>;
using DI = hn::RebindToSigned<DF>;
using VF = hn::Vec<DF>;
using VI = hn::Vec<DI>;

using GradientNoise::HWY_NAMESPACE::PermutationLanes;

constexpr int maxLanes = HWY_MAX_BYTES / sizeof(float);
// Cell columns the table holds at a time.
constexpr int tableColumns = 32;

// The lattice columns (0..255) of cell columns i wrapping over nx: i mod 256
// by a mask where nx is a multiple of 256, one lane at a time otherwise.
HWY_INLINE VI LatticeColumns(VI i, int nx)
{
    const DI di;
    if (nx % 256 == 0) return hn::And(i, hn::Set(di, 255));
    HWY_ALIGN std::int32_t columns[maxLanes];
    hn::Store(i, di, columns);
    for (int l = 0; l < static_cast<int>(hn::Lanes(di)); ++l) columns[l] = wrapIndex(columns[l], nx) & 255;
    return hn::Load(di, columns);
}

// The offsets of the feature points of cells at lattice columns a (0..255)
// in the cell row whose permutation entry is rowHash: jitterOffset of their
// two hashes.
HWY_INLINE void Offsets(const Tables& tables, VI a, VI rowHash, VF* u, VF* w)
{
    const DF df;
    const DI di;
    const VI h1 = PermutationLanes(di, tables, hn::Add(a, rowHash));
    const VI h2 = PermutationLanes(di, tables, hn::Add(h1, hn::Set(di, 7)));
    const VF scale = hn::Set(df, 255.0f);
    const VF half = hn::Set(df, 0.5f);
    *u = hn::Sub(hn::Div(hn::ConvertTo(df, h1), scale), half);
    *w = hn::Sub(hn::Div(hn::ConvertTo(df, h2), scale), half);
}

// The offsets of a run of columns of the three cell rows. With one Jitter
// for the whole run (fixed) the table holds, in place of the offsets, what
// each lane would compute from them alone: the feature point's x, and dy^2
// for the row's y.
struct ColumnTable {
    int start = 0;   // the first column held
    int count = 0;
    int nx = 256;    // the columns' wrap
    bool fixed = false;
    float jit = 0.0f, ypos = 0.0f;
    // Padded so that a strip of lanes may be loaded from any held column.
    HWY_ALIGN float u[3][tableColumns + maxLanes] = {};
    HWY_ALIGN float w[3][tableColumns + maxLanes] = {};

    bool holds(int first, int last) const { return count > 0 && first >= start && last < start + count; }

    // Columns first .. first + n - 1 of the three cell rows.
    void fill(const Tables& tables, int first, int n, const int* rowHash, const float* rowCentre)
    {
        const DF df;
        const DI di;
        const int lanes = static_cast<int>(hn::Lanes(di));
        start = first;
        count = n;
        for (int c = 0; c < n; c += lanes) {
            const VI a = LatticeColumns(hn::Add(hn::Set(di, first + c), hn::Iota(di, 0)), nx);
            for (int r = 0; r < 3; ++r) {
                VF vu, vw;
                Offsets(tables, a, hn::Set(di, rowHash[r]), &vu, &vw);
                if (fixed) {
                    const VF column = hn::ConvertTo(df, hn::Add(hn::Set(di, first + c), hn::Iota(di, 0)));
                    vu = hn::Add(hn::Add(column, hn::Set(df, 0.5f)), hn::Mul(hn::Set(df, jit), vu));
                    const VF dy = hn::Sub(hn::Add(hn::Set(df, rowCentre[r]), hn::Mul(hn::Set(df, jit), vw)),
                                          hn::Set(df, ypos));
                    vw = hn::Mul(dy, dy);
                }
                hn::StoreU(vu, df, u[r] + c);
                hn::StoreU(vw, df, w[r] + c);
            }
        }
    }
};

// The table's entries of row for the lanes' columns ci + step: one entry for
// all when the lanes share a column, picked from a strip when they lie
// within one, gathered otherwise.
template <class Pick>
HWY_INLINE VF Column(const ColumnTable& table, const float* row, VI ci, int step, int first, int last, Pick pick)
{
    const DF df;
    const DI di;
    const int at = first + step - table.start;
    if (first == last) return hn::Set(df, row[at]);
    if (last - first < static_cast<int>(hn::Lanes(df))) return hn::TableLookupLanes(hn::LoadU(df, row + at), pick);
    return hn::GatherIndex(df, row, hn::Sub(hn::Add(ci, hn::Set(di, step)), hn::Set(di, table.start)));
}

// The value from the two smallest squared distances, clamped; 0 outside
// inRange.
template <class Mask>
HWY_INLINE VF Finish(VF d1, VF d2, VF e, Mask inRange)
{
    const DF df;
    const VF f1 = hn::Sqrt(d1);
    const VF f2 = hn::Sqrt(d2);
    VF t = hn::Sub(f2, f1);
    t = hn::Sub(t, f1);
    t = hn::Mul(t, e);
    VF v = hn::Add(f1, t);
    const VF one = hn::Set(df, 1.0f);
    v = hn::IfThenElse(hn::Lt(v, one), v, one);
    v = hn::IfThenElseZero(hn::Gt(v, hn::Zero(df)), v);
    return hn::IfThenElseZero(inRange, v);
}

// cellValue for one vector of points x in row ypos. last is the cell column
// of the run's last point, to which a refilled table reaches when it can.
HWY_INLINE VF CellLanes(const Tables& tables, VF x, VF jit, VF e, float ypos, const int* rowHash,
                        const float* rowCentre, int lastColumn, ColumnTable& table)
{
    const DF df;
    const DI di;
    const int lanes = static_cast<int>(hn::Lanes(df));
    // Lanes beyond the limit are computed at 0 and then give 0.
    const auto inRange = hn::Lt(hn::Abs(x), hn::Set(df, cellLimit));
    x = hn::IfThenElseZero(inRange, x);
    const VI ci = hn::ConvertTo(di, hn::Floor(x));
    // Mostly every lane lies in one column, which one comparison tells.
    int first = hn::GetLane(ci);
    int last = first;
    if (!hn::AllTrue(di, hn::Eq(ci, hn::Set(di, first)))) {
        first = hn::GetLane(hn::MinOfLanes(di, ci));
        last = hn::GetLane(hn::MaxOfLanes(di, ci));
    }
    const bool fromTable = last - first + 3 <= tableColumns;
    if (fromTable && !table.holds(first - 1, last + 1)) {
        int end = lastColumn + 2 > last + 2 ? lastColumn + 2 : last + 2;
        if (end - (first - 1) > tableColumns) end = first - 1 + tableColumns;
        table.fill(tables, first - 1, end - (first - 1), rowHash, rowCentre);
    }
    // Lanes within one strip of the table pick their column from it.
    const bool strip = last - first < lanes;
    const auto pick = hn::IndicesFromVec(df, strip ? hn::Sub(ci, hn::Set(di, first)) : hn::Zero(di));

    const VF y = hn::Set(df, ypos);
    VF d1 = hn::Set(df, std::numeric_limits<float>::infinity());
    VF d2 = d1;
    if (fromTable && table.fixed && first == last) {
        // The common case, kept free of branches: every lane has the same
        // nine feature points.
        const int at = first - 1 - table.start;
        for (int dj = 0; dj < 3; ++dj)
            for (int c = 0; c < 3; ++c) {
                const VF dx = hn::Sub(hn::Set(df, table.u[dj][at + c]), x);
                const VF d = hn::Add(hn::Mul(dx, dx), hn::Set(df, table.w[dj][at + c]));
                const auto nearest = hn::Lt(d, d1);
                d2 = hn::IfThenElse(nearest, d1, hn::IfThenElse(hn::Lt(d, d2), d, d2));
                d1 = hn::IfThenElse(nearest, d, d1);
            }
        return Finish(d1, d2, e, inRange);
    }
    for (int dj = 0; dj < 3; ++dj) {
        const VF centreY = hn::Set(df, rowCentre[dj]);
        for (int step = -1; step <= 1; ++step) {
            VF d;
            if (fromTable && table.fixed) {
                const VF dx = hn::Sub(Column(table, table.u[dj], ci, step, first, last, pick), x);
                d = hn::Add(hn::Mul(dx, dx), Column(table, table.w[dj], ci, step, first, last, pick));
            } else {
                const VI column = hn::Add(ci, hn::Set(di, step));
                VF u, w;
                if (fromTable) {
                    u = Column(table, table.u[dj], ci, step, first, last, pick);
                    w = Column(table, table.w[dj], ci, step, first, last, pick);
                } else {
                    Offsets(tables, LatticeColumns(column, table.nx), hn::Set(di, rowHash[dj]), &u, &w);
                }
                u = hn::Mul(jit, u);
                w = hn::Mul(jit, w);
                const VF fx = hn::Add(hn::Add(hn::ConvertTo(df, column), hn::Set(df, 0.5f)), u);
                const VF fy = hn::Add(centreY, w);
                const VF dx = hn::Sub(fx, x);
                const VF dy = hn::Sub(fy, y);
                d = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
            }
            const auto nearest = hn::Lt(d, d1);
            d2 = hn::IfThenElse(nearest, d1, hn::IfThenElse(hn::Lt(d, d2), d, d2));
            d1 = hn::IfThenElse(nearest, d, d1);
        }
    }
    return Finish(d1, d2, e, inRange);
}

// The cells of a row: fitted, the points divided by its cell size and the
// lattice wrapping over its columns and rows; else flat.
void CellsLanes(const Tables& tables, const FittedCells* fitted, const float* xpos, float ypos, const float* jit,
                int jitStep, const float* e, int eStep, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF width = hn::Set(df, fitted ? fitted->width : 1.0f);
    const auto cellX = [&](VF x) { return fitted ? hn::Div(x, width) : x; };
    if (fitted) ypos = ypos / fitted->height;
    const int ny = fitted ? fitted->ny : 256;
    if (!(std::fabs(ypos) < cellLimit)) {
        for (int k = 0; k < count; ++k) out[k] = 0.0f;
        return;
    }
    const int cj = static_cast<int>(std::floor(ypos));
    int rowHash[3];
    float rowCentre[3];
    for (int r = 0; r < 3; ++r) {
        rowHash[r] = tables.permutation[wrapIndex(cj + r - 1, ny) & 255];
        rowCentre[r] = static_cast<float>(cj + r - 1) + 0.5f;
    }
    // Points of a row run from left to right; the table reaches to the last.
    const float lastX = count > 0 ? xpos[count - 1] : 0.0f;
    const float lastCellX = fitted ? lastX / fitted->width : lastX;
    const int lastColumn = std::fabs(lastCellX) < cellLimit ? static_cast<int>(std::floor(lastCellX)) : 0;
    ColumnTable table;
    table.fixed = jitStep == 0;
    table.nx = fitted ? fitted->nx : 256;
    table.jit = *jit;
    table.ypos = ypos;
    const VF fixedJit = hn::Set(df, *jit);
    const VF fixedE = hn::Set(df, *e);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF j = jitStep ? hn::LoadU(df, jit + k) : fixedJit;
        const VF ev = eStep ? hn::LoadU(df, e + k) : fixedE;
        const VF x = cellX(hn::LoadU(df, xpos + k));
        hn::StoreU(CellLanes(tables, x, j, ev, ypos, rowHash, rowCentre, lastColumn, table), df, out + k);
    }
    if (k == count) return;
    // The last few points go through the same lanes, padded with the last
    // point so that the padding stays within the points' cells.
    HWY_ALIGN float tx[maxLanes], tj[maxLanes] = {}, te[maxLanes] = {}, to[maxLanes];
    const int rest = count - k;
    for (int l = 0; l < lanes; ++l) tx[l] = lastX;
    for (int l = 0; l < rest; ++l) {
        tx[l] = xpos[k + l];
        tj[l] = jit[(k + l) * jitStep];
        te[l] = e[(k + l) * eStep];
    }
    hn::Store(CellLanes(tables, cellX(hn::Load(df, tx)), hn::Load(df, tj), hn::Load(df, te), ypos, rowHash, rowCentre,
                        lastColumn, table),
              df, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

// cellValue for one vector of points (x, y) in cells, each lane hashing its
// own nine cells: points need not share a row of cells. Cell columns wrap
// over nx and rows over ny.
HWY_INLINE VF CellPointLanes(const Tables& tables, VF x, VF y, VF jit, VF e, int nx, int ny)
{
    const DF df;
    const DI di;
    // Lanes beyond the limit are computed at 0 and then give 0.
    const VF limit = hn::Set(df, cellLimit);
    const auto inRange = hn::And(hn::Lt(hn::Abs(x), limit), hn::Lt(hn::Abs(y), limit));
    x = hn::IfThenElseZero(inRange, x);
    y = hn::IfThenElseZero(inRange, y);
    const VI ci = hn::ConvertTo(di, hn::Floor(x));
    const VI cj = hn::ConvertTo(di, hn::Floor(y));
    const VF half = hn::Set(df, 0.5f);
    VF d1 = hn::Set(df, std::numeric_limits<float>::infinity());
    VF d2 = d1;
    for (int dj = -1; dj <= 1; ++dj) {
        const VI row = hn::Add(cj, hn::Set(di, dj));
        const VI rowHash = PermutationLanes(di, tables, LatticeColumns(row, ny));
        const VF centreY = hn::Add(hn::ConvertTo(df, row), half);
        for (int step = -1; step <= 1; ++step) {
            const VI column = hn::Add(ci, hn::Set(di, step));
            VF u, w;
            Offsets(tables, LatticeColumns(column, nx), rowHash, &u, &w);
            u = hn::Mul(jit, u);
            w = hn::Mul(jit, w);
            const VF dx = hn::Sub(hn::Add(hn::Add(hn::ConvertTo(df, column), half), u), x);
            const VF dy = hn::Sub(hn::Add(centreY, w), y);
            const VF d = hn::Add(hn::Mul(dx, dx), hn::Mul(dy, dy));
            const auto nearest = hn::Lt(d, d1);
            d2 = hn::IfThenElse(nearest, d1, hn::IfThenElse(hn::Lt(d, d2), d, d2));
            d1 = hn::IfThenElse(nearest, d, d1);
        }
    }
    return Finish(d1, d2, e, inRange);
}

// The cells at points: fitted, the points divided by its cell size and the
// lattice wrapping over its columns and rows; else flat.
void CellsPointsLanes(const Tables& tables, const FittedCells* fitted, const float* xpos, const float* ypos,
                      const float* jit, int jitStep, const float* e, int eStep, int count, float* out)
{
    const DF df;
    const int lanes = static_cast<int>(hn::Lanes(df));
    const VF width = hn::Set(df, fitted ? fitted->width : 1.0f);
    const VF height = hn::Set(df, fitted ? fitted->height : 1.0f);
    const auto cells = [&](VF v, VF size) { return fitted ? hn::Div(v, size) : v; };
    const int nx = fitted ? fitted->nx : 256, ny = fitted ? fitted->ny : 256;
    const VF fixedJit = hn::Set(df, *jit);
    const VF fixedE = hn::Set(df, *e);
    int k = 0;
    for (; k + lanes <= count; k += lanes) {
        const VF j = jitStep ? hn::LoadU(df, jit + k) : fixedJit;
        const VF ev = eStep ? hn::LoadU(df, e + k) : fixedE;
        const VF x = cells(hn::LoadU(df, xpos + k), width);
        const VF y = cells(hn::LoadU(df, ypos + k), height);
        hn::StoreU(CellPointLanes(tables, x, y, j, ev, nx, ny), df, out + k);
    }
    if (k == count) return;
    // The last few points go through the same lanes, padded with zeros.
    HWY_ALIGN float tx[maxLanes] = {}, ty[maxLanes] = {}, tj[maxLanes] = {}, te[maxLanes] = {}, to[maxLanes];
    const int rest = count - k;
    for (int l = 0; l < rest; ++l) {
        tx[l] = xpos[k + l];
        ty[l] = ypos[k + l];
        tj[l] = jit[(k + l) * jitStep];
        te[l] = e[(k + l) * eStep];
    }
    hn::Store(CellPointLanes(tables, cells(hn::Load(df, tx), width), cells(hn::Load(df, ty), height),
                             hn::Load(df, tj), hn::Load(df, te), nx, ny),
              df, to);
    for (int l = 0; l < rest; ++l) out[k + l] = to[l];
}

} // namespace HWY_NAMESPACE
} // namespace celllanes
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace celllanes {

HWY_EXPORT(CellsLanes);
HWY_EXPORT(CellsPointsLanes);

void cellsRow(const Tables& tables, const float* xpos, float ypos, const float* jit,
              int jitStep, const float* e, int eStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(CellsLanes)(tables, nullptr, xpos, ypos, jit, jitStep, e, eStep, count, out);
}

void fittedCellsRow(const Tables& tables, const FittedCells& cells, const float* xpos, float ypos, const float* jit,
                    int jitStep, const float* e, int eStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(CellsLanes)(tables, &cells, xpos, ypos, jit, jitStep, e, eStep, count, out);
}

void cellsPoints(const Tables& tables, const float* xpos, const float* ypos, const float* jit, int jitStep,
                 const float* e, int eStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(CellsPointsLanes)(tables, nullptr, xpos, ypos, jit, jitStep, e, eStep, count, out);
}

void fittedCellsPoints(const Tables& tables, const FittedCells& cells, const float* xpos, const float* ypos,
                       const float* jit, int jitStep, const float* e, int eStep, int count, float* out)
{
    HWY_DYNAMIC_DISPATCH(CellsPointsLanes)(tables, &cells, xpos, ypos, jit, jitStep, e, eStep, count, out);
}

} // namespace celllanes
#endif
