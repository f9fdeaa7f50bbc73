// Work on large networks in the background (the threshold lowered so that
// small examples take that path): a recomputation from the editor gives the
// form the same texts as one run at once, a new edit replaces the work, 取消
// leaves the last results; and the precision table's marker line names the
// form's weakest point beside the point with the largest mp.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QThreadPool>

#include <fstream>
#include <map>
#include <tuple>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/ObservationEditor.h"
#include "frontends/qt/PrecisionTableWindow.h"
#include "frontends/qt/QualityWindow.h"
#include "adjustment/QualityCheck.h"
#include "adjustment/PointPrecision.h"
#include "results/PrecisionTable.h"

namespace {

using namespace kestrane;
using namespace kestrane::test;

// Every piece of work ended and its results taken.
void settle() {
    QThreadPool::globalInstance()->waitForDone();
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

using Texts = std::map<std::string, std::string>;

struct Threshold {
    explicit Threshold(int n) : before(Form1::backgroundThreshold()) { Form1::setBackgroundThreshold(n); }
    ~Threshold() { Form1::setBackgroundThreshold(before); }
    int before;
};

// Opens an example and recomputes it from the editor after each edit of the
// first side (its value plus the millimetres given); cancels the work when
// asked. Returns the field texts once every piece of work has ended.
Texts editAndRecompute(Form1& form, const std::string& example, const std::vector<int>& edits, bool cancel,
                       Texts* opened = nullptr) {
    form.setRecoveryFolder(QString::fromStdString(scratchFolder().string()));
    EXPECT_TRUE(form.openObservationFile(exampleFile(example)));
    // A large file is computed in the background too.
    EXPECT_EQ(form.working(), Form1::backgroundThreshold() < 10) << example;
    settle();
    if (opened) *opened = fieldTexts(form);
    form.showObservationEditor();
    auto* editor = form.findChild<ObservationEditor*>();
    const CellRef side{EditorGroup::Sides, 0};
    const double first = editor->document().text(side).toDouble();
    for (const int mm : edits) {
        EXPECT_TRUE(editor->edit(side, QString::number(first + mm / 1000.0, 'f', 4)));
        editor->recompute();
    }
    if (cancel) form.cancelWork();
    const bool working = Form1::backgroundThreshold() < 10 && !cancel;
    EXPECT_EQ(form.working(), working) << example;
    // The busy indicator with its 取消 while the work runs.
    if (auto* busy = form.findChild<QWidget*>(QStringLiteral("busyIndicator"))) {
        EXPECT_EQ(!busy->isHidden(), working);
        EXPECT_EQ(busy->findChild<QPushButton*>(QStringLiteral("cancelWorkButton"))->text(), QStringLiteral("取消"));
    } else {
        EXPECT_FALSE(working);
    }
    settle();
    EXPECT_FALSE(form.working());
    if (auto* busy = form.findChild<QWidget*>(QStringLiteral("busyIndicator"))) {
        EXPECT_TRUE(busy->isHidden());
    }
    return fieldTexts(form);
}

TEST(BackgroundWork, RecomputesAsAtOnceRestartsOnEditCancelsWithoutTraceAndFillsTheViews) {
    // The example, the millimetres added to s(1) (one recomputation each), whether the work is cancelled.
    const std::tuple<std::string, std::vector<int>, bool> cases[] = {
        {"awithc-n7-hill", {12}, false}, {"aonly-n9", {-7, 25}, false}, {"awithb-n12-valley", {3, 5, 9}, false},
        {"awithb-n5", {40}, true},       {"aonly-n8-town", {4, -4}, true}};
    for (const auto& [example, edits, cancel] : cases) {
        SCOPED_TRACE(example);
        Form1 atOnce;
        Texts opened;
        const auto expected = editAndRecompute(atOnce, example, edits, false, &opened);
        ASSERT_NE(expected, opened);  // the edit changes the results

        const Threshold low(2);
        Form1 form;
        Texts openedInBackground;
        const auto texts = editAndRecompute(form, example, edits, cancel, &openedInBackground);
        EXPECT_EQ(openedInBackground, opened);
        EXPECT_EQ(texts, cancel ? opened : expected);
        EXPECT_TRUE(form.state().complete);
        EXPECT_EQ(form.record().values() == atOnce.record().values(), !cancel);
        // The next computation of the window still runs: the editor's
        // values once more, the result the same as at once.
        if (cancel) {
            form.findChild<ObservationEditor*>()->recompute();
            settle();
            EXPECT_EQ(fieldTexts(form), expected);
            continue;
        }
        // The table and the check wait for their work; the table then holds
        // the rows of the computation as it stands.
        form.showPrecisionTable();
        form.showQualityCheck();
        EXPECT_TRUE(form.working());
        EXPECT_EQ(form.findChild<PrecisionTableWindow*>(), nullptr);
        settle();
        auto* table = form.findChild<PrecisionTableWindow*>();
        ASSERT_NE(table, nullptr);
        const auto rows = precisionTableRows(atOnce.state(), computePointPrecision(atOnce.state()));
        ASSERT_EQ(table->table()->model()->rowCount(), static_cast<int>(rows.size()));
        for (int r = 0; r < static_cast<int>(rows.size()); ++r) {
            QStringList row;
            for (const std::string& text : rows[static_cast<std::size_t>(r)]) row << QString::fromStdString(text);
            EXPECT_EQ(table->rowTexts(r), row) << r;
        }
        auto* check = form.findChild<QualityWindow*>();
        ASSERT_NE(check, nullptr);
        const QualityWindow atOnceCheck(checkQuality(atOnce.state()));
        for (auto table : {&QualityWindow::conditionTable, &QualityWindow::observationTable, &QualityWindow::sideTable}) {
            ASSERT_EQ((check->*table)()->rowCount(), (atOnceCheck.*table)()->rowCount());
            for (int r = 0; r < (check->*table)()->rowCount(); ++r)
                EXPECT_EQ((check->*table)()->rowTexts(r), (atOnceCheck.*table)()->rowTexts(r)) << r;
        }
    }
}

// A file read in the background is refused, continued with the prompts or
// computed exactly as one read at once: the same messages, prompts and
// fields. Its opening cancelled, the window is as it was.
TEST(BackgroundWork, FilesReadInTheBackgroundAreToldAndContinuedAsAtOnce) {
    const std::string town = readFile(examplePath("aonly-n8-town"));
    const auto edited = [&town](const std::string& from, const std::string& to) {
        std::string text = town;
        text.replace(text.find(from), from.size(), to);
        return text;
    };
    struct Case {
        std::string name, text;
        std::deque<std::optional<std::string>> answers;
        bool cancel = false;
    };
    std::deque<std::optional<std::string>> lastSides{"680.0155", "", "555.6098", ""};
    lastSides.insert(lastSides.end(), 40, std::string());  // the pauses of the results
    std::map<std::string, Texts> fields;
    for (const Case& c : {Case{"refused", edited("triangles = 8", "triangles == 8"), {}},
                          Case{"unfinished", edited(", 680.0155, 555.6098]", "]"), lastSides},
                          Case{"complete", town, {}}, Case{"cancelled", town, {}, true}}) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path file = scratchFile(c.name + ".kestrane.toml");
        std::ofstream(file, std::ios::binary) << c.text;
        auto open = [&](int threshold) {
            const Threshold chosen(threshold);
            Form1 form;
            form.setRecoveryFolder(QString::fromStdString(scratchFolder().string()));
            ScriptedDialogs dialogs;
            dialogs.answers = c.answers;
            const DialogDriver driver([&dialogs](QWidget* d) { dialogs.handle(d); });
            form.openObservationFile(QString::fromStdString(file.string()));
            EXPECT_EQ(form.working(), threshold < 10);
            if (c.cancel) form.cancelWork();
            settle();
            return std::tuple(dialogs.messages, dialogs.prompts, fieldTexts(form), form.documentFile());
        };
        const auto atOnce = c.cancel ? std::tuple(std::vector<std::string>(), std::vector<std::string>(), fieldTexts(Form1()), QString())
                                     : open(Form1::backgroundThreshold());
        EXPECT_EQ(open(2), atOnce);
        EXPECT_EQ(std::get<0>(atOnce).empty(), c.name != "refused");
        EXPECT_EQ(std::get<1>(atOnce).empty(), c.name != "unfinished");
        fields[c.name] = std::get<2>(atOnce);
    }
    EXPECT_EQ(fields["unfinished"], fields["complete"]);
}

TEST(BackgroundWork, MarkerLineNamesTheWeakestPointAndTheLargestMp) {
    // n, the known points, the marker line's first part (B is named Z).
    for (const auto& [n, known, weakest] : {std::tuple{9, KnownPointCase::AOnly, "最弱点: P5 (外点 5)"},
                                            std::tuple{6, KnownPointCase::AWithC, "最弱点: P3 (外点 3)"},
                                            std::tuple{5, KnownPointCase::AWithB, "最弱点: P3 (外点 3)"},
                                            std::tuple{3, KnownPointCase::AWithB, "最弱点: Z (外点 2，即已知点 B)"}}) {
        SCOPED_TRACE(n);
        const AdjustmentState s = fixture::completedState(fixture::randomNetwork(n, known, 7));
        ASSERT_TRUE(s.complete);
        PrecisionTableWindow table(s);
        const int marked = table.markedRow();
        ASSERT_GE(marked, 0);
        const QString text = table.findChild<QLabel*>(QStringLiteral("markedPointNote"))->text();
        EXPECT_EQ(text, QStringLiteral("▶ ") + QString::fromUtf8(weakest) +
                            QStringLiteral("；点位中误差最大的点: %1 (mp = %2 毫米)")
                                .arg(table.rowTexts(marked)[0], table.rowTexts(marked)[7]));
    }
}

}  // namespace
