#include "ui/main_view.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <QTimer>

#include "shell/main_form.h"
#include "ui/binder.h"
#include "ui/overview_view.h"
#include "ui/predictions_view.h"
#include "ui/widget_kit.h"

namespace tarnovel {

namespace {

// The client area below the menu bar: the tab control, the progress group
// and the status bar.
constexpr int kClientWidth = TfrmZelvimoMAIN::clientWidth;
constexpr int kClientHeight = TfrmZelvimoMAIN::clientHeight;
constexpr int kStatusHeight = 19;
constexpr int kTabControlHeight = 393;
constexpr int kTabBarHeight = 24;

const QColor kGreen(0, 128, 0);
const QColor kNavy(0, 0, 128);
const QColor kBlue(0, 0, 255);

// Which handler answers which user action: the only glue of this window.
std::vector<Route> MainRoutes(TfrmZelvimoMAIN& f) {
    using F = TfrmZelvimoMAIN;
    using E = UserEvent;
    return RoutesOf<F>(
        f, {
               {"Help1", E::Click, &F::Help1Click},
               {"Over1", E::Click, &F::Over1Click},
               {"tbcntrlZelvimoMAIN", E::Change, &F::tbcntrlZelvimoMAINChange},
               {"grpbxTABINDEX0", E::MouseMove, &F::grpbxTABINDEX0MouseMove},
               {"grpbxTABINDEX1", E::MouseMove, &F::grpbxTABINDEX1MouseMove},
               {"grpbxTABINDEX2", E::MouseMove, &F::grpbxTABINDEX2MouseMove},

               // Tab 0.
               {"rdbttnFILE", E::Click, &F::rdbttnFILEClick},
               {"rdbttnFILE", E::MouseMove, &F::rdbttnFILEMouseMove},
               {"btbttnFILE", E::Click, &F::btbttnFILEClick},
               {"btbttnFILE", E::MouseMove, &F::btbttnFILEMouseMove},
               {"rdbttnKEYBOARD", E::Click, &F::rdbttnKEYBOARDClick},
               {"rdbttnKEYBOARD", E::MouseMove, &F::rdbttnKEYBOARDMouseMove},
               {"btbttnSTRUCTUUR", E::Click, &F::btbttnSTRUCTUURClick},
               {"btbttnSTRUCTUUR", E::MouseMove, &F::btbttnSTRUCTUURMouseMove},
               {"cmbbxPREDICT", E::Change, &F::cmbbxPREDICTChange},
               {"cmbbxPREDICT", E::Click, &F::cmbbxPREDICTClick},
               {"cmbbxPREDICT", E::Enter, &F::cmbbxPREDICTClick},
               {"cmbbxSTRATAyesno", E::Change, &F::cmbbxSTRATAyesnoChange},
               {"cmbbxSTRATAyesno", E::Click, &F::cmbbxSTRATAClick},
               {"cmbbxSTRATAyesno", E::Enter, &F::cmbbxSTRATAClick},
               {"cmbbxSTRATA", E::Click, &F::cmbbxSTRATAClick},
               {"cmbbxSTRATA", E::Enter, &F::cmbbxSTRATAClick},
               {"cmbbxWEIGHTGHG", E::Change, &F::cmbbxWEIGHTGHGChange},
               {"cmbbxWEIGHTGHG", E::Click, &F::cmbbxWEIGHTGHGClick},
               {"cmbbxWEIGHTGHG", E::Enter, &F::cmbbxWEIGHTGHGClick},
               {"CMBBXWEIGHTGVG", E::Change, &F::CMBBXWEIGHTGVGChange},
               {"CMBBXWEIGHTGVG", E::Click, &F::CMBBXWEIGHTGVGClick},
               {"CMBBXWEIGHTGVG", E::Enter, &F::CMBBXWEIGHTGVGClick},
               // Focus to the MLW weighting copies the weighting instead of
               // showing a hint.
               {"cmbbxWEIGHTGLG", E::Change, &F::cmbbxWEIGHTGLGChange},
               {"cmbbxWEIGHTGLG", E::Click, &F::cmbbxWEIGHTGLGClick},
               {"cmbbxWEIGHTGLG", E::Enter, &F::cmbbxWEIGHTGLGChange},
               {"btbttnOKTABINDEX0", E::Click, &F::btbttnOKTABINDEX0Click},
               {"btbttnOKTABINDEX0", E::MouseMove, &F::btbttnOKTABINDEX0MouseMove},

               // Tab 1.
               {"cmbbxSTRATA2", E::Change, &F::cmbbxSTRATA2Change},
               {"cmbbxSTRATA2", E::Click, &F::cmbbxSTRATA2Click},
               {"cmbbxSTRATA2", E::Enter, &F::cmbbxSTRATA2Enter},
               {"cmbbxGxG", E::Change, &F::cmbbxGxGChange},
               {"cmbbxGxG", E::Click, &F::cmbbxGxGClick},
               {"cmbbxGxG", E::Enter, &F::cmbbxGxGEnter},
               {"cmbbxDATUM1", E::Change, &F::cmbbxDATUM1Change},
               {"cmbbxDATUM1", E::Click, &F::cmbbxDATUM1Click},
               {"cmbbxDATUM1", E::Enter, &F::cmbbxDATUM1Enter},
               {"btbttnSHOW", E::Click, &F::btbttnSHOWClick},
               {"btbttnSHOW", E::MouseMove, &F::btbttnSHOWMouseMove},
               {"btbttnOVERVIEW", E::MouseMove, &F::btbttnOVERVIEWMouseMove},
               {"strgrdFIT", E::MouseMove, &F::strgrdFITMouseMove},
               {"imgFIT", E::MouseMove, &F::imgFITMouseMove},

               // Tab 2.
               {"btbttnKOPPELMETINGEN", E::Click, &F::btbttnKOPPELMETINGENClick},
               {"btbttnKOPPELMETINGEN", E::MouseMove, &F::btbttnKOPPELMETINGENMouseMove},
               {"edtNAAMRESULT", E::Enter, &F::edtNAAMRESULTEnter},
               {"cmbbxTEVOORSPELLEN", E::Enter, &F::cmbbxTEVOORSPELLENEnter},
               {"btbttnOKVERPLICHT", E::Click, &F::btbttnOKVERPLICHTClick},
               {"btbttnOKVERPLICHT", E::MouseMove, &F::btbttnOKVERPLICHTMouseMove},
               {"chckbxSTRATAAPART", E::MouseMove, &F::chckbxSTRATAAPARTMouseMove},
               {"chckbxMAXLIKELI", E::Click, &F::chckbxMAXLIKELIClick},
               {"chckbxMAXLIKELI", E::MouseMove, &F::chckbxMAXLIKELIMouseMove},
               {"chckbxEXACTML", E::MouseMove, &F::chckbxEXACTMLMouseMove},
               {"btbttnSTARTPREDICT", E::Click, &F::btbttnSTARTPREDICTClick},
               {"btbttnSTARTPREDICT", E::MouseMove, &F::btbttnSTARTPREDICTMouseMove},
           });
}

QLabel* PutLabel(QWidget* parent, const char* name, int x, int y, int width, int height = 16) {
    return Put<QLabel>(parent, name, x, y, width, height);
}

}  // namespace

MainView::MainView(TfrmZelvimoMAIN& form, QtPlatform& platform) : form_(form), platform_(platform) {
    setObjectName(QString::fromUtf8(TfrmZelvimoMAIN::formName.data(),
                                    static_cast<qsizetype>(TfrmZelvimoMAIN::formName.size())));
    setWindowTitle(QString::fromUtf8(TfrmZelvimoMAIN::caption.data(),
                                     static_cast<qsizetype>(TfrmZelvimoMAIN::caption.size())));
    setWindowIcon(QIcon(ProgramPicture(64)));
    Build();
    binder_ = new Binder(
        this, [this](ControlVisitor& v) { form_.forEachControl(v); }, MainRoutes(form_),
        [this](const std::function<void()>& handler) { platform_.Run(handler); });

    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this, [this] { HelpForFocus(); });
    platform_.SetMainForm(&form_);
    platform_.AddView(this);
}

MainView::~MainView() = default;

std::string MainView::FormName() const {
    return std::string(TfrmZelvimoMAIN::formName);
}

void MainView::Build() {
    QMenuBar* menu = menuBar();
    menu->addAction("Help")->setObjectName("Help1");
    menu->addAction("About...")->setObjectName("Over1");
    // The overview and the predictions are views of the last run and the
    // last prediction: they open their windows themselves.
    QAction* overview = menu->addAction("Overview of regressions...");
    overview->setObjectName("Overview1");
    overview->setVisible(false);
    connect(overview, &QAction::triggered, this, [this] { ShowOverview(this, form_, platform_); });
    QAction* predictions = menu->addAction("Predictions...");
    predictions->setObjectName("actionPREDICTIONS");
    predictions->setVisible(false);
    connect(predictions, &QAction::triggered, this,
            [this] { ShowPredictions(this, form_, platform_); });

    // The window opens at the size it was laid out for and may grow; the
    // tables and the picture take what it grows by.
    auto* client = new QWidget(this);
    client->setObjectName("client");
    client->setMinimumSize(kClientWidth, kClientHeight - kStatusHeight);
    client->resize(kClientWidth, kClientHeight - kStatusHeight);
    setCentralWidget(client);
    Anchors& anchors = AnchorsOf(this);

    // The tab control: the tabs above a pane on which the three tab groups
    // lie on the same spot; the form model decides which one shows.
    auto* tabs = Put<QTabBar>(client, "tbcntrlZelvimoMAIN", 2, 1, kClientWidth - 4, kTabBarHeight);
    tabs->setDrawBase(false);
    anchors.Add(tabs, kGrowWidth);
    auto* pane = new QFrame(client);
    pane->setFrameShape(QFrame::StyledPanel);
    pane->setGeometry(0, kTabBarHeight, kClientWidth, kTabControlHeight - kTabBarHeight);
    anchors.Add(pane, kGrow);

    struct Tab {
        const char* name;
        void (MainView::*build)(QWidget*);
    };
    for (const Tab& tab : {Tab{"grpbxTABINDEX0", &MainView::BuildTabZero},
                           Tab{"grpbxTABINDEX1", &MainView::BuildTabOne},
                           Tab{"grpbxTABINDEX2", &MainView::BuildTabTwo}}) {
        auto* group = Put<QGroupBox>(pane, tab.name, 7, 3, 640, 361);
        anchors.Add(group, kGrow);
        (this->*tab.build)(group);
    }
    auto* progress = Put<QGroupBox>(client, "grpbxSTATUS", 7, kTabControlHeight + 3, 641, 81);
    BuildProgress(progress);
    anchors.Add(progress, kMoveDown);

    auto* status = new QStatusBar(this);
    status->setObjectName("sttsbrSTATUS");
    status->setSizeGripEnabled(false);
    status->setFixedHeight(kStatusHeight);
    setStatusBar(status);
}

void MainView::BuildTabZero(QWidget* g) {
    Put<QRadioButton>(g, "rdbttnFILE", 16, 22, 128, 20);
    Put<QPushButton>(g, "btbttnFILE", 150, 19, 100, 26);
    Put<QRadioButton>(g, "rdbttnKEYBOARD", 16, 54, 128, 20);
    Put<QPushButton>(g, "btbttnSTRUCTUUR", 150, 51, 100, 26);

    PutLabel(g, "Label2", 16, 98, 130);
    Put<QComboBox>(g, "cmbbxPREDICT", 150, 94, 150, 24);
    Put<QCheckBox>(g, "chckbxCONST", 16, 262, 200, 20);

    PutLabel(g, "Label5", 16, 128, 130);
    PutLabel(g, "Label6", 16, 142, 130);
    Put<QComboBox>(g, "cmbbxSTRATAyesno", 150, 130, 150, 24);
    Put<QComboBox>(g, "cmbbxSTRATA", 150, 130, 150, 24);

    PutLabel(g, "Label7", 16, 176, 40);
    Put<QComboBox>(g, "cmbbxWEIGHTGHG", 60, 172, 180, 24);
    PutLabel(g, "Label8", 16, 206, 40);
    Put<QComboBox>(g, "CMBBXWEIGHTGVG", 60, 202, 180, 24);
    PutLabel(g, "Label9", 16, 236, 40);
    Put<QComboBox>(g, "cmbbxWEIGHTGLG", 60, 232, 180, 24);

    Put<QPushButton>(g, "btbttnOKTABINDEX0", 16, 276, 292, 30);

    auto* progress = PutLabel(g, "lblPROGRESS", 16, 324, 178);
    progress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    SetTextColour(progress, kBlue);
    StyleGauge(Put<QProgressBar>(g, "ggPROGRESS", 202, 322, 100, 20), kBlue);

    // The piezometer table as loaded, read-only, in a small font.
    auto* table = Put<QTableView>(g, "strgrdBUISDATA", 318, 16, 314, 337);
    AnchorsOf(this).Add(table, kGrow);
    MakeReadOnly(table);
    SetRowHeight(table, 18);
    QFont small = table->font();
    small.setPixelSize(10);
    table->setFont(small);
    ScaleColumns(table, 1.1);

    Put<QPlainTextEdit>(g, "mmDelete", 16, 322, 100, 30)->setLineWrapMode(QPlainTextEdit::NoWrap);
}

void MainView::BuildTabOne(QWidget* g) {
    PutLabel(g, "Label10", 16, 20, 160);
    Put<QComboBox>(g, "cmbbxSTRATA2", 16, 37, 170, 24);
    PutLabel(g, "Label11", 16, 70, 160);
    Put<QComboBox>(g, "cmbbxGxG", 16, 87, 170, 24);
    PutLabel(g, "Label12", 16, 120, 160);
    Put<QComboBox>(g, "cmbbxDATUM1", 16, 137, 170, 24);
    Put<QPushButton>(g, "btbttnSHOW", 16, 172, 170, 28);
    connect(Put<QPushButton>(g, "btbttnOVERVIEW", 192, 172, 90, 28), &QPushButton::clicked, this,
            [this] { ShowOverview(this, form_, platform_); });

    // The statistics in a smaller font, so that eight characters fit the
    // form's column widths; the last column takes what is left.
    auto* fit = Put<QTableView>(g, "strgrdFIT", 8, 208, 274, 148);
    MakeReadOnly(fit);
    SetRowHeight(fit, 18);
    QFont small = fit->font();
    small.setPixelSize(10);
    fit->setFont(small);
    fit->horizontalHeader()->setStretchLastSection(true);
    fit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    fit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* plot = Put<ScalingPictureBox>(g, "imgFIT", 288, 6, 350, 350);
    plot->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    AnchorsOf(this).Add(plot, kGrow);
    Put<QListWidget>(g, "lstbxTMP", 200, 20, 60, 40);
}

void MainView::BuildTabTwo(QWidget* g) {
    Put<QPushButton>(g, "btbttnKOPPELMETINGEN", 16, 18, 80, 26);
    PutLabel(g, "Label13", 104, 23, 200);

    auto* mandatory = Put<QGroupBox>(g, "grpbxVERPLICHT", 8, 52, 280, 196);
    PutLabel(mandatory, "Label14", 10, 20, 250);
    Put<QLineEdit>(mandatory, "edtNAAMRESULT", 10, 37, 260, 24);
    PutLabel(mandatory, "Label4", 10, 74, 130);
    PutLabel(mandatory, "Label16", 10, 89, 130);
    Put<RadioGroupBox>(mandatory, "rdgrpPREDSEP", 138, 68, 134, 40, 3);
    PutLabel(mandatory, "Label15", 10, 118, 200);
    Put<QComboBox>(mandatory, "cmbbxTEVOORSPELLEN", 10, 135, 170, 24);
    Put<QPushButton>(mandatory, "btbttnOKVERPLICHT", 190, 160, 80, 26);

    auto* optional = Put<QGroupBox>(g, "grpbxFACULTATIEF", 294, 52, 338, 196);
    Put<QCheckBox>(optional, "chckbxSTRATAAPART", 8, 20, 326, 20);
    Put<QCheckBox>(optional, "chckbxMAXLIKELI", 8, 44, 326, 20);
    PutLabel(optional, "Label3", 8, 70, 322);
    // The option it refines fills its row and the list's caption most of the
    // next: the free end of the row above, over the end of that option.
    Put<QCheckBox>(optional, "chckbxEXACTML", 180, 20, 152, 20);
    Put<QListWidget>(optional, "lstbxMLNODIG", 8, 88, 322, 100);

    auto* table = Put<QTableView>(g, "strgrdMEETDATA", 8, 256, 280, 98);
    MakeReadOnly(table);
    SetRowHeight(table, 18);
    QFont small = table->font();
    small.setPixelSize(10);
    table->setFont(small);
    ScaleColumns(table, 1.1);

    Put<QPushButton>(g, "btbttnSTARTPREDICT", 294, 262, 180, 30);
    auto* progress = PutLabel(g, "Label17", 294, 308, 226);
    progress->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    StyleGauge(Put<QProgressBar>(g, "ggPROGRESSPREDICT", 528, 306, 100, 20), kBlue);

    auto* predictions = Put<QPushButton>(g, "btnPREDICTIONS", 480, 262, 148, 30);
    predictions->setText("Show predictions...");
    predictions->setVisible(false);
    connect(predictions, &QPushButton::clicked, this,
            [this] { ShowPredictions(this, form_, platform_); });

    // The field table takes what the window grows by; what stands beside
    // it moves along with its right edge.
    Anchors& anchors = AnchorsOf(this);
    anchors.Add(table, kGrow);
    anchors.Add(optional, kGrowWidth);
    anchors.Add(optional->findChild<QWidget*>("lstbxMLNODIG"), kGrowWidth);
    for (const char* name :
         {"btbttnSTARTPREDICT", "Label17", "ggPROGRESSPREDICT", "btnPREDICTIONS"})
        anchors.Add(g->findChild<QWidget*>(name), kMoveRight);
}

void MainView::BuildProgress(QWidget* g) {
    // Headings over the two halves of the workflow, the steps with arrows
    // between them, and the milestone gauge under the steps: the gauge's
    // positions end just past the step reached.
    auto heading = [&](const char* name, int left, int right, const QColor& colour) {
        auto* label = PutLabel(g, name, left, 19, right - left, 16);
        QFont font = label->font();
        font.setBold(true);
        font.setPointSizeF(font.pointSizeF() + 1.5);
        label->setFont(font);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        SetTextColour(label, colour);
    };
    heading("StaticText1", 141, 368, kGreen);
    heading("StaticText4", 406, 569, kNavy);

    auto step = [&](const char* name, int left, int right, const QColor& colour) {
        auto* label = PutLabel(g, name, left, 37, right - left, 16);
        SetItalic(label);
        label->setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
        SetTextColour(label, colour);
    };
    auto arrow = [&](const char* name, int left, int right) {
        auto* picture = Put<PictureBox>(g, name, left, 37, right - left, 16);
        picture->setPixmap(ArrowPicture(right - left, 16));
    };
    const QColor black(Qt::black);
    step("StaticText2", 4, 49, black);
    arrow("Image1", 55, 85);
    step("StaticText3", 91, 145, kGreen);
    arrow("Image2", 151, 181);
    step("StaticText5", 186, 250, kGreen);
    arrow("Image3", 254, 284);
    step("StaticText6", 294, 346, kGreen);
    arrow("Image4", 378, 408);
    step("StaticText7", 423, 548, kNavy);
    arrow("Image5", 559, 589);
    step("StaticText8", 599, 638, black);

    StyleGauge(Put<QProgressBar>(g, "ggVoortgang", 4, 57, 632, 15), QColor(0, 0, 160));
}

void MainView::Refresh() {
    binder_->Refresh();
    const bool predicted = HasPredictions(form_);
    if (auto* item = findChild<QAction*>("actionPREDICTIONS"); item->isVisible() != predicted)
        item->setVisible(predicted);
    if (auto* button = findChild<QWidget*>("btnPREDICTIONS"); button->isHidden() == predicted)
        button->setVisible(predicted);
    // Open views follow a new run or prediction; a view of the same one
    // keeps its sorting and selection.
    if (OverviewView* overview = FindOverview(this); overview && overview->isVisible())
        overview->Update();
    if (PredictionsView* view = FindPredictions(this); view && view->isVisible()) view->Update();
}

void MainView::Start() {
    show();
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    activateWindow();
    // A desktop without a window manager may never make the window active;
    // start-up still happens once the event loop runs.
    QTimer::singleShot(0, this, [this] { Activated(); });
}

void MainView::Activated() {
    if (activated_) return;
    activated_ = true;
    platform_.Run([this] { form_.FormActivate(); });
}

bool MainView::event(QEvent* event) {
    switch (event->type()) {
        case QEvent::WindowActivate:
            Activated();
            break;
        case QEvent::StatusTip:
            // Hints live in the status bar only as the form model puts them
            // there; menus must not overwrite them with their own tips.
            return true;
        default:
            break;
    }
    return QMainWindow::event(event);
}

void MainView::closeEvent(QCloseEvent* event) {
    if (!closed_) {
        closed_ = true;
        platform_.Run([this] { form_.FormClose(); });
        platform_.CloseHelp();
    }
    event->accept();
}

void MainView::HelpForFocus() {
    const std::string control = binder_->ControlAt(QApplication::focusWidget());
    platform_.Run([&] { form_.HelpForControl(control); });
}

}  // namespace tarnovel
