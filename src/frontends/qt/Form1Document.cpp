// The window's document as desktop programs keep one: its name and unsaved
// changes in the status bar, the question before they would be dropped, the
// recovery file that follows them, and the recently opened files.
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QStatusBar>
#include <QUndoStack>

#include "frontends/qt/Form1.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"

namespace kestrane {

namespace {

const QString kRecentFilesKey = QStringLiteral("recentFiles");
constexpr int kRecentFiles = 8;

// "town.kestrane.toml" -> "town"
QString documentStem(const QString& path) {
    const QString name = QFileInfo(path).fileName();
    for (const QLatin1String suffix : {QLatin1String(".kestrane.toml"), QLatin1String(".toml")}) {
        if (name.endsWith(suffix, Qt::CaseInsensitive) && name.size() > suffix.size()) {
            return name.chopped(suffix.size());
        }
    }
    return QFileInfo(path).completeBaseName();
}

}  // namespace

bool Form1::hasUnsavedChanges() const { return unsavedElsewhere_ || (editor_ && !editor_->undoStack()->isClean()); }

QString Form1::defaultFileName(const QString& suffix, const QString& fallback) const {
    if (documentFile_.isEmpty()) return fallback;
    return documentStem(documentFile_) + suffix;
}

bool Form1::settleUnsavedChanges() {
    if (!hasUnsavedChanges()) return true;
    const QString name = documentFile_.isEmpty() ? QStringLiteral("未命名") : QFileInfo(documentFile_).fileName();
    switch (askUnsavedChanges(this, name)) {
    case UnsavedAnswer::Save: return saveEnteredValues();
    case UnsavedAnswer::Discard:
        // Given up: not asked about again, nor offered after a kill.
        unsavedElsewhere_ = false;
        if (editor_) editor_->undoStack()->setClean();
        if (!running_) recovery_->discard();
        refreshDocumentStatus();
        return true;
    case UnsavedAnswer::Cancel: break;
    }
    return false;
}

std::optional<ObservationValues> Form1::valuesToSave(QString* why) const {
    if (running_ || !editor_ || editor_->undoStack()->isClean()) return record_.values();
    // A bad cell, or cells filled after an empty one, would be lost by the
    // file: the save waits until they are corrected.
    const EditorDocument& document = editor_->document();
    const std::optional<CellRef> gap = document.firstGap();
    if (gap && (!document.text(*gap).isEmpty() || document.filledAfterGap() > 0)) {
        *why = QStringLiteral("不能保存观测数据：%1。\n请先在编辑窗口中改正。").arg(document.blocker());
        return std::nullopt;
    }
    return document.values();
}

ObservationValues Form1::documentValues() const {
    if (running_ || !editor_ || editor_->undoStack()->isClean()) return record_.values();
    return editor_->document().values();
}

void Form1::documentEdited() {
    refreshDocumentStatus();
    // While values are typed the recovery file follows them instead.
    if (running_) return;
    if (hasUnsavedChanges()) {
        keepRecoveryOf(documentValues());
    } else {
        recovery_->discard();
    }
}

void Form1::documentComputed() {
    // An edited document outlives the computation that ran it, in the
    // recovery file as well.
    if (hasUnsavedChanges()) keepRecoveryOf(documentValues());
    refreshDocumentStatus();
}

void Form1::documentSaved(const QString& path) {
    documentFile_ = path;
    unsavedElsewhere_ = false;
    if (editor_) editor_->undoStack()->setClean();
    if (!running_) recovery_->discard();
    rememberRecentFile(path);
    confirm(savedMessage(path));
    refreshDocumentStatus();
}

void Form1::refreshDocumentStatus() {
    if (!documentLabel_) return;
    QString name;
    if (!documentFile_.isEmpty()) {
        name = QFileInfo(documentFile_).fileName();
    } else if (!record_.values().empty()) {
        name = QStringLiteral("未命名");
    }
    const bool unsaved = hasUnsavedChanges();
    documentLabel_->setText(unsaved ? name + QStringLiteral(" ●") : name);
    // The picture's exports follow the document's name.
    if (auto* picture = qobject_cast<NetworkPictureWindow*>(pictureWindow_.data())) {
        const QString file = defaultFileName(QStringLiteral(".svg"), QString());
        picture->setDefaultFileName(file.isEmpty() ? QStringLiteral("网图.svg") : QDir(lastFolder_).filePath(file));
    }
    documentLabel_->setToolTip(documentFile_.isEmpty()
                                   ? QString()
                                   : QDir::toNativeSeparators(documentFile_) +
                                         (unsaved ? QStringLiteral("\n有未保存的修改") : QString()));
}

void Form1::confirm(const QString& message) { statusBar_->showMessage(message); }

QStringList Form1::recentFiles() const { return QSettings().value(kRecentFilesKey).toStringList(); }

void Form1::rememberRecentFile(const QString& path) {
    const QString file = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(file);
    files.prepend(file);
    while (files.size() > kRecentFiles) files.removeLast();
    QSettings().setValue(kRecentFilesKey, files);
    fillRecentMenu();
}

void Form1::fillRecentMenu() {
    if (!recentMenu_) return;
    recentMenu_->clear();
    const QStringList files = recentFiles();
    for (int i = 0; i < files.size(); ++i) {
        QAction* action =
            recentMenu_->addAction(QStringLiteral("&%1 %2").arg(i + 1).arg(QDir::toNativeSeparators(files[i])));
        action->setData(files[i]);
        connect(action, &QAction::triggered, this, [this, file = files[i]] { openRecentFile(file); });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void Form1::openRecentFile(const QString& path) {
    if (running_) return;
    if (!QFileInfo::exists(path)) {
        QStringList files = recentFiles();
        files.removeAll(path);
        QSettings().setValue(kRecentFilesKey, files);
        fillRecentMenu();
        inform(this,
               QStringLiteral("文件“%1”已不存在（可能已被移动或删除），已从最近打开的文件中去掉。")
                   .arg(QDir::toNativeSeparators(path)),
               QMessageBox::Warning);
        return;
    }
    openObservationFile(path);
}

void Form1::quitFromMenu() {
    if (running_) return;
    if (close()) QCoreApplication::quit();
}

}  // namespace kestrane
