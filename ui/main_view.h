#pragma once
// The main window: the menu, the tab control with the three tabs, the
// progress group and the status bar of TfrmZelvimoMAIN.

#include <QMainWindow>
#include <memory>

#include "ui/qt_platform.h"

namespace tarnovel {

class Binder;
class TfrmZelvimoMAIN;

class MainView : public QMainWindow, public View {
  public:
    MainView(TfrmZelvimoMAIN& form, QtPlatform& platform);
    ~MainView() override;

    std::string FormName() const override;
    QWidget* Window() override { return this; }
    Binder& Bindings() override { return *binder_; }
    void Refresh() override;

    // Start-up: the window shown in the middle of the desktop.
    void Start();

  protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    void Build();
    void BuildTabZero(QWidget* group);
    void BuildTabOne(QWidget* group);
    void BuildTabTwo(QWidget* group);
    void BuildProgress(QWidget* group);
    void Activated();
    void HelpForFocus();

    TfrmZelvimoMAIN& form_;
    QtPlatform& platform_;
    Binder* binder_ = nullptr;
    bool activated_ = false;
    bool closed_ = false;
};

}  // namespace tarnovel
