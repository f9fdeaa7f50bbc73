#include "frontends/qt/PrecisionTableWindow.h"

#include "frontends/qt/EnterKey.h"

#include <QAbstractProxyModel>
#include <QApplication>
#include <QClipboard>
#include <QHBoxLayout>
#include <QHash>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QShortcut>
#include <QStyleOptionViewItem>
#include <QSortFilterProxyModel>
#include <QAbstractTableModel>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>

#include "adjustment/PointPrecision.h"
#include "frontends/qt/OutputGuard.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/PdfText.h"
#include "frontends/qt/QtFonts.h"
#include "results/PrecisionTable.h"

namespace kestrane {

namespace {

constexpr int kSortRole = Qt::UserRole + 1;

QString spreadsheetField(const QString& text) {
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) && !text.contains(QLatin1Char('\r')) &&
        !text.contains(QLatin1Char('"'))) {
        return text;
    }
    QString quoted = text;
    quoted.replace(QLatin1String("\""), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

}  // namespace

QString selectionAsTabText(const QTableView& view) {
    const QModelIndexList selected = view.selectionModel()->selectedIndexes();
    if (selected.isEmpty()) return {};
    std::map<int, std::map<int, QString>> cells;
    int firstColumn = std::numeric_limits<int>::max(), lastColumn = -1;
    for (const QModelIndex& index : selected) {
        const int column = view.horizontalHeader()->visualIndex(index.column());
        cells[index.row()][column] = index.data(Qt::DisplayRole).toString();
        firstColumn = std::min(firstColumn, column);
        lastColumn = std::max(lastColumn, column);
    }
    QString text;
    for (const auto& [row, columns] : cells) {
        QStringList fields;
        for (int c = firstColumn; c <= lastColumn; ++c) {
            const auto it = columns.find(c);
            fields << spreadsheetField(it == columns.end() ? QString() : it->second);
        }
        text += fields.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    return text;
}

PrecisionTableWindow::PrecisionTableWindow(const AdjustmentState& state, QWidget* parent)
    : PrecisionTableWindow(state, computePointPrecision(state), parent) {}

PrecisionTableWindow::PrecisionTableWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                                           QWidget* parent)
    : PrecisionTableWindow(preparePrecisionRows(state, precision), parent) {}

PrecisionTableWindow::PrecisionTableWindow(std::shared_ptr<const PreparedPrecisionRows> rows, QWidget* parent)
    : QWidget(parent) {
    setObjectName(QStringLiteral("precisionTableWindow"));
    setWindowTitle(QStringLiteral("点位精度表"));
    closeOnEscapeOrCtrlW(this);
    build(std::move(rows));
}

namespace {

// The rows of the table as the view reads them: the texts of every result
// row, kept once, with the numbers the columns sort by. Filling a table of
// thousands of points costs no more than its conversion to texts.
class PrecisionRowsModel : public QAbstractTableModel {
public:
    PrecisionRowsModel(std::shared_ptr<const PreparedPrecisionRows> rows, QObject* parent)
        : QAbstractTableModel(parent), rows_(std::move(rows)), texts_(rows_->texts), keys_(rows_->keys),
          marked_(rows_->marked) {}
    int rowCount(const QModelIndex& parent = {}) const override {
        return parent.isValid() ? 0 : static_cast<int>(texts_.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : kPrecisionColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override {
        const int r = index.row(), c = index.column();
        switch (role) {
        case Qt::DisplayRole: return texts_[static_cast<std::size_t>(r)][c];
        case kSortRole:
            if (c == 0) return texts_[static_cast<std::size_t>(r)][c];
            return keys_[static_cast<std::size_t>(r) * kPrecisionColumnCount + static_cast<std::size_t>(c)];
        case Qt::TextAlignmentRole:
            return c == 0 ? QVariant() : QVariant(int(Qt::AlignRight | Qt::AlignVCenter));
        case Qt::FontRole:
            if (r == marked_) {
                QFont bold;
                bold.setBold(true);
                return bold;
            }
            return {};
        case Qt::BackgroundRole: return r == marked_ ? QVariant(QBrush(QColor(255, 225, 225))) : QVariant();
        case Qt::ToolTipRole: return r == marked_ ? QVariant(QStringLiteral("点位中误差最大的点")) : QVariant();
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
        if (orientation == Qt::Horizontal) return rows_->header.value(section);
        return section == marked_ ? QStringLiteral("▶ %1").arg(section + 1) : QString::number(section + 1);
    }

private:
    std::shared_ptr<const PreparedPrecisionRows> rows_;
    const std::vector<QStringList>& texts_;
    const std::vector<double>& keys_;
    int marked_;

public:
    // The rows whose texts are the widest of a column: the longest figure
    // (figures of one column differ only in their number of digits), the
    // widest name in `metrics`, and the marked row (drawn bold).
    // Found once per column and font: the header asks at every layout.
    const std::vector<int>& widestRows(int column, const QFont& font) const {
        if (font != widestFont_) widest_.clear(), widestFont_ = font;
        auto found = widest_.find(column);
        if (found != widest_.end()) return found->second;
        std::vector<int>& rows = widest_[column];
        if (marked_ >= 0) rows.push_back(marked_);
        if (column != 0) {
            int widest = -1, size = -1;
            for (int r = 0; r < static_cast<int>(texts_.size()); ++r) {
                const int s = static_cast<int>(texts_[static_cast<std::size_t>(r)][column].size());
                if (s > size) size = s, widest = r;
            }
            if (widest >= 0) rows.push_back(widest);
            return rows;
        }
        // Names: each estimated by the advances of its characters (looked
        // up once per character), the few widest then measured as drawn.
        const QFontMetrics metrics(font);
        QHash<QChar, int> advances;
        std::vector<std::pair<int, int>> estimates;  // (width, row)
        estimates.reserve(texts_.size());
        for (int r = 0; r < static_cast<int>(texts_.size()); ++r) {
            int width = 0;
            for (const QChar ch : texts_[static_cast<std::size_t>(r)][0]) {
                auto advance = advances.find(ch);
                if (advance == advances.end()) advance = advances.insert(ch, metrics.horizontalAdvance(ch));
                width += *advance;
            }
            estimates.emplace_back(width, r);
        }
        const std::size_t few = std::min<std::size_t>(estimates.size(), 16);
        std::partial_sort(estimates.begin(), estimates.begin() + static_cast<std::ptrdiff_t>(few), estimates.end(),
                          [](const auto& a, const auto& b) { return a.first > b.first; });
        int widest = -1, size = -1;
        for (std::size_t k = 0; k < few; ++k) {
            const int s = metrics.horizontalAdvance(texts_[static_cast<std::size_t>(estimates[k].second)][0]);
            if (s > size) size = s, widest = estimates[k].second;
        }
        if (widest >= 0) rows.push_back(widest);
        return rows;
    }

private:
    mutable std::map<int, std::vector<int>> widest_;
    mutable QFont widestFont_;
};

// The table's view: a column is as wide as its widest cell, found among a
// few rows rather than by measuring every cell of thousands of rows.
class PrecisionView : public QTableView {
public:
    using QTableView::QTableView;
    int sizeHintForColumn(int column) const override {
        const auto* sorted = qobject_cast<const QSortFilterProxyModel*>(model());
        const auto* rows = sorted ? dynamic_cast<const PrecisionRowsModel*>(sorted->sourceModel()) : nullptr;
        if (!rows) return QTableView::sizeHintForColumn(column);
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        int hint = 0;
        for (const int r : rows->widestRows(column, font())) {
            const QModelIndex index = sorted->mapFromSource(rows->index(r, column));
            hint = std::max(hint, itemDelegateForIndex(index)->sizeHint(option, index).width());
        }
        return hint + (showGrid() ? 1 : 0);
    }
};

// The form's weakest point (outer point ceil(n/2)) by name, or B when it is
// that point.
QString weakestPointNote(const AdjustmentState& state) {
    const WeakestPoint weakest = weakestPoint(state);
    const QString name = QString::fromStdString(weakest.name);
    return weakest.knownB ? QStringLiteral("最弱点: %1 (外点 %2，即已知点 B)").arg(name).arg(weakest.outerPoint)
                          : QStringLiteral("最弱点: %1 (外点 %2)").arg(name).arg(weakest.outerPoint);
}

}  // namespace

std::shared_ptr<const PreparedPrecisionRows> preparePrecisionRows(const AdjustmentState& state,
                                                                  const std::vector<PointPrecision>& precision) {
    auto prepared = std::make_shared<PreparedPrecisionRows>();
    const auto rows = precisionTableRows(state, precision);
    for (const std::string& h : precisionTableHeader()) prepared->header << QString::fromStdString(h);
    prepared->texts.reserve(rows.size());
    prepared->keys.reserve(rows.size() * kPrecisionColumnCount);
    for (const auto& row : rows) {
        QStringList texts;
        for (int c = 0; c < kPrecisionColumnCount; ++c) {
            const QString text = QString::fromStdString(row[static_cast<std::size_t>(c)]);
            texts << text;
            // Numbers sort as numbers; a figure that could not be computed
            // sorts below every number.
            prepared->keys.push_back(c == 0                ? 0
                                     : text.isEmpty()      ? -std::numeric_limits<double>::infinity()
                                                           : text.toDouble());
        }
        prepared->texts.push_back(texts);
    }
    int& marked = prepared->marked;
    float largest = -1;
    for (std::size_t i = 0; i < precision.size(); ++i) {
        const PointPrecision& p = precision[i];
        if (!p.known && p.positionComputable() && p.positionError > largest) {
            largest = p.positionError;
            marked = static_cast<int>(i);
        }
    }
    if (rows.empty()) {
        prepared->note = QStringLiteral("没有完成的计算");
        return prepared;
    }
    const QString largestNote = marked >= 0 ? QStringLiteral("点位中误差最大的点: %1 (mp = %2 毫米)")
                                                  .arg(prepared->texts[static_cast<std::size_t>(marked)][0],
                                                       prepared->texts[static_cast<std::size_t>(marked)][7])
                                            : QStringLiteral("没有可计算点位精度的待定点");
    prepared->note = QStringLiteral("▶ ") + weakestPointNote(state) + QStringLiteral("；") + largestNote;
    return prepared;
}

void PrecisionTableWindow::build(std::shared_ptr<const PreparedPrecisionRows> rows) {
    marked_ = rows->marked;
    const QString note = rows->note;
    model_ = new PrecisionRowsModel(std::move(rows), this);

    sorted_ = new QSortFilterProxyModel(this);
    sorted_->setSourceModel(model_);
    sorted_->setSortRole(kSortRole);
    view_ = new PrecisionView(this);
    view_->setObjectName(QStringLiteral("precisionTable"));
    view_->setModel(sorted_);
    view_->setSortingEnabled(true);
    view_->sortByColumn(-1, Qt::AscendingOrder);  // the report's order until a header is clicked
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    view_->horizontalHeader()->setSortIndicatorShown(true);

    note_ = new QLabel(this);
    note_->setObjectName(QStringLiteral("markedPointNote"));
    note_->setText(note);
    auto* printButton = new QPushButton(QStringLiteral("打印..."), this);
    printButton->setObjectName(QStringLiteral("printTableButton"));
    connect(printButton, &QPushButton::clicked, this, &PrecisionTableWindow::print);
    auto* copyButton = new QPushButton(QStringLiteral("复制"), this);
    copyButton->setObjectName(QStringLiteral("copyTableButton"));
    connect(copyButton, &QPushButton::clicked, this, [this] { copySelection(); });

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(note_, 1);
    buttons->addWidget(copyButton);
    buttons->addWidget(printButton);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(view_, 1);
    layout->addLayout(buttons);

    // The chosen row's point, for the picture: the row the model holds it
    // in, whatever the view's sorting, and the name it shows.
    connect(view_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        QModelIndex index = view_->selectionModel()->currentIndex();
        if (!index.isValid() || !view_->selectionModel()->isSelected(index)) {
            const QModelIndexList selected = view_->selectionModel()->selectedIndexes();
            if (selected.isEmpty()) return;
            index = selected.front();
        }
        const QString name = index.siblingAtColumn(0).data(Qt::DisplayRole).toString();
        while (const auto* proxy = qobject_cast<const QAbstractProxyModel*>(index.model())) index = proxy->mapToSource(index);
        emit pointChosen(index.row(), name);
    });

    auto* copy = new QShortcut(QKeySequence::Copy, view_);
    copy->setContext(Qt::WidgetWithChildrenShortcut);
    connect(copy, &QShortcut::activated, this, [this] { copySelection(); });
    resize(900, 500);
}

QStringList PrecisionTableWindow::rowTexts(int viewRow) const {
    QStringList texts;
    for (int c = 0; c < sorted_->columnCount(); ++c) texts << sorted_->index(viewRow, c).data(Qt::DisplayRole).toString();
    return texts;
}

QString PrecisionTableWindow::selectionText() const { return selectionAsTabText(*view_); }

void PrecisionTableWindow::copySelection() const {
    const QString text = selectionText();
    if (!text.isEmpty()) QApplication::clipboard()->setText(text);
}

void PrecisionTableWindow::printTo(QPrinter& printer) const {
    DrawnText drawn;
    paintPages(printer, drawn);
    QString error;
    if (!repairPrintedPdf(printer, drawn, &error)) {
        QMessageBox::warning(const_cast<PrecisionTableWindow*>(this), windowTitle(), error);
    }
}

void PrecisionTableWindow::paintPages(QPrinter& printer, DrawnText& drawn) const {
    QPainter painter(&printer);
    const QRectF page = printer.pageLayout().paintRectPixels(printer.resolution());
    const QRectF area(QPointF(0, 0), page.size());
    QFont font;
    font.setFamilies(installedFamilies(QStringLiteral("宋体")));
    font.setPointSizeF(9);
    QFont bold = font;
    bold.setBold(true);
    painter.setFont(font);
    drawn.addFont(font);
    drawn.addFont(bold);
    const QFontMetricsF metrics(font, &printer);
    const ExtractableText plainText(font, &printer), boldText(bold, &printer);
    const double line = metrics.height() * 1.3;
    const double gap = metrics.horizontalAdvance(QStringLiteral("00"));

    // Column widths from the widest text of each column.
    const int columns = sorted_->columnCount();
    std::vector<double> width(static_cast<std::size_t>(columns), 0);
    for (int c = 0; c < columns; ++c) {
        width[static_cast<std::size_t>(c)] = metrics.horizontalAdvance(sorted_->headerData(c, Qt::Horizontal).toString());
        for (int r = 0; r < sorted_->rowCount(); ++r) {
            width[static_cast<std::size_t>(c)] =
                std::max(width[static_cast<std::size_t>(c)], boldText.width(sorted_->index(r, c).data().toString()));
        }
    }
    auto drawRow = [&](double y, const QStringList& texts, bool strong) {
        painter.setFont(strong ? bold : font);
        double x = area.left();
        for (int c = 0; c < columns; ++c) {
            const double w = width[static_cast<std::size_t>(c)];
            const QRectF cell(x, y, w, line);
            // Names left, figures right, on the cell's baseline.
            const ExtractableText& face = strong ? boldText : plainText;
            const double textWidth = face.width(texts.value(c));
            const double left = c == 0 ? cell.left() : cell.right() - textWidth;
            face.draw(painter, QPointF(left, cell.top() + (line - metrics.height()) / 2 + metrics.ascent()),
                      texts.value(c), &drawn);
            x += w + gap;
        }
    };
    QStringList header;
    for (int c = 0; c < columns; ++c) header << sorted_->headerData(c, Qt::Horizontal).toString();
    double y = area.top();
    plainText.draw(painter, QPointF(area.left(), y + metrics.ascent()), QStringLiteral("点位精度表"), &drawn);
    y += 2 * line;
    drawRow(y, header, true);
    y += line;
    for (int r = 0; r < sorted_->rowCount(); ++r) {
        if (y + line > area.bottom()) {
            printer.newPage();
            y = area.top();
            drawRow(y, header, true);
            y += line;
        }
        const int source = sorted_->mapToSource(sorted_->index(r, 0)).row();
        drawRow(y, rowTexts(r), source == marked_);
        y += line;
    }
    if (marked_ >= 0) {
        if (y + 2 * line > area.bottom()) {
            printer.newPage();
            y = area.top();
        }
        painter.setFont(font);
        plainText.draw(painter, QPointF(area.left(), y + line + metrics.ascent()), note_->text(), &drawn);
    }
}

void PrecisionTableWindow::print() {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(QStringLiteral("打印点位精度表"));
    if (dialog.exec() == QDialog::Accepted && !refusedAsOutput(this, printer.outputFileName())) printTo(printer);
}

}  // namespace kestrane
