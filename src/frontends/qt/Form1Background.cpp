// The window's work on large networks: every point's precision (the table
// and the picture), the quality check and a recomputation from the editor
// run in a worker thread on a copy of the computation, while the window
// keeps answering. The form gets the final field texts of a recomputation on
// its own thread; 取消 drops the work and leaves the results shown.
#include <QDir>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>

#include <algorithm>
#ifdef __linux__
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif
#include <map>
#include <utility>
#include <variant>

#include "adjustment/PointPrecision.h"
#include "adjustment/QualityCheck.h"
#include "driver/ComputationDriver.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/NextPass.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "frontends/qt/QualityWindow.h"
#include "prompting/ReplayingPrompt.h"

namespace kestrane {

namespace {

int threshold = 500;

// The worker gives way to the window's thread when the cores are busy: on
// Linux a thread has a niceness of its own (raised once, for good: the pool's
// threads run nothing else).
void yieldToTheWindow() {
#ifdef __linux__
    static thread_local bool done = false;
    if (!done) {
        done = true;
        (void)setpriority(PRIO_PROCESS, static_cast<id_t>(syscall(SYS_gettid)), 10);
    }
#endif
}

enum Kind { kPrecision, kQuality, kRecompute };

// The prompts of a computation in a worker thread: nobody is there to answer.
// A prompt past the replayed values, a message (a refused value, a fault) or
// cancelling abandons the run; the window then runs it again where the user
// can answer.
class UnattendedPrompt : public PromptService {
public:
    explicit UnattendedPrompt(const std::atomic<bool>& cancelled) : cancelled_(cancelled) {}
    std::optional<std::string> ask(const std::string&, const std::string&) override {
        needsUser = !cancelled_;
        return std::nullopt;
    }
    void showMessage(const std::string&) override { needsUser = true; }
    bool confirmAbandon() override { return true; }
    bool needsUser = false;

private:
    const std::atomic<bool>& cancelled_;
};

// The last text of every field and caption written by the run.
class FieldTexts : public FieldObserver {
public:
    void textChanged(const std::string& name, const std::string& value) override { texts[name] = value; }
    void captionChanged(const std::string& name, const std::string& value) override { captions[name] = value; }
    std::map<std::string, std::string> texts, captions;
};

// The accepted values of the run, in order, told again to the window's
// record once the run is taken.
class EntryLog : public EntryRecorder {
public:
    void accepted(EntryItem item, double value) override { log.emplace_back(std::pair(item, value)); }
    void acceptedName(const std::string& name) override { log.emplace_back(name); }
    void withdrawn(EntryItem x, EntryItem y) override { log.emplace_back(std::pair(x, y)); }
    void tellTo(EntryRecorder& record) const {
        for (const auto& entry : log) {
            if (const auto* value = std::get_if<std::pair<EntryItem, double>>(&entry)) {
                record.accepted(value->first, value->second);
            } else if (const auto* name = std::get_if<std::string>(&entry)) {
                record.acceptedName(*name);
            } else {
                const auto& items = std::get<std::pair<EntryItem, EntryItem>>(entry);
                record.withdrawn(items.first, items.second);
            }
        }
    }
    std::vector<std::variant<std::pair<EntryItem, double>, std::string, std::pair<EntryItem, EntryItem>>> log;
};

}  // namespace

struct Form1::Work {
    int kind;
    QString what;
    std::atomic<bool> cancelled{false};
    QFutureWatcher<Adopt>* watcher = nullptr;
};

struct Form1::Recomputed {
    QString refusal;  // why the editor's values cannot be computed
    AdjustmentState state;
    FieldTexts fields;
    EntryLog entries;
    bool taken = false;  // completed with no question for the user
};

void Form1::setBackgroundThreshold(int triangles) { threshold = triangles; }
int Form1::backgroundThreshold() { return threshold; }

bool Form1::inBackground(int triangles) const { return triangles > threshold; }

bool Form1::working() const {
    return std::any_of(work_.begin(), work_.end(), [](const auto& work) { return !work->cancelled; });
}

std::shared_ptr<const AdjustmentState> Form1::snapshot() {
    if (!snapshot_) snapshot_ = std::make_shared<const AdjustmentState>(state_);
    return snapshot_;
}

void Form1::startWork(int kind, const QString& what, std::function<Adopt(const std::atomic<bool>&)> run) {
    auto work = std::make_shared<Work>();
    work->kind = kind;
    work->what = what;
    work->watcher = new QFutureWatcher<Adopt>(this);
    connect(work->watcher, &QFutureWatcher<Adopt>::finished, this, [this, work] { workFinished(work); });
    // The work holds what it reads; the window may be gone when it ends.
    work->watcher->setFuture(QtConcurrent::run([work, run = std::move(run)] {
        yieldToTheWindow();
        return run(work->cancelled);
    }));
    work_.push_back(work);
    showBusy();
}

void Form1::workFinished(const std::shared_ptr<Work>& work) {
    work_.erase(std::remove(work_.begin(), work_.end(), work), work_.end());
    work->watcher->deleteLater();
    if (!work->cancelled) {
        const Adopt adopt = work->watcher->result();
        showBusy();
        if (adopt) adopt();
    }
    showBusy();
}

void Form1::cancelWork() {
    for (const auto& work : work_) work->cancelled = true;
    tableWanted_ = pictureWanted_ = qualityWanted_ = false;
    snapshot_.reset();
    showBusy();
}

void Form1::showBusy() {
    // Made when first needed: a window that never works in the background
    // keeps its status bar as it was.
    if (!busy_ && !working()) return;
    if (!busy_) {
        busy_ = new QWidget(statusBar_);
        busy_->setObjectName(QStringLiteral("busyIndicator"));
        auto* layout = new QHBoxLayout(busy_);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* label = new QLabel(busy_);
        label->setObjectName(QStringLiteral("busyText"));
        auto* bar = new QProgressBar(busy_);
        bar->setRange(0, 0);  // turns while the work runs: its length is not known
        bar->setMaximumWidth(120);
        bar->setTextVisible(false);
        auto* cancel = new QPushButton(QStringLiteral("取消"), busy_);
        cancel->setObjectName(QStringLiteral("cancelWorkButton"));
        connect(cancel, &QPushButton::clicked, this, &Form1::cancelWork);
        cancel->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        busy_->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
        layout->addWidget(label);
        layout->addWidget(bar);
        layout->addWidget(cancel);
        statusBar_->addPermanentWidget(busy_);
    }
    QString what;
    for (const auto& work : work_) {
        if (!work->cancelled) what = work->what;
    }
    busy_->findChild<QLabel*>(QStringLiteral("busyText"))->setText(what);
    busy_->setVisible(!what.isEmpty());
}

void Form1::startPrecisionWork() {
    for (const auto& work : work_) {
        if (work->kind == kPrecision && !work->cancelled) return;  // the views wait for the same rows
    }
    auto state = snapshot();
    startWork(kPrecision, QStringLiteral("正在计算点位精度…"), [this, state](const std::atomic<bool>&) -> Adopt {
        auto precision = std::make_shared<std::vector<PointPrecision>>(computePointPrecision(*state));
        // The table's texts too: thousands of rows are not converted in the window.
        auto table = preparePrecisionRows(*state, *precision);
        return [this, state, precision, table] {
            if (state != snapshot_) return;  // of a computation since replaced
            precision_ = std::move(*precision);
            if (std::exchange(tableWanted_, false)) {
                preparedTable_ = table;
                showPrecisionTable();
                preparedTable_.reset();
            }
            // The picture in a pass of its own: the window answers between
            // the two first paints.
            if (std::exchange(pictureWanted_, false)) {
                inANewPass(this, [this, state] {
                    if (state == snapshot_ && precision_) showNetworkPicture();
                });
            }
        };
    });
}

void Form1::startQualityWork() {
    for (const auto& work : work_) {
        if (work->kind == kQuality && !work->cancelled) return;
    }
    auto state = snapshot();
    startWork(kQuality, QStringLiteral("正在进行质量检核…"), [this, state](const std::atomic<bool>&) -> Adopt {
        auto check = std::make_shared<QualityCheck>(checkQuality(*state));
        auto rows = prepareQualityRows(*check);
        return [this, state, check, rows] {
            if (state != snapshot_) return;
            quality_ = std::move(*check);
            if (auto* picture = qobject_cast<NetworkPictureWindow*>(pictureWindow_.data())) picture->setQuality(&*quality_);
            // The window in a pass of its own, after the picture's new marks.
            if (std::exchange(qualityWanted_, false)) {
                inANewPass(this, [this, state, rows] {
                    if (state != snapshot_ || !quality_) return;
                    preparedQuality_ = rows;
                    showQualityCheck();
                    preparedQuality_.reset();
                });
            }
        };
    });
}

void Form1::startRecomputeWork(const ObservationValues& values) {
    startReplayWork(QStringLiteral("正在重新计算…"), values, true, [this, values](Recomputed& result) {
        if (!result.refusal.isEmpty()) {
            if (editor_) editor_->refuse(result.refusal);
            return;
        }
        // A run that needs the user (a refused value, a fault, a missing
        // value) is run again here, where its prompts and messages can be
        // seen.
        if (!result.taken) return runEditorValues(values);
        const OpenViews views = openViews();
        adoptReplayed(values, result);
        reopenViews(views);
    });
}

void Form1::startOpeningWork(const QString& path) {
    cancelWork();
    auto state = snapshot();
    const std::string file = QDir::toNativeSeparators(path).toStdString();
    startWork(kRecompute, QStringLiteral("正在读取 %1…").arg(QFileInfo(path).fileName()),
              [this, state, file, path](const std::atomic<bool>& cancelled) -> Adopt {
                  auto reading = std::make_shared<ObservationReading>(readObservationFile(file));
                  auto result = std::make_shared<Recomputed>();
                  if (reading->values && computedInBackground(*reading->values)) {
                      replay(*state, *reading->values, cancelled, *result);
                  }
                  // What the file holds is told, and asked about, here as
                  // for a small file; a network not computed yet is then.
                  return [this, path, reading, result] {
                      if (!running_) openReadFile(path, *reading, result.get());
                  };
              });
}

bool Form1::openReadFile(const QString& path, const ObservationReading& reading, Recomputed* computed) {
    if (!reading.values) {
        inform(this, QString::fromStdString(reading.message), QMessageBox::Warning);
        return false;
    }
    if (!settleUnsavedChanges()) return false;
    const ObservationValues& values = *reading.values;
    // The file becomes the document with its computation: the one made in
    // the background, or one run here (an unfinished file goes on with the
    // prompts).
    auto take = [this, path, values, notice = QString::fromStdString(reading.notice)](Recomputed* result) {
        takeFile(path, values.settings, notice);
        if (result && result->taken) return adoptReplayed(values, *result);
        runComputation(typedAnswers(values));
    };
    // A large network read here is computed in the background.
    if (!computed && computedInBackground(values)) {
        startReplayWork(QStringLiteral("正在计算 %1…").arg(QFileInfo(path).fileName()), values, false,
                        [take](Recomputed& result) { take(&result); });
    } else {
        take(computed);
    }
    return true;
}

bool Form1::computedInBackground(const ObservationValues& values) const {
    return values.triangles && inBackground(*values.triangles) &&
           values.angles.size() == 3 * static_cast<std::size_t>(*values.triangles);
}

void Form1::startReplayWork(const QString& what, const ObservationValues& values, bool fromEditor,
                            std::function<void(Recomputed&)> taken) {
    // A new edit or file replaces whatever was being computed.
    cancelWork();
    auto state = snapshot();
    startWork(kRecompute, what, [this, state, values, fromEditor, taken = std::move(taken)](const std::atomic<bool>& cancelled) -> Adopt {
        auto result = std::make_shared<Recomputed>();
        // The editor's values pass the checks of a file first.
        if (fromEditor) result->refusal = ObservationEditor::lastWord(values);
        if (result->refusal.isEmpty()) replay(*state, values, cancelled, *result);
        return [this, result, taken] {
            if (!running_) taken(*result);
        };
    });
}

void Form1::replay(const AdjustmentState& from, const ObservationValues& values, const std::atomic<bool>& cancelled,
                   Recomputed& result) {
    // The answers of 7n+ values are made here, not in the window.
    const std::vector<std::string> answers = typedAnswers(values);
    // As a run in the window: from the last computation, with the values'
    // settings.
    result.state = from;
    result.state.settings = values.settings;
    UnattendedPrompt nobody(cancelled);
    ReplayingPrompt replayed(nobody, answers);
    WindowFields fields;
    fields.setObserver(&result.fields);
    Services io{replayed, fields, &result.entries};
    const RunResult run = kestrane::Command1_Click(result.state, io);
    fields.setObserver(nullptr);
    result.taken = run.outcome == RunOutcome::Completed && !nobody.needsUser;
}

void Form1::adoptReplayed(const ObservationValues& values, Recomputed& result) {
    snapshot_.reset();
    settings_ = values.settings;
    forgetLastResults();
    result.entries.tellTo(record_);
    state_ = std::move(result.state);
    // As a computation in the window: what this one did not write stays
    // dimmed as the figure of the one before.
    markFiguresStale();
    for (const auto& [name, text] : result.fields.texts) fields_.setText(name, text);
    for (const auto& [name, caption] : result.fields.captions) fields_.setCaption(name, caption);
    recovery_->discard();
    followRecordInEditor();
    documentComputed();
}

}  // namespace kestrane
