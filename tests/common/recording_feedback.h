#pragma once
// A Feedback that keeps what an operation told it.

#include <string>
#include <vector>

#include "common/feedback.h"

namespace tarnovel {

struct RecordingFeedback : Feedback {
    void Log(const std::string& line) override { log.push_back(line); }
    void Message(const std::string& text) override { messages.push_back(text); }
    void Progress(int percent) override { progress.push_back(percent); }

    std::vector<std::string> log, messages;
    std::vector<int> progress;
};

}  // namespace tarnovel
