#include "ui/about_view.h"

#include <QApplication>
#include <QLabel>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QTimer>

#include "shell/about_form.h"
#include "ui/binder.h"
#include "ui/widget_kit.h"

namespace tarnovel {

AboutView::AboutView(TfrmAbout& form, QtPlatform& platform) : form_(form), platform_(platform) {
    setObjectName(FormName().c_str());
    setWindowTitle(QString::fromUtf8(TfrmAbout::caption.data(),
                                     static_cast<qsizetype>(TfrmAbout::caption.size())));
    // Fixed size and no title-bar buttons: OK is the way out.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(TfrmAbout::clientWidth, TfrmAbout::clientHeight);
    setModal(true);

    auto* picture = Put<PictureBox>(this, "Image1", 16, 16, 112, 112);
    picture->setPixmap(ProgramPicture(112));

    // Read as text, not used: no frame, no selection, and the disabled list
    // keeps its text black.
    auto* purpose = Put<QListWidget>(this, "ListBox1", 144, 24, 282, 130);
    purpose->setFrameShape(QFrame::NoFrame);
    QPalette palette = purpose->palette();
    palette.setColor(QPalette::Disabled, QPalette::Text,
                     palette.color(QPalette::Active, QPalette::WindowText));
    palette.setColor(QPalette::Disabled, QPalette::Base,
                     palette.color(QPalette::Active, QPalette::Window));
    palette.setColor(QPalette::Active, QPalette::Base,
                     palette.color(QPalette::Active, QPalette::Window));
    purpose->setPalette(palette);

    // Lined up with the list's text, under its last line.
    Put<QLabel>(this, "lblVERSION", 148, 156, 274, 20);

    Put<QPushButton>(this, "bttnOK", (TfrmAbout::clientWidth - 80) / 2, 186, 80, 28);

    using E = UserEvent;
    binder_ = new Binder(
        this, [this](ControlVisitor& v) { form_.forEachControl(v); },
        RoutesOf<TfrmAbout>(form_, {{"bttnOK", E::Click, &TfrmAbout::bttnOKClick}}),
        [this](const std::function<void()>& handler) { platform_.Run(handler); });

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] {
        platform_.Run([this] { platform_.OpenHelpContext(TfrmAbout::helpContext); });
    });
    platform_.AddView(this);
}

std::string AboutView::FormName() const {
    return std::string(TfrmAbout::formName);
}

void AboutView::Refresh() {
    binder_->Refresh();
    if (form_.closeRequested && isVisible()) done(QDialog::Accepted);
}

void AboutView::RunModal() {
    platform_.Run([this] { form_.FormShow(); });
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    QTimer::singleShot(0, this, [this] { platform_.ModalShown(FormName(), *this); });
    QPointer<QWidget> before = QApplication::activeWindow();
    exec();
    // The window that was active before gets the keyboard back, as a window
    // manager would give it.
    if (before) before->activateWindow();
}

void AboutView::reject() {
    // Escape, or the desktop closing the window, ends it as OK does.
    platform_.Run([this] { form_.bttnOKClick(); });
}

}  // namespace tarnovel
