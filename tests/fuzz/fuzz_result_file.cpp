// The result-file readers: the results tab's reading of statistics,
// coefficients and residual table down to the scatterplot, and the
// prediction's summary through its cache and the prediction from it.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "common/number_format.h"
#include "prediction/prediction_model.h"
#include "regression/result_file.h"
#include "regression/scatterplot.h"
#include "tests/fuzz/fuzz_input.h"

using namespace tarnovel;

namespace {

// Painting pixels would cost most of each run and find nothing the readers
// do; the drawing's own arithmetic still runs under the sanitizers.
class NullCanvas : public Canvas {
  public:
    int Width() const override { return kPlotSize; }
    int Height() const override { return kPlotSize; }
    void SetPen(Rgb, int) override {}
    void SetBrush(Rgb) override {}
    void SetFont(bool, bool, Rgb) override {}
    void FillRect(int, int, int, int) override {}
    void Rectangle(int, int, int, int) override {}
    void MoveTo(int, int) override {}
    void LineTo(int, int) override {}
    void TextOut(int, int, const std::string&) override {}
    int TextWidth(const std::string& text) override { return 6 * static_cast<int>(text.size()); }
    int TextHeight(const std::string&) override { return 12; }
    Raster Snapshot() const override { return {}; }
    void SaveAsBitmap(const std::string&) override {}
};

// The results tab reads a file in this order; its handler needs a whole main
// window, so the order is followed here on the same reading functions.
void Present(const std::string& name) {
    ResultLines file = OpenResultLines(name);
    std::string line;
    FindLine(file, "Parameter", line);
    ReadNextLine(file, line);
    for (int k = 0; k < 3; ++k) {
        ReadNextLine(file, line);
        for (std::size_t first : {6, 23, 40})
            CompactCell(Columns(line, first, 17));
    }
    std::string count;
    if (FindLine(file, "Number of observations", line))
        count = CompactCell(Columns(line, 43, 5));
    for (const char* key :
         {"Residual error", "Coefficient of determination", "Adjusted coeff. of determination"})
        if (FindLine(file, key, line)) CompactCell(Columns(line, 43, 10));
    double parsed = 0;
    const double rounded = ParseNumber(count, parsed) ? std::nearbyint(parsed) : 0.0;
    const long long n = rounded > 0 && std::isfinite(rounded) ? static_cast<long long>(rounded) : 0;

    std::vector<Observation> table;
    FindLine(file, "Std.res.", line);
    ReadNextLine(file, line);
    for (long long i = 1; i <= n && ReadNextLine(file, line); ++i) {
        double values[3] = {0, 0, 0};
        std::size_t pos = 0;
        bool numbers = true;
        for (double& value : values) {
            pos = line.find_first_not_of(' ', pos);
            const std::size_t end = line.find(' ', pos);
            numbers = numbers && pos != std::string::npos &&
                      ParseNumber(line.substr(pos, end - pos), value);
            pos = end;
        }
        if (!numbers) break;
        table.push_back({values[0], values[1], values[2]});
    }
    NullCanvas canvas;
    DrawScatterplot(canvas, table, name);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string name = fuzz::WriteInput("nostrata-d1-d2-MLW-gew.out", data, size);
    try {
        Present(name);
    } catch (const IoError&) {
    }
    try {
        ResultCache cache;
        const ResultSummary& summary = cache.Get(name);
        for (const bool constant : {true, false})
            for (const bool twoDates : {true, false}) {
                try {
                    Predict(summary, constant, twoDates, "d1", "d2", 35.0, -12.5);
                } catch (const IoError&) {
                }
            }
    } catch (const IoError&) {
    }
    return 0;
}
