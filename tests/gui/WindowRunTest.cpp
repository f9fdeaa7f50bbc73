// Computations through the main window, answered in its real dialogs: every
// field shows what the console transcript shows for the same answers, prompt
// by prompt; cancelling, faults, and the start and print commands.
#include <gtest/gtest.h>

#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>

#include <deque>
#include <functional>
#include <map>
#include <sstream>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "frontends/console/ConsoleFrontEnd.h"
#include "frontends/qt/Form1.h"

namespace {

using namespace kestrane::test;
using kestrane::CaptionLabel;
using kestrane::Form1;

// What the window shows: every field's text and every label's caption.
std::map<std::string, std::string> shown(const Form1& form) {
    std::map<std::string, std::string> view = fieldTexts(form);
    for (CaptionLabel* label : form.findChildren<CaptionLabel*>())
        view[label->objectName().toStdString()] = label->caption().toStdString();
    return view;
}

// The text and caption lines before an ask line of a transcript are what the
// window shows while that prompt is open: the transcript's answers played
// into the window's dialogs, each prompt's text and title and everything the
// window shows at that moment checked.
class GoldenThroughWindow : public ::testing::TestWithParam<const char*> {};

TEST_P(GoldenThroughWindow, EveryFieldFollowsTheTranscript) {
    const std::string name = GetParam();
    const auto transcript = readTranscript(goldenDir() / (name + ".transcript.jsonl"));
    std::deque<TranscriptEvent> events(transcript.begin(), transcript.end());
    Form1 form;
    form.show();
    std::map<std::string, std::string> expected = shown(form);
    // Applies the field and caption changes up to the next prompt or message.
    const auto advanceOverDisplayEvents = [&] {
        while (!events.empty() && (events.front().event == "text" || events.front().event == "caption")) {
            expected[events.front().name] = events.front().value;
            events.pop_front();
        }
    };
    int prompts = 0;
    bool mismatchSeen = false;
    {
        DialogDriver driver([&](QWidget* dialog) {
            advanceOverDisplayEvents();
            if (auto* input = qobject_cast<QInputDialog*>(dialog)) {
                if (events.empty() || events.front().event != "ask") {
                    ADD_FAILURE() << "unexpected prompt: " << input->labelText().toStdString();
                    answer(input, std::nullopt);
                    return;
                }
                const TranscriptEvent ask = events.front();
                events.pop_front();
                ++prompts;
                EXPECT_EQ(input->labelText().toStdString(), ask.prompt);
                EXPECT_EQ(input->windowTitle().toStdString(), ask.title.empty() ? "Kestrane" : ask.title);
                EXPECT_TRUE(input->textValue().isEmpty()) << "no default text";
                if (!mismatchSeen && shown(form) != expected) {
                    mismatchSeen = true;
                    ADD_FAILURE() << "window differs from the transcript at prompt " << prompts << ": " << ask.prompt;
                }
                answer(input, ask.answer);
            } else if (auto* box = qobject_cast<QMessageBox*>(dialog)) {
                if (!events.empty() && events.front().event == "message") {
                    EXPECT_EQ(box->text().toStdString(), events.front().value);
                    events.pop_front();
                } else {
                    ADD_FAILURE() << "unexpected message: " << box->text().toStdString();
                }
                press(box, QMessageBox::Ok);
            } else {
                ADD_FAILURE() << "unexpected dialog " << dialog->metaObject()->className();
                dialog->close();
            }
        });
        form.findChild<QPushButton*>("Command1")->click();
    }
    advanceOverDisplayEvents();  // the changes after the last prompt
    EXPECT_TRUE(events.empty());
    EXPECT_EQ(shown(form), expected);
    EXPECT_TRUE(form.state().complete);
    EXPECT_FALSE(form.running());
}

INSTANTIATE_TEST_SUITE_P(Examples, GoldenThroughWindow,
                         ::testing::ValuesIn(kestrane::testing::kGoldenExamples), kestrane::testing::exampleTestName);

using Script = ScriptedDialogs;

// The print command after a run that left nothing to print.
void expectNothingToPrint(Form1& form) {
    const Script print = clickWith(form, "Command3");
    ASSERT_EQ(print.messages.size(), 1u);
    EXPECT_NE(print.messages[0].find("没有可打印的结果"), std::string::npos);
}

TEST(WindowRun, CancelAtAValuePromptAsksWhetherToAbandon) {
    Form1 form;
    form.show();
    // n: Cancel, "no" (ask again), then 3; tolerance: Cancel, "yes" (the
    // answers to "abandon?").
    const Script script = clickWith(form, "Command1", {.answers = {std::nullopt, "3", std::nullopt}, .yes = {false, true}});

    const std::string n = "输入三角形个数 :";
    const std::string tolerance = "输入规范规定的测角限差 : ( 以秒为单位 )";
    EXPECT_EQ(script.prompts, (std::vector<std::string>{n, n, tolerance}));
    ASSERT_EQ(script.messages.size(), 2u);
    EXPECT_NE(script.messages[0].find("放弃"), std::string::npos);
    EXPECT_FALSE(form.state().complete);
    EXPECT_FALSE(form.running());
    EXPECT_EQ(form.findChild<QLineEdit*>("Text30")->text().toStdString(), " 中心多边形共有3个三角形");

    expectNothingToPrint(form);  // after an abandoned run
}

TEST(WindowRun, CancelAtConfirmationAndPauseAcceptsAndContinues) {
    // Every empty answer of the example replaced by Cancel: confirmations and
    // pauses go on exactly as with Enter.
    auto answers = goldenAnswers("aonly-n3");
    for (auto& a : answers) {
        if (a && a->empty()) a.reset();
    }
    Form1 form;
    form.show();
    EXPECT_TRUE(clickWith(form, "Command1", {.answers = answers}).messages.empty());
    EXPECT_TRUE(form.state().complete);

    const auto events = readTranscript(goldenDir() / "aonly-n3.transcript.jsonl");
    std::map<std::string, std::string> last;
    for (const auto& e : events) {
        if (e.event == "text") last[e.name] = e.value;
    }
    for (const auto& [name, value] : last) {
        EXPECT_EQ(form.findChild<QLineEdit*>(QString::fromStdString(name))->text().toStdString(), value) << name;
    }
}

// All sides 0: the side weight and the side conditions vanish, and the
// normal matrix has a zero pivot. Each front end reports the division by
// zero and shows nothing half computed; the window stays usable.
TEST(FrontEnds, AllSidesZeroIsADivisionByZero) {
    using namespace kestrane::testing;
    auto answers = kestrane::fixture::answersFor(kestrane::fixture::regularNetwork(3, kestrane::KnownPointCase::AOnly));
    for (std::size_t i = answers.size() - 10 - 12; i < answers.size() - 10; i += 2) answers[i] = "0";
    struct End {
        std::vector<std::string> messages;
        bool complete = true;
        std::string shown;  // what Text18 shows, the first result field
    };
    Form1 form;
    form.show();
    const std::vector<std::pair<const char*, std::function<End()>>> frontEnds = {
        {"console",
         [&] {
             kestrane::ConsoleOptions options;
             options.transcriptPath = scratchFile("t.jsonl").string();
             options.reportPath = scratchFile("r.txt").string();
             std::string typed;
             for (const auto& a : answers) typed += a.value_or("") + "\n";
             std::istringstream in(typed);
             std::ostringstream out, err;
             const int status = kestrane::runConsole(options, in, out, err);
             End end{{err.str()}, status != kestrane::kExitFault || std::filesystem::exists(options.reportPath), ""};
             for (const TranscriptEvent& e : readTranscript(options.transcriptPath)) {
                 if (e.event == "text" && e.name == "Text18") end.shown = e.value;
                 if (e.event == "message") end.messages.push_back(e.value);
             }
             return end;
         }},
        {"window",
         [&] {
             const Script faulty = clickWith(form, "Command1", {.answers = {answers.begin(), answers.end()}});
             return End{faulty.messages, form.state().complete || !form.isVisible(),
                        form.findChild<QLineEdit*>("Text18")->text().toStdString()};
         }},
    };
    for (const auto& [name, run] : frontEnds) {
        const End end = run();
        EXPECT_FALSE(end.messages.empty()) << name;
        EXPECT_NE(end.messages.back().find("division by zero"), std::string::npos) << name;
        EXPECT_FALSE(end.complete) << name;
        EXPECT_EQ(end.shown, "") << name;
    }

    expectNothingToPrint(form);

    // A second run in the same window completes.
    const Script again = clickWith(form, "Command1", {.answers = goldenAnswers("aonly-n3")});
    EXPECT_TRUE(again.messages.empty());
    EXPECT_TRUE(form.state().complete);
    EXPECT_EQ(again.prompts.front(), "输入三角形个数 :");
}

TEST(WindowRun, RefusedValuesAreShownAsMessages) {
    auto answers = goldenAnswers("aonly-n3");
    answers.push_front("three");  // not a number, asked again
    Form1 form;
    form.show();
    const Script script = clickWith(form, "Command1", {.answers = answers});
    ASSERT_EQ(script.messages.size(), 1u);
    EXPECT_NE(script.messages[0].find("type mismatch"), std::string::npos);
    EXPECT_EQ(script.prompts[0], script.prompts[1]);
    EXPECT_TRUE(form.state().complete);
}

// Without a printer the print command offers a PDF file: accepted, the file
// chosen in the save dialog holds the report; declined ("no"), nothing is
// written even if a save dialog opens all the same and is accepted.
TEST(WindowRun, PrintWithoutPrinterSavesThePdfChosenInTheFileDialogOrNothing) {
    for (const bool save : {true, false}) {
        SCOPED_TRACE(save ? "saved" : "declined");
        Form1 form;
        form.show();
        form.setPrinterCheck([] { return false; });
        ASSERT_TRUE(clickWith(form, "Command1", {.answers = goldenAnswers("aonly-n3")}).messages.empty());
        ASSERT_TRUE(form.state().complete);

        const auto path = scratchFile(save ? "report.pdf" : "declined.pdf");
        Script print{.yes = {save}, .file = path};
        std::vector<std::string> seen;
        {
            DialogDriver driver([&](QWidget* dialog) {
                seen.push_back(dialog->metaObject()->className());
                if (auto* files = qobject_cast<QFileDialog*>(dialog)) {
                    EXPECT_EQ(files->acceptMode(), QFileDialog::AcceptSave);
                }
                print.handle(dialog);
            });
            form.findChild<QPushButton*>("Command3")->click();
        }
        if (!save) {
            ASSERT_EQ(print.messages.size(), 1u);
            EXPECT_NE(print.messages[0].find("PDF"), std::string::npos);
            EXPECT_FALSE(std::filesystem::exists(path));
            continue;
        }
        EXPECT_EQ(seen, (std::vector<std::string>{"QMessageBox", "QFileDialog", "QMessageBox"}));
        ASSERT_TRUE(std::filesystem::exists(path));
        const std::string text = capture("pdftotext -layout '" + path.string() + "' -");
        EXPECT_NE(text.find("Kestrane"), std::string::npos);
        EXPECT_NE(text.find("mb="), std::string::npos);
    }
}

}  // namespace
