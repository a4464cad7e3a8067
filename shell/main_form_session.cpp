#include <exception>

#include "common/file_system.h"
#include "common/io_error.h"
#include "shell/main_form.h"
#include "shell/session_log.h"

namespace tarnovel {

int MilestonePosition(mijlpaal toestand) {
    switch (toestand) {
        case mijlpaal::na_start:
            return 9;
        case mijlpaal::na_instellen:
            return 24;
        case mijlpaal::na_uitvoeren:
            return 39;
        case mijlpaal::na_rapporteren:
            return 59;
        case mijlpaal::na_voorspellen:
            return 87;
        case mijlpaal::bij_einde:
            return 100;
    }
    return 0;
}

std::string TfrmZelvimoMAIN::SessionLabel() const {
    return SessionLabelOf(sessionCounter_);
}

void TfrmZelvimoMAIN::INITLOG() {
    const std::string logName = LogFileNameAt(platform_.Now());
    log_.Create(logName);
    log_.Add("Logfile of " + logName.substr(0, logName.size() - 4));
    log_.Add("");
}

void TfrmZelvimoMAIN::ADDLOG(std::string_view txt) {
    log_.Add(txt);
}

void TfrmZelvimoMAIN::LogTableEdits(const DataWindowReport& report) {
    const std::string indent(20, ' ');
    if (report.missingCodeText.empty())
        ADDLOG(indent + "Interactively marked missing data in this file.");
    if (report.recordsRemoved)
        ADDLOG(indent + "Interactively removed lines (records) from this file!");
    if (report.recordsAdded) ADDLOG(indent + "Interactively added lines (records) to this file!");
    if (report.columnsRemoved)
        ADDLOG(indent + "Interactively removed columns (variables) from this file!");
    if (report.columnsAdded)
        ADDLOG(indent + "Interactively added columns (variables) to this file!");
}

void TfrmZelvimoMAIN::CLOSELOG() {
    log_.Close();
}

void TfrmZelvimoMAIN::FlushLog() {
    log_.Flush();
}

void TfrmZelvimoMAIN::StartSession() {
    if (sessionCounter_ > 0) ArchiveSession();
    // Never reuse a number: its folder holds the results of an earlier start,
    // and a plain file of that name would keep the archive from being made.
    do {
        ++sessionCounter_;
    } while (DirectoryExists(SessionFolderOf(sessionCounter_)) ||
             FileExists(SessionFolderOf(sessionCounter_)));
    SetMilestone(mijlpaal::na_instellen);
    const LocalDateTime now = platform_.Now();
    ADDLOG("***************************");
    ADDLOG("******* NEW SESSION *******");
    ADDLOG("******** " + SessionLabel() + " ********");
    ADDLOG("*** " + now.shortDate + " " + now.longTime + " ***");
    ADDLOG("***************************");
    ADDLOG();
}

void TfrmZelvimoMAIN::ArchiveSession() {
    // The archive copies the open log too; the copy must hold every line so
    // far. A failing flush shows up at the next log write, not here.
    try {
        log_.Flush();
    } catch (const IoError&) {
    }
    mmDelete.lines = MoveToSessionFolder(SessionFolderOf(sessionCounter_),
                                         log_.IsOpen() ? log_.name() : std::string());
    platform_.Repaint(std::string(formName));
}

void TfrmZelvimoMAIN::status(mijlpaal toestand) {
    grpbxSTATUS.caption = " Progress session " + std::to_string(sessionCounter_) + " ";
    platform_.Repaint("grpbxSTATUS");
    ggVoortgang.position = MilestonePosition(toestand);
    platform_.Repaint("ggVoortgang");
}

void TfrmZelvimoMAIN::SetMilestone(mijlpaal toestand) {
    milestone_ = toestand;
    status(toestand);
}

void TfrmZelvimoMAIN::FormClose() {
    // The session's files are archived even when closing the log fails.
    std::exception_ptr closeFailure;
    try {
        CLOSELOG();
    } catch (...) {
        closeFailure = std::current_exception();
    }
    SetMilestone(mijlpaal::bij_einde);
    ArchiveSession();
    DeleteFile("uitvoer_censored.txt");
    DeleteFile("invoer_censored.txt");
    if (closeFailure) std::rethrow_exception(closeFailure);
}

}  // namespace tarnovel
