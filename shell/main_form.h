#pragma once
// The main window as a form model: its controls as plain data, its handlers
// as methods. The handlers of the loading, run, results and prediction steps
// are members of this class too, defined in the folders of those steps.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/feedback.h"
#include "controls/controls.h"
#include "controls/platform.h"
#include "engine/linalg.h"
#include "prediction/prediction_run.h"
#include "regression/regression_run.h"
#include "shell/session_log.h"
#include "tables/handoff.h"

namespace tarnovel {
class TfrmBUISDATA;
class TfrmMEETDATA;
}  // namespace tarnovel

namespace tarnovel {

// How far the workflow has come, in order.
enum class mijlpaal : std::uint8_t {
    na_start = 0,
    na_instellen = 1,
    na_uitvoeren = 2,
    na_rapporteren = 3,
    na_voorspellen = 4,
    bij_einde = 5,
};

// Position of the progress gauge for a milestone: the bar ends just past the
// caption of that step in the step row above it.
int MilestonePosition(mijlpaal toestand);

class TfrmZelvimoMAIN {
  public:
    static constexpr std::string_view formName = "TfrmZelvimoMAIN";
    static constexpr std::string_view caption = "Tarnovel 1.2";
    static constexpr int clientWidth = 656;
    static constexpr int clientHeight = 510;
    static constexpr int helpContext = 1;
    static constexpr std::string_view helpFile = "Zelvimo.hlp";
    static constexpr std::string_view helpTocKey = "ZELVIMO.TOC000";

    explicit TfrmZelvimoMAIN(Platform& platform);
    TfrmZelvimoMAIN(const TfrmZelvimoMAIN&) = delete;
    TfrmZelvimoMAIN& operator=(const TfrmZelvimoMAIN&) = delete;

    // Menu.
    Button Help1;
    Button Over1;
    // Shown once a run has jobs: opens the overview of the last run.
    Button Overview1;

    TabControl tbcntrlZelvimoMAIN;

    // Tab 0: settings of the piezometer regression.
    GroupBox grpbxTABINDEX0;
    RadioButton rdbttnFILE;
    Button btbttnFILE;
    RadioButton rdbttnKEYBOARD;
    Button btbttnSTRUCTUUR;
    Label Label2;
    ComboBox cmbbxPREDICT;
    CheckBox chckbxCONST;
    Label Label5;
    Label Label6;
    ComboBox cmbbxSTRATAyesno;
    ComboBox cmbbxSTRATA;
    Label Label7;
    Label Label8;
    Label Label9;
    ComboBox cmbbxWEIGHTGHG;
    ComboBox CMBBXWEIGHTGVG;
    ComboBox cmbbxWEIGHTGLG;
    StringGrid strgrdBUISDATA;
    Button btbttnOKTABINDEX0;
    Label lblPROGRESS;
    Gauge ggPROGRESS;
    Memo mmDelete;

    // Tab 1: results of single regressions.
    GroupBox grpbxTABINDEX1;
    Label Label10;
    Label Label11;
    Label Label12;
    ComboBox cmbbxSTRATA2;
    ComboBox cmbbxGxG;
    ComboBox cmbbxDATUM1;
    Button btbttnSHOW;
    Button btbttnOVERVIEW;
    StringGrid strgrdFIT;
    Image imgFIT;
    ListBox lstbxTMP;

    // Tab 2: prediction at field-work locations.
    GroupBox grpbxTABINDEX2;
    Button btbttnKOPPELMETINGEN;
    Label Label13;
    GroupBox grpbxVERPLICHT;
    Edit edtNAAMRESULT;
    Label Label14;
    RadioGroup rdgrpPREDSEP;
    Label Label4;
    Label Label16;
    ComboBox cmbbxTEVOORSPELLEN;
    Label Label15;
    Button btbttnOKVERPLICHT;
    GroupBox grpbxFACULTATIEF;
    CheckBox chckbxSTRATAAPART;
    CheckBox chckbxMAXLIKELI;
    CheckBox chckbxEXACTML;
    Label Label3;
    ListBox lstbxMLNODIG;
    StringGrid strgrdMEETDATA;
    Button btbttnSTARTPREDICT;
    Label Label17;
    Gauge ggPROGRESSPREDICT;

    // Progress group below the tabs.
    GroupBox grpbxSTATUS;
    Label StaticText1;
    Label StaticText4;
    Label StaticText2;
    Image Image1;
    Label StaticText3;
    Image Image2;
    Label StaticText5;
    Image Image3;
    Label StaticText6;
    Image Image4;
    Label StaticText7;
    Image Image5;
    Label StaticText8;
    Gauge ggVoortgang;

    StatusBar sttsbrSTATUS;

    // Every control, by name, in the order of the window.
    void forEachControl(ControlVisitor& visitor);
    Control* FindControl(std::string_view control);
    // The name of the control that encloses `control`; empty for the window.
    std::string_view ParentOf(std::string_view control) const;

    // Start-up, tabs and the frame's own handlers.
    void FormActivate();
    void tbcntrlZelvimoMAINChange();
    void grpbxTABINDEX0MouseMove();
    void grpbxTABINDEX1MouseMove();
    void grpbxTABINDEX2MouseMove();
    void rdbttnFILEMouseMove();
    void rdbttnKEYBOARDMouseMove();
    void btbttnOKTABINDEX0MouseMove();
    void btbttnFILEMouseMove();
    void btbttnSTRUCTUURMouseMove();
    void chckbxSTRATAAPARTMouseMove();
    void chckbxMAXLIKELIMouseMove();
    void chckbxEXACTMLMouseMove();
    void cmbbxPREDICTClick();
    void cmbbxSTRATAClick();
    void cmbbxWEIGHTGHGClick();
    void CMBBXWEIGHTGVGClick();
    void cmbbxWEIGHTGLGClick();
    void Help1Click();
    void Over1Click();
    // F1: opens help at the context of `control` or of the nearest enclosing
    // control that has one, and returns that context.
    int HelpForControl(std::string_view control);
    int HelpContextOf(std::string_view control) const;

    // Enabling rules shared by the load, the run and the tab switch.
    void DisableRegressionSettings();
    void SetResultTabsEnabled(bool enabled);

    // Session log and archive.
    void INITLOG();
    void ADDLOG(std::string_view txt = {});
    // The log's lines on what the user changed in a data window's table.
    void LogTableEdits(const DataWindowReport& report);
    void CLOSELOG();
    // Views call this after every handler, so the log on disk is complete
    // whenever the user can act.
    void FlushLog();
    void StartSession();
    void ArchiveSession();
    void status(mijlpaal toestand);
    // Current milestone := toestand, then its display.
    void SetMilestone(mijlpaal toestand);
    void FormClose();

    // The data windows this window shows modally; the program creates them
    // after this window and attaches them before start-up.
    void AttachDataWindows(TfrmBUISDATA& buisdata, TfrmMEETDATA& meetdata);
    TfrmBUISDATA* frmBUISDATA = nullptr;
    TfrmMEETDATA* frmMEETDATA = nullptr;

    // Loading the piezometer table (tab 0).
    void rdbttnFILEClick();
    void rdbttnKEYBOARDClick();
    void btbttnFILEClick();
    void btbttnSTRUCTUURClick();
    void STRUCTUUR();
    void leestemp_buizen();

    // The regression run and the tab-0 settings handlers.
    void btbttnOKTABINDEX0Click();
    void cmbbxPREDICTChange();
    void cmbbxWEIGHTGHGChange();
    void CMBBXWEIGHTGVGChange();
    void cmbbxWEIGHTGLGChange();
    void cmbbxSTRATAyesnoChange();
    // The weighting tag of a kind ("MHW", "MSW", "MLW"): "ong" when its
    // weighting selector reads unweighted, otherwise (or for another text)
    // "gew".
    std::string WeightingTagOf(std::string_view kind) const;
    // The outcome of the last run: every job with its records and status.
    RegressionOutcome lastRun;
    // What the last run was given, so that its overview describes that run
    // even after another table is loaded.
    RegressionSettings lastRunSettings;
    StringGrid lastRunTable;
    // Set by the batch tool while it rehearses the user's choices in a
    // scratch folder: "OK" then plans the jobs and sets every control as a
    // run does, but writes and fits nothing.
    bool rehearsal = false;
    // Threads the run fits its jobs on and the prediction works out its
    // locations on; 0: one per core.
    int workerThreads = 0;

    // Results of single regressions (tab 1).
    void Actualiseer_datumlijst();
    void blankstrgrdFIT();
    void blankimgFIT();
    void btbttnSHOWClick();
    void cmbbxSTRATA2Change();
    void cmbbxGxGChange();
    void cmbbxDATUM1Change();
    void cmbbxSTRATA2Enter();
    void cmbbxSTRATA2Click();
    void cmbbxGxGClick();
    void cmbbxGxGEnter();
    void cmbbxDATUM1Click();
    void cmbbxDATUM1Enter();
    void btbttnSHOWMouseMove();
    void btbttnOVERVIEWMouseMove();
    void strgrdFITMouseMove();
    void imgFITMouseMove();

    // Prediction at field-work locations (tab 2).
    void btbttnKOPPELMETINGENClick();
    void leestemp_metingen();
    void btbttnOKVERPLICHTClick();
    void chckbxMAXLIKELIClick();
    // The exact estimation is a choice within the maximum-likelihood one:
    // offered only while that is offered and ticked.
    void EnableExactEstimation();
    void btbttnSTARTPREDICTClick();
    // Writes the field table to the prediction file.
    void Bewaren();
    void btbttnKOPPELMETINGENMouseMove();
    void edtNAAMRESULTEnter();
    void cmbbxTEVOORSPELLENEnter();
    void btbttnOKVERPLICHTMouseMove();
    void btbttnSTARTPREDICTMouseMove();

    // The field table is the cells of strgrdMEETDATA. Its role columns are
    // 0-based, -1 when absent.
    int colDate1 = -1, colDate2 = -1, colDate3 = -1;
    int colMeas1 = -1, colMeas2 = -1, colMeas3 = -1;
    int colFieldStrata = -1;
    // The date and measurement cells of each entry of lstbxMLNODIG, in list
    // order: the entries themselves, whatever characters the cells hold.
    std::vector<std::pair<std::string, std::string>> censoredEntries;
    // What the field window reported when it handed the table over; the
    // prediction's log describes that showing, not a later cancelled one.
    DataWindowReport fieldReport;
    // What a prediction may change of the field table as "OK" fixed it: its
    // width (the prediction appends its columns) and the two measurement
    // columns (it replaces "deeper than" values in them); every other cell it
    // only reads. Every prediction starts from it, so pressing "Start
    // Prediction" again gives the same prediction file, without a second
    // copy of a survey's table.
    struct FieldTableAtOk {
        int colCount = 0;
        std::vector<std::pair<int, TextColumn>> measurements;  // column, cells
    };
    FieldTableAtOk fieldTableAtOk;
    bool fieldTableFixed = false;
    void FixFieldTable();
    // The outcome of the last prediction.
    PredictionOutcome lastPrediction;

    // The piezometer table's titles as handed over (loading retitles its
    // MxW columns), and what the checks of each table taken over found: the
    // lines "Warning: ..." and "Error: ..." of its log block.
    std::vector<std::string> piezometerTitles;
    std::vector<std::string> piezometerFindings;
    std::vector<std::string> fieldFindings;

    // The piezometer table is the cells of strgrdBUISDATA. Role columns are
    // 0-based, -1 when absent. The strata column is shared with the field
    // table, whose load overwrites it.
    int colMHW = -1, colSdMHW = -1, colMSW = -1, colSdMSW = -1, colMLW = -1, colSdMLW = -1;
    int colStrata = -1;
    int dateCount = -1;     // -1 after a load that found no temp.csv
    Vector dateColumns;     // 1..dateCount: the column of each survey date
    int strataCount = 1;    // items of the strata list after the last load
    bool notFound = false;  // set by every line search of the results tab

    std::string SessionLabel() const;
    int SessionCounter() const { return sessionCounter_; }
    mijlpaal CurrentMilestone() const { return milestone_; }
    const std::string& LogFileName() const { return log_.name(); }
    bool PresentationHeaderPending() const { return presentationHeader_; }

  protected:
    // Feedback of an operation: log lines into the session log, messages
    // through the platform, progress on one of this window's gauges.
    class GaugeFeedback : public Feedback {
      public:
        GaugeFeedback(TfrmZelvimoMAIN& form, Gauge& gauge, std::string gaugeName)
            : form_(form), gauge_(gauge), gaugeName_(std::move(gaugeName)) {}
        void Log(const std::string& line) override { form_.ADDLOG(line); }
        void Message(const std::string& text) override { form_.platform_.ShowMessage(text); }
        void Progress(int percent) override {
            gauge_.position = percent;
            form_.platform_.Repaint(gaugeName_);
        }

      private:
        TfrmZelvimoMAIN& form_;
        Gauge& gauge_;
        std::string gaugeName_;
    };

    // The steps of "Start Prediction".
    void RestoreFieldTable();
    // The field dates without a regression, logged and shown.
    void CheckPredictionDates();
    // The closing message of the prediction: an error when nothing was
    // predicted.
    void ShowPredictionOutcome(const PredictionSettings& settings);
    std::string PredictionDelimiter() const;
    PredictionSettings PredictSettings() const;
    void LogPredictionInput(const PredictionSettings& settings);

    // The steps of "OK" on tab 0.
    void PrepareRunControls();
    // A table taken over: a table without data refused or named, then the
    // checks of its cells shown together; false when nothing is taken over.
    bool AcceptHandoff(const DataWindowReport& report, const char* table);
    void CheckPiezometerHandoff(const DataWindowReport& report);
    void CheckFieldHandoff(const DataWindowReport& report);
    // Warnings or errors of one step in one message box.
    void ShowFindings(const std::vector<std::string>& findings);
    // The closing message of a run that fitted nothing.
    void ReportEmptyRun(const RegressionSettings& settings);
    RegressionSettings RunSettings();
    void LogRunInput();

    // The selections run each time tab 1 or tab 2 is chosen; they belong to
    // the results and prediction steps.
    void TabOneSelection();
    void TabTwoSelection();

    void ShowHint(const std::string& text);

    Platform& platform_;
    SessionLog log_;
    int sessionCounter_ = 1;
    mijlpaal milestone_ = mijlpaal::na_start;
    bool presentationHeader_ = false;
    bool activated_ = false;

  private:
    struct Entry {
        std::string_view name;
        std::string_view parent;
        Control* control;
    };
    void DesignState();
    void Register();
    const Entry* Find(std::string_view control) const;

    std::vector<Entry> controls_;
};

}  // namespace tarnovel
