#pragma once
// Connects the widgets of a view to the control states of a form model by
// object name. The widget's type says which kind of control it shows (a
// QComboBox shows a ComboBox, a QTableView a StringGrid, ...), so the views
// hold no glue per control: they build widgets, name them as the controls
// and list which handler answers which user action.
//
// Two directions, kept apart:
// - changed in the widget: a user action writes the widget's new state into
//   the model and runs the handlers listed for it;
// - changed in the model: Refresh() brings every widget up to the model. While
//   it does, the signals the widgets emit are not user actions and are
//   ignored, so a refresh never runs a handler.

#include <QAbstractTableModel>
#include <QGroupBox>
#include <QLabel>
#include <QObject>
#include <functional>
#include <initializer_list>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.h"

class QAbstractItemView;
class QAction;
class QButtonGroup;
class QComboBox;
class QTableView;
class QWidget;

namespace tarnovel {

enum class UserEvent {
    Click,      // a button, check box, radio item, menu item or selector item
    Change,     // the text of a selector or edit box, the tab of a tab control
    Enter,      // the control receives the focus from another control
    MouseMove,  // the mouse over the control (or over the window: name "")
    KeyDown,    // a key goes down in a grid, before it reaches the cell
};

// One line of a form's handler table.
struct Route {
    std::string control;  // "" is the window itself
    UserEvent event;
    std::function<void()> handler;
};

// A line of a handler table written with the form's member functions.
template <class Form>
struct Handler {
    const char* control;
    UserEvent event;
    void (Form::*method)();
};

template <class Form>
std::vector<Route> RoutesOf(Form& form, std::initializer_list<Handler<Form>> table) {
    std::vector<Route> routes;
    for (const Handler<Form>& h : table)
        routes.push_back({h.control, h.event, [&form, m = h.method] { (form.*m)(); }});
    return routes;
}

// Calls a handler on behalf of the user; the desktop program's platform
// catches what it throws and refreshes the views afterwards.
using HandlerRunner = std::function<void(const std::function<void()>&)>;

// Lists a form model's controls by name.
using ControlSource = std::function<void(ControlVisitor&)>;

// The radio group: a group box of radio items laid out in columns.
class RadioGroupBox : public QGroupBox {
  public:
    explicit RadioGroupBox(QWidget* parent = nullptr, int columns = 1);

    // Lays out one radio button per item; the buttons are rebuilt only when
    // the items change.
    void SetItems(const std::vector<std::string>& items);
    void SetItemIndex(int index);
    int ItemIndex() const;
    int Count() const { return static_cast<int>(items_.size()); }
    QButtonGroup* Buttons() const { return buttons_; }

    // A growing group keeps its width and top-left corner: its height is
    // rowHeight per row plus room for the caption and the frame.
    void SetAutoHeight(int rowHeight, int extra);

  private:
    void Arrange();

    int columns_;
    int rowHeight_ = 0;
    int extraHeight_ = 0;
    std::vector<std::string> items_;
    QButtonGroup* buttons_;
};

// The picture control: shows the form model's raster when it has one, and
// otherwise the picture the view gave it.
class PictureBox : public QLabel {
  public:
    using QLabel::QLabel;
};

// Shows a StringGrid in a QTableView: the fixed title row is the view's
// horizontal header, the other rows are the table's rows. The cells are read
// from the model when painted, so a large table costs nothing per refresh.
class GridModel : public QAbstractTableModel {
  public:
    GridModel(StringGrid& grid, QObject* parent);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // The grid changed in the model; true when its shape changed, which
    // resets the view's columns.
    bool Sync();
    // The model row of a view row, and back.
    int GridRow(int viewRow) const { return viewRow + Fixed(); }
    int ViewRow(int gridRow) const { return gridRow - Fixed(); }
    StringGrid& grid() const { return grid_; }

  private:
    int Fixed() const;

    StringGrid& grid_;
    int shownCols_ = 0;
    int shownRows_ = 0;
    int shownFixed_ = 0;
};

class Binder : public QObject {
  public:
    // The kinds of control a widget can show.
    enum class Kind {
        Plain,
        Button,
        Label,
        CheckBox,
        RadioButton,
        RadioGroup,
        ComboBox,
        ListBox,
        Edit,
        Memo,
        GroupBox,
        Gauge,
        StatusBar,
        TabControl,
        StringGrid,
        Image,
    };

    // Binds every widget or action below `view` whose object name is a
    // control of the form; the view itself stands for the window (name "").
    Binder(QWidget* view, const ControlSource& controls, std::vector<Route> routes,
           HandlerRunner run);

    // Every widget from the model.
    void Refresh();
    // One control's widget from the model; false when no widget shows it.
    bool Refresh(std::string_view control);

    QObject* Bound(std::string_view control) const;
    Control* ControlOf(std::string_view control) const;
    bool IsGauge(std::string_view control) const;

    // The name of the control whose widget holds `widget` (the widget itself
    // or its nearest named ancestor); "" for the window.
    std::string ControlAt(const QWidget* widget) const;

    // Widgets whose type does not suit the control their name gives, by the
    // naming rule of the controls (prefix "cmbbx" a selector, "lstbx" a
    // list, ...), and controls without a widget. Empty when all is well.
    std::vector<std::string> Mismatches() const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    struct Binding {
        std::string name;
        Control* control = nullptr;
        QObject* object = nullptr;
        Kind kind = Kind::Plain;
        GridModel* grid = nullptr;
        std::vector<unsigned> shownPixels;  // the raster the picture shows
    };

    // What the binder does for one kind of control: set its widget up and
    // connect the widget's user actions once, and bring the widget up to
    // the model at every refresh. Either may be absent.
    using Step = void (Binder::*)(Binding&);
    struct KindSteps {
        Step setUp = nullptr;
        Step apply = nullptr;
    };
    static KindSteps StepsOf(Kind kind);

    void Bind(Binding& b);
    void Watch(QWidget* widget);
    void Apply(Binding& b);
    void ApplyCommon(Binding& b);

    // Buttons, check boxes, radio buttons and radio groups (binder_buttons.cpp).
    void SetUpButton(Binding& b);
    void ApplyButton(Binding& b);
    void SetUpCheckBox(Binding& b);
    void ApplyCheckBox(Binding& b);
    void SetUpRadioButton(Binding& b);
    void ApplyRadioButton(Binding& b);
    void SetUpRadioGroup(Binding& b);
    void ApplyRadioGroup(Binding& b);

    // Labels, edit boxes, memos and group boxes (binder_text.cpp).
    void SetUpLabel(Binding& b);
    void ApplyLabel(Binding& b);
    void SetUpEdit(Binding& b);
    void ApplyEdit(Binding& b);
    void ApplyMemo(Binding& b);
    void ApplyGroupBox(Binding& b);

    // Selectors, list boxes and tab controls (binder_lists.cpp).
    void SetUpComboBox(Binding& b);
    void ApplyComboBox(Binding& b);
    void ConnectTyping(Binding& b, QComboBox* box);
    void SetUpListBox(Binding& b);
    void ApplyListBox(Binding& b);
    void SetUpTabControl(Binding& b);
    void ApplyTabControl(Binding& b);

    // The string grid (binder_grid.cpp).
    void SetUpStringGrid(Binding& b);
    void ApplyStringGrid(Binding& b);

    // Gauges, status bars and pictures (binder_displays.cpp).
    void SetUpGauge(Binding& b);
    void ApplyGauge(Binding& b);
    void ApplyStatusBar(Binding& b);
    void ApplyImage(Binding& b);

    // A user action: runs the handlers listed for (control, event).
    void Fire(const std::string& control, UserEvent event);
    bool HasRoute(const std::string& control, UserEvent event) const;
    void MouseMoved(QWidget* widget, QEvent* event);
    void FocusEntered(QWidget* widget);

    QWidget* view_;
    std::vector<Route> routes_;
    HandlerRunner run_;
    std::map<std::string, Control*, std::less<>> controls_;
    std::vector<std::string> order_;  // control names in the form's order
    std::map<std::string, Binding, std::less<>> bindings_;
    std::map<const QObject*, std::string> names_;
    int filling_ = 0;
    std::string focused_;   // the control that has the focus
    qint64 lastMove_ = -1;  // time stamp of the last mouse move handled
    QPointF lastMovePos_;
    const QEvent* lastKey_ = nullptr;
    quint64 lastKeyTime_ = 0;
};

}  // namespace tarnovel
