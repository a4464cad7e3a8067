#include "ui/widget_kit.h"

#include <QEvent>
#include <QHeaderView>
#include <QPainter>
#include <QPainterPath>
#include <QProgressBar>
#include <QTableView>

namespace tarnovel {

void SetTextColour(QWidget* widget, const QColor& colour) {
    QPalette palette = widget->palette();
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        for (auto group : {QPalette::Active, QPalette::Inactive})
            palette.setColor(group, role, colour);
    widget->setPalette(palette);
}

void SetBold(QWidget* widget, bool bold) {
    QFont font = widget->font();
    font.setBold(bold);
    widget->setFont(font);
}

void SetItalic(QWidget* widget, bool italic) {
    QFont font = widget->font();
    font.setItalic(italic);
    widget->setFont(font);
}

void StyleGauge(QProgressBar* gauge, const QColor& colour) {
    gauge->setTextVisible(false);
    QPalette palette = gauge->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Highlight, colour);
    gauge->setPalette(palette);
}

void MakeReadOnly(QTableView* table) {
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionMode(QAbstractItemView::NoSelection);
}

void ScaleColumns(QTableView* table, double factor) {
    table->setProperty("columnScale", factor);
}

void SetRowHeight(QTableView* table, int height) {
    table->verticalHeader()->setMinimumSectionSize(height);
    table->verticalHeader()->setDefaultSectionSize(height);
    table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
}

void Anchors::Add(QWidget* widget, Follow follow) {
    QWidget* parent = widget->parentWidget();
    auto [at, added] = parents_.try_emplace(parent);
    if (added) {
        at->second.designed = parent->size();
        parent->installEventFilter(this);
    }
    at->second.followers.push_back({widget, widget->geometry(), follow});
    Place(parent, at->second);
}

bool Anchors::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize) {
        auto* parent = static_cast<QWidget*>(watched);
        const auto at = parents_.find(parent);
        if (at != parents_.end()) Place(parent, at->second);
    }
    return QObject::eventFilter(watched, event);
}

void Anchors::Place(QWidget* parent, const Parent& p) {
    // A parent smaller than designed keeps its followers as designed: they
    // never shrink below the layout they were drawn for.
    const int dw = std::max(0, parent->width() - p.designed.width());
    const int dh = std::max(0, parent->height() - p.designed.height());
    for (const Follower& f : p.followers) {
        if (!f.widget) continue;
        const QRect& d = f.designed;
        const QRect placed(d.x() + qRound(f.follow.left * dw), d.y() + qRound(f.follow.top * dh),
                           d.width() + qRound(f.follow.width * dw),
                           d.height() + qRound(f.follow.height * dh));
        if (f.widget->geometry() == placed) continue;
        f.widget->setGeometry(placed);
        // A hidden widget hears of its new size only once it shows, so its
        // own followers are placed now.
        if (const auto own = parents_.find(f.widget); own != parents_.end())
            Place(f.widget, own->second);
    }
}

Anchors& AnchorsOf(QWidget* window) {
    // Found by type, not by name: the class has no meta-object of its own.
    for (QObject* child : window->children())
        if (auto* anchors = dynamic_cast<Anchors*>(child)) return *anchors;
    return *new Anchors(window);
}

void ScalingPictureBox::paintEvent(QPaintEvent* event) {
    const QPixmap shown = pixmap();
    const QSize room = contentsRect().size();
    if (shown.isNull() || (room.width() <= shown.width() && room.height() <= shown.height())) {
        PictureBox::paintEvent(event);
        return;
    }
    QPainter p(this);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QSize size = shown.size().scaled(room, Qt::KeepAspectRatio);
    p.drawPixmap(QRect(contentsRect().topLeft(), size), shown);
}

QPixmap ArrowPicture(int width, int height) {
    QPixmap pixmap(width, height);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal mid = height / 2.0;
    const qreal head = std::min<qreal>(height * 0.45, width * 0.4);
    p.setPen(QPen(QColor(0, 0, 128), 2));
    p.drawLine(QPointF(1, mid), QPointF(width - head, mid));
    QPainterPath tip;
    tip.moveTo(width - 1, mid);
    tip.lineTo(width - 1 - head, mid - head * 0.8);
    tip.lineTo(width - 1 - head, mid + head * 0.8);
    tip.closeSubpath();
    p.fillPath(tip, QColor(0, 0, 128));
    return pixmap;
}

QPixmap ProgramPicture(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.scale(size / 64.0, size / 64.0);
    // Sky, ground and the groundwater below the water table.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xdd, 0xee, 0xfb));
    p.drawRoundedRect(QRectF(2, 2, 60, 60), 8, 8);
    p.setBrush(QColor(0xb0, 0x86, 0x4f));
    p.drawRect(QRectF(2, 24, 60, 14));
    p.setBrush(QColor(0x3a, 0x7c, 0xc9));
    QPainterPath water;
    water.moveTo(2, 38);
    water.cubicTo(16, 34, 28, 42, 44, 37);
    water.cubicTo(52, 35, 58, 37, 62, 38);
    water.lineTo(62, 54);
    water.quadTo(62, 62, 54, 62);
    water.lineTo(10, 62);
    water.quadTo(2, 62, 2, 54);
    water.closeSubpath();
    p.drawPath(water);
    // The piezometer tube with the water level in it.
    p.setBrush(Qt::white);
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 2));
    p.drawRect(QRectF(27, 10, 10, 46));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x1f, 0x5f, 0xa8));
    p.drawRect(QRectF(28, 38, 8, 17));
    p.setPen(QPen(QColor(0x33, 0x33, 0x33), 2));
    p.drawLine(QPointF(22, 38), QPointF(42, 38));
    return pixmap;
}

}  // namespace tarnovel
