// Buttons, check boxes, radio buttons and radio groups: the controls a
// click acts on. A menu item is a button, or a check box when it can carry
// a check mark.

#include <QAction>
#include <QButtonGroup>
#include <QGridLayout>
#include <QRadioButton>
#include <algorithm>

#include "ui/binder.h"
#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::QStr;

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

void Binder::SetUpButton(Binding& b) {
    const std::string name = b.name;
    if (auto* action = As<QAction>(b.object))
        connect(action, &QAction::triggered, this, [=, this] { Fire(name, UserEvent::Click); });
    else
        connect(As<QAbstractButton>(b.object), &QAbstractButton::clicked, this,
                [=, this] { Fire(name, UserEvent::Click); });
}

void Binder::ApplyButton(Binding& b) {
    const auto& c = static_cast<const Button&>(*b.control);
    if (auto* action = As<QAction>(b.object)) {
        if (action->text() != QStr(c.caption)) action->setText(QStr(c.caption));
    } else if (auto* button = As<QAbstractButton>(b.object); button->text() != QStr(c.caption)) {
        button->setText(QStr(c.caption));
    }
}

void Binder::SetUpCheckBox(Binding& b) {
    const std::string name = b.name;
    // A menu item's check mark is set by its handler, never by the click
    // itself; a check box is checked by the click.
    if (auto* action = As<QAction>(b.object)) {
        connect(action, &QAction::triggered, this, [=, this] {
            if (filling_ == 0) Fire(name, UserEvent::Click);
        });
        return;
    }
    auto* control = static_cast<CheckBox*>(b.control);
    connect(As<QAbstractButton>(b.object), &QAbstractButton::clicked, this,
            [=, this](bool checked) {
                if (filling_ > 0) return;
                control->checked = checked;
                Fire(name, UserEvent::Click);
            });
}

void Binder::ApplyCheckBox(Binding& b) {
    const auto& c = static_cast<const CheckBox&>(*b.control);
    if (auto* action = As<QAction>(b.object)) {
        if (action->text() != QStr(c.caption)) action->setText(QStr(c.caption));
        // A menu item shows a mark only while it has one, as the menus the
        // forms were designed with do.
        if (action->isCheckable() != c.checked) action->setCheckable(c.checked);
        if (action->isChecked() != c.checked) action->setChecked(c.checked);
        return;
    }
    auto* box = As<QAbstractButton>(b.object);
    if (box->text() != QStr(c.caption)) box->setText(QStr(c.caption));
    if (box->isChecked() != c.checked) box->setChecked(c.checked);
}

void Binder::SetUpRadioButton(Binding& b) {
    auto* button = As<QRadioButton>(b.object);
    button->setAutoExclusive(false);
    const std::string name = b.name;
    auto* control = static_cast<RadioButton*>(b.control);
    connect(button, &QAbstractButton::clicked, this, [=, this] {
        if (filling_ > 0) return;
        // A click on a radio button always checks it.
        control->checked = true;
        Fire(name, UserEvent::Click);
    });
}

void Binder::ApplyRadioButton(Binding& b) {
    const auto& c = static_cast<const RadioButton&>(*b.control);
    auto* button = As<QAbstractButton>(b.object);
    if (button->text() != QStr(c.caption)) button->setText(QStr(c.caption));
    if (button->isChecked() != c.checked) button->setChecked(c.checked);
}

void Binder::SetUpRadioGroup(Binding& b) {
    const std::string name = b.name;
    auto* control = static_cast<RadioGroup*>(b.control);
    connect(As<RadioGroupBox>(b.object)->Buttons(), &QButtonGroup::idClicked, this,
            [=, this](int id) {
                if (filling_ > 0) return;
                control->itemIndex = id;
                Fire(name, UserEvent::Click);
            });
}

void Binder::ApplyRadioGroup(Binding& b) {
    const auto& c = static_cast<const RadioGroup&>(*b.control);
    auto* group = As<RadioGroupBox>(b.object);
    if (group->title() != QStr(c.caption)) group->setTitle(QStr(c.caption));
    const int before = group->Count();
    group->SetItems(c.items);
    group->SetItemIndex(c.itemIndex);
    // New radio items report their mouse moves like the rest.
    if (group->Count() != before)
        for (QWidget* w : group->findChildren<QWidget*>())
            Watch(w);
}

}  // namespace tarnovel
