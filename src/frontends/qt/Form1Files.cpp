// The window's menus: observation files (open, examples, save, continue),
// the results table, printing, the views of every point's precision, help;
// and the recovery file of an unfinished computation.
#include <QAction>
#include <QCollator>
#include <QCoreApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStandardPaths>
#include <QStatusBar>

#include <algorithm>

#include "adjustment/PointPrecision.h"
#include "driver/ComputationDriver.h"
#include "driver/TypedAnswers.h"
#include "files/AtomicWrite.h"
#include "files/ObservationFile.h"
#include "files/ResultsTable.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/HelpDialogs.h"
#include "frontends/qt/MessageBoxes.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/OutputGuard.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "prompting/ReplayingPrompt.h"

namespace kestrane {

namespace {

const QString kObservationFilter = QStringLiteral("观测数据文件 (*.kestrane.toml);;TOML 文件 (*.toml);;所有文件 (*)");

// The folders that may hold the shipped examples, the first that has any:
// the source tree in a developer's build (KESTRANE_SOURCE_EXAMPLES), then
// installed beside the program (bin/../share/kestrane/examples), then
// installed system-wide.
QStringList exampleFolders() {
    QStringList folders;
#ifdef KESTRANE_SOURCE_EXAMPLES
    folders << QStringLiteral(KESTRANE_SOURCE_EXAMPLES);
#endif
    folders << QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../share/kestrane/examples"))
            << QStringLiteral("/usr/share/kestrane/examples");
    return folders;
}

// "awithc-n7-hill" -> "已知 A 和中心点 C，7 个三角形 (awithc-n7-hill)".
QString exampleTitle(const QString& file) {
    const QString name = QFileInfo(file).fileName().remove(QStringLiteral(".kestrane.toml"));
    QString known = QStringLiteral("已知 A、T0 和 Qa");
    if (name.startsWith(QLatin1String("awithb"))) known = QStringLiteral("已知 A 和 B");
    if (name.startsWith(QLatin1String("awithc"))) known = QStringLiteral("已知 A 和中心点 C");
    const QString n = name.section(QLatin1Char('-'), 1, 1).mid(1);
    return known + QStringLiteral("，") + n + QStringLiteral(" 个三角形 (") + name + QLatin1Char(')');
}

}  // namespace

void Form1::buildMenu() {
    // In the band above the form's drawings, where the form has no control.
    auto* bar = new QMenuBar(this);
    bar->setObjectName(QStringLiteral("menuBar"));
    // A menu bar of the window itself, never the desktop's global one.
    bar->setNativeMenuBar(false);

    QMenu* file = bar->addMenu(QStringLiteral("文件(&F)"));
    file->addAction(QStringLiteral("打开观测数据(&O)…"), QKeySequence(QStringLiteral("Ctrl+O")), this, [this] {
        if (running_) return;
        const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("打开观测数据"), lastFolder_,
                                                          kObservationFilter);
        if (!path.isEmpty()) openObservationFile(path);
    });
    QMenu* examples = file->addMenu(QStringLiteral("打开示例"));
    examples->setObjectName(QStringLiteral("examplesMenu"));
    for (const QString& example : exampleFiles()) {
        examples->addAction(exampleTitle(example), this, [this, example] { openObservationFile(example); });
    }
    examples->setEnabled(!examples->isEmpty());
    recentMenu_ = file->addMenu(QStringLiteral("最近打开的文件(&R)"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    // Another window of the program may have opened a file since.
    connect(recentMenu_, &QMenu::aboutToShow, this, &Form1::fillRecentMenu);
    fillRecentMenu();
    file->addAction(QStringLiteral("保存观测数据(&S)…"), QKeySequence(QStringLiteral("Ctrl+S")), this,
                    &Form1::saveObservations);
    file->addAction(QStringLiteral("导出结果 (CSV)(&E)…"), this, &Form1::exportResults);
    file->addSeparator();
    file->addAction(QStringLiteral("打印(&P)…"), QKeySequence(QStringLiteral("Ctrl+P")), this, &Form1::Command3_Click);
    file->addAction(QStringLiteral("打印质量检核报告(&Q)…"), this, &Form1::printQualityCheck);
    file->addSeparator();
    file->addAction(QStringLiteral("退出(&X)"), QKeySequence(QStringLiteral("Ctrl+Q")), this, &Form1::quitFromMenu);

    QMenu* edit = bar->addMenu(QStringLiteral("编辑(&E)"));
    edit->addAction(QStringLiteral("观测数据(&D)…"), QKeySequence(QStringLiteral("Ctrl+E")), this,
                    [this] { showObservationEditor(); });

    QMenu* compute = bar->addMenu(QStringLiteral("计算(&C)"));
    compute->setObjectName(QStringLiteral("computeMenu"));
    compute->addAction(QStringLiteral("平差设置(&A)…"), this, &Form1::showSettingsDialog);

    QMenu* view = bar->addMenu(QStringLiteral("查看(&V)"));
    view->addAction(QStringLiteral("点位精度表(&T)"), this, &Form1::showPrecisionTable);
    view->addAction(QStringLiteral("网图(&N)"), this, &Form1::showNetworkPicture);
    view->addAction(QStringLiteral("质量检核(&Q)"), this, &Form1::showQualityCheck);

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    help->addAction(QStringLiteral("使用说明(&G)"), QKeySequence(Qt::Key_F1), this, [this] { showGuide(this); });
    help->addAction(QStringLiteral("关于"), this, [this] { showAbout(this); });
    bar->setGeometry(0, 0, width(), bar->sizeHint().height());

    // Below the form's drawings: the window grows by the bar's height.
    statusBar_ = new QStatusBar(this);
    statusBar_->setObjectName(QStringLiteral("statusBar"));
    statusBar_->setSizeGripEnabled(false);
    const int statusHeight = statusBar_->sizeHint().height();
    statusBar_->setGeometry(0, height(), width(), statusHeight);
    // The document's name, and ● while it has unsaved changes.
    documentLabel_ = new QLabel(statusBar_);
    documentLabel_->setObjectName(QStringLiteral("documentName"));
    documentLabel_->setContentsMargins(4, 0, 8, 0);
    statusBar_->addPermanentWidget(documentLabel_);
    resize(width(), height() + statusHeight);
}

QStringList Form1::exampleFiles() {
    for (const QString& folder : exampleFolders()) {
        const QDir dir(folder);
        QStringList names = dir.entryList({QStringLiteral("*.kestrane.toml")}, QDir::Files);
        if (names.isEmpty()) continue;
        // By case, then by the number of triangles: n3 before n40.
        QCollator order;
        order.setNumericMode(true);
        std::sort(names.begin(), names.end(), order);
        QStringList files;
        for (const QString& name : names) files << dir.absoluteFilePath(name);
        return files;
    }
    return {};
}

void Form1::runComputation(std::vector<std::string> replayed) {
    if (running_) return;
    cancelWork();  // it read the computation that is being replaced
    running_ = true;
    markFiguresStale();
    forgetLastResults();
    state_.settings = settings_;
    // Typed values are kept in the recovery file; replayed ones are in their
    // file already, and go to the recovery file once, when typing starts.
    typing_ = replayed.empty();
    ReplayingPrompt answers(*prompt_, std::move(replayed), {{}, [this] {
                                                                typing_ = true;
                                                                keepRecovery();
                                                            }});
    Services io{answers, fields_, &record_};
    // A fault is reported by the run itself; the window stays open either way.
    (void)kestrane::Command1_Click(state_, io);
    typing_ = false;
    recovery_->discard();
    running_ = false;
    followRecordInEditor();
    documentComputed();
    if (lost_) Command2_Click();
}

void Form1::forgetLastResults() {
    for (QPointer<QWidget>* window : {&tableWindow_, &pictureWindow_, &qualityWindow_}) {
        if (*window) (*window)->close();
        *window = nullptr;
    }
    precision_.reset();
    quality_.reset();
    record_.clear();
    // The settings of the observations go with them.
    record_.setSettings(settings_);
}

void Form1::keepRecovery() { keepRecoveryOf(record_.values()); }

void Form1::keepRecoveryOf(const ObservationValues& values) {
    QString error;
    if (!recovery_->write(values, &error)) qWarning("%s", qPrintable(error));
}

void Form1::setRecoveryFolder(const QString& folder) { recovery_ = std::make_unique<RecoveryFile>(folder); }

namespace {

// A file of more bytes than this for each triangle of the threshold is read
// in the background (the files this program writes take about 64 bytes a
// triangle); whether its network is computed there too is decided by its
// triangles once it is read.
constexpr qint64 kFileBytesPerTriangle = 40;

}  // namespace

bool Form1::openObservationFile(const QString& path) {
    if (running_) return false;
    // The file of a large network is read in the background as well.
    if (QFileInfo(path).size() > kFileBytesPerTriangle * backgroundThreshold()) {
        startOpeningWork(path);
        return true;
    }
    return openReadFile(path, readObservationFile(QDir::toNativeSeparators(path).toStdString()), nullptr);
}

void Form1::takeFile(const QString& path, const AprioriSettings& settings, const QString& notice) {
    // How the file was read (GB18030), or nothing left from another file.
    if (notice.isEmpty()) {
        statusBar_->clearMessage();
    } else {
        statusBar_->showMessage(notice);
    }
    lastFolder_ = QFileInfo(path).absolutePath();
    // The file's settings replace the window's; a key it lacks is a default.
    settings_ = settings;
    observationFile_ = path;
    documentFile_ = path;
    unsavedElsewhere_ = false;
    rememberRecentFile(path);
}

QString Form1::chooseSavePath(const QString& title, const QString& name, const QString& filter, const QString& suffix,
                              const QString& objectName) {
    QString dir = lastFolder_;
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (dir.isEmpty() || !QDir(dir).exists()) dir = QDir::homePath();
    QFileDialog dialog(this, title, QDir(dir).filePath(name), filter);
    dialog.setObjectName(objectName);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    const QString path = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(path).absolutePath();
    return path;
}

bool Form1::saveEnteredValues() {
    if (record_.values().empty()) {
        inform(this, QStringLiteral("还没有输入任何观测数据。"));
        return false;
    }
    QString why;
    const std::optional<ObservationValues> values = valuesToSave(&why);
    if (!values) {
        inform(this, why, QMessageBox::Warning);
        return false;
    }
    const QString path =
        chooseSavePath(QStringLiteral("保存观测数据"),
                       defaultFileName(QStringLiteral(".kestrane.toml"), QStringLiteral("观测数据.kestrane.toml")),
                       kObservationFilter, QStringLiteral("kestrane.toml"), QStringLiteral("saveObservations"));
    if (path.isEmpty()) return false;
    std::string error;
    if (!writeObservationFile(QDir::toNativeSeparators(path).toStdString(), *values, error)) {
        inform(this, QString::fromStdString(error), QMessageBox::Warning);
        return false;
    }
    observationFile_ = path;
    documentSaved(path);
    return true;
}

void Form1::saveObservations() {
    if (running_) return;
    saveEnteredValues();
}

bool Form1::requireResults(const QString& what) {
    if (running_) return false;
    if (!state_.complete) {
        inform(this, QStringLiteral("没有可%1的结果：请先完成一次计算。").arg(what));
        return false;
    }
    return true;
}

const std::vector<PointPrecision>& Form1::pointPrecision() {
    if (!precision_) precision_ = computePointPrecision(state_);
    return *precision_;
}

void Form1::exportResults() {
    if (!requireResults(QStringLiteral("导出"))) return;
    const QString path = chooseSavePath(
        QStringLiteral("导出结果"), defaultFileName(QStringLiteral(".csv"), QStringLiteral("kestrane-results.csv")),
        QStringLiteral("CSV 文件 (*.csv)"), QStringLiteral("csv"), QStringLiteral("exportResults"));
    if (path.isEmpty() || refusedAsOutput(this, path)) return;
    std::string error;
    if (!writeTextAtomically(QDir::toNativeSeparators(path).toStdString(),
                             resultsTableText(state_, pointPrecision()), error)) {
        inform(this, QString::fromStdString(error), QMessageBox::Warning);
    } else {
        confirm(savedMessage(path));
    }
}

void Form1::showPrecisionTable() {
    if (!requireResults(QStringLiteral("显示"))) return;
    if (!tableWindow_ && !precision_ && inBackground(state_.triangleCount)) {
        tableWanted_ = true;
        return startPrecisionWork();
    }
    if (!tableWindow_) {
        auto* window = preparedTable_ ? new PrecisionTableWindow(std::exchange(preparedTable_, nullptr), this)
                                      : new PrecisionTableWindow(state_, pointPrecision(), this);
        window->setWindowFlag(Qt::Window);
        window->setAttribute(Qt::WA_DeleteOnClose);
        tableWindow_ = window;
        // The picture, when open, rings and centres the point of the row chosen.
        connect(window, &PrecisionTableWindow::pointChosen, this, [this](int row, const QString& name) {
            if (auto* picture = qobject_cast<NetworkPictureWindow*>(pictureWindow_.data())) picture->showResultRow(row, name);
        });
    }
    tableWindow_->show();
    tableWindow_->raise();
    tableWindow_->activateWindow();
}

void Form1::showNetworkPicture() {
    if (!requireResults(QStringLiteral("显示"))) return;
    if (!pictureWindow_ && !precision_ && inBackground(state_.triangleCount)) {
        pictureWanted_ = true;
        return startPrecisionWork();
    }
    if (!pictureWindow_) {
        auto* window = new NetworkPictureWindow(state_, pointPrecision(), qualityCheck(), this);
        window->setWindowFlag(Qt::Window);
        connect(window, &NetworkPictureWindow::confirmed, this, &Form1::confirm);
        window->setAttribute(Qt::WA_DeleteOnClose);
        pictureWindow_ = window;
        refreshDocumentStatus();  // names its exports
    }
    pictureWindow_->show();
    pictureWindow_->raise();
    pictureWindow_->activateWindow();
}

void Form1::offerRecovery() {
    if (running_) return;
    const QString folder = QFileInfo(recovery_->path()).absolutePath();
    for (RecoveryFile::Orphan& orphan : RecoveryFile::orphans(folder)) {
        const ObservationReading reading = readObservationFile(orphan.path.toStdString());
        if (!reading.values) {
            orphan.release();  // nothing that could be continued
            continue;
        }
        const ObservationValues& v = *reading.values;
        const QString what = QStringLiteral("%1 个三角形，已输入 %2 个点名、%3 个角、%4 条边")
                                 .arg(*v.triangles)
                                 .arg(v.names.size())
                                 .arg(v.angles.size())
                                 .arg(v.sides.size());
        // Complete values come from the editor: a document left unsaved.
        const bool edited = EditorDocument(v).complete();
        const bool resume =
            askYesNo(this,
                     (edited ? QStringLiteral("上次修改的观测数据没有保存（程序被关闭或意外退出）：\n%1。\n"
                                              "要恢复这些数据吗？选择“否”将删除这些数据。")
                             : QStringLiteral("上次的计算没有完成就中断了（程序被关闭或意外退出）：\n%1。\n"
                                              "要接着这次计算继续输入吗？选择“否”将删除这些数据。"))
                         .arg(what),
                     QMessageBox::Yes);
        // Either way the file is done with: continued, its values are this
        // window's now, in its own recovery file.
        if (resume) keepRecoveryOf(v);
        orphan.release();
        if (resume) {
            settings_ = v.settings;
            documentFile_.clear();
            unsavedElsewhere_ = edited;
            runComputation(typedAnswers(v));
            return;
        }
    }
}

}  // namespace kestrane
