#pragma once
// What a long operation tells the person who started it: log lines, message
// boxes and how far it has come. The main window passes its log and its
// Platform; tests and tools pass what they need to watch.

#include <string>

namespace tarnovel {

class Feedback {
  public:
    virtual ~Feedback() = default;

    // One entry of the session log (it may hold line breaks of its own).
    virtual void Log(const std::string& line) = 0;

    // A message box with an OK button; returns when the user has closed it.
    virtual void Message(const std::string& text) = 0;

    // The progress bar moves to percent (0..100) and is repainted now.
    virtual void Progress(int percent) = 0;
};

}  // namespace tarnovel
