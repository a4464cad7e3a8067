#include "common/io_error.h"

#include <cstring>

namespace tarnovel {

IoError::IoError(const std::string& what, const std::string& file, const std::string& reason)
    : std::runtime_error(what + " " + file + ": " + reason),
      action_(what),
      file_(file),
      reason_(reason) {}

std::string IoError::SystemReason(int errnum) {
    return std::strerror(errnum);
}

}  // namespace tarnovel
