// The desktop program's windows on the offscreen platform, driven through
// their widgets as a user would drive them.

#include <gtest/gtest.h>

#include <sys/wait.h>
#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStatusBar>
#include <QTableView>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>

#include "tables/buisdata_form.h"
#include "tarnovel/version.h"
#include "tests/shell/temp_directory.h"
#include "tests/ui/desktop_session.h"
#include "tests/ui/ui_driver.h"
#include "ui/desktop_program.h"

namespace tarnovel {
namespace {

namespace fs = std::filesystem;
using namespace uitest;

// One application for the whole run, in the program's own look.
class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_ui_views";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        QApplication::setApplicationName("Tarnovel");
        ApplyProgramLook(*app_);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// What a widget shows as its text.
QString Shown(QWidget* w) {
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* c = qobject_cast<QComboBox*>(w))
        return c->currentIndex() < 0 && !c->isEditable() ? c->placeholderText() : c->currentText();
    if (auto* e = qobject_cast<QLineEdit*>(w)) return e->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    if (auto* s = qobject_cast<QStatusBar*>(w)) return s->currentMessage();
    return {};
}

QStringList Items(QWidget* w) {
    QStringList items;
    if (auto* c = qobject_cast<QComboBox*>(w))
        for (int i = 0; i < c->count(); ++i)
            items << c->itemText(i);
    if (auto* l = qobject_cast<QListWidget*>(w))
        for (int i = 0; i < l->count(); ++i)
            items << l->item(i)->text();
    if (auto* g = dynamic_cast<RadioGroupBox*>(w))
        for (QAbstractButton* b : g->Buttons()->buttons())
            items << b->text();
    return items;
}

// A control's expected look: its text, and -1 for "not checked here".
struct Look {
    const char* name;
    QString text;
    int enabled = -1;
    int shown = -1;  // not hidden by its own state (its tab may hide it)
    int checked = -1;
    QStringList items = {};
};

void ExpectLooks(QWidget* window, const std::vector<Look>& looks) {
    for (const Look& look : looks) {
        SCOPED_TRACE(look.name);
        auto* w = window->findChild<QWidget*>(look.name);
        ASSERT_NE(w, nullptr);
        if (!look.text.isNull()) {
            EXPECT_EQ(Shown(w), look.text);
        }
        if (look.enabled >= 0) {
            EXPECT_EQ(w->isEnabledTo(w->parentWidget()), look.enabled == 1);
        }
        if (look.shown >= 0) {
            EXPECT_EQ(!w->isHidden(), look.shown == 1);
        }
        if (look.checked >= 0) {
            auto* b = qobject_cast<QAbstractButton*>(w);
            ASSERT_NE(b, nullptr);
            EXPECT_EQ(b->isChecked(), look.checked == 1);
        }
        if (!look.items.isEmpty()) {
            EXPECT_EQ(Items(w), look.items);
        }
    }
}

// The program started in a fresh folder: the main window shown and active.
class DesktopTest : public DesktopSession {
  protected:
    QString Status() const { return Find<QStatusBar>(main, "sttsbrSTATUS")->currentMessage(); }
};

TEST_F(DesktopTest, MainWindowStartsAsDesigned) {
    EXPECT_EQ(main->windowTitle(), "Tarnovel 1.2");
    EXPECT_EQ(main->centralWidget()->width(), 656);
    EXPECT_EQ(main->centralWidget()->height() + main->statusBar()->height(), 510);
    EXPECT_EQ(FindAction(main, "Help1")->text(), "Help");
    EXPECT_EQ(FindAction(main, "Over1")->text(), "About...");
    EXPECT_EQ(Status(), "Settings piezometer regression");

    auto* tabs = Find<QTabBar>(main, "tbcntrlZelvimoMAIN");
    ASSERT_EQ(tabs->count(), 3);
    EXPECT_EQ(tabs->tabText(0), "Settings piezometer regression");
    EXPECT_EQ(tabs->tabText(1), "Results piezometer regression");
    EXPECT_EQ(tabs->tabText(2), "Prediction at field work locations");
    EXPECT_EQ(tabs->currentIndex(), 0);

    const QStringList weighting = {"unweighted regression", "weighted regression"};
    ExpectLooks(
        main,
        {
            {"grpbxTABINDEX0", "", 1, 1},
            {"rdbttnFILE", "data from file", 1, 1, 1},
            {"btbttnFILE", "select", 1, 1},
            {"rdbttnKEYBOARD", "input data now", 1, 1, 0},
            {"btbttnSTRUCTUUR", "layout table", 0, 1},
            {"Label2", "To be predicted:"},
            {"cmbbxPREDICT", "MHW+MSW+MLW", 0, 1, -1, {"MHW", "MSW", "MLW", "MHW+MSW+MLW"}},
            {"chckbxCONST", "regression with constant", -1, 0, 1},
            {"Label5", "Piezometer regression"},
            {"Label6", " in strata?"},
            {"cmbbxSTRATAyesno", "no strata", 0, 1, -1, {"no strata"}},
            {"cmbbxSTRATA", "no strata", 0, 0},
            {"Label7", "MHW:"},
            {"Label8", "MSW:"},
            {"Label9", "MLW:"},
            {"cmbbxWEIGHTGHG", "unweighted regression", 0, 1, -1, weighting},
            {"CMBBXWEIGHTGVG", "unweighted regression", 0, 1, -1, weighting},
            {"cmbbxWEIGHTGLG", "unweighted regression", 0, 1, -1, weighting},
            {"strgrdBUISDATA", QString(), -1, 0},
            {"btbttnOKTABINDEX0", "Settings ready; start piezometer regression(s)", 0, 1},
            {"lblPROGRESS", "Progress (% regressions done)", -1, 0},
            {"ggPROGRESS", QString(), -1, 0},
            {"mmDelete", QString(), -1, 0},

            {"grpbxTABINDEX1", "", 0, 0},
            {"Label10", "Which stratum?"},
            {"Label11", "Variable to be predicted?"},
            {"Label12", "Date(s)?"},
            {"btbttnSHOW", "Show result"},
            {"imgFIT", QString(), -1, 0},
            {"lstbxTMP", QString(), -1, 0},

            {"grpbxTABINDEX2", "", 0, 0},
            {"btbttnKOPPELMETINGEN", "Select"},
            {"Label13", "inputfile with measurements"},
            {"grpbxVERPLICHT", " Mandatory settings "},
            {"edtNAAMRESULT", "Predict.csv"},
            {"Label14", "outputfile with predictions"},
            {"rdgrpPREDSEP", "", -1, 1, -1, {";", ",", "tab"}},
            {"Label4", "delimiter-sign columns"},
            {"Label16", "in outputfile"},
            {"cmbbxTEVOORSPELLEN", "MHW+MSW+MLW", -1, 1, -1, {"MHW+MSW+MLW", "MHW", "MSW", "MLW"}},
            {"Label15", "variable(s) to predict"},
            {"btbttnOKVERPLICHT", "OK"},
            {"grpbxFACULTATIEF", " Optional settings ", -1, 0},
            {"chckbxSTRATAAPART", "Strata seperately", 0, 1, 1},
            {"chckbxMAXLIKELI", "Maximum Likelihood estimation for \"deeper than\" data", 0, 1, 1},
            {"chckbxEXACTML", "exact (recommended)", 0, 1, 0},
            {"Label3", "Found \"deeper than\" data in inputfile:", -1, 0},
            {"lstbxMLNODIG", QString(), -1, 0},
            {"strgrdMEETDATA", QString(), -1, 0},
            {"btbttnSTARTPREDICT", "Start Prediction", 0, 1},
            {"Label17", "progress (% of locations converted)"},

            {"grpbxSTATUS", " Progress session 1 "},
            {"StaticText1", "Piezometer regression"},
            {"StaticText4", "Field work data"},
            {"StaticText2", "Start"},
            {"StaticText3", "setting"},
            {"StaticText5", "perform"},
            {"StaticText6", "report"},
            {"StaticText7", "prediction MxW"},
            {"StaticText8", "Stop"},
        });
    EXPECT_EQ(Find<QRadioButton>(main, "rdbttnFILE")->isChecked(), true);
    EXPECT_EQ(Find<QProgressBar>(main, "ggVoortgang")->value(), 9);
    EXPECT_EQ(dynamic_cast<RadioGroupBox*>(Find<QWidget>(main, "rdgrpPREDSEP"))->ItemIndex(), 0);

    // Tabs 1 and 2 are greyed until a run; tab 0 keeps the usual text.
    const QColor grey(128, 128, 128);
    auto text = [&](const char* group) {
        return Find<QWidget>(main, group)->palette().color(QPalette::Active, QPalette::WindowText);
    };
    EXPECT_EQ(text("grpbxTABINDEX1"), grey);
    EXPECT_EQ(text("grpbxTABINDEX2"), grey);
    EXPECT_NE(text("grpbxTABINDEX0"), grey);

    // Every control has a widget of its kind, in every window.
    for (View* view : std::initializer_list<View*>{&program->mainView, &program->buisdataView,
                                                   &program->meetdataView, &program->aboutView})
        EXPECT_EQ(view->Bindings().Mismatches(), std::vector<std::string>()) << view->FormName();
}

TEST_F(DesktopTest, HintsNeverAppearAsToolTips) {
    for (QWidget* window :
         std::initializer_list<QWidget*>{&program->mainView, &program->buisdataView,
                                         &program->meetdataView, &program->aboutView})
        for (QWidget* w : window->findChildren<QWidget*>()) {
            EXPECT_TRUE(w->toolTip().isEmpty()) << w->objectName().toStdString();
            EXPECT_TRUE(w->statusTip().isEmpty()) << w->objectName().toStdString();
        }
}

// The exact option takes the free end of the row above the option it
// refines: it covers neither that option nor the strata option's caption,
// and its own caption fits inside the group.
TEST_F(DesktopTest, ExactOptionFitsBesideTheStrataOption) {
    auto* box = Find<QCheckBox>(main, "chckbxEXACTML");
    auto* option = Find<QCheckBox>(main, "chckbxMAXLIKELI");
    auto* strata = Find<QCheckBox>(main, "chckbxSTRATAAPART");
    ASSERT_EQ(box->parentWidget(), option->parentWidget());
    EXPECT_LT(box->geometry().bottom(), option->geometry().top());
    EXPECT_LT(strata->x() + strata->sizeHint().width(), box->x());
    EXPECT_LE(box->sizeHint().width(), box->width());
    EXPECT_LE(box->geometry().right(), box->parentWidget()->contentsRect().right());
}

TEST_F(DesktopTest, PiezometerWindowStartsItsReadingStageOrItsAbortState) {
    struct Case {
        bool chooseFile;
        std::vector<Look> looks;
    };
    const Case cases[] = {
        {true,
         {
             {"rdgrpSEP", " Choose one of the found delimiter characters ", -1, 1, -1, {";", "-"}},
             {"chckbxMultiple", "Treat consecutive delimiters as one.", -1, 1, 0},
             {"btbttnOKLEES", "OK, start reading", 1, 1},
             {"strgrdSTAMBUIS", QString(), -1, 0},
             {"lblstrgrdSTAMBUIS", QString(), -1, 0},
             {"grpbxKOLOM", " File format ", -1, 0},
             {"btbttnEXITSTAMBUIS", "Ready!", 0, 1},
             {"stsbrSTAMBUIS", ""},
         }},
        {false,
         {
             {"rdgrpSEP", QString(), -1, 0},
             {"chckbxMultiple", QString(), -1, 0},
             {"btbttnOKLEES", "No input; abort", 1, 1},
             {"grpbxKOLOM", QString(), -1, 0},
             {"btbttnEXITSTAMBUIS", QString(), -1, 0},
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chooseFile ? "file chosen" : "dialog cancelled");
        platform->dialogs.clear();
        platform->fileAnswers.clear();
        if (c.chooseFile) platform->fileAnswers = {Data("piezometers.csv")};
        bool seen = false;
        platform->onModal["TfrmBUISDATA"] = [&](QDialog& w) {
            seen = true;
            EXPECT_EQ(w.windowTitle(), "Piezometer data");
            EXPECT_EQ(w.size(), QSize(555, 509));
            EXPECT_FALSE(w.windowFlags() & Qt::WindowCloseButtonHint);
            ExpectLooks(&w, c.looks);
            if (c.chooseFile) {
                auto* separators = dynamic_cast<RadioGroupBox*>(Find<QWidget>(&w, "rdgrpSEP"));
                EXPECT_EQ(separators->ItemIndex(), 0);
                EXPECT_EQ(separators->height(), 20 * 2 + 16);
            }
            // Left by the abort button, or by the desktop's close key.
            if (c.chooseFile)
                w.close();
            else
                Click(&w, "btbttnOKLEES");
        };
        Click(main, "btbttnFILE");
        EXPECT_TRUE(seen);
        ASSERT_EQ(platform->dialogs.size(), 1u);
        EXPECT_EQ(platform->dialogs[0].title, "File with piezometer data");
        ASSERT_EQ(platform->dialogs[0].filters.size(), 3u);
        EXPECT_EQ(platform->dialogs[0].filters[0].description, "Export from Excel (*.csv)");
        EXPECT_EQ(platform->dialogs[0].filters[2].pattern, "*.*");
        // Nothing was handed over: the settings stay as they were.
        EXPECT_FALSE(Find<QWidget>(main, "btbttnOKTABINDEX0")->isEnabled());
        EXPECT_TRUE(Find<QWidget>(main, "strgrdBUISDATA")->isHidden());
    }
    EXPECT_TRUE(platform->leftOpen.empty());
}

// A data window is on screen before its file dialog opens over it, and
// behind the dialog it shows its fresh start, not the table it held when it
// last closed.
TEST_F(DesktopTest, DataWindowsAreOnScreenUnderTheirFileDialog) {
    struct Case {
        const char* form;
        const char* file;
        const char* grid;
    };
    const Case cases[] = {
        {"TfrmBUISDATA", "piezometers.csv", "strgrdSTAMBUIS"},
        {"TfrmMEETDATA", "field.csv", "strgrdMEETDATA"},
    };
    for (const Case& c : cases) {
        for (int opening = 1; opening <= 2; ++opening) {
            SCOPED_TRACE(std::string(c.form) + " opening " + std::to_string(opening));
            platform->fileAnswers = {Data(c.file)};
            QString owner;
            bool ownerShown = false;
            bool gridShown = true;
            platform->onFileDialog = [&](QWidget* w) {
                ASSERT_NE(w, nullptr);
                owner = w->objectName();
                ownerShown = w->isVisible();
                auto* grid = w->findChild<QWidget*>(c.grid);
                gridShown = grid != nullptr && !grid->isHidden();
            };
            platform->onModal[c.form] = [&](QDialog& w) {
                Click(&w, "btbttnOKLEES");
                EXPECT_TRUE(Find<QWidget>(&w, c.grid)->isVisible());
                w.close();
            };
            platform->ShowModal(c.form);
            EXPECT_EQ(owner.toStdString(), c.form);
            EXPECT_TRUE(ownerShown);
            EXPECT_FALSE(gridShown);
        }
    }
    platform->onFileDialog = nullptr;
    EXPECT_TRUE(platform->leftOpen.empty());
}

TEST_F(DesktopTest, FieldAndAboutWindowsStartAsDesigned) {
    platform->fileAnswers = {Data("field.csv")};
    bool seen = false;
    platform->onModal["TfrmMEETDATA"] = [&](QDialog& w) {
        seen = true;
        EXPECT_EQ(w.windowTitle(), "Field measurements (in auger holes)");
        EXPECT_EQ(w.size(), QSize(529, 470));
        ExpectLooks(
            &w,
            {
                {"rdgrpSEP", " Kies één van de aangetroffen scheidingstekens ", -1, 1, -1, {";"}},
                {"chckbxMultiple", "Treat multiple consecutive delimiters as 1", -1, 1},
                {"btbttnOKLEES", "OK, start reading", 1, 1},
                {"grpbxKOLOM", QString(), -1, 0},
                {"grpbxCENSOR", " Coded numbers ", -1, 0},
                {"btbttnEXITMEETDATA", "Ready!", 0, 1},
            });
        Click(&w, "btbttnOKLEES");
        ExpectLooks(
            &w, {
                    {"lblstrgrdMEETDATA",
                     QString::fromStdString("read field data from " + Data("field.csv")), -1, 1},
                    {"grpbxKOLOM", " File format ", 1, 1},
                    {"cmbbxDatum1", "Date1"},
                    {"cmbbxMeting2", "Meas2"},
                    {"cmbbxINSTRATA", "Stratum"},
                    {"cmbbxDatum3", QString(), -1, 0},
                    {"btbttnOKINDELING", "OK", 1, 1},
                });
        // The title bar closes this window; nothing is handed over.
        w.close();
    };
    platform->ShowModal("TfrmMEETDATA");
    EXPECT_TRUE(seen);
    EXPECT_TRUE(program->meetdata.aborted);
    EXPECT_EQ(platform->dialogs.at(0).title, "Files with field measurements");
    EXPECT_EQ(platform->dialogs.at(0).filters.at(1).description, "Text files (*.txt)");

    seen = false;
    platform->onModal["TfrmAbout"] = [&](QDialog& w) {
        seen = true;
        EXPECT_EQ(w.windowTitle(), "About Tarnovel");
        EXPECT_EQ(w.size(), QSize(434, 232));
        ExpectLooks(&w, {{"bttnOK", "OK", 1, 1},
                         {"ListBox1",
                          QString(),
                          0,
                          1,
                          -1,
                          {"A program to:", "1. Fit the relation between measured water tables",
                           "  at a date and the MxW (in piezometers);",
                           "2. Apply this relation to locations with  ",
                           "   measured water tables at these dates."}},
                         {"lblVERSION", QString("Version ") + tarnovel::kVersion, -1, 1}});
        Click(&w, "bttnOK");
    };
    FindAction(main, "Over1")->trigger();
    EXPECT_TRUE(seen);
    EXPECT_TRUE(platform->leftOpen.empty());
    EXPECT_FALSE(program->aboutView.isVisible());
}

TEST_F(DesktopTest, StatusBarShowsTheHintOfTheControlUnderTheMouse) {
    auto* group = Find<QWidget>(main, "grpbxTABINDEX0");
    struct Case {
        const char* control;  // "" hovers the group's background
        const char* hint;
    };
    const Case cases[] = {
        {"rdbttnFILE", "Selecteer indien gegevens uit een bestand komen"},
        {"", ""},
        {"btbttnFILE", "Attach an ASCII-file"},
        // A control without a hint handler leaves the status bar alone.
        {"Label2", "Attach an ASCII-file"},
        {"rdbttnKEYBOARD", "Selecteer indien gegevens met de hand worden ingevoerd"},
        {"", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.control);
        if (*c.control == '\0')
            Hover(group, QPoint(group->width() - 40, group->height() - 12));
        else
            Hover(Find<QWidget>(main, c.control));
        EXPECT_EQ(Status(), c.hint);
    }

    // Click or focus on a tab-0 selector; the strata choice explains itself
    // with the hint of the strata list behind it.
    LoadPiezometers();
    const Case selectors[] = {
        {"cmbbxPREDICT", "Select variables to be predicted"},
        {"cmbbxSTRATAyesno", "Select if prediction has to be done for all strata separately"},
        {"cmbbxWEIGHTGHG", "Choose weighted/unweighted regression for MHW"},
        {"btbttnOKTABINDEX0", "Push button if all settings are OK"},
    };
    for (const Case& c : selectors) {
        SCOPED_TRACE(c.control);
        auto* w = Find<QWidget>(main, c.control);
        if (qobject_cast<QComboBox*>(w) != nullptr)
            w->setFocus(Qt::TabFocusReason);
        else
            Hover(w);
        EXPECT_EQ(Status(), c.hint);
    }

    // The data window's own status bar, over its controls and background.
    platform->fileAnswers = {Data("piezometers.csv")};
    platform->onModal["TfrmBUISDATA"] = [](QDialog& w) {
        auto* status = Find<QStatusBar>(&w, "stsbrSTAMBUIS");
        Click(&w, "btbttnOKLEES");
        const std::pair<const char*, const char*> hints[] = {
            {"strgrdSTAMBUIS",
             "Table with read piezometer data; you can edit cells and there is a conytext menu "
             "(r. mouse button)"},
            {"btbttnSQRTGVG", "Replace numbers in sdMSW-column by their square root"},
            {"", ""},
            {"lblVARIANCE",
             "Press this button if the right delimiter sign is set and the above option is (or "
             "not) selected"},
            {"btbttnEXITSTAMBUIS", "Press this button if the file format is completely set. "},
        };
        for (const auto& [control, hint] : hints) {
            SCOPED_TRACE(control);
            if (*control == '\0')
                Hover(&w, QPoint(w.width() / 2, w.height() - 32));
            else
                Hover(Find<QWidget>(&w, control));
            EXPECT_EQ(status->currentMessage(), hint);
        }
        Click(&w, "btbttnEXITSTAMBUIS");
    };
    Click(main, "btbttnFILE");
}

// The strata role box of each data window explains itself in the window's
// status bar; disabled (a run without strata) it leaves the mouse to its
// role group.
TEST_F(DesktopTest, StrataRoleBoxShowsItsHint) {
    struct Case {
        const char* form;
        const char* file;
        ComboBox* box;
        const char* status;
        bool enabled;
        const char* hint;
    };
    const Case cases[] = {
        {"TfrmBUISDATA", "piezometers.csv", &program->buisdata.cmbbxINSTRATA, "stsbrSTAMBUIS", true,
         "No strata? Select nothing!"},
        {"TfrmMEETDATA", "field.csv", &program->meetdata.cmbbxINSTRATA, "stsbrMEETDATA", true,
         "no strata? No selection!"},
        {"TfrmMEETDATA", "field.csv", &program->meetdata.cmbbxINSTRATA, "stsbrMEETDATA", false,
         "Set the appropriate column"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.form) + (c.enabled ? " enabled" : " disabled"));
        c.box->enabled = c.enabled;
        platform->fileAnswers = {Data(c.file)};
        QString shown;
        platform->onModal[c.form] = [&](QDialog& w) {
            Click(&w, "btbttnOKLEES");
            Hover(Find<QWidget>(&w, "cmbbxINSTRATA"));
            shown = Find<QStatusBar>(&w, c.status)->currentMessage();
            w.close();
        };
        platform->ShowModal(c.form);
        EXPECT_EQ(shown.toStdString(), c.hint);
    }
    EXPECT_TRUE(platform->leftOpen.empty());
}

// "Help" opens the contents; F1 the topic of the focused control, or of the
// nearest enclosing control that has one.
TEST_F(DesktopTest, HelpOpensAtTheContentsOrTheFocusedControlsTopic) {
    FindAction(main, "Help1")->trigger();
    EXPECT_TRUE(platform->Help().isVisible());
    EXPECT_EQ(platform->Help().topic(), "ZELVIMO.TOC000");
    // The pages are inside the program, and their links lead on.
    EXPECT_EQ(platform->Help().source().toString(), "qrc:/help/contents.html");
    EXPECT_FALSE(platform->Help().documentTitle().isEmpty());
    for (int context : {1, 4, 7, 10, 11, 16, 18, 20, 21, 22, 26}) {
        platform->Help().ShowContext(context);
        EXPECT_EQ(platform->Help().source().toString(),
                  QString("qrc:/help/context-%1.html").arg(context));
        EXPECT_GT(platform->Help().toPlainText().size(), 200) << context;
    }
    platform->Help().ShowContext(22);
    const QString expected = platform->Help().documentTitle();
    platform->Help().ShowContext(16);
    platform->Help().setSource(QUrl("context-22.html"));  // a relative link, as a click gives
    EXPECT_EQ(platform->Help().documentTitle(), expected);
    platform->Help().ShowContext(99);  // no such topic: the contents
    EXPECT_EQ(platform->Help().source().toString(), "qrc:/help/contents.html");

    struct Case {
        const char* control;
        const char* topic;
    };
    for (const Case& c : {Case{"btbttnFILE", "10"}, Case{"tbcntrlZelvimoMAIN", "1"}}) {
        SCOPED_TRACE(c.control);
        main->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        Find<QWidget>(main, c.control)->setFocus(Qt::TabFocusReason);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        EXPECT_EQ(platform->Help().topic(), c.topic);
    }

    // Over a modal window the help window still opens, at that window's topic.
    platform->onModal["TfrmBUISDATA"] = [&](QDialog& w) {
        QTest::keyClick(&w, Qt::Key_F1);
        EXPECT_EQ(platform->Help().topic(), "10");
        EXPECT_TRUE(platform->Help().isVisible());
        Click(&w, "btbttnOKLEES");
    };
    Click(main, "btbttnFILE");
    EXPECT_TRUE(platform->leftOpen.empty());
}

// Typing in the grid edits the table the window hands over; a key first
// clears the marks of the context menu, Escape undoes the edit, and the
// context menu works on the cell under the cursor.
TEST_F(DesktopTest, GridEditsReachTheTable) {
    platform->fileAnswers = {Data("piezometers.csv")};
    platform->onModal["TfrmBUISDATA"] = [&](QDialog& w) {
        TfrmBUISDATA& form = program->buisdata;
        Click(&w, "btbttnOKLEES");
        auto* table = Find<QTableView>(&w, "strgrdSTAMBUIS");
        QAction* convert = FindAction(&w, "Omzettenvanelkekommanaardecimalepunt1");
        convert->trigger();
        EXPECT_TRUE(convert->isChecked());
        EXPECT_EQ(form.strgrdSTAMBUIS.Cell(2, 1), "32.8");

        // Row 1 of the view is record 2 (P02); column 2 its MHW.
        table->setFocus();
        table->setCurrentIndex(table->model()->index(1, 2));
        EXPECT_EQ(form.strgrdSTAMBUIS.col, 2);
        EXPECT_EQ(form.strgrdSTAMBUIS.row, 2);
        TypeKeys("41.5");
        EXPECT_FALSE(convert->isChecked());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();
        EXPECT_EQ(form.strgrdSTAMBUIS.Cell(2, 2), "41.5");

        table->setCurrentIndex(table->model()->index(2, 2));
        TypeKeys("99");
        EXPECT_EQ(form.strgrdSTAMBUIS.Cell(2, 3), "99");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_EQ(form.strgrdSTAMBUIS.Cell(2, 3), "49.5");
        EXPECT_EQ(table->model()->index(2, 2).data().toString(), "49.5");

        // A menu item chosen while a cell is being typed in sees the text.
        table->setCurrentIndex(table->model()->index(0, 1));
        TypeKeys("loam");
        FindAction(&w, "Bewareninbestand1")->trigger();
        EXPECT_NE(Get("buisgrid.csv").find("P01;loam;32.8;"), std::string::npos);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();

        // The record under the cursor goes; the grid follows.
        const int records = table->model()->rowCount();
        FindAction(&w, "Verwijderenrecordmetbuisgegevens1")->trigger();
        EXPECT_EQ(table->model()->rowCount(), records - 1);
        EXPECT_EQ(table->model()->index(0, 0).data().toString(), "P02");
        FindAction(&w, "Toevoegenkolommetmetingen1")->trigger();
        EXPECT_EQ(table->model()->headerData(10, Qt::Horizontal).toString(), "data1");
        EXPECT_TRUE(Items(Find<QWidget>(&w, "lstbxTITELS")).contains("data1"));
        EXPECT_TRUE(form.recordsRemoved);
        EXPECT_TRUE(form.columnsAdded);
        w.close();
    };
    Click(main, "btbttnFILE");
    EXPECT_TRUE(platform->leftOpen.empty());
}

// Only the gauges are painted while the run works; the rest of the window
// catches up when the run is over.
TEST_F(DesktopTest, RunRepaintsOnlyItsGauges) {
    LoadPiezometers();
    QApplication::processEvents();
    auto* button = Find<QWidget>(main, "btbttnOKTABINDEX0");
    struct PaintLog : QObject {
        QWidget* window = nullptr;
        QRegion allowed;
        std::map<QString, std::vector<int>> gauges;
        std::vector<std::string> outside;
        bool eventFilter(QObject* o, QEvent* e) override {
            auto* w = qobject_cast<QWidget*>(o);
            if (e->type() != QEvent::Paint || w == nullptr || w->window() != window) return false;
            if (auto* gauge = qobject_cast<QProgressBar*>(w))
                gauges[w->objectName()].push_back(gauge->value());
            const QRect painted =
                static_cast<QPaintEvent*>(e)->rect().translated(w->mapTo(window, QPoint(0, 0)));
            if (!allowed.contains(painted)) outside.push_back(w->objectName().toStdString());
            return false;
        }
    } log;
    log.window = main;
    // The click itself leaves the pressed button and the control that loses
    // the focus to it to be drawn; nothing else may be.
    for (QWidget* w : {Find<QWidget>(main, "ggPROGRESS"), Find<QWidget>(main, "ggVoortgang"),
                       button, QApplication::focusWidget()})
        if (w != nullptr) log.allowed += QRect(w->mapTo(main, QPoint(0, 0)), w->size());
    qApp->installEventFilter(&log);
    Click(button);
    qApp->removeEventFilter(&log);

    const std::vector<int>& progress = log.gauges["ggPROGRESS"];
    ASSERT_GE(progress.size(), 2u);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_EQ(progress.back(), 100);
    // The milestone gauge moves with the new session.
    EXPECT_FALSE(log.gauges["ggVoortgang"].empty());
    EXPECT_EQ(log.outside, std::vector<std::string>());
    // Afterwards the window shows the run's end: tab 1, enabled.
    QApplication::processEvents();
    EXPECT_EQ(Find<QTabBar>(main, "tbcntrlZelvimoMAIN")->currentIndex(), 1);
    EXPECT_TRUE(Find<QWidget>(main, "grpbxTABINDEX1")->isVisible());
    EXPECT_TRUE(Find<QWidget>(main, "grpbxTABINDEX1")->isEnabled());
}

// An input/output failure ends the action with its message; the window
// stays usable and the user goes on.
TEST_F(DesktopTest, InputOutputErrorsAreShownAndTheProgramGoesOn) {
    const std::string vanishing = (fs::current_path() / "vanishing.csv").string();
    fs::copy_file(Data("piezometers.csv"), vanishing);
    platform->fileAnswers = {vanishing};
    platform->onModal["TfrmBUISDATA"] = [&](QDialog& w) {
        fs::remove(vanishing);
        Click(&w, "btbttnOKLEES");
        ASSERT_EQ(platform->messages.size(), 1u);
        EXPECT_NE(platform->messages[0].find(vanishing), std::string::npos);
        EXPECT_NE(platform->messages[0].find("No such file"), std::string::npos);
        // The window offers its way out, and it works.
        EXPECT_EQ(Find<QPushButton>(&w, "btbttnOKLEES")->text(), "No input; abort");
        Click(&w, "btbttnOKLEES");
    };
    Click(main, "btbttnFILE");
    EXPECT_TRUE(platform->leftOpen.empty());
    EXPECT_FALSE(Find<QWidget>(main, "btbttnOKTABINDEX0")->isEnabled());

    // Saving the grid where a folder of that name stands fails; no success
    // message, no check mark, and "Ready!" still hands the table over.
    fs::create_directory("buisgrid.csv");
    platform->messages.clear();
    platform->fileAnswers = {Data("piezometers.csv")};
    platform->onModal["TfrmBUISDATA"] = [&](QDialog& w) {
        Click(&w, "btbttnOKLEES");
        QAction* save = FindAction(&w, "Bewareninbestand1");
        save->trigger();
        ASSERT_EQ(platform->messages.size(), 1u);
        EXPECT_NE(platform->messages[0].find("buisgrid.csv"), std::string::npos);
        EXPECT_EQ(platform->messages[0].find("Current data set written"), std::string::npos);
        EXPECT_FALSE(save->isChecked());
        Select(&w, "lstbxTITELS", {"14-04-2003"});
        Click(&w, "btbttnADD");
        Click(&w, "btbttnEXITSTAMBUIS");
    };
    Click(main, "btbttnFILE");
    EXPECT_TRUE(platform->leftOpen.empty());
    EXPECT_TRUE(Find<QWidget>(main, "btbttnOKTABINDEX0")->isEnabled());
    EXPECT_FALSE(Find<QWidget>(main, "strgrdBUISDATA")->isHidden());
}

// ---------------------------------------------------------------------------
// The same choices made in the windows and given to the batch tool leave the
// same files.

std::string Read(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The time a log was written is the only thing allowed to differ.
std::string MaskTimes(const std::string& text) {
    static const QRegularExpression stamps(R"(\d\d-\d\d-\d\d\d\d|\d\d:\d\d:\d\d|\d\dh\d\dm\d\ds)");
    return QString::fromStdString(text).replace(stamps, "<time>").toStdString();
}

// Every file below dir, by its name with times masked, with its content
// (masked too in logs).
std::map<std::string, std::string> Tree(const fs::path& dir) {
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(dir)) {
        if (!entry.is_regular_file()) continue;
        const std::string name = MaskTimes(fs::relative(entry.path(), dir).string());
        const std::string content = Read(entry.path());
        files[name] = entry.path().extension() == ".log" ? MaskTimes(content) : content;
    }
    return files;
}

TEST_F(DesktopTest, WorkflowLeavesTheFilesTheBatchToolLeaves) {
    LoadPiezometers();
    Choose(main, "cmbbxSTRATAyesno", "all strata separately");
    Click(main, "btbttnOKTABINDEX0");

    // Every result shown, as the batch tool's --plots does.
    auto* strata = Find<QComboBox>(main, "cmbbxSTRATA2");
    auto* kinds = Find<QComboBox>(main, "cmbbxGxG");
    auto* dates = Find<QComboBox>(main, "cmbbxDATUM1");
    int shown = 0;
    std::string lastPicture;
    for (const QString& stratum : Items(strata)) {
        Choose(main, "cmbbxSTRATA2", stratum);
        for (const QString& kind : Items(kinds)) {
            Choose(main, "cmbbxGxG", kind);
            for (const QString& date : Items(dates)) {
                Choose(main, "cmbbxDATUM1", date);
                Click(main, "btbttnSHOW");
                ++shown;
                const std::string key = program->main.lstbxTMP.items.at(
                    static_cast<std::size_t>(dates->currentIndex()));
                lastPicture =
                    stratum.toStdString() + "-" + key + "-" + kind.toStdString() + "-ong.wmf";
            }
        }
    }
    EXPECT_EQ(shown, 2 * 3 * 3);
    // The scatterplot on screen is the picture saved last.
    auto* plot = Find<QLabel>(main, "imgFIT");
    ASSERT_TRUE(plot->isVisible());
    const QImage saved(QString::fromStdString(lastPicture));
    ASSERT_FALSE(saved.isNull()) << lastPicture;
    EXPECT_EQ(plot->pixmap().toImage().convertToFormat(QImage::Format_RGB32),
              saved.convertToFormat(QImage::Format_RGB32));

    // The prediction: the field table with its "deeper than" codes kept as
    // censored values and the others made missing, then the defaults.
    SelectTab(main, 2);
    PredictField();
    // The codes the user turned into "missing" were told as the tables were
    // taken over, each in a warning box.
    ASSERT_EQ(platform->messages.size(), 3u);
    EXPECT_EQ(platform->messages[0],
              "Warning: the code \"-9999\" was turned into \"missing\" in 2 cells.");
    EXPECT_EQ(platform->messages[1],
              "Warning: the code \"?\" was turned into \"missing\" in 1 cell.");
    EXPECT_EQ(platform->messages[2].rfind("Results stored in Session  2 Predict.csv", 0), 0u);
    EXPECT_EQ(platform->icons,
              (std::vector<QMessageBox::Icon>{QMessageBox::Warning, QMessageBox::Warning,
                                              QMessageBox::Information}));
    main->close();

    const fs::path desktop = fs::current_path();
    const fs::path batch = desktop / "batch";
    fs::create_directory(batch);
    const std::string command = std::string("\"") + TARNOVEL_CLI + "\" run --workdir \"" +
                                batch.string() + "\" --piezometers \"" + Data("piezometers.csv") +
                                "\" --dates 14-04-2003,01-02-2003 --comma-to-point --missing "
                                "-9999 --strata-separately --plots --field \"" +
                                Data("field.csv") +
                                "\" --code '>120=>120' --code '> 120=>120' "
                                "> /dev/null";
    ASSERT_EQ(std::system(command.c_str()), 0);

    std::map<std::string, std::string> ours = Tree(desktop);
    for (auto it = ours.begin(); it != ours.end();)
        it = it->first.rfind("batch/", 0) == 0 ? ours.erase(it) : std::next(it);
    const std::map<std::string, std::string> theirs = Tree(batch);
    std::vector<std::string> ourNames, theirNames;
    for (const auto& [name, content] : ours)
        ourNames.push_back(name);
    for (const auto& [name, content] : theirs)
        theirNames.push_back(name);
    ASSERT_EQ(ourNames, theirNames);
    EXPECT_GT(ourNames.size(), 20u);
    for (const auto& [name, content] : ours)
        EXPECT_TRUE(content == theirs.at(name)) << name << " differs";
}

// An error of the run itself (a weighted job whose record holds "missing" as
// its sd) ends the desktop program's run with the log and the job files of
// that run; the batch tool, given a field table too, leaves the same.
TEST_F(DesktopTest, AnErrorOfTheRunLeavesWhatTheBatchToolLeaves) {
    fs::create_directory("input");
    std::string table = Read(Data("piezometers.csv"));
    const std::size_t p02 = table.find("P02;clay;29,1;10,6;");
    ASSERT_NE(p02, std::string::npos);
    table.replace(p02, 19, "P02;clay;29,1;missing;");
    const std::string input = (fs::current_path() / "input" / "piezometers.csv").string();
    std::ofstream(input, std::ios::binary) << table;

    LoadPiezometers(input);
    Choose(main, "cmbbxWEIGHTGHG", "weighted regression");
    Click(main, "btbttnOKTABINDEX0");
    ASSERT_FALSE(platform->messages.empty());
    EXPECT_NE(platform->messages.back().find("missing"), std::string::npos);
    main->close();

    const fs::path desktop = fs::current_path();
    const fs::path batch = desktop / "batch";
    fs::create_directory(batch);
    const std::string command = std::string("\"") + TARNOVEL_CLI + "\" run --workdir \"" +
                                batch.string() + "\" --piezometers \"" + input +
                                "\" --dates 14-04-2003,01-02-2003 --comma-to-point --missing "
                                "-9999 --weighted --field \"" +
                                Data("field.csv") + "\" > /dev/null 2>&1";
    EXPECT_EQ(WEXITSTATUS(std::system(command.c_str())), 1);

    std::map<std::string, std::string> ours = Tree(desktop);
    for (auto it = ours.begin(); it != ours.end();)
        it = it->first.rfind("batch/", 0) == 0 || it->first.rfind("input/", 0) == 0 ? ours.erase(it)
                                                                                    : std::next(it);
    const std::map<std::string, std::string> theirs = Tree(batch);
    std::vector<std::string> ourNames, theirNames;
    for (const auto& [name, content] : ours)
        ourNames.push_back(name);
    for (const auto& [name, content] : theirs)
        theirNames.push_back(name);
    ASSERT_EQ(ourNames, theirNames);
    EXPECT_TRUE(std::any_of(ourNames.begin(), ourNames.end(), [](const std::string& n) {
        return n.size() > 4 && n.substr(n.size() - 4) == ".dat";
    }));
    for (const auto& [name, content] : ours)
        EXPECT_TRUE(content == theirs.at(name)) << name << " differs";
}

// Information, warnings and errors each show their own icon. The warnings on
// a table taken over come together in one box; each of them, and the error
// that ends the run, is a line of the log as well.
TEST_F(DesktopTest, MessageBoxesShowTheIconOfTheirKind) {
    platform->fileAnswers = {Data("piezometers.csv")};
    platform->onModal["TfrmBUISDATA"] = [](QDialog& w) {
        Click(&w, "btbttnOKLEES");
        FindAction(&w, "Bewareninbestand1")->trigger();
        Select(&w, "lstbxTITELS", {"14-04-2003", "01-02-2003"});
        Click(&w, "btbttnADD");
        Click(&w, "btbttnEXITSTAMBUIS");
    };
    Click(main, "btbttnFILE");
    ASSERT_EQ(platform->messages.size(), 2u);
    EXPECT_EQ(platform->messages[0], "Current data set written to <buisgrid.csv>");
    const std::string warnings = platform->messages[1];
    for (const char* warning :
         {"Warning: column \"MHW\" holds -9999 in 1 cell, which looks like a missing-data code",
          "Warning: column \"01-02-2003\" holds -9999 in 1 cell",
          "Warning: column \"MHW\" holds numbers written with a decimal comma (15 cells, such as "
          "\"32,8\")"})
        EXPECT_NE(warnings.find(warning), std::string::npos) << warning << "\n" << warnings;

    Click(main, "btbttnOKTABINDEX0");
    ASSERT_EQ(platform->messages.size(), 3u);
    const std::string error = platform->messages[2];
    EXPECT_EQ(error.rfind("Invalid numeric input in piezometers.csv, line 2, column ", 0), 0u)
        << error;
    EXPECT_NE(error.find("(decimal comma? use 'Convert comma's (,) to decimal dot (.)')"),
              std::string::npos)
        << error;
    EXPECT_EQ(platform->icons,
              (std::vector<QMessageBox::Icon>{QMessageBox::Information, QMessageBox::Warning,
                                              QMessageBox::Critical}));

    const std::string log = Read(program->main.LogFileName());
    std::size_t start = 0;
    int warningLines = 0;
    while ((start = warnings.find("Warning: ", start)) != std::string::npos) {
        const std::size_t end = warnings.find('\n', start);
        const std::string line = warnings.substr(start, end - start);
        EXPECT_NE(log.find("\r\n" + line + "\r\n"), std::string::npos) << line;
        ++warningLines;
        start = end == std::string::npos ? warnings.size() : end;
    }
    EXPECT_GT(warningLines, 2);
    EXPECT_NE(log.find("\r\nError: " + error + "\r\n"), std::string::npos) << log;
}

}  // namespace
}  // namespace tarnovel
