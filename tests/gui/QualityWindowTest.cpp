// The quality check in the window: 查看 → 质量检核 on networks with planted
// blunders (verdict, flagged rows, sorting, copying, keys), the marks on the
// network picture and the console's plot, the printed check as a PDF file,
// and 计算 → 平差设置… (its fields, recomputing, saving the settings).
#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QImage>
#include <QPainter>
#include <QLabel>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QThreadPool>

#include <algorithm>
#include <fstream>
#include <set>
#include <sstream>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "adjustment/QualityCheck.h"
#include "files/ObservationFile.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/NetworkPictureWindow.h"
#include "frontends/qt/QtFrontEnd.h"
#include "frontends/qt/QualityWindow.h"
#include "frontends/qt/SettingsDialog.h"

namespace {

using namespace kestrane;
using namespace kestrane::test;

// The town network with one value typed differently (a planted blunder), as
// a file of the test's own.
std::filesystem::path plantedFile(const std::string& from, const std::string& to, const std::string& suffix) {
    std::string text = readFile(examplePath("aonly-n8-town"));
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    const auto path = scratchFile(suffix);
    std::ofstream(path) << text;
    return path;
}

// The first column of the flagged rows of a table, in the view's order.
std::set<std::string> flaggedNames(const QualityTable& table) {
    std::set<std::string> names;
    for (int r = 0; r < table.rowCount(); ++r) {
        if (table.rowFlagged(r)) names.insert(table.rowTexts(r)[0].toStdString());
    }
    return names;
}

// Opens the file in a form, no dialog expected; the form is shown.
void openFile(Form1& form, const std::filesystem::path& file) {
    form.show();
    int dialogs = 0;
    bool opened = false;
    closingDialogs([&] { opened = form.openObservationFile(QString::fromStdString(file.string())); }, &dialogs);
    ASSERT_TRUE(opened);
    ASSERT_TRUE(form.state().complete);
    EXPECT_EQ(dialogs, 0);
}

std::string exportedSvg(const NetworkPictureWindow& window) {
    const auto path = scratchFile("picture.svg");
    QString error;
    EXPECT_TRUE(window.exportTo(QString::fromStdString(path.string()), &error)) << error.toStdString();
    return readFile(path);
}

// Draws the window's picture into an image: the middle of each outer side is
// red only for a suspect side, the inside of each triangle light red only for
// a marked one, so the marks stand where the sides and triangles are on the
// ground.
void expectMarksOnTheGround(const AdjustmentState& s, const NetworkPictureWindow& window,
                            const std::vector<int>& redSides, const std::vector<int>& shaded) {
    QImage image(1600, 1200, QImage::Format_RGB32);
    const QRectF target(image.rect());
    const PictureView view = window.picture().fitView(target);
    {
        QPainter painter(&image);
        window.picture().paint(painter, target, view);
    }
    // Northing up, easting to the right, about the middle of the target.
    auto pixel = [&](double x, double y) {
        return QPointF(target.center().x() + (y - view.centreY) * view.pixelsPerMetre,
                       target.center().y() - (x - view.centreX) * view.pixelsPerMetre);
    };
    // Outer point j of the chain (0 and 8 are A), the centre is row 8.
    auto outer = [&](int j) { return j == 8 ? pixel(s.pointX[0], s.pointY[0]) : pixel(s.pointX[j], s.pointY[j]); };
    const QPointF centre = pixel(s.pointX[8], s.pointY[8]);
    auto colourAt = [&](const QPointF& p) { return QColor(image.pixel(p.toPoint())); };
    for (int i = 1; i <= 8; ++i) {
        const QColor side = colourAt((outer(i - 1) + outer(i)) / 2);
        const bool red = side.red() > 200 && side.green() < 40 && side.blue() < 40;
        EXPECT_EQ(red, std::ranges::count(redSides, 2 * i) > 0) << "s(" << 2 * i << ")";
        const QColor inside = colourAt((centre + outer(i - 1) + outer(i)) / 3);
        const bool marked = std::ranges::count(shaded, i) > 0;
        EXPECT_EQ(inside, marked ? QColor(255, 208, 208) : QColor(Qt::white)) << "triangle " << i;
    }
}

// Whether an SVG picture has the stroke of a suspect side, and the fill of a
// marked triangle.
std::pair<bool, bool> svgMarks(const std::string& svg) {
    return {svg.find("stroke=\"#e60000\"") != std::string::npos, svg.find("fill=\"#ffd0d0\"") != std::string::npos};
}

// A network opened from its file, the observation with its planted blunder
// (or none), and what the check must flag and mark for it.
struct Planted {
    const char* what;
    std::filesystem::path file;
    std::string planted;                  // the observation with the blunder, or none
    std::set<std::string> conditions;     // flagged conditions that the blunder must give
    std::vector<int> redSides, shaded;    // the suspect sides s(2i) and marked triangles i
};

void expectCheckShown(const Planted& c) {
    Form1 form;
    openFile(form, c.file);
    // The picture before the check: nothing marked, nothing computed.
    form.showNetworkPicture();
    auto* picture = form.findChild<NetworkPictureWindow*>("networkPictureWindow");
    ASSERT_NE(picture, nullptr);
    EXPECT_FALSE(picture->picture().hasQuality());
    EXPECT_EQ(form.qualityCheck(), nullptr);
    EXPECT_EQ(svgMarks(exportedSvg(*picture)), std::pair(false, false));

    form.showQualityCheck();
    auto* window = form.findChild<QualityWindow*>("qualityWindow");
    ASSERT_NE(window, nullptr);
    ASSERT_NE(form.qualityCheck(), nullptr);
    const QualityCheck& check = *form.qualityCheck();
    const std::string verdict = window->verdictText().toStdString();
    const QColor verdictColour = window->findChild<QLabel*>("qualityVerdict")->palette().color(QPalette::WindowText);
    if (c.planted.empty()) {
        EXPECT_EQ(verdict, "检核通过");
        EXPECT_FALSE(window->verdictFlagged());
        EXPECT_LT(verdictColour.red(), 128);
    } else {
        EXPECT_EQ(verdict.rfind("检核未通过：" + std::to_string(check.flagCount()) + " 项", 0), 0u) << verdict;
        EXPECT_NE(verdict.find("最大 |w| 为 " + c.planted), std::string::npos) << verdict;
        EXPECT_NE(verdict.find("每次只剔除"), std::string::npos) << verdict;
        EXPECT_TRUE(window->verdictFlagged());
        EXPECT_GT(verdictColour.red(), 150);
        EXPECT_LT(verdictColour.green(), 60);
    }
    const QStringList lines = window->summaryLines();
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("全局检验 (χ²")));
    EXPECT_TRUE(lines.join('\n').contains(QStringLiteral("菲列罗公式 mβ")));

    // Every table holds the check's rows; its flagged rows are the
    // check's flagged items, the planted ones among them.
    std::set<std::string> conditions, observations;
    std::vector<int> suspectSides;
    for (const ConditionCheck& k : check.conditions) if (k.flag) conditions.insert(k.name);
    for (const ObservationCheck& o : check.observations) {
        if (o.blunder || o.weak) observations.insert(o.name);
        if (o.blunder && o.side) suspectSides.push_back(o.side);
    }
    ASSERT_EQ(window->conditionTable()->rowCount(), 25);
    ASSERT_EQ(window->observationTable()->rowCount(), 24 + 16);
    EXPECT_EQ(window->sideTable()->rowCount(), 16);
    EXPECT_EQ(window->pointTable()->rowCount(), 10);
    EXPECT_EQ(flaggedNames(*window->conditionTable()), conditions);
    EXPECT_EQ(flaggedNames(*window->observationTable()), observations);
    for (const std::string& name : c.conditions) EXPECT_TRUE(conditions.count(name)) << name;
    if (!c.planted.empty()) {
        EXPECT_TRUE(observations.count(c.planted));
        ASSERT_TRUE(check.largestW);
        EXPECT_EQ(check.observations[*check.largestW].name, c.planted);
    }
    if (c.planted == "b(3)") {
        EXPECT_EQ(conditions, c.conditions);
        EXPECT_EQ(observations, std::set<std::string>{"b(3)"});
    }

    // The picture window already open takes the marks of the check.
    const NetworkPicture& drawn = picture->picture();
    EXPECT_TRUE(drawn.hasQuality());
    EXPECT_EQ(drawn.redSides(), suspectSides);
    std::vector<int> shaded;
    const std::vector<bool> marked = check.markedTriangles(8);
    for (int i = 1; i <= 8; ++i) if (marked[static_cast<std::size_t>(i)]) shaded.push_back(i);
    EXPECT_EQ(drawn.shadedTriangles(), shaded);
    EXPECT_EQ(shaded, c.shaded);
    EXPECT_EQ(suspectSides, c.redSides);
    EXPECT_EQ(svgMarks(exportedSvg(*picture)), std::pair(!suspectSides.empty(), !shaded.empty()));
    // A picture opened afterwards has them too.
    picture->close();
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    form.showNetworkPicture();
    picture = form.findChild<NetworkPictureWindow*>("networkPictureWindow");
    ASSERT_NE(picture, nullptr);
    EXPECT_EQ(picture->picture().shadedTriangles(), shaded);
    expectMarksOnTheGround(form.state(), *picture, c.redSides, c.shaded);
}

// Planted blunders and none: the verdict, the flagged rows of every table
// against the check, and the picture's marks (none before the check), drawn
// on the sides and triangles they belong to.
TEST(QualityWindow, ShowsTheCheckOfPlantedBlundersAndMarksThePicture) {
    const Planted cases[] = {
        {"blunder example", examplePath("aonly-n8-blunder"), "b(3)", {"T3"}, {}, {3}},
        {"side 0.2 m long", plantedFile("478.8041", "479.0041", "side.kestrane.toml"), "s(4)", {"S2.2"}, {4}, {2}},
        {"no blunder", examplePath("aonly-n8-town"), "", {}, {}, {}},
    };
    for (const Planted& c : cases) {
        SCOPED_TRACE(c.what);
        expectCheckShown(c);
    }
}

// A singular rigorous reduction: the window shows its message and nothing
// else; the picture takes no marks from it.
TEST(QualityWindow, ShowsOnlyTheMessageOfASingularCheck) {
    QualityCheck check;
    check.error = kSingularRigorous;
    check.conditions.push_back({"T1", 1, false, 99, 1, 2, true});  // left over: never shown
    QualityWindow window(check);
    EXPECT_EQ(window.verdictText().toStdString(), kSingularRigorous);
    EXPECT_FALSE(window.verdictFlagged());
    EXPECT_EQ(window.summaryLines().size(), 1);
    EXPECT_EQ(window.conditionTable(), nullptr);
    EXPECT_EQ(window.findChildren<QTableView*>().size(), 0);

    Form1 form;
    openFile(form, examplePath("aonly-n8-blunder"));
    form.showNetworkPicture();
    auto* picture = form.findChild<NetworkPictureWindow*>("networkPictureWindow");
    ASSERT_NE(picture, nullptr);
    picture->setQuality(&check);
    EXPECT_FALSE(picture->picture().hasQuality());
    EXPECT_TRUE(picture->picture().shadedTriangles().empty());
}

// Ctrl+C copies the selection as tab-separated lines; a flagged row
// double-clicked names its observation; sorting by any figure orders the rows
// by its value, the name column gives the check's order back; Esc and Ctrl+W
// close the window.
TEST(QualityWindow, CopiesActivatesSortsAndClosesByKeys) {
    Form1 form;
    openFile(form, examplePath("aonly-n8-blunder"));
    form.showQualityCheck();
    QPointer<QualityWindow> window = form.findChild<QualityWindow*>("qualityWindow");
    ASSERT_TRUE(window);
    QApplication::setActiveWindow(window);
    QualityTable* table = window->conditionTable();
    window->tabs()->setCurrentWidget(table);
    table->setFocus();
    table->selectAll();
    QApplication::clipboard()->clear();
    QTest::keyClick(table, Qt::Key_C, Qt::ControlModifier);
    const QStringList lines = QApplication::clipboard()->text().split('\n', Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), table->rowCount());
    for (int r = 0; r < lines.size(); ++r) EXPECT_EQ(lines[r], table->rowTexts(r).join('\t')) << r;
    // A block: only its cells.
    table->clearSelection();
    table->selectionModel()->select(QItemSelection(table->model()->index(2, 1), table->model()->index(3, 3)),
                                    QItemSelectionModel::Select);
    EXPECT_EQ(table->selectionText(),
              table->rowTexts(2).mid(1, 3).join('\t') + "\n" + table->rowTexts(3).mid(1, 3).join('\t') + "\n");

    QSignalSpy activated(window.data(), &QualityWindow::observationActivated);
    QualityTable* observations = window->observationTable();
    for (int r = 0; r < observations->rowCount(); ++r) emit observations->doubleClicked(observations->model()->index(r, 0));
    ASSERT_EQ(activated.size(), 1);
    EXPECT_EQ(activated[0][0].toInt(), 8);  // b(3): the eighth angle

    auto value = [](const QString& text) {
        return text.startsWith("1/") ? 1.0 / text.mid(2).toDouble() : text.toDouble();
    };
    const struct {
        QualityTable* table;
        std::vector<int> columns;
        QString first;
    } tables[] = {
        {window->conditionTable(), {1, 3, 4}, "T1"},
        {window->observationTable(), {1, 3, 4, 5, 6}, "a(1)"},
        {window->sideTable(), {1, 2, 3}, "s(1)"},
        {window->pointTable(), {1, 2, 3, 4}, "基准点A"},
    };
    for (const auto& t : tables) {
        for (const int column : t.columns) {
            for (const Qt::SortOrder order : {Qt::AscendingOrder, Qt::DescendingOrder}) {
                t.table->sortByColumn(column, order);
                for (int r = 1; r < t.table->rowCount(); ++r) {
                    const double before = value(t.table->rowTexts(r - 1)[column]);
                    const double after = value(t.table->rowTexts(r)[column]);
                    if (order == Qt::AscendingOrder) EXPECT_LE(before, after) << t.table->objectName().toStdString() << column;
                    else EXPECT_GE(before, after) << t.table->objectName().toStdString() << column;
                }
            }
        }
        t.table->sortByColumn(0, Qt::AscendingOrder);
        EXPECT_EQ(t.table->rowTexts(0)[0], t.first) << t.table->objectName().toStdString();
    }
    // The most negative w first: the planted blunder, still marked.
    window->observationTable()->sortByColumn(4, Qt::AscendingOrder);
    EXPECT_EQ(window->observationTable()->rowTexts(0)[0], "b(3)");
    EXPECT_TRUE(window->observationTable()->rowFlagged(0));
    EXPECT_EQ(window->observationTable()->rowTexts(0)[7], "粗差嫌疑");

    for (const QKeyCombination keys : {QKeyCombination(Qt::Key_Escape), QKeyCombination(Qt::ControlModifier, Qt::Key_W)}) {
        form.showQualityCheck();
        window = form.findChild<QualityWindow*>("qualityWindow");
        ASSERT_TRUE(window);
        QApplication::setActiveWindow(window);
        QTest::keyClick(window->tabs()->currentWidget(), keys.key(), keys.keyboardModifiers());
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_FALSE(window) << QKeySequence(keys).toString().toStdString();
    }
}

// Before a completed computation the check, its print and the picture say
// so; nothing is computed.
TEST(QualityWindow, SaysSoWithoutACompletedComputation) {
    const struct {
        void (Form1::*command)();
        std::string message;
    } commands[] = {
        {&Form1::showQualityCheck, "没有可检核的结果：请先完成一次计算。"},
        {&Form1::printQualityCheck, "没有可打印的质量检核：请先完成一次计算。"},
    };
    for (const auto& c : commands) {
        SCOPED_TRACE(c.message);
        Form1 form;
        form.show();
        EXPECT_EQ(closingDialogs([&] { (form.*c.command)(); }), std::vector<std::string>{c.message});
        EXPECT_EQ(form.qualityCheck(), nullptr);
        EXPECT_EQ(form.findChild<QualityWindow*>(), nullptr);
    }
}

// No printer: the check is saved as a PDF file whose text holds the verdict
// and the flagged rows.
TEST(QualityWindow, SavesThePrintedCheckAsSearchablePdf) {
    Form1 form;
    openFile(form, examplePath("aonly-n8-blunder"));
    form.setPrinterCheck([] { return false; });
    const auto pdf = scratchFile("quality.pdf");
    std::vector<std::string> messages;
    {
        DialogDriver driver([&](QWidget* dialog) {
            if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                messages.push_back(box->text().toStdString());
                press(box, box->button(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok);
            } else if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                EXPECT_EQ(files->objectName(), "saveQualityPdf");
                choose(files, pdf);
            } else {
                dialog->close();
            }
        });
        form.printQualityCheck();
    }
    ASSERT_EQ(messages.size(), 2u);
    EXPECT_NE(messages[0].find("没有安装打印机"), std::string::npos);
    EXPECT_NE(messages[1].find("质量检核报告已保存为 PDF 文件"), std::string::npos);
    const std::string text = capture("pdftotext '" + pdf.string() + "' -");
    ASSERT_NE(form.qualityCheck(), nullptr);
    for (const char* expected :
         {"Kestrane 质量检核", "检核未通过：2 项超限或粗差嫌疑", "最大 |w| 为 b(3)", "粗差嫌疑", "超限", "菲列罗公式"}) {
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    }
}

// The console's plot marks the suspects only when --quality was given.
TEST(QualityWindow, ConsolePlotMarksSuspectsOnlyWithTheCheck) {
    const auto file = plantedFile("478.8041", "479.0041", "side.kestrane.toml");
    for (const bool quality : {false, true}) {
        ConsoleOptions options;
        options.inputPath = file.string();
        options.plotPath = scratchFile(quality ? "with.svg" : "without.svg").string();
        if (quality) options.qualityPath = scratchFile("quality.json").string();
        std::istringstream in;
        std::ostringstream out, err;
        EXPECT_EQ(runConsole(options, in, out, err, pdfWriter(), plotWriter()), kExitCompleted) << err.str();
        EXPECT_EQ(svgMarks(readFile(options.plotPath)), std::pair(quality, quality)) << "--quality given: " << quality;
    }
}

// The dialog's fields read as settings: a field left empty is a default
// not given; a malformed one is refused with its reason.
TEST(SettingsDialog, ReadsItsFieldsAsSettings) {
    const AprioriSettings none;
    AprioriSettings rigorous;
    rigorous.weighting = Weighting::Rigorous;
    const struct {
        SettingsForm form;
        AprioriSettings before;
        std::optional<AprioriSettings> expected;  // nothing: refused
    } cases[] = {
        {{false, "", false, "", ""}, none, none},
        {{true, "", false, "", ""}, none, rigorous},
        {{false, "", false, "", ""}, rigorous, AprioriSettings{Weighting::Classic, {}, {}}},
        {{false, " 2.5 ", false, "", ""}, none, AprioriSettings{{}, 2.5, {}}},
        {{false, "２．５", false, "", ""}, none, AprioriSettings{{}, 2.5, {}}},
        {{false, "0", false, "", ""}, none, std::nullopt},
        {{false, "-1", false, "", ""}, none, std::nullopt},
        {{false, "秒", false, "", ""}, none, std::nullopt},
        {{true, "", false, "3", "7"}, none, AprioriSettings{Weighting::Rigorous, {}, SideErrorModel{3, {}}}},
        {{false, "", false, "0", ""}, none, std::nullopt},
        {{false, "", true, "2", "2"}, none, AprioriSettings{{}, {}, SideErrorModel{2, 2.0}}},
        {{false, "", true, "0", "2"}, none, AprioriSettings{{}, {}, SideErrorModel{0, 2.0}}},
        {{false, "", true, "0", "0"}, none, std::nullopt},
        {{false, "", true, "-1", "2"}, none, std::nullopt},
        {{false, "", true, "2", ""}, none, std::nullopt},
        {{false, "", true, "", "2"}, none, std::nullopt},
        {{false, "", true, "", ""}, none, none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE((c.form.angle + "|" + c.form.mm + "|" + c.form.ppm).toStdString());
        QString error;
        const std::optional<AprioriSettings> read = readSettingsForm(c.form, c.before, &error);
        EXPECT_EQ(read, c.expected);
        EXPECT_EQ(error.isEmpty(), c.expected.has_value());
        // What is read shows again as the same settings.
        if (read) {
            EXPECT_EQ(readSettingsForm(settingsForm(*read), *read, nullptr), read);
        }
    }
}

// 严密定权 chosen in the dialog recomputes the opened network from its
// values (no prompt), and the saved file holds the setting; a malformed
// field keeps the dialog open.
TEST(SettingsDialog, RecomputesACompletedComputationAndSavesTheSetting) {
    Form1 form;
    openFile(form, examplePath("aonly-n8-blunder"));
    const auto classicFields = fieldTexts(form);
    const float classicMb = form.state().unitWeightError();
    form.showQualityCheck();
    std::vector<std::string> seen;
    {
        DialogDriver driver([&](QWidget* dialog) {
            seen.push_back(dialog->objectName().toStdString());
            auto* settings = qobject_cast<SettingsDialog*>(dialog);
            if (!settings) {
                dialog->close();
                return;
            }
            SettingsForm fields = settings->form();
            EXPECT_FALSE(fields.rigorous);
            fields.rigorous = true;
            fields.angle = "0";
            settings->setForm(fields);
            settings->accept();
            EXPECT_TRUE(settings->isVisible());
            EXPECT_FALSE(settings->errorText().isEmpty());
            fields.angle = "";
            settings->setForm(fields);
            settings->findChild<QComboBox*>("weightingBox")->setCurrentIndex(1);
            settings->accept();
        });
        form.showSettingsDialog();
    }
    EXPECT_EQ(seen, std::vector<std::string>{"settingsDialog"});  // no prompt: the values are replayed
    ASSERT_TRUE(form.state().complete);
    EXPECT_TRUE(form.settings().rigorous());
    EXPECT_TRUE(form.state().settings.rigorous());
    const float rigorousMb = form.state().unitWeightError();
    EXPECT_NE(rigorousMb, classicMb);
    EXPECT_NE(fieldTexts(form), classicFields);
    // The check that was open is shown again, of the new computation.
    QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    const auto windows = form.findChildren<QualityWindow*>("qualityWindow");
    ASSERT_EQ(windows.size(), 1);
    QualityWindow* window = windows.front();
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->summaryLines().join('\n').contains(QStringLiteral("成果: 严密定权")));

    const auto saved = scratchFile("saved.kestrane.toml");
    ScriptedDialogs save;
    save.file = saved;
    answering(save, [&] { form.saveObservations(); });
    const std::string text = readFile(saved);
    EXPECT_NE(text.find("weighting = \"rigorous\""), std::string::npos) << text;
    EXPECT_EQ(text.find("angle_sd"), std::string::npos) << text;
    ObservationValues expected = *readObservationFile(examplePath("aonly-n8-blunder").string()).values;
    expected.settings.weighting = Weighting::Rigorous;
    EXPECT_EQ(*readObservationFile(saved.string()).values, expected);

    // Opening a file takes its settings, the defaults for keys it lacks.
    openFile(form, examplePath("aonly-n8-town"));
    EXPECT_EQ(form.settings(), AprioriSettings{});
    EXPECT_FALSE(form.state().settings.rigorous());
    openFile(form, saved);
    EXPECT_TRUE(form.settings().rigorous());
    EXPECT_EQ(form.state().unitWeightError(), rigorousMb);
}

// Without a completed computation a change waits for the next one.
TEST(SettingsDialog, KeepsAChangeForTheNextComputation) {
    Form1 form;
    form.show();
    AprioriSettings s;
    s.angleSd = 2.5;
    s.sideSd = SideErrorModel{2, 2.0};
    int dialogs = 0;
    closingDialogs([&] { form.applySettings(s); }, &dialogs);
    EXPECT_EQ(dialogs, 0);
    EXPECT_FALSE(form.state().complete);
    EXPECT_EQ(form.settings(), s);
    EXPECT_EQ(form.record().values().settings, s);
}

// Thousands of rows: the table in sight is filled when the window is made,
// the others when read or shown, or each in a later pass of the event loop;
// each shows every row of the check, in the check's order, as a small table
// does; the window closes with its rows freed elsewhere.
TEST(QualityWindow, FillsLargeTablesLaterWithEveryRow) {
    const QualityCheck check = checkQuality(fixture::completedState(fixture::regularNetwork(600, KnownPointCase::AOnly)));
    ASSERT_FALSE(check.error);
    ASSERT_GT(check.observations.size(), 1000u);
    auto* window = new QualityWindow(check);
    const struct {
        QualityTable* table;
        std::size_t rows;
        std::string first, last;
    } tables[] = {
        {window->conditionTable(), check.conditions.size(), check.conditions.front().name, check.conditions.back().name},
        {window->observationTable(), check.observations.size(), check.observations.front().name,
         check.observations.back().name},
        {window->sideTable(), check.sides.size(), check.sides.front().name, check.sides.back().name},
        {window->pointTable(), check.points.size(), check.points.front().name, check.points.back().name},
    };
    EXPECT_TRUE(qobject_cast<QualityTable*>(window->tabs()->currentWidget())->filled());
    EXPECT_FALSE(window->observationTable()->filled() && window->tabs()->currentWidget() != window->observationTable());
    // Read before it is shown: filled then.
    EXPECT_EQ(window->observationTable()->rowCount(), static_cast<int>(check.observations.size()));
    window->show();
    for (int i = 0; i < 6; ++i) QApplication::processEvents();
    for (const auto& t : tables) {
        EXPECT_TRUE(t.table->filled()) << t.table->objectName().toStdString();
        ASSERT_EQ(t.table->model()->rowCount(), static_cast<int>(t.rows)) << t.table->objectName().toStdString();
        EXPECT_EQ(t.table->rowTexts(0)[0].toStdString(), t.first);
        EXPECT_EQ(t.table->rowTexts(static_cast<int>(t.rows) - 1)[0].toStdString(), t.last);
    }
    // The widest text of a column fits its column.
    QualityTable* observations = window->observationTable();
    for (int c = 0; c < observations->model()->columnCount() - 1; ++c) {
        EXPECT_GE(observations->columnWidth(c), observations->fontMetrics().horizontalAdvance(observations->rowTexts(0)[c]));
    }
    delete window;
    QThreadPool::globalInstance()->waitForDone();
}

}  // namespace
