// Selectors, list boxes and tab controls: the controls that offer a list of
// items to choose from.

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QTabBar>

#include "ui/binder.h"
#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::QStr;
using binder_support::S;
using binder_support::ToQStringList;

void Binder::SetUpComboBox(Binding& b) {
    auto* box = As<QComboBox>(b.object);
    box->setInsertPolicy(QComboBox::NoInsert);
    const std::string name = b.name;
    auto* combo = static_cast<ComboBox*>(b.control);
    connect(box, &QComboBox::activated, this, [=, this](int i) {
        if (filling_ > 0) return;
        const std::string before = combo->text;
        combo->text = i >= 0 && i < static_cast<int>(combo->items.size())
                          ? combo->items[static_cast<std::size_t>(i)]
                          : S(box->itemText(i));
        Fire(name, UserEvent::Click);
        if (combo->text != before) Fire(name, UserEvent::Change);
    });
}

// A selector made editable gets a line edit of its own, which reports the
// text as the user types it.
void Binder::ConnectTyping(Binding& b, QComboBox* box) {
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

void Binder::ApplyComboBox(Binding& b) {
    const auto& c = static_cast<const ComboBox&>(*b.control);
    auto* box = As<QComboBox>(b.object);
    if (box->isEditable() != c.editable) {
        box->setEditable(c.editable);
        if (c.editable) ConnectTyping(b, box);
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
        return;
    }
    const int index = c.ItemIndex();
    if (box->currentIndex() != index) box->setCurrentIndex(index);
    // A text that is none of the items still shows, as it did in the
    // selectors the forms were designed with.
    const QString placeholder = index < 0 ? QStr(c.text) : QString();
    if (box->placeholderText() != placeholder) box->setPlaceholderText(placeholder);
}

void Binder::SetUpListBox(Binding& b) {
    auto* list = As<QListWidget>(b.object);
    auto* model = static_cast<ListBox*>(b.control);
    const std::string name = b.name;
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
}

void Binder::ApplyListBox(Binding& b) {
    const auto& c = static_cast<const ListBox&>(*b.control);
    auto* list = As<QListWidget>(b.object);
    const auto mode =
        c.multiSelect ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection;
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
}

void Binder::SetUpTabControl(Binding& b) {
    const std::string name = b.name;
    auto* control = static_cast<TabControl*>(b.control);
    connect(As<QTabBar>(b.object), &QTabBar::currentChanged, this, [=, this](int index) {
        if (filling_ > 0 || index < 0) return;
        control->tabIndex = index;
        Fire(name, UserEvent::Change);
    });
}

void Binder::ApplyTabControl(Binding& b) {
    const auto& c = static_cast<const TabControl&>(*b.control);
    auto* tabs = As<QTabBar>(b.object);
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
}

}  // namespace tarnovel
