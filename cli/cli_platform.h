#pragma once
// The batch tool's platform: a scripted user. Dialog answers and the actions
// inside modal windows are queued by the command; message boxes go to the
// tool's standard output.

#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <string>

#include "shell/clock.h"
#include "controls/platform.h"
#include "qtcanvas/qimage_canvas.h"

namespace tarnovel::cli {

class CliPlatform : public Platform {
  public:
    explicit CliPlatform(std::ostream& out) : out_(out) {}

    std::deque<std::string> fileAnswers;
    std::map<std::string, std::function<void()>> onModal;

    std::string OpenFileDialog(const std::string&, const std::vector<FileFilter>&) override {
        if (fileAnswers.empty()) return "";
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& text) override { out_ << text << "\n"; }
    void ShowModal(const std::string& form) override {
        const auto action = onModal.find(form);
        if (action != onModal.end() && action->second) action->second();
    }
    void Repaint(const std::string&) override {}
    void OpenHelpKey(const std::string&) override {}
    void OpenHelpContext(int) override {}
    LocalDateTime Now() override { return SystemNow(); }
    std::unique_ptr<Canvas> NewCanvas(int width, int height) override {
        return MakeQImageCanvas(width, height);
    }

  private:
    std::ostream& out_;
};

}  // namespace tarnovel::cli
