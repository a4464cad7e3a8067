#include "tables/buisdata_form.h"

#include "tables/data_window_stage.h"

namespace tarnovel {

namespace {

constexpr const char* kReadingHint =
    "Press this button if the right delimiter sign is set and the above option is (or not) "
    "selected";

data_window::Parts PartsOf(TfrmBUISDATA& f) {
    return {f.dlgOPENBUISDATA,    f.strgrdSTAMBUIS, f.lblstrgrdSTAMBUIS,
            f.btbttnEXITSTAMBUIS, kReadingHint,     "Read piezometer data from ",
            "buisgrid.csv"};
}

void SetButton(Button& b, const char* caption, const char* hint) {
    b.caption = caption;
    b.hint = hint;
}

}  // namespace

TfrmBUISDATA::TfrmBUISDATA(Platform& platform) : platform_(platform) {
    dlgOPENBUISDATA.title = "File with piezometer data";
    dlgOPENBUISDATA.filters = {{"Export from Excel (*.csv)", "*.csv"},
                               {"Textfiles (*.txt)", "*.txt"},
                               {"All files (*.*)", "*.*"}};

    rdgrpSEP.caption = " Choose one of the found delimiter characters ";
    rdgrpSEP.hint =
        "Select the delimiter character in the file. The most frequently occurring delimiter is "
        "already set.";
    chckbxMultiple.caption = "Treat consecutive delimiters as one.";
    chckbxMultiple.hint =
        "Select when in the inputfile 2 consecutive delimiter signs should be interpreted\\as 1";
    SetButton(btbttnOKLEES, data_window::kStartReading, kReadingHint);
    lblstrgrdSTAMBUIS.visible = false;

    strgrdSTAMBUIS.hint =
        "Table with read piezometer data; you can edit cells and there is a conytext menu (r. "
        "mouse button)";
    ClearGrid(strgrdSTAMBUIS, 1, 2);
    strgrdSTAMBUIS.fixedRows = 1;
    strgrdSTAMBUIS.visible = false;
    strgrdSTAMBUIS.enabled = false;

    Toevoegenrecordmetbuisgegevens1.caption = "Add line with data 1 piezometer";
    Verwijderenrecordmetbuisgegevens1.caption = "Remove line under the cursor";
    Toevoegenkolommetmetingen1.caption =
        "Add column (ultimate right) with 1 measrement for each piezometer";
    Verwijderenkolomonderdecursor1.caption = "Remove column under the cursor";
    Omzettenvanelkekommanaardecimalepunt1.caption = "Convert comma's (,) to decimal dot (.)";
    Bewareninbestand1.caption = "Save to file";

    grpbxKOLOM.caption = " File format ";
    grpbxKOLOM.hint = "Set the column";
    grpbxKOLOM.visible = false;
    lblGHG.caption = "columntitle MHW=";
    lblGVG.caption = "columntitle MSW=";
    lblGLG.caption = "columntitle MLW=";
    lblSDGHG.caption = "columntitle sdMHW=";
    lblSDGVG.caption = "columntitle sdMSW=";
    lblSDGLG.caption = "columntitle sdMLW=";
    lblINSTRATA.caption = "columntitle strata=";
    for (ComboBox* box :
         {&cmbbxGHG, &cmbbxGVG, &cmbbxGLG, &cmbbxSDGHG, &cmbbxSDGVG, &cmbbxSDGLG, &cmbbxINSTRATA})
        box->editable = true;
    cmbbxINSTRATA.hint = "No strata? Select nothing!";

    lblVARIANCE.caption = "convert to variance";
    SetButton(btbttnSQRTGHG, "sqrt", "Replace numbers in sdMHW-column by their square root");
    SetButton(btbttnSQRTGVG, "sqrt", "Replace numbers in sdMSW-column by their square root");
    SetButton(btbttnSQRTGLG, "sqrt", "Replace numbers in sdMLW-column by their square root");
    SetButton(btbttnSQRGHG, "sqr", "Replace numbers in sdMHW-column by their squared value");
    SetButton(btbttnSQRGVG, "sqr", "Replace numbers in sdMSW-column by their squared value");
    SetButton(btbttnSQRGLG, "sqr", "Replace numbers in sdMLW-column by their squared value");

    lblMIS.caption = "code \"missing data\"=";
    edtMIS.text = "-9999";
    edtMIS.hint = "Give in the code for missing data that is applied in the inputfile";
    SetButton(btbttnMIS, "apply",
              "Replace the set code by \"missing\" for further automatic processing");

    lblTITELS.caption = "columntitles";
    lstbxTITELS.hint =
        "Select those column(s) from this list that contain measurement data and press the >> "
        "key";
    lblMEETKOLS.caption = "columns with measurement data";
    lstbxMEETKOLS.hint =
        "Select those column(s) from the list that do NOT contain measurement data and press the "
        "<< key";
    lstbxTITELS.multiSelect = true;
    lstbxMEETKOLS.multiSelect = true;
    lstbxMEETKOLS.sorted = true;
    SetButton(btbttnADD, ">>", "Add the selected column to the columns with measurement data");
    SetButton(btbttnSUB, "<<", "Remove the selected column from the measurement data");

    SetButton(btbttnEXITSTAMBUIS, "Ready!",
              "Press this button if the file format is completely set. ");
}

void TfrmBUISDATA::FormActivate() {
    const data_window::Parts parts = PartsOf(*this);
    data_window::ResetState(*this, parts);

    lstbxMEETKOLS.items.clear();
    lstbxMEETKOLS.selected = -1;
    lstbxMEETKOLS.selection.clear();
    for (Button* b : {&btbttnSQRTGHG, &btbttnSQRTGVG, &btbttnSQRTGLG, &btbttnSQRGHG, &btbttnSQRGVG,
                      &btbttnSQRGLG})
        b->enabled = true;
    btbttnEXITSTAMBUIS.visible = true;
    grpbxKOLOM.visible = false;

    data_window::ShowReadingButton(*this, parts);
    // A table typed in has no file; the name of an earlier one would end up
    // in the session log.
    dlgOPENBUISDATA.fileName.clear();
    if (!inputMode) {
        data_window::ChooseFile(*this, parts, platform_);
        return;
    }

    rdgrpSEP.visible = false;
    chckbxMultiple.visible = false;
    btbttnOKLEES.visible = false;
    btbttnEXITSTAMBUIS.enabled = true;
    reader.separator = ";";
    ClearGrid(strgrdSTAMBUIS, 10, 4);
    strgrdSTAMBUIS.fixedRows = reader.headerRowCount;
    strgrdSTAMBUIS.visible = true;
    strgrdSTAMBUIS.enabled = true;
    lblstrgrdSTAMBUIS.caption = "manual input data";
    lblstrgrdSTAMBUIS.visible = true;
    const char* titles[] = {"Loc",   "Stratum", "MHW",   "sdMHW", "MSW",
                            "sdMSW", "MLW",     "sdMLW", "meas1", "meas2"};
    for (int c = 0; c < 10; ++c) {
        strgrdSTAMBUIS.SetCell(c, 0, titles[c]);
        for (int r = 1; r < 4; ++r)
            strgrdSTAMBUIS.SetCell(c, r, kMissing);
    }
    grpbxKOLOM.visible = true;
    vulboxen();
}

void TfrmBUISDATA::DetectSeparator(const std::string& FileName) {
    tarnovel::DetectSeparator(FileName, rdgrpSEP, reader);
}

void TfrmBUISDATA::FillGrid(const std::string& FileName) {
    tarnovel::FillGrid(FileName, rdgrpSEP, chckbxMultiple, reader, strgrdSTAMBUIS);
}

void TfrmBUISDATA::btbttnOKLEESClick() {
    if (aborted) {
        closed = true;
        return;
    }
    data_window::ReadChosenFile(*this, PartsOf(*this));
    btbttnEXITSTAMBUIS.enabled = true;
}

void TfrmBUISDATA::rdgrpSEPClick() {
    stsbrSTAMBUIS.text = rdgrpSEP.hint;
}

void TfrmBUISDATA::rdgrpSEPEnter() {
    stsbrSTAMBUIS.text = rdgrpSEP.hint;
}

void TfrmBUISDATA::insertrow(int irow) {
    tarnovel::insertrow(strgrdSTAMBUIS, irow);
}

void TfrmBUISDATA::insertcol(int icol) {
    tarnovel::insertcol(strgrdSTAMBUIS, icol, addedColumnCounter);
}

void TfrmBUISDATA::Toevoegenrecordmetbuisgegevens1Click() {
    data_window::AddRecord(*this, PartsOf(*this));
}

void TfrmBUISDATA::Verwijderenrecordmetbuisgegevens1Click() {
    data_window::RemoveRecordUnderCursor(*this, PartsOf(*this));
}

void TfrmBUISDATA::Toevoegenkolommetmetingen1Click() {
    data_window::AddColumn(*this, PartsOf(*this));
}

void TfrmBUISDATA::Verwijderenkolomonderdecursor1Click() {
    data_window::RemoveColumnUnderCursor(*this, PartsOf(*this));
}

void TfrmBUISDATA::Omzettenvanelkekommanaardecimalepunt1Click() {
    data_window::ConvertGridCommas(*this, PartsOf(*this));
}

void TfrmBUISDATA::Bewareninbestand1Click() {
    data_window::Save(*this, PartsOf(*this), platform_);
}

void TfrmBUISDATA::btbttnMISClick() {
    data_window::MarkMissingCode(*this, PartsOf(*this));
}

void TfrmBUISDATA::strgrdSTAMBUISKeyDown() {
    data_window::GridKeyDown(*this);
}

void TfrmBUISDATA::strgrdSTAMBUISMouseMove() {
    stsbrSTAMBUIS.text = strgrdSTAMBUIS.hint;
}

RoleTexts TfrmBUISDATA::RoleBoxTexts() const {
    return {cmbbxGHG.text, cmbbxSDGHG.text, cmbbxGVG.text,     cmbbxSDGVG.text,
            cmbbxGLG.text, cmbbxSDGLG.text, cmbbxINSTRATA.text};
}

DataWindowReport TfrmBUISDATA::Report() const {
    DataWindowReport report;
    report.inputMode = inputMode;
    report.aborted = aborted;
    report.inputFileName = dlgOPENBUISDATA.fileName;
    report.recordsAdded = recordsAdded;
    report.recordsRemoved = recordsRemoved;
    report.columnsAdded = columnsAdded;
    report.columnsRemoved = columnsRemoved;
    report.missingCodeText = edtMIS.text;
    report.roleTexts = RoleBoxTexts();
    report.roleColumns = roleColumns;
    report.content = content;
    report.conversions = conversions;
    report.measurementColumns = lstbxMEETKOLS.items;
    report.sdConversion = {{{btbttnSQRTGHG.enabled, btbttnSQRGHG.enabled},
                            {btbttnSQRTGVG.enabled, btbttnSQRGVG.enabled},
                            {btbttnSQRTGLG.enabled, btbttnSQRGLG.enabled}}};
    return report;
}

void TfrmBUISDATA::forEachControl(ControlVisitor& v) {
    v.Visit("rdgrpSEP", rdgrpSEP);
    v.Visit("chckbxMultiple", chckbxMultiple);
    v.Visit("btbttnOKLEES", btbttnOKLEES);
    v.Visit("lblstrgrdSTAMBUIS", lblstrgrdSTAMBUIS);
    v.Visit("strgrdSTAMBUIS", strgrdSTAMBUIS);
    v.Visit("ppmnGRID", ppmnGRID);
    v.Visit("Toevoegenrecordmetbuisgegevens1", Toevoegenrecordmetbuisgegevens1);
    v.Visit("Verwijderenrecordmetbuisgegevens1", Verwijderenrecordmetbuisgegevens1);
    v.Visit("Toevoegenkolommetmetingen1", Toevoegenkolommetmetingen1);
    v.Visit("Verwijderenkolomonderdecursor1", Verwijderenkolomonderdecursor1);
    v.Visit("Omzettenvanelkekommanaardecimalepunt1", Omzettenvanelkekommanaardecimalepunt1);
    v.Visit("Bewareninbestand1", Bewareninbestand1);
    v.Visit("grpbxKOLOM", grpbxKOLOM);
    v.Visit("lblGHG", lblGHG);
    v.Visit("cmbbxGHG", cmbbxGHG);
    v.Visit("lblGVG", lblGVG);
    v.Visit("cmbbxGVG", cmbbxGVG);
    v.Visit("lblGLG", lblGLG);
    v.Visit("cmbbxGLG", cmbbxGLG);
    v.Visit("lblSDGHG", lblSDGHG);
    v.Visit("cmbbxSDGHG", cmbbxSDGHG);
    v.Visit("lblSDGVG", lblSDGVG);
    v.Visit("cmbbxSDGVG", cmbbxSDGVG);
    v.Visit("lblSDGLG", lblSDGLG);
    v.Visit("cmbbxSDGLG", cmbbxSDGLG);
    v.Visit("lblINSTRATA", lblINSTRATA);
    v.Visit("cmbbxINSTRATA", cmbbxINSTRATA);
    v.Visit("lblVARIANCE", lblVARIANCE);
    v.Visit("btbttnSQRTGHG", btbttnSQRTGHG);
    v.Visit("btbttnSQRTGVG", btbttnSQRTGVG);
    v.Visit("btbttnSQRTGLG", btbttnSQRTGLG);
    v.Visit("btbttnSQRGHG", btbttnSQRGHG);
    v.Visit("btbttnSQRGVG", btbttnSQRGVG);
    v.Visit("btbttnSQRGLG", btbttnSQRGLG);
    v.Visit("lblMIS", lblMIS);
    v.Visit("edtMIS", edtMIS);
    v.Visit("btbttnMIS", btbttnMIS);
    v.Visit("lblTITELS", lblTITELS);
    v.Visit("lstbxTITELS", lstbxTITELS);
    v.Visit("lblMEETKOLS", lblMEETKOLS);
    v.Visit("lstbxMEETKOLS", lstbxMEETKOLS);
    v.Visit("btbttnADD", btbttnADD);
    v.Visit("btbttnSUB", btbttnSUB);
    v.Visit("btbttnEXITSTAMBUIS", btbttnEXITSTAMBUIS);
    v.Visit("stsbrSTAMBUIS", stsbrSTAMBUIS);
}

}  // namespace tarnovel
