#pragma once
// The session log file and the session archive: the files a session leaves in
// the current directory are moved into a numbered folder "session" + number.

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "common/text_file.h"
#include "controls/platform.h"

namespace tarnovel {

// "Tarnovel at dd-mm-yyyy hhHmmMssS.log" with h, m and s as literal letters:
// "Tarnovel at 23-04-2012 10h06m30s.log".
std::string LogFileNameAt(const LocalDateTime& t);

// "Session " + counter right-aligned in 2 characters: "Session  4", "Session 12".
std::string SessionLabelOf(int counter);

// "session" + counter, no padding: "session3".
std::string SessionFolderOf(int counter);

// The files a session leaves behind, in archiving order; matched without
// regard to case.
inline const std::vector<std::string>& ArchivePatterns() {
    static const std::vector<std::string> patterns = {"*.dat", "*.OUT", "*.wmf", "*.log",
                                                      "session*.csv"};
    return patterns;
}

// Copies every plain file of the current directory that matches one of the
// archive patterns into `folder`, creating it when needed and replacing files
// of the same name there; nothing else in the folder is touched. Returns the
// names that were copied: only those may later be deleted.
std::vector<std::string> CopyToSessionFolder(const std::string& folder);

// The archive of a session: what CopyToSessionFolder followed by
// DeleteArchivedFiles(copied, keep) leaves, but each file that is not `keep`
// is moved by a rename where it can be, and copied and deleted only where it
// must. Returns the names archived, in the order CopyToSessionFolder gives.
std::vector<std::string> MoveToSessionFolder(const std::string& folder, const std::string& keep);

// Deletes the named files from the current directory, except `keep` (the log
// that is still open: on this platform deleting an open file would succeed
// and lose every line written after the copy). Missing files are skipped.
void DeleteArchivedFiles(const std::vector<std::string>& names, const std::string& keep);

// One log file per program start, written line by line in append mode,
// through a buffer: Flush() when a user action ends and before the archive
// copies the file, so that the file on disk then holds every line so far.
class SessionLog {
  public:
    SessionLog() = default;
    ~SessionLog();
    SessionLog(const SessionLog&) = delete;
    SessionLog& operator=(const SessionLog&) = delete;

    // Creates the file, replacing one of that name; throws IoError. The name
    // is kept even when creation fails, so later writes can name the file.
    void Create(const std::string& name);

    // Writes text as it is, followed by CR LF. Throws IoError when the log is
    // not open or the write fails.
    void Add(std::string_view text);

    void Flush();  // throws IoError
    void Close();  // throws IoError; the log is closed afterwards in any case

    bool IsOpen() const { return file_ != nullptr; }
    const std::string& name() const { return name_; }

  private:
    std::string name_;
    std::string failure_;  // why the log is not open, for the next write
    std::FILE* file_ = nullptr;
    // The file's buffer: large, since a prediction logs a long block per
    // location and kind, and every write to the file costs a system call.
    OutputChunks chunks_;
};

}  // namespace tarnovel
