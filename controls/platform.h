#pragma once
// Everything the program's logic needs from the world outside it. The desktop
// program implements it with Qt; the tests and the batch tool implement it as
// a scripted user, so all three run the same logic and leave the same files.

#include <memory>
#include <string>
#include <vector>

#include "controls/canvas.h"

namespace tarnovel {

struct LocalDateTime {
    int year = 2000, month = 1, day = 1;
    int hour = 0, minute = 0, second = 0;
    std::string shortDate;  // the locale's short date text, e.g. "5-1-2013"
    std::string longTime;   // the locale's long time text, e.g. "9:03:07"
};

// What a message box says, shown by its icon.
enum class MessageKind { kInformation, kWarning, kError };

// One entry of an open-file dialog's filter list.
struct FileFilter {
    std::string description;  // "Comma separated (*.csv)"
    std::string pattern;      // "*.csv"
};

class Platform {
  public:
    virtual ~Platform() = default;

    // The name chosen in an open-file dialog (as the dialog returns it, a
    // full path), or an empty text when the user cancelled.
    virtual std::string OpenFileDialog(const std::string& title,
                                       const std::vector<FileFilter>& filters) = 0;

    // A modal message box with an OK button: information.
    virtual void ShowMessage(const std::string& text) = 0;
    // The same with the icon of its kind. A platform that shows no icons
    // shows every kind as information.
    virtual void ShowMessage(const std::string& text, MessageKind kind) {
        (void)kind;
        ShowMessage(text);
    }

    // Shows a form modally; returns when the user has closed it. `form` is
    // the form model's class name ("TfrmBUISDATA", "TfrmMEETDATA",
    // "TfrmAbout").
    virtual void ShowModal(const std::string& form) = 0;

    // Repaints one control now, in the middle of a long handler.
    virtual void Repaint(const std::string& control) = 0;

    // Opens help at a table-of-contents key or at a help context number.
    virtual void OpenHelpKey(const std::string& key) = 0;
    virtual void OpenHelpContext(int context) = 0;

    virtual LocalDateTime Now() = 0;

    // A new white drawing surface of width x height pixels.
    virtual std::unique_ptr<Canvas> NewCanvas(int width, int height) = 0;
};

}  // namespace tarnovel
