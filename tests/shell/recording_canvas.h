#pragma once
// A canvas for tests: it records every call as a line of text and keeps a
// plain raster of the fills, outlines, lines and text backgrounds, so tests
// can check both the drawing's order and what the form shows.

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "controls/canvas.h"

namespace tarnovel {

struct CanvasRecord {
    std::vector<std::string> ops;    // "pen c0c0c0 1", "rect 24 324 49 299", ...
    std::vector<std::string> saved;  // names passed to SaveAsBitmap
};

class RecordingCanvas : public Canvas {
  public:
    // Every character is 6 pixels wide, 7 in bold, and 12 high.
    static constexpr int kCharWidth = 6;
    static constexpr int kBoldCharWidth = 7;
    static constexpr int kCharHeight = 12;

    RecordingCanvas(int width, int height,
                    std::shared_ptr<CanvasRecord> record = std::make_shared<CanvasRecord>())
        : record_(std::move(record)) {
        raster_.width = width;
        raster_.height = height;
        raster_.pixels.assign(static_cast<std::size_t>(width) * height, kWhite);
    }

    const CanvasRecord& record() const { return *record_; }

    int Width() const override { return raster_.width; }
    int Height() const override { return raster_.height; }

    void SetPen(Rgb colour, int width) override {
        pen_ = colour;
        Op("pen " + Hex(colour) + " " + std::to_string(width));
    }
    void SetBrush(Rgb colour) override {
        brush_ = colour;
        Op("brush " + Hex(colour));
    }
    void SetFont(bool bold, bool italic, Rgb colour) override {
        bold_ = bold;
        Op(std::string("font ") + (bold ? "bold" : "") + (italic ? "italic" : "") +
           (bold || italic ? "" : "regular") + " " + Hex(colour));
    }
    void FillRect(int x1, int y1, int x2, int y2) override {
        Op("fill " + Coords({x1, y1, x2, y2}));
        Fill(x1, y1, x2, y2, brush_);
    }
    void Rectangle(int x1, int y1, int x2, int y2) override {
        Op("rect " + Coords({x1, y1, x2, y2}));
        if (x1 > x2) std::swap(x1, x2);
        if (y1 > y2) std::swap(y1, y2);
        Fill(x1, y1, x2, y2, pen_);
        Fill(x1 + 1, y1 + 1, x2 - 1, y2 - 1, brush_);
    }
    void MoveTo(int x, int y) override {
        Op("move " + Coords({x, y}));
        x_ = x;
        y_ = y;
    }
    void LineTo(int x, int y) override {
        Op("line " + Coords({x, y}));
        const int steps = std::max(std::abs(x - x_), std::abs(y - y_));
        for (int s = 0; s <= steps; ++s) {
            const int px = steps == 0 ? x : x_ + (x - x_) * s / steps;
            const int py = steps == 0 ? y : y_ + (y - y_) * s / steps;
            Fill(px, py, px + 1, py + 1, pen_);
        }
        x_ = x;
        y_ = y;
    }
    void TextOut(int x, int y, const std::string& text) override {
        Op("text " + Coords({x, y}) + " " + text);
        Fill(x, y, x + TextWidth(text), y + kCharHeight, brush_);
    }
    int TextWidth(const std::string& text) override {
        return (bold_ ? kBoldCharWidth : kCharWidth) * static_cast<int>(text.size());
    }
    int TextHeight(const std::string&) override { return kCharHeight; }

    Raster Snapshot() const override { return raster_; }

    // The file holds the recorded calls, one a line.
    void SaveAsBitmap(const std::string& name) override {
        record_->saved.push_back(name);
        std::ofstream out(name, std::ios::binary);
        for (const std::string& op : record_->ops)
            out << op << '\n';
    }

  private:
    static std::string Hex(Rgb colour) {
        char text[8];
        std::snprintf(text, sizeof text, "%06x", static_cast<unsigned>(colour));
        return text;
    }
    static std::string Coords(std::initializer_list<int> values) {
        std::string text;
        for (const int v : values)
            text += (text.empty() ? "" : " ") + std::to_string(v);
        return text;
    }
    void Op(std::string op) { record_->ops.push_back(std::move(op)); }
    void Fill(int x1, int y1, int x2, int y2, Rgb colour) {
        for (int y = std::max(y1, 0); y < std::min(y2, raster_.height); ++y)
            for (int x = std::max(x1, 0); x < std::min(x2, raster_.width); ++x)
                raster_.pixels[static_cast<std::size_t>(y) * raster_.width + x] = colour;
    }

    std::shared_ptr<CanvasRecord> record_;
    Raster raster_;
    Rgb pen_ = kBlack;
    Rgb brush_ = kWhite;
    bool bold_ = false;
    int x_ = 0;
    int y_ = 0;
};

}  // namespace tarnovel
