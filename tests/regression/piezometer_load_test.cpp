#include <gtest/gtest.h>

#include "common/io_error.h"
#include "tests/regression/piezometer_session.h"

namespace tarnovel {
namespace {

using PiezometerLoad = PiezometerSession;
using Items = std::vector<std::string>;

std::string Padded(const std::string& s) {
    return s + std::string(15 - s.size(), ' ');
}

TEST_F(PiezometerLoad, KindListFollowsTheColumnsPresent) {
    struct Case {
        Items txt;
        Items kinds;
    };
    const std::vector<Case> cases = {
        {{"0 a", "-1 no SDMHW found", "-1 no MSW found", "-1 no SDMSW found", "-1 no MLW found",
          "-1 no SDMLW found", "-1 no STRATA found", "0 measurement dates"},
         {"MHW"}},
        {{"0 a", "-1 no SDMHW found", "-1 no MSW found", "-1 no SDMSW found", "1 b",
          "-1 no SDMLW found", "-1 no STRATA found", "0 measurement dates"},
         {"MHW+MLW", "MHW", "MLW"}},
        {{"0 a", "-1 x", "2 c", "-1 x", "1 b", "-1 x", "-1 x", "0 measurement dates"},
         {"MHW+MSW+MLW", "MHW", "MSW", "MLW"}},
        {{"-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "0 measurement dates"}, {}},
    };
    for (const Case& c : cases) {
        Load(Csv({{"a", "b", "c"}, {"1", "2", "3"}}), Lines(c.txt));
        EXPECT_EQ(main.cmbbxPREDICT.items, c.kinds);
        EXPECT_EQ(main.cmbbxPREDICT.text, c.kinds.empty() ? "" : c.kinds.front());
        EXPECT_FALSE(Exists("temp.csv") || Exists("temp.txt"));
        EXPECT_TRUE(main.btbttnOKTABINDEX0.enabled && main.cmbbxPREDICT.enabled);
        if (c.kinds.size() == 4) {
            // The MxW columns are renamed for the run to find them.
            EXPECT_EQ(main.strgrdBUISDATA.Cell(0, 0), "MHW");
            EXPECT_EQ(main.strgrdBUISDATA.Cell(1, 0), "MLW");
            EXPECT_EQ(main.strgrdBUISDATA.Cell(2, 0), "MSW");
        }
    }
}

TEST_F(PiezometerLoad, PaddingAndStrataList) {
    const std::string longValue = "a stratum of 20 chr";
    Load(Csv({{"Area", "MHW", "14-04-2003"},
              {"A", "40", "55"},
              {"A ", "missing", "60"},
              {longValue, "12", "13"},
              {"B", "1", ""}}),
         Lines({"1 MHW", "-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "0 Area", "1 measurement dates",
                "2 14-04-2003"}),
         {"14-04-2003"});
    const StringGrid& t = main.strgrdBUISDATA;
    EXPECT_EQ(t.Cell(0, 0), "Area");  // titles are not padded
    EXPECT_EQ(t.Cell(1, 1), Padded("40"));
    EXPECT_EQ(t.Cell(1, 2), Padded("missing"));
    EXPECT_EQ(t.Cell(0, 3), longValue);
    EXPECT_EQ(t.Cell(2, 4), std::string(15, ' '));
    EXPECT_EQ(main.cmbbxSTRATA.items,
              (Items{"no strata", "all strata separately", Padded("A"), longValue, Padded("B")}));
    EXPECT_EQ(main.cmbbxSTRATAyesno.items, (Items{"no strata", "all strata separately"}));
    EXPECT_EQ(main.cmbbxSTRATA.text, "no strata");
    EXPECT_EQ(main.strataCount, 5);
    EXPECT_EQ(main.dateCount, 1);
    EXPECT_EQ(main.dateColumns[1], 2.0);
    EXPECT_TRUE(main.strgrdBUISDATA.visible);
}

TEST_F(PiezometerLoad, WeightingOfferedOnlyWhenEveryPresentKindHasItsSd) {
    const Items both = {"unweighted regression", "weighted regression"};
    const Items plain = {"unweighted regression"};
    // MHW with sd, MLW with sd, MSW absent: offered; MSW's selector hidden.
    Load(Csv({{"a", "sa", "b", "sb"}, {"1", "1", "2", "2"}}),
         Lines({"0 a", "1 sa", "-1 x", "-1 x", "2 b", "3 sb", "-1 x", "0 measurement dates"}));
    EXPECT_EQ(main.cmbbxWEIGHTGHG.items, both);
    EXPECT_EQ(main.cmbbxWEIGHTGLG.items, both);
    EXPECT_EQ(main.CMBBXWEIGHTGVG.items, (Items{"weighted regression"}));
    EXPECT_FALSE(main.CMBBXWEIGHTGVG.visible);
    EXPECT_EQ(main.cmbbxWEIGHTGHG.text, "unweighted regression");
    // MLW without its sd: no weighting for anyone.
    Load(Csv({{"a", "sa", "b"}, {"1", "1", "2"}}),
         Lines({"0 a", "1 sa", "-1 x", "-1 x", "2 b", "-1 x", "-1 x", "0 measurement dates"}));
    EXPECT_EQ(main.cmbbxWEIGHTGHG.items, plain);
    EXPECT_EQ(main.cmbbxWEIGHTGLG.items, plain);
}

TEST_F(PiezometerLoad, TitleOnlyTableAndBlankTitleEndTheColumns) {
    Load(Csv({{"MHW", " ", "x"}}),
         Lines({"0 MHW", "-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "-1 x", "0 measurement dates"}));
    ASSERT_EQ(main.strgrdBUISDATA.colCount, 1);
    ASSERT_EQ(main.strgrdBUISDATA.rowCount, 2);
    EXPECT_EQ(main.strgrdBUISDATA.Cell(0, 1), std::string(15, ' '));
}

TEST_F(PiezometerLoad, RoleFileFaultsStopTheLoadAndKeepTheFiles) {
    const std::string csv = Csv({{"a", "b"}, {"1", "2"}});
    // A line that does not start with a number.
    EXPECT_THROW(Load(csv, Lines({"0 a", "x", "-1", "-1", "-1", "-1", "-1", "0"})), IoError);
    EXPECT_TRUE(Exists("temp.csv") && Exists("temp.txt"));
    EXPECT_FALSE(main.btbttnOKTABINDEX0.enabled);
    // A role in a column the table does not have (a blank title cut it short).
    EXPECT_THROW(Load(csv, Lines({"5 a", "-1", "-1", "-1", "-1", "-1", "-1", "0"})), IoError);
    EXPECT_THROW(Load(csv, Lines({"0 a", "-1", "-1", "-1", "-1", "-1", "-1", "1", "7 d"})),
                 IoError);
}

TEST_F(PiezometerLoad, AbortedDataWindowChangesNothing) {
    platform.onModal["TfrmBUISDATA"] = [this] { buisdata.aborted = true; };
    main.btbttnFILEClick();
    EXPECT_FALSE(main.btbttnOKTABINDEX0.enabled);
    EXPECT_FALSE(main.cmbbxPREDICT.enabled);
    EXPECT_FALSE(main.strgrdBUISDATA.visible);
    EXPECT_EQ(main.CurrentMilestone(), mijlpaal::na_start);
    EXPECT_FALSE(buisdata.inputMode);
}

TEST_F(PiezometerLoad, SourceChoiceSwitchesTheButtons) {
    main.rdbttnKEYBOARDClick();
    EXPECT_TRUE(main.btbttnSTRUCTUUR.enabled);
    EXPECT_FALSE(main.btbttnFILE.enabled);
    EXPECT_FALSE(main.rdbttnFILE.checked);
    // Typing in reads whatever was handed over, aborted or not.
    platform.onModal["TfrmBUISDATA"] = [this] {
        buisdata.aborted = true;
        Put("temp.csv", Csv({{"MHW"}, {"3"}}));
        Put("temp.txt", Lines({"0 MHW", "-1", "-1", "-1", "-1", "-1", "-1", "0"}));
    };
    main.btbttnSTRUCTUURClick();
    EXPECT_TRUE(buisdata.inputMode);
    EXPECT_EQ(main.cmbbxPREDICT.items, (Items{"MHW"}));
    main.rdbttnFILEClick();
    EXPECT_TRUE(main.btbttnFILE.enabled);
    EXPECT_FALSE(main.btbttnSTRUCTUUR.enabled);
    EXPECT_FALSE(main.rdbttnKEYBOARD.checked);
}

}  // namespace
}  // namespace tarnovel
