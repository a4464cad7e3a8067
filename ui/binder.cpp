#include "ui/binder.h"

#include <optional>

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QImage>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QStyledItemDelegate>
#include <QTabBar>
#include <QTableView>
#include <algorithm>
#include <cctype>

namespace tarnovel {

namespace {

QString QStr(const std::string& text) {
    return QString::fromStdString(text);
}

std::string S(const QString& text) {
    return text.toStdString();
}

QStringList ToQStringList(const std::vector<std::string>& items) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(items.size()));
    for (const std::string& item : items)
        list.push_back(QStr(item));
    return list;
}

template <class T>
T* As(QObject* object) {
    return dynamic_cast<T*>(object);
}

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

// The kind a control's name announces, by the prefixes of the naming rule;
// menu items keep their captions as names and announce nothing.

std::optional<Binder::Kind> AnnouncedKind(std::string_view name) {
    std::string lower(name);
    for (char& ch : lower)
        ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    struct Prefix {
        const char* text;
        Binder::Kind kind;
    };
    static const Prefix prefixes[] = {
        {"btbttn", Binder::Kind::Button},
        {"bttn", Binder::Kind::Button},
        {"cmbbx", Binder::Kind::ComboBox},
        {"lstbx", Binder::Kind::ListBox},
        {"listbox", Binder::Kind::ListBox},
        {"edt", Binder::Kind::Edit},
        {"strgrd", Binder::Kind::StringGrid},
        {"rdgrp", Binder::Kind::RadioGroup},
        {"rdbttn", Binder::Kind::RadioButton},
        {"chckbx", Binder::Kind::CheckBox},
        {"grpbx", Binder::Kind::GroupBox},
        {"lbl", Binder::Kind::Label},
        {"label", Binder::Kind::Label},
        {"statictext", Binder::Kind::Label},
        {"sttsbr", Binder::Kind::StatusBar},
        {"stsbr", Binder::Kind::StatusBar},
        {"ppmn", Binder::Kind::Plain},
        {"gg", Binder::Kind::Gauge},
        {"img", Binder::Kind::Image},
        {"image", Binder::Kind::Image},
        {"mm", Binder::Kind::Memo},
        {"tbcntrl", Binder::Kind::TabControl},
    };
    for (const Prefix& p : prefixes)
        if (lower.rfind(p.text, 0) == 0) return p.kind;
    return std::nullopt;
}

}  // namespace

// ---------------------------------------------------------------------------

RadioGroupBox::RadioGroupBox(QWidget* parent, int columns)
    : QGroupBox(parent), columns_(std::max(1, columns)), buttons_(new QButtonGroup(this)) {
    buttons_->setExclusive(true);
    new QGridLayout(this);
}

void RadioGroupBox::SetItems(const std::vector<std::string>& items) {
    if (items == items_) return;
    items_ = items;
    for (QAbstractButton* b : buttons_->buttons()) {
        buttons_->removeButton(b);
        delete b;
    }
    auto* grid = static_cast<QGridLayout*>(layout());
    const int rows = (Count() + columns_ - 1) / columns_;
    for (int i = 0; i < Count(); ++i) {
        auto* b = new QRadioButton(QStr(items_[static_cast<std::size_t>(i)]), this);
        b->setMouseTracking(true);
        buttons_->addButton(b, i);
        grid->addWidget(b, i % std::max(1, rows), i / std::max(1, rows));
    }
    Arrange();
}

void RadioGroupBox::SetItemIndex(int index) {
    if (index == ItemIndex()) return;
    if (index < 0 || index >= Count()) {
        // An exclusive group cannot show "none" without a moment of
        // non-exclusivity.
        buttons_->setExclusive(false);
        for (QAbstractButton* b : buttons_->buttons())
            b->setChecked(false);
        buttons_->setExclusive(true);
        return;
    }
    buttons_->button(index)->setChecked(true);
}

int RadioGroupBox::ItemIndex() const {
    return buttons_->checkedId();
}

void RadioGroupBox::SetAutoHeight(int rowHeight, int extra) {
    rowHeight_ = rowHeight;
    extraHeight_ = extra;
    Arrange();
}

void RadioGroupBox::Arrange() {
    auto* grid = static_cast<QGridLayout*>(layout());
    grid->setContentsMargins(8, 2, 4, 2);
    grid->setVerticalSpacing(0);
    if (rowHeight_ <= 0) return;
    const int rows = (Count() + columns_ - 1) / columns_;
    resize(width(), rowHeight_ * rows + extraHeight_);
}

// ---------------------------------------------------------------------------

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
    grid_.Cell(c, r) = S(value.toString());
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

Binder::Binder(QWidget* view, const ControlSource& controls, std::vector<Route> routes,
               HandlerRunner run)
    : QObject(view), view_(view), routes_(std::move(routes)), run_(std::move(run)) {
    struct Collect : ControlVisitor {
        explicit Collect(Binder& b) : binder(b) {}
        void Visit(std::string_view name, Control& c) override {
            binder.controls_.emplace(std::string(name), &c);
            binder.order_.emplace_back(name);
        }
        Binder& binder;
    } collect(*this);
    controls(collect);

    auto consider = [&](QObject* object) {
        const std::string name = S(object->objectName());
        const auto control = controls_.find(name);
        if (name.empty() || control == controls_.end() || bindings_.count(name) > 0) return;
        Binding& b = bindings_[name];
        b.name = name;
        b.control = control->second;
        b.object = object;
        names_[object] = name;
    };
    for (QWidget* w : view_->findChildren<QWidget*>())
        consider(w);
    for (QAction* a : view_->findChildren<QAction*>())
        consider(a);
    for (auto& [name, b] : bindings_)
        Bind(b);

    Watch(view_);
    for (QWidget* w : view_->findChildren<QWidget*>())
        Watch(w);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget*, QWidget* now) { FocusEntered(now); });

    Refresh();
#ifndef NDEBUG
    const std::vector<std::string> wrong = Mismatches();
    for (const std::string& m : wrong)
        qWarning("binder: %s", m.c_str());
    Q_ASSERT_X(wrong.empty(), "Binder", "widgets do not suit their controls");
#endif
}

void Binder::Bind(Binding& b) {
    QObject* o = b.object;
    if (auto* action = As<QAction>(o))
        b.kind = action->isCheckable() ? Kind::CheckBox : Kind::Button;
    else if (As<QMenu>(o))
        b.kind = Kind::Plain;
    else if (As<PictureBox>(o))
        b.kind = Kind::Image;
    else if (As<RadioGroupBox>(o))
        b.kind = Kind::RadioGroup;
    else if (As<QGroupBox>(o))
        b.kind = Kind::GroupBox;
    else if (As<QRadioButton>(o))
        b.kind = Kind::RadioButton;
    else if (As<QCheckBox>(o))
        b.kind = Kind::CheckBox;
    else if (As<QAbstractButton>(o))
        b.kind = Kind::Button;
    else if (As<QComboBox>(o))
        b.kind = Kind::ComboBox;
    else if (As<QListWidget>(o))
        b.kind = Kind::ListBox;
    else if (As<QTableView>(o))
        b.kind = Kind::StringGrid;
    else if (As<QLineEdit>(o))
        b.kind = Kind::Edit;
    else if (As<QPlainTextEdit>(o))
        b.kind = Kind::Memo;
    else if (As<QProgressBar>(o))
        b.kind = Kind::Gauge;
    else if (As<QStatusBar>(o))
        b.kind = Kind::StatusBar;
    else if (As<QTabBar>(o))
        b.kind = Kind::TabControl;
    else if (As<QLabel>(o))
        b.kind = Kind::Label;
    else
        b.kind = Kind::Plain;

    if (b.kind == Kind::StringGrid) {
        auto* table = As<QTableView>(o);
        b.grid = new GridModel(static_cast<StringGrid&>(*b.control), table);
        table->setModel(b.grid);
        table->setItemDelegate(new GridDelegate(this, table));
        table->verticalHeader()->setVisible(false);
    }
    if (b.kind == Kind::RadioButton) As<QRadioButton>(o)->setAutoExclusive(false);
    if (b.kind == Kind::Label) As<QLabel>(o)->setTextFormat(Qt::PlainText);
    if (b.kind == Kind::ComboBox) As<QComboBox>(o)->setInsertPolicy(QComboBox::NoInsert);
    if (b.kind == Kind::Gauge) As<QProgressBar>(o)->setRange(0, 100);
    Connect(b);
}

void Binder::Connect(Binding& b) {
    const std::string name = b.name;
    Control* control = b.control;
    switch (b.kind) {
        case Kind::Button:
            if (auto* action = As<QAction>(b.object))
                connect(action, &QAction::triggered, this,
                        [=, this] { Fire(name, UserEvent::Click); });
            else
                connect(As<QAbstractButton>(b.object), &QAbstractButton::clicked, this,
                        [=, this] { Fire(name, UserEvent::Click); });
            break;
        case Kind::CheckBox: {
            // A menu item's check mark is set by its handler, never by the
            // click itself; a check box is checked by the click.
            if (auto* action = As<QAction>(b.object)) {
                connect(action, &QAction::triggered, this, [=, this] {
                    if (filling_ == 0) Fire(name, UserEvent::Click);
                });
                break;
            }
            connect(As<QAbstractButton>(b.object), &QAbstractButton::clicked, this,
                    [=, this](bool checked) {
                        if (filling_ > 0) return;
                        static_cast<CheckBox*>(control)->checked = checked;
                        Fire(name, UserEvent::Click);
                    });
            break;
        }
        case Kind::RadioButton:
            connect(As<QAbstractButton>(b.object), &QAbstractButton::clicked, this, [=, this] {
                if (filling_ > 0) return;
                // A click on a radio button always checks it.
                static_cast<RadioButton*>(control)->checked = true;
                Fire(name, UserEvent::Click);
            });
            break;
        case Kind::RadioGroup:
            connect(As<RadioGroupBox>(b.object)->Buttons(), &QButtonGroup::idClicked, this,
                    [=, this](int id) {
                        if (filling_ > 0) return;
                        static_cast<RadioGroup*>(control)->itemIndex = id;
                        Fire(name, UserEvent::Click);
                    });
            break;
        case Kind::ComboBox: {
            auto* box = As<QComboBox>(b.object);
            auto* combo = static_cast<ComboBox*>(control);
            connect(box, &QComboBox::activated, this, [=, this](int i) {
                if (filling_ > 0) return;
                const std::string before = combo->text;
                combo->text = i >= 0 && i < static_cast<int>(combo->items.size())
                                  ? combo->items[static_cast<std::size_t>(i)]
                                  : S(box->itemText(i));
                Fire(name, UserEvent::Click);
                if (combo->text != before) Fire(name, UserEvent::Change);
            });
            break;
        }
        case Kind::ListBox: {
            auto* list = As<QListWidget>(b.object);
            auto* model = static_cast<ListBox*>(control);
            connect(list, &QListWidget::itemSelectionChanged, this, [=, this] {
                if (filling_ > 0) return;
                model->selection.clear();
                for (int i = 0; i < list->count(); ++i)
                    if (list->item(i)->isSelected()) model->selection.push_back(i);
                model->selected = list->currentRow();
                if (!model->multiSelect)
                    model->selected = model->selection.empty() ? -1 : model->selection.front();
                Fire(name, UserEvent::Click);
            });
            break;
        }
        case Kind::Edit:
            connect(As<QLineEdit>(b.object), &QLineEdit::textEdited, this,
                    [=, this](const QString& text) {
                        if (filling_ > 0) return;
                        static_cast<Edit*>(control)->text = S(text);
                        Fire(name, UserEvent::Change);
                    });
            break;
        case Kind::TabControl:
            connect(As<QTabBar>(b.object), &QTabBar::currentChanged, this, [=, this](int index) {
                if (filling_ > 0 || index < 0) return;
                static_cast<TabControl*>(control)->tabIndex = index;
                Fire(name, UserEvent::Change);
            });
            break;
        case Kind::StringGrid: {
            auto* table = As<QTableView>(b.object);
            GridModel* grid = b.grid;
            // The cursor cell; a model reset keeps the selection model.
            connect(table->selectionModel(), &QItemSelectionModel::currentChanged, this,
                    [=, this](const QModelIndex& current) {
                        if (filling_ > 0 || !current.isValid()) return;
                        grid->grid().col = current.column();
                        grid->grid().row = grid->GridRow(current.row());
                    });
            break;
        }
        default:
            break;
    }
}

void Binder::Watch(QWidget* widget) {
    widget->setMouseTracking(true);
    widget->installEventFilter(this);
}

void Binder::Refresh() {
    ++filling_;
    for (const std::string& name : order_) {
        const auto b = bindings_.find(name);
        if (b != bindings_.end()) Apply(b->second);
    }
    --filling_;
}

bool Binder::Refresh(std::string_view control) {
    const auto b = bindings_.find(control);
    if (b == bindings_.end()) return false;
    ++filling_;
    Apply(b->second);
    --filling_;
    return true;
}

QObject* Binder::Bound(std::string_view control) const {
    const auto b = bindings_.find(control);
    return b == bindings_.end() ? nullptr : b->second.object;
}

Control* Binder::ControlOf(std::string_view control) const {
    const auto c = controls_.find(control);
    return c == controls_.end() ? nullptr : c->second;
}

bool Binder::IsGauge(std::string_view control) const {
    const auto b = bindings_.find(control);
    return b != bindings_.end() && b->second.kind == Kind::Gauge;
}

void Binder::ApplyCommon(Binding& b) {
    const Control& c = *b.control;
    if (auto* action = As<QAction>(b.object)) {
        if (action->isEnabled() != c.enabled) action->setEnabled(c.enabled);
        if (action->isVisible() != c.visible) action->setVisible(c.visible);
        return;
    }
    auto* w = As<QWidget>(b.object);
    if (w == nullptr) return;
    if (w->testAttribute(Qt::WA_ForceDisabled) == c.enabled) w->setEnabled(c.enabled);
    // A popup menu is shown by its owner, never by the model.
    if (As<QMenu>(w) != nullptr) return;
    if (w->isHidden() == c.visible) w->setVisible(c.visible);
}

void Binder::Apply(Binding& b) {
    QObject* o = b.object;
    switch (b.kind) {
        case Kind::Button: {
            const auto& c = static_cast<const Button&>(*b.control);
            if (auto* action = As<QAction>(o)) {
                if (action->text() != QStr(c.caption)) action->setText(QStr(c.caption));
            } else if (auto* button = As<QAbstractButton>(o); button->text() != QStr(c.caption)) {
                button->setText(QStr(c.caption));
            }
            break;
        }
        case Kind::Label: {
            const auto& c = static_cast<const Label&>(*b.control);
            auto* label = As<QLabel>(o);
            if (label->text() != QStr(c.caption)) label->setText(QStr(c.caption));
            break;
        }
        case Kind::CheckBox: {
            const auto& c = static_cast<const CheckBox&>(*b.control);
            if (auto* action = As<QAction>(o)) {
                if (action->text() != QStr(c.caption)) action->setText(QStr(c.caption));
                // A menu item shows a mark only while it has one, as the
                // menus the forms were designed with do.
                if (action->isCheckable() != c.checked) action->setCheckable(c.checked);
                if (action->isChecked() != c.checked) action->setChecked(c.checked);
            } else {
                auto* box = As<QAbstractButton>(o);
                if (box->text() != QStr(c.caption)) box->setText(QStr(c.caption));
                if (box->isChecked() != c.checked) box->setChecked(c.checked);
            }
            break;
        }
        case Kind::RadioButton: {
            const auto& c = static_cast<const RadioButton&>(*b.control);
            auto* button = As<QAbstractButton>(o);
            if (button->text() != QStr(c.caption)) button->setText(QStr(c.caption));
            if (button->isChecked() != c.checked) button->setChecked(c.checked);
            break;
        }
        case Kind::RadioGroup: {
            const auto& c = static_cast<const RadioGroup&>(*b.control);
            auto* group = As<RadioGroupBox>(o);
            if (group->title() != QStr(c.caption)) group->setTitle(QStr(c.caption));
            const int before = group->Count();
            group->SetItems(c.items);
            group->SetItemIndex(c.itemIndex);
            if (group->Count() != before)
                for (QWidget* w : group->findChildren<QWidget*>())
                    Watch(w);
            break;
        }
        case Kind::ComboBox: {
            const auto& c = static_cast<const ComboBox&>(*b.control);
            auto* box = As<QComboBox>(o);
            if (box->isEditable() != c.editable) {
                box->setEditable(c.editable);
                if (c.editable) {
                    QLineEdit* line = box->lineEdit();
                    Watch(line);
                    auto* combo = static_cast<ComboBox*>(b.control);
                    const std::string name = b.name;
                    connect(line, &QLineEdit::textEdited, this, [=, this](const QString& text) {
                        if (filling_ > 0) return;
                        combo->text = S(text);
                        Fire(name, UserEvent::Change);
                    });
                }
            }
            const QStringList items = ToQStringList(c.items);
            QStringList shown;
            for (int i = 0; i < box->count(); ++i)
                shown.push_back(box->itemText(i));
            if (shown != items) {
                box->clear();
                box->addItems(items);
            }
            if (c.editable) {
                if (box->currentText() != QStr(c.text)) box->setEditText(QStr(c.text));
            } else {
                const int index = c.ItemIndex();
                if (box->currentIndex() != index) box->setCurrentIndex(index);
                // A text that is none of the items still shows, as it did in
                // the selectors the forms were designed with.
                const QString placeholder = index < 0 ? QStr(c.text) : QString();
                if (box->placeholderText() != placeholder) box->setPlaceholderText(placeholder);
            }
            break;
        }
        case Kind::ListBox: {
            const auto& c = static_cast<const ListBox&>(*b.control);
            auto* list = As<QListWidget>(o);
            const auto mode = c.multiSelect ? QAbstractItemView::ExtendedSelection
                                            : QAbstractItemView::SingleSelection;
            if (list->selectionMode() != mode) list->setSelectionMode(mode);
            const QStringList items = ToQStringList(c.items);
            bool same = list->count() == items.size();
            for (int i = 0; same && i < list->count(); ++i)
                same = list->item(i)->text() == items[i];
            if (!same) {
                list->clear();
                list->addItems(items);
            }
            for (int i = 0; i < list->count(); ++i) {
                const bool selected = c.IsSelected(i);
                if (list->item(i)->isSelected() != selected) list->item(i)->setSelected(selected);
            }
            if (c.selected >= 0 && c.selected < list->count() && list->currentRow() != c.selected)
                list->setCurrentRow(c.selected, QItemSelectionModel::NoUpdate);
            break;
        }
        case Kind::Edit: {
            const auto& c = static_cast<const Edit&>(*b.control);
            auto* edit = As<QLineEdit>(o);
            if (edit->text() != QStr(c.text)) edit->setText(QStr(c.text));
            break;
        }
        case Kind::Memo: {
            const auto& c = static_cast<const Memo&>(*b.control);
            auto* memo = As<QPlainTextEdit>(o);
            QString text;
            for (const std::string& line : c.lines)
                text += QStr(line) + "\n";
            if (memo->toPlainText() != text) memo->setPlainText(text);
            break;
        }
        case Kind::GroupBox: {
            const auto& c = static_cast<const GroupBox&>(*b.control);
            auto* group = As<QGroupBox>(o);
            if (group->title() != QStr(c.caption)) group->setTitle(QStr(c.caption));
            const QVariant shown = group->property("greyText");
            if (!shown.isValid() || shown.toBool() != c.greyText) {
                group->setProperty("greyText", c.greyText);
                // Grey text over the whole group, its controls included; a
                // disabled control greys itself anyway.
                QPalette palette;
                if (c.greyText) {
                    palette = group->palette();
                    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
                        for (auto state : {QPalette::Active, QPalette::Inactive})
                            palette.setColor(state, role, QColor(128, 128, 128));
                }
                group->setPalette(palette);
            }
            break;
        }
        case Kind::Gauge: {
            const auto& c = static_cast<const Gauge&>(*b.control);
            auto* gauge = As<QProgressBar>(o);
            const int position = std::clamp(c.position, 0, 100);
            if (gauge->value() != position) gauge->setValue(position);
            break;
        }
        case Kind::StatusBar: {
            const auto& c = static_cast<const StatusBar&>(*b.control);
            auto* bar = As<QStatusBar>(o);
            if (bar->currentMessage() != QStr(c.text)) {
                if (c.text.empty())
                    bar->clearMessage();
                else
                    bar->showMessage(QStr(c.text));
            }
            break;
        }
        case Kind::TabControl: {
            const auto& c = static_cast<const TabControl&>(*b.control);
            auto* tabs = As<QTabBar>(o);
            const QStringList texts = ToQStringList(c.tabs);
            while (tabs->count() > texts.size())
                tabs->removeTab(tabs->count() - 1);
            for (int i = 0; i < texts.size(); ++i) {
                if (i >= tabs->count())
                    tabs->addTab(texts[i]);
                else if (tabs->tabText(i) != texts[i])
                    tabs->setTabText(i, texts[i]);
            }
            if (c.tabIndex >= 0 && c.tabIndex < tabs->count() && tabs->currentIndex() != c.tabIndex)
                tabs->setCurrentIndex(c.tabIndex);
            break;
        }
        case Kind::StringGrid: {
            auto& c = static_cast<StringGrid&>(*b.control);
            auto* table = As<QTableView>(o);
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
            break;
        }
        case Kind::Image: {
            const auto& c = static_cast<const Image&>(*b.control);
            auto* picture = As<PictureBox>(o);
            const std::size_t size =
                static_cast<std::size_t>(std::max(0, c.width)) * std::max(0, c.height);
            if (size > 0 && c.pixels.size() == size && c.pixels != b.shownPixels) {
                QImage image(c.width, c.height, QImage::Format_RGB32);
                for (int y = 0; y < c.height; ++y) {
                    auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
                    for (int x = 0; x < c.width; ++x)
                        line[x] = 0xFF000000u | c.pixels[static_cast<std::size_t>(y) * c.width + x];
                }
                picture->setPixmap(QPixmap::fromImage(image));
                b.shownPixels = c.pixels;
            }
            break;
        }
        case Kind::Plain:
            break;
    }
    ApplyCommon(b);
}

bool Binder::HasRoute(const std::string& control, UserEvent event) const {
    return std::any_of(routes_.begin(), routes_.end(),
                       [&](const Route& r) { return r.event == event && r.control == control; });
}

void Binder::Fire(const std::string& control, UserEvent event) {
    if (filling_ > 0 || !HasRoute(control, event)) return;
    run_([&] {
        for (const Route& r : routes_)
            if (r.event == event && r.control == control) r.handler();
    });
}

std::string Binder::ControlAt(const QWidget* widget) const {
    for (const QWidget* w = widget; w != nullptr && w != view_; w = w->parentWidget()) {
        const auto name = names_.find(w);
        if (name != names_.end()) return name->second;
    }
    return "";
}

void Binder::MouseMoved(QWidget* widget, QEvent* event) {
    const auto* move = static_cast<QMouseEvent*>(event);
    const QPointF global = move->globalPosition();
    if (static_cast<qint64>(move->timestamp()) == lastMove_ && global == lastMovePos_) return;
    lastMove_ = static_cast<qint64>(move->timestamp());
    lastMovePos_ = global;

    // The control under the mouse, not the widget the event reached first:
    // a moved-over child that passes its moves on to its parent must not
    // make the parent's handler answer for it. A disabled control takes no
    // mouse moves; its enabled surroundings do.
    if (widget->window() != view_->window()) return;  // a popup over the view
    QWidget* under = view_->childAt(view_->mapFromGlobal(global.toPoint()));
    for (QWidget* w = under; w != nullptr && w != view_; w = w->parentWidget()) {
        if (!w->isEnabled()) continue;
        const auto name = names_.find(w);
        if (name != names_.end()) {
            Fire(name->second, UserEvent::MouseMove);
            return;
        }
    }
    Fire("", UserEvent::MouseMove);
}

void Binder::FocusEntered(QWidget* now) {
    if (now == nullptr || (now != view_ && !view_->isAncestorOf(now))) return;
    const std::string control = ControlAt(now);
    if (control == focused_) return;
    focused_ = control;
    Fire(control, UserEvent::Enter);
}

bool Binder::eventFilter(QObject* watched, QEvent* event) {
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr) return false;
    switch (event->type()) {
        case QEvent::MouseMove:
            MouseMoved(widget, event);
            break;
        case QEvent::KeyPress: {
            // A key a child leaves unused travels on to its parents as the
            // same event; the grid handles it once.
            const auto* key = static_cast<QKeyEvent*>(event);
            if (event == lastKey_ && key->timestamp() == lastKeyTime_) break;
            lastKey_ = event;
            lastKeyTime_ = key->timestamp();
            Fire(ControlAt(widget), UserEvent::KeyDown);
            break;
        }
        case QEvent::ChildPolished: {
            // Children made later report to the same control as their parent.
            auto* added = static_cast<QChildEvent*>(event)->child();
            if (auto* child = qobject_cast<QWidget*>(added); child != nullptr && !child->isWindow())
                Watch(child);
            break;
        }
        default:
            break;
    }
    return false;
}

std::vector<std::string> Binder::Mismatches() const {
    std::vector<std::string> wrong;
    for (const std::string& name : order_) {
        const auto b = bindings_.find(name);
        if (b == bindings_.end()) {
            wrong.push_back("no widget shows " + name);
            continue;
        }
        const std::optional<Kind> announced = AnnouncedKind(name);
        const bool menuItem = As<QAction>(b->second.object) != nullptr;
        if (!announced ? !menuItem : *announced != b->second.kind)
            wrong.push_back(name + " is shown by a " + b->second.object->metaObject()->className() +
                            ", which does not suit its kind");
    }
    return wrong;
}

}  // namespace tarnovel
