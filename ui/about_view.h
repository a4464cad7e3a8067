#pragma once
// The About window: the program's picture, what it is for, and OK.

#include <QDialog>

#include "ui/qt_platform.h"

namespace tarnovel {

class TfrmAbout;

class AboutView : public QDialog, public View {
  public:
    AboutView(TfrmAbout& form, QtPlatform& platform);

    std::string FormName() const override;
    QWidget* Window() override { return this; }
    Binder& Bindings() override { return *binder_; }
    void Refresh() override;
    void RunModal() override;

  protected:
    void reject() override;

  private:
    TfrmAbout& form_;
    QtPlatform& platform_;
    Binder* binder_ = nullptr;
};

}  // namespace tarnovel
