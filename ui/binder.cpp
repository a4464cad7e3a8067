// The binder's core: finding the widgets of a form's controls, telling their
// kinds, refreshing them, and turning mouse, focus and key events into user
// actions. What each kind of control does is in the binder_*.cpp files.

#include "ui/binder.h"

#include <optional>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QStatusBar>
#include <QTabBar>
#include <QTableView>
#include <algorithm>
#include <cctype>

#include "ui/binder_support.h"

namespace tarnovel {

using binder_support::As;
using binder_support::S;

namespace {

template <class W>
bool Is(QObject* object) {
    return As<W>(object) != nullptr;
}

// The kind of control a widget or menu item can show. The order matters:
// a more special widget class comes before the class it derives from.
Binder::Kind KindOf(QObject* o) {
    using Kind = Binder::Kind;
    if (auto* action = As<QAction>(o)) return action->isCheckable() ? Kind::CheckBox : Kind::Button;
    struct Test {
        bool (*is)(QObject*);
        Kind kind;
    };
    static const Test tests[] = {
        {&Is<QMenu>, Kind::Plain},
        {&Is<PictureBox>, Kind::Image},
        {&Is<RadioGroupBox>, Kind::RadioGroup},
        {&Is<QGroupBox>, Kind::GroupBox},
        {&Is<QRadioButton>, Kind::RadioButton},
        {&Is<QCheckBox>, Kind::CheckBox},
        {&Is<QAbstractButton>, Kind::Button},
        {&Is<QComboBox>, Kind::ComboBox},
        {&Is<QListWidget>, Kind::ListBox},
        {&Is<QTableView>, Kind::StringGrid},
        {&Is<QLineEdit>, Kind::Edit},
        {&Is<QPlainTextEdit>, Kind::Memo},
        {&Is<QProgressBar>, Kind::Gauge},
        {&Is<QStatusBar>, Kind::StatusBar},
        {&Is<QTabBar>, Kind::TabControl},
        {&Is<QLabel>, Kind::Label},
    };
    for (const Test& t : tests)
        if (t.is(o)) return t.kind;
    return Kind::Plain;
}

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

Binder::KindSteps Binder::StepsOf(Kind kind) {
    switch (kind) {
        case Kind::Button:
            return {&Binder::SetUpButton, &Binder::ApplyButton};
        case Kind::CheckBox:
            return {&Binder::SetUpCheckBox, &Binder::ApplyCheckBox};
        case Kind::RadioButton:
            return {&Binder::SetUpRadioButton, &Binder::ApplyRadioButton};
        case Kind::RadioGroup:
            return {&Binder::SetUpRadioGroup, &Binder::ApplyRadioGroup};
        case Kind::Label:
            return {&Binder::SetUpLabel, &Binder::ApplyLabel};
        case Kind::Edit:
            return {&Binder::SetUpEdit, &Binder::ApplyEdit};
        case Kind::Memo:
            return {nullptr, &Binder::ApplyMemo};
        case Kind::GroupBox:
            return {nullptr, &Binder::ApplyGroupBox};
        case Kind::ComboBox:
            return {&Binder::SetUpComboBox, &Binder::ApplyComboBox};
        case Kind::ListBox:
            return {&Binder::SetUpListBox, &Binder::ApplyListBox};
        case Kind::TabControl:
            return {&Binder::SetUpTabControl, &Binder::ApplyTabControl};
        case Kind::StringGrid:
            return {&Binder::SetUpStringGrid, &Binder::ApplyStringGrid};
        case Kind::Gauge:
            return {&Binder::SetUpGauge, &Binder::ApplyGauge};
        case Kind::StatusBar:
            return {nullptr, &Binder::ApplyStatusBar};
        case Kind::Image:
            return {nullptr, &Binder::ApplyImage};
        case Kind::Plain:
            break;
    }
    return {};
}

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
    b.kind = KindOf(b.object);
    if (const Step setUp = StepsOf(b.kind).setUp) (this->*setUp)(b);
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

void Binder::Apply(Binding& b) {
    if (const Step apply = StepsOf(b.kind).apply) (this->*apply)(b);
    ApplyCommon(b);
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
