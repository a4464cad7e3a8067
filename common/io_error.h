#pragma once
#include <stdexcept>
#include <string>

namespace tarnovel {

// An input/output failure: it ends the current user action, and its message
// says what failed, on which file, and why.
class IoError : public std::runtime_error {
  public:
    IoError(const std::string& what, const std::string& file, const std::string& reason);

    const std::string& action() const { return action_; }
    const std::string& file() const { return file_; }
    const std::string& reason() const { return reason_; }

    // The reason for the current errno, as the system words it.
    static std::string SystemReason(int errnum);

  private:
    std::string action_;
    std::string file_;
    std::string reason_;
};

}  // namespace tarnovel
