#include "frontends/qt/ObservationEditor.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QSettings>
#include <QStyledItemDelegate>
#include <QToolBar>
#include <QUndoStack>
#include <QVBoxLayout>

#include <cmath>

#include "driver/TypedAnswers.h"
#include "entry/EntryStages.h"
#include "files/ObservationFile.h"
#include "frontends/qt/MessageBoxes.h"
#include "prompting/NumberReader.h"

namespace kestrane {

namespace {

const QString kAutoComputeKey = QStringLiteral("editor/autoCompute");
const QColor kBadColour(255, 205, 205);
const QColor kNotAskedColour(225, 225, 225);
constexpr int kBadRole = EditorModel::BadRole;

// Draws a red frame round a bad cell, seen also when the cell is selected.
class BadCellFrame : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (!index.data(kBadRole).toBool()) return;
        painter->save();
        painter->setPen(QPen(QColor(200, 0, 0), 2));
        painter->drawRect(QRectF(option.rect).adjusted(1, 1, -1, -1));
        painter->restore();
    }
};

QString shortest(double value) { return QString::fromStdString(numberAnswer(value)); }
QString shortest(const std::optional<double>& value) { return value ? shortest(*value) : QString(); }

std::optional<double> numberOf(const QString& text) { return readNumber(text.toStdString()); }

bool hasControlCharacter(const QString& text) {
    for (QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar(0x2028) || c == QChar(0x2029)) return true;
    }
    return false;
}

std::optional<Weighting> weightingOf(const QString& text) {
    const QString t = text.trimmed();
    if (t == QStringLiteral("按限差定权")) return Weighting::Classic;
    if (t == QStringLiteral("严密定权")) return Weighting::Rigorous;
    return weightingFromName(t.toStdString());
}

const char* const kNetworkNames[kNetworkRows] = {"三角形个数 n", "测角限差 (″)", "A 的 X", "A 的 Y", "B 的 X",
                                                 "B 的 Y",       "C 的 X",        "C 的 Y", "T0",     "Qa"};
const char* const kSettingsNames[kSettingsRows] = {"测角中误差 (″)", "测边中误差 (毫米)", "测边中误差 (ppm)",
                                                   "定权方式"};
const char* const kAngleNames[3] = {"求距角 a", "前进角 b", "中心角 c"};

// One undo step: the cells it changed, with their texts before and after.
class CellsCommand : public QUndoCommand {
public:
    CellsCommand(ObservationEditor* editor, std::vector<CellEdit> edits, const QString& text)
        : QUndoCommand(text), editor_(editor), edits_(std::move(edits)) {}
    void redo() override { editor_->apply(edits_, false); }
    void undo() override { editor_->apply(edits_, true); }

private:
    ObservationEditor* editor_;
    std::vector<CellEdit> edits_;
};

}  // namespace

// ---------------------------------------------------------------------------

EditorDocument::EditorDocument(const ObservationValues& v) : n_(v.triangles.value_or(0)) {
    // A B or C with a non-zero X is known (a point with one zero coordinate
    // is never accepted), even while its Y is still missing.
    if (v.Xb && *v.Xb != 0) {
        case_ = Case::AWithB;
    } else if (v.Xc && *v.Xc != 0) {
        case_ = Case::AWithC;
    }
    network_ = {v.triangles ? QString::number(*v.triangles) : QString(),
                shortest(v.tolerance),
                shortest(v.Xa),
                shortest(v.Ya),
                shortest(v.Xb),
                shortest(v.Yb),
                case_ == Case::AWithB ? QString() : shortest(v.Xc),
                case_ == Case::AWithB ? QString() : shortest(v.Yc),
                shortest(v.T0),
                shortest(v.Qa)};
    names_.assign(static_cast<std::size_t>(count(EditorGroup::Names)), QString());
    for (std::size_t i = 0; i < v.names.size() && i < names_.size(); ++i) names_[i] = QString::fromStdString(v.names[i]);
    angles_.assign(static_cast<std::size_t>(count(EditorGroup::Angles)), QString());
    for (std::size_t i = 0; i < v.angles.size() && i < angles_.size(); ++i) angles_[i] = shortest(v.angles[i]);
    sides_.assign(static_cast<std::size_t>(count(EditorGroup::Sides)), QString());
    for (std::size_t i = 0; i < v.sides.size() && i < sides_.size(); ++i) sides_[i] = shortest(v.sides[i]);
    const AprioriSettings& s = v.settings;
    settings_ = {shortest(s.angleSd), s.sideSd ? shortest(s.sideSd->mm) : QString(),
                 s.sideSd ? shortest(s.sideSd->ppm) : QString(),
                 s.weighting ? QString::fromLatin1(weightingName(*s.weighting)) : QString()};
}

int EditorDocument::count(EditorGroup group) const {
    const bool second = case_ != Case::AOnly;
    switch (group) {
    case EditorGroup::Network: return kNetworkRows;
    case EditorGroup::Names: return askedNameCount(n_, second);
    case EditorGroup::Angles: return 3 * n_;
    case EditorGroup::Sides: return askedSideCount(n_, second);
    case EditorGroup::Settings: return kSettingsRows;
    }
    return 0;
}

std::vector<QString>& EditorDocument::texts(EditorGroup group) {
    switch (group) {
    case EditorGroup::Network: return network_;
    case EditorGroup::Names: return names_;
    case EditorGroup::Angles: return angles_;
    case EditorGroup::Sides: return sides_;
    case EditorGroup::Settings: break;
    }
    return settings_;
}

const std::vector<QString>& EditorDocument::texts(EditorGroup group) const {
    return const_cast<EditorDocument*>(this)->texts(group);
}

const QString& EditorDocument::text(CellRef cell) const { return texts(cell.group).at(static_cast<std::size_t>(cell.index)); }

void EditorDocument::setText(CellRef cell, const QString& text) {
    texts(cell.group).at(static_cast<std::size_t>(cell.index)) = text;
}

bool EditorDocument::asked(CellRef cell) const {
    if (cell.group != EditorGroup::Network) return true;
    switch (cell.index) {
    case RowXc:
    case RowYc: return case_ != Case::AWithB;
    case RowT0:
    case RowQa: return case_ == Case::AOnly;
    default: return true;
    }
}

bool EditorDocument::editable(CellRef cell) const {
    return asked(cell) && !(cell.group == EditorGroup::Network && cell.index == RowTriangles);
}

QString EditorDocument::problem(CellRef cell) const {
    const QString& t = text(cell);
    if (cell.group == EditorGroup::Settings) return settingsProblem(cell.index);
    if (t.isEmpty()) return {};
    if (cell.group == EditorGroup::Names) {
        return hasControlCharacter(t) ? QStringLiteral("点名不能含有控制字符（换行、制表符等）。") : QString();
    }
    const std::optional<double> v = numberOf(t);
    if (!v) return QStringLiteral("不是数值。");
    if (!std::isfinite(*v)) return QStringLiteral("数值超出范围。");
    if (cell.group == EditorGroup::Sides && !(*v > 0)) return QStringLiteral("边长必须大于 0。");
    if (cell.group == EditorGroup::Network) {
        if (cell.index == RowTriangles && !(*v >= kMinTriangles && *v <= kMaxTriangles)) {
            return QStringLiteral("三角形个数必须是 3 到 6553 之间的整数。");
        }
        if (cell.index == RowTolerance) {
            // Held in single precision, as typing holds it.
            if (std::fabs(*v) >= 0x1.ffffffp127) return QStringLiteral("数值超出范围。");
            if (!(static_cast<float>(*v) > 0)) return QStringLiteral("测角限差必须大于 0。");
        }
        // A B or C that does not fit the known-point case (never from a
        // file or from typing; refused when edited).
        if (cell.index >= RowXb && cell.index <= RowYc) {
            if (const QString why = refusal(cell, t); !why.isEmpty()) return why;
        }
    }
    return {};
}

QString EditorDocument::settingsProblem(int row) const {
    const QString& t = settings_[static_cast<std::size_t>(row)];
    const QString& ppm = settings_[RowSidePpm];
    auto number = [](const QString& text) -> std::optional<double> {
        const auto v = numberOf(text);
        return v && std::isfinite(*v) ? v : std::nullopt;
    };
    switch (row) {
    case RowAngleSd:
        if (t.isEmpty()) return {};
        if (!number(t)) return QStringLiteral("不是数值。");
        return validAngleError(*number(t)) ? QString() : QStringLiteral("测角中误差必须大于 0。");
    case RowSideMm:
        if (t.isEmpty()) return ppm.isEmpty() ? QString() : QStringLiteral("给出 ppm 时也要给出毫米数。");
        if (!number(t)) return QStringLiteral("不是数值。");
        if (ppm.isEmpty()) {
            return validSideError({*number(t), std::nullopt}) ? QString() : QStringLiteral("测边中误差必须大于 0。");
        }
        if (number(ppm) && *number(ppm) >= 0 && !validSideError({*number(t), *number(ppm)})) {
            return QStringLiteral("毫米数和 ppm 不能为负，也不能同时为 0。");
        }
        return {};
    case RowSidePpm:
        if (t.isEmpty()) return {};
        if (!number(t)) return QStringLiteral("不是数值。");
        return *number(t) >= 0 ? QString() : QStringLiteral("ppm 不能为负。");
    case RowWeighting:
        if (t.isEmpty() || weightingOf(t)) return {};
        return QStringLiteral("定权方式应为 classic（按限差定权）或 rigorous（严密定权）。");
    }
    return {};
}

QString EditorDocument::refusal(CellRef cell, const QString& text) const {
    if (!editable(cell) && !text.isEmpty()) {
        if (cell.group == EditorGroup::Network && cell.index == RowTriangles) {
            return QStringLiteral("三角形个数不能修改：不同的 n 是一次新的计算（开始计算）。");
        }
        return QStringLiteral("%1 在已知 B 或 C 点时不输入。").arg(cellName(cell));
    }
    if (cell.group != EditorGroup::Network || text.isEmpty()) return {};
    const bool b = cell.index == RowXb || cell.index == RowYb;
    const bool c = cell.index == RowXc || cell.index == RowYc;
    if (!b && !c) return {};
    const std::optional<double> v = numberOf(text);
    if (!v) return {};
    const bool known = b ? case_ == Case::AWithB : case_ == Case::AWithC;
    if ((*v != 0) == known) return {};
    return QStringLiteral("%1 不能改为 %2：这会改变已知点情形（%3 点%4），点名和边长的个数随之不同。"
                          "要换一种已知点情形，请用“开始计算”重新输入。")
        .arg(cellName(cell), text, b ? QStringLiteral("B") : QStringLiteral("C"),
             known ? QStringLiteral("是已知点，座标不能为 0") : QStringLiteral("不是已知点，座标只能为 0"));
}

QString EditorDocument::cellName(CellRef cell) const {
    const int i = cell.index;
    switch (cell.group) {
    case EditorGroup::Network: return QString::fromUtf8(kNetworkNames[i]);
    case EditorGroup::Settings: return QString::fromUtf8(kSettingsNames[i]);
    case EditorGroup::Names:
        if (i == 0) return QStringLiteral("起点 A 的点名");
        if (i == count(EditorGroup::Names) - 1) return QStringLiteral("闭合点的点名");
        return QStringLiteral("第 %1 个点的点名").arg(i);
    case EditorGroup::Angles: {
        const int triangle = i / 3 + 1;
        return QStringLiteral("第 %1 个三角形的%2(%1)").arg(triangle).arg(QString::fromUtf8(kAngleNames[i % 3]));
    }
    case EditorGroup::Sides:
        // The side known from C's coordinates is s(1), and is not asked.
        return QStringLiteral("边长 s(%1)").arg(i + (case_ == Case::AWithC ? 2 : 1));
    }
    return {};
}

std::vector<CellRef> EditorDocument::order() const {
    std::vector<CellRef> cells;
    for (int row = RowTriangles; row < kNetworkRows; ++row) {
        if (asked({EditorGroup::Network, row})) cells.push_back({EditorGroup::Network, row});
    }
    for (EditorGroup group : {EditorGroup::Names, EditorGroup::Angles, EditorGroup::Sides, EditorGroup::Settings}) {
        for (int i = 0; i < count(group); ++i) cells.push_back({group, i});
    }
    return cells;
}

std::optional<CellRef> EditorDocument::firstGap() const {
    for (const CellRef& cell : order()) {
        if (cell.group != EditorGroup::Settings && text(cell).isEmpty()) return cell;
        if (!problem(cell).isEmpty()) return cell;
    }
    return std::nullopt;
}

QString EditorDocument::blocker() const {
    const std::optional<CellRef> gap = firstGap();
    if (!gap) return {};
    if (text(*gap).isEmpty() && gap->group != EditorGroup::Settings) return QStringLiteral("缺少%1。").arg(cellName(*gap));
    return QStringLiteral("%1有误：%2").arg(cellName(*gap), problem(*gap));
}

int EditorDocument::filledAfterGap() const {
    const std::optional<CellRef> gap = firstGap();
    if (!gap) return 0;
    int filled = 0;
    bool after = false;
    for (const CellRef& cell : order()) {
        if (cell.group == EditorGroup::Settings) break;
        if (after && !text(cell).isEmpty()) ++filled;
        if (cell == *gap) after = true;
    }
    return filled;
}

ObservationValues EditorDocument::values() const {
    ObservationValues v;
    // The settings that are valid; one that is not stops a recomputation.
    if (settingsProblem(RowAngleSd).isEmpty() && !settings_[RowAngleSd].isEmpty()) {
        v.settings.angleSd = numberOf(settings_[RowAngleSd]);
    }
    if (settingsProblem(RowSideMm).isEmpty() && settingsProblem(RowSidePpm).isEmpty() && !settings_[RowSideMm].isEmpty()) {
        SideErrorModel model{*numberOf(settings_[RowSideMm]), std::nullopt};
        if (!settings_[RowSidePpm].isEmpty()) model.ppm = numberOf(settings_[RowSidePpm]);
        v.settings.sideSd = model;
    }
    v.settings.weighting = weightingOf(settings_[RowWeighting]);

    for (const CellRef& cell : order()) {
        if (cell.group == EditorGroup::Settings) break;
        const QString& t = text(cell);
        if (t.isEmpty() || !problem(cell).isEmpty()) break;
        if (cell.group == EditorGroup::Names) {
            v.names.push_back(t.toStdString());
            continue;
        }
        const double number = *numberOf(t);
        switch (cell.group) {
        case EditorGroup::Angles: v.angles.push_back(number); break;
        case EditorGroup::Sides: v.sides.push_back(number); break;
        default: {
            std::optional<double>* targets[kNetworkRows] = {nullptr, &v.tolerance, &v.Xa, &v.Ya, &v.Xb,
                                                          &v.Yb,   &v.Xc,        &v.Yc, &v.T0, &v.Qa};
            if (cell.index == RowTriangles) {
                v.triangles = static_cast<int>(number);
            } else {
                *targets[cell.index] = number;
            }
        }
        }
    }
    return v;
}

std::optional<CellRef> EditorDocument::observationCell(int observation) const {
    if (observation >= 1 && observation <= 3 * n_) return CellRef{EditorGroup::Angles, observation - 1};
    const int k = observation - 3 * n_;
    const int index = k - (case_ == Case::AWithC ? 2 : 1);
    if (k >= 1 && index >= 0 && index < count(EditorGroup::Sides)) return CellRef{EditorGroup::Sides, index};
    return std::nullopt;
}

// ---------------------------------------------------------------------------

EditorModel::EditorModel(ObservationEditor* editor, EditorGroup group) : editor_(editor), group_(group) {}

int EditorModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const EditorDocument& document = editor_->document();
    return group_ == EditorGroup::Angles ? document.triangles() : document.count(group_);
}

int EditorModel::columnCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    return group_ == EditorGroup::Angles ? 3 : 1;
}

CellRef EditorModel::cellAt(int row, int column) const {
    return {group_, group_ == EditorGroup::Angles ? 3 * row + column : row};
}

std::pair<int, int> EditorModel::place(int index) const {
    if (group_ == EditorGroup::Angles) return {index / 3, index % 3};
    return {index, 0};
}

QVariant EditorModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const EditorDocument& document = editor_->document();
    const CellRef cell = cellAt(index.row(), index.column());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return document.text(cell);
    case BadRole: return !document.problem(cell).isEmpty();
    case Qt::BackgroundRole:
        if (!document.editable(cell)) return QBrush(kNotAskedColour);
        if (!document.problem(cell).isEmpty()) return QBrush(kBadColour);
        return {};
    case Qt::ToolTipRole: {
        if (!document.editable(cell)) {
            return document.asked(cell) ? QStringLiteral("三角形个数不能修改：不同的 n 是一次新的计算。")
                                        : QStringLiteral("在这种已知点情形下不输入");
        }
        if (const QString why = document.problem(cell); !why.isEmpty()) return why;
        const char* const settingHints[kSettingsRows] = {
            "秒，大于 0；空着取测角限差", "毫米，大于 0；空着取按限差推算的值", "与毫米数一起给出，不小于 0；可空着",
            "classic（按限差定权）或 rigorous（严密定权）；空着为 classic"};
        return cell.group == EditorGroup::Settings ? QString::fromUtf8(settingHints[cell.index]) : QString();
    }
    default: return {};
    }
}

Qt::ItemFlags EditorModel::flags(const QModelIndex& index) const {
    if (!index.isValid()) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (editor_->document().editable(cellAt(index.row(), index.column()))) flags |= Qt::ItemIsEditable;
    return flags;
}

bool EditorModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable)) return false;
    // The cell keeps showing the document: an accepted change reaches it
    // through the undo step, a refused one never does.
    return editor_->edit(cellAt(index.row(), index.column()), value.toString());
}

QVariant EditorModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return QAbstractTableModel::headerData(section, orientation, role);
    if (orientation == Qt::Horizontal) {
        if (group_ == EditorGroup::Angles && section >= 0 && section < 3) return QString::fromUtf8(kAngleNames[section]);
        return QAbstractTableModel::headerData(section, orientation, role);
    }
    if (section < 0 || section >= rowCount()) return {};
    switch (group_) {
    case EditorGroup::Network: return QString::fromUtf8(kNetworkNames[section]);
    case EditorGroup::Settings: return QString::fromUtf8(kSettingsNames[section]);
    case EditorGroup::Angles: return QString::number(section + 1);
    case EditorGroup::Names:
        return section == 0 ? QStringLiteral("A") : section == rowCount() - 1 ? QStringLiteral("闭合点") : QString::number(section);
    case EditorGroup::Sides: return editor_->document().cellName({group_, section}).mid(3);
    }
    return {};
}

void EditorModel::refresh(int index) {
    const auto [row, column] = place(index);
    const QModelIndex at = this->index(row, column);
    emit dataChanged(at, at);
}

// ---------------------------------------------------------------------------

EditorTable::EditorTable(ObservationEditor* editor, EditorGroup group)
    : QTableView(editor), editor_(editor), model_(new EditorModel(editor, group)) {
    model_->setParent(this);
    setModel(model_);
}

void EditorTable::keyPressEvent(QKeyEvent* event) {
    const bool editing = state() == EditingState;
    // The selection's top left cell, or the current one.
    int top = currentRow(), left = currentColumn();
    int bottom = top, right = left;
    if (const QItemSelection ranges = selectionModel()->selection(); !ranges.isEmpty()) {
        top = ranges.first().top();
        left = ranges.first().left();
        bottom = ranges.first().bottom();
        right = ranges.first().right();
    }
    if (event->matches(QKeySequence::Paste) && !editing) {
        editor_->paste(this, top, left, QApplication::clipboard()->text());
        return;
    }
    // Copied as a spreadsheet block: tabs between cells, a line per row.
    if (event->matches(QKeySequence::Copy) && !editing && top >= 0) {
        QStringList lines;
        for (int row = top; row <= bottom; ++row) {
            QStringList fields;
            for (int column = left; column <= right; ++column) fields << cellData(row, column).toString();
            lines << fields.join(QLatin1Char('\t'));
        }
        QApplication::clipboard()->setText(lines.join(QLatin1Char('\n')) + QLatin1Char('\n'));
        return;
    }
    if ((event->key() == Qt::Key_Delete || event->key() == Qt::Key_Backspace) && !editing) {
        editor_->clearCells(this);
        return;
    }
    if (event->key() == Qt::Key_Escape && state() != EditingState) {
        editor_->close();
        return;
    }
    QTableView::keyPressEvent(event);
}

// ---------------------------------------------------------------------------

ObservationEditor::ObservationEditor(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("observationEditor"));
    setWindowTitle(QStringLiteral("观测数据"));
    undo_ = new QUndoStack(this);
    build();
    // An accepted change, its undo and its redo recompute alike.
    connect(undo_, &QUndoStack::indexChanged, this, [this] {
        if (!changedByEdit_) return;
        changedByEdit_ = false;
        if (autoCompute() && document_.complete()) recompute();
    });
}

ObservationEditor::~ObservationEditor() {
    undo_->disconnect(this);
    // The tables are deleted with the widgets after this object's own
    // members: they let go now of the models that read its document.
    for (EditorTable* t : tables_) t->setModel(nullptr);
}

void ObservationEditor::build() {
    auto* layout = new QVBoxLayout(this);
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("editorToolBar"));
    QAction* undo = undo_->createUndoAction(this, QStringLiteral("撤销"));
    undo->setObjectName(QStringLiteral("undoAction"));
    undo->setShortcut(QKeySequence(QStringLiteral("Ctrl+Z")));
    QAction* redo = undo_->createRedoAction(this, QStringLiteral("重做"));
    redo->setObjectName(QStringLiteral("redoAction"));
    redo->setShortcuts({QKeySequence(QStringLiteral("Ctrl+Y")), QKeySequence(QStringLiteral("Ctrl+Shift+Z"))});
    recompute_ = new QAction(QStringLiteral("重新计算"), this);
    recompute_->setObjectName(QStringLiteral("recomputeAction"));
    recompute_->setShortcut(QKeySequence(QStringLiteral("Ctrl+R")));
    connect(recompute_, &QAction::triggered, this, &ObservationEditor::recompute);
    continue_ = new QAction(QStringLiteral("继续输入"), this);
    continue_->setObjectName(QStringLiteral("continueAction"));
    connect(continue_, &QAction::triggered, this, &ObservationEditor::continueEntry);
    for (QAction* action : {undo, redo, recompute_, continue_}) {
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
        bar->addAction(action);
    }
    auto_ = new QCheckBox(QStringLiteral("自动计算"), this);
    auto_->setObjectName(QStringLiteral("autoCompute"));
    auto_->setToolTip(QStringLiteral("每次修改（包括撤销和重做）后立即重新计算"));
    auto_->setChecked(QSettings().value(kAutoComputeKey, false).toBool());
    connect(auto_, &QCheckBox::toggled, this, [](bool on) { QSettings().setValue(kAutoComputeKey, on); });
    bar->addSeparator();
    bar->addWidget(auto_);
    layout->addWidget(bar);

    status_ = new QLabel(this);
    status_->setObjectName(QStringLiteral("editorStatus"));
    status_->setWordWrap(true);
    layout->addWidget(status_);

    auto* groups = new QHBoxLayout;
    layout->addLayout(groups, 1);
    struct GroupSpec {
        EditorGroup group;
        const char* title;
        const char* name;
    };
    const GroupSpec specs[] = {{EditorGroup::Network, "网形与已知数据", "networkTable"},
                               {EditorGroup::Names, "点名", "namesTable"},
                               {EditorGroup::Angles, "角度 (度.分秒)", "anglesTable"},
                               {EditorGroup::Sides, "边长 (米)", "sidesTable"},
                               {EditorGroup::Settings, "平差设置", "settingsTable"}};
    QVBoxLayout* first = nullptr;
    for (const GroupSpec& entry : specs) {
        auto* box = new QGroupBox(QString::fromUtf8(entry.title), this);
        auto* inner = new QVBoxLayout(box);
        auto* table = new EditorTable(this, entry.group);
        table->setObjectName(QString::fromUtf8(entry.name));
        table->setItemDelegate(new BadCellFrame(table));
        if (entry.group != EditorGroup::Angles) table->horizontalHeader()->hide();
        table->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
        // Rows of one height: sizing each to its contents is slow for the
        // 13 000 sides of the largest network.
        table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        table->verticalHeader()->setDefaultSectionSize(table->fontMetrics().height() + 6);
        inner->addWidget(table);
        tables_.push_back(table);
        // The network and the settings share the first column.
        if (entry.group == EditorGroup::Settings && first) {
            first->addWidget(box);
            continue;
        }
        auto* column = new QVBoxLayout;
        column->addWidget(box, entry.group == EditorGroup::Network ? 3 : 1);
        if (!first) first = column;
        groups->addLayout(column, entry.group == EditorGroup::Angles ? 3 : entry.group == EditorGroup::Network ? 2 : 1);
    }
    first->setStretch(1, 2);
    resize(1100, 620);
}

EditorTable* ObservationEditor::table(EditorGroup group) const {
    for (EditorTable* t : tables_) {
        if (t->group() == group) return t;
    }
    return nullptr;
}

void ObservationEditor::load(const ObservationValues& values) {
    // The tables read their cells from the document when they show them:
    // only what is on screen is looked at.
    for (EditorTable* t : tables_) t->cells()->beginReset();
    document_ = EditorDocument(values);
    for (EditorTable* t : tables_) t->cells()->endReset();
    undo_->clear();
    refreshState();
}

void ObservationEditor::refreshCell(CellRef cell) { table(cell.group)->cells()->refresh(cell.index); }

void ObservationEditor::refreshState() {
    // One look through every cell when all is there, the usual case.
    const std::optional<CellRef> gap = document_.firstGap();
    const bool complete = !gap;
    const QString blocker = complete ? QString() : document_.blocker();
    recompute_->setEnabled(complete);
    // Going on with the prompts needs a gap, and nothing bad before it.
    continue_->setEnabled(gap && document_.text(*gap).isEmpty() && gap->group != EditorGroup::Settings);
    status_->setText(complete ? QStringLiteral("所有数值齐全且有效，可以重新计算 (Ctrl+R)。") : blocker);
    QPalette palette = status_->palette();
    palette.setColor(QPalette::WindowText, complete ? QColor(Qt::darkGreen) : QColor(Qt::darkRed));
    status_->setPalette(palette);
}

bool ObservationEditor::edit(CellRef cell, const QString& text) {
    if (document_.text(cell) == text) return true;
    if (const QString why = document_.refusal(cell, text); !why.isEmpty()) {
        refuse(why);
        return false;
    }
    changedByEdit_ = true;
    undo_->push(new CellsCommand(this, {{cell, document_.text(cell), text}},
                                 QStringLiteral("修改%1").arg(document_.cellName(cell))));
    return true;
}

bool ObservationEditor::paste(EditorTable* t, int row, int column, const QString& text) {
    QString block = text;
    block.remove(QLatin1Char('\r'));
    if (block.endsWith(QLatin1Char('\n'))) block.chop(1);
    if (block.isEmpty() || row < 0) return false;
    if (column < 0) column = 0;
    EditorDocument changed = document_;
    std::vector<CellEdit> edits;
    const QStringList lines = block.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QStringList fields = lines[i].split(QLatin1Char('\t'));
        for (int j = 0; j < fields.size(); ++j) {
            const int r = row + i;
            const int c = column + j;
            if (r >= t->rowCount() || c >= t->columnCount()) {
                refuse(QStringLiteral("粘贴被拒绝：粘贴的数据有 %1 行，超出了表格。").arg(lines.size()));
                return false;
            }
            const CellRef cell = t->cellAt(r, c);
            // Names are taken as typed; numbers lose the blanks a
            // spreadsheet may leave round them.
            const QString value = cell.group == EditorGroup::Names ? fields[j] : fields[j].trimmed();
            if (const QString why = document_.refusal(cell, value); !why.isEmpty()) {
                refuse(QStringLiteral("粘贴被拒绝：%1").arg(why));
                return false;
            }
            if (document_.text(cell) != value) edits.push_back({cell, document_.text(cell), value});
            changed.setText(cell, value);
        }
    }
    // Checked together: the side error's millimetres and ppm go as a pair.
    for (const CellEdit& e : edits) {
        if (const QString why = changed.problem(e.cell); !why.isEmpty()) {
            refuse(QStringLiteral("粘贴被拒绝：%1 “%2” %3").arg(changed.cellName(e.cell), e.after, why));
            return false;
        }
    }
    if (edits.empty()) return true;
    changedByEdit_ = true;
    undo_->push(new CellsCommand(this, std::move(edits), QStringLiteral("粘贴")));
    return true;
}

void ObservationEditor::clearCells(EditorTable* t) {
    std::vector<CellEdit> edits;
    for (const QModelIndex& index : t->selectionModel()->selectedIndexes()) {
        const CellRef cell = t->cellAt(index.row(), index.column());
        if (document_.editable(cell) && !document_.text(cell).isEmpty()) edits.push_back({cell, document_.text(cell), {}});
    }
    if (edits.empty()) return;
    changedByEdit_ = true;
    undo_->push(new CellsCommand(this, std::move(edits), QStringLiteral("清除")));
}

void ObservationEditor::apply(const std::vector<CellEdit>& edits, bool undoing) {
    for (const CellEdit& e : edits) document_.setText(e.cell, undoing ? e.before : e.after);
    // The side error's two cells are checked as a pair.
    for (const CellEdit& e : edits) refreshCell(e.cell);
    for (int row = 0; row < kSettingsRows; ++row) refreshCell({EditorGroup::Settings, row});
    refreshState();
    changedByEdit_ = true;
}

void ObservationEditor::refuse(const QString& message) {
    status_->setText(message);
    inform(this, message, QMessageBox::Warning);
    refreshState();
}

QString ObservationEditor::lastWord(const ObservationValues& values) {
    std::string error;
    const std::optional<std::string> text = observationText(values, error);
    const ObservationReading reading = text ? parseObservations(*text, "观测数据") : ObservationReading{};
    return reading.values ? QString() : QString::fromStdString(text ? reading.message : error);
}

void ObservationEditor::recompute() {
    if (!document_.complete() || !run_) return;
    run_(document_.values());
}

void ObservationEditor::continueEntry() {
    if (!run_) return;
    const std::optional<CellRef> gap = document_.firstGap();
    if (!gap) {
        recompute();
        return;
    }
    if (!document_.text(*gap).isEmpty() || gap->group == EditorGroup::Settings) {
        refuse(document_.blocker());
        return;
    }
    if (const int dropped = document_.filledAfterGap()) {
        inform(this,
               QStringLiteral("%1 还没有填写；它后面已填写的 %2 个数值不能先于它输入，将被丢弃。接着从%1开始输入。")
                   .arg(document_.cellName(*gap))
                   .arg(dropped));
    }
    run_(document_.values());
}

void ObservationEditor::select(int observation) {
    const std::optional<CellRef> cell = document_.observationCell(observation);
    if (!cell) return;
    EditorTable* t = table(cell->group);
    const auto [row, column] = t->place(cell->index);
    t->setCurrentCell(row, column);
    t->scrollTo(t->cells()->index(row, column));
    t->setFocus();
}

bool ObservationEditor::autoCompute() const { return auto_->isChecked(); }

void ObservationEditor::setAutoCompute(bool on) { auto_->setChecked(on); }

void ObservationEditor::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        close();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace kestrane
