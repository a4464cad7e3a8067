// Tarnovel, the desktop program.

#include <QApplication>
#include <cstring>
#include <iostream>

#include "tarnovel/version.h"
#include "ui/desktop_program.h"
#include "ui/widget_kit.h"

int main(int argc, char** argv) {
    // Answered before Qt starts, so that it works without a display.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::cout << "tarnovel " << tarnovel::kVersion << "\n";
            return 0;
        }
    }
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
