#include "shell/main_form.h"

#include <exception>
#include <utility>

namespace tarnovel {

namespace {

void SetSelector(ComboBox& box, std::string text, std::vector<std::string> items, std::string hint,
                 int help) {
    box.text = std::move(text);
    box.items = std::move(items);
    box.hint = std::move(hint);
    box.helpContext = help;
}

std::vector<std::string> WeightingItems() {
    return {"unweighted regression", "weighted regression"};
}

}  // namespace

void TfrmZelvimoMAIN::AttachDataWindows(TfrmBUISDATA& buisdata, TfrmMEETDATA& meetdata) {
    frmBUISDATA = &buisdata;
    frmMEETDATA = &meetdata;
}

TfrmZelvimoMAIN::TfrmZelvimoMAIN(Platform& platform) : platform_(platform) {
    DesignState();
    Register();
}

void TfrmZelvimoMAIN::DesignState() {
    Help1.caption = "Help";
    Over1.caption = "About...";
    // Out of the menu until a run has jobs to show.
    Overview1.caption = "Overview of regressions...";
    Overview1.visible = false;

    tbcntrlZelvimoMAIN.tabs = {"Settings piezometer regression", "Results piezometer regression",
                               "Prediction at field work locations"};
    tbcntrlZelvimoMAIN.tabIndex = 0;

    // Tab 0. Until a table is loaded only the source choice can be used.
    grpbxTABINDEX0.hint = "Settings piezometer regression";
    grpbxTABINDEX0.helpContext = 7;

    rdbttnFILE.caption = "data from file";
    rdbttnFILE.hint = "Selecteer indien gegevens uit een bestand komen";
    rdbttnFILE.helpContext = 10;
    rdbttnFILE.checked = true;

    btbttnFILE.caption = "select";
    btbttnFILE.hint = "Attach an ASCII-file";
    btbttnFILE.helpContext = 10;

    rdbttnKEYBOARD.caption = "input data now";
    rdbttnKEYBOARD.hint = "Selecteer indien gegevens met de hand worden ingevoerd";
    rdbttnKEYBOARD.helpContext = 10;

    btbttnSTRUCTUUR.caption = "layout table";
    btbttnSTRUCTUUR.hint = "Define contents data table";
    btbttnSTRUCTUUR.helpContext = 10;
    btbttnSTRUCTUUR.enabled = false;

    Label2.caption = "To be predicted:";

    SetSelector(cmbbxPREDICT, "MHW+MSW+MLW", {"MHW", "MSW", "MLW", "MHW+MSW+MLW"},
                "Select variables to be predicted", 11);
    cmbbxPREDICT.enabled = false;

    // Never shown: every run fits with a constant, but the run still asks.
    chckbxCONST.caption = "regression with constant";
    chckbxCONST.checked = true;
    chckbxCONST.visible = false;
    chckbxCONST.enabled = false;

    Label5.caption = "Piezometer regression";
    Label6.caption = " in strata?";

    SetSelector(cmbbxSTRATAyesno, "no strata", {"no strata"},
                "Tell the program if regression has to be done for strata", 11);
    cmbbxSTRATAyesno.enabled = false;

    // Holds the strata list behind the visible strata choice.
    SetSelector(cmbbxSTRATA, "no strata", {"no strata"},
                "Select if prediction has to be done for all strata separately", 0);
    cmbbxSTRATA.enabled = false;
    cmbbxSTRATA.visible = false;

    Label7.caption = "MHW:";
    Label8.caption = "MSW:";
    Label9.caption = "MLW:";

    SetSelector(cmbbxWEIGHTGHG, "unweighted regression", WeightingItems(),
                "Choose weighted/unweighted regression for MHW", 11);
    SetSelector(CMBBXWEIGHTGVG, "unweighted regression", WeightingItems(),
                "Choose weighted/unweighted regression for MSW", 11);
    SetSelector(cmbbxWEIGHTGLG, "unweighted regression", WeightingItems(),
                "Choose weighted/unweighted regression for MLW", 11);
    cmbbxWEIGHTGHG.enabled = false;
    CMBBXWEIGHTGVG.enabled = false;
    cmbbxWEIGHTGLG.enabled = false;

    strgrdBUISDATA.visible = false;
    strgrdBUISDATA.fixedRows = 1;
    strgrdBUISDATA.fixedCols = 0;

    btbttnOKTABINDEX0.caption = "Settings ready; start piezometer regression(s)";
    btbttnOKTABINDEX0.hint = "Push button if all settings are OK";
    btbttnOKTABINDEX0.helpContext = 11;
    btbttnOKTABINDEX0.enabled = false;

    lblPROGRESS.caption = "Progress (% regressions done)";
    lblPROGRESS.visible = false;
    ggPROGRESS.visible = false;

    mmDelete.visible = false;

    // Tab 1: usable only after a run.
    grpbxTABINDEX1.hint = "Results piezometer regression";
    grpbxTABINDEX1.helpContext = 16;
    grpbxTABINDEX1.enabled = false;
    grpbxTABINDEX1.greyText = true;

    Label10.caption = "Which stratum?";
    Label11.caption = "Variable to be predicted?";
    Label12.caption = "Date(s)?";

    SetSelector(cmbbxSTRATA2, "no strata", {"no strata"}, "choose a stratum", 16);
    SetSelector(cmbbxGxG, "MHW", {"MHW", "MSW", "MLW"}, "Choose MxW", 16);
    SetSelector(cmbbxDATUM1, "", {},
                "Kies de meetdatum(s) waarvoor regressieresultaat stand>GxG moet worden bekeken",
                16);
    cmbbxDATUM1.editable = true;

    btbttnSHOW.caption = "Show result";
    btbttnSHOW.hint = "Show regression result measuement(s) > MxW";
    btbttnSHOW.helpContext = 16;

    btbttnOVERVIEW.caption = "Overview...";
    btbttnOVERVIEW.hint = "Show every regression of the last run in one table";
    btbttnOVERVIEW.helpContext = 16;

    strgrdFIT.Resize(4, 8);
    strgrdFIT.colWidths.assign(4, 56);
    strgrdFIT.fixedRows = 0;
    strgrdFIT.fixedCols = 0;
    strgrdFIT.hint = "Results of selected regression";
    strgrdFIT.helpContext = 16;

    imgFIT.width = 350;
    imgFIT.height = 350;
    imgFIT.visible = false;
    imgFIT.hint = "Scatterplot van geselecteerde regressie; wordt weggeschreven naar *.wmf";

    lstbxTMP.visible = false;

    // Tab 2: usable only after a run.
    grpbxTABINDEX2.hint = "Prediction MxW at field work locations";
    grpbxTABINDEX2.helpContext = 18;
    grpbxTABINDEX2.enabled = false;
    grpbxTABINDEX2.greyText = true;

    btbttnKOPPELMETINGEN.caption = "Select";
    btbttnKOPPELMETINGEN.hint = "Attach file containing measurements in auger holes";
    Label13.caption = "inputfile with measurements";

    grpbxVERPLICHT.caption = " Mandatory settings ";
    grpbxVERPLICHT.helpContext = 20;

    edtNAAMRESULT.text = "Predict.csv";
    edtNAAMRESULT.hint = "Give name of file with per date the location and MxW";
    Label14.caption = "outputfile with predictions";

    rdgrpPREDSEP.items = {";", ",", "tab"};
    rdgrpPREDSEP.itemIndex = 0;
    Label4.caption = "delimiter-sign columns";
    Label16.caption = "in outputfile";

    SetSelector(cmbbxTEVOORSPELLEN, "MHW+MSW+MLW", {"MHW+MSW+MLW", "MHW", "MSW", "MLW"},
                "Choose which MxW must be predicted at all measurement locations", 0);
    Label15.caption = "variable(s) to predict";

    btbttnOKVERPLICHT.caption = "OK";
    btbttnOKVERPLICHT.hint = "Push this button to fix these settings";

    grpbxFACULTATIEF.caption = " Optional settings ";
    grpbxFACULTATIEF.helpContext = 21;
    grpbxFACULTATIEF.visible = false;

    chckbxSTRATAAPART.caption = "Strata seperately";
    chckbxSTRATAAPART.hint = "Select if for all strata separate regressions must be done";
    chckbxSTRATAAPART.checked = true;
    chckbxSTRATAAPART.enabled = false;

    chckbxMAXLIKELI.caption = "Maximum Likelihood estimation for \"deeper than\" data";
    chckbxMAXLIKELI.hint =
        "Select if a \"deeper than\" measurement has to be replaced by a maximum-likelihood "
        "estimation";
    chckbxMAXLIKELI.checked = true;
    chckbxMAXLIKELI.enabled = false;

    // Unticked at start: the estimates stay those of the table method
    // unless the user asks for the exact ones.
    chckbxEXACTML.caption = "exact (recommended)";
    chckbxEXACTML.hint =
        "Select if the \"deeper than\" measurements have to be estimated by exact maximum "
        "likelihood, each at its own depth, instead of by the table method";
    chckbxEXACTML.checked = false;
    chckbxEXACTML.enabled = false;

    Label3.caption = "Found \"deeper than\" data in inputfile:";
    Label3.visible = false;
    lstbxMLNODIG.visible = false;

    strgrdMEETDATA.visible = false;
    strgrdMEETDATA.fixedRows = 1;
    strgrdMEETDATA.fixedCols = 0;

    btbttnSTARTPREDICT.caption = "Start Prediction";
    btbttnSTARTPREDICT.hint =
        "Press this button to start prediction of MxW at all measurement locations.";
    btbttnSTARTPREDICT.helpContext = 22;
    btbttnSTARTPREDICT.enabled = false;

    Label17.caption = "progress (% of locations converted)";

    // Progress group: the step row the milestone gauge runs under.
    grpbxSTATUS.caption = " Progress ";
    grpbxSTATUS.helpContext = 4;
    StaticText1.caption = "Piezometer regression";
    StaticText4.caption = "Field work data";
    StaticText2.caption = "Start";
    StaticText3.caption = "setting";
    StaticText5.caption = "perform";
    StaticText6.caption = "report";
    StaticText7.caption = "prediction MxW";
    StaticText8.caption = "Stop";
}

void TfrmZelvimoMAIN::Register() {
    constexpr std::string_view window = "";
    controls_ = {
        {"Help1", window, &Help1},
        {"Over1", window, &Over1},
        {"Overview1", window, &Overview1},
        {"tbcntrlZelvimoMAIN", window, &tbcntrlZelvimoMAIN},

        {"grpbxTABINDEX0", "tbcntrlZelvimoMAIN", &grpbxTABINDEX0},
        {"rdbttnFILE", "grpbxTABINDEX0", &rdbttnFILE},
        {"btbttnFILE", "grpbxTABINDEX0", &btbttnFILE},
        {"rdbttnKEYBOARD", "grpbxTABINDEX0", &rdbttnKEYBOARD},
        {"btbttnSTRUCTUUR", "grpbxTABINDEX0", &btbttnSTRUCTUUR},
        {"Label2", "grpbxTABINDEX0", &Label2},
        {"cmbbxPREDICT", "grpbxTABINDEX0", &cmbbxPREDICT},
        {"chckbxCONST", "grpbxTABINDEX0", &chckbxCONST},
        {"Label5", "grpbxTABINDEX0", &Label5},
        {"Label6", "grpbxTABINDEX0", &Label6},
        {"cmbbxSTRATAyesno", "grpbxTABINDEX0", &cmbbxSTRATAyesno},
        {"cmbbxSTRATA", "grpbxTABINDEX0", &cmbbxSTRATA},
        {"Label7", "grpbxTABINDEX0", &Label7},
        {"Label8", "grpbxTABINDEX0", &Label8},
        {"Label9", "grpbxTABINDEX0", &Label9},
        {"cmbbxWEIGHTGHG", "grpbxTABINDEX0", &cmbbxWEIGHTGHG},
        {"CMBBXWEIGHTGVG", "grpbxTABINDEX0", &CMBBXWEIGHTGVG},
        {"cmbbxWEIGHTGLG", "grpbxTABINDEX0", &cmbbxWEIGHTGLG},
        {"strgrdBUISDATA", "grpbxTABINDEX0", &strgrdBUISDATA},
        {"btbttnOKTABINDEX0", "grpbxTABINDEX0", &btbttnOKTABINDEX0},
        {"lblPROGRESS", "grpbxTABINDEX0", &lblPROGRESS},
        {"ggPROGRESS", "grpbxTABINDEX0", &ggPROGRESS},
        {"mmDelete", "grpbxTABINDEX0", &mmDelete},

        {"grpbxTABINDEX1", "tbcntrlZelvimoMAIN", &grpbxTABINDEX1},
        {"Label10", "grpbxTABINDEX1", &Label10},
        {"Label11", "grpbxTABINDEX1", &Label11},
        {"Label12", "grpbxTABINDEX1", &Label12},
        {"cmbbxSTRATA2", "grpbxTABINDEX1", &cmbbxSTRATA2},
        {"cmbbxGxG", "grpbxTABINDEX1", &cmbbxGxG},
        {"cmbbxDATUM1", "grpbxTABINDEX1", &cmbbxDATUM1},
        {"btbttnSHOW", "grpbxTABINDEX1", &btbttnSHOW},
        {"btbttnOVERVIEW", "grpbxTABINDEX1", &btbttnOVERVIEW},
        {"strgrdFIT", "grpbxTABINDEX1", &strgrdFIT},
        {"imgFIT", "grpbxTABINDEX1", &imgFIT},
        {"lstbxTMP", "grpbxTABINDEX1", &lstbxTMP},

        // "Select" stays outside the mandatory group: the field table can be
        // replaced after the mandatory settings are frozen.
        {"grpbxTABINDEX2", "tbcntrlZelvimoMAIN", &grpbxTABINDEX2},
        {"btbttnKOPPELMETINGEN", "grpbxTABINDEX2", &btbttnKOPPELMETINGEN},
        {"Label13", "grpbxTABINDEX2", &Label13},
        {"grpbxVERPLICHT", "grpbxTABINDEX2", &grpbxVERPLICHT},
        {"edtNAAMRESULT", "grpbxVERPLICHT", &edtNAAMRESULT},
        {"Label14", "grpbxVERPLICHT", &Label14},
        {"rdgrpPREDSEP", "grpbxVERPLICHT", &rdgrpPREDSEP},
        {"Label4", "grpbxVERPLICHT", &Label4},
        {"Label16", "grpbxVERPLICHT", &Label16},
        {"cmbbxTEVOORSPELLEN", "grpbxVERPLICHT", &cmbbxTEVOORSPELLEN},
        {"Label15", "grpbxVERPLICHT", &Label15},
        {"btbttnOKVERPLICHT", "grpbxVERPLICHT", &btbttnOKVERPLICHT},
        {"grpbxFACULTATIEF", "grpbxTABINDEX2", &grpbxFACULTATIEF},
        {"chckbxSTRATAAPART", "grpbxFACULTATIEF", &chckbxSTRATAAPART},
        {"chckbxMAXLIKELI", "grpbxFACULTATIEF", &chckbxMAXLIKELI},
        {"chckbxEXACTML", "grpbxFACULTATIEF", &chckbxEXACTML},
        {"Label3", "grpbxFACULTATIEF", &Label3},
        {"lstbxMLNODIG", "grpbxFACULTATIEF", &lstbxMLNODIG},
        {"strgrdMEETDATA", "grpbxTABINDEX2", &strgrdMEETDATA},
        {"btbttnSTARTPREDICT", "grpbxTABINDEX2", &btbttnSTARTPREDICT},
        {"Label17", "grpbxTABINDEX2", &Label17},
        {"ggPROGRESSPREDICT", "grpbxTABINDEX2", &ggPROGRESSPREDICT},

        {"grpbxSTATUS", window, &grpbxSTATUS},
        {"StaticText1", "grpbxSTATUS", &StaticText1},
        {"StaticText4", "grpbxSTATUS", &StaticText4},
        {"StaticText2", "grpbxSTATUS", &StaticText2},
        {"Image1", "grpbxSTATUS", &Image1},
        {"StaticText3", "grpbxSTATUS", &StaticText3},
        {"Image2", "grpbxSTATUS", &Image2},
        {"StaticText5", "grpbxSTATUS", &StaticText5},
        {"Image3", "grpbxSTATUS", &Image3},
        {"StaticText6", "grpbxSTATUS", &StaticText6},
        {"Image4", "grpbxSTATUS", &Image4},
        {"StaticText7", "grpbxSTATUS", &StaticText7},
        {"Image5", "grpbxSTATUS", &Image5},
        {"StaticText8", "grpbxSTATUS", &StaticText8},
        {"ggVoortgang", "grpbxSTATUS", &ggVoortgang},

        {"sttsbrSTATUS", window, &sttsbrSTATUS},
    };
}

void TfrmZelvimoMAIN::forEachControl(ControlVisitor& visitor) {
    for (const Entry& entry : controls_)
        visitor.Visit(entry.name, *entry.control);
}

const TfrmZelvimoMAIN::Entry* TfrmZelvimoMAIN::Find(std::string_view control) const {
    for (const Entry& entry : controls_)
        if (entry.name == control) return &entry;
    return nullptr;
}

Control* TfrmZelvimoMAIN::FindControl(std::string_view control) {
    const Entry* entry = Find(control);
    return entry == nullptr ? nullptr : entry->control;
}

std::string_view TfrmZelvimoMAIN::ParentOf(std::string_view control) const {
    const Entry* entry = Find(control);
    return entry == nullptr ? std::string_view() : entry->parent;
}

void TfrmZelvimoMAIN::FormActivate() {
    // Activation repeats whenever a modal window closes; start-up happens once.
    if (activated_) return;
    activated_ = true;

    // A log that cannot be created is reported, but the window still reaches
    // its start state; the log writes then fail with the same error.
    std::exception_ptr logFailure;
    try {
        INITLOG();
    } catch (...) {
        logFailure = std::current_exception();
    }
    tbcntrlZelvimoMAIN.tabIndex = 0;
    tbcntrlZelvimoMAINChange();
    presentationHeader_ = true;
    sessionCounter_ = 1;
    SetMilestone(mijlpaal::na_start);
    platform_.Repaint(std::string(formName));
    FlushLog();
    if (logFailure) std::rethrow_exception(logFailure);
}

void TfrmZelvimoMAIN::DisableRegressionSettings() {
    cmbbxPREDICT.enabled = false;
    cmbbxWEIGHTGHG.enabled = false;
    CMBBXWEIGHTGVG.enabled = false;
    cmbbxWEIGHTGLG.enabled = false;
    cmbbxSTRATAyesno.enabled = false;
    chckbxCONST.enabled = false;
    btbttnOKTABINDEX0.enabled = false;
}

void TfrmZelvimoMAIN::SetResultTabsEnabled(bool enabled) {
    for (GroupBox* group : {&grpbxTABINDEX1, &grpbxTABINDEX2}) {
        group->enabled = enabled;
        group->greyText = !enabled;
    }
}

void TfrmZelvimoMAIN::tbcntrlZelvimoMAINChange() {
    switch (tbcntrlZelvimoMAIN.tabIndex) {
        case 0:
            grpbxTABINDEX0.visible = true;
            ggPROGRESS.visible = false;
            lblPROGRESS.visible = false;
            // A run needs a fresh load of the piezometer table.
            DisableRegressionSettings();
            sttsbrSTATUS.text = grpbxTABINDEX0.hint;
            grpbxTABINDEX1.visible = false;
            grpbxTABINDEX2.visible = false;
            break;
        case 1:
            TabOneSelection();
            grpbxTABINDEX1.visible = true;
            sttsbrSTATUS.text = grpbxTABINDEX1.hint;
            grpbxTABINDEX0.visible = false;
            grpbxTABINDEX2.visible = false;
            break;
        case 2:
            TabTwoSelection();
            grpbxTABINDEX2.visible = true;
            sttsbrSTATUS.text = grpbxTABINDEX2.hint;
            grpbxTABINDEX0.visible = false;
            grpbxTABINDEX1.visible = false;
            break;
        default:
            break;
    }
}

void TfrmZelvimoMAIN::ShowHint(const std::string& text) {
    sttsbrSTATUS.text = text;
    platform_.Repaint("sttsbrSTATUS");
}

void TfrmZelvimoMAIN::grpbxTABINDEX0MouseMove() {
    ShowHint("");
}
void TfrmZelvimoMAIN::grpbxTABINDEX1MouseMove() {
    ShowHint("");
}
void TfrmZelvimoMAIN::grpbxTABINDEX2MouseMove() {
    ShowHint("");
}
void TfrmZelvimoMAIN::rdbttnFILEMouseMove() {
    ShowHint(rdbttnFILE.hint);
}
void TfrmZelvimoMAIN::rdbttnKEYBOARDMouseMove() {
    ShowHint(rdbttnKEYBOARD.hint);
}
void TfrmZelvimoMAIN::btbttnOKTABINDEX0MouseMove() {
    ShowHint(btbttnOKTABINDEX0.hint);
}
void TfrmZelvimoMAIN::btbttnFILEMouseMove() {
    ShowHint(btbttnFILE.hint);
}
void TfrmZelvimoMAIN::btbttnSTRUCTUURMouseMove() {
    ShowHint(btbttnSTRUCTUUR.hint);
}
void TfrmZelvimoMAIN::chckbxSTRATAAPARTMouseMove() {
    ShowHint(chckbxSTRATAAPART.hint);
}
void TfrmZelvimoMAIN::chckbxMAXLIKELIMouseMove() {
    ShowHint(chckbxMAXLIKELI.hint);
}
void TfrmZelvimoMAIN::chckbxEXACTMLMouseMove() {
    ShowHint(chckbxEXACTML.hint);
}
void TfrmZelvimoMAIN::cmbbxPREDICTClick() {
    ShowHint(cmbbxPREDICT.hint);
}
// Also wired to the visible strata choice: the hidden list's hint explains it.
void TfrmZelvimoMAIN::cmbbxSTRATAClick() {
    ShowHint(cmbbxSTRATA.hint);
}
void TfrmZelvimoMAIN::cmbbxWEIGHTGHGClick() {
    ShowHint(cmbbxWEIGHTGHG.hint);
}
void TfrmZelvimoMAIN::CMBBXWEIGHTGVGClick() {
    ShowHint(CMBBXWEIGHTGVG.hint);
}
void TfrmZelvimoMAIN::cmbbxWEIGHTGLGClick() {
    ShowHint(cmbbxWEIGHTGLG.hint);
}

void TfrmZelvimoMAIN::Help1Click() {
    platform_.OpenHelpKey(std::string(helpTocKey));
}

void TfrmZelvimoMAIN::Over1Click() {
    platform_.ShowModal("TfrmAbout");
}

int TfrmZelvimoMAIN::HelpContextOf(std::string_view control) const {
    for (const Entry* entry = Find(control); entry != nullptr; entry = Find(entry->parent)) {
        if (entry->control->helpContext != 0) return entry->control->helpContext;
    }
    return helpContext;
}

int TfrmZelvimoMAIN::HelpForControl(std::string_view control) {
    const int context = HelpContextOf(control);
    platform_.OpenHelpContext(context);
    return context;
}

}  // namespace tarnovel
