// The observation editor (编辑 → 观测数据…): every value of the current
// document in tables of cells, checked as typing checks them, with undo,
// spreadsheet paste, and recomputation by replaying the values through the
// prompt service as opening a file does.
#pragma once

#include <QAbstractTableModel>
#include <QString>
#include <QTableView>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "state/EntryRecord.h"

class QAction;
class QCheckBox;
class QLabel;
class QUndoStack;

namespace kestrane {

// The groups of cells, each shown in a table of its own.
enum class EditorGroup { Network, Names, Angles, Sides, Settings };

// The rows of the network table and of the settings table.
enum NetworkRow { RowTriangles, RowTolerance, RowXa, RowYa, RowXb, RowYb, RowXc, RowYc, RowT0, RowQa, kNetworkRows };
enum SettingsRow { RowAngleSd, RowSideMm, RowSidePpm, RowWeighting, kSettingsRows };

struct CellRef {
    EditorGroup group = EditorGroup::Network;
    int index = 0;  // the angles row by row: a(1), b(1), c(1), a(2), ...
    bool operator==(const CellRef&) const = default;
};

// One change of a cell's text.
struct CellEdit {
    CellRef cell;
    QString before, after;
};

// The values of one document as cell texts. An empty cell is a missing
// value (a setting left empty takes its default). The known-point case is
// fixed by the values the document was made from: only A known, A with B, or
// A with the centre C; it decides which cells are asked and how many names
// and sides there are.
class EditorDocument {
public:
    enum class Case { AOnly, AWithB, AWithC };

    EditorDocument() = default;
    explicit EditorDocument(const ObservationValues& values);

    int triangles() const { return n_; }
    Case knownCase() const { return case_; }
    int count(EditorGroup group) const;

    const QString& text(CellRef cell) const;
    void setText(CellRef cell, const QString& text);
    // Whether the computation asks for the cell in this known-point case
    // (settings count as asked); n is asked but cannot change.
    bool asked(CellRef cell) const;
    bool editable(CellRef cell) const;

    // Why the cell's text is not a value the computation would accept, or
    // "" (an empty cell is missing, not bad).
    QString problem(CellRef cell) const;
    // Why `text` may not stand in the cell at all: it would switch the
    // known-point case; or "".
    QString refusal(CellRef cell, const QString& text) const;
    // The cell as the surveyor calls it: "边长 s(3)", "第 2 个三角形的前进角 b(2)".
    QString cellName(CellRef cell) const;

    // The asked cells in entry order, then the settings.
    std::vector<CellRef> order() const;
    // The first asked cell that is empty or bad (settings: bad only).
    std::optional<CellRef> firstGap() const;
    bool complete() const { return !firstGap(); }
    // What stops a recomputation: "缺少 …" or "… 有误：…"; "" when none.
    QString blocker() const;
    // Filled cells after the first gap, dropped when entry goes on.
    int filledAfterGap() const;

    // The values up to the first gap, in the form an entry record holds
    // them (B and C as 0 and 0 when not known), with the settings.
    ObservationValues values() const;

    // The cell of observation 1..3n (an angle) or 3n+k (the side s(k)).
    std::optional<CellRef> observationCell(int observation) const;

private:
    std::vector<QString>& texts(EditorGroup group);
    const std::vector<QString>& texts(EditorGroup group) const;
    QString settingsProblem(int row) const;

    int n_ = 0;
    Case case_ = Case::AOnly;
    std::vector<QString> network_, names_, angles_, sides_, settings_;
};

class ObservationEditor;

// The cells of one group as a table: texts, marks of bad cells with their
// reasons, and which cells can change, all read from the editor's document
// when shown. A change typed into a cell goes to the editor as an edit.
class EditorModel : public QAbstractTableModel {
public:
    // Set on a bad cell; the frame round it is drawn from it.
    static constexpr int BadRole = Qt::UserRole + 1;

    EditorModel(ObservationEditor* editor, EditorGroup group);
    EditorGroup group() const { return group_; }
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    CellRef cellAt(int row, int column) const;
    // The row and column of a cell of this group.
    std::pair<int, int> place(int index) const;
    // The cell shows the document again.
    void refresh(int index);
    // The document changes as a whole, its cell counts with it.
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }

private:
    ObservationEditor* editor_;
    EditorGroup group_;
};

// One table of the editor; pastes from the clipboard, and Esc closes the
// editor only when no cell is being edited.
class EditorTable : public QTableView {
    Q_OBJECT
public:
    EditorTable(ObservationEditor* editor, EditorGroup group);
    EditorGroup group() const { return model_->group(); }
    EditorModel* cells() const { return model_; }
    CellRef cellAt(int row, int column) const { return model_->cellAt(row, column); }
    std::pair<int, int> place(int index) const { return model_->place(index); }
    int rowCount() const { return model_->rowCount(); }
    int columnCount() const { return model_->columnCount(); }
    int currentRow() const { return currentIndex().row(); }
    int currentColumn() const { return currentIndex().column(); }
    void setCurrentCell(int row, int column) { setCurrentIndex(model_->index(row, column)); }
    // What a cell shows in the given role (text, tooltip, background,
    // EditorModel::BadRole), and its flags.
    QVariant cellData(int row, int column, int role = Qt::DisplayRole) const {
        return model_->index(row, column).data(role);
    }
    Qt::ItemFlags cellFlags(int row, int column) const { return model_->flags(model_->index(row, column)); }
    bool editing() const { return state() == EditingState; }

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    ObservationEditor* editor_;
    EditorModel* model_;
};

class ObservationEditor : public QWidget {
    Q_OBJECT
public:
    explicit ObservationEditor(QWidget* parent = nullptr);
    // The undo stack clears itself as it goes, and says so: by then nothing
    // of the editor may hear it.
    ~ObservationEditor() override;

    // Shows a new document; the undo history starts afresh.
    void load(const ObservationValues& values);
    const EditorDocument& document() const { return document_; }
    // Runs a computation from values: every one replayed, and the prompts
    // going on where they end.
    void setRunner(std::function<void(const ObservationValues&)> run) { run_ = std::move(run); }
    // The checks an observation file must pass, the last word on values
    // before they are computed: why they could not be, or "". Safe to call
    // from any thread.
    static QString lastWord(const ObservationValues& values);
    // Tells why the values cannot be computed, in the status line and a
    // message.
    void refuse(const QString& message);

    // A change of one cell as typed: refused with a message when it would
    // switch the known-point case; otherwise one undo step.
    bool edit(CellRef cell, const QString& text);
    // A block of a spreadsheet (tab- and line-separated) from `start`
    // onwards in `table`: all its cells or none, one undo step. False (with
    // the first bad cell named) when refused.
    bool paste(EditorTable* table, int row, int column, const QString& text);
    // Delete: empties the selected cells that can change, one undo step.
    void clearCells(EditorTable* table);
    // 重新计算: only when every cell is present and valid.
    void recompute();
    // 继续输入: replays up to the first missing value and goes on with the
    // prompts; cells filled after it are dropped, with a notice.
    void continueEntry();
    // Selects the cell of an observation (see EditorDocument).
    void select(int observation);

    bool autoCompute() const;
    void setAutoCompute(bool on);
    QUndoStack* undoStack() const { return undo_; }
    EditorTable* table(EditorGroup group) const;
    // Applies texts without a new undo step (the undo commands).
    void apply(const std::vector<CellEdit>& edits, bool undoing);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void build();
    void refreshCell(CellRef cell);
    void refreshState();

    EditorDocument document_;
    std::function<void(const ObservationValues&)> run_;
    QUndoStack* undo_ = nullptr;
    std::vector<EditorTable*> tables_;
    QAction* recompute_ = nullptr;
    QAction* continue_ = nullptr;
    QCheckBox* auto_ = nullptr;
    QLabel* status_ = nullptr;
    bool changedByEdit_ = false;
};

}  // namespace kestrane
