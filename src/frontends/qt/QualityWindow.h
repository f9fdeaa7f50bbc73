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

#include <memory>
#include <vector>

#include "frontends/qt/PrecisionTableWindow.h"
#include "state/QualityFigures.h"

class QLabel;
class QSortFilterProxyModel;
class QTabWidget;
class QVBoxLayout;

namespace kestrane {

class QualityRows;
struct QualityTableRows;

// One row of a table of the check: its texts, the keys it sorts by (numbers
// sort as numbers), red when flagged, bold when strong, a tooltip and an id.
struct QualityRow {
    QStringList texts;
    QVariantList keys;
    bool flagged = false, strong = false;
    QString tip;
    int id = 0;
};

// The rows of the check's tables, made from the check in any thread so that
// a large check is prepared away from the window.
std::shared_ptr<const QualityTableRows> prepareQualityRows(const QualityCheck& check);

// One sortable table of the check.
class QualityTable : public QTableView {
    Q_OBJECT
public:
    QualityTable(const QString& objectName, const QStringList& header, QWidget* parent);

    // Appends a row: its texts and the keys it sorts by (numbers sort as
    // numbers); `flagged` marks it red, `strong` bold; `id` is kept with it.
    void addRow(const QStringList& texts, const QVariantList& keys, bool flagged, bool strong = false,
                const QString& tip = QString(), int id = 0);
    int sizeHintForColumn(int column) const override;
    // Rows made beforehand, as addRow would add them.
    void setRows(std::vector<QualityRow> rows);
    // Rows prepared elsewhere, shown where they are; `keep` holds them.
    void shareRows(std::shared_ptr<const void> keep, const std::vector<QualityRow>& rows);
    void finish();
    // As finish(), but a table of thousands of rows is only filled when it
    // is shown or read, or when fill() is called.
    void finishLater();
    void fill() const;
    bool filled() const { return !pending_; }

    int rowCount() const;
    QStringList rowTexts(int viewRow) const;
    bool rowFlagged(int viewRow) const;
    int rowId(int viewRow) const;
    QString selectionText() const { return selectionAsTabText(*this); }
    void copySelection() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QualityRows* model_ = nullptr;
    QSortFilterProxyModel* sorted_ = nullptr;
    bool pending_ = false;
};

class QualityWindow : public QWidget {
    Q_OBJECT
public:
    explicit QualityWindow(const QualityCheck& check, QWidget* parent = nullptr);
    // With the rows of its tables prepared beforehand (nullptr: made here).
    QualityWindow(const QualityCheck& check, std::shared_ptr<const QualityTableRows> rows, QWidget* parent = nullptr);

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
    void buildTables(const QualityCheck& check, std::shared_ptr<const QualityTableRows> rows);
    void fillNextTable();
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
