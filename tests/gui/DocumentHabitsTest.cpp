// The window's document: its name and ● in the status bar, the question
// before unsaved edits would be dropped, 已保存 confirmations and default file
// names, the recovery file following the editor, and recently opened files.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>

#include <fstream>

#include "GuiTestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/RecoveryFile.h"

// QStrings in the failure messages as text.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

using namespace kestrane;
using namespace kestrane::test;
namespace fs = std::filesystem;

// A folder of the running test's own, kept as it is.
fs::path testFolder(const std::string& what) {
    const fs::path folder =
        scratchFolder() / (std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + "-" + what);
    fs::create_directories(folder);
    return folder;
}

// A copy of a shipped example in the test's folder, as `name`.
fs::path copyOf(const std::string& example, const std::string& name) {
    const fs::path copy = testFolder("files") / name;
    fs::copy_file(fs::path(KESTRANE_EXAMPLES_DIR) / (example + ".kestrane.toml"), copy, fs::copy_options::overwrite_existing);
    return copy;
}

QString qpath(const fs::path& path) { return QString::fromStdString(path.string()); }

// What the dialogs of one action saw and how they were answered: the unsaved
// question (answered `unsaved`), the save dialogs (the file name offered
// kept; accepted as `savePath`, cancelled when it is empty), the prompts
// (cancelled, then given up) and the other message boxes (是).
struct Dialogs {
    QMessageBox::StandardButton unsaved = QMessageBox::Cancel;
    fs::path savePath;
    std::vector<QString> questions, messages, offeredNames;
    int prompts = 0;
    void handle(QWidget* dialog) {
        if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            if (box->objectName() == "unsavedChanges") {
                questions.push_back(box->text());
                press(box, unsaved);
            } else {
                messages.push_back(box->text());
                press(box, box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
            }
        } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            offeredNames.push_back(QFileInfo(files->selectedFiles().value(0)).fileName());
            files->setOption(QFileDialog::DontConfirmOverwrite);
            if (savePath.empty()) {
                files->reject();
            } else {
                files->selectFile(qpath(savePath));
                QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
            }
        } else if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            ++prompts;
            answer(input, std::nullopt);
        } else {
            dialog->close();
        }
    }
};

// A window with this test's own settings and recovery folder, on a copy of
// the town example.
struct Window {
    fs::path town = copyOf("aonly-n8-town", "town.kestrane.toml");
    std::unique_ptr<Form1> form;
    explicit Window(bool open = true) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qpath(testFolder("config")));
        renew();
        if (open) {
            EXPECT_TRUE(form->openObservationFile(qpath(town)));
        }
    }
    // A new window, as at the next start.
    void renew() {
        form = std::make_unique<Form1>();
        form->setRecoveryFolder(qpath(testFolder("recovery")));
        form->show();
    }
    ObservationEditor* editor() {
        form->showObservationEditor();
        return form->findChild<ObservationEditor*>("observationEditor");
    }
    // Changes the first side by a millimetre in the editor; its new text.
    QString editSide() {
        const CellRef side{EditorGroup::Sides, 0};
        const QString text = QString::number(editor()->document().text(side).toDouble() + 0.001, 'f', 3);
        EXPECT_TRUE(editor()->edit(side, text));
        return text;
    }
    QString label() const { return form->findChild<QLabel*>("documentName")->text(); }
    QString message() const { return form->findChild<QStatusBar*>("statusBar")->currentMessage(); }
    QAction* fileAction(const QString& text) const {
        for (QAction* action : form->findChild<QMenuBar*>("menuBar")->actions().first()->menu()->actions()) {
            if (action->text() == text) return action;
        }
        return nullptr;
    }
    Dialogs run(const std::function<void()>& action, QMessageBox::StandardButton unsaved = QMessageBox::Cancel,
                const fs::path& savePath = {}) {
        Dialogs dialogs;
        dialogs.unsaved = unsaved;
        dialogs.savePath = savePath;
        DialogDriver driver([&](QWidget* d) { dialogs.handle(d); });
        action();
        return dialogs;
    }
};

double firstSideIn(const fs::path& file) {
    const ObservationReading reading = readObservationFile(file.string());
    EXPECT_TRUE(reading.values) << reading.message;
    return reading.values && !reading.values->sides.empty() ? reading.values->sides[0] : 0.0;
}

}  // namespace

// Every action that would drop an edited document asks 保存 / 不保存 / 取消:
// 保存 saves and goes on (a cancelled save dialog cancels), 不保存 goes on,
// 取消 leaves the window and its edits as they were.
TEST(DocumentHabits, UnsavedEditsAreAskedAboutByEveryAction) {
    enum class Answer { Save, SaveCancelled, Discard, Cancel };
    struct Trigger {
        const char* what;
        std::function<void(Window&)> act;
        std::function<bool(Window&, const Dialogs&)> done;
    };
    const fs::path other = copyOf("awithc-n4", "other.kestrane.toml");
    const Trigger triggers[] = {
        {"open another file", [&](Window& w) { w.form->openObservationFile(qpath(other)); },
         [&](Window& w, const Dialogs&) { return w.form->documentFile() == qpath(other); }},
        {"开始计算", [](Window& w) { w.form->findChild<QPushButton*>("Command1")->click(); },
         [](Window&, const Dialogs& d) { return d.prompts > 0; }},
        {"文件 → 退出", [](Window& w) { w.fileAction("退出(&X)")->trigger(); },
         [](Window& w, const Dialogs&) { return !w.form->isVisible(); }},
        {"Ctrl+Q",
         [](Window& w) {
             w.form->activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
             QTest::keyClick(w.form.get(), Qt::Key_Q, Qt::ControlModifier);
         },
         [](Window& w, const Dialogs&) { return !w.form->isVisible(); }},
        {"closing the window", [](Window& w) { w.form->close(); },
         [](Window& w, const Dialogs&) { return !w.form->isVisible(); }},
    };
    for (const Trigger& trigger : triggers) {
        for (Answer answer : {Answer::Save, Answer::SaveCancelled, Answer::Discard, Answer::Cancel}) {
            SCOPED_TRACE(std::string(trigger.what) + ", answer " + std::to_string(static_cast<int>(answer)));
            Window w;
            const double before = firstSideIn(w.town);
            const QString edited = w.editSide();
            ASSERT_TRUE(w.form->hasUnsavedChanges());
            const fs::path saved = scratchFile("saved.kestrane.toml");
            const QMessageBox::StandardButton button = answer == Answer::Discard  ? QMessageBox::Discard
                                                       : answer == Answer::Cancel ? QMessageBox::Cancel
                                                                                  : QMessageBox::Save;
            const Dialogs d = w.run([&] { trigger.act(w); }, button, answer == Answer::Save ? saved : fs::path());
            ASSERT_EQ(d.questions.size(), 1u);
            EXPECT_TRUE(d.questions[0].contains("town.kestrane.toml")) << d.questions[0].toStdString();
            const bool goesOn = answer == Answer::Save || answer == Answer::Discard;
            EXPECT_EQ(trigger.done(w, d), goesOn);
            EXPECT_EQ(fs::exists(saved), answer == Answer::Save);
            if (answer == Answer::Save) {
                EXPECT_DOUBLE_EQ(firstSideIn(saved), edited.toDouble());
                EXPECT_FALSE(w.form->hasUnsavedChanges());
            }
            if (!goesOn) {
                EXPECT_TRUE(w.form->hasUnsavedChanges());
                EXPECT_TRUE(w.form->isVisible());
                EXPECT_EQ(w.form->documentFile(), qpath(w.town));
            }
            EXPECT_DOUBLE_EQ(firstSideIn(w.town), before);  // the opened file is never written unasked
        }
    }
}

// Nothing unsaved, nothing asked: a typed computation, an unedited file, an
// edit undone, an edit saved. 退出计算 never asks.
TEST(DocumentHabits, NoQuestionWithoutUnsavedEdits) {
    struct Case {
        const char* what;
        std::function<void(Window&)> before;
    };
    const Case cases[] = {
        {"typed computation",
         [](Window& w) {
             const ObservationValues values = *readObservationFile(w.town.string()).values;
             std::deque<std::string> typed;
             for (const std::string& a : typedAnswers(values)) typed.push_back(a);
             {
                 DialogDriver driver([&](QWidget* d) {
                     if (auto* input = qobject_cast<QInputDialog*>(d)) {
                         answer(input, typed.empty() ? std::nullopt : std::optional(typed.front()));
                         if (!typed.empty()) typed.pop_front();
                     } else {
                         d->close();
                     }
                 });
                 w.form->findChild<QPushButton*>("Command1")->click();
             }
             EXPECT_TRUE(w.form->state().complete);
             EXPECT_EQ(w.label(), "未命名");
             // Typed values have no file: the save dialogs offer the usual names.
             const Dialogs d = w.run([&] { w.form->exportResults(); });
             EXPECT_EQ(d.offeredNames, std::vector<QString>{"kestrane-results.csv"});
         }},
        {"opened, not edited", [](Window&) {}},
        {"edited, undone",
         [](Window& w) {
             w.editSide();
             w.editor()->undoStack()->undo();
         }},
        {"edited, saved",
         [](Window& w) {
             w.editSide();
             w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, scratchFile("saved.kestrane.toml"));
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Window w(std::string(c.what) != "typed computation");
        c.before(w);
        EXPECT_FALSE(w.form->hasUnsavedChanges());
        EXPECT_FALSE(w.label().contains("●")) << w.label().toStdString();
        const Dialogs d = w.run([&] { w.form->close(); });
        EXPECT_TRUE(d.questions.empty());
        EXPECT_FALSE(w.form->isVisible());
    }
    Window w;
    w.editSide();
    const Dialogs d = w.run([&] { w.form->findChild<QPushButton*>("Command2")->click(); });
    EXPECT_TRUE(d.questions.empty());
    EXPECT_FALSE(w.form->isVisible());
}

// The status bar names the document and marks its unsaved edits; every save
// and export offers a name after the document and confirms with its path.
TEST(DocumentHabits, StatusBarNamesTheDocumentAndConfirmsEverySave) {
    Window w;
    w.form->setPrinterCheck([] { return false; });
    EXPECT_EQ(w.label(), "town.kestrane.toml");
    w.editSide();
    EXPECT_EQ(w.label(), "town.kestrane.toml ●");

    auto picture = [&w] {
        w.form->showNetworkPicture();
        w.form->findChild<NetworkPictureWindow*>()->exportWithDialog();
    };
    struct Case {
        const char* what;
        std::function<void()> command;
        const char* offered;
        const char* saveAs;
    };
    const std::vector<Case> cases = {
        {"observations", [&] { w.form->saveObservations(); }, "town.kestrane.toml", "edited.kestrane.toml"},
        {"results table", [&] { w.form->exportResults(); }, "edited.csv", "table.csv"},
        {"report without a printer", [&] { w.form->findChild<QPushButton*>("Command3")->click(); }, "edited.pdf",
         "report.pdf"},
        {"quality check", [&] { w.form->printQualityCheck(); }, "edited-quality.pdf", "quality.pdf"},
        {"picture as SVG", picture, "edited.svg", "net.svg"},
        {"picture as PNG", picture, "edited.svg", "net.png"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const fs::path target = testFolder("out") / c.saveAs;
        const Dialogs d = w.run(c.command, QMessageBox::Cancel, target);
        ASSERT_EQ(d.offeredNames.size(), 1u);
        EXPECT_EQ(d.offeredNames[0].toStdString(), c.offered);
        EXPECT_TRUE(fs::exists(target));
        EXPECT_EQ(w.message().toStdString(), "已保存 " + target.string());
    }
    // Saved as edited.kestrane.toml: the new name, no mark.
    EXPECT_EQ(w.label(), "edited.kestrane.toml");
}

// The recovery file follows the edited document: written by an edit, kept
// through a recomputation, gone when undone or saved; a leftover edited
// document is offered at the next start and is unsaved once taken back.
TEST(DocumentHabits, RecoveryFileFollowsTheEditedDocument) {
    Window w;
    const fs::path recovery = w.form->recoveryFile().path().toStdString();
    EXPECT_FALSE(fs::exists(recovery));
    const QString edited = w.editSide();
    ASSERT_TRUE(fs::exists(recovery));
    EXPECT_DOUBLE_EQ(firstSideIn(recovery), edited.toDouble());
    w.editor()->recompute();
    EXPECT_TRUE(fs::exists(recovery));
    EXPECT_DOUBLE_EQ(w.form->record().values().sides[0], edited.toDouble());
    w.editor()->undoStack()->undo();
    EXPECT_FALSE(fs::exists(recovery));
    w.editor()->undoStack()->redo();
    EXPECT_TRUE(fs::exists(recovery));
    const ObservationValues left = *readObservationFile(recovery.string()).values;
    w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, scratchFile("saved.kestrane.toml"));
    EXPECT_FALSE(fs::exists(recovery));

    // What a killed window leaves: the file, and a lock naming a process
    // that has ended.
    const fs::path orphan = testFolder("recovery") / "unfinished-killed.kestrane.toml";
    std::string error;
    ASSERT_TRUE(writeObservationFile(orphan.string(), left, error)) << error;
    QProcess gone;
    gone.start("true", {});
    ASSERT_TRUE(gone.waitForStarted());
    const QByteArray pid = QByteArray::number(gone.processId());
    gone.waitForFinished();
    const QString lockPath = qpath(orphan) + ".lock";
    QByteArray lock;
    {
        QLockFile ours(lockPath);
        ASSERT_TRUE(ours.tryLock(0));
        QFile written(lockPath);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        lock = written.readAll();
    }
    QFile stale(lockPath);
    ASSERT_TRUE(stale.open(QIODevice::WriteOnly));
    stale.write(pid + lock.mid(lock.indexOf('\n')));
    stale.close();

    w.renew();
    const Dialogs d = w.run([&] { w.form->offerRecovery(); });
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_TRUE(d.messages[0].contains("修改的观测数据没有保存")) << d.messages[0].toStdString();
    EXPECT_TRUE(w.form->state().complete);
    EXPECT_EQ(w.form->record().values(), left);
    EXPECT_TRUE(w.form->hasUnsavedChanges());
    EXPECT_EQ(w.label(), "未命名 ●");
    EXPECT_TRUE(fs::exists(w.form->recoveryFile().path().toStdString()));
    EXPECT_FALSE(fs::exists(orphan));
}

// 最近打开的文件: opened and saved files, newest first, at most eight, kept
// for the next window; a file that is gone is reported and dropped.
TEST(DocumentHabits, RecentFilesAreKeptAndAMissingOneIsDropped) {
    Window w(false);
    std::vector<QString> opened;
    for (int i = 0; i < 9; ++i) {
        const fs::path file = copyOf("aonly-n3", "net" + std::to_string(i) + ".kestrane.toml");
        ASSERT_TRUE(w.form->openObservationFile(qpath(file)));
        opened.push_back(qpath(file));
    }
    ASSERT_TRUE(w.form->openObservationFile(opened[4]));  // again: to the front, once
    const fs::path saved = scratchFile("saved.kestrane.toml");
    w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, saved);
    const QStringList expected = {qpath(saved), opened[4], opened[8], opened[7], opened[6], opened[5], opened[3], opened[2]};
    EXPECT_EQ(w.form->recentFiles(), expected);

    w.renew();
    auto* menu = w.form->findChild<QMenu*>("recentMenu");
    ASSERT_NE(menu, nullptr);
    QStringList listed;
    for (QAction* action : menu->actions()) listed << action->data().toString();
    EXPECT_EQ(listed, expected);

    fs::remove(opened[8].toStdString());
    const Dialogs d = w.run([&] { menu->actions()[2]->trigger(); });
    ASSERT_EQ(d.messages.size(), 1u);
    EXPECT_TRUE(d.messages[0].contains(opened[8])) << d.messages[0].toStdString();
    EXPECT_TRUE(w.form->documentFile().isEmpty());
    EXPECT_FALSE(w.form->recentFiles().contains(opened[8]));
    EXPECT_EQ(menu->actions().size(), 7);
    w.run([&] { menu->actions()[1]->trigger(); });
    EXPECT_EQ(w.form->documentFile(), opened[4]);
    EXPECT_EQ(w.label(), "net4.kestrane.toml");
}
