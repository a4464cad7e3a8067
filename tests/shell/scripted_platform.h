#pragma once
// A scripted user for tests: a fixed clock, queued answers for open-file
// dialogs, an action per modal form, and a record of everything the logic
// asked of the platform.

#include <cstdio>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "controls/platform.h"
#include "tests/shell/recording_canvas.h"

namespace tarnovel {

class ScriptedPlatform : public Platform {
  public:
    struct Dialog {
        std::string title;
        std::vector<FileFilter> filters;
    };

    // The clock stands still unless a test moves it.
    LocalDateTime clock = At(2013, 1, 5, 9, 3, 7);

    // Answers of the open-file dialogs in turn; an empty queue cancels.
    std::deque<std::string> fileAnswers;

    // What the user does in a modal form, by the form's class name.
    std::map<std::string, std::function<void()>> onModal;

    std::vector<Dialog> dialogs;
    std::vector<std::string> messages;
    std::vector<MessageKind> kinds;  // of each message
    std::vector<std::string> modals;
    std::vector<std::string> repaints;
    std::vector<std::string> helpKeys;
    std::vector<int> helpContexts;
    // What was drawn on each canvas the logic asked for, in turn.
    std::vector<std::shared_ptr<CanvasRecord>> canvases;

    // Date and time with a short date "dd-mm-yyyy" and long time "hh:mm:ss".
    static LocalDateTime At(int year, int month, int day, int hour, int minute, int second) {
        LocalDateTime t;
        t.year = year;
        t.month = month;
        t.day = day;
        t.hour = hour;
        t.minute = minute;
        t.second = second;
        char text[32];
        std::snprintf(text, sizeof text, "%02d-%02d-%04d", day, month, year);
        t.shortDate = text;
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
        t.longTime = text;
        return t;
    }

    std::string OpenFileDialog(const std::string& title,
                               const std::vector<FileFilter>& filters) override {
        dialogs.push_back({title, filters});
        if (fileAnswers.empty()) return "";
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }

    void ShowMessage(const std::string& text) override {
        ShowMessage(text, MessageKind::kInformation);
    }
    void ShowMessage(const std::string& text, MessageKind kind) override {
        messages.push_back(text);
        kinds.push_back(kind);
    }

    void ShowModal(const std::string& form) override {
        modals.push_back(form);
        const auto action = onModal.find(form);
        if (action != onModal.end() && action->second) action->second();
    }

    void Repaint(const std::string& control) override { repaints.push_back(control); }

    void OpenHelpKey(const std::string& key) override { helpKeys.push_back(key); }

    void OpenHelpContext(int context) override { helpContexts.push_back(context); }

    LocalDateTime Now() override { return clock; }

    std::unique_ptr<Canvas> NewCanvas(int width, int height) override {
        canvases.push_back(std::make_shared<CanvasRecord>());
        return std::make_unique<RecordingCanvas>(width, height, canvases.back());
    }
};

}  // namespace tarnovel
