#include "regression/scatterplot.h"

#include <algorithm>
#include <cmath>

#include "regression/result_file.h"

namespace tarnovel {

namespace {

constexpr Rgb kGridGrey = RgbOf(192, 192, 192);
constexpr Rgb kRed = RgbOf(255, 0, 0);

// Rounding to nearest with halves to even, as the plot has always rounded.
double RoundEven(double v) {
    return std::nearbyint(v);
}

void Stroke(Canvas& canvas, int x1, int y1, int x2, int y2) {
    canvas.MoveTo(x1, y1);
    canvas.LineTo(x2, y2);
}

}  // namespace

PlotRange PlotRangeOf(double lo0, double hi0) {
    if (hi0 < 0) hi0 = 0;
    if (lo0 > 0) lo0 = 0;
    // Whole-number steps of 50 truncated toward zero, in doubles so that a
    // wild value cannot overflow an integer.
    PlotRange range;
    range.lo = lo0 >= 0 ? 50 * std::trunc(RoundEven(lo0) / 50)
                        : 50 * (std::trunc(RoundEven(lo0) / 50) - 1);
    range.hi = 50 * (std::trunc(RoundEven(hi0) / 50) + 1);
    return range;
}

PlotRange PlotRangeOf(const std::vector<Observation>& table) {
    double hi0 = -10000;
    double lo0 = 10000;
    for (const Observation& row : table) {
        hi0 = std::max({hi0, row.observed, row.fitted});
        lo0 = std::min({lo0, row.observed, row.fitted});
    }
    return PlotRangeOf(lo0, hi0);
}

int PlotOffset(double v, const PlotRange& range) {
    return static_cast<int>(RoundEven((v - range.lo) * 300 / (range.hi - range.lo)));
}

void PaintBlank(Canvas& canvas) {
    canvas.SetPen(kBlack, 1);
    canvas.SetBrush(kWhite);
    canvas.FillRect(1, 1, kPlotSize, kPlotSize);
}

void DrawScatterplot(Canvas& canvas, const std::vector<Observation>& table,
                     const std::string& title) {
    const PlotRange range = PlotRangeOf(table);
    const auto X = [&](double v) { return px(v, range); };
    const auto Y = [&](double v) { return py(v, range); };

    PaintBlank(canvas);

    // Grid cells of 25 units, only those wholly inside the frame.
    canvas.SetPen(kGridGrey, 1);
    for (int i = -20; i <= 20; ++i) {
        for (int j = -20; j <= 20; ++j) {
            const int x1 = X(25.0 * i), y1 = Y(25.0 * j);
            const int x2 = X(25.0 * i + 25), y2 = Y(25.0 * j + 25);
            if (InsidePlotFrame(x1, y1) && InsidePlotFrame(x2, y2)) canvas.Rectangle(x1, y1, x2, y2);
        }
    }
    Stroke(canvas, 24, 324, 324, 24);

    canvas.SetPen(kBlack, 2);
    Stroke(canvas, 25, Y(0), 325, Y(0));
    Stroke(canvas, X(0), 25, X(0), 325);

    // Labels only where they clear the ends of the frame.
    for (int k = -20; k <= 20; ++k) {
        const int v = 25 * k;
        const int f = PlotOffset(v, range);
        const int x = 24 + f;
        const int y = 324 - f;
        if (!(InsidePlotFrame(x - 10, y - 10) && InsidePlotFrame(x + 10, y + 10))) continue;
        const std::string label = std::to_string(v);
        const int w = canvas.TextWidth(label);
        const int h = canvas.TextHeight(label);
        canvas.TextOut(x - w / 2, 326, label);
        canvas.TextOut(kPlotSize - w, y - h / 2, label);
    }

    canvas.SetPen(kBlack, 1);
    canvas.SetBrush(kBlack);
    for (const Observation& row : table) {
        const int x = X(row.observed);
        const int y = Y(row.fitted);
        canvas.FillRect(x, y, x + 2, y + 2);
    }

    canvas.SetBrush(kWhite);
    canvas.SetPen(kBlack, 1);
    // Centred on the regular width, as the title has always been placed.
    const int titleWidth = canvas.TextWidth(title);
    canvas.SetFont(true, false, kBlack);
    canvas.TextOut(175 - titleWidth / 2, 1, title);

    canvas.SetFont(false, true, kRed);
    canvas.SetPen(kRed, 1);
    const std::string measurement = "Measurement";
    const int mw = canvas.TextWidth(measurement);
    const int mh = canvas.TextHeight(measurement);
    canvas.TextOut(175 - mw / 2, 12, measurement);
    const int tipX = 170 - mw / 2, tipY = 12 + mh / 2;
    Stroke(canvas, tipX, tipY, 165 - mw / 2, 7 + mh / 2);
    Stroke(canvas, tipX, tipY, 165 - mw / 2, 17 + mh / 2);
    Stroke(canvas, tipX, tipY, 135 - mw / 2, 12 + mh / 2);

    const std::string prediction = "Prediction";
    const int ph = canvas.TextHeight(prediction);
    canvas.TextOut(1, 175 - ph / 2, prediction);
    const int upY = 130 - ph / 2;
    Stroke(canvas, 6, upY, 1, 135 - ph / 2);
    Stroke(canvas, 6, upY, 11, 135 - ph / 2);
    Stroke(canvas, 6, upY, 6, 165 - ph / 2);
}

std::string ScatterplotFileName(const std::string& resultFile) {
    return resultFile.substr(0, resultFile.find(".out")) + ".wmf";
}

}  // namespace tarnovel
