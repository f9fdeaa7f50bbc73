// The precision table window: one row per point with the columns of the
// results table, sortable by any column, the point with the largest mp
// marked; Ctrl+C copies the selected cells as tab-separated lines that paste
// into a spreadsheet; the table prints from here.
#pragma once

#include <QStringList>
#include <QWidget>

#include <memory>

#include <vector>

#include "state/AdjustmentState.h"
#include "state/PointPrecision.h"

class QLabel;
class QPrinter;
class QSortFilterProxyModel;
class QAbstractTableModel;
class QTableView;

namespace kestrane {

struct DrawnText;

// The selected cells of a table view as tab-separated lines, in the view's
// order: the rectangle of the selected rows and columns, cells not selected
// left empty; a field holding a tab, a line break or a quote is quoted, its
// quotes doubled. (The precision table and the quality check copy so.)
QString selectionAsTabText(const QTableView& view);

// The texts of a precision table ready for its window, with the numbers its
// columns sort by, the row with the largest mp (or -1) and the marker line.
// Made from the computation in any thread, so that a large table is
// prepared away from the window.
struct PreparedPrecisionRows {
    QStringList header;
    std::vector<QStringList> texts;
    std::vector<double> keys;  // row by row, kPrecisionColumnCount a row
    int marked = -1;
    QString note;
};
std::shared_ptr<const PreparedPrecisionRows> preparePrecisionRows(const AdjustmentState& state,
                                                                  const std::vector<PointPrecision>& precision);

class PrecisionTableWindow : public QWidget {
    Q_OBJECT
public:
    // From a completed computation; computes the precision rows itself.
    explicit PrecisionTableWindow(const AdjustmentState& state, QWidget* parent = nullptr);
    // From a completed computation and its precision rows.
    PrecisionTableWindow(const AdjustmentState& state, const std::vector<PointPrecision>& precision,
                         QWidget* parent = nullptr);
    // From rows prepared beforehand.
    explicit PrecisionTableWindow(std::shared_ptr<const PreparedPrecisionRows> rows, QWidget* parent = nullptr);

    QTableView* table() const { return view_; }
    // The texts of a row in the order of the view (after sorting).
    QStringList rowTexts(int viewRow) const;
    // The row (in the order of the report's result rows) with the largest
    // mp, or -1.
    int markedRow() const { return marked_; }
    // The selected cells as tab-separated lines (a field holding a tab, a
    // line break or a quote is quoted, quotes doubled).
    QString selectionText() const;
    void copySelection() const;
    // Prints the table on the printer as it is sorted now.
    void printTo(QPrinter& printer) const;

public slots:
    void print();

signals:
    // A row was chosen: its point's result row (in the report's order, as
    // the model holds it) and name.
    void pointChosen(int row, const QString& name);

private:
    void build(std::shared_ptr<const PreparedPrecisionRows> rows);
    // The pages of printTo, with every font and text recorded.
    void paintPages(QPrinter& printer, DrawnText& drawn) const;

    QAbstractTableModel* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    QTableView* view_ = nullptr;
    QLabel* note_ = nullptr;
    int marked_ = -1;
};

}  // namespace kestrane
