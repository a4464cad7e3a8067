#pragma once
// Small helpers the views are built with: widgets placed at design
// coordinates and named as the controls they show, and the program's own
// pictures.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QWidget>
#include <utility>

class QLabel;
class QProgressBar;
class QTableView;

namespace tarnovel {

// A widget of type W in parent, named as its control and placed at x, y
// with the given size.
template <class W, class... Args>
W* Put(QWidget* parent, const char* name, int x, int y, int width, int height, Args&&... args) {
    auto* widget = new W(parent, std::forward<Args>(args)...);
    widget->setObjectName(name);
    widget->setGeometry(x, y, width, height);
    return widget;
}

void SetTextColour(QWidget* widget, const QColor& colour);
void SetBold(QWidget* widget, bool bold = true);
void SetItalic(QWidget* widget, bool italic = true);
// A progress bar in the given colour, without a percentage text.
void StyleGauge(QProgressBar* gauge, const QColor& colour);
// A grid that shows its table but takes no typing and no selection.
void MakeReadOnly(QTableView* table);
// The form's column widths times factor: they were set for a narrower font.
void ScaleColumns(QTableView* table, double factor);
void SetRowHeight(QTableView* table, int height);

// The arrow between two workflow steps.
QPixmap ArrowPicture(int width, int height);
// The program's picture: a piezometer tube standing in the ground with the
// water table in it; also the window icon.
QPixmap ProgramPicture(int size);

}  // namespace tarnovel
