#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/io_error.h"
#include "prediction/prediction_model.h"
#include "tests/prediction/field_session.h"

namespace tarnovel {
namespace {

using Items = std::vector<std::string>;

std::string Pad(const std::string& text) {
    return text + std::string(text.size() < 15 ? 15 - text.size() : 0, ' ');
}

class FieldTab : public FieldSession {};

TEST_F(FieldTab, LoadPadsDataCellsNamesRoleColumnsAndDeletesTheHandOff) {
    LoadField({{"Loc", "Datum A", "Stand A", "Area", "Remark"},
               {"L1", "14-04-2003", "1.20", "sand", "a very long remark here"},
               {"L2", "14-04-2003", ">150", "clay", ""},
               {"L3", "14-04-2003", "missing", "sand", "x"}},
              {1, -1, -1, 2, -1, -1, 3});
    const StringGrid& t = main.strgrdMEETDATA;
    ASSERT_EQ(t.colCount, 5);
    ASSERT_EQ(t.rowCount, 4);
    EXPECT_EQ(t.Cell(0, 0), "Loc");
    EXPECT_EQ(t.Cell(1, 0), "Date1");
    EXPECT_EQ(t.Cell(2, 0), "Meas1");
    EXPECT_EQ(t.Cell(3, 0), "Stratum");
    EXPECT_EQ(t.Cell(4, 0), "Remark");  // titles are never padded
    EXPECT_EQ(t.Cell(2, 1), "1.20" + std::string(11, ' '));
    EXPECT_EQ(t.Cell(4, 1), "a very long remark here");
    EXPECT_EQ(t.Cell(4, 2), std::string(15, ' '));
    EXPECT_EQ(main.colDate1, 1);
    EXPECT_EQ(main.colMeas1, 2);
    EXPECT_EQ(main.colFieldStrata, 3);
    EXPECT_EQ(main.colDate2, -1);
    EXPECT_TRUE(t.visible);
    EXPECT_FALSE(Exists("temp.csv"));
    EXPECT_FALSE(Exists("temp.txt"));
    EXPECT_EQ(main.edtNAAMRESULT.text, "Session  1 Predict.csv");
    EXPECT_TRUE(main.btbttnOKVERPLICHT.enabled);
    EXPECT_FALSE(main.btbttnSTARTPREDICT.enabled);
}

TEST_F(FieldTab, AnEmptyTitleEndsTheColumnsAndARoleBeyondThemIsRefused) {
    main.tbcntrlZelvimoMAIN.tabIndex = 2;
    main.tbcntrlZelvimoMAINChange();
    platform.onModal["TfrmMEETDATA"] = [this] {
        meetdata.aborted = false;
        Put("temp.csv", "Loc;Date1;;Meas1;\r\nL1;D;x;1;\r\n");
        Put("temp.txt", Lines({"1 Date1", "-1", "-1", "3 Meas1", "-1", "-1", "-1"}));
    };
    EXPECT_THROW(main.btbttnKOPPELMETINGENClick(), IoError);

    platform.onModal["TfrmMEETDATA"] = [this] {
        meetdata.aborted = false;
        Put("temp.csv", "Loc;Date1;;Meas1;\r\n");
        Put("temp.txt", Lines({"1 Date1", "-1", "-1", "-1", "-1", "-1", "-1"}));
    };
    main.btbttnKOPPELMETINGENClick();
    // Two columns; a title line alone gives no record.
    EXPECT_EQ(main.strgrdMEETDATA.colCount, 2);
    EXPECT_EQ(main.strgrdMEETDATA.rowCount, 1);
}

// A field table of titles alone is named as such; the prediction file holds
// no row that is no location, and the closing message says that nothing
// was predicted.
TEST_F(FieldTab, ATitleLineAloneIsNamedAndGivesNoRowToPredict) {
    meetdata.content = TableContent::kTitlesOnly;
    LoadField({{"Loc", "Date1", "Meas1", "Date2", "Meas2"}}, {1, 3, -1, 2, 4, -1, -1});
    const std::string noData = "The field table field.csv holds no data: it has a title line only.";
    ASSERT_EQ(platform.messages, Items{noData});
    EXPECT_EQ(platform.kinds.back(), MessageKind::kError);
    EXPECT_EQ(main.strgrdMEETDATA.rowCount, 1);

    Predict("MHW");
    const std::string file = Get("Session  1 Predict.csv");
    EXPECT_EQ(file.find("\r\n"), file.size() - 2) << file;  // the title line only
    ASSERT_EQ(platform.messages.size(), 2u);
    EXPECT_EQ(platform.messages[1].rfind("No MxW was predicted at any location.\n", 0), 0u);
    EXPECT_EQ(platform.kinds[1], MessageKind::kError);
    const std::vector<std::string> log = LogLines();
    for (const std::string& line :
         {"Error: " + noData, std::string("Error: No MxW was predicted at any location.")})
        EXPECT_NE(std::find(log.begin(), log.end(), line), log.end()) << line;
}

TEST_F(FieldTab, NoHandOffLeavesTheTableAndClearsTheRoles) {
    LoadSurvey({{"D1", "50", "D2", "60"}});
    platform.onModal["TfrmMEETDATA"] = [this] { meetdata.aborted = false; };
    main.btbttnKOPPELMETINGENClick();
    EXPECT_EQ(main.strgrdMEETDATA.rowCount, 2);
    EXPECT_EQ(main.strgrdMEETDATA.Cell(1, 0), "Date1");
    EXPECT_EQ(main.colDate1, -1);
    EXPECT_EQ(main.colMeas2, -1);
    EXPECT_EQ(main.edtNAAMRESULT.text, "Session  1 Predict.csv");
}

TEST_F(FieldTab, TheFieldWindowsReportDrivesTheOptions) {
    struct Case {
        const char* name;
        bool aborted, censored;
        bool mlEnabled, mlChecked, listVisible;
        const char* output;
    };
    const Case cases[] = {
        {"censored value made", false, true, true, true, true, "Session  1 Predict.csv"},
        {"codes made missing", false, false, false, false, false, "Session  1 Predict.csv"},
        // A window closed without "Ready!" hands over nothing, whatever was
        // converted in it.
        {"cancelled", true, true, false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        main.chckbxMAXLIKELI.enabled = false;
        main.chckbxMAXLIKELI.checked = false;
        main.lstbxMLNODIG.visible = false;
        main.Label3.visible = false;
        // As an earlier table left it, before a run withdrew the option.
        main.chckbxEXACTML.enabled = true;
        main.tbcntrlZelvimoMAIN.tabIndex = 2;
        main.tbcntrlZelvimoMAINChange();
        platform.onModal["TfrmMEETDATA"] = [&] {
            meetdata.aborted = c.aborted;
            meetdata.censoredReplacement = c.censored;
            Put("temp.csv", "Loc;Date1;Meas1;\r\nL1;D1;>1;\r\n");
            Put("temp.txt", Lines({"1 Date1", "-1", "-1", "2 Meas1", "-1", "-1", "-1"}));
        };
        main.btbttnKOPPELMETINGENClick();
        EXPECT_EQ(main.chckbxMAXLIKELI.enabled, c.mlEnabled);
        EXPECT_EQ(main.chckbxMAXLIKELI.checked, c.mlChecked);
        EXPECT_EQ(main.lstbxMLNODIG.visible, c.listVisible);
        EXPECT_EQ(main.Label3.visible, c.listVisible);
        if (!c.aborted) {
            EXPECT_EQ(main.chckbxEXACTML.enabled, c.mlEnabled && c.mlChecked);
        }
        EXPECT_EQ(main.edtNAAMRESULT.text, c.output);
        EXPECT_EQ(Exists("temp.csv"), c.aborted);
    }
}

TEST_F(FieldTab, StrataBoxFollowsTheRunsStrataSetting) {
    platform.onModal["TfrmMEETDATA"] = [this] { meetdata.aborted = true; };
    for (const char* setting : {"no strata", "all strata separately", "no strata"}) {
        SCOPED_TRACE(setting);
        main.cmbbxSTRATAyesno.text = setting;
        main.tbcntrlZelvimoMAINChange();
        main.btbttnKOPPELMETINGENClick();
        const bool separately = std::string(setting) != "no strata";
        EXPECT_EQ(meetdata.cmbbxINSTRATA.enabled, separately);
    }
}

TEST_F(FieldTab, TabSelectionOffersTheRunsKindsAndStrataChoice) {
    struct Case {
        const char* predict;
        Items gxg;
        const char* strata;
        Items expected;
        bool strataApart;
    };
    const Case cases[] = {
        {"MHW+MSW+MLW",
         {"MHW", "MSW", "MLW"},
         "all strata separately",
         {"MHW+MSW+MLW", "MHW", "MSW", "MLW"},
         true},
        {"MHW+MLW", {"MHW", "MLW"}, "no strata", {"MHW+MLW", "MHW", "MLW"}, false},
        {"MSW", {"MSW"}, "no strata", {"MSW"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.predict);
        main.cmbbxPREDICT.text = c.predict;
        main.cmbbxGxG.items = c.gxg;
        main.cmbbxSTRATAyesno.text = c.strata;
        main.edtNAAMRESULT.text = "kept?";
        // Tab 2 is chosen directly: the tab-1 selection would rebuild the
        // kind list from the run's settings.
        main.tbcntrlZelvimoMAIN.tabIndex = 2;
        main.tbcntrlZelvimoMAINChange();
        EXPECT_EQ(main.cmbbxTEVOORSPELLEN.items, c.expected);
        EXPECT_EQ(main.cmbbxTEVOORSPELLEN.text, c.expected.front());
        EXPECT_EQ(main.chckbxSTRATAAPART.enabled, c.strataApart);
        EXPECT_EQ(main.chckbxSTRATAAPART.checked, c.strataApart);
        EXPECT_EQ(main.edtNAAMRESULT.text, "");
    }
}

TEST_F(FieldTab, FixedMandatorySettingsSurviveATabSwitch) {
    main.cmbbxPREDICT.text = "MHW+MLW";
    main.cmbbxGxG.items = {"MHW", "MLW"};
    main.grpbxVERPLICHT.enabled = true;
    for (const bool fixed : {false, true}) {
        SCOPED_TRACE(fixed ? "fixed" : "not fixed");
        main.tbcntrlZelvimoMAIN.tabIndex = 2;
        main.tbcntrlZelvimoMAINChange();
        main.edtNAAMRESULT.text = "mine.csv";
        main.cmbbxTEVOORSPELLEN.text = "MLW";
        if (fixed) main.btbttnOKVERPLICHTClick();
        main.tbcntrlZelvimoMAIN.tabIndex = 2;
        main.tbcntrlZelvimoMAINChange();
        EXPECT_EQ(main.edtNAAMRESULT.text, fixed ? "mine.csv" : "");
        EXPECT_EQ(main.cmbbxTEVOORSPELLEN.text, fixed ? "MLW" : "MHW+MLW");
    }
}

TEST_F(FieldTab, OkListsEachCensoredValueOnceInDateAndCutOffOrder) {
    LoadField({{"Loc", "Date1", "Meas1", "Date2", "Meas2", "Meas3"},
               {"L1", "01-02-2003", ">150", "14-04-2003", "0.5", ">900"},
               {"L2", "01-02-2003", ">120", "14-04-2003", ">150", ">800"},
               {"L3", "01-02-2003", ">150", "14-04-2002", ">99.9", "1"},
               {"L4", "14-04-2003", ">150", "01-02-2003", "missing", ""},
               {"L5", "01-02-2003", ">120.7", "14-04-2003", "1", ""}},
              {1, 3, -1, 2, 4, 5, -1});
    main.btbttnOKVERPLICHTClick();
    const Items expected = {
        Pad("14-04-2003") + "&" + Pad(">150"), Pad("01-02-2003") + "&" + Pad(">120"),
        Pad("01-02-2003") + "&" + Pad(">120.7"),  // cut-off 120 too: keeps its place
        Pad("01-02-2003") + "&" + Pad(">150"), Pad("14-04-2002") + "&" + Pad(">99.9")};
    EXPECT_EQ(main.lstbxMLNODIG.items, expected);
    ASSERT_EQ(main.censoredEntries.size(), expected.size());
    EXPECT_EQ(main.censoredEntries[0].first, Pad("14-04-2003"));
    EXPECT_EQ(main.censoredEntries[0].second, Pad(">150"));
    EXPECT_FALSE(main.grpbxVERPLICHT.enabled);
    EXPECT_TRUE(main.grpbxFACULTATIEF.visible);
    EXPECT_TRUE(main.btbttnSTARTPREDICT.enabled);
    EXPECT_TRUE(main.strgrdMEETDATA.visible);

    // A new table after "OK" stays behind the frozen settings.
    LoadSurvey({{"D1", ">1", "D2", "2"}});
    EXPECT_FALSE(main.grpbxVERPLICHT.enabled);
    EXPECT_FALSE(main.btbttnSTARTPREDICT.enabled);
}

}  // namespace
}  // namespace tarnovel
