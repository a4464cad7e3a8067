// The string grid: a QTableView over the form model's cells.

#include <QHeaderView>
#include <QLineEdit>
#include <QStyledItemDelegate>
#include <QTableView>
#include <algorithm>

#include "ui/binder.h"
#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::QStr;
using binder_support::S;

namespace {

// Grid cells are typed into the form model as they change, as the cells of
// the toolkit the forms were designed for are: a handler that runs while a
// cell is being edited (a menu item, a key) sees what the user typed, and
// Escape puts the text from before the edit back.
class GridDelegate : public QStyledItemDelegate {
  public:
    GridDelegate(QObject* filter, QObject* parent) : QStyledItemDelegate(parent), filter_(filter) {
        connect(this, &QAbstractItemDelegate::closeEditor, this,
                [](QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
                    if (hint != QAbstractItemDelegate::RevertModelCache) return;
                    const QPersistentModelIndex index =
                        editor->property("gridIndex").value<QPersistentModelIndex>();
                    if (index.isValid())
                        const_cast<QAbstractItemModel*>(index.model())
                            ->setData(index, editor->property("gridOriginal"), Qt::EditRole);
                });
    }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override {
        QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
        editor->installEventFilter(filter_);
        editor->setProperty("gridIndex", QVariant::fromValue(QPersistentModelIndex(index)));
        editor->setProperty("gridOriginal", index.data(Qt::EditRole));
        if (auto* line = qobject_cast<QLineEdit*>(editor)) {
            const QPersistentModelIndex at(index);
            connect(line, &QLineEdit::textEdited, line, [at](const QString& text) {
                if (at.isValid())
                    const_cast<QAbstractItemModel*>(at.model())->setData(at, text, Qt::EditRole);
            });
        }
        return editor;
    }

    // Left alone when it already shows the cell, so the cursor does not jump
    // to the end while the user types.
    void setEditorData(QWidget* editor, const QModelIndex& index) const override {
        if (auto* line = qobject_cast<QLineEdit*>(editor);
            line != nullptr && line->text() == index.data(Qt::EditRole).toString())
            return;
        QStyledItemDelegate::setEditorData(editor, index);
    }

  private:
    QObject* filter_;
};

}  // namespace

GridModel::GridModel(StringGrid& grid, QObject* parent) : QAbstractTableModel(parent), grid_(grid) {
    shownCols_ = grid_.colCount;
    shownRows_ = grid_.rowCount;
    shownFixed_ = Fixed();
}

int GridModel::Fixed() const {
    return std::clamp(grid_.fixedRows, 0, std::max(0, grid_.rowCount));
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : std::max(0, shownRows_ - shownFixed_);
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : shownCols_;
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole && role != Qt::EditRole) return {};
    const int c = index.column();
    const int r = GridRow(index.row());
    if (c < 0 || c >= grid_.colCount || r < 0 || r >= grid_.rowCount) return {};
    if (static_cast<std::size_t>(c) >= grid_.cells.size()) return {};
    const auto& column = grid_.cells[static_cast<std::size_t>(c)];
    if (static_cast<std::size_t>(r) >= column.size()) return {};
    return QStr(column[static_cast<std::size_t>(r)]);
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole) return false;
    const int c = index.column();
    const int r = GridRow(index.row());
    if (c < 0 || c >= grid_.colCount || r < 0 || r >= grid_.rowCount) return false;
    grid_.SetCell(c, r, S(value.toString()));
    emit dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
    return true;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole || orientation != Qt::Horizontal) return {};
    if (shownFixed_ < 1 || section < 0 || section >= grid_.colCount || grid_.rowCount < 1)
        return {};
    return QStr(grid_.Cell(section, 0));
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

bool GridModel::Sync() {
    if (grid_.colCount != shownCols_ || grid_.rowCount != shownRows_ || Fixed() != shownFixed_) {
        beginResetModel();
        shownCols_ = grid_.colCount;
        shownRows_ = grid_.rowCount;
        shownFixed_ = Fixed();
        endResetModel();
        return true;
    }
    if (shownCols_ > 0) emit headerDataChanged(Qt::Horizontal, 0, shownCols_ - 1);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::DisplayRole, Qt::EditRole});
    return false;
}

// ---------------------------------------------------------------------------

void Binder::SetUpStringGrid(Binding& b) {
    auto* table = As<QTableView>(b.object);
    b.grid = new GridModel(static_cast<StringGrid&>(*b.control), table);
    table->setModel(b.grid);
    table->setItemDelegate(new GridDelegate(this, table));
    table->verticalHeader()->setVisible(false);
    GridModel* grid = b.grid;
    // The cursor cell; a model reset keeps the selection model.
    connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [=, this](const QModelIndex& current) {
                if (filling_ > 0 || !current.isValid()) return;
                grid->grid().col = current.column();
                grid->grid().row = grid->GridRow(current.row());
            });
}

void Binder::ApplyStringGrid(Binding& b) {
    auto& c = static_cast<StringGrid&>(*b.control);
    auto* table = As<QTableView>(b.object);
    const bool reshaped = b.grid->Sync();
    const bool titled = std::clamp(c.fixedRows, 0, c.rowCount) > 0;
    if (table->horizontalHeader()->isHidden() == titled)
        table->horizontalHeader()->setVisible(titled);
    // The form's column widths are pixels of the font the forms were
    // designed with; a view in a wider font scales them.
    const QVariant scale = table->property("columnScale");
    const double factor = scale.isValid() ? scale.toDouble() : 1.0;
    QList<int> widths;
    for (int w : c.colWidths)
        widths.push_back(static_cast<int>(w * factor + 0.5));
    const QVariant shownWidths = table->property("colWidths");
    if (reshaped || !shownWidths.isValid() || shownWidths.value<QList<int>>() != widths) {
        table->setProperty("colWidths", QVariant::fromValue(widths));
        for (int i = 0; i < b.grid->columnCount() && i < widths.size(); ++i)
            table->setColumnWidth(i, widths[i]);
    }
    const QModelIndex cursor = b.grid->index(b.grid->ViewRow(c.row), c.col);
    if (cursor.isValid() && table->currentIndex() != cursor) table->setCurrentIndex(cursor);
}

}  // namespace tarnovel
