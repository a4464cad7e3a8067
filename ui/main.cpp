// Tarnovel, the desktop program.

#include <QApplication>

#include "ui/desktop_program.h"
#include "ui/widget_kit.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarnovel");
    QApplication::setDesktopFileName("org.tarnovel.Tarnovel");
    QApplication::setWindowIcon(QIcon(tarnovel::ProgramPicture(64)));
    tarnovel::ApplyProgramLook(app);

    tarnovel::QtPlatform platform;
    tarnovel::DesktopProgram program(platform);
    program.Start();
    return QApplication::exec();
}
