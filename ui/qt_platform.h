#pragma once
// The desktop program's Platform: Qt dialogs, message boxes and modal
// windows. Every user action reaches its handler through Run(), which shows
// what a handler throws (an input/output failure: what failed, the file, the
// system's reason) in a message box and lets the program go on.

#include <QPointer>
#include <functional>
#include <string>
#include <vector>

#include "controls/platform.h"
#include "ui/help_viewer.h"

class QDialog;
class QMessageBox;
class QWidget;

namespace tarnovel {

class Binder;
class TfrmZelvimoMAIN;

// What the platform needs of a window's view.
class View {
  public:
    virtual ~View() = default;
    // The form model's class name: "TfrmZelvimoMAIN", "TfrmBUISDATA", ...
    virtual std::string FormName() const = 0;
    virtual QWidget* Window() = 0;
    virtual Binder& Bindings() = 0;
    // Every widget from the form model; a modal window closes when its form
    // model says it is done.
    virtual void Refresh() = 0;
    // Shows the window modally and returns when it is closed. The main
    // window is never shown this way.
    virtual void RunModal() {}
};

class QtPlatform : public Platform {
  public:
    QtPlatform();
    ~QtPlatform() override;
    QtPlatform(const QtPlatform&) = delete;
    QtPlatform& operator=(const QtPlatform&) = delete;

    // Brings the window the dialog comes over up to its form model first.
    std::string OpenFileDialog(const std::string& title,
                               const std::vector<FileFilter>& filters) final;
    void ShowMessage(const std::string& text) override;
    // A message box with the icon of its kind; ExecMessage shows it.
    void ShowMessage(const std::string& text, MessageKind kind) override;
    void ShowModal(const std::string& form) override;
    void Repaint(const std::string& control) override;
    void OpenHelpKey(const std::string& key) override;
    void OpenHelpContext(int context) override;
    LocalDateTime Now() override;
    std::unique_ptr<Canvas> NewCanvas(int width, int height) override;

    // Runs a handler on behalf of the user, shows what it throws, writes
    // the log through and refreshes every view.
    void Run(const std::function<void()>& handler);

    // The program's windows, as it creates them.
    void SetMainForm(TfrmZelvimoMAIN* main) { main_ = main; }
    void AddView(View* view) { views_.push_back(view); }
    void RefreshViews();

    // Called from a modal window's event loop once it is on screen; the
    // desktop program does nothing here, tests act as the user.
    virtual void ModalShown(const std::string& form, QDialog& window);

    // The help window, made when first asked for.
    HelpViewer& Help();
    void CloseHelp();

    // The window message boxes and dialogs belong to: the modal window in
    // front, else the main window.
    QWidget* Owner() const;

  protected:
    // Runs a message box made by ShowMessage until the user presses OK.
    // Tests look at it and close it instead.
    virtual void ExecMessage(QMessageBox& box);

    // The open-file dialog itself, over `owner`; "" when cancelled. Tests
    // answer it from a script.
    virtual std::string AskOpenFileName(QWidget* owner, const std::string& title,
                                        const std::vector<FileFilter>& filters);

  private:
    TfrmZelvimoMAIN* main_ = nullptr;
    std::vector<View*> views_;
    QPointer<HelpViewer> help_;
};

}  // namespace tarnovel
