#include "qtcanvas/qimage_canvas.h"

#include <gtest/gtest.h>

#include <QColor>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "regression/scatterplot.h"
#include "tests/shell/temp_directory.h"

namespace tarnovel {
namespace {

class QImageCanvasTest : public InTempDirectory {
  protected:
    // The batch tool runs without any display and without Qt's variables:
    // the canvas must find its platform on its own.
    static void SetUpTestSuite() { ::unsetenv("QT_QPA_PLATFORM"); }

    static std::vector<std::string> Entries() {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator("."))
            names.push_back(entry.path().filename().string());
        return names;
    }

    static QImage Load(const std::string& name, QByteArray* format) {
        QImageReader reader(QString::fromStdString(name));
        reader.setDecideFormatFromContent(true);
        *format = reader.format();
        return reader.read();
    }
};

constexpr QRgb kGrey = 0xFFC0C0C0;
constexpr QRgb kOpaqueBlack = 0xFF000000;
constexpr QRgb kOpaqueWhite = 0xFFFFFFFF;

bool AnyPixel(const QImage& image, QRect area, bool (*test)(QColor)) {
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (test(image.pixelColor(x, y))) return true;
    return false;
}

TEST_F(QImageCanvasTest, SavedScatterplotIsA350BitmapOfThePictureDrawn) {
    QImageCanvas canvas(kPlotSize, kPlotSize);
    EXPECT_EQ(QGuiApplication::platformName(), "offscreen");
    // On 0 .. 200: grid lines at 24, 62, 99, 136, 174, ... both ways, the
    // axes through x = 24 and y = 324, observation 3 at (174, 249).
    DrawScatterplot(canvas, {{1, 37, 40}, {2, 180, 170.5}, {3, 100, 50}},
                    "nostrata-d1-d1-MHW-ong.out");
    canvas.SaveAsBitmap("nostrata-d1-d1-MHW-ong.wmf");
    EXPECT_EQ(Entries(), std::vector<std::string>{"nostrata-d1-d1-MHW-ong.wmf"});
    EXPECT_EQ(Get("nostrata-d1-d1-MHW-ong.wmf").substr(0, 2), "BM");

    QByteArray format;
    const QImage saved = Load("nostrata-d1-d1-MHW-ong.wmf", &format);
    ASSERT_FALSE(saved.isNull());
    EXPECT_EQ(format, "bmp");
    EXPECT_EQ(saved.size(), QSize(350, 350));

    struct Pixel {
        int x, y;
        QRgb colour;
        const char* what;
    };
    const Pixel pixels[] = {
        {0, 0, kOpaqueWhite, "corner"},
        {115, 190, kOpaqueWhite, "inside a grid cell"},
        {115, 174, kGrey, "grid line"},
        {136, 190, kGrey, "grid line"},
        {200, 324, kOpaqueBlack, "horizontal axis"},
        {24, 200, kOpaqueBlack, "vertical axis"},
        {175, 250, kOpaqueBlack, "observation"},
        {80, 264, kOpaqueBlack, "observation"},
    };
    for (const Pixel& p : pixels)
        EXPECT_EQ(saved.pixel(p.x, p.y), p.colour) << p.what << " at " << p.x << "," << p.y;

    const auto red = [](QColor c) { return c.red() > 200 && c.green() < 80 && c.blue() < 80; };
    const auto black = [](QColor c) { return c.lightness() < 60; };
    EXPECT_TRUE(AnyPixel(saved, QRect(100, 12, 150, 14), red)) << "caption Measurement";
    EXPECT_TRUE(AnyPixel(saved, QRect(1, 160, 60, 30), red)) << "caption Prediction";
    EXPECT_TRUE(AnyPixel(saved, QRect(60, 1, 230, 10), black)) << "title";
    EXPECT_TRUE(AnyPixel(saved, QRect(40, 330, 270, 15), black)) << "labels below the frame";

    // What the window shows is what the file holds.
    const Raster shown = canvas.Snapshot();
    ASSERT_EQ(shown.pixels.size(), 350u * 350u);
    int differing = 0;
    for (int y = 0; y < 350; ++y)
        for (int x = 0; x < 350; ++x)
            differing += (saved.pixel(x, y) & 0xFFFFFF) != shown.pixels[y * 350 + x];
    EXPECT_EQ(differing, 0);
}

TEST_F(QImageCanvasTest, TextIsMeasuredInTheFontSet) {
    QImageCanvas canvas(kPlotSize, kPlotSize);
    const std::string title = "nostrata-d1-d1-MHW-ong.out";
    const int regular = canvas.TextWidth(title);
    EXPECT_GT(regular, 100);
    EXPECT_GT(canvas.TextHeight(title), 8);
    canvas.SetFont(true, false, kBlack);
    EXPECT_GT(canvas.TextWidth(title), regular);

    // Text sits on a background of the brush colour.
    canvas.SetBrush(RgbOf(0, 0, 255));
    canvas.TextOut(10, 10, "Wi");
    EXPECT_EQ(canvas.image().pixel(10, 10), 0xFF0000FFu);
}

TEST_F(QImageCanvasTest, RectanglesLeaveOutTheirRightAndBottomEdges) {
    QImageCanvas canvas(40, 40);
    canvas.SetPen(RgbOf(255, 0, 0), 1);
    canvas.SetBrush(RgbOf(0, 255, 0));
    canvas.Rectangle(20, 30, 10, 10);  // corners in either order
    canvas.FillRect(30, 30, 35, 35);
    const QImage& image = canvas.image();
    EXPECT_EQ(image.pixel(10, 10), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(19, 29), 0xFFFF0000u);
    EXPECT_EQ(image.pixel(15, 20), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(20, 20), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(15, 30), 0xFFFFFFFFu);
    EXPECT_EQ(image.pixel(34, 34), 0xFF00FF00u);
    EXPECT_EQ(image.pixel(35, 34), 0xFFFFFFFFu);
}

TEST_F(QImageCanvasTest, SavingReplacesWholeFilesAndFailsLoudly) {
    QImageCanvas canvas(kPlotSize, kPlotSize);
    Put("plot.wmf", "an older picture");
    canvas.SaveAsBitmap("plot.wmf");
    EXPECT_EQ(Entries(), std::vector<std::string>{"plot.wmf"});
    QByteArray format;
    EXPECT_EQ(Load("plot.wmf", &format).size(), QSize(350, 350));

    EXPECT_THROW(canvas.SaveAsBitmap("no-such-folder/plot.wmf"), IoError);
    std::filesystem::create_directory("plot2.wmf");
    try {
        canvas.SaveAsBitmap("plot2.wmf");
        ADD_FAILURE() << "saved over a folder";
    } catch (const IoError& e) {
        EXPECT_EQ(e.file(), "plot2.wmf");
    }
    EXPECT_EQ(Entries().size(), 2u) << "no temporary file is left behind";
}

}  // namespace
}  // namespace tarnovel
