// Observation files in the window: the menu bar above the form, opening a
// file (no dialog for a value from it), saving and continuing, 保存并放弃,
// the recovery offer after a killed run, the results table and the views.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QProcess>
#include <QPushButton>

#include <csignal>
#include <fstream>
#include <deque>
#include <map>
#include <thread>

#include "GuiTestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"

namespace {

using namespace kestrane;
using namespace kestrane::test;

std::filesystem::path example(const std::string& name) {
    return std::filesystem::path(KESTRANE_EXAMPLES_DIR) / (name + ".kestrane.toml");
}

std::map<std::string, std::string> fieldTexts(const Form1& form) {
    std::map<std::string, std::string> texts;
    for (QLineEdit* field : form.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        texts[field->objectName().toStdString()] = field->text().toStdString();
    return texts;
}

// The last text of every field in a console transcript.
std::map<std::string, std::string> finalTexts(const std::vector<TranscriptEvent>& events,
                                              std::map<std::string, std::string> texts) {
    for (const TranscriptEvent& e : events) {
        if (e.event == "text") texts[e.name] = e.value;
    }
    return texts;
}

// Answers the prompts of a computation in order (nullopt cancels), saves
// through the save dialog into `savePath`, and answers the give-up question.
struct Answers {
    std::deque<std::optional<std::string>> prompts;
    QMessageBox::StandardButton giveUp = QMessageBox::Yes;
    std::string savePath;
    int promptsSeen = 0;

    void handle(QWidget* dialog) {
        if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
            ++promptsSeen;
            std::optional<std::string> a;
            if (!prompts.empty()) {
                a = prompts.front();
                prompts.pop_front();
            }
            answer(input, a);
        } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
            press(box, box->objectName() == "giveUp" ? giveUp : QMessageBox::Yes);
        } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
            files->selectFile(QString::fromStdString(savePath));
            QMetaObject::invokeMethod(files, "accept", Qt::DirectConnection);
        } else {
            dialog->close();
        }
    }
};

}  // namespace

TEST(WindowFiles, MenuBarStandsAboveTheFormAndLeavesItsLayout) {
    Form1 form;
    form.show();
    const QSize before = form.size();
    auto* bar = form.findChild<QMenuBar*>("menuBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_EQ(bar->geometry().top(), 0);
    EXPECT_GE(bar->height(), bar->fontMetrics().height());
    EXPECT_EQ(bar->geometry().width(), form.width());
    // No control of the form reaches into the band the bar takes.
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child == bar || !child->isVisible()) continue;
        EXPECT_GE(child->geometry().top(), bar->geometry().bottom()) << child->objectName().toStdString();
    }
    EXPECT_EQ(form.size(), before);
    EXPECT_EQ(form.parentWidget(), nullptr);

    std::map<QString, QString> shortcuts;
    for (QAction* menu : bar->actions()) {
        for (QAction* action : menu->menu()->actions()) shortcuts[action->text()] = action->shortcut().toString();
    }
    EXPECT_EQ(shortcuts["打开观测数据(&O)…"], "Ctrl+O");
    EXPECT_EQ(shortcuts["保存观测数据(&S)…"], "Ctrl+S");
    EXPECT_EQ(shortcuts["打印(&P)…"], "Ctrl+P");
    EXPECT_EQ(shortcuts["退出(&X)"], "Ctrl+Q");
    for (const char* entry : {"导出结果 (CSV)(&E)…", "打开示例", "点位精度表(&T)", "网图(&N)", "使用说明", "关于"}) {
        EXPECT_TRUE(shortcuts.count(entry)) << entry;
    }
    // Every shipped example is listed.
    auto* examples = form.findChild<QMenu*>("examplesMenu");
    ASSERT_NE(examples, nullptr);
    EXPECT_EQ(examples->actions().size(), Form1::exampleFiles().size());
    EXPECT_GE(Form1::exampleFiles().size(), 8);
}

TEST(WindowFiles, OpeningAGoldenFileShowsWhatTypingShowsWithoutADialog) {
    for (const char* name : {"aonly-n9", "awithb-n5", "awithc-n4"}) {
        Form1 form;
        form.show();
        const auto initial = fieldTexts(form);
        int dialogs = 0;
        {
            DialogDriver driver([&](QWidget* dialog) {
                ++dialogs;
                dialog->close();
            });
            EXPECT_TRUE(form.openObservationFile(QString::fromStdString(example(name).string())));
        }
        EXPECT_EQ(dialogs, 0) << name;
        EXPECT_TRUE(form.state().complete) << name;
        EXPECT_EQ(fieldTexts(form), finalTexts(readTranscript(goldenDir() / (std::string(name) + ".transcript.jsonl")),
                                               initial))
            << name;
    }
}

TEST(WindowFiles, RefusedFileChangesNothing) {
    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(QString::fromStdString(example("awithc-n4").string())));
    const auto before = fieldTexts(form);
    const auto bad = scratchFile("bad.kestrane.toml");
    std::ofstream(bad) << "triangles = 3\ntolerence = 1\n";
    std::string message;
    {
        DialogDriver driver([&](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) message = box->text().toStdString();
            dialog->close();
        });
        EXPECT_FALSE(form.openObservationFile(QString::fromStdString(bad.string())));
    }
    EXPECT_NE(message.find("第 2 行，键 tolerence"), std::string::npos) << message;
    EXPECT_EQ(fieldTexts(form), before);
    EXPECT_TRUE(form.state().complete);
}

// Cancel at a value prompt, 保存并放弃, then the saved file opened later
// continues where it stopped: the same results as typing everything.
TEST(WindowFiles, SaveAndGiveUpThenContinue) {
    const auto values = *readObservationFile(example("awithb-n5").string()).values;
    const std::vector<std::string> all = typedAnswers(values);
    const std::size_t stop = 2 + 8 + 6 * 2 + 7 * 2;  // n, tolerance, A and B, names, seven angles
    const auto saved = scratchFile("partial.kestrane.toml");

    Form1 form;
    form.setRecoveryFolder(QString::fromStdString(scratchFile("recovery").string()));
    form.show();
    Answers first;
    for (std::size_t i = 0; i < stop; ++i) first.prompts.emplace_back(all[i]);
    first.prompts.emplace_back(std::nullopt);  // Cancel at the next angle
    first.giveUp = QMessageBox::Save;
    first.savePath = saved.string();
    {
        DialogDriver driver([&](QWidget* d) { first.handle(d); });
        form.findChild<QPushButton*>("Command1")->click();
    }
    EXPECT_FALSE(form.state().complete);
    EXPECT_FALSE(std::filesystem::exists(form.recoveryFile().path().toStdString()));  // given up: no recovery
    const auto partial = readObservationFile(saved.string());
    ASSERT_TRUE(partial.values) << partial.message;
    EXPECT_EQ(typedAnswers(*partial.values), std::vector<std::string>(all.begin(), all.begin() + stop));

    // Opened again: the rest is typed in the dialogs.
    Answers rest;
    for (std::size_t i = stop; i < all.size(); ++i) rest.prompts.emplace_back(all[i]);
    {
        DialogDriver driver([&](QWidget* d) { rest.handle(d); });
        ASSERT_TRUE(form.openObservationFile(QString::fromStdString(saved.string())));
    }
    EXPECT_TRUE(form.state().complete);
    EXPECT_EQ(rest.promptsSeen, static_cast<int>(all.size() - stop));
    EXPECT_EQ(form.record().values(), values);
    Form1 typed;
    typed.show();
    ASSERT_TRUE(typed.openObservationFile(QString::fromStdString(example("awithb-n5").string())));
    EXPECT_EQ(fieldTexts(form), fieldTexts(typed));
}

// A window killed while values are typed leaves its recovery file; the next
// start offers it, and accepting continues the computation.
TEST(WindowFiles, RecoveryOfferAfterAKilledRun) {
    const auto values = *readObservationFile(example("aonly-n3").string()).values;
    ObservationValues cut = values;
    cut.sides.resize(2);
    const auto partial = scratchFile("cut.kestrane.toml");
    std::string error;
    ASSERT_TRUE(writeObservationFile(partial.string(), cut, error)) << error;
    const auto data = scratchFile("data");
    std::filesystem::create_directories(data);

    // The program opens the cut file and waits at the first typed prompt,
    // having written its recovery file; then it is killed.
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_DATA_HOME", QString::fromStdString(data.string()));
    env.insert("QT_QPA_PLATFORM", "offscreen");
    program.setProcessEnvironment(env);
    program.start(KESTRANE_EXECUTABLE, {QString::fromStdString(partial.string())});
    ASSERT_TRUE(program.waitForStarted());
    const auto folder = data / "Kestrane" / "recovery";
    for (int i = 0; i < 200 && !std::filesystem::exists(folder); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    ::kill(static_cast<pid_t>(program.processId()), SIGKILL);
    program.waitForFinished();

    Form1 form;
    form.setRecoveryFolder(QString::fromStdString(folder.string()));
    form.show();
    const std::vector<std::string> all = typedAnswers(values);
    Answers rest;
    for (std::size_t i = typedAnswers(cut).size(); i < all.size(); ++i) rest.prompts.emplace_back(all[i]);
    int offers = 0;
    {
        DialogDriver driver([&](QWidget* d) {
            if (auto* box = qobject_cast<QMessageBox*>(d)) {
                ++offers;
                EXPECT_NE(box->text().indexOf("3 个三角形"), -1) << box->text().toStdString();
                EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
            }
            rest.handle(d);
        });
        form.offerRecovery();
    }
    EXPECT_EQ(offers, 1);
    EXPECT_TRUE(form.state().complete);
    EXPECT_EQ(form.record().values(), values);
    // Nothing is left to offer: a normal start shows no question.
    EXPECT_TRUE(RecoveryFile::orphans(QString::fromStdString(folder.string())).empty());
}

TEST(WindowFiles, ResultsTableAndViewsOfTheLastComputation) {
    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(QString::fromStdString(example("awithc-n7-hill").string())));
    const auto csv = scratchFile("results.csv");
    Answers save;
    save.savePath = csv.string();
    {
        DialogDriver driver([&](QWidget* d) { save.handle(d); });
        form.exportResults();
    }
    const std::string table = readFile(csv);
    EXPECT_EQ(table.rfind("\xEF\xBB\xBF点名,X,Y,1/px,1/py,mx,my,mp,E,F,φ\r\n", 0), 0u);
    EXPECT_EQ(std::count(table.begin(), table.end(), '\n'), 1 + 8);
    form.showPrecisionTable();
    form.showNetworkPicture();
    EXPECT_NE(form.findChild<QWidget*>("precisionTableWindow"), nullptr);
    EXPECT_NE(form.findChild<QWidget*>("networkPictureWindow"), nullptr);
}

// The save dialogs of the results refuse the observation file last opened or
// saved in the window, however the chosen path names it; the file stays as
// it was, and another path is written.
TEST(WindowFiles, SaveDialogsRefuseTheObservationFile) {
    const auto folder = scratchFolder() / "refusal";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder);
    // Named .svg so that the picture's export would take it.
    const auto observations = folder / "net.svg";
    std::filesystem::copy_file(example("awithc-n7-hill"), observations);
    std::filesystem::create_symlink("net.svg", folder / "link.csv");
    const auto saved = folder / "saved.kestrane.toml";

    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(QString::fromStdString(observations.string())));
    struct Case {
        const char* what;
        std::filesystem::path chosen;
        std::function<void()> command;
        bool refused;
    };
    auto exportPicture = [&form] {
        form.showNetworkPicture();
        auto* window = form.findChild<NetworkPictureWindow*>();
        ASSERT_NE(window, nullptr);
        window->exportWithDialog();
    };
    const std::vector<Case> cases = {
        {"CSV through a symlink", folder / "link.csv", [&] { form.exportResults(); }, true},
        {"CSV through another spelling", folder / "." / ".." / folder.filename() / "net.svg", [&] { form.exportResults(); }, true},
        {"picture export", observations, exportPicture, true},
        {"another CSV is written", folder / "results.csv", [&] { form.exportResults(); }, false},
        // The observation file saved last is the one refused now.
        {"saving the observations", saved, [&] { form.saveObservations(); }, false},
        {"CSV on the saved file", saved, [&] { form.exportResults(); }, true},
        {"picture on the opened file once another was saved", observations, exportPicture, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string before = std::filesystem::exists(c.chosen) ? readFile(c.chosen) : "";
        QStringList messages;
        Answers save;
        save.savePath = c.chosen.string();
        {
            DialogDriver driver([&](QWidget* d) {
                if (auto* box = qobject_cast<QMessageBox*>(d)) messages << box->text();
                // The chosen files exist: no question whether to replace them.
                if (auto* files = qobject_cast<QFileDialog*>(d)) files->setOption(QFileDialog::DontConfirmOverwrite);
                save.handle(d);
            });
            c.command();
        }
        const bool refusal = messages.filter(QStringLiteral("观测数据文件")).size() == 1;
        EXPECT_EQ(refusal, c.refused) << messages.join(" | ").toStdString();
        if (c.refused) {
            EXPECT_EQ(readFile(c.chosen), before);
        } else {
            EXPECT_NE(readFile(c.chosen), before);
        }
    }
    EXPECT_TRUE(std::filesystem::is_symlink(folder / "link.csv"));
}

// The file type that a double click opens with the program.
TEST(WindowFiles, MimeTypeOfObservationFiles) {
    const auto share = scratchFile("share");
    std::filesystem::create_directories(share / "mime" / "packages");
    std::filesystem::copy_file(std::filesystem::path(KESTRANE_PACKAGING_DIR) / "kestrane-mime.xml",
                               share / "mime" / "packages" / "kestrane.xml");
    int status = -1;
    capture("update-mime-database '" + (share / "mime").string() + "' 2>&1", &status);
    ASSERT_EQ(status, 0);
    // Qt reads the databases of XDG_DATA_DIRS at its first lookup.
    qputenv("XDG_DATA_DIRS", QByteArray::fromStdString(share.string()) + ":/usr/share");
    const QMimeType type = QMimeDatabase().mimeTypeForFile("net.kestrane.toml", QMimeDatabase::MatchExtension);
    EXPECT_EQ(type.name(), "application/x-kestrane+toml");
    EXPECT_TRUE(type.inherits("application/toml"));
}
