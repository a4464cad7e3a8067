#pragma once
// The batch tool's platform: a scripted user. Dialog answers and the actions
// inside modal windows are queued by the command; information boxes go to
// the tool's standard output, warnings and errors to its standard error, one
// line each ("tarnovel-cli run: warning: ..."). The errors are kept: a run
// that showed one has failed.

#include <deque>
#include <functional>
#include <map>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "shell/clock.h"
#include "controls/platform.h"
#include "qtcanvas/qimage_canvas.h"

namespace tarnovel::cli {

class CliPlatform : public Platform {
  public:
    CliPlatform(std::ostream& out, std::ostream& err) : out_(out), err_(err) {}

    std::deque<std::string> fileAnswers;
    std::map<std::string, std::function<void()>> onModal;
    std::vector<std::string> errors;  // the error boxes shown, in turn

    std::string OpenFileDialog(const std::string&, const std::vector<FileFilter>&) override {
        if (fileAnswers.empty()) return "";
        std::string answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& text) override { out_ << text << "\n"; }
    void ShowMessage(const std::string& text, MessageKind kind) override {
        if (kind == MessageKind::kInformation) {
            ShowMessage(text);
            return;
        }
        if (kind == MessageKind::kError) errors.push_back(text);
        // A warning box holds its warnings one a line, each "Warning: ...".
        const std::string mark = "Warning: ";
        std::istringstream lines(text);
        std::string line;
        while (std::getline(lines, line)) {
            if (line.empty()) continue;
            if (kind == MessageKind::kWarning && line.rfind(mark, 0) == 0)
                line.erase(0, mark.size());
            err_ << "tarnovel-cli run: " << (kind == MessageKind::kWarning ? "warning: " : "")
                 << line << "\n";
        }
    }
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
    std::ostream& err_;
};

}  // namespace tarnovel::cli
