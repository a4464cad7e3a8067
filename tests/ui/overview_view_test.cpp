// The windows that show a whole run and a whole prediction, and the windows
// that grow: on the offscreen platform, driven through their widgets.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QXmlStreamReader>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <set>

#include "prediction/prediction_run.h"
#include "regression/overview.h"
#include "tests/shell/temp_directory.h"
#include "tests/ui/desktop_session.h"
#include "tests/ui/ui_driver.h"
#include "ui/desktop_program.h"
#include "ui/overview_view.h"
#include "ui/predictions_view.h"

namespace tarnovel {
namespace {

namespace fs = std::filesystem;
using namespace uitest;

class QtEnvironment : public ::testing::Environment {
  public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "test_ui_overview";
        static char* argv[] = {name, nullptr};
        app_ = std::make_unique<QApplication>(argc, argv);
        ApplyProgramLook(*app_);
    }
    void TearDown() override { app_.reset(); }

  private:
    std::unique_ptr<QApplication> app_;
};
[[maybe_unused]] const auto* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtEnvironment);

// The columns of a grid that show at least partly in its viewport.
int VisibleColumns(QTableView* table) {
    int shown = 0;
    for (int c = 0; c < table->model()->columnCount(); ++c)
        if (table->columnViewportPosition(c) < table->viewport()->width()) ++shown;
    return shown;
}

class WholeRunTest : public DesktopSession {
  protected:
    // The piezometer table loaded with both dates, all strata separately,
    // and the run.
    void Run() {
        LoadPiezometers();
        Choose(main, "cmbbxSTRATAyesno", "all strata separately");
        Click(main, "btbttnOKTABINDEX0");
    }

    // The batch tool on the same table and choices, with extra options;
    // its working folder.
    fs::path Batch(const std::string& options) {
        const fs::path batch = fs::current_path() / "batch";
        fs::create_directory(batch);
        const std::string command = std::string("\"") + TARNOVEL_CLI + "\" run --workdir \"" +
                                    batch.string() + "\" --piezometers \"" +
                                    Data("piezometers.csv") +
                                    "\" --dates 14-04-2003,01-02-2003 --comma-to-point "
                                    "--missing -9999 --strata-separately " +
                                    options + " > /dev/null";
        EXPECT_EQ(std::system(command.c_str()), 0);
        return batch;
    }
};

TEST_F(WholeRunTest, OverviewOpensAfterARunSortsAndShowsTheJobSelected) {
    QAction* menuItem = FindAction(main, "Overview1");
    EXPECT_FALSE(menuItem->isVisible());
    Run();
    EXPECT_TRUE(menuItem->isVisible());
    Click(main, "btbttnOVERVIEW");
    OverviewView* view = FindOverview(main);
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(view->isVisible());
    EXPECT_EQ(view->windowTitle(), "Overview of regressions");

    auto* table = Find<QTableView>(view, "tblOVERVIEW");
    QAbstractItemModel* rows = table->model();
    ASSERT_EQ(rows->rowCount(), static_cast<int>(program->main.lastRun.jobs.size()));
    ASSERT_EQ(rows->columnCount(), 11);
    EXPECT_EQ(rows->headerData(9, Qt::Horizontal).toString(), "LOO RMSE");

    // By LOO RMSE: the numbers rising, then the jobs without one.
    table->sortByColumn(9, Qt::AscendingOrder);
    double last = -1;
    bool missingSeen = false;
    for (int r = 0; r < rows->rowCount(); ++r) {
        const QString cell = rows->index(r, 9).data().toString();
        if (cell == "missing") {
            missingSeen = true;
            continue;
        }
        EXPECT_FALSE(missingSeen) << "a number after \"missing\" in row " << r;
        EXPECT_GE(cell.toDouble(), last);
        last = cell.toDouble();
    }
    table->sortByColumn(0, Qt::DescendingOrder);
    EXPECT_EQ(rows->index(0, 0).data().toString(), "sand");

    // The first fitted job selected: its residuals by name, its plot.
    int fitted = 0;
    while (rows->index(fitted, 10).data().toString() != "fitted")
        ++fitted;
    table->selectRow(fitted);
    const OverviewRow* row = view->Selected();
    ASSERT_NE(row, nullptr);
    auto* residuals = Find<QTableWidget>(view, "tblRESIDUALS");
    ASSERT_EQ(residuals->rowCount(), row->n);
    std::set<QString> names;
    for (int i = 0; i < residuals->rowCount(); ++i) {
        names.insert(residuals->item(i, 0)->text());
        EXPECT_TRUE(residuals->item(i, 0)->text().startsWith("P"));
    }
    EXPECT_EQ(Find<QTableWidget>(view, "tblLEFTOUT")->rowCount(),
              static_cast<int>(row->leftOut.size()));

    // Every point found under the mouse is one of the job's piezometers.
    auto* plot = dynamic_cast<ScatterPlotView*>(Find<QWidget>(view, "pltSCATTER"));
    ASSERT_NE(plot, nullptr);
    std::set<QString> found;
    for (int y = 0; y < plot->height(); y += 2)
        for (int x = 0; x < plot->width(); x += 2)
            if (const QString name = plot->PointAt({x, y}); !name.isEmpty()) found.insert(name);
    EXPECT_FALSE(found.empty());
    for (const QString& name : found)
        EXPECT_EQ(names.count(name), 1u) << name.toStdString();
    EXPECT_TRUE(plot->PointAt({0, 0}).isEmpty());
}

TEST_F(WholeRunTest, OverviewAndPictureSaveAsTheBatchToolWrites) {
    Run();
    OverviewView& view = ShowOverview(main, program->main, *platform);
    std::vector<QString> answers = {"overview.csv", "plot.png", "plot.svg"};
    view.SetAskSaveName([&](QWidget*, const QString&, const QString&) {
        const QString next = answers.front();
        answers.erase(answers.begin());
        return next;
    });
    const std::size_t messagesBefore = platform->messages.size();
    view.SaveCsv();
    auto* table = Find<QTableView>(&view, "tblOVERVIEW");
    table->selectRow(0);
    ASSERT_NE(view.Selected(), nullptr);
    const std::size_t points = view.Selected()->residuals.size();
    Click(&view, "btnSAVEPICTURE");
    Click(&view, "btnSAVEPICTURE");
    EXPECT_TRUE(answers.empty());
    EXPECT_EQ(platform->messages.size(), messagesBefore);

    const QImage png("plot.png");
    ASSERT_FALSE(png.isNull());
    EXPECT_EQ(png.size(), Find<QWidget>(&view, "pltSCATTER")->size());
    QFile svgFile("plot.svg");
    ASSERT_TRUE(svgFile.open(QIODevice::ReadOnly));
    QXmlStreamReader svg(&svgFile);
    std::size_t circles = 0;
    QString root;
    while (!svg.atEnd())
        if (svg.readNext() == QXmlStreamReader::StartElement) {
            if (root.isEmpty()) root = svg.name().toString();
            circles += svg.name() == QLatin1String("circle") ? 1 : 0;
        }
    EXPECT_FALSE(svg.hasError()) << svg.errorString().toStdString();
    EXPECT_EQ(root, "svg");
    EXPECT_EQ(circles, points);

    const std::string saved = Get("overview.csv");
    EXPECT_EQ(saved, OverviewCsv(view.Rows()));
    main->close();
    const fs::path batch = Batch("--overview overview-batch.csv");
    EXPECT_EQ(Get("overview-batch.csv"), saved);
    EXPECT_FALSE(fs::exists(batch / "overview-batch.csv"));
}

TEST_F(WholeRunTest, PredictionsListTheModelOfEveryLocationAndKind) {
    Run();
    EXPECT_TRUE(Find<QPushButton>(main, "btnPREDICTIONS")->isHidden());
    SelectTab(main, 2);
    PredictField();
    ASSERT_TRUE(FindAction(main, "actionPREDICTIONS")->isVisible());
    Click(main, "btnPREDICTIONS");
    PredictionsView* view = FindPredictions(main);
    ASSERT_NE(view, nullptr);

    const PredictionOutcome& outcome = program->main.lastPrediction;
    auto* table = Find<QTableView>(view, "tblPREDICTIONS");
    QAbstractItemModel* rows = table->model();
    ASSERT_EQ(rows->rowCount(), static_cast<int>(outcome.locations * 3));
    int leverage = -1;
    for (int c = 0; c < rows->columnCount(); ++c)
        if (rows->headerData(c, Qt::Horizontal).toString() == "Leverage") leverage = c;
    ASSERT_GT(leverage, 0);
    EXPECT_EQ(rows->headerData(leverage + 1, Qt::Horizontal).toString(), "Extrapolation");
    // The largest leverage first, the locations without one last.
    table->sortByColumn(leverage, Qt::DescendingOrder);
    const double top = rows->index(0, leverage).data().toDouble();
    bool missingSeen = false;
    for (int r = 1; r < rows->rowCount(); ++r) {
        const QString value = rows->index(r, leverage).data().toString();
        missingSeen = missingSeen || value == "missing";
        if (value != "missing") {
            EXPECT_FALSE(missingSeen) << "a number after \"missing\" in row " << r;
            EXPECT_LE(value.toDouble(), top);
        }
    }
    EXPECT_TRUE(missingSeen);

    view->SetAskSaveName([](QWidget*, const QString&, const QString&) { return "models.csv"; });
    Click(view, "btnSAVECSV");
    const std::string saved = Get("models.csv");
    EXPECT_EQ(saved, ModelsCsv(outcome, program->main.strgrdMEETDATA));
    main->close();
    Batch("--field \"" + Data("field.csv") +
          "\" --code '>120=>120' --code '> 120=>120' --models models-batch.csv");
    EXPECT_EQ(Get("models-batch.csv"), saved);
}

TEST_F(WholeRunTest, WindowsGrowAndKeepTheirDesignAtTheFirstSize) {
    Run();
    SelectTab(main, 0);
    auto* grid = Find<QTableView>(main, "strgrdBUISDATA");
    auto* button = Find<QWidget>(main, "btbttnOKTABINDEX0");
    auto* progress = Find<QWidget>(main, "grpbxSTATUS");
    const QRect gridAt = grid->geometry();
    const QRect buttonAt = button->geometry();
    const QPoint progressAt = progress->mapTo(main, QPoint(0, 0));
    const QSize first = main->size();
    const int columnsAtFirst = VisibleColumns(grid);

    main->resize(1400, 1000);
    QApplication::processEvents();
    const int grownBy = main->centralWidget()->width() - 656;
    EXPECT_EQ(grownBy, 1400 - first.width());
    EXPECT_EQ(grid->width(), gridAt.width() + grownBy);
    EXPECT_GT(VisibleColumns(grid), columnsAtFirst);
    EXPECT_EQ(button->geometry(), buttonAt);
    EXPECT_EQ(progress->mapTo(main, QPoint(0, 0)),
              progressAt + QPoint(0, main->height() - first.height()));
    SelectTab(main, 1);
    EXPECT_GT(Find<QLabel>(main, "imgFIT")->width(), 350);

    main->resize(first);
    QApplication::processEvents();
    EXPECT_EQ(grid->geometry(), gridAt);
    EXPECT_EQ(Find<QLabel>(main, "imgFIT")->geometry(), QRect(288, 6, 350, 350));

    // The piezometer window grows its grid and title lists alike.
    platform->fileAnswers = {Data("piezometers.csv")};
    platform->onModal["TfrmBUISDATA"] = [](QDialog& w) {
        Click(&w, "btbttnOKLEES");
        auto* table = Find<QTableView>(&w, "strgrdSTAMBUIS");
        auto* titles = Find<QWidget>(&w, "lstbxTITELS");
        auto* ready = Find<QWidget>(&w, "btbttnEXITSTAMBUIS");
        const QRect tableAt = table->geometry(), titlesAt = titles->geometry();
        const QRect readyAt = ready->geometry();
        const QSize designed = w.size();
        w.resize(designed + QSize(400, 300));
        QApplication::processEvents();
        EXPECT_EQ(table->geometry(), tableAt.adjusted(0, 0, 400, 150));
        EXPECT_EQ(titles->height(), titlesAt.height() + 150);
        EXPECT_EQ(ready->geometry(), readyAt.translated(400, 300));
        w.resize(designed);
        QApplication::processEvents();
        EXPECT_EQ(table->geometry(), tableAt);
        w.close();
    };
    SelectTab(main, 0);
    Click(main, "btbttnFILE");
    EXPECT_TRUE(platform->leftOpen.empty());
}

}  // namespace
}  // namespace tarnovel
