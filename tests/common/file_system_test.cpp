#include "common/file_system.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Names = std::vector<std::string>;

TEST(WildcardMatch, MatchesStarAndQuestionMarkIgnoringCase) {
    struct Case {
        const char* pattern;
        const char* name;
        bool expected;
    };
    const Case cases[] = {
        {"*.OUT", "a.out", true},
        {"*.out", "A.OUT", true},
        {"*.out", "a.out.tmp~", false},
        {"*.out", "aout", false},
        {"*.out", ".out", true},
        {"session*.csv", "Session 2 Predict.csv", true},
        {"session*.csv", "session.csv", true},
        {"session*.csv", "mysession.csv", false},
        {"session*.csv", "session1.csv.bak", false},
        {"*", "", true},
        {"", "", true},
        {"", "a", false},
        {"?", "", false},
        {"?", "\xC3\xA9", true},  // one code point of two bytes
        {"??", "\xC3\xA9", false},
        {"\xC3\xA9*", "\xC3\xA9t\xC3\xA9.dat", true},
        {"\xC3\x89*", "\xC3\xA9t\xC3\xA9.dat", false},  // only ASCII letters fold
        {"a?c", "abc", true},
        {"a?c", "ac", false},
        {"a*b*c", "aXbYbZc", true},
        {"a*b*c", "aXbYbZ", false},
        {"*a*a*a*a*b", "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa", false},
        {"**.dat", "x.DAT", true},
        {"*.dat*", "x.dat", true},
        {"nostrata-*-MHW-gew.out", "nostrata-0101-0101-MHW-gew.out", true},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(WildcardMatch(c.pattern, c.name), c.expected) << c.pattern << " ~ " << c.name;
    }
}

using FileSystemTest = ScratchDirTest;

TEST_F(FileSystemTest, ListFilesMatchesWithoutCaseAndSorts) {
    for (const char* name :
         {"b.out", "a.OUT", "A.out", "c.dat", "x.out.tmp~", "Session 1 Predict.csv", "session2.CSV",
          "buisgrid.csv", "\xC3\xA9.out", "z.out"}) {
        Put(name, "x");
    }
    std::filesystem::create_directory("dir.out");  // a folder is not a file
    std::filesystem::create_directory("session3");

    EXPECT_EQ(ListFiles("*.OUT"), (Names{"A.out", "a.OUT", "b.out", "z.out", "\xC3\xA9.out"}));
    EXPECT_EQ(ListFiles("session*.csv"), (Names{"Session 1 Predict.csv", "session2.CSV"}));
    EXPECT_EQ(ListFiles("*.wmf"), Names{});
    EXPECT_EQ(ListFiles("?.dat"), Names{"c.dat"});
}

TEST_F(FileSystemTest, ListFilesInAFolder) {
    std::filesystem::create_directory("session1");
    Put("session1/a.dat", "x");
    Put("session1/b.log", "x");
    Put("c.dat", "x");
    EXPECT_EQ(ListFilesIn("session1", "*"), (Names{"a.dat", "b.log"}));
    EXPECT_EQ(ListFilesIn("session1", "*.DAT"), Names{"a.dat"});
    EXPECT_EQ(ListFilesIn("missing", "*"), Names{});
}

TEST_F(FileSystemTest, ExistenceTellsFilesFromFolders) {
    Put("file.txt", "x");
    std::filesystem::create_directory("folder");
    EXPECT_TRUE(FileExists("file.txt"));
    EXPECT_FALSE(FileExists("folder"));
    EXPECT_FALSE(FileExists("absent"));
    EXPECT_TRUE(DirectoryExists("folder"));
    EXPECT_FALSE(DirectoryExists("file.txt"));
    EXPECT_FALSE(DirectoryExists("absent"));
}

TEST_F(FileSystemTest, DeleteFileDeletesOnlyFiles) {
    Put("a.dat", "x");
    std::filesystem::create_directory("empty");
    EXPECT_TRUE(DeleteFile("a.dat"));
    EXPECT_FALSE(FileExists("a.dat"));
    EXPECT_FALSE(DeleteFile("a.dat"));
    EXPECT_FALSE(DeleteFile("empty"));
    EXPECT_TRUE(DirectoryExists("empty"));
}

TEST_F(FileSystemTest, CopyFileOverwrites) {
    Put("a.out", "new contents");
    std::filesystem::create_directory("session1");
    Put("session1/a.out", "old contents, longer than the new");
    EXPECT_TRUE(CopyFile("a.out", "session1/a.out"));
    EXPECT_EQ(Get("session1/a.out"), "new contents");
    EXPECT_EQ(Get("a.out"), "new contents");
    EXPECT_EQ(Entries("session1"), Names{"a.out"});

    EXPECT_TRUE(CopyFile("a.out", "b.out"));
    EXPECT_EQ(Get("b.out"), "new contents");
}

TEST_F(FileSystemTest, FailedCopyReturnsFalseAndLeavesNoFile) {
    Put("a.out", "x");
    EXPECT_FALSE(CopyFile("absent.out", "b.out"));
    EXPECT_FALSE(CopyFile("a.out", "missing/a.out"));
    std::filesystem::create_directory("session1");
    EXPECT_FALSE(CopyFile("session1", "c.out"));
    EXPECT_FALSE(CopyFile("a.out", "session1"));  // a folder is not replaced
    EXPECT_TRUE(DirectoryExists("session1"));
    EXPECT_EQ(Entries(), (Names{"a.out", "session1"}));
    EXPECT_TRUE(Entries("session1").empty());
}

TEST_F(FileSystemTest, MoveFileMovesOnlyPlainFilesAndNeverOntoAFolder) {
    Put("a.out", "new");
    std::filesystem::create_directory("session1");
    Put("session1/a.out", "old");
    EXPECT_TRUE(MoveFile("a.out", "session1/a.out"));
    EXPECT_EQ(Get("session1/a.out"), "new");
    EXPECT_FALSE(FileExists("a.out"));

    Put("b.out", "b");
    std::filesystem::create_directory("session1/b.out");
    EXPECT_FALSE(MoveFile("b.out", "session1/b.out"));  // a folder of that name
    EXPECT_EQ(Get("b.out"), "b");
    EXPECT_TRUE(Entries("session1/b.out").empty());
    EXPECT_FALSE(MoveFile("session1", "c"));  // a folder does not move
    std::filesystem::create_symlink("b.out", "link.out");
    EXPECT_FALSE(MoveFile("link.out", "session1/link.out"));  // nor does a link
    EXPECT_EQ(Entries(), (Names{"b.out", "link.out", "session1"}));
}

TEST_F(FileSystemTest, CreateAndRemoveDirectory) {
    EXPECT_TRUE(CreateDirectory("session1"));
    EXPECT_TRUE(DirectoryExists("session1"));
    EXPECT_FALSE(CreateDirectory("session1"));  // already there
    EXPECT_FALSE(CreateDirectory("missing/session1"));

    Put("session1/a.dat", "x");
    EXPECT_FALSE(RemoveDirectory("session1"));  // not empty
    EXPECT_TRUE(DeleteFile("session1/a.dat"));
    EXPECT_TRUE(RemoveDirectory("session1"));
    EXPECT_FALSE(DirectoryExists("session1"));
    EXPECT_FALSE(RemoveDirectory("session1"));

    Put("file", "x");
    EXPECT_FALSE(RemoveDirectory("file"));
    EXPECT_TRUE(FileExists("file"));
    EXPECT_FALSE(CreateDirectory("file"));
}

}  // namespace
}  // namespace tarnovel
