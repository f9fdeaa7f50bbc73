// Observation files in the window: the menu bar above the form, opening a
// file (no dialog for a value from it), saving and continuing, 保存并放弃,
// the recovery offer after a killed run, the results table and the views.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLockFile>
#include <QMenu>
#include <QMenuBar>
#include <QProcess>
#include <QPushButton>
#include <QStatusBar>

#include <iconv.h>

#include <cerrno>
#include <fstream>
#include <deque>
#include <map>

#include "GuiTestSupport.h"
#include "driver/TypedAnswers.h"
#include "files/AtomicWrite.h"
#include "files/ObservationFile.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"

namespace {

using namespace kestrane;
using namespace kestrane::test;

using Answers = ScriptedDialogs;

namespace fs = std::filesystem;

// Runs the command, its save dialog choosing `file` (the chosen files exist:
// no question whether to replace them); returns the message boxes' texts.
std::vector<std::string> savingTo(const fs::path& file, const std::function<void()>& command) {
    Answers save;
    save.file = file;
    DialogDriver driver([&](QWidget* d) {
        if (auto* files = qobject_cast<QFileDialog*>(d)) files->setOption(QFileDialog::DontConfirmOverwrite);
        save.handle(d);
    });
    command();
    return save.messages;
}

// The file a window killed while values were typed leaves behind: its values
// and its lock as Qt writes it, naming a process that has ended. `age` sets
// the file's time (the newest is offered first).
fs::path leaveBehind(const fs::path& folder, const std::string& name, const std::string& text, int ageMinutes) {
    fs::create_directories(folder);
    const fs::path file = folder / ("unfinished-" + name + ".kestrane.toml");
    std::ofstream(file) << text;
    QProcess gone;
    gone.start("true", {});
    EXPECT_TRUE(gone.waitForStarted());
    const QByteArray pid = QByteArray::number(gone.processId());
    gone.waitForFinished();
    const QString lockPath = QString::fromStdString(file.string() + ".lock");
    QByteArray lock;
    {
        QLockFile ours(lockPath);
        EXPECT_TRUE(ours.tryLock(0));
        QFile written(lockPath);
        EXPECT_TRUE(written.open(QIODevice::ReadOnly));
        lock = written.readAll();
    }
    lock = pid + lock.mid(lock.indexOf('\n'));
    QFile left(lockPath);
    EXPECT_TRUE(left.open(QIODevice::WriteOnly));
    left.write(lock);
    fs::last_write_time(file, fs::file_time_type::clock::now() - std::chrono::minutes(ageMinutes));
    return file;
}

std::string cutText(const std::string& example, std::size_t sides) {
    ObservationValues values = *readObservationFile(examplePath(example).string()).values;
    values.sides.resize(sides);
    std::string error;
    return *kestrane::observationText(values, error);
}

// The questions asked while the window offers what is left in its recovery
// folder, each answered from `answers` (是 / 否, 是 by default); at the first
// value prompt of a continued file, what the window's own recovery file holds.
struct Offers {
    std::deque<QMessageBox::StandardButton> answers;
    std::vector<QString> asked;
    Answers rest;  // the prompts after a continued file
    std::optional<ObservationValues> keptAtFirstPrompt;
};

void offer(Form1& form, Offers& offers) {
    DialogDriver driver([&](QWidget* d) {
        if (auto* box = qobject_cast<QMessageBox*>(d); box && box->objectName() != "giveUp") {
            offers.asked.push_back(box->text());
            EXPECT_EQ(box->defaultButton(), box->button(QMessageBox::Yes));
            press(box, offers.answers.empty() ? QMessageBox::No : offers.answers.front());
            if (!offers.answers.empty()) offers.answers.pop_front();
        } else {
            if (offers.rest.prompts.empty() && qobject_cast<QInputDialog*>(d)) {
                offers.keptAtFirstPrompt = readObservationFile(form.recoveryFile().path().toStdString()).values;
            }
            offers.rest.handle(d);
        }
    });
    form.offerRecovery();
}

}  // namespace

// The menu bar above the form and the status bar under it: no control of
// the form reaches into the bands they take, and the form keeps its size.
TEST(WindowFiles, MenuBarAndStatusBarFrameTheFormAndLeaveItsLayout) {
    Form1 form;
    form.show();
    const QSize before = form.size();
    auto* bar = form.findChild<QMenuBar*>("menuBar");
    auto* status = form.findChild<QStatusBar*>("statusBar");
    ASSERT_NE(bar, nullptr);
    ASSERT_NE(status, nullptr);
    EXPECT_TRUE(bar->isVisible());
    EXPECT_TRUE(status->isVisible());
    EXPECT_EQ(bar->geometry().top(), 0);
    EXPECT_GE(bar->height(), bar->fontMetrics().height());
    EXPECT_EQ(bar->geometry().width(), form.width());
    EXPECT_EQ(status->geometry().bottom(), form.rect().bottom());
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (!child->isVisible()) continue;
        const std::string name = child->objectName().toStdString();
        if (child != bar) {
            EXPECT_GE(child->geometry().top(), bar->geometry().bottom()) << name;
        }
        if (child != status) {
            EXPECT_LE(child->geometry().bottom(), status->geometry().top()) << name;
        }
    }
    EXPECT_EQ(form.size(), before);
    EXPECT_EQ(form.parentWidget(), nullptr);

    std::map<QString, QString> shortcuts;
    for (QAction* menu : bar->actions()) {
        for (QAction* action : menu->menu()->actions()) shortcuts[action->text()] = action->shortcut().toString();
    }
    EXPECT_EQ(shortcuts["打开观测数据(&O)…"], "Ctrl+O");
    EXPECT_EQ(shortcuts["观测数据(&D)…"], "Ctrl+E");
    EXPECT_EQ(shortcuts["保存观测数据(&S)…"], "Ctrl+S");
    EXPECT_EQ(shortcuts["打印(&P)…"], "Ctrl+P");
    EXPECT_EQ(shortcuts["退出(&X)"], "Ctrl+Q");
    for (const char* entry : {"导出结果 (CSV)(&E)…", "打开示例", "点位精度表(&T)", "网图(&N)", "使用说明(&G)", "关于"}) {
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
        // As the console leaves them: the last text of every field in its transcript.
        auto expected = fieldTexts(form);
        int dialogs = 0;
        closingDialogs([&] { EXPECT_TRUE(form.openObservationFile(exampleFile(name))); }, &dialogs);
        EXPECT_EQ(dialogs, 0) << name;
        EXPECT_TRUE(form.state().complete) << name;
        for (const TranscriptEvent& e : readTranscript(goldenDir() / (std::string(name) + ".transcript.jsonl"))) {
            if (e.event == "text") expected[e.name] = e.value;
        }
        EXPECT_EQ(fieldTexts(form), expected) << name;
    }
}

TEST(WindowFiles, RefusedFileChangesNothing) {
    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(exampleFile("awithc-n4")));
    const auto before = fieldTexts(form);
    const auto bad = scratchFile("bad.kestrane.toml");
    std::ofstream(bad) << "triangles = 3\ntolerence = 1\n";
    const auto messages = closingDialogs([&] { EXPECT_FALSE(form.openObservationFile(QString::fromStdString(bad.string()))); });
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find("第 2 行，键 tolerence"), std::string::npos) << messages.back();
    EXPECT_EQ(fieldTexts(form), before);
    EXPECT_TRUE(form.state().complete);
}

// A file from a Chinese Windows editor (GB18030) runs as its UTF-8 original
// and says so in the status bar; the next UTF-8 file clears it.
TEST(WindowFiles, Gb18030FileIsToldInTheStatusBar) {
    std::string utf8 = readFile(examplePath("aonly-n8-town"));
    std::string gb(utf8.size() * 2, '\0');
    const iconv_t cd = iconv_open("GB18030", "UTF-8");
    char* from = utf8.data();
    std::size_t fromLeft = utf8.size();
    char* to = gb.data();
    std::size_t toLeft = gb.size();
    ASSERT_NE(iconv(cd, &from, &fromLeft, &to, &toLeft), static_cast<std::size_t>(-1));
    iconv_close(cd);
    gb.resize(gb.size() - toLeft);
    const auto gbFile = scratchFile("town-gb.kestrane.toml");
    std::ofstream(gbFile, std::ios::binary) << gb;

    Form1 form;
    form.show();
    auto* status = form.findChild<QStatusBar*>("statusBar");
    ASSERT_NE(status, nullptr);
    ASSERT_TRUE(form.openObservationFile(exampleFile("aonly-n8-town")));
    const auto typed = fieldTexts(form);
    EXPECT_EQ(status->currentMessage(), "");
    ASSERT_TRUE(form.openObservationFile(QString::fromStdString(gbFile.string())));
    EXPECT_EQ(fieldTexts(form), typed);
    EXPECT_TRUE(status->currentMessage().contains("GB18030")) << status->currentMessage().toStdString();
    EXPECT_TRUE(status->currentMessage().contains("town-gb.kestrane.toml"));
    ASSERT_TRUE(form.openObservationFile(exampleFile("awithc-n4")));
    EXPECT_EQ(status->currentMessage(), "");
}

// Cancel at a value prompt, 保存并放弃, then the saved file opened later
// continues where it stopped: the same results as typing everything.
TEST(WindowFiles, SaveAndGiveUpThenContinue) {
    const auto values = *readObservationFile(examplePath("awithb-n5").string()).values;
    const std::vector<std::string> all = typedAnswers(values);
    const long stop = 2 + 8 + 6 * 2 + 7 * 2;  // n, tolerance, A and B, names, seven angles
    const auto saved = scratchFile("partial.kestrane.toml");

    Form1 form;
    form.setRecoveryFolder(QString::fromStdString(scratchFile("recovery").string()));
    form.show();
    Answers first{.answers = {all.begin(), all.begin() + stop}, .giveUp = QMessageBox::Save, .file = saved};
    first.answers.emplace_back(std::nullopt);  // Cancel at the next angle
    clickWith(form, "Command1", first);
    EXPECT_FALSE(form.state().complete);
    EXPECT_FALSE(std::filesystem::exists(form.recoveryFile().path().toStdString()));  // given up: no recovery
    const auto partial = readObservationFile(saved.string());
    ASSERT_TRUE(partial.values) << partial.message;
    EXPECT_EQ(typedAnswers(*partial.values), std::vector<std::string>(all.begin(), all.begin() + stop));

    // Opened again: the rest is typed in the dialogs.
    const Answers rest = answering({.answers = {all.begin() + stop, all.end()}},
                                   [&] { EXPECT_TRUE(form.openObservationFile(QString::fromStdString(saved.string()))); });
    EXPECT_TRUE(form.state().complete);
    EXPECT_EQ(rest.prompts.size(), all.size() - stop);
    EXPECT_EQ(form.record().values(), values);
    Form1 typed;
    typed.show();
    ASSERT_TRUE(typed.openObservationFile(exampleFile("awithb-n5")));
    EXPECT_EQ(fieldTexts(form), fieldTexts(typed));
}

// A running window's file is never offered; 否 deletes a file, one that
// cannot be read goes without a question, several are offered newest first
// until one is continued, which the window then keeps in its own file.
TEST(WindowFiles, RecoveryOfLeftoverFiles) {
    const fs::path folder = scratchFile("leftovers");
    const QString folderText = QString::fromStdString(folder.string());
    {
        RecoveryFile running(folderText);
        ASSERT_TRUE(running.write(*readObservationFile(examplePath("aonly-n3").string()).values));
        Form1 form;
        form.setRecoveryFolder(folderText);
        Offers none;
        offer(form, none);
        EXPECT_TRUE(none.asked.empty());
        EXPECT_TRUE(fs::exists(running.path().toStdString()));
    }
    EXPECT_TRUE(fs::is_empty(folder));

    const fs::path declined = leaveBehind(folder, "declined", cutText("awithc-n4", 3), 1);
    const fs::path resumed = leaveBehind(folder, "resumed", cutText("aonly-n3", 2), 2);
    const fs::path unreadable = leaveBehind(folder, "unreadable", "triangles = = 3\n", 0);
    const fs::path untouched = leaveBehind(folder, "older", cutText("awithb-n5", 1), 3);
    Form1 form;
    form.setRecoveryFolder(folderText);
    form.show();
    Offers offers;
    offers.answers = {QMessageBox::No, QMessageBox::Yes};
    const auto values = *readObservationFile(examplePath("aonly-n3").string()).values;
    const std::vector<std::string> all = typedAnswers(values);
    ObservationValues cut = values;
    cut.sides.resize(2);
    for (std::size_t i = typedAnswers(cut).size(); i < all.size(); ++i) offers.rest.answers.emplace_back(all[i]);
    offer(form, offers);
    EXPECT_EQ(offers.asked.size(), 2u);
    for (std::size_t i = 0; i < offers.asked.size() && i < 2; ++i) {
        EXPECT_NE(offers.asked[i].indexOf(i == 0 ? "4 个三角形" : "3 个三角形"), -1) << offers.asked[i].toStdString();
    }
    EXPECT_EQ(offers.keptAtFirstPrompt, cut);  // kept by the window while it waits
    EXPECT_TRUE(form.state().complete);
    EXPECT_EQ(form.record().values(), values);
    EXPECT_FALSE(fs::exists(form.recoveryFile().path().toStdString()));
    for (const fs::path& gone : {declined, resumed, unreadable}) {
        EXPECT_FALSE(fs::exists(gone)) << gone;
        EXPECT_FALSE(fs::exists(gone.string() + ".lock")) << gone;
    }
    // The file older than the one continued waits for the next start.
    EXPECT_TRUE(fs::exists(untouched));
    EXPECT_EQ(RecoveryFile::orphans(folderText).size(), 1u);
}

// Saving over an older file on a disk that refuses the rename: the window
// says so, naming the file, and the older file is as it was.
TEST(WindowFiles, AFailedSaveIsReportedAndKeepsTheOldFile) {
    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(exampleFile("awithc-n4")));
    const fs::path target = scratchFile("older.kestrane.toml");
    std::ofstream(target) << "# an earlier file\n";
    setRenameCallForTesting([](const char*, const char*) {
        errno = EIO;
        return -1;
    });
    const auto messages = savingTo(target, [&] { form.saveObservations(); });
    setRenameCallForTesting(nullptr);
    ASSERT_FALSE(messages.empty());
    EXPECT_NE(messages.back().find(target.string()), std::string::npos) << messages.back();
    EXPECT_EQ(readFile(target), "# an earlier file\n");
    std::vector<fs::path> left;
    for (const auto& entry : fs::directory_iterator(target.parent_path())) {
        if (entry.path().filename().string().starts_with("." + target.filename().string())) left.push_back(entry.path());
    }
    EXPECT_TRUE(left.empty());
}

TEST(WindowFiles, ResultsTableAndViewsOfTheLastComputation) {
    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(exampleFile("awithc-n7-hill")));
    const auto csv = scratchFile("results.csv");
    answering({.file = csv}, [&] { form.exportResults(); });
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
    const auto folder = kestrane::testing::freshFolder("refusal");
    // Named .svg so that the picture's export would take it.
    const auto observations = folder / "net.svg";
    std::filesystem::copy_file(examplePath("awithc-n7-hill"), observations);
    std::filesystem::create_symlink("net.svg", folder / "link.csv");
    const auto saved = folder / "saved.kestrane.toml";

    Form1 form;
    form.show();
    ASSERT_TRUE(form.openObservationFile(QString::fromStdString(observations.string())));
    auto exportPicture = [&form] {
        form.showNetworkPicture();
        auto* window = form.findChild<NetworkPictureWindow*>();
        ASSERT_NE(window, nullptr);
        window->exportWithDialog();
    };
    // What is saved, the file chosen, the command, whether it is refused.
    const std::vector<std::tuple<const char*, fs::path, std::function<void()>, bool>> cases = {
        {"CSV through a symlink", folder / "link.csv", [&] { form.exportResults(); }, true},
        {"CSV through another spelling", folder / "." / ".." / folder.filename() / "net.svg", [&] { form.exportResults(); }, true},
        {"picture export", observations, exportPicture, true},
        {"another CSV is written", folder / "results.csv", [&] { form.exportResults(); }, false},
        // The observation file saved last is the one refused now.
        {"saving the observations", saved, [&] { form.saveObservations(); }, false},
        {"CSV on the saved file", saved, [&] { form.exportResults(); }, true},
        {"quality check PDF on the saved file", saved, [&] { form.printQualityCheck(); }, true},
        {"picture on the opened file once another was saved", observations, exportPicture, false},
    };
    for (const auto& [what, chosen, command, refused] : cases) {
        SCOPED_TRACE(what);
        const std::string before = std::filesystem::exists(chosen) ? readFile(chosen) : "";
        const auto messages = savingTo(chosen, command);
        const auto refusals = std::count_if(messages.begin(), messages.end(),
                                            [](const std::string& m) { return m.find("观测数据文件") != std::string::npos; });
        EXPECT_EQ(refusals == 1, refused) << ::testing::PrintToString(messages);
        if (refused) {
            EXPECT_EQ(readFile(chosen), before);
        } else {
            EXPECT_NE(readFile(chosen), before);
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
    // The database every desktop's lookup reads: the glob, weighted above the
    // plain *.toml of application/toml (50), and the parent type. (Qt's own
    // lookup keeps the databases of its first one for seconds, so it would
    // answer from those of an earlier test in this process.)
    const std::string globs = readFile(share / "mime" / "globs2");
    EXPECT_NE(globs.find("\n60:application/x-kestrane+toml:*.kestrane.toml\n"), std::string::npos) << globs;
    const std::string parents = readFile(share / "mime" / "subclasses");
    EXPECT_NE(parents.find("application/x-kestrane+toml application/toml\n"), std::string::npos) << parents;
}
