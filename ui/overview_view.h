#pragma once
// The window "Overview of regressions": every job of the last run in one
// sortable table, and under it the job selected: its residuals by
// piezometer, the piezometers it left out and why, and its scatterplot of
// measured against predicted MxW. A view of data only: it changes nothing
// of the run, its files or the main window.

#include <QSortFilterProxyModel>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>
#include <vector>

#include "regression/overview.h"

class QLabel;
class QPushButton;
class QStandardItem;
class QStandardItemModel;
class QTableView;
class QTableWidget;

namespace tarnovel {

class QtPlatform;
class TfrmZelvimoMAIN;

// Asks for the name of a file to save, over owner; empty when cancelled.
// filters as a file dialog takes them ("CSV files (*.csv)").
using AskSaveName =
    std::function<QString(QWidget* owner, const QString& title, const QString& filters)>;

// A list's rows as high as its text needs, without row numbers.
void CompactRows(QTableView* table);

// The file dialog of the desktop.
QString AskSaveNameWithDialog(QWidget* owner, const QString& title, const QString& filters);

// Writes bytes to file as a whole, or not at all; throws IoError when it
// cannot.
void SaveBytes(const QString& file, const QByteArray& bytes);

// Sortable lists: numbers by value, texts in the order of the language,
// and in either order the numbers first, so that "missing" ends the list.
// The key of a cell's text is its number, or the text itself; the views
// keep it under kSortRole.
inline constexpr int kSortRole = Qt::UserRole;
QVariant SortKey(const std::string& text);
// Whether a sorts before b in ascending order; a number against a text as
// `order` needs to put the number first.
bool SortsBefore(const QVariant& a, const QVariant& b, Qt::SortOrder order);
QStandardItem* SortableItem(const std::string& text);

class SortProxy : public QSortFilterProxyModel {
  public:
    using QSortFilterProxyModel::QSortFilterProxyModel;

  protected:
    bool lessThan(const QModelIndex& left, const QModelIndex& right) const override;
};

// Measured against predicted MxW of one job, both axes on one range, with
// the 1:1 line; the name of the piezometer under the mouse shows beside its
// point.
class ScatterPlotView : public QWidget {
  public:
    explicit ScatterPlotView(QWidget* parent = nullptr);

    // The job shown; none empties the plot.
    void SetRow(const OverviewRow* row);
    bool HasPoints() const;

    // The piezometer whose point lies within a few pixels of `at`, empty
    // when none does.
    QString PointAt(QPoint at) const;

    // The plot as it stands, at the view's size.
    QByteArray Png() const;
    QByteArray Svg() const;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

  private:
    std::optional<OverviewRow> row_;
    QString hovered_;
};

class OverviewView : public QWidget {
  public:
    OverviewView(TfrmZelvimoMAIN& form, QtPlatform& platform, QWidget* parent);

    // Shows the form's last run; a run already shown keeps its sorting and
    // selection.
    void Update();

    void SetAskSaveName(AskSaveName ask) { ask_ = std::move(ask); }

    // "Save as CSV..." and "Save picture as...".
    void SaveCsv();
    void SavePicture();

    const std::vector<OverviewRow>& Rows() const { return rows_; }
    // The row of the job selected, null when none is.
    const OverviewRow* Selected() const;

  private:
    void Build();
    void Fill();
    void ShowDetails();

    TfrmZelvimoMAIN& form_;
    QtPlatform& platform_;
    AskSaveName ask_ = AskSaveNameWithDialog;
    std::vector<OverviewRow> rows_;
    // Which run is shown: the session it started and its job count.
    std::optional<std::pair<int, std::size_t>> shown_;

    QStandardItemModel* model_ = nullptr;
    SortProxy* sorted_ = nullptr;
    QTableView* table_ = nullptr;
    QLabel* job_ = nullptr;
    QTableWidget* residuals_ = nullptr;
    QTableWidget* leftOut_ = nullptr;
    ScatterPlotView* plot_ = nullptr;
    QPushButton* savePicture_ = nullptr;
};

// The overview window of the main window, made when first asked for,
// brought up to the last run and shown in front.
OverviewView& ShowOverview(QWidget* mainWindow, TfrmZelvimoMAIN& form, QtPlatform& platform);

// The overview window when it has been made, else null.
OverviewView* FindOverview(QWidget* mainWindow);

}  // namespace tarnovel
