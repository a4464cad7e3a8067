#include "ui/help_viewer.h"

#include <QFile>
#include <QUrl>

namespace tarnovel {

HelpViewer::HelpViewer(QWidget* parent) : QTextBrowser(parent) {
    setObjectName("HelpViewer");
    setWindowFlag(Qt::Window);
    setWindowTitle("Tarnovel Help");
    resize(520, 420);
    setOpenLinks(true);
}

namespace {

// One page per help context; anything else opens the contents.
QUrl PageOf(const QString& name) {
    const QString path = ":/help/" + name;
    return QUrl("qrc" + (QFile::exists(path) ? path : QString(":/help/contents.html")));
}

}  // namespace

void HelpViewer::ShowKey(const std::string& key) {
    topic_ = key;
    setSource(PageOf("contents.html"));
    Present();
}

void HelpViewer::ShowContext(int context) {
    topic_ = std::to_string(context);
    setSource(PageOf(QString("context-%1.html").arg(context)));
    Present();
}

void HelpViewer::Present() {
    show();
    raise();
    activateWindow();
}

}  // namespace tarnovel
