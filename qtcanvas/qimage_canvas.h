#pragma once
// The canvas of the desktop program and the batch tool: QPainter on a
// QImage, saved as a Windows bitmap.

#include <QFont>
#include <QImage>
#include <QPen>
#include <memory>
#include <string>

#include "controls/canvas.h"

namespace tarnovel {

// Text needs a QGuiApplication. Creates one on the "offscreen" platform
// when the process has no application yet (the batch tool); the desktop
// program's own application is used as it is.
void EnsureGuiApplication();

class QImageCanvas : public Canvas {
  public:
    // Calls EnsureGuiApplication.
    QImageCanvas(int width, int height);
    QImageCanvas(const QImageCanvas&) = delete;
    QImageCanvas& operator=(const QImageCanvas&) = delete;

    int Width() const override;
    int Height() const override;
    void SetPen(Rgb colour, int width) override;
    void SetBrush(Rgb colour) override;
    void SetFont(bool bold, bool italic, Rgb colour) override;
    void FillRect(int x1, int y1, int x2, int y2) override;
    void Rectangle(int x1, int y1, int x2, int y2) override;
    void MoveTo(int x, int y) override;
    void LineTo(int x, int y) override;
    void TextOut(int x, int y, const std::string& text) override;
    int TextWidth(const std::string& text) override;
    int TextHeight(const std::string& text) override;
    Raster Snapshot() const override;
    void SaveAsBitmap(const std::string& name) override;

    const QImage& image() const { return image_; }

  private:
    QPen Pen() const;

    QImage image_;
    QColor pen_;
    int penWidth_ = 1;
    QColor brush_;
    QFont font_;
    QColor textColour_;
    QPoint position_;
};

std::unique_ptr<Canvas> MakeQImageCanvas(int width, int height);

}  // namespace tarnovel
