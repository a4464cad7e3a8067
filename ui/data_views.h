#pragma once
// The modal data windows: the piezometer data window and the field
// measurement window, each a reading stage, an editable grid with its
// context menu, the role group and "Ready!".

#include <QDialog>
#include <functional>

#include "controls/controls.h"
#include "ui/binder.h"
#include "ui/qt_platform.h"

class QMenu;
class QTableView;

namespace tarnovel {

class TfrmBUISDATA;
class TfrmMEETDATA;

// What the two windows share: the modal showing, closing when the form
// model says it is done, the grid's context menu and F1.
class DataWindowView : public QDialog, public View {
  public:
    std::string FormName() const override { return hooks_.formName; }
    QWidget* Window() override { return this; }
    Binder& Bindings() override { return *binder_; }
    void Refresh() override;
    void RunModal() override;

    struct Hooks {
        std::string formName;
        std::function<void()> start;     // the form's start handler
        std::function<bool()> closed;    // the form is done
        std::function<bool()> mayClose;  // closing by the title bar
        int helpContext = 0;
        std::vector<Route> routes;
    };

  protected:
    DataWindowView(QtPlatform& platform, int width, int height, const QString& caption);

    // The reading stage, the grid label, the grid with its context menu and
    // the status bar, named as the form's controls.
    QTableView* BuildCommon(const char* label, const char* grid, const char* status, int gridWidth,
                            int gridHeight);
    void Bind(Hooks hooks, const std::function<void(ControlVisitor&)>& controls);

    void closeEvent(QCloseEvent* event) override;
    // Escape does not close these windows: they end only through their
    // buttons or the title bar.
    void reject() override {}

    QtPlatform& platform_;
    Binder* binder_ = nullptr;
    Hooks hooks_;
    QMenu* menu_ = nullptr;
};

class BuisdataView : public DataWindowView {
  public:
    BuisdataView(TfrmBUISDATA& form, QtPlatform& platform);

  private:
    TfrmBUISDATA& form_;
};

class MeetdataView : public DataWindowView {
  public:
    MeetdataView(TfrmMEETDATA& form, QtPlatform& platform);

  private:
    TfrmMEETDATA& form_;
};

}  // namespace tarnovel
