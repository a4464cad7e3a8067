#include "ui/overview_view.h"

#include <QBuffer>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QSaveFile>
#include <QSplitter>
#include <QStandardItemModel>
#include <QTableView>
#include <QTableWidget>
#include <QToolTip>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "common/io_error.h"
#include "common/number_format.h"
#include "shell/main_form.h"
#include "ui/qt_platform.h"
#include "ui/widget_kit.h"

namespace tarnovel {

namespace {

constexpr int kRowRole = Qt::UserRole + 1;
constexpr double kPointRadius = 4.5;
constexpr double kHoverDistance = 7;

QString Q(const std::string& text) {
    return QString::fromStdString(text);
}

// ------------------------------------------------------------- the plot

// Where the plot lies in a picture of a given size, and its common range.
struct PlotFrame {
    QRectF area;
    double lo = 0, hi = 1, step = 1;

    double X(double v) const { return area.left() + (v - lo) / (hi - lo) * area.width(); }
    double Y(double v) const { return area.bottom() - (v - lo) / (hi - lo) * area.height(); }
};

// A step of 1, 2 or 5 times a power of ten giving about five intervals.
double NiceStep(double span) {
    const double raw = span / 5;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (const double m : {1.0, 2.0, 5.0})
        if (m * magnitude >= raw) return m * magnitude;
    return 10 * magnitude;
}

PlotFrame FrameOf(const OverviewRow& row, QSizeF size) {
    constexpr double kLeft = 66, kRight = 18, kTop = 34, kBottom = 54;
    PlotFrame f;
    const double side =
        std::max(60.0, std::min(size.width() - kLeft - kRight, size.height() - kTop - kBottom));
    // Square, in the middle of the room across.
    const double left = kLeft + std::max(0.0, (size.width() - kLeft - kRight - side) / 2);
    f.area = QRectF(left, kTop, side, side);
    double lo = std::numeric_limits<double>::infinity();
    double hi = -lo;
    for (const OverviewResidual& r : row.residuals)
        for (const double v : {r.measured, r.predicted}) {
            lo = std::min(lo, v);
            hi = std::max(hi, v);
        }
    if (!(lo <= hi)) {
        lo = 0;
        hi = 1;
    }
    const double span = hi > lo ? hi - lo : std::max(1.0, std::abs(hi) * 0.1);
    f.step = NiceStep(span);
    // A margin on either side keeps the outermost points off the frame.
    f.lo = std::floor((lo - 0.05 * span) / f.step) * f.step;
    f.hi = std::ceil((hi + 0.05 * span) / f.step) * f.step;
    return f;
}

QString TickText(double v, double step) {
    const int decimals = step >= 1 ? 0 : static_cast<int>(std::ceil(-std::log10(step) - 1e-9));
    return QString::number(std::abs(v) < step * 1e-9 ? 0.0 : v, 'f', decimals);
}

QString Title(const OverviewRow& row) {
    QString dates = Q(row.date1);
    if (row.date2 != row.date1) dates += " + " + Q(row.date2);
    return Q(row.stratum) + "  " + Q(row.kind) + " on " + dates + "  (" + Q(row.weighting) + ")";
}

// What a plot is drawn with: the screen and PNG through QPainter, SVG as
// text. Texts are centred vertically on their anchor; align -1 puts the
// anchor at the text's start, 0 at its middle, 1 at its end.
class PlotPen {
  public:
    virtual ~PlotPen() = default;
    virtual void Line(QPointF a, QPointF b, const QColor& colour, double width) = 0;
    virtual void Frame(const QRectF& r) = 0;
    virtual void Dot(QPointF centre, double radius) = 0;
    virtual void Text(QPointF at, const QString& text, int align, bool upwards, bool bold) = 0;
};

const QColor kGridColour(0xdd, 0xdd, 0xdd);
const QColor kLineColour(0xc0, 0x10, 0x10);
const QColor kDotFill(0x1f, 0x5f, 0xb8);
const QColor kDotLine(0x0b, 0x2f, 0x66);

void DrawPlot(PlotPen& pen, const OverviewRow& row, QSizeF size) {
    const PlotFrame f = FrameOf(row, size);
    for (double t = f.lo; t <= f.hi + f.step * 1e-9; t += f.step) {
        pen.Line({f.X(t), f.area.top()}, {f.X(t), f.area.bottom()}, kGridColour, 1);
        pen.Line({f.area.left(), f.Y(t)}, {f.area.right(), f.Y(t)}, kGridColour, 1);
        pen.Text({f.X(t), f.area.bottom() + 11}, TickText(t, f.step), 0, false, false);
        pen.Text({f.area.left() - 5, f.Y(t)}, TickText(t, f.step), 1, false, false);
    }
    pen.Line({f.X(f.lo), f.Y(f.lo)}, {f.X(f.hi), f.Y(f.hi)}, kLineColour, 1.5);
    pen.Frame(f.area);
    for (const OverviewResidual& r : row.residuals)
        pen.Dot({f.X(r.measured), f.Y(r.predicted)}, kPointRadius);
    pen.Text({f.area.center().x(), f.area.bottom() + 36}, Q("Measured " + row.kind + " (cm)"), 0,
             false, false);
    pen.Text({f.area.left() - 50, f.area.center().y()}, Q("Predicted " + row.kind + " (cm)"), 0,
             true, false);
    pen.Text({size.width() / 2, 16}, Title(row), 0, false, true);
}

class PainterPen : public PlotPen {
  public:
    explicit PainterPen(QPainter& p) : p_(p) { p_.setRenderHint(QPainter::Antialiasing); }

    void Line(QPointF a, QPointF b, const QColor& colour, double width) override {
        p_.setPen(QPen(colour, width));
        p_.drawLine(a, b);
    }
    void Frame(const QRectF& r) override {
        p_.setPen(QPen(Qt::black, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(r);
    }
    void Dot(QPointF centre, double radius) override {
        p_.setPen(QPen(kDotLine, 1));
        p_.setBrush(kDotFill);
        p_.drawEllipse(centre, radius, radius);
    }
    void Text(QPointF at, const QString& text, int align, bool upwards, bool bold) override {
        QFont font = p_.font();
        font.setBold(bold);
        p_.setFont(font);
        p_.setPen(Qt::black);
        const QFontMetricsF metrics(font);
        const double width = metrics.horizontalAdvance(text);
        const double x = align < 0 ? 0 : align == 0 ? -width / 2 : -width;
        p_.save();
        p_.translate(at);
        if (upwards) p_.rotate(-90);
        p_.drawText(QPointF(x, (metrics.ascent() - metrics.descent()) / 2), text);
        p_.restore();
    }

  private:
    QPainter& p_;
};

QString Xml(const QString& text) {
    return text.toHtmlEscaped();
}

class SvgPen : public PlotPen {
  public:
    void Line(QPointF a, QPointF b, const QColor& colour, double width) override {
        svg += QString(
                   "<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" stroke=\"%5\" "
                   "stroke-width=\"%6\"/>\n")
                   .arg(a.x())
                   .arg(a.y())
                   .arg(b.x())
                   .arg(b.y())
                   .arg(colour.name())
                   .arg(width);
    }
    void Frame(const QRectF& r) override {
        svg += QString(
                   "<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" "
                   "stroke=\"#000000\"/>\n")
                   .arg(r.x())
                   .arg(r.y())
                   .arg(r.width())
                   .arg(r.height());
    }
    void Dot(QPointF centre, double radius) override {
        svg += QString("<circle cx=\"%1\" cy=\"%2\" r=\"%3\" fill=\"%4\" stroke=\"%5\"/>\n")
                   .arg(centre.x())
                   .arg(centre.y())
                   .arg(radius)
                   .arg(kDotFill.name(), kDotLine.name());
    }
    void Text(QPointF at, const QString& text, int align, bool upwards, bool bold) override {
        const char* anchor = align < 0 ? "start" : align == 0 ? "middle" : "end";
        svg += QString("<text x=\"%1\" y=\"%2\" text-anchor=\"%3\" dominant-baseline=\"central\"")
                   .arg(at.x())
                   .arg(at.y())
                   .arg(anchor);
        if (upwards) svg += QString(" transform=\"rotate(-90 %1 %2)\"").arg(at.x()).arg(at.y());
        if (bold) svg += " font-weight=\"bold\"";
        svg += ">" + Xml(text) + "</text>\n";
    }

    QString svg;
};

}  // namespace

// ------------------------------------------------------------ helpers

void CompactRows(QTableView* table) {
    table->verticalHeader()->setVisible(false);
    table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
}

QString AskSaveNameWithDialog(QWidget* owner, const QString& title, const QString& filters) {
    return QFileDialog::getSaveFileName(owner, title, QString(), filters);
}

void SaveBytes(const QString& file, const QByteArray& bytes) {
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size() || !out.commit())
        throw IoError("Cannot write file", file.toStdString(), out.errorString().toStdString());
}

QVariant SortKey(const std::string& text) {
    double value = 0;
    if (IsNumber(text) && ParseNumber(text, value)) return value;
    return Q(text);
}

bool SortsBefore(const QVariant& a, const QVariant& b, Qt::SortOrder order) {
    const bool an = a.typeId() == QMetaType::Double;
    const bool bn = b.typeId() == QMetaType::Double;
    if (an && bn) return a.toDouble() < b.toDouble();
    if (an != bn) return order == Qt::AscendingOrder ? an : bn;
    return a.toString().localeAwareCompare(b.toString()) < 0;
}

QStandardItem* SortableItem(const std::string& text) {
    auto* item = new QStandardItem(Q(text));
    item->setEditable(false);
    item->setData(SortKey(text), kSortRole);
    return item;
}

bool SortProxy::lessThan(const QModelIndex& left, const QModelIndex& right) const {
    return SortsBefore(left.data(kSortRole), right.data(kSortRole), sortOrder());
}

// ------------------------------------------------------------ the plot view

ScatterPlotView::ScatterPlotView(QWidget* parent) : QWidget(parent) {
    setMouseTracking(true);
    setMinimumSize(240, 240);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
}

void ScatterPlotView::SetRow(const OverviewRow* row) {
    row_.reset();
    if (row != nullptr) row_ = *row;
    hovered_.clear();
    update();
}

bool ScatterPlotView::HasPoints() const {
    return row_ && !row_->residuals.empty();
}

QString ScatterPlotView::PointAt(QPoint at) const {
    if (!HasPoints()) return {};
    const PlotFrame f = FrameOf(*row_, size());
    QString nearest;
    double best = kHoverDistance;
    for (const OverviewResidual& r : row_->residuals) {
        const double d = std::hypot(f.X(r.measured) - at.x(), f.Y(r.predicted) - at.y());
        if (d <= best) {
            best = d;
            nearest = Q(r.piezometer);
        }
    }
    return nearest;
}

void ScatterPlotView::paintEvent(QPaintEvent*) {
    if (!HasPoints()) return;
    QPainter p(this);
    PainterPen pen(p);
    DrawPlot(pen, *row_, size());
    if (hovered_.isEmpty()) return;
    // The name of the piezometer under the mouse, beside its point.
    const PlotFrame f = FrameOf(*row_, size());
    for (const OverviewResidual& r : row_->residuals) {
        if (Q(r.piezometer) != hovered_) continue;
        const QPointF at(f.X(r.measured) + 8, f.Y(r.predicted) - 10);
        const QRectF box = p.fontMetrics().boundingRect(hovered_).adjusted(-3, -1, 3, 1);
        p.setPen(Qt::black);
        p.setBrush(QColor(0xff, 0xff, 0xe0));
        p.drawRect(box.translated(at));
        p.drawText(at, hovered_);
        break;
    }
}

void ScatterPlotView::mouseMoveEvent(QMouseEvent* event) {
    const QString name = PointAt(event->position().toPoint());
    if (name != hovered_) {
        hovered_ = name;
        update();
    }
    if (name.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(event->globalPosition().toPoint(), name, this);
}

void ScatterPlotView::leaveEvent(QEvent*) {
    if (hovered_.isEmpty()) return;
    hovered_.clear();
    update();
}

QByteArray ScatterPlotView::Png() const {
    QImage image(size(), QImage::Format_ARGB32);
    image.fill(Qt::white);
    if (HasPoints()) {
        QPainter p(&image);
        p.setFont(font());
        PainterPen pen(p);
        DrawPlot(pen, *row_, size());
    }
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

QByteArray ScatterPlotView::Svg() const {
    SvgPen pen;
    if (HasPoints()) DrawPlot(pen, *row_, size());
    const QString head = QString(
                             "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%2\" "
                             "viewBox=\"0 0 %1 %2\" font-family=\"%3\" font-size=\"%4px\">\n"
                             "<rect width=\"100%\" height=\"100%\" fill=\"#ffffff\"/>\n")
                             .arg(width())
                             .arg(height())
                             .arg(Xml(font().family()))
                             .arg(QFontInfo(font()).pixelSize());
    return (head + pen.svg + "</svg>\n").toUtf8();
}

// ------------------------------------------------------------ the window

namespace {

constexpr const char* kOverviewName = "OverviewView";

QTableWidget* DetailTable(QWidget* parent, const char* name, const QStringList& titles) {
    auto* table = new QTableWidget(0, static_cast<int>(titles.size()), parent);
    table->setObjectName(name);
    table->setHorizontalHeaderLabels(titles);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    CompactRows(table);
    table->horizontalHeader()->setStretchLastSection(true);
    // In the job file's order until the user sorts.
    table->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    return table;
}

std::string Fixed(double v, int decimals) {
    return QString::number(v, 'f', decimals).toStdString();
}

// A cell of a details table, sorted as the overview's cells are.
class SortableTableItem : public QTableWidgetItem {
  public:
    explicit SortableTableItem(const std::string& text) : QTableWidgetItem(Q(text)) {
        setData(kSortRole, SortKey(text));
    }
    bool operator<(const QTableWidgetItem& other) const override {
        const Qt::SortOrder order = tableWidget() != nullptr
                                        ? tableWidget()->horizontalHeader()->sortIndicatorOrder()
                                        : Qt::AscendingOrder;
        return SortsBefore(data(kSortRole), other.data(kSortRole), order);
    }
};

void FillResiduals(QTableWidget* table, const OverviewRow* row) {
    table->setSortingEnabled(false);
    table->setRowCount(row == nullptr ? 0 : static_cast<int>(row->residuals.size()));
    for (int i = 0; i < table->rowCount(); ++i) {
        const OverviewResidual& r = row->residuals[static_cast<std::size_t>(i)];
        const std::string cells[6] = {
            r.piezometer,         Fixed(r.measured, 2),     Fixed(r.predicted, 2),
            Fixed(r.residual, 2), Fixed(r.standardised, 2), Fixed(r.leverage, 3)};
        for (int c = 0; c < 6; ++c) {
            auto* item = new SortableTableItem(cells[c]);
            if (c > 0) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            table->setItem(i, c, item);
        }
    }
    table->setSortingEnabled(true);
    table->resizeColumnsToContents();
}

void FillLeftOut(QTableWidget* table, const OverviewRow* row) {
    table->setRowCount(row == nullptr ? 0 : static_cast<int>(row->leftOut.size()));
    for (int i = 0; i < table->rowCount(); ++i) {
        const LeftOutRecord& r = row->leftOut[static_cast<std::size_t>(i)];
        QString why;
        for (const std::string& title : r.missingIn)
            why += (why.isEmpty() ? "" : ", ") + Q(title);
        table->setItem(i, 0, new QTableWidgetItem(Q(r.piezometer)));
        table->setItem(i, 1, new QTableWidgetItem("missing: " + why));
    }
    table->resizeColumnToContents(0);
}

}  // namespace

OverviewView::OverviewView(TfrmZelvimoMAIN& form, QtPlatform& platform, QWidget* parent)
    : QWidget(parent, Qt::Window), form_(form), platform_(platform) {
    setObjectName(kOverviewName);
    setWindowTitle("Overview of regressions");
    Build();
    resize(960, 720);
}

void OverviewView::Build() {
    auto* splitter = new QSplitter(Qt::Vertical, this);
    auto* top = new QWidget(splitter);
    auto* topLayout = new QVBoxLayout(top);
    model_ = new QStandardItemModel(this);
    sorted_ = new SortProxy(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(kSortRole);
    table_ = new QTableView(top);
    table_->setObjectName("tblOVERVIEW");
    table_->setModel(sorted_);
    table_->setSortingEnabled(true);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    CompactRows(table_);
    table_->horizontalHeader()->setStretchLastSection(true);
    topLayout->addWidget(table_);
    auto* saveCsv = new QPushButton("Save as CSV...", top);
    saveCsv->setObjectName("btnSAVECSV");
    auto* topButtons = new QHBoxLayout();
    topButtons->addStretch();
    topButtons->addWidget(saveCsv);
    topLayout->addLayout(topButtons);

    auto* bottom = new QWidget(splitter);
    auto* bottomLayout = new QVBoxLayout(bottom);
    job_ = new QLabel("Select a regression above to see its residuals and scatterplot.", bottom);
    job_->setObjectName("lblJOB");
    bottomLayout->addWidget(job_);
    auto* details = new QSplitter(Qt::Horizontal, bottom);
    auto* lists = new QWidget(details);
    auto* listLayout = new QVBoxLayout(lists);
    listLayout->setContentsMargins(0, 0, 0, 0);
    listLayout->addWidget(new QLabel("Residuals", lists));
    residuals_ = DetailTable(lists, "tblRESIDUALS",
                             {"Piezometer", "Measured (cm)", "Predicted (cm)", "Residual (cm)",
                              "Std. residual", "Leverage"});
    residuals_->setSortingEnabled(true);
    listLayout->addWidget(residuals_, 3);
    listLayout->addWidget(new QLabel("Piezometers left out", lists));
    leftOut_ = DetailTable(lists, "tblLEFTOUT", {"Piezometer", "Why"});
    listLayout->addWidget(leftOut_, 1);
    plot_ = new ScatterPlotView(details);
    plot_->setObjectName("pltSCATTER");
    details->addWidget(lists);
    details->addWidget(plot_);
    details->setStretchFactor(1, 1);
    details->setSizes({470, 470});
    bottomLayout->addWidget(details, 1);
    savePicture_ = new QPushButton("Save picture as...", bottom);
    savePicture_->setObjectName("btnSAVEPICTURE");
    savePicture_->setEnabled(false);
    auto* bottomButtons = new QHBoxLayout();
    bottomButtons->addStretch();
    bottomButtons->addWidget(savePicture_);
    bottomLayout->addLayout(bottomButtons);
    splitter->setStretchFactor(1, 2);
    (new QVBoxLayout(this))->addWidget(splitter);

    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { ShowDetails(); });
    connect(saveCsv, &QPushButton::clicked, this, [this] { SaveCsv(); });
    connect(savePicture_, &QPushButton::clicked, this, [this] { SavePicture(); });
}

void OverviewView::Update() {
    const std::pair<int, std::size_t> run{form_.SessionCounter(), form_.lastRun.jobs.size()};
    if (shown_ == run) return;
    shown_ = run;
    rows_ = BuildOverview(form_.lastRun, form_.lastRunTable, form_.lastRunSettings);
    Fill();
}

void OverviewView::Fill() {
    model_->clear();
    QStringList titles;
    for (const std::string& title : OverviewColumns())
        titles << Q(title);
    model_->setHorizontalHeaderLabels(titles);
    for (std::size_t r = 0; r < rows_.size(); ++r) {
        QList<QStandardItem*> cells;
        for (int c = 0; c < static_cast<int>(titles.size()); ++c) {
            const std::string text = OverviewCell(rows_[r], c);
            QStandardItem* item = SortableItem(text);
            if (c >= 5 && c <= 9) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            item->setData(static_cast<int>(r), kRowRole);
            cells << item;
        }
        model_->appendRow(cells);
    }
    table_->resizeColumnsToContents();
    ShowDetails();
}

const OverviewRow* OverviewView::Selected() const {
    const QModelIndexList selected = table_->selectionModel()->selectedRows();
    if (selected.isEmpty()) return nullptr;
    const int row = selected.front().data(kRowRole).toInt();
    return row >= 0 && row < static_cast<int>(rows_.size()) ? &rows_[static_cast<std::size_t>(row)]
                                                            : nullptr;
}

void OverviewView::ShowDetails() {
    const OverviewRow* row = Selected();
    if (row == nullptr) {
        job_->setText("Select a regression above to see its residuals and scatterplot.");
    } else {
        job_->setText(Q(row->jobFile) + ":  " + Q(row->statusText) +
                      (row->status == OverviewStatus::kFitted ? ", n = " + QString::number(row->n)
                                                              : QString()));
    }
    FillResiduals(residuals_, row);
    FillLeftOut(leftOut_, row);
    plot_->SetRow(row);
    savePicture_->setEnabled(plot_->HasPoints());
}

void OverviewView::SaveCsv() {
    const QString file = ask_(this, "Save the overview as", "CSV files (*.csv)");
    if (file.isEmpty()) return;
    platform_.Run([&] { WriteOverviewFile(file.toStdString(), rows_); });
}

void OverviewView::SavePicture() {
    if (!plot_->HasPoints()) return;
    QString file =
        ask_(this, "Save the scatterplot as", "PNG picture (*.png);;SVG picture (*.svg)");
    if (file.isEmpty()) return;
    const bool svg = file.endsWith(".svg", Qt::CaseInsensitive);
    if (!svg && !file.endsWith(".png", Qt::CaseInsensitive)) file += ".png";
    platform_.Run([&] { SaveBytes(file, svg ? plot_->Svg() : plot_->Png()); });
}

OverviewView* FindOverview(QWidget* mainWindow) {
    return FindToolWindow<OverviewView>(mainWindow);
}

OverviewView& ShowOverview(QWidget* mainWindow, TfrmZelvimoMAIN& form, QtPlatform& platform) {
    return ShowToolWindow<OverviewView>(mainWindow, form, platform);
}

}  // namespace tarnovel
