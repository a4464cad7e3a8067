#include "common/text_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "tests/common/scratch_dir.h"

namespace tarnovel {
namespace {

using Lines = std::vector<std::string>;

TEST(SplitLines, AcceptsEveryLineEnd) {
    const std::vector<std::pair<std::string, Lines>> cases = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb\r\n", {"a", "b"}},
        {"a\nb\n", {"a", "b"}},
        {"a\rb\r", {"a", "b"}},
        {"a\r\nb", {"a", "b"}},
        {"a\r\n\r\n", {"a", ""}},
        {"\r\n", {""}},
        {"\n\n", {"", ""}},
        {"a\n\rb", {"a", "", "b"}},  // LF CR is two line ends
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\rb\nc\r\nd", {"a", "b", "c", "d"}},
        {"x;y\tz \r\n", {"x;y\tz "}},
    };
    for (const auto& [text, expected] : cases) {
        EXPECT_EQ(SplitLines(text), expected) << testing::PrintToString(text);
    }
}

class ReadBack : public ScratchDirTest {};

// The promise a caller keeping its lines relies on: "unchanged" only where
// the file really gives the same lines back, and the fault cases found.
TEST_F(ReadBack, UnchangedExactlyWhenTheWrittenFileReadsBackTheSame) {
    const std::vector<std::pair<Lines, bool>> cases = {
        {{}, true},
        {{"", ""}, true},
        {{"45.5", ">120", "", "abc"}, true},
        {{"caf\xC3\xA9", "\xE2\x82\xAC 5"}, true},
        {{"a\rb"}, false},
        {{"a", "b\n"}, false},
        {{"\xEF\xBB\xBF"
          "12"},
         false},  // a byte order mark is dropped
        {{"12",
          "\xEF\xBB\xBF"
          "12"},
         true},
        {{"caf\xE9"}, false},  // read as Windows-1252
    };
    for (const auto& [lines, unchanged] : cases) {
        EXPECT_EQ(ReadsBackUnchanged(lines), unchanged) << testing::PrintToString(lines);
        WriteTextFile("lines.txt", lines);
        EXPECT_EQ(ReadTextLines("lines.txt") == lines, unchanged) << testing::PrintToString(lines);
    }
}

TEST(IoErrorMessage, NamesActionFileAndReason) {
    const IoError error("Cannot create file", "results/x.out", "Permission denied");
    EXPECT_STREQ(error.what(), "Cannot create file results/x.out: Permission denied");
    EXPECT_EQ(error.action(), "Cannot create file");
    EXPECT_EQ(error.file(), "results/x.out");
    EXPECT_EQ(error.reason(), "Permission denied");
    EXPECT_EQ(IoError::SystemReason(ENOENT), "No such file or directory");
}

using TextFileTest = ScratchDirTest;

TEST_F(TextFileTest, CommittedFileHasCrLfLinesAndNoTemporaryRemains) {
    WriteTextFile("a.out", {"first", "", "\xC3\xA9t\xC3\xA9"});
    EXPECT_EQ(Get("a.out"), "first\r\n\r\n\xC3\xA9t\xC3\xA9\r\n");
    EXPECT_EQ(Entries(), Lines{"a.out"});

    TextFileWriter writer("b.out");
    writer.Write("no line end, ");
    writer.WriteLine("then one");
    writer.Write("");
    writer.Commit();
    EXPECT_EQ(Get("b.out"), "no line end, then one\r\n");
    EXPECT_EQ(Entries(), (Lines{"a.out", "b.out"}));
}

TEST_F(TextFileTest, CommitReplacesAnExistingFile) {
    Put("a.out", "old contents that are longer than the new ones\r\n");
    WriteTextFile("a.out", {"new"});
    EXPECT_EQ(Get("a.out"), "new\r\n");
    EXPECT_EQ(Entries(), Lines{"a.out"});
}

TEST_F(TextFileTest, UncommittedWriterLeavesExistingFileUntouched) {
    Put("a.out", "old\r\n");
    {
        TextFileWriter writer("a.out");
        writer.WriteLine("half of the new file");
        EXPECT_EQ(Entries().size(), 2u);  // the temporary file is there meanwhile
    }
    EXPECT_EQ(Get("a.out"), "old\r\n");
    EXPECT_EQ(Entries(), Lines{"a.out"});
}

TEST_F(TextFileTest, UncommittedNewFileLeavesNothing) {
    {
        TextFileWriter writer("new.out");
        writer.WriteLine("x");
    }
    EXPECT_TRUE(Entries().empty());
}

TEST_F(TextFileTest, MissingFolderThrowsIoErrorNamingTheFile) {
    try {
        WriteTextFile("missing/x.out", {"x"});
        FAIL() << "no exception";
    } catch (const IoError& error) {
        EXPECT_EQ(error.action(), "Cannot create file");
        EXPECT_EQ(error.file(), "missing/x.out");
        EXPECT_EQ(error.reason(), "No such file or directory");
        EXPECT_STREQ(error.what(), "Cannot create file missing/x.out: No such file or directory");
    }
    EXPECT_TRUE(Entries().empty());
}

TEST_F(TextFileTest, WritesIntoASubfolderWithTheTemporaryBeside) {
    std::filesystem::create_directory("session1");
    TextFileWriter writer("session1/x.out");
    writer.WriteLine("x");
    EXPECT_EQ(Entries("session1").size(), 1u);
    EXPECT_EQ(Entries(), Lines{"session1"});
    writer.Commit();
    EXPECT_EQ(Entries("session1"), Lines{"x.out"});
}

TEST_F(TextFileTest, FailedRenameThrowsAndRemovesTheTemporary) {
    // A non-empty folder of the same name cannot be replaced by a file.
    std::filesystem::create_directory("a.out");
    Put("a.out/inside", "x");
    TextFileWriter writer("a.out");
    writer.WriteLine("x");
    try {
        writer.Commit();
        FAIL() << "no exception";
    } catch (const IoError& error) {
        EXPECT_EQ(error.action(), "Cannot write file");
        EXPECT_EQ(error.file(), "a.out");
    }
    EXPECT_EQ(Entries(), Lines{"a.out"});
    EXPECT_EQ(Entries("a.out"), Lines{"inside"});
}

// Pieces are gathered into 64 KiB chunks: small ones that fill a chunk to
// the byte, one that crosses it, and one larger than a chunk all come out
// whole and in order.
TEST_F(TextFileTest, PiecesOfAnySizeComeOutWholeAndInOrder) {
    const std::size_t chunk = std::size_t{1} << 16;
    std::string expected;
    TextFileWriter writer("a.out");
    std::function<void(const std::string&)> put = [&](const std::string& piece) {
        writer.Write(piece);
        expected += piece;
    };
    put(std::string(4096, 'x'));  // large enough to go out at once
    put(std::string(4095, 'y'));  // gathered
    put(std::string(4096, 'z'));  // after what is gathered
    writer.Commit();
    EXPECT_EQ(Get("a.out"), expected);
    expected.clear();
    TextFileWriter again("a.out");
    put = [&](const std::string& piece) {
        again.Write(piece);
        expected += piece;
    };
    put(std::string(chunk - 10, 'a'));
    put(std::string(10, 'b'));  // exactly one chunk
    put(std::string(chunk - 1, 'c'));
    put("de");  // crosses the chunk
    put(std::string(3 * chunk + 5, 'f'));
    again.WriteLine("g");
    expected += "g\r\n";
    again.Commit();
    EXPECT_EQ(Get("a.out"), expected);
}

TEST_F(TextFileTest, WritingAfterCommitThrows) {
    TextFileWriter writer("a.out");
    writer.WriteLine("x");
    writer.Commit();
    EXPECT_THROW(writer.WriteLine("lost"), IoError);
    EXPECT_THROW(writer.Commit(), IoError);
    EXPECT_EQ(Get("a.out"), "x\r\n");
}

TEST_F(TextFileTest, ReadingFailuresThrowIoError) {
    try {
        ReadFileBytes("absent.csv");
        FAIL() << "no exception";
    } catch (const IoError& error) {
        EXPECT_STREQ(error.what(), "Cannot read file absent.csv: No such file or directory");
    }
    std::filesystem::create_directory("folder");
    try {
        ReadFileBytes("folder");
        FAIL() << "no exception";
    } catch (const IoError& error) {
        EXPECT_EQ(error.action(), "Cannot read file");
        EXPECT_EQ(error.file(), "folder");
        EXPECT_FALSE(error.reason().empty());
    }
}

TEST_F(TextFileTest, ReadsBytesExactlyAndDecodesText) {
    std::string bytes;
    for (int i = 0; i < 200000; ++i)
        bytes += static_cast<char>(i * 7);  // beyond one buffer
    Put("raw.bin", bytes);
    EXPECT_EQ(ReadFileBytes("raw.bin"), bytes);

    Put("empty.csv", "");
    EXPECT_EQ(ReadFileBytes("empty.csv"), "");
    EXPECT_TRUE(ReadTextLines("empty.csv").empty());

    Put("ansi.csv", "Buis;Datum\xE9\r\nB1;\x80\rB2;3\n");
    EXPECT_EQ(ReadTextLines("ansi.csv"), (Lines{"Buis;Datum\xC3\xA9", "B1;\xE2\x82\xAC", "B2;3"}));

    Put("bom.csv",
        "\xEF\xBB\xBF"
        "Buis\r\n");
    EXPECT_EQ(ReadTextFile("bom.csv"), "Buis\r\n");
}

}  // namespace
}  // namespace tarnovel
