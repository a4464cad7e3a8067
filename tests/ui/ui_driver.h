#pragma once
// A user at the desktop program's windows, for the UI tests and the
// screenshot tool: the Qt platform with its dialogs answered by a script,
// and helpers that act on widgets as the mouse and keyboard would.

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QMouseEvent>
#include <QTabBar>
#include <QTest>
#include <deque>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "ui/qt_platform.h"

namespace tarnovel::uitest {

// The desktop program's platform with the user's answers scripted: file
// dialogs answered from a queue, message boxes recorded instead of shown,
// and what the user does in each modal window.
class ScriptedQtPlatform : public QtPlatform {
  public:
    struct Dialog {
        std::string title;
        std::vector<FileFilter> filters;
    };

    std::deque<std::string> fileAnswers;  // an empty queue cancels
    std::map<std::string, std::function<void(QDialog&)>> onModal;
    // Looks at the window a file dialog comes over, as the dialog opens.
    std::function<void(QWidget* owner)> onFileDialog;

    std::vector<Dialog> dialogs;
    // The message boxes the program made, with their icons, in turn.
    std::vector<std::string> messages;
    std::vector<QMessageBox::Icon> icons;
    std::vector<std::string> modals;
    // Modal windows the script left open; they are closed so that the
    // program does not wait for ever.
    std::vector<std::string> leftOpen;

    std::string AskOpenFileName(QWidget* owner, const std::string& title,
                                const std::vector<FileFilter>& filters) override {
        dialogs.push_back({title, filters});
        if (onFileDialog) onFileDialog(owner);
        if (fileAnswers.empty()) return "";
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    void ExecMessage(QMessageBox& box) override {
        messages.push_back(box.text().toStdString());
        icons.push_back(box.icon());
    }

    void ModalShown(const std::string& form, QDialog& window) override {
        modals.push_back(form);
        // The user acts once the window has the keyboard.
        (void)QTest::qWaitForWindowActive(&window, 2000);
        const auto script = onModal.find(form);
        if (script != onModal.end() && script->second) {
            const auto action = script->second;
            action(window);
        }
        if (window.isVisible()) {
            leftOpen.push_back(form);
            window.close();
            if (window.isVisible()) window.done(QDialog::Rejected);
        }
    }
};

template <class W>
W* Find(const QWidget* root, const char* name) {
    W* widget = root->findChild<W*>(QString::fromUtf8(name));
    if (widget == nullptr) throw std::runtime_error(std::string("no widget named ") + name);
    return widget;
}

inline QAction* FindAction(const QWidget* root, const char* name) {
    auto* action = root->findChild<QAction*>(QString::fromUtf8(name));
    if (action == nullptr) throw std::runtime_error(std::string("no action named ") + name);
    return action;
}

// A click with the mouse; a hidden or disabled widget cannot be clicked.
inline void Click(QWidget* widget) {
    if (!widget->isVisible() || !widget->isEnabled())
        throw std::runtime_error("cannot click " + widget->objectName().toStdString() +
                                 ": hidden or disabled");
    QTest::mouseClick(widget, Qt::LeftButton);
}

inline void Click(const QWidget* root, const char* name) {
    Click(Find<QWidget>(root, name));
}

// The user picks an item from a selector's list.
inline void Choose(const QWidget* root, const char* name, const QString& item) {
    auto* box = Find<QComboBox>(root, name);
    if (!box->isVisible() || !box->isEnabled())
        throw std::runtime_error(std::string("cannot choose in ") + name + ": hidden or disabled");
    const int index = box->findText(item, Qt::MatchExactly);
    if (index < 0)
        throw std::runtime_error(std::string(name) + " does not offer " + item.toStdString());
    box->setFocus(Qt::MouseFocusReason);
    box->setCurrentIndex(index);
    emit box->activated(index);
}

// The user selects these items of a list (and only these).
inline void Select(const QWidget* root, const char* name, const QStringList& items) {
    auto* list = Find<QListWidget>(root, name);
    list->clearSelection();
    for (const QString& item : items) {
        const auto found = list->findItems(item, Qt::MatchExactly);
        if (found.isEmpty())
            throw std::runtime_error(std::string(name) + " does not hold " + item.toStdString());
        found.front()->setSelected(true);
    }
}

// The user clears a text box and types text into it.
inline void Type(const QWidget* root, const char* name, const QString& text) {
    auto* edit = Find<QLineEdit>(root, name);
    edit->setFocus(Qt::MouseFocusReason);
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

// Keys typed at whatever has the keyboard focus, one at a time: the first
// may open an editor that takes the rest.
inline void TypeKeys(const QString& text) {
    for (const QChar ch : text)
        QTest::keyClick(QApplication::focusWidget(), ch.toLatin1());
}

inline void SelectTab(const QWidget* root, int index) {
    auto* tabs = Find<QTabBar>(root, "tbcntrlZelvimoMAIN");
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(index).center());
}

// The mouse moved to a point of a widget (its middle by default).
inline void Hover(QWidget* widget, QPoint at = QPoint(-1, -1)) {
    static ulong timestamp = 1;
    if (at == QPoint(-1, -1)) at = widget->rect().center();
    QMouseEvent move(QEvent::MouseMove, QPointF(at), QPointF(widget->mapToGlobal(at)), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    move.setTimestamp(++timestamp);
    QApplication::sendEvent(widget, &move);
}

}  // namespace tarnovel::uitest
