// The window's settings of the observations (计算 → 平差设置…) and the
// quality check of the last computation: its window, its marks on the
// network picture and its printed form.
#include <QDir>
#include <QPrintDialog>
#include <QPrinter>
#include <QUndoStack>

#include "adjustment/QualityCheck.h"
#include "driver/TypedAnswers.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/PainterReportPrinter.h"
#include "frontends/qt/QualityWindow.h"
#include "frontends/qt/OutputGuard.h"
#include "frontends/qt/SettingsDialog.h"
#include "results/QualityReport.h"

namespace kestrane {

void Form1::applySettings(const AprioriSettings& settings) {
    if (running_ || settings == settings_) return;
    settings_ = settings;
    record_.setSettings(settings_);
    if (!state_.complete) return;  // for the next computation
    // Edits not yet saved are recomputed with the new settings rather than
    // replaced by the last computation's values; with a gap or a bad cell
    // they wait, as they are, for the next computation.
    if (editor_ && !editor_->undoStack()->isClean()) {
        ObservationValues values = editor_->document().values();
        values.settings = settings_;
        if (editor_->document().complete()) runFromEditor(values);
        return;
    }
    // The completed computation again from its own values, as a file is
    // replayed; a check that was being looked at is shown again, new.
    const bool checking = qualityWindow_ && qualityWindow_->isVisible();
    runComputation(typedAnswers(record_.values()));
    if (checking && state_.complete) showQualityCheck();
}

void Form1::showSettingsDialog() {
    if (running_) return;
    SettingsDialog dialog(settings_, this);
    if (dialog.exec() == QDialog::Accepted) applySettings(dialog.settings());
}

const QualityCheck& Form1::computeQuality() {
    if (!quality_) {
        quality_ = checkQuality(state_);
        if (auto* picture = qobject_cast<NetworkPictureWindow*>(pictureWindow_.data())) picture->setQuality(&*quality_);
    }
    return *quality_;
}

void Form1::showQualityCheck() {
    if (!requireResults(QStringLiteral("检核"))) return;
    if (!qualityWindow_ && !quality_ && inBackground(state_.triangleCount)) {
        qualityWanted_ = true;
        return startQualityWork();
    }
    if (!qualityWindow_) {
        auto* window = new QualityWindow(computeQuality(), std::exchange(preparedQuality_, nullptr), this);
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        connect(window, &QualityWindow::printRequested, this, &Form1::printQualityCheck);
        // A flagged observation is corrected in the editor.
        connect(window, &QualityWindow::observationActivated, this, [this](int observation) {
            showObservationEditor(observation);
        });
        qualityWindow_ = window;
    }
    qualityWindow_->show();
    qualityWindow_->raise();
    qualityWindow_->activateWindow();
}

void Form1::printQualityCheck() {
    if (running_) return;
    if (!state_.complete) {
        inform(this, QStringLiteral("没有可打印的质量检核：请先完成一次计算。"));
        return;
    }
    const QualityCheck& check = computeQuality();
    if (printerCheck_ && printerCheck_()) {
        QPrinter printer(QPrinter::HighResolution);
        printer.setDocName(QStringLiteral("Kestrane 质量检核"));
        QPrintDialog dialog(&printer, this);
        dialog.setWindowTitle(QStringLiteral("打印质量检核报告"));
        if (dialog.exec() != QDialog::Accepted || refusedAsOutput(this, printer.outputFileName())) return;
        QString error;
        if (paintReportLines([&check](ReportPrinter& p) { printQualityReport(check, p); }, printer, &error) == 0) {
            inform(this, error, QMessageBox::Warning);
        } else {
            confirm(printedMessage(printer));
        }
    } else if (askYesNo(this, QStringLiteral("没有安装打印机。要把质量检核报告保存为 PDF 文件吗？"), QMessageBox::Yes)) {
        saveQualityAsPdf();
    }
}

void Form1::saveQualityAsPdf() {
    const QString path =
        chooseSavePath(QStringLiteral("保存质量检核报告"),
                       defaultFileName(QStringLiteral("-quality.pdf"), QStringLiteral("kestrane-quality.pdf")),
                       QStringLiteral("PDF 文件 (*.pdf)"), QStringLiteral("pdf"), QStringLiteral("saveQualityPdf"));
    if (path.isEmpty() || refusedAsOutput(this, path)) return;
    const QualityCheck& check = computeQuality();
    QString error;
    if (writeReportLinesPdf([&check](ReportPrinter& p) { printQualityReport(check, p); },
                            QStringLiteral("Kestrane 质量检核"), path, &error) == 0) {
        inform(this, error, QMessageBox::Warning);
    } else {
        confirm(savedMessage(path));
        inform(this, QStringLiteral("质量检核报告已保存为 PDF 文件：\n") + QDir::toNativeSeparators(path));
    }
}

}  // namespace kestrane
