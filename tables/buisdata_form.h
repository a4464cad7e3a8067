#pragma once
// The piezometer data window: reads a delimited file (or starts an empty
// table for manual input), lets the user repair it and name the columns, and
// hands the table over to the main window.

#include <string>
#include <string_view>
#include <vector>

#include "controls/controls.h"
#include "controls/platform.h"
#include "tables/data_window.h"
#include "tables/delimited_reader.h"
#include "tables/handoff.h"

namespace tarnovel {

class TfrmBUISDATA {
  public:
    explicit TfrmBUISDATA(Platform& platform);

    // The window.
    std::string caption = "Piezometer data";
    int width = 555;
    int height = 509;
    int helpContext = 10;
    bool closed = false;  // set by the handlers that end the showing

    // Reading stage.
    OpenDialog dlgOPENBUISDATA;
    RadioGroup rdgrpSEP;
    CheckBox chckbxMultiple;
    Button btbttnOKLEES;
    Label lblstrgrdSTAMBUIS;
    StringGrid strgrdSTAMBUIS;

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
    Label lblGHG, lblGVG, lblGLG, lblSDGHG, lblSDGVG, lblSDGLG, lblINSTRATA;
    ComboBox cmbbxGHG, cmbbxGVG, cmbbxGLG, cmbbxSDGHG, cmbbxSDGVG, cmbbxSDGLG, cmbbxINSTRATA;
    Label lblVARIANCE;
    Button btbttnSQRTGHG, btbttnSQRTGVG, btbttnSQRTGLG;
    Button btbttnSQRGHG, btbttnSQRGVG, btbttnSQRGLG;
    Label lblMIS;
    Edit edtMIS;
    Button btbttnMIS;
    Label lblTITELS;
    ListBox lstbxTITELS;
    Label lblMEETKOLS;
    ListBox lstbxMEETKOLS;  // the measurement-column list
    Button btbttnADD;
    Button btbttnSUB;

    Button btbttnEXITSTAMBUIS;  // "Ready!"
    StatusBar stsbrSTAMBUIS;

    // Window state.
    bool inputMode = false;  // set by the main window before each showing
    bool aborted = false;
    ReaderState reader;
    int addedColumnCounter = 0;
    bool recordsAdded = false;
    bool recordsRemoved = false;
    bool columnsAdded = false;
    bool columnsRemoved = false;
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
    void rdgrpSEPEnter();

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
    void strgrdSTAMBUISKeyDown();
    void strgrdSTAMBUISMouseMove();

    // Refills the role boxes and the title lists from the current titles.
    void vulboxen();

    // Role stage.
    void btbttnADDClick();
    void btbttnSUBClick();
    void btbttnSQRTGHGClick();
    void btbttnSQRTGVGClick();
    void btbttnSQRTGLGClick();
    void btbttnSQRGHGClick();
    void btbttnSQRGVGClick();
    void btbttnSQRGLGClick();
    void btbttnEXITSTAMBUISClick();

    // The window closed by other means than its buttons (the desktop's close
    // key): nothing is handed over. Returns whether it may close.
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
    enum class SdOperation { kSquareRoot, kSquare };
    void ConvertSdColumn(const ComboBox& box, SdOperation operation, Button& pressed,
                         Button& sibling);

    Platform& platform_;
};

}  // namespace tarnovel
