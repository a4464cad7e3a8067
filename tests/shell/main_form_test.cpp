#include <gtest/gtest.h>

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "shell/about_form.h"
#include "shell/main_form.h"
#include "tests/shell/scripted_platform.h"
#include "tests/shell/temp_directory.h"

namespace tarnovel {
namespace {

using Form = TfrmZelvimoMAIN;

class MainFormTest : public InTempDirectory {
  protected:
    void SetUp() override {
        InTempDirectory::SetUp();
        form.FormActivate();
        platform.repaints.clear();
    }

    Control& Get(const std::string& name) {
        Control* control = form.FindControl(name);
        if (control == nullptr) ADD_FAILURE() << "no control " << name;
        static Control none;
        return control ? *control : none;
    }

    ScriptedPlatform platform;
    Form form{platform};
};

struct StartState {
    const char* name;
    bool enabled;
    bool visible;
    const char* hint;
    int help;
};

// The window after start-up, control by control.
const StartState kStartStates[] = {
    {"grpbxTABINDEX0", true, true, "Settings piezometer regression", 7},
    {"rdbttnFILE", true, true, "Selecteer indien gegevens uit een bestand komen", 10},
    {"btbttnFILE", true, true, "Attach an ASCII-file", 10},
    {"rdbttnKEYBOARD", true, true, "Selecteer indien gegevens met de hand worden ingevoerd", 10},
    {"btbttnSTRUCTUUR", false, true, "Define contents data table", 10},
    {"cmbbxPREDICT", false, true, "Select variables to be predicted", 11},
    {"chckbxCONST", false, false, "", 0},
    {"cmbbxSTRATAyesno", false, true, "Tell the program if regression has to be done for strata",
     11},
    {"cmbbxSTRATA", false, false, "Select if prediction has to be done for all strata separately",
     0},
    {"cmbbxWEIGHTGHG", false, true, "Choose weighted/unweighted regression for MHW", 11},
    {"CMBBXWEIGHTGVG", false, true, "Choose weighted/unweighted regression for MSW", 11},
    {"cmbbxWEIGHTGLG", false, true, "Choose weighted/unweighted regression for MLW", 11},
    {"strgrdBUISDATA", true, false, "", 0},
    {"btbttnOKTABINDEX0", false, true, "Push button if all settings are OK", 11},
    {"lblPROGRESS", true, false, "", 0},
    {"ggPROGRESS", true, false, "", 0},
    {"mmDelete", true, false, "", 0},
    {"grpbxTABINDEX1", false, false, "Results piezometer regression", 16},
    {"cmbbxSTRATA2", true, true, "choose a stratum", 16},
    {"cmbbxGxG", true, true, "Choose MxW", 16},
    {"cmbbxDATUM1", true, true,
     "Kies de meetdatum(s) waarvoor regressieresultaat stand>GxG moet worden bekeken", 16},
    {"btbttnSHOW", true, true, "Show regression result measuement(s) > MxW", 16},
    {"strgrdFIT", true, true, "Results of selected regression", 16},
    {"imgFIT", true, false,
     "Scatterplot van geselecteerde regressie; wordt weggeschreven naar *.wmf", 0},
    {"lstbxTMP", true, false, "", 0},
    {"grpbxTABINDEX2", false, false, "Prediction MxW at field work locations", 18},
    {"btbttnKOPPELMETINGEN", true, true, "Attach file containing measurements in auger holes", 0},
    {"grpbxVERPLICHT", true, true, "", 20},
    {"edtNAAMRESULT", true, true, "Give name of file with per date the location and MxW", 0},
    {"rdgrpPREDSEP", true, true, "", 0},
    {"cmbbxTEVOORSPELLEN", true, true,
     "Choose which MxW must be predicted at all measurement locations", 0},
    {"btbttnOKVERPLICHT", true, true, "Push this button to fix these settings", 0},
    {"grpbxFACULTATIEF", true, false, "", 21},
    {"chckbxSTRATAAPART", false, true, "Select if for all strata separate regressions must be done",
     0},
    {"chckbxMAXLIKELI", false, true,
     "Select if a \"deeper than\" measurement has to be replaced by a maximum-likelihood "
     "estimation",
     0},
    {"chckbxEXACTML", false, true,
     "Select if the \"deeper than\" measurements have to be estimated by exact maximum "
     "likelihood, each at its own depth, instead of by the table method",
     0},
    {"Label3", true, false, "", 0},
    {"lstbxMLNODIG", true, false, "", 0},
    {"strgrdMEETDATA", true, false, "", 0},
    {"btbttnSTARTPREDICT", false, true,
     "Press this button to start prediction of MxW at all measurement locations.", 22},
    {"ggPROGRESSPREDICT", true, true, "", 0},
    {"grpbxSTATUS", true, true, "", 4},
    {"ggVoortgang", true, true, "", 0},
    {"sttsbrSTATUS", true, true, "", 0},
};

TEST_F(MainFormTest, StartState) {
    for (const StartState& s : kStartStates) {
        SCOPED_TRACE(s.name);
        const Control& c = Get(s.name);
        EXPECT_EQ(c.enabled, s.enabled);
        EXPECT_EQ(c.visible, s.visible);
        EXPECT_EQ(c.hint, s.hint);
        EXPECT_EQ(c.helpContext, s.help);
    }
    EXPECT_TRUE(form.grpbxTABINDEX1.greyText);
    EXPECT_TRUE(form.grpbxTABINDEX2.greyText);
    EXPECT_EQ(form.tbcntrlZelvimoMAIN.tabIndex, 0);
    EXPECT_EQ(form.sttsbrSTATUS.text, "Settings piezometer regression");
}

TEST_F(MainFormTest, DesignContent) {
    using Text = std::function<std::string(const Form&)>;
    const auto joined = [](const std::vector<std::string>& items) {
        std::string all;
        for (const std::string& item : items)
            all += "[" + item + "]";
        return all;
    };
    const std::pair<Text, std::string> cases[] = {
        {[](const Form& f) { return f.Help1.caption + "|" + f.Over1.caption; }, "Help|About..."},
        {[&](const Form& f) { return joined(f.tbcntrlZelvimoMAIN.tabs); },
         "[Settings piezometer regression][Results piezometer regression]"
         "[Prediction at field work locations]"},
        {[](const Form& f) { return f.btbttnOKTABINDEX0.caption; },
         "Settings ready; start piezometer regression(s)"},
        {[&](const Form& f) { return f.cmbbxPREDICT.text + joined(f.cmbbxPREDICT.items); },
         "MHW+MSW+MLW[MHW][MSW][MLW][MHW+MSW+MLW]"},
        {[&](const Form& f) { return f.CMBBXWEIGHTGVG.text + joined(f.CMBBXWEIGHTGVG.items); },
         "unweighted regression[unweighted regression][weighted regression]"},
        {[&](const Form& f) { return f.cmbbxSTRATA.text + joined(f.cmbbxSTRATA.items); },
         "no strata[no strata]"},
        {[](const Form& f) { return f.Label6.caption; }, " in strata?"},
        {[&](const Form& f) { return f.cmbbxGxG.text + joined(f.cmbbxGxG.items); },
         "MHW[MHW][MSW][MLW]"},
        {[&](const Form& f) {
             return f.rdgrpPREDSEP.items[f.rdgrpPREDSEP.itemIndex] + joined(f.rdgrpPREDSEP.items);
         },
         ";[;][,][tab]"},
        {[&](const Form& f) {
             return f.cmbbxTEVOORSPELLEN.text + joined(f.cmbbxTEVOORSPELLEN.items);
         },
         "MHW+MSW+MLW[MHW+MSW+MLW][MHW][MSW][MLW]"},
        {[](const Form& f) { return f.edtNAAMRESULT.text; }, "Predict.csv"},
        {[](const Form& f) { return f.grpbxVERPLICHT.caption + f.grpbxFACULTATIEF.caption; },
         " Mandatory settings  Optional settings "},
        {[](const Form& f) { return f.chckbxMAXLIKELI.caption; },
         "Maximum Likelihood estimation for \"deeper than\" data"},
        {[](const Form& f) { return f.chckbxEXACTML.caption; }, "exact (recommended)"},
        {[](const Form& f) { return f.Label3.caption; },
         "Found \"deeper than\" data in inputfile:"},
        {[](const Form& f) {
             return f.StaticText2.caption + ">" + f.StaticText3.caption + ">" +
                    f.StaticText5.caption + ">" + f.StaticText6.caption + ">" +
                    f.StaticText7.caption + ">" + f.StaticText8.caption;
         },
         "Start>setting>perform>report>prediction MxW>Stop"},
    };
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(text(form), expected);
    EXPECT_TRUE(form.chckbxCONST.checked);
    EXPECT_TRUE(form.rdbttnFILE.checked);
    EXPECT_FALSE(form.rdbttnKEYBOARD.checked);
    EXPECT_FALSE(form.chckbxEXACTML.checked);
    EXPECT_TRUE(form.cmbbxDATUM1.editable);
    EXPECT_EQ(form.strgrdFIT.colCount, 4);
    EXPECT_EQ(form.strgrdFIT.rowCount, 8);
    EXPECT_EQ(form.strgrdFIT.fixedRows, 0);
    EXPECT_EQ(form.strgrdBUISDATA.fixedRows, 1);
    EXPECT_EQ(form.strgrdBUISDATA.fixedCols, 0);
}

TEST_F(MainFormTest, EveryControlIsListedOnceAndFoundByName) {
    struct Collect : ControlVisitor {
        std::vector<std::pair<std::string, Control*>> seen;
        void Visit(std::string_view name, Control& c) override {
            seen.emplace_back(std::string(name), &c);
        }
    } collect;
    form.forEachControl(collect);

    std::set<std::string> names;
    for (const auto& [name, control] : collect.seen) {
        EXPECT_TRUE(names.insert(name).second) << "listed twice: " << name;
        EXPECT_EQ(form.FindControl(name), control) << name;
    }
    for (const StartState& s : kStartStates)
        EXPECT_TRUE(names.count(s.name)) << s.name;
    for (const char* name :
         {"Help1", "Over1", "tbcntrlZelvimoMAIN", "Label2", "Label5", "Label7", "Label9", "Label10",
          "Label12", "Label13", "Label14", "Label15", "Label16", "Label17", "Label4", "StaticText1",
          "StaticText8", "Image1", "Image5"})
        EXPECT_TRUE(names.count(name)) << name;
    EXPECT_EQ(collect.seen.size(), 77u);
    EXPECT_EQ(form.FindControl("nonsense"), nullptr);
}

TEST_F(MainFormTest, TabSwitchShowsOneGroupAndItsHint) {
    struct Case {
        int tab;
        bool visible0, visible1, visible2;
        const char* status;
    };
    const Case cases[] = {
        {1, false, true, false, "Results piezometer regression"},
        {2, false, false, true, "Prediction MxW at field work locations"},
        {0, true, false, false, "Settings piezometer regression"},
        {2, false, false, true, "Prediction MxW at field work locations"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.tab);
        form.tbcntrlZelvimoMAIN.tabIndex = c.tab;
        form.tbcntrlZelvimoMAINChange();
        EXPECT_EQ(form.grpbxTABINDEX0.visible, c.visible0);
        EXPECT_EQ(form.grpbxTABINDEX1.visible, c.visible1);
        EXPECT_EQ(form.grpbxTABINDEX2.visible, c.visible2);
        EXPECT_EQ(form.sttsbrSTATUS.text, c.status);
        // Before a run the result tabs can be looked at but not used.
        EXPECT_FALSE(form.grpbxTABINDEX1.enabled);
        EXPECT_FALSE(form.grpbxTABINDEX2.enabled);
    }
}

TEST_F(MainFormTest, TabZeroWithdrawsSettingsUntilTheNextLoad) {
    // As a load and a run leave them.
    Control* settings[] = {&form.cmbbxPREDICT,     &form.cmbbxWEIGHTGHG,   &form.CMBBXWEIGHTGVG,
                           &form.cmbbxWEIGHTGLG,   &form.cmbbxSTRATAyesno, &form.chckbxCONST,
                           &form.btbttnOKTABINDEX0};
    for (Control* c : settings)
        c->enabled = true;
    form.ggPROGRESS.visible = true;
    form.lblPROGRESS.visible = true;
    form.strgrdBUISDATA.visible = true;
    form.SetResultTabsEnabled(true);

    form.tbcntrlZelvimoMAIN.tabIndex = 1;
    form.tbcntrlZelvimoMAINChange();
    for (Control* c : settings)
        EXPECT_TRUE(c->enabled);
    EXPECT_TRUE(form.ggPROGRESS.visible);

    form.tbcntrlZelvimoMAIN.tabIndex = 0;
    form.tbcntrlZelvimoMAINChange();
    for (Control* c : settings)
        EXPECT_FALSE(c->enabled);
    EXPECT_FALSE(form.ggPROGRESS.visible);
    EXPECT_FALSE(form.lblPROGRESS.visible);
    EXPECT_TRUE(form.strgrdBUISDATA.visible);
    EXPECT_TRUE(form.btbttnFILE.enabled);
    // The result tabs keep what the run gave them.
    EXPECT_TRUE(form.grpbxTABINDEX1.enabled);
    EXPECT_FALSE(form.grpbxTABINDEX1.greyText);
    EXPECT_TRUE(form.grpbxTABINDEX2.enabled);

    form.SetResultTabsEnabled(false);
    EXPECT_FALSE(form.grpbxTABINDEX1.enabled);
    EXPECT_TRUE(form.grpbxTABINDEX1.greyText);
    EXPECT_FALSE(form.grpbxTABINDEX2.enabled);
    EXPECT_TRUE(form.grpbxTABINDEX2.greyText);
}

TEST_F(MainFormTest, HintHandlersWriteTheStatusBarAndRepaintIt) {
    const std::pair<void (Form::*)(), const char*> cases[] = {
        {&Form::rdbttnFILEMouseMove, "Selecteer indien gegevens uit een bestand komen"},
        {&Form::rdbttnKEYBOARDMouseMove, "Selecteer indien gegevens met de hand worden ingevoerd"},
        {&Form::btbttnOKTABINDEX0MouseMove, "Push button if all settings are OK"},
        {&Form::btbttnFILEMouseMove, "Attach an ASCII-file"},
        {&Form::btbttnSTRUCTUURMouseMove, "Define contents data table"},
        {&Form::chckbxSTRATAAPARTMouseMove,
         "Select if for all strata separate regressions must be done"},
        {&Form::chckbxMAXLIKELIMouseMove,
         "Select if a \"deeper than\" measurement has to be replaced by a maximum-likelihood "
         "estimation"},
        {&Form::chckbxEXACTMLMouseMove,
         "Select if the \"deeper than\" measurements have to be estimated by exact maximum "
         "likelihood, each at its own depth, instead of by the table method"},
        {&Form::cmbbxPREDICTClick, "Select variables to be predicted"},
        {&Form::cmbbxSTRATAClick, "Select if prediction has to be done for all strata separately"},
        {&Form::cmbbxWEIGHTGHGClick, "Choose weighted/unweighted regression for MHW"},
        {&Form::CMBBXWEIGHTGVGClick, "Choose weighted/unweighted regression for MSW"},
        {&Form::cmbbxWEIGHTGLGClick, "Choose weighted/unweighted regression for MLW"},
        {&Form::grpbxTABINDEX0MouseMove, ""},
        {&Form::grpbxTABINDEX1MouseMove, ""},
        {&Form::grpbxTABINDEX2MouseMove, ""},
    };
    for (const auto& [handler, status] : cases) {
        SCOPED_TRACE(status);
        form.sttsbrSTATUS.text = "previous hint";
        platform.repaints.clear();
        (form.*handler)();
        EXPECT_EQ(form.sttsbrSTATUS.text, status);
        EXPECT_EQ(platform.repaints, std::vector<std::string>{"sttsbrSTATUS"});
    }
}

// The exact estimation is offered exactly while the maximum-likelihood
// option is both offered and ticked; a tick of its own survives.
TEST_F(MainFormTest, ExactEstimationFollowsTheMaximumLikelihoodOption) {
    struct Case {
        bool enabled, checked, exactOffered;
    };
    const Case cases[] = {
        {true, true, true}, {true, false, false}, {false, true, false}, {false, false, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.enabled) + std::to_string(c.checked));
        form.chckbxEXACTML.checked = true;
        form.chckbxEXACTML.enabled = !c.exactOffered;
        form.chckbxMAXLIKELI.enabled = c.enabled;
        form.chckbxMAXLIKELI.checked = c.checked;
        form.chckbxMAXLIKELIClick();
        EXPECT_EQ(form.chckbxEXACTML.enabled, c.exactOffered);
        EXPECT_TRUE(form.chckbxEXACTML.checked);
        EXPECT_EQ(form.lstbxMLNODIG.enabled, c.checked);
    }
}

TEST_F(MainFormTest, F1OpensTheNearestHelpContext) {
    const std::pair<const char*, int> cases[] = {
        {"rdbttnFILE", 10},
        {"cmbbxWEIGHTGLG", 11},
        {"Label2", 7},
        {"strgrdBUISDATA", 7},
        {"cmbbxSTRATA", 7},
        {"grpbxTABINDEX0", 7},
        {"cmbbxDATUM1", 16},
        {"imgFIT", 16},
        {"Label10", 16},
        {"btbttnKOPPELMETINGEN", 18},
        {"edtNAAMRESULT", 20},
        {"cmbbxTEVOORSPELLEN", 20},
        {"btbttnOKVERPLICHT", 20},
        {"chckbxMAXLIKELI", 21},
        {"chckbxEXACTML", 21},
        {"lstbxMLNODIG", 21},
        {"btbttnSTARTPREDICT", 22},
        {"ggPROGRESSPREDICT", 18},
        {"ggVoortgang", 4},
        {"StaticText7", 4},
        {"sttsbrSTATUS", 1},
        {"tbcntrlZelvimoMAIN", 1},
        {"Help1", 1},
        {"", 1},
    };
    std::vector<int> opened;
    for (const auto& [control, context] : cases) {
        EXPECT_EQ(form.HelpForControl(control), context) << control;
        opened.push_back(context);
    }
    EXPECT_EQ(platform.helpContexts, opened);
    EXPECT_TRUE(platform.helpKeys.empty());
}

TEST_F(MainFormTest, HelpMenuOpensTheTableOfContents) {
    form.Help1Click();
    EXPECT_EQ(platform.helpKeys, std::vector<std::string>{"ZELVIMO.TOC000"});
    EXPECT_TRUE(platform.helpContexts.empty());
}

TEST_F(MainFormTest, AboutIsShownModallyAndClosedByOk) {
    TfrmAbout about;
    platform.onModal["TfrmAbout"] = [&] {
        about.FormShow();
        about.bttnOKClick();
    };
    form.Over1Click();
    EXPECT_EQ(platform.modals, std::vector<std::string>{"TfrmAbout"});
    EXPECT_TRUE(about.closeRequested);

    EXPECT_EQ(about.bttnOK.caption, "OK");
    EXPECT_FALSE(about.ListBox1.enabled);
    EXPECT_EQ(about.ListBox1.items,
              (std::vector<std::string>{
                  "A program to:", "1. Fit the relation between measured water tables",
                  "  at a date and the MxW (in piezometers);",
                  "2. Apply this relation to locations with  ",
                  "   measured water tables at these dates."}));
    // The project's version, which must be the one the main window's caption
    // names ("Tarnovel 1.2" shows version 1.2.x).
    const std::string shortVersion(Form::caption.substr(Form::caption.find(' ') + 1));
    EXPECT_EQ(about.lblVERSION.caption.rfind("Version " + shortVersion + ".", 0), 0u)
        << about.lblVERSION.caption;
    about.FormShow();
    EXPECT_FALSE(about.closeRequested);
}

}  // namespace
}  // namespace tarnovel
