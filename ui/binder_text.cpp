// Labels, edit boxes, memos and group boxes: the controls that show a text.

#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QPlainTextEdit>

#include "ui/binder.h"
#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::QStr;
using binder_support::S;

void Binder::SetUpLabel(Binding& b) {
    As<QLabel>(b.object)->setTextFormat(Qt::PlainText);
}

void Binder::ApplyLabel(Binding& b) {
    const auto& c = static_cast<const Label&>(*b.control);
    auto* label = As<QLabel>(b.object);
    if (label->text() != QStr(c.caption)) label->setText(QStr(c.caption));
}

void Binder::SetUpEdit(Binding& b) {
    const std::string name = b.name;
    auto* control = static_cast<Edit*>(b.control);
    connect(As<QLineEdit>(b.object), &QLineEdit::textEdited, this, [=, this](const QString& text) {
        if (filling_ > 0) return;
        control->text = S(text);
        Fire(name, UserEvent::Change);
    });
}

void Binder::ApplyEdit(Binding& b) {
    const auto& c = static_cast<const Edit&>(*b.control);
    auto* edit = As<QLineEdit>(b.object);
    if (edit->text() != QStr(c.text)) edit->setText(QStr(c.text));
}

void Binder::ApplyMemo(Binding& b) {
    const auto& c = static_cast<const Memo&>(*b.control);
    auto* memo = As<QPlainTextEdit>(b.object);
    QString text;
    for (const std::string& line : c.lines)
        text += QStr(line) + "\n";
    if (memo->toPlainText() != text) memo->setPlainText(text);
}

void Binder::ApplyGroupBox(Binding& b) {
    const auto& c = static_cast<const GroupBox&>(*b.control);
    auto* group = As<QGroupBox>(b.object);
    if (group->title() != QStr(c.caption)) group->setTitle(QStr(c.caption));
    const QVariant shown = group->property("greyText");
    if (shown.isValid() && shown.toBool() == c.greyText) return;
    group->setProperty("greyText", c.greyText);
    // Grey text over the whole group, its controls included; a disabled
    // control greys itself anyway.
    QPalette palette;
    if (c.greyText) {
        palette = group->palette();
        for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
            for (auto state : {QPalette::Active, QPalette::Inactive})
                palette.setColor(state, role, QColor(128, 128, 128));
    }
    group->setPalette(palette);
}

}  // namespace tarnovel
