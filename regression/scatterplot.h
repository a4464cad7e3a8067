#pragma once
// The scatterplot of observed against fitted MxW of one regression job:
// 350 x 350 pixels, both axes on the same range, a grey grid of 25-unit
// cells, the 1:1 line and the axes through 0.

#include <string>
#include <vector>

#include "controls/canvas.h"

namespace tarnovel {

inline constexpr int kPlotSize = 350;

// One line of a result file's residual table.
struct Observation {
    double index = 0;
    double observed = 0;
    double fitted = 0;
};

// Common range of both axes: multiples of 50 that always include 0 and are
// widened by a step of 50 even when a value falls on a multiple.
struct PlotRange {
    double lo = 0;
    double hi = 50;
};

// The range for the smallest value lo0 and the largest value hi0 over the
// observed and the fitted values.
PlotRange PlotRangeOf(double lo0, double hi0);
PlotRange PlotRangeOf(const std::vector<Observation>& table);

// Distance in pixels of v from the low end of the range along an axis of 300.
int PlotOffset(double v, const PlotRange& range);
inline int px(double v, const PlotRange& range) {
    return 24 + PlotOffset(v, range);
}
inline int py(double v, const PlotRange& range) {
    return 324 - PlotOffset(v, range);
}

// White over everything but the top row and left column, which nothing
// draws on.
void PaintBlank(Canvas& canvas);

// Draws the whole picture on a fresh canvas; `title` is the result file name.
void DrawScatterplot(Canvas& canvas, const std::vector<Observation>& table,
                     const std::string& title);

// The picture's file: the result file name up to its first ".out", then
// ".wmf" (the name the program has always used; the content is a BMP).
std::string ScatterplotFileName(const std::string& resultFile);

}  // namespace tarnovel
