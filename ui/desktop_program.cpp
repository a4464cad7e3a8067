#include "ui/desktop_program.h"

#include <QFont>
#include <QStyleFactory>

namespace tarnovel {

void ApplyProgramLook(QApplication& app) {
    if (QStyle* style = QStyleFactory::create("Fusion")) app.setStyle(style);
    QFont font("DejaVu Sans");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(8);
    app.setFont(font);
}

DesktopProgram::DesktopProgram(QtPlatform& platform)
    : main(platform),
      buisdata(platform),
      meetdata(platform),
      mainView(main, platform),
      buisdataView(buisdata, platform),
      meetdataView(meetdata, platform),
      aboutView(about, platform) {
    main.AttachDataWindows(buisdata, meetdata);
}

void DesktopProgram::Start() {
    mainView.Start();
}

}  // namespace tarnovel
