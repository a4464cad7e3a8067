// Gauges, status bars and pictures: the controls that only show what the
// form model holds.

#include <QImage>
#include <QPixmap>
#include <QProgressBar>
#include <QStatusBar>
#include <algorithm>

#include "ui/binder.h"
#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::QStr;

void Binder::SetUpGauge(Binding& b) {
    As<QProgressBar>(b.object)->setRange(0, 100);
}

void Binder::ApplyGauge(Binding& b) {
    const auto& c = static_cast<const Gauge&>(*b.control);
    auto* gauge = As<QProgressBar>(b.object);
    const int position = std::clamp(c.position, 0, 100);
    if (gauge->value() != position) gauge->setValue(position);
}

void Binder::ApplyStatusBar(Binding& b) {
    const auto& c = static_cast<const StatusBar&>(*b.control);
    auto* bar = As<QStatusBar>(b.object);
    if (bar->currentMessage() == QStr(c.text)) return;
    if (c.text.empty())
        bar->clearMessage();
    else
        bar->showMessage(QStr(c.text));
}

// The picture is rebuilt only when the raster changed: a refresh comes
// after every handler, and most handlers leave the plot alone.
void Binder::ApplyImage(Binding& b) {
    const auto& c = static_cast<const Image&>(*b.control);
    auto* picture = As<PictureBox>(b.object);
    const std::size_t size = static_cast<std::size_t>(std::max(0, c.width)) * std::max(0, c.height);
    if (size == 0 || c.pixels.size() != size || c.pixels == b.shownPixels) return;
    QImage image(c.width, c.height, QImage::Format_RGB32);
    for (int y = 0; y < c.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < c.width; ++x)
            line[x] = 0xFF000000u | c.pixels[static_cast<std::size_t>(y) * c.width + x];
    }
    picture->setPixmap(QPixmap::fromImage(image));
    b.shownPixels = c.pixels;
}

}  // namespace tarnovel
