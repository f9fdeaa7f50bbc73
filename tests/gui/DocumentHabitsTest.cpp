// The window's document: its name and ● in the status bar, the question
// before unsaved edits would be dropped, 已保存 and the names save dialogs
// offer, the recovery file following the editor, recently opened files.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTest>
#include <QUndoStack>

#include <deque>

#include "GuiTestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/ObservationEditor.h"

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

fs::path copyOf(const std::string& example, const std::string& name) {
    const fs::path copy = testFolder("files") / name;
    fs::copy_file(examplePath(example), copy, fs::copy_options::overwrite_existing);
    return copy;
}

QString qpath(const fs::path& path) { return QString::fromStdString(path.string()); }
double firstSide(const fs::path& file) { return readObservationFile(file.string()).values.value().sides.at(0); }

// What the dialogs of one action showed.
struct Seen {
    std::vector<QString> questions, messages, offered;
    int prompts = 0;
};

// A window with the test's own settings and recovery folder, on a copy of
// the town example.
struct Window {
    fs::path town = copyOf("aonly-n8-town", "town.kestrane.toml");
    std::unique_ptr<Form1> form;
    std::deque<std::string> typing;  // answers to the prompts; cancelled when none is left

    explicit Window(bool open = true) {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, qpath(testFolder("config")));
        renew();
        if (open) {
            EXPECT_TRUE(form->openObservationFile(qpath(town)));
        }
    }
    void renew() {  // as at the next start
        form = std::make_unique<Form1>();
        form->setRecoveryFolder(qpath(testFolder("recovery")));
        form->show();
    }
    ObservationEditor* editor() {
        form->showObservationEditor();
        return form->findChild<ObservationEditor*>("observationEditor");
    }
    double editSide() {  // s(1) a millimetre longer
        const QString side =
            QString::number(editor()->document().text({EditorGroup::Sides, 0}).toDouble() + 0.001, 'f', 3);
        EXPECT_TRUE(editor()->edit({EditorGroup::Sides, 0}, side));
        return side.toDouble();
    }
    QString label() const { return form->findChild<QLabel*>("documentName")->text(); }
    // Runs `action`: the unsaved question answered `unsaved`, a save dialog
    // accepted as `savePath` (cancelled without one), other boxes 是 or 确定.
    Seen run(const std::function<void()>& action, QMessageBox::StandardButton unsaved = QMessageBox::Cancel,
             const fs::path& savePath = {}) {
        Seen seen;
        DialogDriver driver([&](QWidget* d) {
            if (auto* box = qobject_cast<QMessageBox*>(d)) {
                const bool question = box->objectName() == "unsavedChanges";
                (question ? seen.questions : seen.messages).push_back(box->text());
                press(box, question ? unsaved : box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
            } else if (auto* files = qobject_cast<QFileDialog*>(d)) {
                seen.offered.push_back(QFileInfo(files->selectedFiles().value(0)).fileName());
                if (savePath.empty()) return files->reject();
                files->setOption(QFileDialog::DontConfirmOverwrite);
                choose(files, savePath);
            } else if (auto* input = qobject_cast<QInputDialog*>(d)) {
                ++seen.prompts;
                answer(input, typing.empty() ? std::nullopt : std::optional(typing.front()));
                if (!typing.empty()) typing.pop_front();
            }
        });
        action();
        return seen;
    }
};

}  // namespace

// Each action that would drop an edited document asks once: 保存 saves the
// edits and goes on (a cancelled save dialog cancels), 不保存 goes on, 取消
// leaves the window and its edits as they were.
TEST(DocumentHabits, UnsavedEditsAreAskedAboutByEveryAction) {
    const fs::path other = copyOf("awithc-n4", "other.kestrane.toml");
    const fs::path saved = testFolder("out") / "saved.kestrane.toml";
    const struct {
        const char* what;
        std::function<void(Window&)> act;
        std::function<bool(Window&, const Seen&)> done;
    } triggers[] = {
        {"open", [&](Window& w) { w.form->openObservationFile(qpath(other)); },
         [&](Window& w, const Seen&) { return w.form->documentFile() == qpath(other); }},
        {"开始计算", [](Window& w) { w.form->findChild<QPushButton*>("Command1")->click(); },
         [](Window&, const Seen& seen) { return seen.prompts > 0; }},
        {"文件 → 退出",
         [](Window& w) { w.form->findChild<QMenuBar*>()->actions()[0]->menu()->actions().last()->trigger(); },
         [](Window& w, const Seen&) { return !w.form->isVisible(); }},
        {"Ctrl+Q",
         [](Window& w) {
             w.form->activateWindow();
             ASSERT_TRUE(QTest::qWaitForWindowActive(w.form.get()));
             QTest::keyClick(w.form.get(), Qt::Key_Q, Qt::ControlModifier);
         },
         [](Window& w, const Seen&) { return !w.form->isVisible(); }},
        {"close", [](Window& w) { w.form->close(); }, [](Window& w, const Seen&) { return !w.form->isVisible(); }},
    };
    for (const auto& trigger : triggers) {
        for (const auto& [answer, savePath, goesOn] :
             {std::tuple{QMessageBox::Save, saved, true}, std::tuple{QMessageBox::Save, fs::path(), false},
              std::tuple{QMessageBox::Discard, fs::path(), true}, std::tuple{QMessageBox::Cancel, fs::path(), false}}) {
            SCOPED_TRACE(std::string(trigger.what) + " " + std::to_string(static_cast<int>(answer)) + " " +
                         savePath.string());
            fs::remove(saved);
            Window w;
            const double edited = w.editSide();
            EXPECT_EQ(w.label(), "town.kestrane.toml ●");
            const Seen seen = w.run([&] { trigger.act(w); }, answer, savePath);
            ASSERT_EQ(seen.questions.size(), 1u);
            EXPECT_TRUE(seen.questions[0].contains("town.kestrane.toml"));
            EXPECT_EQ(trigger.done(w, seen), goesOn);
            EXPECT_EQ(w.form->hasUnsavedChanges(), !goesOn);
            EXPECT_EQ(fs::exists(saved), !savePath.empty());
            EXPECT_EQ(fs::exists(saved) ? firstSide(saved) : edited, edited);
            EXPECT_NE(firstSide(w.town), edited);  // the opened file is never written unasked
        }
    }
}

// Nothing unsaved, nothing asked: a typed computation, a file as opened, an
// edit undone, an edit saved; and 退出计算 never asks.
TEST(DocumentHabits, NoQuestionWithoutUnsavedEdits) {
    const std::function<void(Window&)> cases[] = {
        [](Window& w) {
            const auto typed = typedAnswers(*readObservationFile(w.town.string()).values);
            w.typing.assign(typed.begin(), typed.end());
            w.run([&] { w.form->findChild<QPushButton*>("Command1")->click(); });
            EXPECT_TRUE(w.form->state().complete);
            EXPECT_EQ(w.label(), "未命名");
            // Without a file the save dialogs offer the usual names.
            EXPECT_EQ(w.run([&] { w.form->exportResults(); }).offered, std::vector<QString>{"kestrane-results.csv"});
        },
        [](Window&) {},
        [](Window& w) {
            w.editSide();
            w.editor()->undoStack()->undo();
        },
        [](Window& w) {
            w.editSide();
            w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, testFolder("out") / "saved.kestrane.toml");
        },
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(i);
        Window w(i > 0);
        cases[i](w);
        EXPECT_FALSE(w.label().contains("●")) << w.label().toStdString();
        EXPECT_TRUE(w.run([&] { w.form->close(); }).questions.empty());
        EXPECT_FALSE(w.form->isVisible());
    }
    Window w;
    w.editSide();
    EXPECT_TRUE(w.run([&] { w.form->findChild<QPushButton*>("Command2")->click(); }).questions.empty());
    EXPECT_FALSE(w.form->isVisible());
}

// Every save and export offers a name after the document and says 已保存
// with its path in the status bar; saved under a new name, the document
// takes it, without ●.
TEST(DocumentHabits, SavesAreNamedAfterTheDocumentAndConfirmed) {
    Window w;
    w.form->setPrinterCheck([] { return false; });
    w.editSide();
    auto picture = [&w] {
        w.form->showNetworkPicture();
        w.form->findChild<NetworkPictureWindow*>()->exportWithDialog();
    };
    const std::tuple<const char*, std::function<void()>, const char*> cases[] = {
        {"edited.kestrane.toml", [&] { w.form->saveObservations(); }, "town.kestrane.toml"},
        {"table.csv", [&] { w.form->exportResults(); }, "edited.csv"},
        {"report.pdf", [&] { w.form->findChild<QPushButton*>("Command3")->click(); }, "edited.pdf"},
        {"quality.pdf", [&] { w.form->printQualityCheck(); }, "edited-quality.pdf"},
        {"net.svg", picture, "edited.svg"},
        {"net.png", picture, "edited.svg"},
    };
    for (const auto& [saveAs, command, offered] : cases) {
        SCOPED_TRACE(saveAs);
        const fs::path target = testFolder("out") / saveAs;
        EXPECT_EQ(w.run(command, QMessageBox::Cancel, target).offered, std::vector<QString>{offered});
        EXPECT_TRUE(fs::exists(target));
        EXPECT_EQ(w.form->findChild<QStatusBar*>("statusBar")->currentMessage().toStdString(),
                  "已保存 " + target.string());
    }
    EXPECT_EQ(w.label(), "edited.kestrane.toml");
}

// The recovery file follows the edited document: written by an edit, kept
// through a recomputation, gone when the edit is undone or saved.
TEST(DocumentHabits, RecoveryFileFollowsTheEditedDocument) {
    Window w;
    const fs::path recovery = w.form->recoveryFile().path().toStdString();
    EXPECT_FALSE(fs::exists(recovery));
    const double edited = w.editSide();
    EXPECT_EQ(firstSide(recovery), edited);
    w.editor()->recompute();
    EXPECT_EQ(w.form->record().values().sides[0], edited);
    EXPECT_EQ(firstSide(recovery), edited);
    w.editor()->undoStack()->undo();
    EXPECT_FALSE(fs::exists(recovery));
    w.editor()->undoStack()->redo();
    EXPECT_EQ(firstSide(recovery), edited);
    // New settings recompute the edits, never drop them.
    w.form->applySettings({Weighting::Rigorous, 2.0, std::nullopt});
    EXPECT_EQ(w.form->record().values().sides[0], edited);
    EXPECT_TRUE(w.form->hasUnsavedChanges());
    EXPECT_EQ(firstSide(recovery), edited);
    w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, testFolder("out") / "saved.kestrane.toml");
    EXPECT_FALSE(fs::exists(recovery));
}

// 最近打开的文件: opened and saved files, newest first, at most eight, kept
// for the next window; one that is gone is reported and dropped.
TEST(DocumentHabits, RecentFilesAreKeptAndAMissingOneIsDropped) {
    Window w(false);
    QStringList opened;
    for (int i = 0; i < 9; ++i) {
        opened << qpath(copyOf("aonly-n3", "net" + std::to_string(i) + ".kestrane.toml"));
        ASSERT_TRUE(w.form->openObservationFile(opened.back()));
    }
    ASSERT_TRUE(w.form->openObservationFile(opened[4]));  // again: to the front, once
    const fs::path saved = testFolder("out") / "saved.kestrane.toml";
    w.run([&] { w.form->saveObservations(); }, QMessageBox::Cancel, saved);

    w.renew();
    auto* menu = w.form->findChild<QMenu*>("recentMenu");
    QStringList listed;
    for (QAction* action : menu->actions()) listed << action->data().toString();
    EXPECT_EQ(listed,
              QStringList({qpath(saved), opened[4], opened[8], opened[7], opened[6], opened[5], opened[3], opened[2]}));
    fs::remove(opened[8].toStdString());
    const Seen seen = w.run([&] { menu->actions()[2]->trigger(); });
    ASSERT_EQ(seen.messages.size(), 1u);
    EXPECT_TRUE(seen.messages[0].contains(opened[8]));
    EXPECT_TRUE(w.form->documentFile().isEmpty());
    EXPECT_EQ(menu->actions().size(), 7);
    EXPECT_FALSE(w.form->recentFiles().contains(opened[8]));
    w.run([&] { menu->actions()[1]->trigger(); });
    EXPECT_EQ(w.label(), "net4.kestrane.toml");
}
