#include "ui/data_views.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QShortcut>
#include <QStatusBar>
#include <QTableView>
#include <QTimer>

#include "tables/buisdata_form.h"
#include "tables/meetdata_form.h"
#include "ui/widget_kit.h"

namespace tarnovel {

namespace {

constexpr int kStatusHeight = 19;
constexpr int kGridRowHeight = 15;

const char* const kMenuItems[] = {
    "Toevoegenrecordmetbuisgegevens1",
    "Verwijderenrecordmetbuisgegevens1",
    "Toevoegenkolommetmetingen1",
    "Verwijderenkolomonderdecursor1",
    "Omzettenvanelkekommanaardecimalepunt1",
    "Bewareninbestand1",
};

// The names of a form's controls, in its order.
std::vector<std::string> ControlNames(const std::function<void(ControlVisitor&)>& controls) {
    struct Names : ControlVisitor {
        void Visit(std::string_view name, Control&) override { names.emplace_back(name); }
        std::vector<std::string> names;
    } names;
    controls(names);
    return names.names;
}

// The mouse over any control goes to the form's one mouse-move handler,
// which knows whose hint to show; over the window's background the status
// bar empties.
template <class Form>
void AddMouseRoutes(std::vector<Route>& routes, Form& form,
                    const std::function<void(ControlVisitor&)>& controls) {
    for (const std::string& name : ControlNames(controls))
        routes.push_back(
            {name, UserEvent::MouseMove, [&form, name] { form.ControlMouseMove(name); }});
    routes.push_back({"", UserEvent::MouseMove, [&form] { form.FormMouseMove(); }});
}

template <class Form>
std::vector<Route> GridMenuRoutes(Form& f) {
    using E = UserEvent;
    return RoutesOf<Form>(
        f, {
               {"Toevoegenrecordmetbuisgegevens1", E::Click,
                &Form::Toevoegenrecordmetbuisgegevens1Click},
               {"Verwijderenrecordmetbuisgegevens1", E::Click,
                &Form::Verwijderenrecordmetbuisgegevens1Click},
               {"Toevoegenkolommetmetingen1", E::Click, &Form::Toevoegenkolommetmetingen1Click},
               {"Verwijderenkolomonderdecursor1", E::Click,
                &Form::Verwijderenkolomonderdecursor1Click},
               {"Omzettenvanelkekommanaardecimalepunt1", E::Click,
                &Form::Omzettenvanelkekommanaardecimalepunt1Click},
               {"Bewareninbestand1", E::Click, &Form::Bewareninbestand1Click},
           });
}

void Append(std::vector<Route>& to, std::vector<Route> more) {
    for (Route& r : more)
        to.push_back(std::move(r));
}

// What both data windows bind alike: their own routes, the grid menu, the
// mouse moves, and the hooks of a modal showing.
template <class Form>
DataWindowView::Hooks DataWindowHooks(Form& form, const char* formName, std::vector<Route> routes,
                                      const std::function<void(ControlVisitor&)>& controls) {
    Append(routes, GridMenuRoutes(form));
    AddMouseRoutes(routes, form, controls);
    DataWindowView::Hooks hooks;
    hooks.formName = formName;
    hooks.start = [&form] { form.FormActivate(); };
    hooks.closed = [&form] { return form.closed; };
    hooks.mayClose = [&form] { return form.FormCloseQuery(); };
    hooks.helpContext = form.helpContext;
    hooks.routes = std::move(routes);
    return hooks;
}

QLabel* PutLabel(QWidget* parent, const char* name, int x, int y, int width, int height = 16) {
    return Put<QLabel>(parent, name, x, y, width, height);
}

// The widgets named that follow their parents' growth, each as given.
void Anchor(QWidget* window, std::initializer_list<std::pair<const char*, Follow>> follows) {
    Anchors& anchors = AnchorsOf(window);
    for (const auto& [name, follow] : follows)
        if (auto* widget = window->findChild<QWidget*>(name)) anchors.Add(widget, follow);
}

// A label and its role box on one row of the role group.
void RoleRow(QWidget* group, const char* label, const char* box, int y, int labelWidth,
             int boxWidth) {
    PutLabel(group, label, 8, y + 3, labelWidth);
    Put<QComboBox>(group, box, 8 + labelWidth + 2, y, boxWidth, 22);
}

}  // namespace

DataWindowView::DataWindowView(QtPlatform& platform, int width, int height, const QString& caption)
    : platform_(platform) {
    setWindowTitle(caption);
    // Laid out at this size; larger, the grid and the lists take the room.
    setMinimumSize(width, height);
    resize(width, height);
    setModal(true);
}

QTableView* DataWindowView::BuildCommon(const char* label, const char* grid, const char* status,
                                        int gridWidth, int gridHeight) {
    // Reading stage: the separators found, the choice to merge runs of them
    // and the button that reads the file. The group grows with the
    // separators found, 20 pixels a row.
    Put<QCheckBox>(this, "chckbxMultiple", 8, 8, width() - 16, 20);
    auto* separators = Put<RadioGroupBox>(this, "rdgrpSEP", 8, 34, 290, 36, 1);
    separators->SetAutoHeight(20, 16);
    Put<QPushButton>(this, "btbttnOKLEES", 310, 40, 170, 27);

    auto* source = PutLabel(this, label, 8, 2, width() - 16, 30);
    source->setWordWrap(true);
    source->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    SetBold(source);
    SetItalic(source);

    auto* table = Put<QTableView>(this, grid, 8, 34, gridWidth, gridHeight);
    SetRowHeight(table, kGridRowHeight);
    ScaleColumns(table, 1.25);
    table->setSelectionMode(QAbstractItemView::ContiguousSelection);
    table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                           QAbstractItemView::EditKeyPressed);

    menu_ = new QMenu(this);
    menu_->setObjectName("ppmnGRID");
    for (const char* item : kMenuItems) {
        QAction* action = menu_->addAction(item);
        action->setObjectName(item);
        // Every item can carry a check mark (it is a check box to the
        // binder); it shows one only while its form model says so.
        action->setCheckable(true);
    }
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QWidget::customContextMenuRequested, this, [this, table](const QPoint& at) {
        if (menu_->isEnabled()) menu_->exec(table->viewport()->mapToGlobal(at));
    });

    auto* bar = Put<QStatusBar>(this, status, 0, height() - kStatusHeight, width(), kStatusHeight);
    bar->setSizeGripEnabled(false);
    return table;
}

void DataWindowView::Bind(Hooks hooks, const std::function<void(ControlVisitor&)>& controls) {
    hooks_ = std::move(hooks);
    setObjectName(QString::fromStdString(hooks_.formName));
    binder_ = new Binder(this, controls, hooks_.routes,
                         [this](const std::function<void()>& handler) { platform_.Run(handler); });
    auto* help = new QShortcut(QKeySequence(Qt::Key_F1), this);
    connect(help, &QShortcut::activated, this,
            [this] { platform_.Run([this] { platform_.OpenHelpContext(hooks_.helpContext); }); });
    platform_.AddView(this);
}

void DataWindowView::Refresh() {
    binder_->Refresh();
    if (hooks_.closed() && isVisible()) done(QDialog::Accepted);
}

void DataWindowView::RunModal() {
    if (QScreen* screen = QApplication::primaryScreen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
    // The window starts once it is on screen: its start opens the file
    // dialog, which belongs over the window, not before it.
    QTimer::singleShot(0, this, [this] {
        platform_.Run(hooks_.start);
        platform_.ModalShown(hooks_.formName, *this);
    });
    QPointer<QWidget> before = QApplication::activeWindow();
    exec();
    // The window that was active before gets the keyboard back, as a window
    // manager would give it.
    if (before) before->activateWindow();
}

void DataWindowView::closeEvent(QCloseEvent* event) {
    if (!isVisible()) {
        event->accept();
        return;
    }
    bool mayClose = true;
    platform_.Run([&] { mayClose = hooks_.mayClose(); });
    if (!mayClose) {
        event->ignore();
        return;
    }
    event->accept();
    if (isVisible()) done(QDialog::Rejected);
}

// ---------------------------------------------------------------------------

BuisdataView::BuisdataView(TfrmBUISDATA& form, QtPlatform& platform)
    : DataWindowView(platform, form.width, form.height, QString::fromStdString(form.caption)),
      form_(form) {
    // Only "Ready!" or "No input; abort" end this window.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);

    BuildCommon("lblstrgrdSTAMBUIS", "strgrdSTAMBUIS", "stsbrSTAMBUIS", width() - 16, 200);

    auto* roles = Put<QGroupBox>(this, "grpbxKOLOM", 8, 238, width() - 16, 224);
    constexpr int kLabel = 122;
    constexpr int kBox = 100;
    RoleRow(roles, "lblGHG", "cmbbxGHG", 18, kLabel, kBox);
    RoleRow(roles, "lblGVG", "cmbbxGVG", 42, kLabel, kBox);
    RoleRow(roles, "lblGLG", "cmbbxGLG", 66, kLabel, kBox);
    RoleRow(roles, "lblSDGHG", "cmbbxSDGHG", 90, kLabel, kBox);
    RoleRow(roles, "lblSDGVG", "cmbbxSDGVG", 114, kLabel, kBox);
    RoleRow(roles, "lblSDGLG", "cmbbxSDGLG", 138, kLabel, kBox);
    RoleRow(roles, "lblINSTRATA", "cmbbxINSTRATA", 162, kLabel, kBox);

    // The square-root and square buttons beside each sd box, under their
    // red heading.
    constexpr int kButtons = 8 + kLabel + 2 + kBox + 4;
    auto* variance = PutLabel(roles, "lblVARIANCE", kButtons, 58, 76, 30);
    variance->setWordWrap(true);
    SetTextColour(variance, QColor(255, 0, 0));
    const char* const sqrt[] = {"btbttnSQRTGHG", "btbttnSQRTGVG", "btbttnSQRTGLG"};
    const char* const sqr[] = {"btbttnSQRGHG", "btbttnSQRGVG", "btbttnSQRGLG"};
    for (int i = 0; i < 3; ++i) {
        Put<QPushButton>(roles, sqrt[i], kButtons, 90 + 24 * i, 36, 22);
        Put<QPushButton>(roles, sqr[i], kButtons + 38, 90 + 24 * i, 36, 22);
    }

    PutLabel(roles, "lblMIS", 8, 195, kLabel);
    Put<QLineEdit>(roles, "edtMIS", 8 + kLabel + 2, 192, 70, 22);
    Put<QPushButton>(roles, "btbttnMIS", 8 + kLabel + 76, 192, 50, 22);

    // The title lists with the buttons that move titles between them.
    constexpr int kLists = 318;
    auto* titles = PutLabel(roles, "lblTITELS", kLists, 14, 90, 30);
    titles->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
    Put<QListWidget>(roles, "lstbxTITELS", kLists, 46, 90, 170);
    Put<QPushButton>(roles, "btbttnADD", kLists + 94, 96, 28, 24);
    Put<QPushButton>(roles, "btbttnSUB", kLists + 94, 126, 28, 24);
    auto* measured = PutLabel(roles, "lblMEETKOLS", kLists + 94, 14, 118, 30);
    measured->setWordWrap(true);
    measured->setAlignment(Qt::AlignRight | Qt::AlignBottom);
    Put<QListWidget>(roles, "lstbxMEETKOLS", kLists + 126, 46, 87, 170);

    Put<QPushButton>(this, "btbttnEXITSTAMBUIS", width() - 88, 465, 80, 24);

    // The grid and the role group share the growth in height; in the group
    // the two title lists share its growth in width.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    Anchor(this, {{"chckbxMultiple", kGrowWidth},
                  {"lblstrgrdSTAMBUIS", kGrowWidth},
                  {"strgrdSTAMBUIS", {0, 0, 1, 0.5}},
                  {"stsbrSTAMBUIS", kMoveDownGrowWidth},
                  {"grpbxKOLOM", {0, 0.5, 1, 0.5}},
                  {"lstbxTITELS", {0, 0, 0.5, 1}},
                  {"btbttnADD", {0.5, 0, 0, 0}},
                  {"btbttnSUB", {0.5, 0, 0, 0}},
                  {"lblMEETKOLS", {0.5, 0, 0.5, 0}},
                  {"lstbxMEETKOLS", {0.5, 0, 0.5, 1}},
                  {"btbttnEXITSTAMBUIS", kMoveCorner}});

    auto controls = [this](ControlVisitor& v) { form_.forEachControl(v); };
    using F = TfrmBUISDATA;
    using E = UserEvent;
    std::vector<Route> routes =
        RoutesOf<F>(form_, {
                               {"btbttnOKLEES", E::Click, &F::btbttnOKLEESClick},
                               {"rdgrpSEP", E::Click, &F::rdgrpSEPClick},
                               {"rdgrpSEP", E::Enter, &F::rdgrpSEPEnter},
                               {"btbttnMIS", E::Click, &F::btbttnMISClick},
                               {"strgrdSTAMBUIS", E::KeyDown, &F::strgrdSTAMBUISKeyDown},
                               {"btbttnADD", E::Click, &F::btbttnADDClick},
                               {"btbttnSUB", E::Click, &F::btbttnSUBClick},
                               {"btbttnSQRTGHG", E::Click, &F::btbttnSQRTGHGClick},
                               {"btbttnSQRTGVG", E::Click, &F::btbttnSQRTGVGClick},
                               {"btbttnSQRTGLG", E::Click, &F::btbttnSQRTGLGClick},
                               {"btbttnSQRGHG", E::Click, &F::btbttnSQRGHGClick},
                               {"btbttnSQRGVG", E::Click, &F::btbttnSQRGVGClick},
                               {"btbttnSQRGLG", E::Click, &F::btbttnSQRGLGClick},
                               {"btbttnEXITSTAMBUIS", E::Click, &F::btbttnEXITSTAMBUISClick},
                           });
    Bind(DataWindowHooks(form_, "TfrmBUISDATA", std::move(routes), controls), controls);
}

MeetdataView::MeetdataView(TfrmMEETDATA& form, QtPlatform& platform)
    : DataWindowView(platform, form.width, form.height, QString::fromStdString(form.caption)),
      form_(form) {
    BuildCommon("lblstrgrdMEETDATA", "strgrdMEETDATA", "stsbrMEETDATA", width() - 16, 186);

    auto* roles = Put<QGroupBox>(this, "grpbxKOLOM", 8, 224, 300, 198);
    constexpr int kLabel = 122;
    constexpr int kBox = 160;
    RoleRow(roles, "lblDatum1", "cmbbxDatum1", 18, kLabel, kBox);
    RoleRow(roles, "lblMeting1", "cmbbxMeting1", 42, kLabel, kBox);
    RoleRow(roles, "lblDatum2", "cmbbxDatum2", 66, kLabel, kBox);
    RoleRow(roles, "lblMeting2", "cmbbxMeting2", 90, kLabel, kBox);
    RoleRow(roles, "lblINSTRATA", "cmbbxINSTRATA", 114, kLabel, kBox);
    // The third date is never shown; its boxes keep the rows of the first.
    RoleRow(roles, "lblDatum3", "cmbbxDatum3", 18, kLabel, kBox);
    RoleRow(roles, "lblMeting3", "cmbbxMeting3", 42, kLabel, kBox);

    PutLabel(roles, "lblMIS", 8, 145, kLabel);
    Put<QLineEdit>(roles, "edtMIS", 8 + kLabel + 2, 142, 70, 22);
    Put<QPushButton>(roles, "btbttnMIS", 8 + kLabel + 76, 142, 50, 22);
    Put<QPushButton>(roles, "btbttnOKINDELING", 300 - 88, 168, 80, 24);

    auto* codes = Put<QGroupBox>(this, "grpbxCENSOR", 316, 224, width() - 324, 150);
    PutLabel(codes, "lblFOUNDCODE", 8, 20, 180);
    Put<QComboBox>(codes, "cmbbxFOUNDCODE", 8, 37, width() - 340, 22);
    PutLabel(codes, "lblNEWCODE", 8, 66, 180);
    Put<QComboBox>(codes, "cmbbxNEWCODE", 8, 83, width() - 340, 22);
    Put<QPushButton>(codes, "btbttnREPLACEOK", 8, 114, 120, 26);

    Put<QPushButton>(this, "btbttnEXITMEETDATA", width() - 88, 424, 80, 24);

    // The grid takes the growth; the groups under it move down with the
    // window's bottom edge.
    setWindowFlag(Qt::WindowMaximizeButtonHint);
    Anchor(this, {{"chckbxMultiple", kGrowWidth},
                  {"lblstrgrdMEETDATA", kGrowWidth},
                  {"strgrdMEETDATA", kGrow},
                  {"stsbrMEETDATA", kMoveDownGrowWidth},
                  {"grpbxKOLOM", kMoveDown},
                  {"grpbxCENSOR", kMoveDownGrowWidth},
                  {"cmbbxFOUNDCODE", kGrowWidth},
                  {"cmbbxNEWCODE", kGrowWidth},
                  {"btbttnEXITMEETDATA", kMoveCorner}});

    auto controls = [this](ControlVisitor& v) { form_.forEachControl(v); };
    using F = TfrmMEETDATA;
    using E = UserEvent;
    std::vector<Route> routes =
        RoutesOf<F>(form_, {
                               {"btbttnOKLEES", E::Click, &F::btbttnOKLEESClick},
                               {"rdgrpSEP", E::Click, &F::rdgrpSEPClick},
                               {"btbttnMIS", E::Click, &F::btbttnMISClick},
                               {"strgrdMEETDATA", E::KeyDown, &F::strgrdMEETDATAKeyDown},
                               {"btbttnOKINDELING", E::Click, &F::btbttnOKINDELINGClick},
                               {"btbttnREPLACEOK", E::Click, &F::btbttnREPLACEOKClick},
                               {"btbttnEXITMEETDATA", E::Click, &F::btbttnEXITMEETDATAClick},
                           });
    Bind(DataWindowHooks(form_, "TfrmMEETDATA", std::move(routes), controls), controls);
}

}  // namespace tarnovel
