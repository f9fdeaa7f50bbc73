// Where the prompt dialog stands: beside or below the main window where the
// screen has room, else over the window but clear of its fields, always on
// the window's screen; one size and one place for all prompts of a run; a
// place the user moved it to is kept. The runs on two screens need the
// offscreen platform configured with two-screens.json (a ctest of its own).
#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>


#include "GuiTestSupport.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/PromptPlacement.h"

namespace {

using namespace kestrane::test;
using kestrane::Form1;
using kestrane::keptOnScreen;
using kestrane::promptPlace;

// The fields of the main window with the top-left corner of its inside (no
// frame decoration) at `at`, in global pixels.
QList<QRect> fieldsAt(const Form1& form, QPoint at) {
    QList<QRect> fields;
    for (const QLineEdit* field : form.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly))
        fields << field->geometry().translated(at);
    return fields;
}

qint64 coveredPixels(const QRect& rect, const QList<QRect>& fields) {
    qint64 covered = 0;
    for (const QRect& f : fields) {
        const QRect both = rect & f;
        if (!both.isEmpty()) covered += qint64(both.width()) * both.height();
    }
    return covered;
}

constexpr QSize kForm(1001, 713);
constexpr QSize kDialog(300, 180);

struct PlaceCase {
    const char* what;
    QRect screen;
    QPoint form;
    QPoint expected;
};

// Gap of 8 pixels between the dialog and the window.
const PlaceCase kPlaces[] = {
    {"room on the right: beside the window, tops level", {0, 0, 1920, 1080}, {100, 100}, {1109, 100}},
    {"window partly above the screen: beside, moved down onto it", {0, 0, 1920, 1080}, {100, -50}, {1109, 0}},
    {"no room on the right: below the window", {0, 0, 1920, 1080}, {900, 100}, {900, 821}},
    {"no room right or below: left of the window", {0, 0, 1920, 1080}, {900, 360}, {592, 360}},
    {"a screen left of the origin", {-1920, 0, 1920, 1080}, {-1800, 50}, {-791, 50}},
    {"screen as wide as the window: over the drawings, clear of the fields", {0, 0, 1024, 768}, {0, 0}, {724, 0}},
};

TEST(PromptPlace, BesideBelowOrClearOfTheFields) {
    const Form1 window;
    for (const PlaceCase& c : kPlaces) {
        SCOPED_TRACE(c.what);
        const QRect form(c.form, kForm);
        const QList<QRect> fields = fieldsAt(window, c.form);
        const QPoint place = promptPlace(kDialog, form, c.screen, fields);
        EXPECT_EQ(place, c.expected);
        const QRect dialog(place, kDialog);
        EXPECT_TRUE(c.screen.contains(dialog));
        EXPECT_EQ(coveredPixels(dialog, fields), 0);
    }
}

TEST(PromptPlace, OnAScreenTooSmallForTheWindowItCoversTheFewestFieldPixels) {
    const QRect screen(0, 0, 800, 600);
    const QRect form(QPoint(0, 0), kForm);
    const QList<QRect> fields = fieldsAt(Form1(), form.topLeft());
    const QRect dialog(promptPlace(kDialog, form, screen, fields), kDialog);
    EXPECT_TRUE(screen.contains(dialog));
    // No place on this screen is clear of the fields: every corner and the
    // centre cover at least as much.
    const qint64 covered = coveredPixels(dialog, fields);
    for (const QRect& other : {QRect(QPoint(0, 0), kDialog), QRect(QPoint(500, 0), kDialog),
                               QRect(QPoint(0, 420), kDialog), QRect(QPoint(500, 420), kDialog),
                               QRect(QPoint(250, 210), kDialog)}) {
        EXPECT_LE(covered, coveredPixels(other, fields));
    }
}

TEST(PromptPlace, KeptOnScreenMovesTheLeastNeeded) {
    const QRect screen(0, 0, 1024, 768);
    EXPECT_EQ(keptOnScreen(QRect(100, 100, 300, 180), screen), QRect(100, 100, 300, 180));
    EXPECT_EQ(keptOnScreen(QRect(900, 700, 300, 180), screen), QRect(724, 588, 300, 180));
    EXPECT_EQ(keptOnScreen(QRect(-50, -20, 300, 180), screen), QRect(0, 0, 300, 180));
    // Larger than the screen: its top-left corner on the screen.
    EXPECT_EQ(keptOnScreen(QRect(500, 500, 2000, 1000), screen).topLeft(), QPoint(0, 0));
}

// ---------------------------------------------------------------------------
// Runs through the real dialogs, on the two screens of two-screens.json: a
// small one (1024 x 768 at 0,0) and a wide one (1920 x 1080 at 1024,0).

struct Seen {
    QRect dialog;    // frame, global
    QSize client;    // inside the frame
    QPoint inputAt;  // the text box, global
};

class PromptOnScreens : public ::testing::Test {
protected:
    void SetUp() override {
        if (QGuiApplication::screens().size() < 2) GTEST_SKIP() << "needs the two-screen offscreen platform";
    }

    // Runs the example with the form at `at`; `onPrompt` may move a dialog
    // before it is answered.
    std::vector<Seen> run(Form1& form, QPoint at, const std::function<void(int, QInputDialog*)>& onPrompt = {}) {
        form.move(at);
        form.show();
        std::vector<Seen> seen;
        const DialogDriver driver = answeringPrompts(goldenAnswers("aonly-n3"), [&](int prompt, QInputDialog* input) {
            const auto* box = input->findChild<QLineEdit*>();
            seen.push_back({input->frameGeometry(), input->size(), box->mapToGlobal(QPoint(0, 0))});
            if (onPrompt) onPrompt(prompt, input);
            return false;
        });
        form.findChild<QPushButton*>("Command1")->click();
        EXPECT_TRUE(form.state().complete);
        return seen;
    }
};

// Every prompt of a run in one size and one place, on the window's screen
// (the small one is not left for the wide one beside it), clear of the
// fields; on the wide screen beside the window.
TEST_F(PromptOnScreens, OnTheWindowsScreenOneSizeOnePlaceClearOfTheFields) {
    const struct {
        const char* what;
        QPoint at;
        int screen;
    } cases[] = {{"window on the wide screen", {1100, 50}, 1}, {"window on the small screen", {0, 0}, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Form1 form;
        const auto seen = run(form, c.at);
        ASSERT_GT(seen.size(), 40u);
        const QRect screen = QGuiApplication::screens().at(c.screen)->availableGeometry();
        const QList<QRect> fields = fieldsAt(form, form.mapToGlobal(QPoint(0, 0)));
        for (const Seen& s : seen) {
            EXPECT_EQ(s.dialog, seen.front().dialog);
            EXPECT_EQ(s.inputAt, seen.front().inputAt) << "the text box keeps its place";
            EXPECT_TRUE(screen.contains(s.dialog));
            EXPECT_EQ(coveredPixels(s.dialog, fields), 0);
        }
        EXPECT_EQ(seen.front().client.width(), kestrane::PromptPlacement::kDialogWidth);
        if (c.screen == 1) {
            EXPECT_FALSE(seen.front().dialog.intersects(form.frameGeometry()));
        }
    }
}

TEST_F(PromptOnScreens, APlaceTheUserMovedItToIsKeptBesideTheWindow) {
    Form1 form;
    const QPoint moved(1150, 800);  // below the window, on the wide screen
    const auto seen = run(form, QPoint(1100, 50), [&](int prompt, QInputDialog* dialog) {
        if (prompt == 3) dialog->move(moved);
    });
    ASSERT_GT(seen.size(), 4u);
    EXPECT_NE(seen[1].dialog.topLeft(), moved);
    EXPECT_EQ(seen[3].dialog.topLeft(), moved);
    EXPECT_EQ(seen.back().dialog.topLeft(), moved);

    // The window moved: the dialog keeps its place relative to it, kept on
    // the window's screen. Each run is cancelled at the first prompt, then
    // abandoned.
    auto promptsWithTheWindowAt = [&](QPoint at) {
        form.move(at);
        std::vector<QRect> places;
        ScriptedDialogs cancel;
        DialogDriver driver([&](QWidget* dialog) {
            if (auto* input = qobject_cast<QInputDialog*>(dialog)) places.push_back(input->frameGeometry());
            cancel.handle(dialog);
        });
        form.findChild<QPushButton*>("Command1")->click();
        return places;
    };
    const std::vector<QRect> later = promptsWithTheWindowAt(QPoint(1300, 50));
    ASSERT_EQ(later.size(), 1u);
    EXPECT_EQ(later.front().topLeft(), moved + QPoint(200, 0));
    // Moved so far that the kept place would leave the screen: kept on it.
    const std::vector<QRect> far = promptsWithTheWindowAt(QPoint(1900, 300));
    ASSERT_EQ(far.size(), 1u);
    EXPECT_TRUE(QGuiApplication::screens().at(1)->availableGeometry().contains(far.front()));
}

}  // namespace
