#include "shell/session_log.h"

#include <cerrno>
#include <cstdio>

#include "common/file_system.h"
#include "common/io_error.h"
#include "common/number_format.h"

namespace tarnovel {

namespace {

std::string TwoDigits(int v) {
    char text[16];
    std::snprintf(text, sizeof text, "%02d", v);
    return text;
}

}  // namespace

std::string LogFileNameAt(const LocalDateTime& t) {
    char year[16];
    std::snprintf(year, sizeof year, "%04d", t.year);
    return "Tarnovel at " + TwoDigits(t.day) + "-" + TwoDigits(t.month) + "-" + year + " " +
           TwoDigits(t.hour) + "h" + TwoDigits(t.minute) + "m" + TwoDigits(t.second) + "s.log";
}

std::string SessionLabelOf(int counter) {
    return "Session " + I(counter, 2);
}

std::string SessionFolderOf(int counter) {
    return "session" + std::to_string(counter);
}

std::vector<std::string> CopyToSessionFolder(const std::string& folder) {
    // An existing folder can only stem from an earlier program start and holds
    // the user's archived results, so it is added to, never emptied.
    if (!DirectoryExists(folder)) CreateDirectory(folder);
    std::vector<std::string> copied;
    for (const std::string& pattern : ArchivePatterns()) {
        for (const std::string& name : ListFiles(pattern)) {
            if (CopyFile(name, folder + "/" + name)) copied.push_back(name);
        }
    }
    return copied;
}

std::vector<std::string> MoveToSessionFolder(const std::string& folder, const std::string& keep) {
    if (!DirectoryExists(folder)) CreateDirectory(folder);
    std::vector<std::string> archived;
    std::vector<std::string> copied;
    for (const std::string& pattern : ArchivePatterns()) {
        for (const std::string& name : ListFiles(pattern)) {
            const std::string to = folder + "/" + name;
            if (name != keep && MoveFile(name, to)) {
                archived.push_back(name);
            } else if (CopyFile(name, to)) {
                archived.push_back(name);
                copied.push_back(name);
            }
        }
    }
    DeleteArchivedFiles(copied, keep);
    return archived;
}

void DeleteArchivedFiles(const std::vector<std::string>& names, const std::string& keep) {
    for (const std::string& name : names) {
        if (name != keep) DeleteFile(name);
    }
}

SessionLog::~SessionLog() {
    if (file_ == nullptr) return;
    chunks_.Drain(file_);
    std::fclose(file_);
}

void SessionLog::Create(const std::string& name) {
    if (file_ != nullptr) {
        chunks_.Drain(file_);
        std::fclose(file_);
        file_ = nullptr;
    }
    name_ = name;
    // Created empty first, then written in append mode: lines only ever go to
    // the end of the file.
    std::FILE* created = std::fopen(name.c_str(), "wb");
    if (created == nullptr || std::fclose(created) != 0 ||
        (file_ = std::fopen(name.c_str(), "ab")) == nullptr) {
        failure_ = IoError::SystemReason(errno);
        throw IoError("Cannot create file", name_, failure_);
    }
    // The chunks are the buffer: each goes out in one write.
    std::setvbuf(file_, nullptr, _IONBF, 0);
    failure_.clear();
}

void SessionLog::Add(std::string_view text) {
    if (file_ == nullptr) {
        throw IoError("Cannot write file", name_.empty() ? std::string("(log file)") : name_,
                      failure_.empty() ? std::string("the log file is not open") : failure_);
    }
    // Buffered: a prediction writes a block per location and kind. The form
    // flushes when a user action ends and before the archive copies the log.
    if (!chunks_.Put(file_, text) || !chunks_.Put(file_, "\r\n")) {
        throw IoError("Cannot write file", name_, IoError::SystemReason(errno));
    }
}

void SessionLog::Flush() {
    if (file_ != nullptr && (!chunks_.Drain(file_) || std::fflush(file_) != 0))
        throw IoError("Cannot write file", name_, IoError::SystemReason(errno));
}

void SessionLog::Close() {
    if (file_ == nullptr) return;
    std::FILE* file = file_;
    file_ = nullptr;
    failure_ = "the log file is closed";
    // The reason of whichever failed first: the last chunk, or the close.
    const int drainError = chunks_.Drain(file) ? 0 : errno;
    const bool closed = std::fclose(file) == 0;
    if (drainError != 0 || !closed)
        throw IoError("Cannot write file", name_,
                      IoError::SystemReason(drainError != 0 ? drainError : errno));
}

}  // namespace tarnovel
