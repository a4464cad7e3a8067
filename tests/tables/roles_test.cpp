#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "support.h"
#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "tables/table_checks.h"

namespace tarnovel {
namespace {

using Rows = std::vector<std::vector<std::string>>;
using Texts = std::vector<std::string>;
using test::GridOfRows;
using test::RowsOf;

// "a|b|" as {"a", "b", ""}.
Texts Split(const std::string& cells) {
    Texts result(1);
    for (char ch : cells)
        if (ch == '|')
            result.emplace_back();
        else
            result.back() += ch;
    return result;
}

std::string DataFile(const std::string& name) {
    return (std::filesystem::path(TARNOVEL_TEST_DATA) / "tables" / name).string();
}

// ---------------------------------------------------------------- piezometer

class PiezometerRoles : public test::InTempDir {
  protected:
    // The window in its role stage on a table of these rows.
    void Show(const Rows& rows) {
        form.inputMode = true;
        form.FormActivate();
        form.strgrdSTAMBUIS = GridOfRows(rows);
        form.vulboxen();
    }
    void Select(ListBox& list, std::initializer_list<std::string> items) {
        list.selection.clear();
        for (const std::string& item : items)
            for (std::size_t i = 0; i < list.items.size(); ++i)
                if (list.items[i] == item) list.selection.push_back(static_cast<int>(i));
    }
    Texts Column(int c) const {
        Texts cells;
        for (int r = 1; r < form.strgrdSTAMBUIS.rowCount; ++r)
            cells.push_back(form.strgrdSTAMBUIS.Cell(c, r));
        return cells;
    }
    Texts Boxes() const {
        return {form.cmbbxGHG.text,     form.cmbbxGVG.text,   form.cmbbxGLG.text,
                form.cmbbxSDGHG.text,   form.cmbbxSDGVG.text, form.cmbbxSDGLG.text,
                form.cmbbxINSTRATA.text};
    }

    test::ScriptedPlatform platform;
    TfrmBUISDATA form{platform};
};

TEST_F(PiezometerRoles, VulboxenProposesTheLeftMostTitleCaseSensitively) {
    struct Case {
        const char* name;
        Texts titles;
        Texts boxes;  // MHW, MSW, MLW, sdMHW, sdMSW, sdMLW, strata
    };
    const Case cases[] = {
        {"plain", {"Loc", "Stratum", "MHW", "sdMHW"}, {"MHW", "", "", "sdMHW", "", "", "Stratum"}},
        {"sd left of its MxW", {"sdMHW", "MHW"}, {"sdMHW", "", "", "sdMHW", "", "", ""}},
        {"Area is not a stratum, subarea is",
         {"Area", "subarea"},
         {"", "", "", "", "", "", "subarea"}},
        {"Area alone", {"Loc", "Area"}, {"", "", "", "", "", "", ""}},
        {"lower case names nothing",
         {"mhw", "sdmsw", "strata"},
         {"", "", "", "", "", "", "strata"}},
        {"all roles",
         {"MLW", "sdMLW", "MSW_2003", "sdMSW", "GHG/MHW", "sdMHW", "trat"},
         {"GHG/MHW", "MSW_2003", "MLW", "sdMHW", "sdMSW", "sdMLW", "trat"}},
    };
    for (const Case& c : cases) {
        Show({c.titles});
        EXPECT_EQ(Boxes(), c.boxes) << c.name;
        EXPECT_EQ(form.cmbbxSDGLG.items, c.titles) << c.name;
        EXPECT_EQ(form.lstbxTITELS.items, c.titles) << c.name;
    }
}

TEST_F(PiezometerRoles, MeasurementListStaysInOrderIgnoringCase) {
    Show({{"Loc", "14-04-2003", "01-02-2003", "meas", "MEAS", "Beta", "alpha", "Émeas", "eta"}});

    Select(form.lstbxTITELS, {"14-04-2003"});
    form.btbttnADDClick();
    Select(form.lstbxTITELS, {"01-02-2003"});
    form.btbttnADDClick();
    EXPECT_EQ(form.lstbxMEETKOLS.items, (Texts{"01-02-2003", "14-04-2003"}));

    // Several at once, top to bottom; titles equal but for case go by code
    // point, so "MEAS" before "meas" whichever is moved first.
    Select(form.lstbxTITELS, {"meas", "Beta", "alpha", "eta", "Émeas"});
    form.btbttnADDClick();
    Select(form.lstbxTITELS, {"MEAS"});
    form.btbttnADDClick();
    EXPECT_EQ(form.lstbxMEETKOLS.items,
              (Texts{"01-02-2003", "14-04-2003", "alpha", "Beta", "eta", "MEAS", "meas", "Émeas"}));
    EXPECT_EQ(form.lstbxTITELS.items, (Texts{"Loc"}));
    EXPECT_TRUE(form.lstbxTITELS.selection.empty());

    Select(form.lstbxMEETKOLS, {"eta", "01-02-2003"});
    form.btbttnSUBClick();
    EXPECT_EQ(form.lstbxTITELS.items, (Texts{"Loc", "01-02-2003", "eta"}));
    EXPECT_EQ(form.lstbxMEETKOLS.items,
              (Texts{"14-04-2003", "alpha", "Beta", "MEAS", "meas", "Émeas"}));
}

TEST_F(PiezometerRoles, RefillKeepsTheListsToTheColumnsThatExist) {
    Show({{"Loc", "14-04-2003", "01-02-2003", "MHW"}, {"P1", "1", "2", "3"}});
    Select(form.lstbxTITELS, {"14-04-2003", "01-02-2003"});
    form.btbttnADDClick();
    Select(form.lstbxMEETKOLS, {"14-04-2003"});

    form.strgrdSTAMBUIS.col = 2;  // 01-02-2003
    form.Verwijderenkolomonderdecursor1Click();
    EXPECT_EQ(form.lstbxMEETKOLS.items, (Texts{"14-04-2003"}));
    EXPECT_TRUE(form.lstbxMEETKOLS.IsSelected(0));
    EXPECT_EQ(form.lstbxTITELS.items, (Texts{"Loc", "MHW"}));
    EXPECT_EQ(form.cmbbxGHG.items, (Texts{"Loc", "14-04-2003", "MHW"}));
}

TEST_F(PiezometerRoles, SquareAndSquareRootConvertWhatTheyCan) {
    const char* const kSqrt = "Negative numbers and text are not converted!";
    const char* const kSqr = "Only numbers converted!";
    struct Case {
        bool root;
        const char* cells;     // the sdMHW column, "|" between the records
        const char* expected;  // the column afterwards
        const char* message;   // nullptr: none
    };
    const Case cases[] = {
        {true, "4|-1|missing", "   2.000|-1|missing", kSqrt},
        {true, "missing|  16|16 ||0,25|-0", "missing|   4.000|16 ||   0.500|   0.000", nullptr},
        {true, "1e999|9", "1e999|   3.000", kSqrt},  // beyond a double
        {false, "0,5|-3|1e1", "   0.250|   9.000| 100.000", nullptr},
        {false, "missing|2", "missing|   4.000", kSqr},
        {false, "12345.678", "152415765.280", nullptr},
        {false, "1e200|3", "1e200|   9.000", kSqr},  // the square overflows
    };
    for (const Case& c : cases) {
        Rows rows = {{"Loc", "sdMHW"}};
        for (const std::string& cell : Split(c.cells))
            rows.push_back({"P,1", cell});
        Show(rows);
        platform.messages.clear();
        c.root ? form.btbttnSQRTGHGClick() : form.btbttnSQRGHGClick();
        EXPECT_EQ(Column(1), Split(c.expected)) << c.cells;
        EXPECT_EQ(form.strgrdSTAMBUIS.Cell(0, 1), "P.1") << c.cells;  // commas everywhere
        EXPECT_EQ(platform.messages, c.message ? Texts{c.message} : Texts{}) << c.cells;
    }
}

TEST_F(PiezometerRoles, EachButtonConvertsItsOwnColumnAndSwapsWithItsSibling) {
    using Handler = void (TfrmBUISDATA::*)();
    const Handler roots[] = {&TfrmBUISDATA::btbttnSQRTGHGClick, &TfrmBUISDATA::btbttnSQRTGVGClick,
                             &TfrmBUISDATA::btbttnSQRTGLGClick};
    const Handler squares[] = {&TfrmBUISDATA::btbttnSQRGHGClick, &TfrmBUISDATA::btbttnSQRGVGClick,
                               &TfrmBUISDATA::btbttnSQRGLGClick};
    for (int sd = 0; sd < 3; ++sd)
        for (bool root : {true, false}) {
            // Titles in another order than the buttons: each box finds its own.
            Show({{"sdMLW", "sdMHW", "sdMSW"}, {"9", "9", "9"}});
            (form.*(root ? roots : squares)[sd])();
            const int column = (sd + 1) % 3;
            for (int c = 0; c < 3; ++c)
                EXPECT_EQ(form.strgrdSTAMBUIS.Cell(c, 1), c != column ? "9"
                                                          : root      ? "   3.000"
                                                                      : "  81.000");
            const auto states = form.Report().sdConversion;
            for (int other = 0; other < 3; ++other) {
                const SdConversionState& state = states[static_cast<std::size_t>(other)];
                EXPECT_EQ(state.sqrtEnabled, other != sd || !root) << sd << root;
                EXPECT_EQ(state.sqrEnabled, other != sd || root) << sd << root;
            }
        }

    // A box that names no column changes nothing but still swaps the buttons.
    Show({{"Loc", "sd"}, {"P1", "4"}});
    form.btbttnSQRTGHGClick();
    EXPECT_EQ(RowsOf(form.strgrdSTAMBUIS), (Rows{{"Loc", "sd"}, {"P1", "4"}}));
    EXPECT_TRUE(platform.messages.empty());
    EXPECT_FALSE(form.btbttnSQRTGHG.enabled);
    EXPECT_TRUE(form.btbttnSQRGHG.enabled);
}

TEST_F(PiezometerRoles, WholeSessionHandsOverByteForByte) {
    platform.fileChoices.push_back(DataFile("piezometer_decimal_comma.csv"));
    form.FormActivate();
    form.btbttnOKLEESClick();
    form.btbttnMISClick();
    form.Toevoegenrecordmetbuisgegevens1Click();
    form.strgrdSTAMBUIS.col = 8;  // remark
    form.Verwijderenkolomonderdecursor1Click();
    Select(form.lstbxTITELS, {"14-04-2003", "01-02-2003"});
    form.btbttnADDClick();
    form.btbttnSQRGHGClick();
    EXPECT_EQ(platform.messages, Texts{"Only numbers converted!"});  // the added record
    EXPECT_EQ(platform.kinds, std::vector<MessageKind>{MessageKind::kWarning});
    form.btbttnEXITSTAMBUISClick();

    EXPECT_TRUE(form.closed);
    EXPECT_EQ(test::ReadBytes("temp.txt"),
              "2 MHW\r\n3 sdMHW\r\n4 MSW\r\n5 sdMSW\r\n6 MLW\r\n7 sdMLW\r\n1 Stratum\r\n"
              "2 measurement dates\r\n9 01-02-2003\r\n8 14-04-2003\r\n");
    EXPECT_EQ(test::ReadBytes("temp.csv"),
              "Loc;Stratum;MHW;sdMHW;MSW;sdMSW;MLW;sdMLW;14-04-2003;01-02-2003;\r\n"
              "extrapiezo;missing;missing;missing;missing;missing;missing;missing;missing;"
              "missing;\r\n"
              "P1;sand;0.45;   0.010;0.80;0.12;1.35;missing;0.62;0.55;\r\n"
              "P2;clay;0.30;   0.040;0.65;missing;1.10;0.15;0.41;missing;\r\n"
              "P3;sand;missing;   0.090;0.90;0.10;1.50;missing;1.02;0.95;\r\n");

    const DataWindowReport report = form.Report();
    EXPECT_FALSE(report.aborted);
    EXPECT_EQ(report.inputFileName, DataFile("piezometer_decimal_comma.csv"));
    EXPECT_EQ(report.roleColumns, (RoleColumns{2, 3, 4, 5, 6, 7, 1}));
    EXPECT_EQ(report.measurementColumns, (Texts{"01-02-2003", "14-04-2003"}));
    EXPECT_TRUE(report.recordsAdded && report.columnsRemoved);
    EXPECT_FALSE(report.recordsRemoved || report.columnsAdded);
    EXPECT_EQ(report.missingCodeText, "");
    // The code's cells per column, for the main window's warning.
    ASSERT_EQ(report.conversions.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(report.conversions[i].code, "-9999");
        EXPECT_EQ(report.conversions[i].replacement, "missing");
        EXPECT_EQ(report.conversions[i].cells, 1);
    }
    EXPECT_EQ(report.conversions[0].column, "MHW");
    EXPECT_EQ(report.conversions[1].column, "sdMLW");
    EXPECT_EQ(report.conversions[2].column, "01-02-2003");
    EXPECT_EQ(report.content, TableContent::kData);
    EXPECT_TRUE(report.sdConversion[0].sqrtEnabled);
    EXPECT_FALSE(report.sdConversion[0].sqrEnabled);
    // The cleaning reaches the grid as well as the file.
    EXPECT_EQ(form.strgrdSTAMBUIS.Cell(7, 4), "missing");
}

TEST_F(PiezometerRoles, ClosingOtherwiseHandsNothingOver) {
    Show({{"Loc", "MHW"}, {"P1", "1"}});
    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_TRUE(form.closed && form.aborted);
    EXPECT_FALSE(std::filesystem::exists("temp.csv") || std::filesystem::exists("temp.txt"));

    Show({{"Loc", "MHW"}, {"P1", "1"}});
    form.btbttnEXITSTAMBUISClick();
    EXPECT_TRUE(form.FormCloseQuery());  // the view closing after "Ready!"
    EXPECT_FALSE(form.aborted);
}

TEST_F(PiezometerRoles, HintsFollowTheMouse) {
    platform.fileChoices.push_back("");
    form.FormActivate();  // the reading button now explains the abort
    const std::pair<const char*, const char*> cases[] = {
        {"lblVARIANCE", "No input file; press button to start again"},
        {"btbttnOKLEES", "No input file; press button to start again"},
        {"btbttnSQRGVG", "Replace numbers in sdMSW-column by their squared value"},
        {"", ""},
    };
    for (const auto& [control, hint] : cases) {
        form.stsbrSTAMBUIS.text = "before";
        form.ControlMouseMove(control);
        EXPECT_EQ(form.stsbrSTAMBUIS.text, hint) << control;
    }
}

// --------------------------------------------------------------------- field

class FieldRoles : public test::InTempDir {
  protected:
    // The window in its role stage on a table of these rows.
    void Show(const Rows& rows) {
        test::WriteBytes("in.txt", "Loc\r\n");
        platform.fileChoices.push_back(FullPath("in.txt"));
        form.FormActivate();
        form.btbttnOKLEESClick();
        form.strgrdMEETDATA = GridOfRows(rows);
        form.vulboxen();
    }
    Texts Boxes() const {
        return {form.cmbbxDatum1.text,  form.cmbbxDatum2.text,  form.cmbbxDatum3.text,
                form.cmbbxMeting1.text, form.cmbbxMeting2.text, form.cmbbxMeting3.text,
                form.cmbbxINSTRATA.text};
    }
    Texts Column(int c) const {
        Texts cells;
        for (int r = 1; r < form.strgrdMEETDATA.rowCount; ++r)
            cells.push_back(form.strgrdMEETDATA.Cell(c, r));
        return cells;
    }

    test::ScriptedPlatform platform;
    TfrmMEETDATA form{platform};
};

TEST_F(FieldRoles, VulboxenProposesIgnoringCase) {
    struct Case {
        const char* name;
        Texts titles;
        Texts boxes;  // Date1, Date2, Date3, Meas1, Meas2, Meas3, strata
    };
    const Case cases[] = {
        {"as written",
         {"Loc", "Date1", "Meas1", "DATE2", "meas2", "Stratum"},
         {"Date1", "DATE2", "", "Meas1", "meas2", "", "Stratum"}},
        {"left-most wins", {"Meas1b", "MEAS1"}, {"", "", "", "Meas1b", "", "", ""}},
        {"Area is a stratum here", {"Area", "x"}, {"", "", "", "", "", "", "Area"}},
        {"strata", {"date3", "MEAS3", "STRATA"}, {"", "", "date3", "", "", "MEAS3", "STRATA"}},
    };
    for (const Case& c : cases) {
        Show({c.titles});
        EXPECT_EQ(Boxes(), c.boxes) << c.name;
        EXPECT_EQ(form.cmbbxMeting2.items, c.titles) << c.name;
    }
}

TEST_F(FieldRoles, OkCollectsTheCodesAndTheirProposals) {
    Show({{"Loc", "Meas1", "Meas2", "Meas3"},
          {"L1", "1.20", "0.5", "x"},
          {"L2", ">1.50", "?", ">9"},
          {"L3", "> 1.50", ">1.50", "y"},
          {"L4", "?", "", "z"},
          {"L5", "", "1.3 ", "z"}});
    form.btbttnOKINDELINGClick();

    EXPECT_EQ(form.cmbbxFOUNDCODE.items, (Texts{">1.50", "?", "> 1.50", "", "1.3 "}));
    EXPECT_EQ(form.cmbbxFOUNDCODE.text, ">1.50");
    EXPECT_EQ(form.cmbbxNEWCODE.items, (Texts{"missing", ">1.50", ">1.3"}));
    EXPECT_EQ(form.cmbbxNEWCODE.text, "missing");
    EXPECT_TRUE(form.codesFound);
    EXPECT_TRUE(form.grpbxCENSOR.visible);
    EXPECT_FALSE(form.grpbxKOLOM.enabled);
    EXPECT_FALSE(form.btbttnEXITMEETDATA.enabled);
}

TEST_F(FieldRoles, OkProposesTheCensoredFormOfAnOnlyCensoredCode) {
    Show({{"Loc", "Meas1", "Meas2"}, {"L1", "> 1.2", "1"}, {"L2", "1", ">1.2"}});
    form.btbttnOKINDELINGClick();
    EXPECT_EQ(form.cmbbxFOUNDCODE.items, (Texts{"> 1.2", ">1.2"}));
    EXPECT_EQ(form.cmbbxNEWCODE.items, (Texts{"missing", ">1.2"}));
    EXPECT_EQ(form.cmbbxNEWCODE.text, ">1.2");
}

TEST_F(FieldRoles, ConversionsWorkThroughTheCodesOneByOne) {
    Show({{"Loc", "Meas1", "Meas2"},
          {"L1", ">1.50", "?"},
          {"L2", "> 1.50", ">1.50"},
          {"L3", "?", ""}});
    form.btbttnOKINDELINGClick();
    ASSERT_EQ(form.cmbbxFOUNDCODE.items, (Texts{">1.50", "?", "> 1.50", ""}));

    struct Step {
        const char* code;         // chosen by the user; nullptr: as shown
        const char* replacement;  // typed by the user; nullptr: as proposed
        const char* meas1;        // the columns afterwards
        const char* meas2;
        const char* nextCode;
        const char* nextProposal;
        bool censored;
    };
    const Step steps[] = {
        // A code picked from the list goes, whichever is shown.
        {"?", nullptr, ">1.50|> 1.50|missing", "missing|>1.50|", ">1.50", ">1.50", false},
        // Into itself: only the list and the switch change.
        {nullptr, nullptr, ">1.50|> 1.50|missing", "missing|>1.50|", "> 1.50", ">1.50", true},
        {nullptr, nullptr, ">1.50|>1.50|missing", "missing|>1.50|", "", "missing", true},
        {nullptr, "2.00", ">1.50|>1.50|missing", "missing|>1.50|2.00", "", "2.00", true},
    };
    for (const Step& s : steps) {
        if (s.code) form.cmbbxFOUNDCODE.text = s.code;
        if (s.replacement) form.cmbbxNEWCODE.text = s.replacement;
        const std::string code = form.cmbbxFOUNDCODE.text;
        form.btbttnREPLACEOKClick();
        EXPECT_EQ(Column(1), Split(s.meas1)) << code;
        EXPECT_EQ(Column(2), Split(s.meas2)) << code;
        EXPECT_EQ(form.cmbbxFOUNDCODE.text, s.nextCode) << code;
        EXPECT_EQ(form.cmbbxNEWCODE.text, s.nextProposal) << code;
        EXPECT_EQ(form.Report().censoredReplacement, s.censored) << code;
    }
    EXPECT_TRUE(form.cmbbxFOUNDCODE.items.empty());
    EXPECT_TRUE(form.btbttnEXITMEETDATA.enabled);
}

TEST_F(FieldRoles, WithoutCodesOnePressChangesNothingAndAllowsReady) {
    // A replacement left from the showing before must not reach the table.
    form.cmbbxNEWCODE.text = ">1.20";
    Show({{"Loc", "Meas1", "Meas2", "Meas3"}, {"L1", "1", "2", "?"}, {"L2", "", "", ""}});
    form.cmbbxMeting1.text = "absent";  // boxes naming no column are skipped
    form.cmbbxMeting2.text = "Meas2";
    form.strgrdMEETDATA.SetCell(2, 2, "3");
    form.btbttnOKINDELINGClick();
    EXPECT_FALSE(form.codesFound);
    EXPECT_EQ(form.cmbbxFOUNDCODE.text, "");
    EXPECT_EQ(form.cmbbxNEWCODE.text, "");
    form.btbttnREPLACEOKClick();
    EXPECT_EQ(Column(1), (Texts{"1", ""}));
    EXPECT_FALSE(form.censoredReplacement);
    EXPECT_TRUE(form.btbttnEXITMEETDATA.enabled);
}

TEST_F(FieldRoles, WholeSessionHandsOverByteForByte) {
    platform.fileChoices.push_back(DataFile("field_censored_codes.csv"));
    form.FormActivate();
    form.btbttnOKLEESClick();
    form.Omzettenvanelkekommanaardecimalepunt1Click();
    form.edtMIS.text = "9999";
    form.btbttnMISClick();
    form.btbttnOKINDELINGClick();
    ASSERT_EQ(form.cmbbxFOUNDCODE.items, (Texts{">1.50", "?", "> 1.50", "missing", ""}));
    form.cmbbxNEWCODE.text = ">1.50";
    form.btbttnREPLACEOKClick();  // >1.50 stays
    form.btbttnREPLACEOKClick();  // ? becomes missing
    form.btbttnREPLACEOKClick();  // > 1.50 becomes >1.50
    form.btbttnREPLACEOKClick();  // missing stays
    form.cmbbxNEWCODE.text = "2.00";
    form.btbttnREPLACEOKClick();  // the empty cell, typed by hand
    ASSERT_TRUE(form.btbttnEXITMEETDATA.enabled);
    form.btbttnEXITMEETDATAClick();

    EXPECT_TRUE(form.closed);
    EXPECT_EQ(test::ReadBytes("temp.csv"),
              "Loc;Date1;Meas1;DATE2;meas2;Stratum;Meas3;\r\n"
              "L1;14-04-2003;1.20;01-02-2003;0.85;sand;x;\r\n"
              "L2;14-04-2003;>1.50;01-02-2003;missing;clay;>2;\r\n"
              "L3;14-04-2003;>1.50;01-02-2003;>1.50;sand;;\r\n"
              "L4;14-04-2003;missing;01-02-2003;missing;sand;1;\r\n"
              "L5;14-04-2003;2.00;01-02-2003;1.05;clay;1;\r\n");
    EXPECT_EQ(test::ReadBytes("temp.txt"),
              "1 Date1\r\n3 DATE2\r\n-1 no Date3 found\r\n2 Meas1\r\n4 meas2\r\n6 Meas3\r\n"
              "5 Stratum\r\n");

    DataWindowReport report = form.Report();
    EXPECT_FALSE(report.aborted);
    EXPECT_EQ(report.roleColumns, (RoleColumns{1, 3, -1, 2, 4, 6, 5}));
    EXPECT_TRUE(report.codesFound && report.censoredReplacement);
    EXPECT_EQ(report.missingCodeText, "");
    // The main window warns of the codes that became "missing": "missing"
    // itself meant that already.
    EXPECT_EQ(CheckCodeConversions(report.conversions, kFieldCommaItem),
              (Texts{"Warning: the code \"9999\" was turned into \"missing\" in 1 cell.",
                     "Warning: the code \"?\" was turned into \"missing\" in 2 cells."}));

    // The next showing starts without codes and without the switch.
    platform.fileChoices.push_back("");
    form.FormActivate();
    report = form.Report();
    EXPECT_FALSE(report.codesFound || report.censoredReplacement);
    EXPECT_TRUE(report.conversions.empty());
}

TEST_F(FieldRoles, TitleBarCloseWritesNothingAndSaysSo) {
    Show({{"Loc", "Meas1"}, {"L1", ">1.2"}});
    form.btbttnOKINDELINGClick();
    form.btbttnREPLACEOKClick();
    std::filesystem::create_directory("temp.txt");
    EXPECT_THROW(form.btbttnEXITMEETDATAClick(), IoError);
    EXPECT_FALSE(form.closed);  // a failed hand-over leaves the window open
    EXPECT_EQ(form.roleColumns[kRoleMeas1], 1);

    EXPECT_TRUE(form.FormCloseQuery());
    EXPECT_TRUE(form.closed && form.aborted);
    EXPECT_FALSE(std::filesystem::exists("temp.csv"));
}

}  // namespace
}  // namespace tarnovel
