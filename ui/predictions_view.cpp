#include "ui/predictions_view.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "prediction/prediction_run.h"
#include "shell/main_form.h"
#include "ui/qt_platform.h"
#include "ui/widget_kit.h"

namespace tarnovel {

namespace {

constexpr const char* kPredictionsName = "PredictionsView";

}  // namespace

ModelsModel::ModelsModel(const TfrmZelvimoMAIN& form, QObject* parent)
    : QAbstractTableModel(parent), form_(form) {}

void ModelsModel::Reset() {
    beginResetModel();
    const std::size_t rows = ModelsRowCount(form_.lastPrediction, form_.strgrdMEETDATA);
    // A view counts its rows in int; a longer list is in the CSV file.
    rows_ = static_cast<int>(std::min<std::size_t>(rows, std::numeric_limits<int>::max()));
    titles_ = rows_ > 0 ? ModelsTitles(form_.lastPrediction, form_.strgrdMEETDATA)
                        : std::vector<std::string>();
    endResetModel();
}

int ModelsModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

int ModelsModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(titles_.size());
}

QVariant ModelsModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rows_ || index.column() >= columnCount()) return {};
    if (role != Qt::DisplayRole && role != kSortRole) return {};
    const std::string cell = ModelsCell(form_.lastPrediction, form_.strgrdMEETDATA,
                                        static_cast<std::size_t>(index.row()), index.column());
    return role == kSortRole ? SortKey(cell) : QVariant(QString::fromStdString(cell));
}

QVariant ModelsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= columnCount()) return {};
    return QString::fromStdString(titles_[static_cast<std::size_t>(section)]);
}

PredictionsView::PredictionsView(TfrmZelvimoMAIN& form, QtPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), platform_(platform) {
    setObjectName(kPredictionsName);
    setWindowTitle("Predictions");
    auto* layout = new QVBoxLayout(this);
    summary_ = new QLabel(this);
    summary_->setObjectName("lblSUMMARY");
    layout->addWidget(summary_);
    model_ = new ModelsModel(form_, this);
    auto* sorted = new SortProxy(this);
    sorted->setSourceModel(model_);
    sorted->setSortRole(kSortRole);
    table_ = new QTableView(this);
    table_->setObjectName("tblPREDICTIONS");
    table_->setModel(sorted);
    table_->setSortingEnabled(true);
    table_->sortByColumn(-1, Qt::AscendingOrder);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CompactRows(table_);
    layout->addWidget(table_, 1);
    auto* save = new QPushButton("Save as CSV...", this);
    save->setObjectName("btnSAVECSV");
    auto* buttons = new QHBoxLayout();
    buttons->addStretch();
    buttons->addWidget(save);
    layout->addLayout(buttons);
    connect(save, &QPushButton::clicked, this, [this] { SaveCsv(); });
    resize(960, 600);
}

void PredictionsView::Update() {
    const void* list = form_.lastPrediction.choices.data();
    if (list == shown_) return;
    shown_ = list;
    model_->Reset();
    const PredictionOutcome& outcome = form_.lastPrediction;
    long long extrapolated = 0;
    for (const LocationModel& choice : outcome.choices)
        extrapolated += choice.extrapolation == Extrapolation::kYes ? 1 : 0;
    summary_->setText(
        QString("%1 locations; %2 of %3 predictions extrapolate (leverage above 2p/n).")
            .arg(outcome.locations)
            .arg(extrapolated)
            .arg(static_cast<long long>(outcome.choices.size())));
    table_->resizeColumnsToContents();
}

void PredictionsView::SaveCsv() {
    const QString file = ask_(this, "Save the predictions as", "CSV files (*.csv)");
    if (file.isEmpty()) return;
    platform_.Run(
        [&] { WriteModelsFile(file.toStdString(), form_.lastPrediction, form_.strgrdMEETDATA); });
}

bool HasPredictions(const TfrmZelvimoMAIN& form) {
    return ModelsRowCount(form.lastPrediction, form.strgrdMEETDATA) > 0;
}

PredictionsView* FindPredictions(QWidget* mainWindow) {
    return FindToolWindow<PredictionsView>(mainWindow);
}

PredictionsView& ShowPredictions(QWidget* mainWindow, TfrmZelvimoMAIN& form, QtPlatform& platform) {
    return ShowToolWindow<PredictionsView>(mainWindow, form, platform);
}

}  // namespace tarnovel
