#pragma once
// The composition as the rows of the layer tree column: one row per layer in
// tree order (a layer, then the inputs of its variables in variable order),
// each with its depth and its label. Headless; the column draws what this
// gives and the previews are numbered by these rows.
#include <string>
#include <vector>

class Renderable;

namespace layertree {

struct Row {
    Renderable* layer;   // not owned
    int depth;           // 0 for the base layer
    std::string label;   // "Noise", or "Spacing: Noise" for an input layer
};

// Every layer below base and base itself, in tree order; none for null.
// Walked without recursion: a chain may be thousands of layers deep.
std::vector<Row> rows(Renderable* base);

// The row of layer, or -1.
int indexOf(const std::vector<Row>& rows, const Renderable* layer);

// Rows are indented 12 pixels a level up to 8 levels; a deeper row shows its
// depth as a number in the indentation instead of going further right.
constexpr int indentStep = 12;
constexpr int indentLevels = 8;
int indent(int depth);
std::string depthMark(int depth);

// The tree by keyboard: from row selected of rows at these depths (tree
// order), the row a key selects. Up and Down go to the row above and below,
// Home and End to the first and last, Right to the row's first input (the
// next row, one level deeper), Left to its parent (the nearest row above,
// one level up); where there is none, the selection stays. With no row
// selected (-1) End selects the last row and every other key the first.
enum class Move { Up, Down, Left, Right, Home, End };
int navigate(const std::vector<int>& depths, int selected, Move move);

// The column is wide enough for the deepest indentation, a preview and a
// label of this many characters.
constexpr int labelCharacters = 20;
// A window too narrow for that shrinks the column down to a label of this
// many characters before it closes the column.
constexpr int narrowestLabelCharacters = 6;

} // namespace layertree
