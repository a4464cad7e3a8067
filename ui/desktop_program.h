#pragma once
// The desktop program: the four windows, each a form model with its view,
// created in the order of program start.

#include <QApplication>
#include <memory>

#include "shell/about_form.h"
#include "shell/main_form.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "ui/about_view.h"
#include "ui/data_views.h"
#include "ui/main_view.h"
#include "ui/qt_platform.h"

namespace tarnovel {

// The look the windows were laid out for: one style and one small sans
// font on every desktop, so nothing depends on the desktop's theme.
void ApplyProgramLook(QApplication& app);

class DesktopProgram {
  public:
    explicit DesktopProgram(QtPlatform& platform);

    // Shows the main window; start-up follows when it becomes active.
    void Start();

    TfrmZelvimoMAIN main;
    TfrmBUISDATA buisdata;
    TfrmMEETDATA meetdata;
    TfrmAbout about;

    MainView mainView;
    BuisdataView buisdataView;
    MeetdataView meetdataView;
    AboutView aboutView;
};

}  // namespace tarnovel
