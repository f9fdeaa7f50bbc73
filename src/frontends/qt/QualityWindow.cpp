#include "frontends/qt/QualityWindow.h"

#include "frontends/qt/EnterKey.h"
#include "frontends/qt/NextPass.h"

#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOptionViewItem>
#include <QSortFilterProxyModel>
#include <QAbstractTableModel>
#include <QTabWidget>
#include <QThreadPool>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "results/QualityReport.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

constexpr int kSortRole = Qt::UserRole + 1;
constexpr int kFlagRole = Qt::UserRole + 2;
constexpr int kIdRole = Qt::UserRole + 3;

const QColor kFlagText(170, 0, 0);
const QColor kFlagBackground(255, 226, 226);
const QColor kAlarm(190, 0, 0);
const QColor kWarning(140, 70, 0);

QString qs(const std::string& text) { return QString::fromStdString(text); }

QString figure(double value, int decimals) { return qs(qualityFigure(value, decimals)); }
QString figure(const std::optional<double>& value, int decimals) {
    return value ? figure(*value, decimals) : QStringLiteral("—");
}

// A figure that could not be computed sorts below every number.
QVariant key(const std::optional<double>& value) {
    return value && std::isfinite(*value) ? *value : -std::numeric_limits<double>::infinity();
}
QVariant key(double value) { return key(std::optional<double>(value)); }


// "σs = 3.00 毫米", or the range when the sides differ (ppm).
QString sideModelText(const QualityCheck& q) {
    double low = std::numeric_limits<double>::infinity(), high = -low;
    for (const std::optional<double>& sd : q.sideSdMm) {
        if (!sd) continue;
        low = std::min(low, *sd);
        high = std::max(high, *sd);
    }
    if (low > high) return {};
    if (figure(low, 2) == figure(high, 2)) return QStringLiteral("，测边中误差 σs = %1 毫米").arg(figure(low, 2));
    return QStringLiteral("，测边中误差 σs = %1 至 %2 毫米").arg(figure(low, 2), figure(high, 2));
}

}  // namespace

// The rows of a table as they were added, read by the view as it draws: a
// check of thousands of observations fills without one item per cell.
class QualityRows : public QAbstractTableModel {
public:
    using Row = QualityRow;
    QualityRows(const QStringList& header, QObject* parent) : QAbstractTableModel(parent), header_(header) {}
    // Tens of thousands of rows are freed in a worker thread: the window
    // closes at once.
    ~QualityRows() override {
        if (keep_ && keep_.use_count() == 1) QThreadPool::globalInstance()->start([keep = std::move(keep_)]() mutable { keep.reset(); });
    }

    // Rows are added unseen; shown() tells the views once they are all in.
    void add(Row row) {
        own_.push_back(std::move(row));
        widest_.clear();
    }
    // Rows prepared elsewhere, read where they are (no copy of thousands of
    // rows on the window's thread); `keep` holds them.
    void share(std::shared_ptr<const void> keep, const std::vector<Row>& rows) {
        keep_ = std::move(keep);
        rows_ = &rows;
        widest_.clear();
    }
    void shown() {
        beginResetModel();
        endResetModel();
    }
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(rows_->size());
    }
    int columnCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(header_.size());
    }
    QVariant data(const QModelIndex& index, int role) const override {
        const Row& row = (*rows_)[static_cast<std::size_t>(index.row())];
        const int c = index.column();
        switch (role) {
        case Qt::DisplayRole: return row.texts.value(c);
        case kSortRole: return c < row.keys.size() ? row.keys[c] : QVariant(row.texts.value(c));
        case kFlagRole: return row.flagged;
        case kIdRole: return row.id;
        case Qt::TextAlignmentRole:
            return c > 0 && row.keys.value(c).typeId() == QMetaType::Double ? QVariant(int(Qt::AlignRight | Qt::AlignVCenter))
                                                                             : QVariant();
        case Qt::ForegroundRole: return row.flagged ? QVariant(QBrush(kFlagText)) : QVariant();
        case Qt::BackgroundRole: return row.flagged ? QVariant(QBrush(kFlagBackground)) : QVariant();
        case Qt::FontRole:
            if (row.strong) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::ToolTipRole: return row.tip.isEmpty() ? QVariant() : QVariant(row.tip);
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation == Qt::Horizontal && role == Qt::DisplayRole) return header_.value(section);
        return QAbstractTableModel::headerData(section, orientation, role);
    }

    // The rows whose texts are the widest of a column: the longest text (the
    // texts of a column differ in their number of characters, the names in
    // their numbers) and every row drawn bold. Found once per column: the
    // header asks again at every layout.
    const std::vector<int>& widestRows(int column) const {
        auto found = widest_.find(column);
        if (found != widest_.end()) return found->second;
        std::vector<int>& rows = widest_[column];
        int widest = -1, size = -1;
        for (int r = 0; r < static_cast<int>(rows_->size()); ++r) {
            const Row& row = (*rows_)[static_cast<std::size_t>(r)];
            if (row.strong) rows.push_back(r);
            const int length = column < row.texts.size() ? static_cast<int>(row.texts.at(column).size()) : 0;
            if (length > size) size = length, widest = r;
        }
        if (widest >= 0) rows.push_back(widest);
        return rows;
    }

private:
    QStringList header_;
    std::vector<Row> own_;
    std::shared_ptr<const void> keep_;
    const std::vector<Row>* rows_ = &own_;
    mutable std::map<int, std::vector<int>> widest_;
};

// The rows of the four tables of a check, made anywhere (a worker thread
// included) and shown by the window.
struct QualityTableRows {
    std::vector<QualityRows::Row> conditions, observations, sides, points;
    int conditionFlags = 0, blunders = 0;
};

// ---------------------------------------------------------------------------

QualityTable::QualityTable(const QString& objectName, const QStringList& header, QWidget* parent)
    : QTableView(parent) {
    setObjectName(objectName);
    model_ = new QualityRows(header, this);
    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(kSortRole);
    setModel(sorted_);
    setSortingEnabled(true);
    sortByColumn(-1, Qt::AscendingOrder);  // the check's order until a header is clicked
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    horizontalHeader()->setStretchLastSection(true);
    verticalHeader()->hide();
    auto* copy = new QShortcut(QKeySequence::Copy, this);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, [this] { copySelection(); });
}

void QualityTable::addRow(const QStringList& texts, const QVariantList& keys, bool flagged, bool strong,
                          const QString& tip, int id) {
    model_->add({texts, keys, flagged, strong, tip, id});
}

int QualityTable::sizeHintForColumn(int column) const {
    // A few rows measured instead of every cell of thousands of rows.
    if (model_->rowCount() <= 1000) return QTableView::sizeHintForColumn(column);
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int hint = 0;
    for (const int r : model_->widestRows(column)) {
        const QModelIndex index = sorted_->mapFromSource(model_->index(r, column));
        hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
    }
    return hint + (showGrid() ? 1 : 0);
}

void QualityTable::setRows(std::vector<QualityRow> rows) {
    for (auto& row : rows) model_->add(std::move(row));
}

void QualityTable::shareRows(std::shared_ptr<const void> keep, const std::vector<QualityRow>& rows) {
    model_->share(std::move(keep), rows);
}

void QualityTable::finishLater() {
    // A few rows are shown at once; thousands wait until the table is shown
    // or read, or until the window's thread has a pass of its own for them.
    if (model_->rowCount() <= 1000) return finish();
    pending_ = true;
}

void QualityTable::fill() const {
    if (pending_) const_cast<QualityTable*>(this)->finish();
}

void QualityTable::showEvent(QShowEvent* event) {
    fill();
    QTableView::showEvent(event);
}

void QualityTable::finish() {
    pending_ = false;
    model_->shown();
    resizeColumnsToContents();
    // Rows of one line each: measured when there are few, otherwise the
    // height of the font (measuring tens of thousands would stop the window).
    if (model_->rowCount() <= 1000) resizeRowsToContents();
}

int QualityTable::rowCount() const {
    fill();
    return sorted_->rowCount();
}

QStringList QualityTable::rowTexts(int viewRow) const {
    fill();
    QStringList texts;
    for (int c = 0; c < sorted_->columnCount(); ++c) texts << sorted_->index(viewRow, c).data(Qt::DisplayRole).toString();
    return texts;
}

bool QualityTable::rowFlagged(int viewRow) const {
    fill();
    return sorted_->index(viewRow, 0).data(kFlagRole).toBool();
}

int QualityTable::rowId(int viewRow) const {
    fill();
    return sorted_->index(viewRow, 0).data(kIdRole).toInt();
}

void QualityTable::copySelection() const {
    fill();
    const QString text = selectionText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

// ---------------------------------------------------------------------------

QualityWindow::QualityWindow(const QualityCheck& check, QWidget* parent) : QualityWindow(check, nullptr, parent) {}

QualityWindow::QualityWindow(const QualityCheck& check, std::shared_ptr<const QualityTableRows> rows, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("qualityWindow"));
    setWindowTitle(QStringLiteral("质量检核"));
    auto* layout = new QVBoxLayout(this);
    summary_ = new QVBoxLayout;
    summary_->setSpacing(4);
    layout->addLayout(summary_);

    flagged_ = !check.error && check.flagCount() > 0;
    verdict_ = addLine(QStringLiteral("qualityVerdict"), qs(qualityVerdict(check)),
                       flagged_ ? kAlarm : palette().color(QPalette::WindowText), true);
    QFont large = verdict_->font();
    if (large.pointSizeF() > 0) large.setPointSizeF(large.pointSizeF() * 1.15);
    else large.setPixelSize(static_cast<int>(large.pixelSize() * 1.15 + 0.5));
    verdict_->setFont(large);

    if (!check.error) {
        addLine(QStringLiteral("qualityModel"),
                QStringLiteral("检核模型: 严密定权，测角中误差 σβ = %1″").arg(qs(shortestText(check.angleSd))) +
                    sideModelText(check) +
                    (check.weighting == Weighting::Rigorous ? QStringLiteral("；成果: 严密定权")
                                                            : QStringLiteral("；成果: 按限差定权")),
                palette().color(QPalette::WindowText));
        if (!check.inputWarnings.empty()) {
            QStringList warnings{QStringLiteral("输入提示:")};
            for (const InputWarning& w : check.inputWarnings) warnings << QStringLiteral("  • ") + qs(w.text);
            addLine(QStringLiteral("qualityWarnings"), warnings.join(QLatin1Char('\n')), kWarning);
        }
        addLine(QStringLiteral("qualitySigma"),
                QStringLiteral("验后单位权中误差 σ0 = %1″        菲列罗公式 mβ = %2″")
                    .arg(figure(check.adjustment.sigma0, 2), figure(check.ferreroMb, 2)),
                palette().color(QPalette::WindowText));
        const bool tooLarge = check.adjustment.statistic > check.adjustment.upper;
        addLine(QStringLiteral("qualityGlobalTest"), qs(globalTestLine(check)),
                tooLarge ? kAlarm : palette().color(QPalette::WindowText));
        buildTables(check, rows ? std::move(rows) : prepareQualityRows(check));
        layout->addWidget(tabs_, 1);
    } else {
        layout->addStretch(1);
    }

    auto* copyButton = new QPushButton(QStringLiteral("复制"), this);
    copyButton->setObjectName(QStringLiteral("copyQualityButton"));
    copyButton->setToolTip(QStringLiteral("把所选单元格复制为制表符分隔的文本 (Ctrl+C)"));
    copyButton->setEnabled(tabs_ != nullptr);
    connect(copyButton, &QPushButton::clicked, this, [this] { copySelection(); });
    auto* printButton = new QPushButton(QStringLiteral("打印..."), this);
    printButton->setObjectName(QStringLiteral("printQualityButton"));
    connect(printButton, &QPushButton::clicked, this, &QualityWindow::printRequested);
    auto* closeButton = new QPushButton(QStringLiteral("关闭"), this);
    closeButton->setObjectName(QStringLiteral("closeQualityButton"));
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    auto* buttons = new QHBoxLayout;
    auto* hint = new QLabel(tabs_ ? QStringLiteral("点击表头按该列排序；Ctrl+C 把所选单元格复制为可粘贴到电子表格的文本。")
                                  : QString(),
                            this);
    hint->setObjectName(QStringLiteral("qualityHint"));
    buttons->addWidget(hint, 1);
    buttons->addWidget(copyButton);
    buttons->addWidget(printButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);

    closeOnEscapeOrCtrlW(this);
    resize(980, 680);
}

QLabel* QualityWindow::addLine(const QString& objectName, const QString& text, const QColor& colour, bool bold) {
    auto* label = new QLabel(text, this);
    label->setObjectName(objectName);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    if (bold) {
        QFont font = label->font();
        font.setBold(true);
        label->setFont(font);
    }
    summary_->addWidget(label);
    lines_ << label;
    return label;
}

std::shared_ptr<const QualityTableRows> prepareQualityRows(const QualityCheck& q) {
    auto rows = std::make_shared<QualityTableRows>();
    const QString seconds = QStringLiteral("秒"), millimetres = QStringLiteral("毫米");
    for (std::size_t i = 0; i < q.conditions.size(); ++i) {
        const ConditionCheck& c = q.conditions[i];
        rows->conditionFlags += c.flag ? 1 : 0;
        const QString flag = c.flag ? QStringLiteral("超限") : QString();
        rows->conditions.push_back(QualityRows::Row{{qs(c.name), figure(c.w, 2), c.sideCondition ? millimetres : seconds, figure(c.sd, 2),
                             figure(c.limit, 2), flag},
                            {static_cast<int>(i), key(c.w), c.sideCondition ? millimetres : seconds, key(c.sd),
                             key(c.limit), flag},
                            c.flag, false, c.flag ? QStringLiteral("闭合差超过限差") : QString(), static_cast<int>(i)});
    }
    for (std::size_t i = 0; i < q.observations.size(); ++i) {
        const ObservationCheck& o = q.observations[i];
        rows->blunders += o.blunder ? 1 : 0;
        QStringList flags;
        if (o.blunder) flags << QStringLiteral("粗差嫌疑");
        if (o.weak) flags << QStringLiteral("检核不足");
        const QString flag = flags.join(QLatin1Char(' '));
        const bool largest = q.largestW && *q.largestW == i && o.blunder;
        QString tip;
        if (largest) tip = QStringLiteral("|w| 最大的观测值：先剔除或重测它，再重新计算");
        else if (o.blunder) tip = QStringLiteral("|w| > 3.29：粗差嫌疑");
        else if (o.weak) tip = QStringLiteral("r < 0.1：此观测值的粗差无法发现");
        const QString unit = o.side ? millimetres : seconds;
        rows->observations.push_back(QualityRows::Row{{qs(o.name), figure(o.v, 2), unit, figure(o.r, 3), figure(o.w, 2), figure(o.nabla, 2),
                               figure(o.mdb, 2), flag},
                              {static_cast<int>(i), key(o.v), unit, key(o.r), key(o.w), key(o.nabla), key(o.mdb), flag},
                              o.blunder || o.weak, largest, tip, o.observation});
    }
    for (std::size_t i = 0; i < q.sides.size(); ++i) {
        const SideCheck& s = q.sides[i];
        const bool weakest = q.weakestSide && *q.weakestSide == i;
        const QString relative =
            s.T ? QStringLiteral("1/") + qs(integerText(static_cast<long>(*s.T))) : QStringLiteral("—");
        // 1/T sorts by its size: the weakest side (smallest T) largest.
        const QVariant relativeKey = s.T && *s.T > 0 ? QVariant(1.0 / *s.T) : QVariant(-std::numeric_limits<double>::infinity());
        const QString flag = weakest ? QStringLiteral("最弱边") : QString();
        rows->sides.push_back(QualityRows::Row{{qs(s.name), figure(s.length, 4), figure(s.sdMm, 2), relative, flag},
                       {static_cast<int>(i), key(s.length), key(s.sdMm), relativeKey, flag}, false, weakest,
                       weakest ? QStringLiteral("相对中误差最大的边") : QString(), s.side});
    }
    for (std::size_t i = 0; i < q.points.size(); ++i) {
        const PointCheck& p = q.points[i];
        const bool largest = q.largestDifference && *q.largestDifference == i;
        const QString flag = largest ? QStringLiteral("差值最大") : QString();
        rows->points.push_back(QualityRows::Row{{qs(p.name), figure(p.X, 4), figure(p.Y, 4), figure(p.dXmm, 2), figure(p.dYmm, 2), flag},
                        {static_cast<int>(i), key(p.X), key(p.Y), key(p.dXmm), key(p.dYmm), flag}, false, largest,
                        largest ? QStringLiteral("与所示座标相差最大的点") : QString(), static_cast<int>(i)});
    }
    return rows;
}

void QualityWindow::buildTables(const QualityCheck& q, std::shared_ptr<const QualityTableRows> prepared) {
    const QualityTableRows& rows = *prepared;
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName(QStringLiteral("qualityTabs"));

    conditions_ = new QualityTable(
        QStringLiteral("conditionTable"),
        {QStringLiteral("条件"), QStringLiteral("闭合差 W"), QStringLiteral("单位"), QStringLiteral("中误差 σW"),
         QStringLiteral("限差 2σW"), QStringLiteral("标记")},
        tabs_);
    conditions_->shareRows(prepared, rows.conditions);
    conditions_->finishLater();

    observations_ = new QualityTable(
        QStringLiteral("observationTable"),
        {QStringLiteral("观测值"), QStringLiteral("改正数 v"), QStringLiteral("单位"), QStringLiteral("多余观测分量 r"),
         QStringLiteral("w"), QStringLiteral("∇"), QStringLiteral("MDB"), QStringLiteral("标记")},
        tabs_);
    observations_->shareRows(prepared, rows.observations);
    observations_->finishLater();
    connect(observations_, &QTableView::doubleClicked, this, [this](const QModelIndex& index) {
        if (observations_->rowFlagged(index.row())) emit observationActivated(observations_->rowId(index.row()));
    });

    sides_ = new QualityTable(QStringLiteral("sideTable"),
                              {QStringLiteral("边"), QStringLiteral("平差边长 (米)"), QStringLiteral("中误差 (毫米)"),
                               QStringLiteral("相对中误差"), QStringLiteral("标记")},
                              tabs_);
    sides_->shareRows(prepared, rows.sides);
    sides_->finishLater();

    points_ = new QualityTable(QStringLiteral("pointTable"),
                               {QStringLiteral("点名"), QStringLiteral("严密平差 X (米)"), QStringLiteral("严密平差 Y (米)"),
                                QStringLiteral("ΔX (毫米)"), QStringLiteral("ΔY (毫米)"), QStringLiteral("标记")},
                               tabs_);
    points_->shareRows(prepared, rows.points);
    points_->finishLater();

    tabs_->addTab(conditions_, rows.conditionFlags ? QStringLiteral("闭合差 (%1 超限)").arg(rows.conditionFlags)
                                              : QStringLiteral("闭合差"));
    tabs_->addTab(observations_, rows.blunders ? QStringLiteral("观测值 (%1 粗差嫌疑)").arg(rows.blunders)
                                          : QStringLiteral("观测值"));
    tabs_->addTab(sides_, QStringLiteral("边长精度"));
    tabs_->addTab(points_, QStringLiteral("严密平差座标"));
    // The suspects first when there are any, the largest |w| in sight.
    if (rows.blunders > 0) {
        tabs_->setCurrentWidget(observations_);
        observations_->fill();
        if (q.largestW) observations_->scrollTo(observations_->model()->index(static_cast<int>(*q.largestW), 0));
    }
    // The table in sight now, the others each in a pass of the event loop of
    // its own once the window is up.
    qobject_cast<QualityTable*>(tabs_->currentWidget())->fill();
    fillNextTable();
}

void QualityWindow::fillNextTable() {
    for (QualityTable* table : {conditions_, observations_, sides_, points_}) {
        if (!table->filled()) {
            inANewPass(this, [this, table] {
                table->fill();
                fillNextTable();
            });
            return;
        }
    }
}

QString QualityWindow::verdictText() const { return verdict_->text(); }

QStringList QualityWindow::summaryLines() const {
    QStringList texts;
    for (const QLabel* label : lines_) texts << label->text();
    return texts;
}

void QualityWindow::copySelection() const {
    if (!tabs_) return;
    if (const auto* table = qobject_cast<const QualityTable*>(tabs_->currentWidget())) table->copySelection();
}

}  // namespace kestrane
