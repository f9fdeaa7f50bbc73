// The observation editor: cells checked as typing checks them, the
// known-point case kept, recomputation without a dialog, undo, paste of a
// spreadsheet column, and unfinished documents continued with the prompts.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSettings>
#include <QSignalSpy>
#include <QUndoStack>

#include <deque>
#include <fstream>

#include "GuiTestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/ObservationEditor.h"

namespace {

using namespace kestrane;
using namespace kestrane::test;

// A copy of a shipped example in this test's scratch folder.
std::filesystem::path example(const std::string& name) {
    const auto copy = scratchFile(name + ".kestrane.toml");
    std::filesystem::copy_file(examplePath(name), copy);
    return copy;
}

ObservationValues valuesOf(const std::string& name) {
    const ObservationReading reading = readObservationFile(examplePath(name).string());
    EXPECT_TRUE(reading.values) << reading.message;
    return reading.values.value_or(ObservationValues{});
}

// A key pressed on a widget.
void key(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QKeyEvent event(QEvent::KeyPress, key, modifiers);
    QApplication::sendEvent(target, &event);
}

struct OpenEditor {
    Form1 form;
    ScriptedDialogs dialogs;
    std::unique_ptr<DialogDriver> driver;
    ObservationEditor* editor = nullptr;

    // Opens the file with the prompts of an unfinished one answered from the list.
    explicit OpenEditor(const std::filesystem::path& file, std::deque<std::optional<std::string>> answers = {}) {
        // 自动计算 from this test's own settings (off), never the user's.
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QString::fromStdString(scratchFile("config").string()));
        form.setRecoveryFolder(QString::fromStdString(scratchFile("recovery").string()));
        form.show();
        dialogs.answers = std::move(answers);
        driver = std::make_unique<DialogDriver>([this](QWidget* d) { dialogs.handle(d); });
        EXPECT_TRUE(form.openObservationFile(QString::fromStdString(file.string())));
        form.showObservationEditor();
        editor = form.findChild<ObservationEditor*>("observationEditor");
    }
    EditorTable* table(const char* name) const { return editor->findChild<EditorTable*>(name); }
    QAction* action(const char* name) const { return editor->findChild<QAction*>(name); }
    // The cell's own line editor, opened on it.
    QLineEdit* startEditing(const char* tableName, int row, int column) const {
        EditorTable* t = table(tableName);
        t->setCurrentCell(row, column);
        t->edit(t->cells()->index(row, column));
        return t->findChild<QLineEdit*>();
    }
    // Types into a cell's own line editor and commits it with Return.
    void type(const char* tableName, int row, int column, const QString& text) const {
        QLineEdit* line = startEditing(tableName, row, column);
        ASSERT_NE(line, nullptr) << tableName;
        line->setText(text);
        key(line, Qt::Key_Return);  // committed and closed once the events are handled
        QApplication::processEvents();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    QString cell(const char* tableName, int row, int column = 0) const {
        return table(tableName)->cellData(row, column).toString();
    }
};

CellRef angle(int index) { return {EditorGroup::Angles, index}; }
CellRef side(int index) { return {EditorGroup::Sides, index}; }
CellRef network(int row) { return {EditorGroup::Network, row}; }
CellRef setting(int row) { return {EditorGroup::Settings, row}; }

}  // namespace

// Each cell is read with the number reader of the prompts and held to the
// ranges that typing holds it to; the reason of a bad cell names what is wrong.
TEST(EditorDocument, CellsAreCheckedAsTypingChecksThem) {
    struct Case {
        std::vector<std::pair<CellRef, QString>> cells;  // the last is the one checked
        const char* problem;                             // "" when good
    };
    const Case cases[] = {
        {{{angle(4), "abc"}}, "不是数值"},
        {{{angle(4), "1e999"}}, "超出范围"},
        {{{angle(4), "５９．０３２５７"}}, ""},  // full width, as a Chinese input method types
        {{{angle(4), "　－1.5 "}}, ""},
        {{{side(0), "0"}}, "边长必须大于 0"},
        {{{side(0), "-3"}}, "边长必须大于 0"},
        {{{side(0), "６１１.６６３８"}}, ""},
        {{{network(RowTolerance), "0"}}, "测角限差必须大于 0"},
        {{{network(RowTolerance), "1e-50"}}, "测角限差必须大于 0"},  // 0 in single precision
        {{{network(RowTolerance), "1e39"}}, "超出范围"},
        {{{network(RowTolerance), "2.5"}}, ""},
        {{{network(RowXa), "x1"}}, "不是数值"},
        {{{{EditorGroup::Names, 2}, "a\tb"}}, "控制字符"},
        {{{{EditorGroup::Names, 2}, "新点 7"}}, ""},
        {{{setting(RowAngleSd), "0"}}, "测角中误差必须大于 0"},
        {{{setting(RowAngleSd), "1.5"}}, ""},
        {{{setting(RowSideMm), "0"}}, "测边中误差必须大于 0"},
        {{{setting(RowSidePpm), "2"}, {setting(RowSideMm), "0"}}, ""},
        {{{setting(RowSidePpm), "0"}, {setting(RowSideMm), "0"}}, "不能同时为 0"},
        {{{setting(RowSideMm), "2"}, {setting(RowSidePpm), "-1"}}, "ppm 不能为负"},
        {{{setting(RowSidePpm), "2"}, {setting(RowSideMm), ""}}, "也要给出毫米数"},
        {{{setting(RowWeighting), "rigorous"}}, ""},
        {{{setting(RowWeighting), "严密定权"}}, ""},
        {{{setting(RowWeighting), "strict"}}, "classic"},
    };
    const ObservationValues town = valuesOf("aonly-n8-town");
    for (const Case& c : cases) {
        EditorDocument document(town);
        for (const auto& [cell, text] : c.cells) document.setText(cell, text);
        const auto& [checked, text] = c.cells.back();
        const std::string problem = document.problem(checked).toStdString();
        if (*c.problem) {
            EXPECT_NE(problem.find(c.problem), std::string::npos) << text.toStdString() << ": " << problem;
            EXPECT_FALSE(document.complete()) << text.toStdString();
            EXPECT_NE(document.blocker().indexOf(document.cellName(checked)), -1) << document.blocker().toStdString();
        } else {
            EXPECT_EQ(problem, "") << text.toStdString();
            EXPECT_TRUE(document.complete()) << text.toStdString() << ": " << document.blocker().toStdString();
        }
    }
}

// A value that would switch the known-point case is refused; one that keeps
// it is taken, even a zero where the point is not known.
TEST(EditorDocument, TheKnownPointCaseCannotSwitch) {
    // The example, the cell, the text typed into it, whether it is refused.
    const std::tuple<const char*, CellRef, const char*, bool> cases[] = {
        {"awithb-n5", network(RowXb), "0", true},        {"awithb-n5", network(RowYb), "-0.0", true},
        {"awithb-n5", network(RowXb), "3416140", false}, {"awithb-n5", network(RowT0), "12.3", true},
        {"awithb-n5", network(RowXc), "5", true},        {"aonly-n3", network(RowXb), "5", true},
        {"aonly-n3", network(RowYc), "５", true},         {"aonly-n3", network(RowXb), "0", false},
        {"aonly-n3", network(RowT0), "12.3", false},     {"aonly-n3", network(RowTriangles), "4", true},
        {"awithc-n4", network(RowXc), "0", true},        {"awithc-n4", network(RowXb), "7", true},
        {"awithc-n4", network(RowYc), "526930", false},  {"awithc-n4", network(RowQa), "1", true},
    };
    for (const auto& [name, cell, text, refused] : cases) {
        const EditorDocument document(valuesOf(name));
        const QString why = document.refusal(cell, QString::fromUtf8(text));
        EXPECT_EQ(!why.isEmpty(), refused) << name << " " << document.cellName(cell).toStdString() << " = " << text
                                           << ": " << why.toStdString();
    }
}

// The cells give back exactly the values they were made from, in every
// known-point case, and an observation number finds its angle or side.
TEST(EditorDocument, CellsHoldTheValuesAndFindObservations) {
    for (const char* name : {"aonly-n3", "aonly-n8-town", "awithb-n5", "awithc-n4", "awithc-n20-plain"}) {
        ObservationValues values = valuesOf(name);
        values.settings = {Weighting::Rigorous, 1.5, SideErrorModel{2, 3}};
        const EditorDocument document(values);
        EXPECT_TRUE(document.complete()) << name << document.blocker().toStdString();
        EXPECT_EQ(document.values(), values) << name;
        EXPECT_EQ(typedAnswers(document.values()), typedAnswers(values)) << name;

        const int n = *values.triangles;
        EXPECT_EQ(document.observationCell(1), std::optional(angle(0)));
        EXPECT_EQ(document.observationCell(3 * n), std::optional(angle(3 * n - 1)));
        const bool cKnown = document.knownCase() == EditorDocument::Case::AWithC;
        const bool bKnown = document.knownCase() == EditorDocument::Case::AWithB;
        // s(1) is known from C, s(2n) from B: neither has a cell.
        EXPECT_EQ(document.observationCell(3 * n + 1), cKnown ? std::nullopt : std::optional(side(0))) << name;
        EXPECT_EQ(document.observationCell(3 * n + 2), std::optional(side(cKnown ? 0 : 1))) << name;
        EXPECT_EQ(document.observationCell(5 * n), bKnown ? std::nullopt : std::optional(side(static_cast<int>(values.sides.size()) - 1)))
            << name;
        EXPECT_EQ(document.cellName(*document.observationCell(3 * n + 2)), "边长 s(2)");
    }
}

// Correct one angle: the form changes without any dialog; undo and
// recompute bring back the old field texts exactly.
TEST(ObservationEditorWindow, CorrectAnAngleThenUndo) {
    OpenEditor e(example("aonly-n8-town"));
    ASSERT_NE(e.editor, nullptr);
    const auto before = fieldTexts(e.form);
    // The flagged angle b(2), as the quality window would ask for it.
    e.form.showObservationEditor(5);
    EXPECT_EQ(e.table("anglesTable")->currentRow(), 1);
    EXPECT_EQ(e.table("anglesTable")->currentColumn(), 1);
    EXPECT_EQ(e.cell("anglesTable", 1, 1), "53.03504");
    EXPECT_EQ(e.cell("networkTable", RowT0), "97.53371");
    EXPECT_EQ(e.cell("sidesTable", 15), "555.6098");
    // Rows and columns labelled as the surveyor calls them.
    const auto label = [&](const char* table, int section, Qt::Orientation o = Qt::Vertical) {
        return e.table(table)->cells()->headerData(section, o).toString().toStdString();
    };
    EXPECT_EQ(label("anglesTable", 1, Qt::Horizontal), "前进角 b");
    EXPECT_EQ(label("anglesTable", 7), "8");
    EXPECT_EQ(label("sidesTable", 15), "s(16)");
    EXPECT_EQ(label("namesTable", 0), "A");
    EXPECT_EQ(label("namesTable", e.table("namesTable")->rowCount() - 1), "闭合点");
    EXPECT_EQ(label("networkTable", RowT0), "T0");

    e.form.showPrecisionTable();
    e.type("anglesTable", 1, 1, "53.03544");
    EXPECT_EQ(e.cell("anglesTable", 1, 1), "53.03544");
    ASSERT_TRUE(e.action("recomputeAction")->isEnabled());
    EXPECT_EQ(e.action("recomputeAction")->shortcut().toString(), "Ctrl+R");
    e.action("recomputeAction")->trigger();
    EXPECT_TRUE(e.form.state().complete);
    const auto corrected = fieldTexts(e.form);
    EXPECT_NE(corrected, before);
    EXPECT_EQ(e.form.record().values().angles[4], 53.03544);
    // The precision table that was open shows the new results.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto tables = e.form.findChildren<QWidget*>("precisionTableWindow");
    ASSERT_EQ(tables.size(), 1);
    EXPECT_TRUE(tables[0]->isVisible());

    QSignalSpy redrawn(e.table("anglesTable")->cells(), &QAbstractItemModel::dataChanged);
    e.editor->undoStack()->undo();
    EXPECT_FALSE(redrawn.isEmpty());  // the table hears of the undo
    EXPECT_EQ(e.cell("anglesTable", 1, 1), "53.03504");
    EXPECT_EQ(fieldTexts(e.form), corrected);  // 自动计算 is off
    e.action("recomputeAction")->trigger();
    EXPECT_EQ(fieldTexts(e.form), before);
    e.editor->undoStack()->redo();
    e.action("recomputeAction")->trigger();
    EXPECT_EQ(fieldTexts(e.form), corrected);
    EXPECT_EQ(e.dialogs.prompts.size(), 0u);
    EXPECT_TRUE(e.dialogs.messages.empty());
}

// With 自动计算 on, every accepted change, undo and redo recomputes; the
// choice is kept for the next run of the program.
TEST(ObservationEditorWindow, AutoComputeFollowsEveryEditAndIsKept) {
    OpenEditor e(example("aonly-n8-town"));
    const auto before = fieldTexts(e.form);
    auto* check = e.editor->findChild<QCheckBox*>("autoCompute");
    ASSERT_NE(check, nullptr);
    EXPECT_FALSE(check->isChecked());
    check->setChecked(true);
    e.type("anglesTable", 0, 2, "54.00279");
    const auto changed = fieldTexts(e.form);
    EXPECT_NE(changed, before);
    e.editor->undoStack()->undo();
    EXPECT_EQ(fieldTexts(e.form), before);
    e.editor->undoStack()->redo();
    EXPECT_EQ(fieldTexts(e.form), changed);
    // A bad cell computes nothing.
    e.type("anglesTable", 0, 2, "abc");
    EXPECT_EQ(fieldTexts(e.form), changed);
    EXPECT_EQ(e.dialogs.prompts.size(), 0u);

    // Closed and opened again: the same document, edits and history.
    e.editor->close();
    e.form.showObservationEditor();
    EXPECT_EQ(e.form.findChild<ObservationEditor*>("observationEditor"), e.editor);
    EXPECT_EQ(e.cell("anglesTable", 0, 2), "abc");
    EXPECT_EQ(e.editor->undoStack()->count(), 2);
    // The next run of the program starts with 自动计算 as it was left.
    EXPECT_TRUE(ObservationEditor().autoCompute());
    check->setChecked(false);
    EXPECT_FALSE(ObservationEditor().autoCompute());
}

// A bad cell is marked, says why, and stops 重新计算 until corrected;
// full-width digits are the same number as ASCII ones.
TEST(ObservationEditorWindow, BadCellIsMarkedAndFullWidthDigitsAreRead) {
    OpenEditor e(example("aonly-n8-town"));
    const auto before = fieldTexts(e.form);
    auto* status = e.editor->findChild<QLabel*>("editorStatus");
    struct Bad {
        const char* table;
        int row, column;
        const char* text;
        const char* name;
        const char* why;
    };
    for (const Bad& bad : {Bad{"anglesTable", 2, 0, "abc", "第 3 个三角形的求距角 a(3)", "不是数值"},
                           Bad{"sidesTable", 3, 0, "0", "边长 s(4)", "边长必须大于 0"},
                           Bad{"settingsTable", RowWeighting, 0, "best", "定权方式", "定权方式应为"}}) {
        const QString old = e.cell(bad.table, bad.row, bad.column);
        e.type(bad.table, bad.row, bad.column, QString::fromUtf8(bad.text));
        EditorTable* t = e.table(bad.table);
        auto tip = [&] { return t->cellData(bad.row, bad.column, Qt::ToolTipRole).toString(); };
        auto background = [&](int row, int column) { return t->cellData(row, column, Qt::BackgroundRole).value<QBrush>(); };
        EXPECT_EQ(e.cell(bad.table, bad.row, bad.column), bad.text);
        EXPECT_NE(tip().indexOf(QString::fromUtf8(bad.why)), -1) << tip().toStdString();
        EXPECT_NE(background(bad.row, bad.column).color(), background(0, 0).color()) << bad.text;
        EXPECT_FALSE(e.action("recomputeAction")->isEnabled()) << bad.text;
        EXPECT_NE(status->text().indexOf(QString::fromUtf8(bad.name)), -1) << status->text().toStdString();
        e.type(bad.table, bad.row, bad.column, old);
        EXPECT_EQ(tip().indexOf(QString::fromUtf8(bad.why)), -1) << tip().toStdString();
        EXPECT_EQ(background(bad.row, bad.column), background(0, 0)) << bad.text;
        EXPECT_TRUE(e.action("recomputeAction")->isEnabled()) << bad.text;
    }
    e.type("anglesTable", 1, 1, "５３．０３５０４");  // the same angle, typed full width
    ASSERT_TRUE(e.action("recomputeAction")->isEnabled()) << status->text().toStdString();
    e.action("recomputeAction")->trigger();
    EXPECT_EQ(fieldTexts(e.form), before);
    e.type("sidesTable", 0, 0, "");  // missing
    EXPECT_FALSE(e.action("recomputeAction")->isEnabled());
    EXPECT_NE(status->text().indexOf("缺少边长 s(1)"), -1) << status->text().toStdString();
}

// B known cannot become "not known": the change is refused with a message
// and the cell keeps its value.
TEST(ObservationEditorWindow, ChangeOfBToZeroIsRefused) {
    OpenEditor e(example("awithb-n5"));
    e.type("networkTable", RowXb, 0, "0");
    ASSERT_EQ(e.dialogs.messages.size(), 1u);
    EXPECT_NE(e.dialogs.messages[0].find("已知点情形"), std::string::npos) << e.dialogs.messages[0];
    EXPECT_EQ(e.cell("networkTable", RowXb), "3416139.583");
    EXPECT_EQ(e.editor->undoStack()->count(), 0);
    EXPECT_TRUE(e.action("recomputeAction")->isEnabled());
    // The cells this case does not ask are not editable.
    EXPECT_FALSE(e.table("networkTable")->cellFlags(RowT0, 0) & Qt::ItemIsEditable);
    EXPECT_FALSE(e.table("networkTable")->cellFlags(RowTriangles, 0) & Qt::ItemIsEditable);
    EXPECT_EQ(e.table("sidesTable")->rowCount(), 9);
}

// A column of sides from a spreadsheet fills from the selected cell down as
// one undo step; a column with a bad cell is refused whole, naming it.
TEST(ObservationEditorWindow, PasteAColumnOfSides) {
    OpenEditor e(example("aonly-n8-town"));
    EditorTable* sides = e.table("sidesTable");
    const QString s2 = e.cell("sidesTable", 1), s5 = e.cell("sidesTable", 4);
    const std::tuple<int, const char*, const char*> refused[] = {  // the row pasted at, the text, the refusal
        {2, "500.1\nabc\n0\n", "边长 s(4) “abc” 不是数值"},
        {2, "500.1\r\n501\r\n0\r\n", "边长 s(5) “0” 边长必须大于 0"},
        {14, "1\n2\n3", "超出了表格"},
        {2, "1\t2", "超出了表格"},
    };
    for (const auto& [row, text, refusal] : refused) {
        e.dialogs.messages.clear();
        EXPECT_FALSE(e.editor->paste(sides, row, 0, QString::fromUtf8(text))) << text;
        ASSERT_EQ(e.dialogs.messages.size(), 1u) << text;
        EXPECT_NE(e.dialogs.messages[0].find(refusal), std::string::npos) << e.dialogs.messages[0];
        EXPECT_EQ(e.cell("sidesTable", 2), "570.1832");
        EXPECT_EQ(e.editor->undoStack()->count(), 0);
    }
    e.dialogs.messages.clear();
    ASSERT_TRUE(e.editor->paste(sides, 1, 0, QStringLiteral("538.5\r\n５７０.２\r\n478.9\r\n479\r\n")));
    EXPECT_TRUE(e.dialogs.messages.empty());
    EXPECT_EQ(e.cell("sidesTable", 1), "538.5");
    EXPECT_EQ(e.cell("sidesTable", 2), "５７０.２");
    EXPECT_EQ(e.cell("sidesTable", 4), "479");
    EXPECT_EQ(e.editor->undoStack()->count(), 1);
    e.action("recomputeAction")->trigger();
    EXPECT_EQ(e.form.record().values().sides[2], 570.2);
    e.editor->undoStack()->undo();
    EXPECT_EQ(e.cell("sidesTable", 1), s2);
    EXPECT_EQ(e.cell("sidesTable", 4), s5);

    // A block of angles: two rows of three from the selected cell.
    ASSERT_TRUE(e.editor->paste(e.table("anglesTable"), 6, 0, QStringLiteral("61.1\t72.2\t46.3\n58.1\t71.1\t50.4\n")));
    EXPECT_EQ(e.cell("anglesTable", 6, 2), "46.3");
    EXPECT_EQ(e.cell("anglesTable", 7, 0), "58.1");
    EXPECT_EQ(e.editor->undoStack()->count(), 1);  // the undone paste is gone from the history

    // Ctrl+V pastes the clipboard from the current cell.
    QApplication::clipboard()->setText(QStringLiteral("611.7\n537.9\n"));
    sides->setCurrentCell(0, 0);
    key(sides, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(e.cell("sidesTable", 0), "611.7");
    EXPECT_EQ(e.cell("sidesTable", 1), "537.9");
    EXPECT_EQ(e.editor->undoStack()->count(), 2);

    // A selection is copied as a spreadsheet column, and Delete empties it
    // in one step.
    sides->clearSelection();
    sides->selectionModel()->select(QItemSelection(sides->cells()->index(1, 0), sides->cells()->index(2, 0)),
                                    QItemSelectionModel::Select);
    key(sides, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "537.9\n570.1832\n");
    key(sides, Qt::Key_Delete);
    EXPECT_EQ(e.cell("sidesTable", 1), "");
    EXPECT_EQ(e.cell("sidesTable", 2), "");
    EXPECT_EQ(e.cell("sidesTable", 0), "611.7");
    EXPECT_FALSE(e.action("recomputeAction")->isEnabled());
    e.editor->undoStack()->undo();
    EXPECT_EQ(e.cell("sidesTable", 2), "570.1832");
}

// An unfinished file goes on with the prompts; what is typed then shows in
// the editor. 继续输入 goes on from the editor's first missing value,
// dropping with a notice what was filled after it.
TEST(ObservationEditorWindow, UnfinishedFileContinuedAndShownInTheEditor) {
    const ObservationValues all = valuesOf("aonly-n3");
    ObservationValues start;
    start.triangles = all.triangles;
    start.tolerance = all.tolerance;
    start.Xa = all.Xa;
    start.Ya = all.Ya;
    const auto file = scratchFile("start.kestrane.toml");
    std::ofstream(file) << "triangles = 3\ntolerance = 10\nA = { X = 3562726.265, Y = -429.61 }\n";
    const std::vector<std::string> answers = typedAnswers(all);
    const std::size_t given = typedAnswers(start).size();

    // First: only B is typed, then the entry is given up.
    const auto afterB = answers.begin() + static_cast<long>(given) + 4;
    OpenEditor e(file, std::deque<std::optional<std::string>>(answers.begin() + static_cast<long>(given), afterB));
    EXPECT_FALSE(e.form.state().complete);
    ASSERT_NE(e.editor, nullptr);
    EXPECT_EQ(e.cell("networkTable", RowXa), "3562726.265");
    EXPECT_EQ(e.cell("networkTable", RowXb), "0");
    EXPECT_EQ(e.cell("networkTable", RowXc), "");
    EXPECT_EQ(e.cell("namesTable", 0), "");
    EXPECT_FALSE(e.action("recomputeAction")->isEnabled());
    EXPECT_TRUE(e.action("continueAction")->isEnabled());
    EXPECT_NE(e.editor->findChild<QLabel*>("editorStatus")->text().indexOf("缺少C 的 X"), -1);

    // A side filled before its turn is dropped; the rest is typed.
    e.type("sidesTable", 0, 0, "727.9");
    e.dialogs.answers.assign(afterB, answers.end());
    e.dialogs.messages.clear();
    e.dialogs.prompts.clear();
    e.action("continueAction")->trigger();
    ASSERT_FALSE(e.dialogs.messages.empty());
    EXPECT_NE(e.dialogs.messages[0].find("1 个数值"), std::string::npos) << e.dialogs.messages[0];
    EXPECT_TRUE(e.form.state().complete);
    EXPECT_EQ(e.dialogs.prompts.size(), answers.size() - given - 4);
    EXPECT_EQ(e.editor->document().values(), all);
    EXPECT_EQ(e.cell("namesTable", 4), "A");
    EXPECT_EQ(e.cell("sidesTable", 0), QString::fromStdString(numberAnswer(all.sides[0])));
    EXPECT_EQ(e.cell("anglesTable", 2, 2), QString::fromStdString(numberAnswer(all.angles[8])));
    EXPECT_TRUE(e.action("recomputeAction")->isEnabled());
}

// Esc ends the editing of a cell first; only then does it close the editor.
TEST(ObservationEditorWindow, EscClosesOnlyWhenNoCellIsEdited) {
    OpenEditor e(example("aonly-n3"));
    EditorTable* angles = e.table("anglesTable");
    auto* lineEdit = e.startEditing("anglesTable", 0, 0);
    ASSERT_NE(lineEdit, nullptr);
    key(lineEdit, Qt::Key_Escape);
    QApplication::processEvents();
    EXPECT_TRUE(e.editor->isVisible());
    EXPECT_FALSE(angles->editing());
    key(angles, Qt::Key_Escape);
    EXPECT_FALSE(e.editor && e.editor->isVisible());
}
