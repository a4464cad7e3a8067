#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "shell/main_form.h"
#include "shell/session_log.h"
#include "tests/shell/scripted_platform.h"
#include "tests/shell/temp_directory.h"

namespace tarnovel {
namespace {

const std::string kLogName = "Tarnovel at 05-01-2013 09h03m07s.log";
const std::string kLogHead = "Logfile of Tarnovel at 05-01-2013 09h03m07s\r\n\r\n";

class SessionTest : public InTempDirectory {
  protected:
    ScriptedPlatform platform;
    TfrmZelvimoMAIN form{platform};
};

TEST(LogFileName, DayMonthYearAndTimeTwoDigitsEach) {
    struct Case {
        LocalDateTime at;
        const char* expected;
    };
    const Case cases[] = {
        {ScriptedPlatform::At(2013, 1, 5, 9, 3, 7), "Tarnovel at 05-01-2013 09h03m07s.log"},
        {ScriptedPlatform::At(2012, 4, 23, 10, 6, 30), "Tarnovel at 23-04-2012 10h06m30s.log"},
        {ScriptedPlatform::At(1999, 12, 31, 23, 59, 59), "Tarnovel at 31-12-1999 23h59m59s.log"},
        {ScriptedPlatform::At(2024, 2, 29, 0, 0, 0), "Tarnovel at 29-02-2024 00h00m00s.log"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LogFileNameAt(c.at), c.expected);
}

TEST(SessionLabel, CounterRightAlignedInTwo) {
    EXPECT_EQ(SessionLabelOf(1), "Session  1");
    EXPECT_EQ(SessionLabelOf(9), "Session  9");
    EXPECT_EQ(SessionLabelOf(10), "Session 10");
    EXPECT_EQ(SessionLabelOf(123), "Session 123");
    EXPECT_EQ(SessionFolderOf(3), "session3");
    EXPECT_EQ(SessionFolderOf(12), "session12");
}

TEST_F(SessionTest, StartUpWritesLogHeadAndSetsSessionOne) {
    form.FormActivate();
    EXPECT_EQ(form.LogFileName(), kLogName);
    EXPECT_EQ(Get(kLogName), kLogHead);
    EXPECT_EQ(form.SessionCounter(), 1);
    EXPECT_EQ(form.SessionLabel(), "Session  1");
    EXPECT_EQ(form.CurrentMilestone(), mijlpaal::na_start);
    EXPECT_EQ(form.ggVoortgang.position, 9);
    EXPECT_EQ(form.grpbxSTATUS.caption, " Progress session 1 ");
    EXPECT_TRUE(form.PresentationHeaderPending());
}

TEST_F(SessionTest, StartUpReplacesAnOlderLogOfTheSameName) {
    Put(kLogName, "left over from another start\r\n");
    form.FormActivate();
    EXPECT_EQ(Get(kLogName), kLogHead);
}

TEST_F(SessionTest, AddLogWritesTextAsGivenWithCrLf) {
    form.FormActivate();
    form.ADDLOG("first");
    form.ADDLOG();
    form.ADDLOG("");
    form.ADDLOG("block line 1\r\nblock line 2");
    form.ADDLOG("                    Title column MHW   : Grondwaterstand \xC3\xA9");
    form.FlushLog();
    EXPECT_EQ(Get(kLogName), kLogHead +
                                 "first\r\n\r\n\r\nblock line 1\r\nblock line 2\r\n"
                                 "                    Title column MHW   : Grondwaterstand "
                                 "\xC3\xA9\r\n");
}

TEST_F(SessionTest, ActivationRunsOnlyOnce) {
    form.FormActivate();
    form.ADDLOG("kept");
    platform.clock = ScriptedPlatform::At(2013, 1, 5, 9, 5, 0);
    form.FormActivate();
    form.FlushLog();
    EXPECT_EQ(form.LogFileName(), kLogName);
    EXPECT_EQ(Get(kLogName), kLogHead + "kept\r\n");
    EXPECT_FALSE(Exists("Tarnovel at 05-01-2013 09h05m00s.log"));
}

TEST_F(SessionTest, SessionStartSkipsExistingFoldersAndWritesBanner) {
    std::filesystem::create_directory("session2");
    std::filesystem::create_directory("session3");
    form.FormActivate();
    platform.clock = ScriptedPlatform::At(2013, 1, 5, 9, 12, 44);
    form.StartSession();
    form.FlushLog();

    EXPECT_EQ(form.SessionCounter(), 4);
    EXPECT_EQ(form.SessionLabel(), "Session  4");
    EXPECT_EQ(form.grpbxSTATUS.caption, " Progress session 4 ");
    EXPECT_EQ(form.CurrentMilestone(), mijlpaal::na_instellen);
    EXPECT_EQ(form.ggVoortgang.position, 24);
    EXPECT_TRUE(std::filesystem::is_directory("session1"));
    EXPECT_FALSE(Exists("session4"));
    EXPECT_EQ(Get(kLogName), kLogHead +
                                 "***************************\r\n"
                                 "******* NEW SESSION *******\r\n"
                                 "******** Session  4 ********\r\n"
                                 "*** 05-01-2013 09:12:44 ***\r\n"
                                 "***************************\r\n"
                                 "\r\n");
}

TEST_F(SessionTest, SessionNumberSkipsAPlainFileOfTheFolderName) {
    Put("session2", "not a folder");
    form.FormActivate();
    form.StartSession();
    EXPECT_EQ(form.SessionCounter(), 3);
    EXPECT_EQ(Get("session2"), "not a folder");
}

TEST_F(SessionTest, GaugePositionPerMilestone) {
    const std::pair<mijlpaal, int> cases[] = {
        {mijlpaal::na_start, 9},        {mijlpaal::na_instellen, 24},
        {mijlpaal::na_uitvoeren, 39},   {mijlpaal::na_rapporteren, 59},
        {mijlpaal::na_voorspellen, 87}, {mijlpaal::bij_einde, 100},
    };
    for (const auto& [milestone, position] : cases) {
        platform.repaints.clear();
        form.SetMilestone(milestone);
        EXPECT_EQ(form.CurrentMilestone(), milestone);
        EXPECT_EQ(form.ggVoortgang.position, position) << static_cast<int>(milestone);
        EXPECT_EQ(platform.repaints, (std::vector<std::string>{"grpbxSTATUS", "ggVoortgang"}));
    }
}

TEST_F(SessionTest, ArchiveTakesTheFivePatternsWithoutRegardToCase) {
    struct File {
        const char* name;
        bool archived;
    };
    const File files[] = {
        {"nostrata-D1-D1-MHW-ong.dat", true},
        {"nostrata-D1-D1-MHW-ong.out", true},
        {"A-D2-D1-MSW-gew.OUT", true},
        {"nostrata-D1-D1-MHW-ong.wmf", true},
        {"PLOT.WMF", true},
        {"Tarnovel at 01-01-2013 08h00m00s.log", true},
        {"Session  1 Predict.csv", true},
        {"SESSION2.CSV", true},
        {"Predict.csv", false},
        {"buisgrid.csv", false},
        {"measgrid.csv", false},
        {"piezometers.txt", false},
        {"Zelvimo.hlp", false},
        {"result.out.bak", false},
        {"temp.txt", false},
    };
    for (const File& f : files)
        Put(f.name, std::string("content of ") + f.name);
    std::filesystem::create_directory("folder.dat");
    Put("folder.dat/inner.dat", "inner");

    form.ArchiveSession();

    for (const File& f : files) {
        const std::string archived = std::string("session1/") + f.name;
        EXPECT_EQ(Exists(f.name), !f.archived) << f.name;
        EXPECT_EQ(Exists(archived), f.archived) << f.name;
        if (f.archived) {
            EXPECT_EQ(Get(archived), std::string("content of ") + f.name);
        }
    }
    EXPECT_EQ(Get("folder.dat/inner.dat"), "inner");
    EXPECT_FALSE(Exists("session1/folder.dat"));
    EXPECT_EQ(form.mmDelete.lines,
              (std::vector<std::string>{
                  "nostrata-D1-D1-MHW-ong.dat", "A-D2-D1-MSW-gew.OUT", "nostrata-D1-D1-MHW-ong.out",
                  "PLOT.WMF", "nostrata-D1-D1-MHW-ong.wmf", "Tarnovel at 01-01-2013 08h00m00s.log",
                  "SESSION2.CSV", "Session  1 Predict.csv"}));
}

TEST_F(SessionTest, ExistingSessionFolderIsAddedToNeverEmptied) {
    std::filesystem::create_directory("session1");
    Put("session1/earlier.out", "earlier result");
    Put("session1/same.dat", "earlier job");
    Put("same.dat", "this job");
    Put("new.out", "new result");

    form.FormActivate();
    form.FormClose();

    EXPECT_EQ(Get("session1/earlier.out"), "earlier result");
    EXPECT_EQ(Get("session1/same.dat"), "this job");
    EXPECT_EQ(Get("session1/new.out"), "new result");
    EXPECT_FALSE(Exists("same.dat"));
    EXPECT_FALSE(Exists("new.out"));
}

TEST_F(SessionTest, OpenLogIsCopiedButStaysUntilClose) {
    form.FormActivate();
    form.ADDLOG("before the run");
    form.StartSession();

    // The copy holds every line written before the archive; the log itself
    // stays open in place and keeps growing.
    const std::string before = kLogHead + "before the run\r\n";
    EXPECT_EQ(Get("session1/" + kLogName), before);
    ASSERT_TRUE(Exists(kLogName));
    form.ADDLOG("after the run");
    form.FlushLog();
    EXPECT_NE(Get(kLogName).find("after the run\r\n"), std::string::npos);

    form.FormClose();
    EXPECT_FALSE(Exists(kLogName));
    const std::string whole = Get("session2/" + kLogName);
    EXPECT_EQ(whole.rfind(before, 0), 0u);
    EXPECT_NE(whole.find("******** Session  2 ********\r\n"), std::string::npos);
    EXPECT_EQ(whole.substr(whole.size() - 15), "after the run\r\n");
    EXPECT_EQ(Get("session1/" + kLogName), before);
}

TEST_F(SessionTest, CloseWithoutRunArchivesLogIntoSessionOne) {
    Put("uitvoer_censored.txt", "x");
    Put("invoer_censored.txt", "x");
    Put("other.txt", "x");
    form.FormActivate();
    form.ADDLOG("only line");
    form.FormClose();

    EXPECT_EQ(Get("session1/" + kLogName), kLogHead + "only line\r\n");
    EXPECT_FALSE(Exists(kLogName));
    EXPECT_EQ(form.CurrentMilestone(), mijlpaal::bij_einde);
    EXPECT_EQ(form.ggVoortgang.position, 100);
    EXPECT_EQ(form.grpbxSTATUS.caption, " Progress session 1 ");
    EXPECT_FALSE(Exists("uitvoer_censored.txt"));
    EXPECT_FALSE(Exists("invoer_censored.txt"));
    EXPECT_TRUE(Exists("other.txt"));
}

TEST_F(SessionTest, FileThatCannotBeCopiedStaysInPlace) {
    std::filesystem::create_directories("session1/blocked.out");
    Put("blocked.out", "must survive");
    Put("fine.out", "moved");
    form.ArchiveSession();
    EXPECT_EQ(Get("blocked.out"), "must survive");
    EXPECT_EQ(Get("session1/fine.out"), "moved");
    EXPECT_FALSE(Exists("fine.out"));
    EXPECT_EQ(form.mmDelete.lines, std::vector<std::string>{"fine.out"});
}

TEST_F(SessionTest, ALinkIsArchivedAsTheFileItShows) {
    // A file moves by a rename; a link cannot, or the archive would hold a
    // link to a file that is gone or elsewhere.
    Put("target.txt", "shown");
    std::filesystem::create_symlink("target.txt", "link.out");
    form.ArchiveSession();
    EXPECT_FALSE(std::filesystem::is_symlink("session1/link.out"));
    EXPECT_EQ(Get("session1/link.out"), "shown");
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::symlink_status("link.out")));
    EXPECT_EQ(Get("target.txt"), "shown");
}

TEST_F(SessionTest, NothingIsDeletedWhenTheSessionFolderCannotBeMade) {
    Put("session1", "a plain file in the way");
    Put("job-a-a-MHW-ong.dat", "job");
    form.FormActivate();
    form.FormClose();
    EXPECT_EQ(Get("job-a-a-MHW-ong.dat"), "job");
    EXPECT_EQ(Get(kLogName), kLogHead);
    EXPECT_TRUE(form.mmDelete.lines.empty());
}

// The log gathers its lines in memory: what was added is on disk after a
// flush, after closing, and when the log is destroyed without either.
TEST_F(SessionTest, LogLinesReachTheFileOnFlushCloseAndDestruction) {
    const std::string block(70000, 'x');
    {
        SessionLog log;
        log.Create("a.log");
        log.Add("one");
        log.Flush();
        EXPECT_EQ(Get("a.log"), "one\r\n");
        log.Add(block);
        log.Add("two");
        log.Close();
        EXPECT_EQ(Get("a.log"), "one\r\n" + block + "\r\ntwo\r\n");
        EXPECT_THROW(log.Add("lost"), IoError);
    }
    {
        SessionLog log;
        log.Create("b.log");
        log.Add("kept");
    }
    EXPECT_EQ(Get("b.log"), "kept\r\n");
}

// A full disk shows when the gathered lines go out: at the flush, or at
// closing, with the system's reason.
TEST_F(SessionTest, AFullDiskFailsTheFlushAndTheClose) {
    if (!std::filesystem::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    for (const bool close : {false, true}) {
        SessionLog log;
        log.Create("/dev/full");
        log.Add("line");
        try {
            close ? log.Close() : log.Flush();
            FAIL() << "no error reported";
        } catch (const IoError& e) {
            EXPECT_EQ(e.reason(), "No space left on device");
        }
    }
}

TEST_F(SessionTest, LogThatCannotBeCreatedFailsEveryWriteButStartUpCompletes) {
    std::filesystem::create_directory(kLogName);
    try {
        form.FormActivate();
        FAIL() << "no error reported";
    } catch (const IoError& e) {
        EXPECT_EQ(e.file(), kLogName);
    }
    EXPECT_EQ(form.LogFileName(), kLogName);
    EXPECT_EQ(form.SessionCounter(), 1);
    EXPECT_EQ(form.ggVoortgang.position, 9);
    EXPECT_EQ(form.sttsbrSTATUS.text, "Settings piezometer regression");
    EXPECT_THROW(form.ADDLOG("lost"), IoError);
    EXPECT_THROW(form.StartSession(), IoError);
}

}  // namespace
}  // namespace tarnovel
