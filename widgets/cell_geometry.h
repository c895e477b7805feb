#pragma once

#include <QRect>
#include <QString>

#include <array>
#include <span>
#include <vector>

// Geometry of the file list's cells, kept apart from the painting so it can be checked without a
// display. Edges are written as the drawing code thinks of them: left and top inclusive, right and
// bottom exclusive, turned into QRects at the end.
namespace morvane::widgets {

// The progress bar of a cell.
struct ProgressGeometry {
    // Frame lines: columns `frameLeft` and `frameRight`, rows `frameTop` and `frameBottom`, the
    // bottom row one pixel longer to the right.
    int frameLeft = 0;
    int frameTop = 0;
    int frameRight = 0;
    int frameBottom = 0;
    QRect well; // light-grey inside of the frame
    QRect bar;  // filled part, empty at 0 percent
    QRect text; // where the percentage text is centred
};

// `percent` is clamped to 0..100 so a stray value never paints outside the well.
ProgressGeometry progressGeometry(const QRect& cell, int percent);

// Width of the filled part between the well's inner left edge and its right edge.
int progressFillWidth(int innerLeft, int right, int percent);

// The check box of a cell: a square of side (cell height - 1) but at most `kCheckBoxSide`, at the
// top of the cell (centred vertically in taller rows), 9 pixels in from the left or centred when
// the cell has no text; its left edge already moved in by one pixel.
inline constexpr int kCheckBoxSide = 13;
QRect checkBoxRect(const QRect& cell, bool hasText);

// The tick of a checked box with left edge `left` and top `top`: seven strokes one pixel wide and
// three high.
std::array<QRect, 7> tickStrokes(int left, int top);

// The percentage text: the format's %d (or %i) replaced by the percent, %% by a percent sign; any
// other conversion is left as written, so a format can never read arguments that are not there.
QString formatProgressText(const QString& format, int percent);

// Column widths that share a list's width: W = listWidth - 2, each listed column gets
// W * share / denominator (rounded toward zero) and one more last column what is left, less 2.
std::vector<int> columnWidthsByShare(int listWidth, std::span<const int> shares, int denominator);

} // namespace morvane::widgets
