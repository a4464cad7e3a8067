#include "regression/scatterplot.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/shell/recording_canvas.h"

namespace tarnovel {
namespace {

using Ops = std::vector<std::string>;

Ops Draw(const std::vector<Observation>& table, const std::string& title = "t.out") {
    RecordingCanvas canvas(kPlotSize, kPlotSize);
    DrawScatterplot(canvas, table, title);
    return canvas.record().ops;
}

// The calls from the first one equal to `from` up to, not including, the
// first one after it that starts with `until`.
Ops Slice(const Ops& ops, const std::string& from, const std::string& until) {
    auto begin = std::find(ops.begin(), ops.end(), from);
    auto end = std::find_if(begin == ops.end() ? begin : begin + 1, ops.end(),
                            [&](const std::string& op) { return op.rfind(until, 0) == 0; });
    return Ops(begin, end);
}

Ops TextsOf(const Ops& ops) {
    Ops texts;
    for (const std::string& op : ops)
        if (op.rfind("text ", 0) == 0) texts.push_back(op);
    return texts;
}

TEST(ScatterplotTest, RangeIsWholeStepsOf50AroundZero) {
    struct Case {
        double lo0, hi0;
        double lo, hi;
    };
    const Case cases[] = {
        {37, 180, 0, 200},
        {-120, -30, -150, 50},
        {20, 100, 0, 150},
        {-100, 10, -150, 50},
        {0, 0, 0, 50},
        {-0.4, 49.4, -50, 50},
        {-24.6, 149.6, -50, 200},
        {1e300, 2e300, 0, 2e300 + 50},
    };
    for (const Case& c : cases) {
        const PlotRange r = PlotRangeOf(c.lo0, c.hi0);
        EXPECT_EQ(r.lo, c.lo) << c.lo0 << ".." << c.hi0;
        EXPECT_DOUBLE_EQ(r.hi, c.hi) << c.lo0 << ".." << c.hi0;
    }
    // Over the observed and the fitted values; no values at all give 0 .. 50.
    const PlotRange r = PlotRangeOf({{1, 37, 90}, {2, 120, 180}, {3, 60, 40}});
    EXPECT_EQ(r.lo, 0);
    EXPECT_EQ(r.hi, 200);
    const PlotRange none = PlotRangeOf(std::vector<Observation>{});
    EXPECT_EQ(none.lo, 0);
    EXPECT_EQ(none.hi, 50);
}

TEST(ScatterplotTest, PixelsRoundHalvesToEven) {
    const PlotRange r{0, 200};
    // 25 -> 37.5 -> 38, 75 -> 112.5 -> 112, 175 -> 262.5 -> 262.
    EXPECT_EQ(px(25, r), 62);
    EXPECT_EQ(px(75, r), 136);
    EXPECT_EQ(py(175, r), 62);
    EXPECT_EQ(py(0, r), 324);
    EXPECT_EQ(px(200, r), 324);
}

TEST(ScatterplotTest, DrawingInOrder) {
    // Observed 100 and fitted 50 on 0 .. 200: x 174, y 249.
    const Ops ops =
        Draw({{1, 37, 40}, {2, 180, 170.5}, {3, 100, 50}}, "nostrata-d1-d1-MHW-ong.out");

    const Ops start(ops.begin(), ops.begin() + 5);
    EXPECT_EQ(start, (Ops{"pen 000000 1", "brush ffffff", "fill 1 1 350 350", "pen c0c0c0 1",
                          "rect 24 324 62 286"}));

    const Ops grid = Slice(ops, "pen c0c0c0 1", "move");
    EXPECT_EQ(grid.size(), 1u + 8 * 8) << "every cell of 0 .. 200 inside the frame";
    EXPECT_EQ(grid.back(), "rect 286 62 324 24");

    EXPECT_EQ(Slice(ops, "move 24 324", "text"),
              (Ops{"move 24 324", "line 324 24", "pen 000000 2", "move 25 324", "line 325 324",
                   "move 24 25", "line 24 325"}));

    // 25 .. 175 clear the ends of the frame; 0 and 200 do not. Each label is
    // centred below the frame and right-aligned at the image's edge.
    const Ops labels = Slice(ops, "text 56 326 25", "pen");
    EXPECT_EQ(labels.size(), 14u);
    EXPECT_EQ(labels[0], "text 56 326 25");
    EXPECT_EQ(labels[1], "text 338 280 25");
    EXPECT_EQ(labels[13], "text 332 56 175");

    const auto points = std::find(ops.begin() + 5, ops.end(), "brush 000000");
    ASSERT_NE(points, ops.end());
    EXPECT_EQ(*(points - 1), "pen 000000 1");
    EXPECT_EQ(Ops(points + 1, points + 4),
              (Ops{"fill 80 264 82 266", "fill 294 68 296 70", "fill 174 249 176 251"}));

    // The title is centred on its regular width (26 characters of 6), then
    // written in bold.
    EXPECT_EQ(Ops(points + 4, ops.end()), (Ops{"brush ffffff",
                                               "pen 000000 1",
                                               "font bold 000000",
                                               "text 97 1 nostrata-d1-d1-MHW-ong.out",
                                               "font italic ff0000",
                                               "pen ff0000 1",
                                               "text 142 12 Measurement",
                                               "move 137 18",
                                               "line 132 13",
                                               "move 137 18",
                                               "line 132 23",
                                               "move 137 18",
                                               "line 102 18",
                                               "text 1 169 Prediction",
                                               "move 6 124",
                                               "line 1 129",
                                               "move 6 124",
                                               "line 11 129",
                                               "move 6 124",
                                               "line 6 159"}));
}

TEST(ScatterplotTest, LabelsOnlyWhereTheyClearTheFrameEnds) {
    struct Case {
        std::vector<Observation> table;
        std::string first, last;  // first and last label texts, below the frame
        std::size_t count;
    };
    const Case cases[] = {
        // -50 .. 700: -25 lies 10 pixels from the left end, the least allowed.
        {{{1, -10, 660}}, "text 25 326 -25", "text 235 326 500", 22},
        // -700 .. 50: 25 lies 290 pixels along, the most allowed.
        {{{1, -660, 10}}, "text 92 326 -500", "text 308 326 25", 22},
        // No observations: 0 .. 50, 25 in the middle only.
        {{}, "text 168 326 25", "text 168 326 25", 1},
    };
    for (const Case& c : cases) {
        Ops below;
        for (const std::string& text : TextsOf(Draw(c.table))) {
            const std::size_t y = text.find(' ', 5) + 1;
            if (text.compare(y, 4, "326 ") == 0) below.push_back(text);
        }
        ASSERT_EQ(below.size(), c.count);
        EXPECT_EQ(below.front(), c.first);
        EXPECT_EQ(below.back(), c.last);
    }
}

TEST(ScatterplotTest, ScatterplotFileName) {
    EXPECT_EQ(ScatterplotFileName("nostrata-d1-d1-MHW-ong.out"), "nostrata-d1-d1-MHW-ong.wmf");
    EXPECT_EQ(ScatterplotFileName("Zand.out          -d1-d1-MHW-ong.out"), "Zand.wmf");
}

}  // namespace
}  // namespace tarnovel
