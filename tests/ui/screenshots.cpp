// tarnovel-screenshots OUTDIR: plays one whole session at the desktop
// program's windows, as a user would, and saves every window, each tab and
// the scatterplot as PNG files in OUTDIR. Run it under a real X server
// (scripts/screenshots uses xvfb) to see the windows as a user does.

#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <cstdio>
#include <filesystem>
#include <string>

#include "tests/ui/ui_driver.h"
#include "ui/desktop_program.h"
#include "ui/overview_view.h"
#include "ui/predictions_view.h"

namespace {

using namespace tarnovel;
using namespace tarnovel::uitest;

QString g_out;
int g_saved = 0;

void Save(QWidget* widget, const char* name) {
    QApplication::processEvents();
    const QString file = g_out + "/" + name;
    if (!widget->grab().save(file)) {
        std::fprintf(stderr, "tarnovel-screenshots: cannot write %s\n", qPrintable(file));
        std::exit(3);
    }
    ++g_saved;
}

std::string Data(const char* name) {
    return std::string(TARNOVEL_UI_DATA) + "/" + name;
}

// The overview of the run, sorted by its leave-one-out error, with the best
// job selected and the mouse on a point of its scatterplot.
void SaveOverview(QWidget* main) {
    Click(main, "btbttnOVERVIEW");
    OverviewView* overview = FindOverview(main);
    auto* jobs = Find<QTableView>(overview, "tblOVERVIEW");
    jobs->sortByColumn(9, Qt::AscendingOrder);
    jobs->selectRow(0);
    auto* plot = dynamic_cast<ScatterPlotView*>(Find<QWidget>(overview, "pltSCATTER"));
    QApplication::processEvents();
    QPoint point(-1, -1);
    for (int y = 0; y < plot->height() && point.x() < 0; ++y)
        for (int x = 0; x < plot->width() && point.x() < 0; ++x)
            if (!plot->PointAt({x, y}).isEmpty()) point = {x + 3, y + 6};
    if (point.x() >= 0) Hover(plot, point);
    Save(overview, "overview.png");
    Save(plot, "overview-scatterplot.png");
    overview->close();
}

void Session(ScriptedQtPlatform& platform, DesktopProgram& p) {
    QWidget* main = &p.mainView;
    p.Start();
    if (!QTest::qWaitFor([&] { return !p.main.LogFileName().empty(); }, 5000))
        throw std::runtime_error("the main window never became active");
    Save(main, "main-tab0-start.png");

    platform.onModal["TfrmAbout"] = [](QDialog& about) {
        Save(&about, "about.png");
        Click(&about, "bttnOK");
    };
    FindAction(main, "Over1")->trigger();

    platform.fileAnswers = {Data("piezometers.csv")};
    platform.onModal["TfrmBUISDATA"] = [](QDialog& w) {
        Save(&w, "piezometer-window-reading.png");
        Click(&w, "btbttnOKLEES");
        FindAction(&w, "Omzettenvanelkekommanaardecimalepunt1")->trigger();
        Click(&w, "btbttnMIS");
        Select(&w, "lstbxTITELS", {"14-04-2003", "01-02-2003"});
        Click(&w, "btbttnADD");
        Find<QTableView>(&w, "strgrdSTAMBUIS")
            ->setCurrentIndex(Find<QTableView>(&w, "strgrdSTAMBUIS")->model()->index(2, 3));
        Save(&w, "piezometer-window-roles.png");
        auto* menu = Find<QMenu>(&w, "ppmnGRID");
        menu->popup(w.mapToGlobal(QPoint(120, 120)));
        Save(menu, "piezometer-window-menu.png");
        menu->close();
        Click(&w, "btbttnEXITSTAMBUIS");
    };
    Click(main, "btbttnFILE");
    Choose(main, "cmbbxSTRATAyesno", "all strata separately");
    Save(main, "main-tab0-loaded.png");

    Click(main, "btbttnOKTABINDEX0");
    Save(main, "main-tab1-start.png");
    auto* dates = Find<QComboBox>(main, "cmbbxDATUM1");
    Choose(main, "cmbbxDATUM1", dates->itemText(dates->count() - 1));
    Click(main, "btbttnSHOW");
    Save(main, "main-tab1-result.png");
    Save(Find<QLabel>(main, "imgFIT"), "scatterplot.png");
    SaveOverview(main);

    SelectTab(main, 2);
    Save(main, "main-tab2-start.png");
    platform.fileAnswers = {Data("field.csv")};
    platform.onModal["TfrmMEETDATA"] = [](QDialog& w) {
        Save(&w, "field-window-reading.png");
        Click(&w, "btbttnOKLEES");
        Save(&w, "field-window-roles.png");
        Click(&w, "btbttnOKINDELING");
        Save(&w, "field-window-codes.png");
        auto* ready = Find<QWidget>(&w, "btbttnEXITMEETDATA");
        // "Deeper than" codes become censored values, the rest missing.
        auto* found = Find<QComboBox>(&w, "cmbbxFOUNDCODE");
        for (int i = 0; i < 20 && !ready->isEnabled(); ++i) {
            QString code = found->currentText();
            if (code.contains('>')) Choose(&w, "cmbbxNEWCODE", code.remove(' '));
            Click(&w, "btbttnREPLACEOK");
        }
        Click(ready);
    };
    Click(main, "btbttnKOPPELMETINGEN");
    Save(main, "main-tab2-loaded.png");
    Click(main, "btbttnOKVERPLICHT");
    Save(main, "main-tab2-settings.png");
    Click(main, "btbttnSTARTPREDICT");
    Save(main, "main-tab2-done.png");
    Click(main, "btnPREDICTIONS");
    Save(FindPredictions(main), "predictions.png");
    FindPredictions(main)->close();

    SelectTab(main, 0);
    Save(main, "main-tab0-after.png");
    main->close();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "Usage: tarnovel-screenshots OUTDIR\n");
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName("Tarnovel");
    ApplyProgramLook(app);
    g_out = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    QDir().mkpath(g_out);

    // The session writes its files where it runs: a scratch folder.
    char pattern[] = "/tmp/tarnovel-screenshots-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 3;
    const std::filesystem::path work = pattern;
    std::filesystem::current_path(work);

    int status = 0;
    {
        ScriptedQtPlatform platform;
        DesktopProgram program(platform);
        try {
            Session(platform, program);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "tarnovel-screenshots: %s\n", e.what());
            status = 1;
        }
        for (const std::string& m : platform.messages)
            std::printf("message: %s\n", m.c_str());
        for (const std::string& form : platform.leftOpen)
            std::fprintf(stderr, "tarnovel-screenshots: %s was left open\n", form.c_str());
        if (!platform.leftOpen.empty()) status = 1;
    }
    std::filesystem::current_path("/");
    std::error_code ignored;
    std::filesystem::remove_all(work, ignored);
    std::printf("%d screenshots in %s\n", g_saved, qPrintable(g_out));
    return status;
}
