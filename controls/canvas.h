#pragma once
// A raster drawing surface with the handful of operations the scatterplot
// needs. The drawing is written once against this interface; the desktop
// program and the batch tool paint it with QPainter, the tests record it.

#include <cstdint>
#include <string>
#include <vector>

namespace tarnovel {

// A colour as 0xRRGGBB.
using Rgb = std::uint32_t;

inline constexpr Rgb RgbOf(unsigned red, unsigned green, unsigned blue) {
    return (Rgb{red & 0xFFu} << 16) | (Rgb{green & 0xFFu} << 8) | Rgb{blue & 0xFFu};
}

inline constexpr Rgb kBlack = 0x000000;
inline constexpr Rgb kWhite = 0xFFFFFF;

// width x height pixels, row by row from the top-left, each 0xRRGGBB.
struct Raster {
    int width = 0;
    int height = 0;
    std::vector<Rgb> pixels;
};

// Coordinates are pixels, x to the right and y down from the top-left
// corner. A new canvas is white all over, with a black pen of width 1, a
// white brush and the regular black font.
//
// Rectangles follow the convention of the desktop canvases the program's
// pictures were first drawn on: the right and bottom edges are excluded, so
// the rectangle from (x1, y1) to (x2, y2) covers the pixels x1 .. x2 - 1 and
// y1 .. y2 - 1; corners may be given in either order.
class Canvas {
  public:
    virtual ~Canvas() = default;

    virtual int Width() const = 0;
    virtual int Height() const = 0;

    virtual void SetPen(Rgb colour, int width) = 0;
    virtual void SetBrush(Rgb colour) = 0;
    virtual void SetFont(bool bold, bool italic, Rgb colour) = 0;

    // The rectangle in the brush colour, without an outline.
    virtual void FillRect(int x1, int y1, int x2, int y2) = 0;
    // The rectangle filled with the brush and outlined in the pen.
    virtual void Rectangle(int x1, int y1, int x2, int y2) = 0;

    // LineTo strokes in the pen from the current position to (x, y), which
    // then becomes the current position.
    virtual void MoveTo(int x, int y) = 0;
    virtual void LineTo(int x, int y) = 0;

    // Writes text in the font with its top-left corner at (x, y), on a
    // background of the brush colour as wide and high as TextWidth and
    // TextHeight give.
    virtual void TextOut(int x, int y, const std::string& text) = 0;
    virtual int TextWidth(const std::string& text) = 0;
    virtual int TextHeight(const std::string& text) = 0;

    // The picture as it stands.
    virtual Raster Snapshot() const = 0;

    // Writes the picture as a Windows bitmap (BMP) under name, whatever its
    // extension says. The file appears under its name only when complete;
    // throws IoError when it cannot be written.
    virtual void SaveAsBitmap(const std::string& name) = 0;
};

}  // namespace tarnovel
