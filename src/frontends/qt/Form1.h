// The main window: the fixed panel of fields and labels, the three commands
// and the three drawings of the network. It holds the one adjustment state
// and binds the named fields of the computation to its controls.
#pragma once

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>

#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "frontends/qt/PromptPlacement.h"
#include "frontends/qt/WindowLayout.h"
#include "frontends/qt/RecoveryFile.h"
#include "state/AdjustmentState.h"
#include "state/EntryRecord.h"
#include "state/PointPrecision.h"
#include "state/QualityFigures.h"
#include "state/Services.h"

class QMenu;
class QPushButton;
class QScrollBar;
class QStatusBar;

namespace kestrane {

class ObservationEditor;
struct ObservationReading;

// A label whose caption wraps at its blanks onto further lines when it is
// wider than the label, and nowhere else; a caption that still does not fit
// is drawn smaller (see FittedText.h).
class CaptionLabel : public QLabel {
    Q_OBJECT
public:
    explicit CaptionLabel(QWidget* parent);
    void setCaption(const QString& caption);
    const QString& caption() const { return caption_; }
    // The font of the layout; font() is the font the caption is drawn in.
    const QFont& designFont() const { return design_; }
    // The caption's lines as drawn, and the first one's baseline (pixels
    // from the top).
    const QStringList& lines() const { return lines_; }
    int baseline() const { return baseline_; }
    // A caption a computation wrote that the current one has not written
    // again: drawn dimmed, with a note in the tooltip.
    void setStale(bool stale);
    bool isStale() const { return stale_; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rewrap();
    QString caption_;
    QStringList lines_;
    QFont design_;
    int baseline_ = 0;
    bool refitting_ = false;
    bool fitted_ = false;
    bool stale_ = false;
};

// A straight line of the form, drawn between two points given in the
// window's pixels; it takes no mouse input.
class LineShape : public QWidget {
    Q_OBJECT
public:
    LineShape(QWidget* parent, const layout::Line& line);
    QPoint from() const { return from_; }
    QPoint to() const { return to_; }
    int lineWidth() const { return width_; }
    QColor colour() const { return colour_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPoint from_, to_;  // in the parent's pixels, as laid out
    QPoint origin_;     // the shape's own top-left corner as laid out
    int width_;
    QColor colour_;
};

// The modal prompts of a computation as Qt dialogs, all of one size and
// standing beside the window (PromptPlacement.h).
class QtPromptService : public PromptService {
public:
    explicit QtPromptService(QWidget* parent) : parent_(parent) {}
    std::optional<std::string> ask(const std::string& prompt, const std::string& title) override;
    void showMessage(const std::string& text) override;
    bool confirmAbandon() override;
    // Closes the open dialog and abandons the computation without another
    // question: the program is ending.
    void endNow();
    // The third answer of the give-up question, 保存并放弃: saves what was
    // entered so far; true when it was saved.
    void setSaveBeforeGivingUp(std::function<bool()> save) { saveBeforeGivingUp_ = std::move(save); }

private:
    QWidget* parent_;
    std::function<bool()> saveBeforeGivingUp_;
    PromptPlacement placement_;
    bool ending_ = false;
};

// The tooltip lines of the weakest point's figures: its name and its number
// among the outer points, and a second line when it is the known B.
QStringList weakestPointNote(const AdjustmentState& state);

class Form1 : public QWidget, private FieldObserver {
    Q_OBJECT
public:
    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    const AdjustmentState& state() const { return state_; }
    bool running() const { return running_; }

    // The prompt service of the next computations (the Qt dialogs unless
    // replaced); not owned.
    void setPromptService(PromptService* prompt) { prompt_ = prompt ? prompt : &dialogs_; }
    // Whether a printer is installed; the print command asks this each time.
    void setPrinterCheck(std::function<bool()> check) { printerCheck_ = std::move(check); }

    // The three commands.
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();

    // The native window was destroyed from outside: the program ends as by
    // Command2, after abandoning a computation in progress.
    void windowLost();

    // The menus (Form1Files.cpp). 打开观测数据: reads the file and runs the
    // computation from it at once, no dialog for a value from the file; a
    // refused file is reported and leaves the last computation as it was.
    // A file read as GB18030 says so in the status bar.
    // False when refused (or a computation is running).
    bool openObservationFile(const QString& path);
    // 保存观测数据: every value accepted in the last computation, complete
    // or not, through a save dialog.
    void saveObservations();
    // 导出结果 (CSV): the results table of the last completed computation.
    void exportResults();
    // 查看: the precision of every point, and the picture of the network.
    void showPrecisionTable();
    void showNetworkPicture();
    // At start: offers the unfinished computations of windows that are gone.
    void offerRecovery();

    // The settings of the observations (Form1Quality.cpp): taken from an
    // opened file, kept by 开始计算, written when saved, given to every
    // computation. applySettings is what 计算 → 平差设置… does with its
    // answer: a change recomputes a completed last computation from its
    // values (no dialog), otherwise it waits for the next computation.
    const AprioriSettings& settings() const { return settings_; }
    void applySettings(const AprioriSettings& settings);
    void showSettingsDialog();
    // 查看 → 质量检核: the check of the last completed computation, computed
    // when first asked for; 文件 → 打印质量检核报告 prints it (or saves it as
    // a PDF file when no printer is installed).
    void showQualityCheck();
    void printQualityCheck();
    // The check once computed for the last computation, or nullptr.
    const QualityCheck* qualityCheck() const { return quality_ ? &*quality_ : nullptr; }
    // The observation file last opened or saved in this window; empty when
    // none. The other save dialogs refuse it (OutputGuard.h).
    const QString& observationFile() const { return observationFile_; }
    // The values accepted in the current or last computation.
    const EntryRecord& record() const { return record_; }
    // Where this window keeps its recovery file, and looks for those of
    // windows that are gone (tests use a folder of their own).
    void setRecoveryFolder(const QString& folder);
    const RecoveryFile& recoveryFile() const { return *recovery_; }
    // The shipped example files, by name.
    static QStringList exampleFiles();

    // The document (Form1Document.cpp): the observation file its values were
    // opened from or last saved to, empty for typed or recovered values; the
    // status bar shows its name, with ● while it has unsaved changes: edits
    // made in the editor since it was opened or saved (a typed computation
    // has none).
    const QString& documentFile() const { return documentFile_; }
    bool hasUnsavedChanges() const;
    // A save dialog's file name: the document's name with `suffix`
    // (town.kestrane.toml -> town.csv), or `fallback` without a document.
    QString defaultFileName(const QString& suffix, const QString& fallback) const;
    // 文件 → 最近打开的文件: the files opened or saved, most recent first,
    // kept in the user's settings from one run to the next. A file that is
    // gone is reported and dropped from the list.
    QStringList recentFiles() const;
    void openRecentFile(const QString& path);
    // 文件 → 退出 (Ctrl+Q): closes the window, asking first about unsaved
    // changes, and ends the program. 退出计算 (Command2) never asks.
    void quitFromMenu();
    // Work on a large network (Form1Background.cpp): above this many
    // triangles every point's precision, the quality check and a
    // recomputation from the editor run in a worker thread, on a copy of the
    // computation, with a busy indicator and 取消; at or below it they run at
    // once, as before. 500 unless lowered (tests do).
    static void setBackgroundThreshold(int triangles);
    static int backgroundThreshold();
    // True while background work runs whose results are still wanted.
    bool working() const;
    // 取消: the background work is dropped; the results shown stay as they are.
    void cancelWork();

public slots:
    // 编辑 → 观测数据: the editor of the current document (Form1Editor.cpp).
    // Observation 1..3n selects the angle a(i), b(i) or c(i) of triangle
    // (k + 2) / 3, 3n + k the side s(k).
    void showObservationEditor(int observation = 0);

    // The laid-out controls scrolled by this many pixels (0, 0 when the
    // window is at least the size of its layout).
    QPoint scrollOffset() const;

protected:
    // While a computation runs the window cannot be closed.
    void closeEvent(QCloseEvent* event) override;
    // A window smaller than its layout scrolls the layout under the menu bar,
    // above the status bar.
    void resizeEvent(QResizeEvent* event) override;

private:
    void textChanged(const std::string& name, const std::string& value) override;
    void captionChanged(const std::string& name, const std::string& value) override;
    void buildControls();
    void buildMenu();
    // Every figure and written caption on the form is stale until the
    // computation that starts now writes it again.
    void markFiguresStale();
    void placeScrollBars();
    void scrollLayout();
    void printOnPrinter();
    void saveAsPdf();
    // One computation: the replayed answers first, then the prompt service.
    void runComputation(std::vector<std::string> replayed);
    // The recovery file follows every value typed (not replayed).
    void keepRecovery();
    void keepRecoveryOf(const ObservationValues& values);
    // A save dialog starting in the last folder used; empty when cancelled.
    QString chooseSavePath(const QString& title, const QString& name, const QString& filter, const QString& suffix,
                           const QString& objectName);
    // Writes the entered values; false when cancelled or not written.
    bool saveEnteredValues();
    // Every point's precision of the last computation, computed once when
    // first needed.
    const std::vector<PointPrecision>& pointPrecision();
    bool requireResults(const QString& what);
    // The check of the last completed computation, computed once; the
    // picture shows its marks from then on.
    const QualityCheck& computeQuality();
    void saveQualityAsPdf();
    // A computation from the editor's values, and the editor following the
    // values of any other computation.
    void runFromEditor(const ObservationValues& values);
    void runEditorValues(const ObservationValues& values);
    // The views open now, brought back with the results of the computation
    // that replaces these (only when it completed).
    struct OpenViews {
        bool table, picture, checking;
    };
    OpenViews openViews() const;
    void reopenViews(const OpenViews& views);
    // The views of the last computation closed, its results and values
    // forgotten: a view asked for again is a new one, even before the
    // closed one is deleted.
    void forgetLastResults();
    void followRecordInEditor();
    // The document's habits (Form1Document.cpp). settleUnsavedChanges asks
    // 保存 / 不保存 / 取消 when there are unsaved changes; false when the
    // action is to be cancelled (cancelled, or the save failed).
    bool settleUnsavedChanges();
    void documentEdited();
    void documentComputed();
    void documentSaved(const QString& path);
    void refreshDocumentStatus();
    void rememberRecentFile(const QString& path);
    void fillRecentMenu();
    void confirm(const QString& message);
    // What a save writes: the editor's values while they hold unsaved
    // changes, otherwise those of the last computation; nullopt (with the
    // reason) when the editor holds a cell that could not be written.
    std::optional<ObservationValues> valuesToSave(QString* why) const;
    // The document's values as far as they can be read: those of the
    // editor while it holds unsaved changes (up to a missing or bad cell).
    ObservationValues documentValues() const;
    // Background work (Form1Background.cpp). What a piece of work gives back
    // runs on this thread once it has finished, unless it was cancelled.
    struct Work;
    struct Recomputed;
    using Adopt = std::function<void()>;
    bool inBackground(int triangles) const;
    void startWork(int kind, const QString& what, std::function<Adopt(const std::atomic<bool>& cancelled)> work);
    void workFinished(const std::shared_ptr<Work>& work);
    void showBusy();
    std::shared_ptr<const AdjustmentState> snapshot();
    void startPrecisionWork();
    void startQualityWork();
    void startRecomputeWork(const ObservationValues& values);
    // The file of a large network read, and computed, in the background;
    // the window takes the file only when the work is taken (取消 leaves the
    // document that was open).
    void startOpeningWork(const QString& path);
    // A file read: its refusal told, or the question about unsaved changes
    // asked, then its values computed (or `computed` taken).
    bool openReadFile(const QString& path, const ObservationReading& reading, Recomputed* computed);
    // Complete values of a network above the threshold.
    bool computedInBackground(const ObservationValues& values) const;
    // Values replayed in the background (the editor's first checked as a
    // file would be): `taken` gets the run on this thread.
    void startReplayWork(const QString& what, const ObservationValues& values, bool fromEditor,
                         std::function<void(Recomputed&)> taken);
    static void replay(const AdjustmentState& from, const ObservationValues& values, const std::atomic<bool>& cancelled,
                       Recomputed& result);
    void adoptReplayed(const ObservationValues& values, Recomputed& result);
    // The file becomes the window's document (its name, folder, settings,
    // how it was read).
    void takeFile(const QString& path, const AprioriSettings& settings, const QString& notice);

    AdjustmentState state_;
    WindowFields fields_;
    QtPromptService dialogs_{this};
    PromptService* prompt_ = &dialogs_;
    std::function<bool()> printerCheck_;
    QHash<QString, QLineEdit*> textFields_;
    QHash<QString, CaptionLabel*> labels_;
    QHash<QString, QString> designCaptions_;
    std::vector<std::pair<QWidget*, QPoint>> laidOut_;  // each control and its place in the layout
    QScrollBar* horizontal_ = nullptr;
    QScrollBar* vertical_ = nullptr;
    QString lastFolder_;  // where the last file was opened or saved, this session
    QString observationFile_;
    EntryRecord record_;
    std::unique_ptr<RecoveryFile> recovery_;
    bool typing_ = false;  // values are typed (no longer replayed): the recovery file follows them
    std::optional<std::vector<PointPrecision>> precision_;
    AprioriSettings settings_;
    std::optional<QualityCheck> quality_;
    QPointer<QWidget> tableWindow_, pictureWindow_, qualityWindow_;
    QPointer<ObservationEditor> editor_;
    QStatusBar* statusBar_ = nullptr;  // under the form; shows how a file was read
    bool running_ = false;
    bool lost_ = false;
    QString documentFile_;
    // Unsaved values that the editor holds no undo step of: a document
    // recovered after a kill, or edits taken on into typing.
    bool unsavedElsewhere_ = false;
    bool endingNow_ = false;  // 退出计算: no question
    QLabel* documentLabel_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    // Background work: running pieces, the copy of the computation they read,
    // the views waiting for them and the busy indicator in the status bar.
    std::vector<std::shared_ptr<Work>> work_;
    std::shared_ptr<const AdjustmentState> snapshot_;
    bool tableWanted_ = false, pictureWanted_ = false, qualityWanted_ = false;
    std::shared_ptr<const struct PreparedPrecisionRows> preparedTable_;  // for the table about to open
    std::shared_ptr<const struct QualityTableRows> preparedQuality_;     // for the check about to open
    QWidget* busy_ = nullptr;
};

}  // namespace kestrane
