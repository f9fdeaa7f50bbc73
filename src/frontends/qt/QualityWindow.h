// The quality check window (查看 → 质量检核): the verdict at the top, the
// input warnings, σ0, Ferrero's mβ and the global test, then one table each
// for the misclosures, the observations, the sides and the points. Every
// table sorts by any column and copies its selected cells (Ctrl+C) as
// tab-separated lines for a spreadsheet; flagged rows are marked in red with
// the flag in the 标记 column. Esc and Ctrl+W close the window.
#pragma once

#include <QStringList>
#include <QTableView>
#include <QVariant>
#include <QWidget>

#include "frontends/qt/PrecisionTableWindow.h"
#include "state/QualityFigures.h"

class QLabel;
class QSortFilterProxyModel;
class QTabWidget;
class QVBoxLayout;

namespace kestrane {

class QualityRows;

// One sortable table of the check.
class QualityTable : public QTableView {
    Q_OBJECT
public:
    QualityTable(const QString& objectName, const QStringList& header, QWidget* parent);

    // Appends a row: its texts and the keys it sorts by (numbers sort as
    // numbers); `flagged` marks it red, `strong` bold; `id` is kept with it.
    void addRow(const QStringList& texts, const QVariantList& keys, bool flagged, bool strong = false,
                const QString& tip = QString(), int id = 0);
    void finish();

    int rowCount() const;
    QStringList rowTexts(int viewRow) const;
    bool rowFlagged(int viewRow) const;
    int rowId(int viewRow) const;
    QString selectionText() const { return selectionAsTabText(*this); }
    void copySelection() const;

private:
    QualityRows* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
};

class QualityWindow : public QWidget {
    Q_OBJECT
public:
    explicit QualityWindow(const QualityCheck& check, QWidget* parent = nullptr);

    // The verdict as shown, and whether it is shown in red (flags counted).
    QString verdictText() const;
    bool verdictFlagged() const { return flagged_; }
    // Every line shown above the tables, in order.
    QStringList summaryLines() const;

    // Null when the check could not be computed (only its message shows).
    QualityTable* conditionTable() const { return conditions_; }
    QualityTable* observationTable() const { return observations_; }
    QualityTable* sideTable() const { return sides_; }
    QualityTable* pointTable() const { return points_; }
    QTabWidget* tabs() const { return tabs_; }
    // Copies the selection of the table shown.
    void copySelection() const;

signals:
    // A flagged observation's row was double-clicked: its observation
    // number (1..3n an angle, 3n + k side k).
    void observationActivated(int observation);
    // The 打印 button: the owner prints the check.
    void printRequested();

private:
    void buildTables(const QualityCheck& check);
    QLabel* addLine(const QString& objectName, const QString& text, const QColor& colour, bool bold = false);

    QVBoxLayout* summary_ = nullptr;
    QList<QLabel*> lines_;
    QLabel* verdict_ = nullptr;
    bool flagged_ = false;
    QTabWidget* tabs_ = nullptr;
    QualityTable* conditions_ = nullptr;
    QualityTable* observations_ = nullptr;
    QualityTable* sides_ = nullptr;
    QualityTable* points_ = nullptr;
};

}  // namespace kestrane
