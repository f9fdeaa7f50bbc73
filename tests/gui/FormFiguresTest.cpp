// The form as a surveyor reads it between computations: figures left from
// an earlier computation drawn dimmed, the weakest point named in the
// tooltips of its figures, and a window smaller than its layout scrolling.

#include <gtest/gtest.h>

#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>

#include "GuiTestSupport.h"
#include "NetworkFixture.h"
#include "frontends/qt/FittedText.h"
#include "frontends/qt/Form1.h"
#include "frontends/qt/WindowLayout.h"

namespace {

using namespace kestrane;
using kestrane::test::exampleFile;

FittingField* field(Form1& form, const char* name) { return form.findChild<FittingField*>(QLatin1String(name)); }

bool drawnStale(FittingField* f) {
    return f->isStale() && f->palette().color(QPalette::Text) == staleTextColour() &&
           f->toolTip().split(QLatin1Char('\n')).contains(kStaleFigureNote);
}

TEST(FormFigures, FiguresOfAnEarlierComputationAreDimmedUntilWrittenAgain) {
    Form1 form;
    ASSERT_TRUE(form.openObservationFile(exampleFile("awithb-n5")));
    for (FittingField* f : form.findChildren<FittingField*>()) {
        EXPECT_FALSE(f->isStale()) << f->objectName().toStdString();
        EXPECT_FALSE(f->toolTip().contains(kStaleFigureNote)) << f->objectName().toStdString();
    }
    const QString knownSide = field(form, "Text31")->text();

    // A network known by A, T0 and Qa leaves the known side A-B standing,
    // dimmed; what it wrote is current.
    ASSERT_TRUE(form.openObservationFile(exampleFile("aonly-n8-town")));
    EXPECT_EQ(field(form, "Text31")->text(), knownSide);
    for (const char* name : {"Text28", "Text31"}) EXPECT_TRUE(drawnStale(field(form, name))) << name;
    for (const char* name : {"Text7", "Text8", "Text18", "Text24", "Text25", "Text27"}) {
        FittingField* f = field(form, name);
        EXPECT_FALSE(f->isStale()) << name;
        EXPECT_NE(f->palette().color(QPalette::Text), staleTextColour()) << name;
    }

    // A computation given up after n: everything but the n sentence is from
    // the town network, and says so; the weakest point's figures keep naming
    // the town's weakest point.
    fixture::ScriptedPrompt prompt(std::vector<std::optional<std::string>>{"3"});
    form.setPromptService(&prompt);
    form.Command1_Click();
    EXPECT_FALSE(field(form, "Text30")->isStale());
    for (const char* name : {"Text1", "Text7", "Text18", "Text20", "Text24", "Text27"}) {
        EXPECT_TRUE(drawnStale(field(form, name))) << name;
    }
    EXPECT_EQ(field(form, "Text20")->toolTip().split(QLatin1Char('\n')),
              QStringList({QStringLiteral("最弱点: 北岭 (外点 4)"), kStaleFigureNote}));
    // A caption the town network wrote is stale too; one never written is not.
    int staleCaptions = 0;
    for (CaptionLabel* label : form.findChildren<CaptionLabel*>()) staleCaptions += label->isStale() ? 1 : 0;
    EXPECT_GT(staleCaptions, 0);
    EXPECT_FALSE(form.findChild<CaptionLabel*>(QStringLiteral("Label37"))->isStale());
}

// The weakest point is outer point ⌈n/2⌉; in a network of three triangles
// on A and B that outer point is B itself.
TEST(FormFigures, WeakestPointFiguresNameThePoint) {
    struct Case {
        const char* example;  // or nullptr: the regular network below
        QStringList note;
    };
    const Case cases[] = {
        {"aonly-n8-town", {QStringLiteral("最弱点: 北岭 (外点 4)")}},
        {"awithb-n12-valley", {QStringLiteral("最弱点: 石桥 (外点 6)")}},
        {"awithc-n7-hill", {QStringLiteral("最弱点: 北岭 (外点 4)")}},
        {nullptr, {QStringLiteral("最弱点: P3 (外点 2)"), QStringLiteral("该点即已知点 B")}},
    };
    // Away from the origin, so that no coordinate of B is 0.
    fixture::Polygon three = fixture::Polygon::regular(3);
    three.cx += 1000;
    three.cy += 2000;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.example ? c.example : "awithb n=3");
        Form1 form;
        fixture::ScriptedPrompt prompt(fixture::answersFor(fixture::exactNetwork(three, KnownPointCase::AWithB)));
        if (c.example) {
            ASSERT_TRUE(form.openObservationFile(exampleFile(c.example)));
        } else {
            form.setPromptService(&prompt);
            form.Command1_Click();
        }
        ASSERT_TRUE(form.state().complete);
        for (const char* name : {"Text20", "Text21", "Text22", "Text23", "Text24"}) {
            const QStringList tip = field(form, name)->toolTip().split(QLatin1Char('\n'));
            EXPECT_EQ(tip.mid(tip.size() - c.note.size()), c.note) << name;
        }
        for (const char* name : {"Text18", "Text19", "Text26"}) EXPECT_TRUE(field(form, name)->notes().isEmpty()) << name;
    }
}

TEST(FormFigures, ASmallWindowScrollsEveryControlIntoView) {
    Form1 form;
    form.show();
    const QSize full = form.size();
    auto* across = form.findChild<QScrollBar*>(QStringLiteral("formScrollX"));
    auto* down = form.findChild<QScrollBar*>(QStringLiteral("formScrollY"));
    ASSERT_TRUE(across && down);
    EXPECT_FALSE(across->isVisible());
    EXPECT_FALSE(down->isVisible());
    EXPECT_LE(form.minimumWidth(), 400);
    EXPECT_LE(form.minimumHeight(), 300);
    EXPECT_GT(form.minimumWidth(), 0);

    form.resize(400, 300);
    ASSERT_TRUE(across->isVisible() && down->isVisible());
    const int menuBottom = form.findChild<QMenuBar*>(QStringLiteral("menuBar"))->geometry().bottom() + 1;
    const QRect seen(QPoint(0, menuBottom), QPoint(down->geometry().left() - 1, across->geometry().top() - 1));
    auto* status = form.findChild<QStatusBar*>(QStringLiteral("statusBar"));
    EXPECT_EQ(status->geometry().bottom(), form.rect().bottom());

    for (const layout::Control& c : layout::controls()) {
        auto* control = form.findChild<QWidget*>(QString::fromUtf8(c.name));
        ASSERT_NE(control, nullptr) << c.name;
        const QRect laidOut(c.left / 15, c.top / 15, c.width / 15, c.height / 15);
        across->setValue(laidOut.left());
        down->setValue(laidOut.top() - menuBottom);
        EXPECT_EQ(control->pos(), laidOut.topLeft() - QPoint(across->value(), down->value())) << c.name;
        EXPECT_TRUE(seen.contains(control->geometry())) << c.name;
    }

    // Back at its full size the layout stands where it was designed.
    form.resize(full);
    EXPECT_FALSE(across->isVisible() || down->isVisible());
    for (const layout::Control& c : layout::controls()) {
        EXPECT_EQ(form.findChild<QWidget*>(QString::fromUtf8(c.name))->pos(), QPoint(c.left / 15, c.top / 15)) << c.name;
    }
}

}  // namespace
