// Every figure a field of the main window can receive, at its largest
// plausible size, shows whole; every caption lies within its label; a name
// longer than its field is cut with "…" and shows whole in the tooltip. A
// zone-prefixed network through the window shows its coordinates whole.
#include <gtest/gtest.h>

#include <QFontMetricsF>
#include <QImage>
#include <QPainter>
#include <QPushButton>

#include <cmath>
#include <cstdio>
#include <deque>
#include <set>

#include "GuiTestSupport.h"
#include "frontends/qt/FittedText.h"
#include "frontends/qt/Form1.h"
#include "prompting/PromptTexts.h"

namespace {

using namespace kestrane::test;
using kestrane::CaptionLabel;
using kestrane::FittingField;
using kestrane::Form1;

// Where QLineEdit draws the text's start when the cursor stands at `end`,
// in the field's pixels.
int startWithCursorAt(QLineEdit* field, int end) {
    field->setCursorPosition(end);
    (void)field->grab();  // painting sets the scroll
    field->setCursorPosition(0);
    return field->inputMethodQuery(Qt::ImCursorRectangle).toRect().left();
}

// Whether QLineEdit draws the whole text: with the cursor after the last
// character it does not scroll the text's start out of sight.
bool showsWhole(FittingField* field) {
    return !field->isCut() &&
           startWithCursorAt(field, static_cast<int>(field->text().size())) == startWithCursorAt(field, 0);
}

// The largest texts each field is written with. Coordinates: zone-prefixed
// Gauss-Krüger eastings have 8 integer digits, and a local grid may be
// negative. Angles (packed d.mmss) up to a full circle. Sides up to 100 km.
// Misclosures up to 99999.99 seconds (a blunder of some 28 degrees, far past
// any tolerance) and 99999.99 millimetres; errors up to 9999.99; weight
// reciprocals up to 99999.9999. Counts up to the largest n, 6553.
struct FieldTexts {
    std::vector<const char*> fields;
    std::vector<const char*> texts;
};
const FieldTexts kLargest[] = {
    {{"Text1", "Text2", "Text3", "Text4", "Text5", "Text6", "Text26", "Text27"},
     {" 38419610.123", " 37999217.383", " -38419610.123", " 99999999.999", " -99999999.999"}},
    {{"Text7", "Text8", "Text9", "Text17", "Text29"}, {" 359.59599", " -359.59599"}},
    {{"Text28"}, {" 359.59599 度", " -359.59599 度"}},
    {{"Text31"}, {" 99999.9999 米"}},
    {{"Text10"}, {" 99999.9999", " -99999.9999"}},
    {{"Text13", "Text15"}, {" -99999.99 秒", " 99999.99 秒"}},
    {{"Text14"}, {" -99999.99 毫米", " 99999.99 毫米"}},
    {{"Text18"}, {" 9999.99 秒"}},
    {{"Text19", "Text22", "Text24"}, {" 9999.99 毫米"}},
    {{"Text23"}, {"9999.99 毫米"}},
    {{"Text20", "Text21"}, {" 99999.9999"}},
    {{"Text30"}, {" 中心多边形共有6553个三角形"}},
    {{"Text11"}, {"现在输入第6553个三角形的内角"}},
    {{"Text12"}, {"输入第13106条边长", "输入最后一条边长"}},
    {{"Text25"}, {" 老屯河店", " HILLTOP196"}},
};

TEST(FittedText, EveryFigureAFieldCanReceiveShowsWhole) {
    Form1 form;
    int covered = 0;
    for (const FieldTexts& group : kLargest) {
        for (const char* name : group.fields) {
            auto* field = form.findChild<FittingField*>(name);
            ASSERT_NE(field, nullptr) << name;
            for (const char* text : group.texts) {
                SCOPED_TRACE(std::string(name) + " <" + text + ">");
                const QString full = QString::fromUtf8(text);
                field->setText(full);
                EXPECT_EQ(field->text(), full) << "the field's text stays the full text";
                EXPECT_TRUE(showsWhole(field));
                EXPECT_GE(field->font().pixelSize(), kestrane::kSmallestTextPixels);
                EXPECT_EQ(field->toolTip(), field->font() == field->designFont() ? QString() : full.trimmed());
                EXPECT_EQ(field->geometry().size(), QSize(field->width(), 19));
            }
            field->clear();
            EXPECT_EQ(field->font(), field->designFont()) << name << ": an emptied field returns to the design font";
            EXPECT_TRUE(field->toolTip().isEmpty());
            ++covered;
        }
    }
    EXPECT_EQ(covered, 30) << "every field of the window";
}

// The check above can fail: in a face too wide for the field (the design
// face spaced wider, as a wide installed face would be), a plain field of the
// same size scrolls the easting, where the fitting field shrinks it.
TEST(FittedText, APlainFieldOfTheDesignFontCutsTheEasting) {
    Form1 form;
    auto* fitting = form.findChild<FittingField*>("Text27");
    const QString easting = QStringLiteral(" -38419610.123");
    FittingField plain(&form);
    plain.setGeometry(fitting->geometry());
    QFont wide = fitting->designFont();
    for (int percent = 100; QFontMetricsF(wide).horizontalAdvance(easting) <= plain.textRoom(); percent += 10) {
        wide.setLetterSpacing(QFont::PercentageSpacing, percent);
    }
    plain.setFont(wide);
    plain.setText(easting);
    EXPECT_NE(plain.font(), plain.designFont());
    QLineEdit reference(&form);
    reference.setGeometry(fitting->geometry());
    reference.setFont(wide);
    reference.setText(easting);
    EXPECT_NE(startWithCursorAt(&reference, static_cast<int>(reference.text().size())),
              startWithCursorAt(&reference, 0));
}

// A name longer than its field, and a caption too long for its label even at
// the smallest size, are cut with "…" and shown whole in the tooltip.
TEST(FittedText, ANameOrCaptionTooLongEvenAtTheSmallestSizeIsCut) {
    Form1 form;
    auto* field = form.findChild<FittingField*>("Text25");
    const QString name = QStringLiteral(" 东山头北山脚下第三号三角点");
    field->setText(name);
    EXPECT_TRUE(field->isCut());
    EXPECT_EQ(field->text(), name);
    EXPECT_TRUE(field->shownText().endsWith(QStringLiteral("…")));
    EXPECT_TRUE(name.startsWith(field->shownText().chopped(1)));
    EXPECT_LE(QFontMetricsF(field->font()).horizontalAdvance(field->shownText()), field->textRoom());
    EXPECT_EQ(field->font().pixelSize(), kestrane::kSmallestTextPixels);
    EXPECT_EQ(field->toolTip(), name.trimmed());

    // A short name is drawn as designed, with no tooltip.
    field->setText(QStringLiteral(" P1"));
    EXPECT_FALSE(field->isCut());
    EXPECT_EQ(field->font(), field->designFont());
    EXPECT_TRUE(field->toolTip().isEmpty());

    auto* label = form.findChild<CaptionLabel*>("Label24");
    label->setCaption(QStringLiteral("w(13107)w(13107)"));
    ASSERT_EQ(label->lines().size(), 1);
    EXPECT_TRUE(label->lines()[0].endsWith(QStringLiteral("…")));
    EXPECT_EQ(label->toolTip(), label->caption());
    EXPECT_EQ(label->font().pixelSize(), kestrane::kSmallestTextPixels);
}

// The pixels a line of text inks (alpha above a quarter) when drawn with its
// baseline's left end at `origin`, in the same coordinates.
QRect inkOf(const QString& line, const QFont& font, QPoint origin) {
    constexpr int kMargin = 40;
    const QSize size(QFontMetrics(font).horizontalAdvance(line) + 2 * kMargin, 4 * kMargin);
    QImage canvas(size, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    QPainter painter(&canvas);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(QPoint(kMargin, 2 * kMargin), line);
    painter.end();
    QRect ink;
    for (int y = 0; y < canvas.height(); ++y) {
        for (int x = 0; x < canvas.width(); ++x) {
            if (qAlpha(canvas.pixel(x, y)) > 64) ink |= QRect(x, y, 1, 1);
        }
    }
    return ink.translated(origin - QPoint(kMargin, 2 * kMargin));
}

// Every line, drawn where the label draws it, inks only pixels of the label,
// and together the lines hold the whole caption.
void expectWithin(const CaptionLabel* label) {
    const int pitch = kestrane::captionLinePitch(label->font());
    const int baseline = label->baseline();
    ASSERT_FALSE(label->lines().isEmpty());
    for (int i = 0; i < label->lines().size(); ++i) {
        const QString& line = label->lines()[i];
        SCOPED_TRACE(label->objectName().toStdString() + " line <" + line.toStdString() + ">");
        EXPECT_FALSE(line.endsWith(QStringLiteral("…")));
        const QRect ink = inkOf(line, label->font(), QPoint(0, baseline + i * pitch));
        if (!ink.isEmpty()) {
            EXPECT_TRUE(label->rect().contains(ink))
                << "ink " << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
        }
    }
    QString joined = label->lines().join(QString());
    QString caption = label->caption();
    EXPECT_EQ(joined.remove(QLatin1Char(' ')), caption.remove(QLatin1Char(' ')));
}

TEST(FittedText, EveryCaptionLiesWithinItsLabel) {
    Form1 form;
    for (const CaptionLabel* label : form.findChildren<CaptionLabel*>()) expectWithin(label);

    // The captions the computation writes, up to n = 99 triangles (a central
    // polygon has far fewer).
    const std::pair<const char*, const char*> written[] = {
        {"Label18", " 求距角(99)"}, {"Label28", " 前进角(99)"}, {"Label29", " 中心角(99)"},
        {"Label22", "w(99)"},       {"Label24", "w(199)"},      {"Label19", " s(198)"},
    };
    for (const auto& [name, caption] : written) {
        auto* label = form.findChild<CaptionLabel*>(name);
        ASSERT_NE(label, nullptr) << name;
        label->setCaption(QString::fromUtf8(caption));
        expectWithin(label);
        EXPECT_EQ(label->toolTip(), label->font() == label->designFont() ? QString() : label->caption().trimmed());
    }
}

// The answers of a golden computation with every Y coordinate typed for A, B
// or C (other than 0, "not known") moved by `shift` metres.
std::deque<std::optional<std::string>> shiftedAnswers(const std::vector<TranscriptEvent>& events, double shift) {
    const std::set<std::string> yPrompts = {kestrane::texts::kYaValue, kestrane::texts::kYReentry,
                                            kestrane::texts::kYbValue, kestrane::texts::kYcValue};
    std::deque<std::optional<std::string>> answers;
    for (const TranscriptEvent& e : events) {
        if (e.event != "ask") continue;
        std::optional<std::string> a = e.answer;
        if (a && yPrompts.count(e.prompt) && std::stod(*a) != 0) {
            char moved[64];
            std::snprintf(moved, sizeof moved, "%.3f", std::stod(*a) + shift);
            a = moved;
        }
        answers.push_back(a);
    }
    return answers;
}

// A zone-prefixed network (the example's eastings plus 38 000 000 m): the
// window shows every coordinate whole, and the result Y moves by the prefix.
TEST(FittedText, AZonePrefixedNetworkShowsItsCoordinatesWhole) {
    for (const char* example : {"aonly-n3", "awithb-n5", "awithc-n4"}) {
        SCOPED_TRACE(example);
        const auto events = readTranscript(goldenDir() / (std::string(example) + ".transcript.jsonl"));
        std::string lastY;
        for (const TranscriptEvent& e : events) {
            if (e.event == "text" && e.name == "Text27") lastY = e.value;
        }
        Form1 form;
        form.show();
        std::vector<std::string> notWhole;
        {
            // At every prompt, every field that holds a text shows it whole.
            const DialogDriver driver = answeringPrompts(shiftedAnswers(events, 38000000.0), [&](int, QInputDialog*) {
                for (FittingField* field : form.findChildren<FittingField*>()) {
                    if (!field->text().isEmpty() && !showsWhole(field))
                        notWhole.push_back(field->objectName().toStdString() + " <" + field->text().toStdString() + ">");
                }
                return false;
            });
            form.findChild<QPushButton*>("Command1")->click();
        }
        ASSERT_TRUE(form.state().complete);
        EXPECT_TRUE(notWhole.empty()) << notWhole.front();
        auto* yp = form.findChild<FittingField*>("Text27");
        EXPECT_TRUE(showsWhole(yp));
        EXPECT_NEAR(yp->text().toDouble(), std::stod(lastY) + 38000000.0, 0.0015);
        EXPECT_EQ(yp->text().indexOf(QStringLiteral(" 3")), 0);
    }
}

}  // namespace
