#pragma once
// Small helpers the views are built with: widgets placed at design
// coordinates and named as the controls they show, and the program's own
// pictures.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <map>
#include <utility>
#include <vector>

#include "ui/binder.h"

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

// The tool window of type View among the main window's direct children
// (the views have no meta-object, so a cast finds them); null when none.
template <class View>
View* FindToolWindow(QWidget* mainWindow) {
    for (QObject* child : mainWindow->children())
        if (auto* view = dynamic_cast<View*>(child)) return view;
    return nullptr;
}

// The tool window of type View, made on first use, brought up to date and
// to the front: there is only ever one of each.
template <class View, class Form, class Platform>
View& ShowToolWindow(QWidget* mainWindow, Form& form, Platform& platform) {
    View* view = FindToolWindow<View>(mainWindow);
    if (view == nullptr) view = new View(form, platform, mainWindow);
    view->Update();
    view->show();
    view->raise();
    view->activateWindow();
    return *view;
}

// How a widget follows its parent when the parent grows beyond the size it
// was designed at: the shares of the parent's growth (width for left and
// width, height for top and height) by which its edges move. Nothing moves
// at the designed size, so a window looks there as it was laid out.
struct Follow {
    double left = 0, top = 0, width = 0, height = 0;
};
inline constexpr Follow kGrow{0, 0, 1, 1};
inline constexpr Follow kGrowWidth{0, 0, 1, 0};
inline constexpr Follow kGrowHeight{0, 0, 0, 1};
inline constexpr Follow kMoveDown{0, 1, 0, 0};
inline constexpr Follow kMoveRight{1, 0, 0, 0};
inline constexpr Follow kMoveDownGrowWidth{0, 1, 1, 0};
inline constexpr Follow kMoveCorner{1, 1, 0, 0};

// The widgets of one window that follow their parents' growth. It watches
// each parent named so far and places the parent's followers whenever the
// parent is resized.
class Anchors : public QObject {
  public:
    using QObject::QObject;

    // widget follows its parent's growth beyond the parent's size now; its
    // own geometry now is its designed one.
    void Add(QWidget* widget, Follow follow);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Follower {
        QPointer<QWidget> widget;
        QRect designed;
        Follow follow;
    };
    struct Parent {
        QSize designed;
        std::vector<Follower> followers;
    };
    void Place(QWidget* parent, const Parent& p);

    std::map<QWidget*, Parent> parents_;
};

// The window's anchors, made when first asked for.
Anchors& AnchorsOf(QWidget* window);

// A picture that grows with its place: larger than its picture, it shows
// the picture enlarged to fit, in proportion, from the top-left corner; at
// the picture's own size it shows it pixel for pixel.
class ScalingPictureBox : public PictureBox {
  public:
    using PictureBox::PictureBox;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

// The arrow between two workflow steps.
QPixmap ArrowPicture(int width, int height);
// The program's picture: a piezometer tube standing in the ground with the
// water table in it; also the window icon.
QPixmap ProgramPicture(int size);

}  // namespace tarnovel
