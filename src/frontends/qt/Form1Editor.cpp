// The observation editor of the window: opened from 编辑 → 观测数据, it
// follows the values of every computation and runs its own by replaying
// them, as opening a file does.
#include <QUndoStack>

#include "driver/TypedAnswers.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/ObservationEditor.h"

namespace kestrane {

void Form1::showObservationEditor(int observation) {
    if (running_) return;
    if (!editor_) {
        if (record_.values().empty()) {
            inform(this, QStringLiteral("还没有观测数据：请先打开观测数据文件或开始计算。"));
            return;
        }
        // Kept when closed: its edits and their undo history wait for the
        // next time it is opened.
        auto* editor = new ObservationEditor(this);
        editor->setWindowFlag(Qt::Window);
        editor->setRunner([this](const ObservationValues& values) { runFromEditor(values); });
        editor->load(record_.values());
        editor_ = editor;
        // Its edits are the document's unsaved changes.
        connect(editor->undoStack(), &QUndoStack::indexChanged, this, &Form1::documentEdited);
    }
    editor_->show();
    editor_->raise();
    editor_->activateWindow();
    if (observation > 0) editor_->select(observation);
}

void Form1::runFromEditor(const ObservationValues& values) {
    if (running_) return;
    if (values.triangles && inBackground(*values.triangles)) {
        startRecomputeWork(values);
        return;
    }
    if (const QString why = ObservationEditor::lastWord(values); !why.isEmpty()) {
        if (editor_) editor_->refuse(why);
        return;
    }
    runEditorValues(values);
}

void Form1::runEditorValues(const ObservationValues& values) {
    const OpenViews views = openViews();
    // The editor's settings are the document's from now on.
    settings_ = values.settings;
    const bool unsaved = hasUnsavedChanges();
    runComputation(typedAnswers(values));
    // Entry taken on into the prompts brings the editor a new document: the
    // edits in it are still not saved.
    if (unsaved && !hasUnsavedChanges()) {
        unsavedElsewhere_ = true;
        documentComputed();
    }
    reopenViews(views);
}

Form1::OpenViews Form1::openViews() const {
    return {!tableWindow_.isNull(), !pictureWindow_.isNull(), qualityWindow_ && qualityWindow_->isVisible()};
}

// The views of the last results come back with the new ones, the editor
// staying in front.
void Form1::reopenViews(const OpenViews& views) {
    if (state_.complete && views.checking) showQualityCheck();
    // The closed ones are only deleted later: new windows take their place.
    if (state_.complete && views.table) {
        tableWindow_.clear();
        showPrecisionTable();
    }
    if (state_.complete && views.picture) {
        pictureWindow_.clear();
        showNetworkPicture();
    }
    if (editor_) editor_->raise();
}

void Form1::followRecordInEditor() {
    // A computation that replayed the editor's values leaves them as they
    // are, undo history included; any other brings its values.
    if (editor_ && !record_.values().empty() && record_.values() != editor_->document().values()) {
        editor_->load(record_.values());
    }
}

}  // namespace kestrane
