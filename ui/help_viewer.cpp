#include "ui/help_viewer.h"

namespace tarnovel {

HelpViewer::HelpViewer(QWidget* parent) : QTextBrowser(parent) {
    setObjectName("HelpViewer");
    setWindowFlag(Qt::Window);
    setWindowTitle("Tarnovel Help");
    resize(520, 420);
    setOpenLinks(false);
}

void HelpViewer::ShowKey(const std::string& key) {
    topic_ = key;
    setPlainText(QString("Help topic %1").arg(QString::fromStdString(key)));
    Present();
}

void HelpViewer::ShowContext(int context) {
    topic_ = std::to_string(context);
    setPlainText(QString("Help topic %1").arg(context));
    Present();
}

void HelpViewer::Present() {
    show();
    raise();
    activateWindow();
}

}  // namespace tarnovel
