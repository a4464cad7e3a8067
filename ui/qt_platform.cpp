#include "ui/qt_platform.h"

#include <QApplication>
#include <QDialog>
#include <QFileDialog>
#include <QMessageBox>
#include <exception>

#include "qtcanvas/qimage_canvas.h"
#include "shell/clock.h"
#include "shell/main_form.h"
#include "ui/binder.h"

namespace tarnovel {

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() {
    // A help window opened over a modal window belongs to that window.
    if (help_ && help_->parentWidget() == nullptr) delete help_.data();
}

QWidget* QtPlatform::Owner() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    for (View* view : views_)
        if (view->FormName() == "TfrmZelvimoMAIN") return view->Window();
    return nullptr;
}

std::string QtPlatform::OpenFileDialog(const std::string& title,
                                       const std::vector<FileFilter>& filters) {
    // The dialog is asked for in the middle of a window's start: behind it
    // the window must show the state the start has reached, not the table
    // it held when it last closed.
    QWidget* owner = Owner();
    for (View* view : views_)
        if (view->Window() == owner) view->Bindings().Refresh();
    return AskOpenFileName(owner, title, filters);
}

std::string QtPlatform::AskOpenFileName(QWidget* owner, const std::string& title,
                                        const std::vector<FileFilter>& filters) {
    QStringList list;
    for (const FileFilter& f : filters) {
        QString entry = QString::fromStdString(f.description);
        if (f.description.find(f.pattern) == std::string::npos)
            entry += QString(" (%1)").arg(QString::fromStdString(f.pattern));
        list.push_back(entry);
    }
    const QString chosen = QFileDialog::getOpenFileName(owner, QString::fromStdString(title),
                                                        QString(), list.join(";;"));
    return chosen.toStdString();
}

void QtPlatform::ShowMessage(const std::string& text) {
    ShowMessage(text, MessageKind::kInformation);
}

void QtPlatform::ShowMessage(const std::string& text, MessageKind kind) {
    const QMessageBox::Icon icon = kind == MessageKind::kError     ? QMessageBox::Critical
                                   : kind == MessageKind::kWarning ? QMessageBox::Warning
                                                                   : QMessageBox::Information;
    QMessageBox box(icon, QApplication::applicationName(), QString::fromStdString(text),
                    QMessageBox::Ok, Owner());
    ExecMessage(box);
}

void QtPlatform::ExecMessage(QMessageBox& box) {
    box.exec();
}

void QtPlatform::ShowModal(const std::string& form) {
    for (View* view : views_)
        if (view->FormName() == form) {
            view->RunModal();
            return;
        }
}

void QtPlatform::ModalShown(const std::string&, QDialog&) {}

void QtPlatform::Repaint(const std::string& control) {
    // In the middle of a long handler only the gauges are brought up to
    // date, and only they are painted: the rest waits for the handler's end.
    for (View* view : views_) {
        Binder& bindings = view->Bindings();
        if (!bindings.IsGauge(control)) continue;
        bindings.Refresh(control);
        if (auto* widget = qobject_cast<QWidget*>(bindings.Bound(control))) widget->repaint();
    }
}

HelpViewer& QtPlatform::Help() {
    if (!help_) help_ = new HelpViewer();
    // A window shown over a modal window must belong to it, or the modal
    // window would keep the user out of it.
    QWidget* modal = QApplication::activeModalWidget();
    if (help_->parentWidget() != modal) {
        help_->setParent(modal, Qt::Window);
    }
    return *help_;
}

void QtPlatform::CloseHelp() {
    if (help_) help_->close();
}

void QtPlatform::OpenHelpKey(const std::string& key) {
    Help().ShowKey(key);
}

void QtPlatform::OpenHelpContext(int context) {
    Help().ShowContext(context);
}

LocalDateTime QtPlatform::Now() {
    return SystemNow();
}

std::unique_ptr<Canvas> QtPlatform::NewCanvas(int width, int height) {
    return MakeQImageCanvas(width, height);
}

void QtPlatform::Run(const std::function<void()>& handler) {
    try {
        handler();
    } catch (const std::exception& e) {
        ShowMessage(e.what(), MessageKind::kError);
    } catch (...) {
        ShowMessage("The action ended in an unexpected error.", MessageKind::kError);
    }
    if (main_ != nullptr) {
        try {
            main_->FlushLog();
        } catch (const std::exception& e) {
            ShowMessage(e.what(), MessageKind::kError);
        }
    }
    RefreshViews();
}

void QtPlatform::RefreshViews() {
    for (View* view : views_)
        view->Refresh();
}

}  // namespace tarnovel
