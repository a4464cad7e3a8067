#include <gtest/gtest.h>

#include <filesystem>

#include "common/io_error.h"
#include "support.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"

namespace tarnovel {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using test::RowsOf;

// What differs between the two windows; the tests below hold for both.
struct Piezometer {
    using Form = TfrmBUISDATA;
    static TableGrid& Grid(Form& f) { return f.strgrdSTAMBUIS; }
    static Label& Source(Form& f) { return f.lblstrgrdSTAMBUIS; }
    static Button& Ready(Form& f) { return f.btbttnEXITSTAMBUIS; }
    static StatusBar& Status(Form& f) { return f.stsbrSTAMBUIS; }
    static void KeyDown(Form& f) { f.strgrdSTAMBUISKeyDown(); }
    static void MouseMove(Form& f) { f.strgrdSTAMBUISMouseMove(); }
    static constexpr const char* kDialogTitle = "File with piezometer data";
    static constexpr const char* kTextFilter = "Textfiles (*.txt)";
    static constexpr const char* kReadingHint =
        "Press this button if the right delimiter sign is set and the above option is (or not) "
        "selected";
    static constexpr const char* kSourcePrefix = "Read piezometer data from ";
    static constexpr const char* kSaveFile = "buisgrid.csv";
    static constexpr bool kReadyAfterReading = true;
};

struct Field {
    using Form = TfrmMEETDATA;
    static TableGrid& Grid(Form& f) { return f.strgrdMEETDATA; }
    static Label& Source(Form& f) { return f.lblstrgrdMEETDATA; }
    static Button& Ready(Form& f) { return f.btbttnEXITMEETDATA; }
    static StatusBar& Status(Form& f) { return f.stsbrMEETDATA; }
    static void KeyDown(Form& f) { f.strgrdMEETDATAKeyDown(); }
    static void MouseMove(Form& f) { f.strgrdMEETDATAMouseMove(); }
    static constexpr const char* kDialogTitle = "Files with field measurements";
    static constexpr const char* kTextFilter = "Text files (*.txt)";
    static constexpr const char* kReadingHint =
        "Press this button if the right delimiter sign is set and the option above is (or not) "
        "selected.";
    static constexpr const char* kSourcePrefix = "read field data from ";
    static constexpr const char* kSaveFile = "measgrid.csv";
    static constexpr bool kReadyAfterReading = false;  // waits for the coded values
};

template <class W>
class DataWindow : public test::InTempDir {
  protected:
    using Form = typename W::Form;

    // Shows the window on a file of this content and reads it.
    void ReadFile(const std::string& content) {
        test::WriteBytes("in.csv", content);
        platform.fileChoices.push_back(FullPath("in.csv"));
        form.FormActivate();
        form.btbttnOKLEESClick();
    }

    test::ScriptedPlatform platform;
    Form form{platform};
};

using Windows = ::testing::Types<Piezometer, Field>;
TYPED_TEST_SUITE(DataWindow, Windows);

TYPED_TEST(DataWindow, StartOffersTheFoundSeparators) {
    auto& f = this->form;
    test::WriteBytes("in.csv", "Loc,Stratum;MHW,sdMHW\r\nP1,a;1,5\r\n");
    this->platform.fileChoices.push_back(this->FullPath("in.csv"));
    f.FormActivate();

    ASSERT_EQ(this->platform.dialogTitles, std::vector<std::string>{TypeParam::kDialogTitle});
    ASSERT_EQ(this->platform.dialogFilters[0].size(), 3u);
    EXPECT_EQ(this->platform.dialogFilters[0][1].description, TypeParam::kTextFilter);
    EXPECT_EQ(f.rdgrpSEP.items, (std::vector<std::string>{",", ";"}));
    EXPECT_EQ(f.rdgrpSEP.itemIndex, 0);
    EXPECT_TRUE(f.rdgrpSEP.visible && f.chckbxMultiple.visible && f.btbttnOKLEES.visible);
    EXPECT_EQ(f.btbttnOKLEES.caption, "OK, start reading");
    EXPECT_EQ(f.btbttnOKLEES.hint, TypeParam::kReadingHint);
    EXPECT_FALSE(TypeParam::Ready(f).enabled);
    EXPECT_FALSE(f.grpbxKOLOM.visible);
    EXPECT_FALSE(TypeParam::Grid(f).visible || TypeParam::Grid(f).enabled);
    EXPECT_FALSE(TypeParam::Source(f).visible);
    EXPECT_EQ(f.edtMIS.text, "-9999");
    EXPECT_FALSE(f.aborted);
}

TYPED_TEST(DataWindow, ReadingMovesOnToTheRoles) {
    auto& f = this->form;
    this->ReadFile("Loc;MHW\r\nP1;1,5\r\n");

    EXPECT_EQ(RowsOf(TypeParam::Grid(f)), (Rows{{"Loc", "MHW"}, {"P1", "1,5"}}));
    EXPECT_TRUE(TypeParam::Grid(f).visible && TypeParam::Grid(f).enabled);
    EXPECT_EQ(TypeParam::Source(f).caption,
              std::string(TypeParam::kSourcePrefix) + this->FullPath("in.csv"));
    EXPECT_TRUE(TypeParam::Source(f).visible);
    EXPECT_FALSE(f.rdgrpSEP.visible || f.chckbxMultiple.visible || f.btbttnOKLEES.visible);
    EXPECT_TRUE(f.grpbxKOLOM.visible);
    EXPECT_EQ(TypeParam::Ready(f).enabled, TypeParam::kReadyAfterReading);
    EXPECT_FALSE(f.closed);
    EXPECT_EQ(f.Report().inputFileName, this->FullPath("in.csv"));
}

TYPED_TEST(DataWindow, CancelledFileChoiceLeavesOnlyTheAbortButton) {
    auto& f = this->form;
    this->platform.fileChoices.push_back("");
    f.FormActivate();

    EXPECT_TRUE(f.aborted);
    EXPECT_TRUE(f.Report().aborted);
    EXPECT_TRUE(f.btbttnOKLEES.visible);
    EXPECT_EQ(f.btbttnOKLEES.caption, "No input; abort");
    EXPECT_EQ(f.btbttnOKLEES.hint, "No input file; press button to start again");
    EXPECT_FALSE(f.rdgrpSEP.visible || f.chckbxMultiple.visible || TypeParam::Ready(f).visible);
    f.btbttnOKLEESClick();
    EXPECT_TRUE(f.closed);
}

TYPED_TEST(DataWindow, AFileThatCannotBeReadEndsInTheAbortState) {
    auto& f = this->form;
    this->platform.fileChoices.push_back(this->FullPath("absent.csv"));
    EXPECT_THROW(f.FormActivate(), IoError);
    EXPECT_TRUE(f.aborted);
    EXPECT_EQ(f.btbttnOKLEES.caption, "No input; abort");

    test::WriteBytes("gone.csv", "Loc;MHW\r\n");
    this->platform.fileChoices.push_back(this->FullPath("gone.csv"));
    f.FormActivate();
    EXPECT_FALSE(f.aborted);
    std::filesystem::remove("gone.csv");
    EXPECT_THROW(f.btbttnOKLEESClick(), IoError);
    EXPECT_TRUE(f.aborted);
    EXPECT_FALSE(TypeParam::Grid(f).visible || f.grpbxKOLOM.visible);
    f.btbttnOKLEESClick();
    EXPECT_TRUE(f.closed);
}

TYPED_TEST(DataWindow, EditsSetTheirFlagsUntilTheNextShowing) {
    auto& f = this->form;
    this->ReadFile("Loc,MHW\r\nP1,-9999\r\nP2,1.5\r\n");
    auto& grid = TypeParam::Grid(f);

    f.Toevoegenrecordmetbuisgegevens1Click();
    EXPECT_EQ(RowsOf(grid)[1], (std::vector<std::string>{"extrapiezo", "missing"}));
    grid.row = 3;
    f.Verwijderenrecordmetbuisgegevens1Click();
    f.Toevoegenkolommetmetingen1Click();
    f.Toevoegenkolommetmetingen1Click();
    grid.col = 0;
    f.Verwijderenkolomonderdecursor1Click();
    f.btbttnMISClick();
    EXPECT_EQ(RowsOf(grid), (Rows{{"MHW", "data1", "data2"},
                                  {"missing", "missing", "missing"},
                                  {"missing", "missing", "missing"}}));
    const DataWindowReport report = f.Report();
    EXPECT_TRUE(report.recordsAdded && report.recordsRemoved && report.columnsAdded &&
                report.columnsRemoved);
    EXPECT_EQ(report.missingCodeText, "");

    test::WriteBytes("in.csv", "Loc;MHW\r\n");
    this->platform.fileChoices.push_back(this->FullPath("in.csv"));
    f.FormActivate();
    f.btbttnOKLEESClick();
    EXPECT_FALSE(f.recordsAdded || f.recordsRemoved || f.columnsAdded || f.columnsRemoved);
    EXPECT_EQ(f.edtMIS.text, "-9999");
    f.Toevoegenkolommetmetingen1Click();
    EXPECT_EQ(grid.Cell(2, 0), "data1");
}

TYPED_TEST(DataWindow, RemovingWithTheCursorOnTheTitlesChangesNothing) {
    auto& f = this->form;
    this->ReadFile("Loc\r\nP1\r\n");
    auto& grid = TypeParam::Grid(f);
    grid.row = 0;
    f.Verwijderenrecordmetbuisgegevens1Click();
    f.Verwijderenkolomonderdecursor1Click();  // the only column
    EXPECT_EQ(RowsOf(grid), (Rows{{"Loc"}, {"P1"}}));
    EXPECT_FALSE(f.recordsRemoved || f.columnsRemoved);
}

TYPED_TEST(DataWindow, MarksFollowConversionSavingAndTyping) {
    auto& f = this->form;
    this->ReadFile("Loc,MHW\r\nP1,\"1\"\r\n");
    auto& convert = f.Omzettenvanelkekommanaardecimalepunt1;
    auto& saved = f.Bewareninbestand1;

    f.Omzettenvanelkekommanaardecimalepunt1Click();
    EXPECT_TRUE(convert.checked);
    f.Bewareninbestand1Click();
    EXPECT_TRUE(convert.checked && saved.checked);
    EXPECT_EQ(test::ReadBytes(TypeParam::kSaveFile), "Loc,MHW,\r\nP1,\"1\",\r\n");
    EXPECT_EQ(this->platform.messages,
              std::vector<std::string>{std::string("Current data set written to <") +
                                       TypeParam::kSaveFile + ">"});
    f.Omzettenvanelkekommanaardecimalepunt1Click();
    EXPECT_FALSE(saved.checked);
    f.Bewareninbestand1Click();
    TypeParam::KeyDown(f);
    EXPECT_FALSE(convert.checked || saved.checked);
    TypeParam::MouseMove(f);
    EXPECT_EQ(TypeParam::Status(f).text, TypeParam::Grid(f).hint);
}

TYPED_TEST(DataWindow, AFailedSaveShowsNoSuccess) {
    auto& f = this->form;
    this->ReadFile("LocMHW\r\nP1\r\n");  // no separator found
    std::filesystem::create_directory(TypeParam::kSaveFile);
    EXPECT_THROW(f.Bewareninbestand1Click(), IoError);
    EXPECT_TRUE(this->platform.messages.empty());
    EXPECT_FALSE(f.Bewareninbestand1.checked);

    std::filesystem::remove(TypeParam::kSaveFile);
    f.Toevoegenkolommetmetingen1Click();
    f.Bewareninbestand1Click();
    EXPECT_EQ(test::ReadBytes(TypeParam::kSaveFile), "LocMHW;data1;\r\nP1;missing;\r\n");
}

class PiezometerWindow : public test::InTempDir {
  protected:
    test::ScriptedPlatform platform;
    TfrmBUISDATA form{platform};
};

TEST_F(PiezometerWindow, ManualInputStartsWithTheDefaultTable) {
    form.inputMode = true;
    form.FormActivate();

    EXPECT_TRUE(platform.dialogTitles.empty());
    EXPECT_EQ(
        RowsOf(form.strgrdSTAMBUIS),
        (Rows{{"Loc", "Stratum", "MHW", "sdMHW", "MSW", "sdMSW", "MLW", "sdMLW", "meas1", "meas2"},
              Rows::value_type(10, "missing"),
              Rows::value_type(10, "missing"),
              Rows::value_type(10, "missing")}));
    EXPECT_TRUE(form.strgrdSTAMBUIS.visible && form.strgrdSTAMBUIS.enabled);
    EXPECT_EQ(form.reader.separator, ";");
    EXPECT_TRUE(form.btbttnEXITSTAMBUIS.enabled && form.btbttnEXITSTAMBUIS.visible);
    EXPECT_FALSE(form.rdgrpSEP.visible || form.chckbxMultiple.visible || form.btbttnOKLEES.visible);
    EXPECT_EQ(form.lblstrgrdSTAMBUIS.caption, "manual input data");
    EXPECT_TRUE(form.lblstrgrdSTAMBUIS.visible && form.grpbxKOLOM.visible);
    EXPECT_TRUE(form.Report().inputMode);
    EXPECT_EQ(form.Report().inputFileName, "");
}

TEST_F(PiezometerWindow, StartForgetsTheListAndConversionsOfTheShowingBefore) {
    form.lstbxMEETKOLS.items = {"01-02-2003"};
    form.btbttnSQRTGHG.enabled = false;
    form.btbttnSQRGLG.enabled = false;
    platform.fileChoices.push_back("");
    form.FormActivate();
    const DataWindowReport report = form.Report();
    EXPECT_TRUE(report.measurementColumns.empty());
    for (const SdConversionState& sd : report.sdConversion)
        EXPECT_TRUE(sd.sqrtEnabled && sd.sqrEnabled);
}

TEST(FieldWindow, StartHidesTheCodingStage) {
    test::ScriptedPlatform platform;
    TfrmMEETDATA form{platform};
    form.grpbxKOLOM.enabled = false;
    form.grpbxCENSOR.visible = true;
    form.btbttnEXITMEETDATA.enabled = true;
    platform.fileChoices.push_back("");
    form.FormActivate();
    EXPECT_TRUE(form.grpbxKOLOM.enabled);
    EXPECT_FALSE(form.grpbxKOLOM.visible || form.grpbxCENSOR.visible);
    EXPECT_FALSE(form.btbttnEXITMEETDATA.enabled);
    EXPECT_FALSE(form.cmbbxDatum3.visible || form.cmbbxMeting3.visible);
}

}  // namespace
}  // namespace tarnovel
