#pragma once
// The field measurement window: reads a delimited file of auger-hole
// locations, lets the user repair it, name the columns and settle the coded
// measurements, and hands the table over to the main window.

#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.h"
#include "controls/platform.h"
#include "tables/data_window.h"
#include "tables/delimited_reader.h"
#include "tables/handoff.h"

namespace tarnovel {

class TfrmMEETDATA {
  public:
    explicit TfrmMEETDATA(Platform& platform);

    // The window.
    std::string caption = "Field measurements (in auger holes)";
    int width = 529;
    int height = 470;
    int helpContext = 20;
    bool closed = false;  // set by the handlers that end the showing

    // Reading stage.
    OpenDialog dlgOPENMEETDATA;
    RadioGroup rdgrpSEP;
    CheckBox chckbxMultiple;
    Button btbttnOKLEES;
    Label lblstrgrdMEETDATA;
    StringGrid strgrdMEETDATA;

    // Context menu of the grid.
    Control ppmnGRID;
    MenuItem Toevoegenrecordmetbuisgegevens1;
    MenuItem Verwijderenrecordmetbuisgegevens1;
    MenuItem Toevoegenkolommetmetingen1;
    MenuItem Verwijderenkolomonderdecursor1;
    MenuItem Omzettenvanelkekommanaardecimalepunt1;
    MenuItem Bewareninbestand1;

    // Role group.
    GroupBox grpbxKOLOM;
    Label lblDatum1, lblDatum2, lblDatum3, lblMeting1, lblMeting2, lblMeting3, lblINSTRATA;
    ComboBox cmbbxDatum1, cmbbxDatum2, cmbbxDatum3;
    ComboBox cmbbxMeting1, cmbbxMeting2, cmbbxMeting3;
    ComboBox cmbbxINSTRATA;
    Label lblMIS;
    Edit edtMIS;
    Button btbttnMIS;
    Button btbttnOKINDELING;

    // Coded-numbers group.
    GroupBox grpbxCENSOR;
    Label lblFOUNDCODE, lblNEWCODE;
    ComboBox cmbbxFOUNDCODE;  // the codes still to be converted
    ComboBox cmbbxNEWCODE;    // the replacements proposed so far
    Button btbttnREPLACEOK;

    Button btbttnEXITMEETDATA;  // "Ready!"
    StatusBar stsbrMEETDATA;

    // Window state.
    bool inputMode = false;  // this window always reads a file
    bool aborted = false;
    ReaderState reader;
    int addedColumnCounter = 0;
    bool recordsAdded = false;
    bool recordsRemoved = false;
    bool columnsAdded = false;
    bool columnsRemoved = false;
    bool codesFound = false;
    bool censoredReplacement = false;  // a code became a "deeper than" value
    RoleColumns roleColumns{-1, -1, -1, -1, -1, -1, -1};
    // Codes turned into other texts since the window started, and what
    // "Ready!" handed over: both for the main window's checks.
    std::vector<CodeConversion> conversions;
    TableContent content = TableContent::kData;

    // Reading stage.
    void FormActivate();
    void DetectSeparator(const std::string& FileName);
    void FillGrid(const std::string& FileName);
    void btbttnOKLEESClick();
    void rdgrpSEPClick();

    // Grid edits.
    void insertrow(int irow);
    void insertcol(int icol);
    void Toevoegenrecordmetbuisgegevens1Click();
    void Verwijderenrecordmetbuisgegevens1Click();
    void Toevoegenkolommetmetingen1Click();
    void Verwijderenkolomonderdecursor1Click();
    void Omzettenvanelkekommanaardecimalepunt1Click();
    void Bewareninbestand1Click();
    void btbttnMISClick();
    void strgrdMEETDATAKeyDown();
    void strgrdMEETDATAMouseMove();

    // Refills the role boxes from the current titles.
    void vulboxen();

    // Coding stage and hand-over.
    void btbttnOKINDELINGClick();
    void btbttnREPLACEOKClick();
    void btbttnEXITMEETDATAClick();

    // Closing through the title bar: nothing is handed over. Returns whether
    // the window may close.
    bool FormCloseQuery();

    // The mouse over the named control shows its hint in the status bar; over
    // the window background (an empty name) the status bar empties.
    void ControlMouseMove(std::string_view name);
    void FormMouseMove();

    // The role box texts in the order of the roles of temp.txt.
    RoleTexts RoleBoxTexts() const;
    DataWindowReport Report() const;

    void forEachControl(ControlVisitor& visitor);

  private:
    Platform& platform_;
};

}  // namespace tarnovel
