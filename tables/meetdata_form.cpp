#include "tables/meetdata_form.h"

#include "tables/data_window_stage.h"

namespace tarnovel {

namespace {

constexpr const char* kReadingHint =
    "Press this button if the right delimiter sign is set and the option above is (or not) "
    "selected.";

data_window::Parts PartsOf(TfrmMEETDATA& f) {
    return {f.dlgOPENMEETDATA, f.strgrdMEETDATA,        f.lblstrgrdMEETDATA, f.btbttnEXITMEETDATA,
            kReadingHint,      "read field data from ", "measgrid.csv"};
}

void SetButton(Button& b, const char* caption, const char* hint) {
    b.caption = caption;
    b.hint = hint;
}

}  // namespace

TfrmMEETDATA::TfrmMEETDATA(Platform& platform) : platform_(platform) {
    dlgOPENMEETDATA.title = "Files with field measurements";
    dlgOPENMEETDATA.filters = {{"Export from Excel (*.csv)", "*.csv"},
                               {"Text files (*.txt)", "*.txt"},
                               {"All files (*.*)", "*.*"}};

    rdgrpSEP.caption = " Kies één van de aangetroffen scheidingstekens ";
    rdgrpSEP.hint =
        "Select the appropriate delimiter character used in the file. The most frequent occuring "
        "sign is already set.";
    chckbxMultiple.caption = "Treat multiple consecutive delimiters as 1";
    chckbxMultiple.hint =
        "Select this options when 2 consecutive delimeters must be interpreted as 1";
    SetButton(btbttnOKLEES, data_window::kStartReading, kReadingHint);
    lblstrgrdMEETDATA.visible = false;

    strgrdMEETDATA.hint =
        "Table with read field measurements; You can edit cells and there is a context menu "
        "(r.mouse button)";
    ClearGrid(strgrdMEETDATA, 1, 2);
    strgrdMEETDATA.fixedRows = 1;
    strgrdMEETDATA.visible = false;
    strgrdMEETDATA.enabled = false;

    Toevoegenrecordmetbuisgegevens1.caption = "Add line with data from 1 location";
    Verwijderenrecordmetbuisgegevens1.caption = "Delete line under the cursor";
    Toevoegenkolommetmetingen1.caption =
        "Add column (ultimate right) with 1 measurement for each location";
    Verwijderenkolomonderdecursor1.caption = "Delete column under the cursor";
    Omzettenvanelkekommanaardecimalepunt1.caption = "Convert each comma (,) to a decimal dot (.)";
    Bewareninbestand1.caption = "Save to file";

    grpbxKOLOM.caption = " File format ";
    grpbxKOLOM.hint = "Set the appropriate column";
    grpbxKOLOM.visible = false;
    lblDatum1.caption = "columntitle Date1=";
    lblDatum2.caption = "columntitle Date2=";
    lblDatum3.caption = "columntitle Date3=";
    lblMeting1.caption = "columntitle Meas1=";
    lblMeting2.caption = "columntitle Meas2=";
    lblMeting3.caption = "columntitle Meas3=";
    lblINSTRATA.caption = "columntitle strata=";
    for (ComboBox* box : {&cmbbxDatum1, &cmbbxDatum2, &cmbbxDatum3, &cmbbxMeting1, &cmbbxMeting2,
                          &cmbbxMeting3, &cmbbxINSTRATA})
        box->editable = true;
    // The form keeps room for a third date, but the prediction uses two.
    for (Control* c : {static_cast<Control*>(&lblDatum3), static_cast<Control*>(&cmbbxDatum3),
                       static_cast<Control*>(&lblMeting3), static_cast<Control*>(&cmbbxMeting3)})
        c->visible = false;
    cmbbxINSTRATA.hint = "no strata? No selection!";

    lblMIS.caption = "code \"missing data\"=";
    edtMIS.text = "-9999";
    edtMIS.hint = "Enter the code for missing data that was used in the input file";
    SetButton(btbttnMIS, "apply",
              "Replace the input code for missing data by \"missing\" for further automatic "
              "processing");
    SetButton(btbttnOKINDELING, "OK", "Press this button if the file format is set completely");

    grpbxCENSOR.caption = " Coded numbers ";
    grpbxCENSOR.hint =
        "Will convert the input code into \"missing data\" or censored (\"deeper than\") "
        "observation";
    grpbxCENSOR.visible = false;
    lblFOUNDCODE.caption = "found code:";
    lblNEWCODE.caption = "convert into:";
    cmbbxNEWCODE.editable = true;
    btbttnREPLACEOK.caption = "Conversion OK";

    SetButton(btbttnEXITMEETDATA, "Ready!",
              "Push this button when file format and coding is set completely. ");
    btbttnEXITMEETDATA.enabled = false;
}

void TfrmMEETDATA::FormActivate() {
    const data_window::Parts parts = PartsOf(*this);
    data_window::ResetState(*this, parts);

    codesFound = false;
    censoredReplacement = false;
    grpbxKOLOM.enabled = true;
    grpbxKOLOM.visible = false;
    grpbxCENSOR.visible = false;
    btbttnEXITMEETDATA.enabled = false;
    btbttnEXITMEETDATA.visible = true;
    rdgrpSEP.visible = true;
    chckbxMultiple.visible = true;

    data_window::ShowReadingButton(*this, parts);
    dlgOPENMEETDATA.fileName.clear();
    data_window::ChooseFile(*this, parts, platform_);
}

void TfrmMEETDATA::DetectSeparator(const std::string& FileName) {
    tarnovel::DetectSeparator(FileName, rdgrpSEP, reader);
}

void TfrmMEETDATA::FillGrid(const std::string& FileName) {
    tarnovel::FillGrid(FileName, rdgrpSEP, chckbxMultiple, reader, strgrdMEETDATA);
}

void TfrmMEETDATA::btbttnOKLEESClick() {
    if (aborted) {
        closed = true;
        return;
    }
    // "Ready!" waits until the coded measurements are settled.
    data_window::ReadChosenFile(*this, PartsOf(*this));
}

void TfrmMEETDATA::rdgrpSEPClick() {
    stsbrMEETDATA.text = rdgrpSEP.hint;
}

void TfrmMEETDATA::insertrow(int irow) {
    tarnovel::insertrow(strgrdMEETDATA, irow);
}

void TfrmMEETDATA::insertcol(int icol) {
    tarnovel::insertcol(strgrdMEETDATA, icol, addedColumnCounter);
}

void TfrmMEETDATA::Toevoegenrecordmetbuisgegevens1Click() {
    data_window::AddRecord(*this, PartsOf(*this));
}

void TfrmMEETDATA::Verwijderenrecordmetbuisgegevens1Click() {
    data_window::RemoveRecordUnderCursor(*this, PartsOf(*this));
}

void TfrmMEETDATA::Toevoegenkolommetmetingen1Click() {
    data_window::AddColumn(*this, PartsOf(*this));
}

void TfrmMEETDATA::Verwijderenkolomonderdecursor1Click() {
    data_window::RemoveColumnUnderCursor(*this, PartsOf(*this));
}

void TfrmMEETDATA::Omzettenvanelkekommanaardecimalepunt1Click() {
    data_window::ConvertGridCommas(*this, PartsOf(*this));
}

void TfrmMEETDATA::Bewareninbestand1Click() {
    data_window::Save(*this, PartsOf(*this), platform_);
}

void TfrmMEETDATA::btbttnMISClick() {
    data_window::MarkMissingCode(*this, PartsOf(*this));
}

void TfrmMEETDATA::strgrdMEETDATAKeyDown() {
    data_window::GridKeyDown(*this);
}

void TfrmMEETDATA::strgrdMEETDATAMouseMove() {
    stsbrMEETDATA.text = strgrdMEETDATA.hint;
}

RoleTexts TfrmMEETDATA::RoleBoxTexts() const {
    return {cmbbxDatum1.text,  cmbbxDatum2.text,  cmbbxDatum3.text,  cmbbxMeting1.text,
            cmbbxMeting2.text, cmbbxMeting3.text, cmbbxINSTRATA.text};
}

DataWindowReport TfrmMEETDATA::Report() const {
    DataWindowReport report;
    report.inputMode = false;
    report.aborted = aborted;
    report.inputFileName = dlgOPENMEETDATA.fileName;
    report.recordsAdded = recordsAdded;
    report.recordsRemoved = recordsRemoved;
    report.columnsAdded = columnsAdded;
    report.columnsRemoved = columnsRemoved;
    report.missingCodeText = edtMIS.text;
    report.roleTexts = RoleBoxTexts();
    report.roleColumns = roleColumns;
    report.content = content;
    report.conversions = conversions;
    report.codesFound = codesFound;
    report.censoredReplacement = censoredReplacement;
    return report;
}

void TfrmMEETDATA::forEachControl(ControlVisitor& v) {
    v.Visit("rdgrpSEP", rdgrpSEP);
    v.Visit("chckbxMultiple", chckbxMultiple);
    v.Visit("btbttnOKLEES", btbttnOKLEES);
    v.Visit("lblstrgrdMEETDATA", lblstrgrdMEETDATA);
    v.Visit("strgrdMEETDATA", strgrdMEETDATA);
    v.Visit("ppmnGRID", ppmnGRID);
    v.Visit("Toevoegenrecordmetbuisgegevens1", Toevoegenrecordmetbuisgegevens1);
    v.Visit("Verwijderenrecordmetbuisgegevens1", Verwijderenrecordmetbuisgegevens1);
    v.Visit("Toevoegenkolommetmetingen1", Toevoegenkolommetmetingen1);
    v.Visit("Verwijderenkolomonderdecursor1", Verwijderenkolomonderdecursor1);
    v.Visit("Omzettenvanelkekommanaardecimalepunt1", Omzettenvanelkekommanaardecimalepunt1);
    v.Visit("Bewareninbestand1", Bewareninbestand1);
    v.Visit("grpbxKOLOM", grpbxKOLOM);
    v.Visit("lblDatum1", lblDatum1);
    v.Visit("cmbbxDatum1", cmbbxDatum1);
    v.Visit("lblDatum2", lblDatum2);
    v.Visit("cmbbxDatum2", cmbbxDatum2);
    v.Visit("lblDatum3", lblDatum3);
    v.Visit("cmbbxDatum3", cmbbxDatum3);
    v.Visit("lblMeting1", lblMeting1);
    v.Visit("cmbbxMeting1", cmbbxMeting1);
    v.Visit("lblMeting2", lblMeting2);
    v.Visit("cmbbxMeting2", cmbbxMeting2);
    v.Visit("lblMeting3", lblMeting3);
    v.Visit("cmbbxMeting3", cmbbxMeting3);
    v.Visit("lblINSTRATA", lblINSTRATA);
    v.Visit("cmbbxINSTRATA", cmbbxINSTRATA);
    v.Visit("lblMIS", lblMIS);
    v.Visit("edtMIS", edtMIS);
    v.Visit("btbttnMIS", btbttnMIS);
    v.Visit("btbttnOKINDELING", btbttnOKINDELING);
    v.Visit("grpbxCENSOR", grpbxCENSOR);
    v.Visit("lblFOUNDCODE", lblFOUNDCODE);
    v.Visit("cmbbxFOUNDCODE", cmbbxFOUNDCODE);
    v.Visit("lblNEWCODE", lblNEWCODE);
    v.Visit("cmbbxNEWCODE", cmbbxNEWCODE);
    v.Visit("btbttnREPLACEOK", btbttnREPLACEOK);
    v.Visit("btbttnEXITMEETDATA", btbttnEXITMEETDATA);
    v.Visit("stsbrMEETDATA", stsbrMEETDATA);
}

}  // namespace tarnovel
