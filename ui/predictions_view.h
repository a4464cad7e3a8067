#pragma once
// The window "Predictions": the model used at every location and for every
// MxW kind of the last prediction, with the values of the prediction file
// and whether they extrapolate; sortable and saved as CSV on request. A
// view of data only: the prediction file stays as the prediction wrote it.

#include <QAbstractTableModel>
#include <QWidget>
#include <string>
#include <vector>

#include "ui/overview_view.h"

class QLabel;
class QTableView;

namespace tarnovel {

class QtPlatform;
class TfrmZelvimoMAIN;

// The models list read from the form when painted, so that a survey of many
// locations costs no copy of it.
class ModelsModel : public QAbstractTableModel {
  public:
    ModelsModel(const TfrmZelvimoMAIN& form, QObject* parent);

    // The form holds another prediction: the list starts again.
    void Reset();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    const TfrmZelvimoMAIN& form_;
    std::vector<std::string> titles_;
    int rows_ = 0;
};

class PredictionsView : public QWidget {
  public:
    PredictionsView(TfrmZelvimoMAIN& form, QtPlatform& platform, QWidget* parent);

    // Shows the form's last prediction.
    void Update();

    void SetAskSaveName(AskSaveName ask) { ask_ = std::move(ask); }
    // "Save as CSV...".
    void SaveCsv();

  private:
    TfrmZelvimoMAIN& form_;
    QtPlatform& platform_;
    AskSaveName ask_ = AskSaveNameWithDialog;
    // Which prediction is shown: its list, which every prediction makes
    // anew.
    const void* shown_ = nullptr;
    ModelsModel* model_ = nullptr;
    QLabel* summary_ = nullptr;
    QTableView* table_ = nullptr;
};

// True when the form's last prediction kept a models list to show.
bool HasPredictions(const TfrmZelvimoMAIN& form);

// The predictions window of the main window, made when first asked for,
// brought up to the last prediction and shown in front.
PredictionsView& ShowPredictions(QWidget* mainWindow, TfrmZelvimoMAIN& form, QtPlatform& platform);

// The predictions window when it has been made, else null.
PredictionsView* FindPredictions(QWidget* mainWindow);

}  // namespace tarnovel
