#include <sys/stat.h>
#include <unistd.h>

#include <clocale>
#include <string>

#include "qtcanvas/qimage_canvas.h"

#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QRect>
#include <string_view>
#include <utility>

#include "common/io_error.h"
#include "common/text_file.h"

namespace tarnovel {

namespace {

QColor ToQColor(Rgb colour) {
    return QColor::fromRgb(static_cast<QRgb>(colour));
}

QString ToQString(const std::string& text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// The pixels x1 .. x2 - 1 and y1 .. y2 - 1, corners in either order.
QRect Span(int x1, int y1, int x2, int y2) {
    if (x1 > x2) std::swap(x1, x2);
    if (y1 > y2) std::swap(y1, y2);
    return QRect(x1, y1, x2 - x1, y2 - y1);
}

}  // namespace

void EnsureGuiApplication() {
    if (QCoreApplication::instance() != nullptr) return;
    // Without a session (the batch tool in a terminal or under CI) there is
    // no runtime folder; give Qt the private one it would fall back to, so
    // that it does not warn about it on every run.
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
        const std::string runtime = "/tmp/runtime-" + std::to_string(::getuid());
        ::mkdir(runtime.c_str(), 0700);
        struct stat info {};
        if (::stat(runtime.c_str(), &info) == 0 && info.st_uid == ::getuid() &&
            (info.st_mode & 0777) == 0700)
            qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(runtime));
    }
    static char program[] = "tarnovel";
    static char option[] = "-platform";
    static char platform[] = "offscreen";
    static char* argv[] = {program, option, platform, nullptr};
    static int argc = 3;
    static QGuiApplication application(argc, argv);
    // Qt takes the user's locale; numbers in files are read and written with
    // a decimal point whatever it says.
    std::setlocale(LC_NUMERIC, "C");
}

QImageCanvas::QImageCanvas(int width, int height)
    : image_(width, height, QImage::Format_RGB32),
      pen_(Qt::black),
      brush_(Qt::white),
      font_(QStringLiteral("DejaVu Sans")),
      textColour_(Qt::black) {
    EnsureGuiApplication();
    image_.fill(Qt::white);
    // Crisp, like the canvases the picture was first drawn on, and the same
    // pixels on every machine with the same font.
    font_.setPixelSize(11);
    font_.setStyleStrategy(QFont::NoAntialias);
}

int QImageCanvas::Width() const {
    return image_.width();
}

int QImageCanvas::Height() const {
    return image_.height();
}

QPen QImageCanvas::Pen() const {
    QPen pen(pen_);
    pen.setWidth(penWidth_);
    // A flat end leaves out the last pixel of a line, as LineTo promises.
    pen.setCapStyle(Qt::FlatCap);
    pen.setJoinStyle(Qt::MiterJoin);
    return pen;
}

void QImageCanvas::SetPen(Rgb colour, int width) {
    pen_ = ToQColor(colour);
    penWidth_ = width;
}

void QImageCanvas::SetBrush(Rgb colour) {
    brush_ = ToQColor(colour);
}

void QImageCanvas::SetFont(bool bold, bool italic, Rgb colour) {
    font_.setBold(bold);
    font_.setItalic(italic);
    textColour_ = ToQColor(colour);
}

void QImageCanvas::FillRect(int x1, int y1, int x2, int y2) {
    QPainter painter(&image_);
    painter.fillRect(Span(x1, y1, x2, y2), brush_);
}

void QImageCanvas::Rectangle(int x1, int y1, int x2, int y2) {
    const QRect span = Span(x1, y1, x2, y2);
    if (span.isEmpty()) return;
    QPainter painter(&image_);
    painter.setPen(Pen());
    painter.setBrush(brush_);
    // An outlined rectangle of width w and height h covers w + 1 by h + 1
    // pixels in QPainter.
    painter.drawRect(span.x(), span.y(), span.width() - 1, span.height() - 1);
}

void QImageCanvas::MoveTo(int x, int y) {
    position_ = QPoint(x, y);
}

void QImageCanvas::LineTo(int x, int y) {
    QPainter painter(&image_);
    painter.setPen(Pen());
    painter.drawLine(position_, QPoint(x, y));
    position_ = QPoint(x, y);
}

void QImageCanvas::TextOut(int x, int y, const std::string& text) {
    const QString line = ToQString(text);
    const QFontMetrics metrics(font_);
    QPainter painter(&image_);
    painter.fillRect(QRect(x, y, metrics.horizontalAdvance(line), metrics.height()), brush_);
    painter.setFont(font_);
    painter.setPen(textColour_);
    painter.drawText(QPoint(x, y + metrics.ascent()), line);
}

int QImageCanvas::TextWidth(const std::string& text) {
    return QFontMetrics(font_).horizontalAdvance(ToQString(text));
}

int QImageCanvas::TextHeight(const std::string&) {
    return QFontMetrics(font_).height();
}

Raster QImageCanvas::Snapshot() const {
    Raster raster;
    raster.width = image_.width();
    raster.height = image_.height();
    raster.pixels.reserve(static_cast<std::size_t>(raster.width) * raster.height);
    for (int y = 0; y < raster.height; ++y) {
        const QRgb* row = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
        for (int x = 0; x < raster.width; ++x)
            raster.pixels.push_back(static_cast<Rgb>(row[x] & 0xFFFFFFu));
    }
    return raster;
}

void QImageCanvas::SaveAsBitmap(const std::string& name) {
    // Encoded in memory and written by the program's own writer, so that a
    // full disk is reported as the system words it and leaves no partial
    // picture behind.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter encoder(&buffer, "BMP");
    if (!encoder.write(image_))
        throw IoError("Cannot write file", name, encoder.errorString().toStdString());
    TextFileWriter file(name);
    file.Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    file.Commit();
}

std::unique_ptr<Canvas> MakeQImageCanvas(int width, int height) {
    return std::make_unique<QImageCanvas>(width, height);
}

}  // namespace tarnovel
