// The main window's controls: every name, position, size, caption, colour,
// font, keyboard order and line, against a table of the design written out
// here on its own.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>

#include <map>
#include <set>

#include "frontends/qt/FittedText.h"
#include "frontends/qt/Form1.h"

namespace {

using kestrane::CaptionLabel;
using kestrane::FittingField;
using kestrane::Form1;
using kestrane::LineShape;

// Twips to pixels at 96 dots per inch.
QRect twips(int left, int top, int width, int height) { return {left / 15, top / 15, width / 15, height / 15}; }

struct Expected {
    const char* name;
    const char* caption;
    int left, top, width, height;
};

const Expected kButtons[] = {
    {"Command1", "开始计算", 5160, 9480, 975, 375},
    {"Command2", "退出计算", 6360, 9480, 975, 375},
    {"Command3", "打 印", 7560, 9480, 975, 375},
};

// name, left, top, width, keyboard order number
struct ExpectedField {
    const char* name;
    int left, top, width, tab;
};
const ExpectedField kFields[] = {
    {"Text1", 2520, 2160, 1335, 1},    {"Text2", 2520, 2760, 1335, 2},    {"Text3", 2520, 3480, 1335, 3},
    {"Text4", 2520, 4080, 1335, 4},    {"Text5", 2520, 4800, 1335, 5},    {"Text6", 2520, 5400, 1335, 6},
    {"Text28", 2520, 6840, 1455, 77},  {"Text31", 2520, 7440, 1455, 125}, {"Text7", 2520, 8040, 1455, 19},
    {"Text8", 2520, 8640, 1455, 20},   {"Text30", 5880, 1560, 2775, 123}, {"Text15", 6720, 2280, 1215, 34},
    {"Text18", 5760, 3720, 1095, 46},  {"Text19", 7920, 3720, 1095, 47},  {"Text20", 5160, 4680, 1215, 52},
    {"Text21", 6840, 4680, 1215, 53},  {"Text24", 8640, 5160, 1095, 56},  {"Text22", 5160, 5520, 1215, 54},
    {"Text23", 6840, 5520, 1215, 55},  {"Text25", 5640, 6600, 975, 68},   {"Text26", 7200, 6600, 1335, 69},
    {"Text27", 9000, 6600, 1335, 70},  {"Text11", 6120, 7440, 2775, 29},  {"Text9", 4680, 8160, 1215, 25},
    {"Text17", 6000, 8160, 1215, 118}, {"Text29", 7320, 8160, 1215, 119}, {"Text13", 9120, 8160, 1215, 31},
    {"Text12", 4920, 8760, 2175, 30},  {"Text10", 7080, 8760, 1215, 28},  {"Text14", 8880, 8760, 1215, 33},
};

const Expected kPanelLabels[] = {
    {"Kestrane", "Kestrane", 4920, 720, 2895, 375},
    {"Label31", "起始点座标数据:", 2160, 1560, 1455, 255},
    {"Label2", "起始点 A 纵座标", 2520, 1920, 1455, 255},
    {"Label8", " Xa", 2160, 2160, 375, 255},
    {"Label3", "起始点 A 横座标", 2520, 2520, 1455, 255},
    {"Label9", " Ya", 2160, 2760, 375, 255},
    {"Label4", "起始点 B 纵座标", 2520, 3240, 1455, 255},
    {"Label10", " Xb", 2160, 3480, 375, 255},
    {"Label5", "起始点 B 横座标", 2520, 3840, 1455, 255},
    {"Label11", " Yb", 2160, 4080, 375, 255},
    {"Label6", "中心点 C 纵座标", 2520, 4560, 1455, 255},
    {"Label12", " Xc", 2160, 4800, 375, 255},
    {"Label7", "中心点 C 横座标", 2520, 5160, 1455, 255},
    {"Label13", " Yc", 2160, 5400, 375, 255},
    {"Label32", "起始数据:", 2160, 6240, 855, 255},
    {"Label56", " 固定边方位角", 2640, 6600, 1215, 255},
    {"Label1", " T0", 2160, 6840, 375, 255},
    {"Label96", " 起算边长", 2880, 7200, 855, 255},
    {"Label97", " S0", 2160, 7440, 375, 255},
    {"Label14", "外方位角", 2880, 7800, 855, 255},
    {"Label16", " T0", 2160, 8040, 375, 255},
    {"Label15", "外定向角", 2880, 8400, 855, 255},
    {"Label17", " Qa", 2160, 8640, 375, 255},
    {"Label95", "图形个数说明", 4680, 1560, 1215, 255},
    {"Label23", " 圆周条件闭合差", 6600, 2040, 1455, 255},
    {"Label25", " wc", 6360, 2280, 375, 255},
    {"Label34", "( 精度评定 )", 6840, 3000, 1095, 255},
    {"Label37", " 单位权测角中误差", 5400, 3480, 1695, 255},
    {"Label35", " mb", 5400, 3720, 375, 255},
    {"Label38", " 单位权测边中误差", 7560, 3480, 1695, 255},
    {"Label36", " ms", 7560, 3720, 375, 255},
    {"Label39", "最弱点单位权   纵座标权倒数", 5160, 4200, 1215, 375},
    {"Label44", " 1/px", 4680, 4680, 495, 255},
    {"Label40", "最弱点单位权   横座标权倒数", 6840, 4200, 1215, 375},
    {"Label45", " 1/py", 6360, 4680, 495, 255},
    {"Label43", "最弱点单位权     点位中误差", 8640, 4680, 1215, 375},
    {"Label48", " md", 8280, 5160, 375, 255},
    {"Label41", "最弱点纵座标   单位权中误差", 5160, 5040, 1215, 495},
    {"Label46", " mx", 4800, 5520, 375, 255},
    {"Label42", "最弱点横座标   单位权中误差", 6840, 5040, 1215, 375},
    {"Label47", " my", 6480, 5520, 375, 255},
    {"Label49", "( 平差结果 )", 4200, 6360, 1095, 255},
    {"Label50", "点  名", 5880, 6360, 495, 255},
    {"Label51", " 纵 座 标", 7440, 6360, 855, 255},
    {"Label52", " 横 座 标", 9480, 6360, 855, 255},
    {"Label53", "     N", 5160, 6600, 495, 255},
    {"Label54", " Xp", 6840, 6600, 375, 255},
    {"Label55", " Yp", 8640, 6600, 375, 255},
    {"Label30", "角度输入说明", 6840, 7200, 1215, 255},
    {"Label33", "( 观测数据 )", 4320, 7320, 1095, 255},
    {"Label18", "   求距角", 4800, 7920, 975, 255},
    {"Label28", "   前进角", 6120, 7920, 975, 255},
    {"Label29", "   中心角", 7440, 7920, 975, 255},
    {"Label20", "三角形闭合差", 9120, 7920, 1215, 255},
    {"Label22", "   ws", 8640, 8160, 495, 255},
    {"Label19", "观测边长", 7320, 8520, 855, 255},
    {"Label27", " 边条件闭合差", 8880, 8520, 1335, 255},
    {"Label24", "   wb", 8400, 8760, 495, 255},
    {"Label92", "Xb=0  Yb=0   Xc=0  Yc=0", 12240, 3480, 1095, 375},
    {"Label93", "Xb<>0  Yb<>0   Xc=0    Yc=0", 12120, 6720, 1215, 375},
    {"Label94", " Xb=0   Yb=0    Xc<>0  Yc<>0", 12120, 9840, 1215, 375},
};

// The texts of the drawings: caption, left, top, and the font size in pixels
// (12 points for the point names, 7.5 for the angle names, 8.25 otherwise).
struct ExpectedMark {
    const char* caption;
    int left, top, pixelSize;
};
const ExpectedMark kDrawingMarks[] = {
    {"s(1)", 12120, 2640, 11}, {"s(2)", 11280, 2640, 11}, {"s(3)", 11760, 2040, 11},
    {"s(4)", 11280, 1440, 11}, {"s(5)", 12120, 1440, 11}, {"s(2n)", 12480, 3240, 11},
    {"b(1)", 11640, 2880, 10}, {"b(2)", 11280, 2280, 10}, {"b(3)", 12120, 2280, 10},
    {"b(4)", 11280, 1920, 10}, {"b(5)", 11760, 1200, 10}, {"b(6)", 12120, 1920, 10},
    {"T0", 10800, 3480, 11},   {"Qa", 11160, 2880, 11},
    {"1", 10920, 2040, 16}, {"2", 11760, 720, 16},  {"3", 13560, 720, 16},  {"4", 14400, 2040, 16},
    {"5", 13560, 3360, 16}, {"6", 12720, 2040, 16}, {"A", 11880, 3360, 16},
    {"1", 10920, 5280, 16}, {"2", 11760, 3960, 16}, {"3", 13560, 3960, 16}, {"4", 14400, 5280, 16},
    {"5", 12720, 5280, 16}, {"A", 11760, 6600, 16}, {"B", 13560, 6600, 16},
    {"1", 10920, 8280, 16}, {"2", 11760, 7080, 16}, {"3", 13560, 7080, 16}, {"4", 14400, 8400, 16},
    {"5", 13560, 9720, 16}, {"A", 11760, 9720, 16}, {"C", 12720, 8400, 16},
};

struct ExpectedLine {
    const char* name;
    int x1, y1, x2, y2, width;
    QRgb colour;
};
constexpr QRgb kFrame = qRgb(128, 0, 0), kBlack = qRgb(0, 0, 0), kRed = qRgb(255, 0, 0), kGreen = qRgb(0, 192, 0);
const ExpectedLine kLines[] = {
    {"Line1", 1920, 1320, 10560, 1320, 3, kFrame}, {"Line4", 1920, 9240, 10560, 9240, 3, kFrame},
    {"Line2", 1920, 1320, 1920, 9240, 3, kFrame},  {"Line3", 10560, 1320, 10560, 9240, 3, kFrame},
    {"Line5", 4080, 1320, 4080, 9240, 3, kFrame},  {"Line6", 1920, 6000, 4080, 6000, 3, kFrame},
    {"Line7", 4080, 2760, 10560, 2760, 3, kFrame}, {"Line8", 4080, 6000, 10560, 6000, 3, kFrame},
    {"Line9", 4080, 7080, 10560, 7080, 3, kFrame},
    // Top drawing: A (11880,3360), 1 (11040,2160), 2 (11880,960), 3 (13560,960),
    // 4 (14400,2160), 5 (13560,3360).
    {"Line14", 11040, 2160, 11880, 3360, 2, kBlack}, {"Line15", 11880, 960, 11040, 2160, 2, kBlack},
    {"Line10", 11880, 960, 13560, 960, 2, kBlack},   {"Line16", 13560, 960, 14400, 2160, 2, kBlack},
    {"Line18", 14400, 2160, 13560, 3360, 2, kBlack}, {"Line11", 11880, 3360, 13560, 3360, 2, kBlack},
    {"Line12", 13560, 960, 11880, 3360, 2, kBlack},  {"Line17", 11880, 960, 13560, 3360, 2, kBlack},
    {"Line19", 10800, 3360, 11880, 3360, 3, kRed},   {"Line20", 10800, 3360, 11040, 3240, 2, kRed},
    {"Line21", 10800, 3360, 11040, 3480, 2, kRed},   {"Line22", 11520, 2880, 11400, 3000, 2, kGreen},
    {"Line23", 11280, 3120, 11400, 3360, 2, kGreen},
    // Middle drawing: A (11880,6600), 1 (11040,5400), 2 (11880,4200), 3 (13560,4200),
    // 4 (14400,5400), B (13560,6600).
    {"Line31", 11040, 5400, 11880, 6600, 2, kBlack}, {"Line30", 11880, 4200, 11040, 5400, 2, kBlack},
    {"Line25", 11880, 4200, 13560, 4200, 2, kBlack}, {"Line32", 13560, 4200, 14400, 5400, 2, kBlack},
    {"Line33", 14400, 5400, 13560, 6600, 2, kBlack}, {"Line26", 11880, 6600, 13560, 6600, 3, kRed},
    {"Line27", 13560, 4200, 11880, 6600, 2, kBlack}, {"Line28", 11880, 4200, 13560, 6600, 2, kBlack},
    {"Line29", 11040, 5400, 14400, 5400, 2, kBlack},
    // Bottom drawing: A (11880,9720), 1 (11040,8520), 2 (11880,7320), 3 (13560,7320),
    // 4 (14400,8520), 5 (13560,9720), C (12720,8520).
    {"Line40", 11040, 8520, 11880, 9720, 2, kBlack}, {"Line39", 11880, 7320, 11040, 8520, 2, kBlack},
    {"Line34", 11880, 7320, 13560, 7320, 2, kBlack}, {"Line41", 13560, 7320, 14400, 8520, 2, kBlack},
    {"Line42", 14400, 8520, 13560, 9720, 2, kBlack}, {"Line37", 11880, 9720, 13560, 9720, 2, kBlack},
    {"Line36", 11880, 7320, 13560, 9720, 2, kBlack}, {"Line38", 11040, 8520, 14400, 8520, 2, kBlack},
    {"Line35", 13560, 7320, 12720, 8520, 2, kBlack}, {"Line43", 12720, 8520, 11880, 9720, 3, kRed},
};

class WindowLayout : public ::testing::Test {
protected:
    Form1 form;
};

TEST_F(WindowLayout, WindowCaptionColourAndSizeShowTheWholeLayout) {
    EXPECT_EQ(form.objectName(), "Form1");
    EXPECT_EQ(form.windowTitle(), "Kestrane");
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(255, 255, 192));
    EXPECT_TRUE(form.autoFillBackground());
    // The layout reaches x = 14535 and y = 10215 twips.
    EXPECT_GE(form.width(), 14535 / 15);
    EXPECT_GE(form.height(), 10215 / 15);
}

// A control of the design missing, misplaced, miscaptioned or in another
// font: buttons, fields and the panel's labels, two-line captions wrapped at
// their blanks.
TEST_F(WindowLayout, ButtonsFieldsAndLabelsHaveTheirCaptionsGeometryAndFonts) {
    for (const Expected& e : kButtons) {
        SCOPED_TRACE(e.name);
        auto* button = form.findChild<QPushButton*>(e.name);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->text(), QString::fromUtf8(e.caption));
        EXPECT_EQ(button->geometry(), twips(e.left, e.top, e.width, e.height));
        EXPECT_TRUE(button->isEnabled());
        EXPECT_TRUE(button->font().bold());
        EXPECT_EQ(button->font().pixelSize(), 11);
    }
    const QColor green(192, 255, 192);
    EXPECT_EQ(form.findChild<QPushButton*>("Command1")->palette().color(QPalette::Button), green);
    EXPECT_EQ(form.findChild<QPushButton*>("Command2")->palette().color(QPalette::Button), green);
    EXPECT_NE(form.findChild<QPushButton*>("Command3")->palette().color(QPalette::Button), green);

    for (const ExpectedField& e : kFields) {
        SCOPED_TRACE(e.name);
        auto* field = form.findChild<FittingField*>(e.name);
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->geometry(), twips(e.left, e.top, e.width, 285));
        EXPECT_TRUE(field->text().isEmpty());
        EXPECT_TRUE(field->isReadOnly());
        EXPECT_TRUE(field->designFont().bold());
        EXPECT_EQ(field->designFont().pixelSize(), 11);
        EXPECT_EQ(field->font(), field->designFont()) << "an empty field is drawn in the design font";
    }

    const std::map<std::string, QString> wrapped = {
        {"Label39", "最弱点单位权\n纵座标权倒数"},
        {"Label43", "最弱点单位权\n点位中误差"},
        {"Label41", "最弱点纵座标\n单位权中误差"},
        {"Label2", "起始点 A 纵座标"},
    };
    for (const Expected& e : kPanelLabels) {
        SCOPED_TRACE(e.name);
        auto* label = form.findChild<CaptionLabel*>(e.name);
        ASSERT_NE(label, nullptr);
        EXPECT_EQ(label->caption(), QString::fromUtf8(e.caption));
        EXPECT_EQ(label->geometry(), twips(e.left, e.top, e.width, e.height));
        EXPECT_TRUE(label->designFont().bold());
        EXPECT_EQ(label->designFont().pixelSize(), std::string(e.name) == "Kestrane" ? 16 : 11);
        EXPECT_EQ(label->palette().color(QPalette::Window), QColor(255, 255, 192));
        if (const auto it = wrapped.find(e.name); it != wrapped.end()) EXPECT_EQ(label->text(), it->second);
    }
}

TEST_F(WindowLayout, DrawingsShowTheirPointSideAndAngleNames) {
    // The drawings' texts are found by caption and position, whatever their names.
    std::multimap<std::tuple<int, int>, CaptionLabel*> byPosition;
    for (CaptionLabel* label : form.findChildren<CaptionLabel*>()) byPosition.emplace(std::tuple(label->x(), label->y()), label);
    for (const ExpectedMark& e : kDrawingMarks) {
        SCOPED_TRACE(std::string(e.caption) + " at " + std::to_string(e.left) + "," + std::to_string(e.top));
        CaptionLabel* found = nullptr;
        auto [from, to] = byPosition.equal_range(std::tuple(e.left / 15, e.top / 15));
        for (auto it = from; it != to; ++it) {
            if (it->second->caption() == QString::fromUtf8(e.caption)) found = it->second;
        }
        ASSERT_NE(found, nullptr);
        EXPECT_EQ(found->designFont().pixelSize(), e.pixelSize);
        EXPECT_TRUE(found->designFont().bold());
        if (e.pixelSize == 16) {
            EXPECT_EQ(found->height(), 255 / 15);
            EXPECT_EQ(found->width(), std::string(e.caption) == "C" ? 255 / 15 : 135 / 15);
        }
    }
}

TEST_F(WindowLayout, LinesRunBetweenTheirEndsInWidthAndColour) {
    for (const ExpectedLine& e : kLines) {
        SCOPED_TRACE(e.name);
        auto* line = form.findChild<LineShape*>(e.name);
        ASSERT_NE(line, nullptr);
        EXPECT_EQ(line->from(), QPoint(e.x1 / 15, e.y1 / 15));
        EXPECT_EQ(line->to(), QPoint(e.x2 / 15, e.y2 / 15));
        EXPECT_EQ(line->lineWidth(), e.width);
        EXPECT_EQ(line->colour().rgb(), e.colour);
        // The widget covers its line, so that all of it is painted.
        EXPECT_TRUE(line->geometry().contains(line->from()));
        EXPECT_TRUE(line->geometry().contains(line->to()));
    }
    // Line13 and Line24 together run from point 1 to point 4 of the top
    // drawing, broken where s(3) stands.
    auto* left = form.findChild<LineShape*>("Line13");
    auto* right = form.findChild<LineShape*>("Line24");
    ASSERT_TRUE(left && right);
    EXPECT_EQ(left->from(), QPoint(11040 / 15, 2160 / 15));
    EXPECT_EQ(right->to(), QPoint(14400 / 15, 2160 / 15));
    EXPECT_EQ(left->to().y(), 2160 / 15);
    EXPECT_EQ(right->from().y(), 2160 / 15);
    const QRect s3 = twips(11760, 2040, 375, 255);
    EXPECT_LE(left->to().x(), s3.left() + 2);
    EXPECT_GE(right->from().x(), s3.right() - 2);
}

TEST_F(WindowLayout, NoControlBeyondTheDesign) {
    std::set<std::string> expected;
    for (const Expected& e : kButtons) expected.insert(e.name);
    for (const ExpectedField& e : kFields) expected.insert(e.name);
    for (const Expected& e : kPanelLabels) expected.insert(e.name);
    for (const ExpectedLine& e : kLines) expected.insert(e.name);
    expected.insert({"Line13", "Line24"});  // the broken spoke, checked above
    const QRegularExpression designName(QStringLiteral("^(Command|Text|Line)\\d+$"));
    std::set<std::string> found;
    for (QWidget* child : form.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (designName.match(child->objectName()).hasMatch()) found.insert(child->objectName().toStdString());
    }
    for (const Expected& e : kPanelLabels) {
        if (form.findChild<CaptionLabel*>(e.name)) found.insert(e.name);
    }
    std::vector<std::string> missing, extra;
    std::set_difference(expected.begin(), expected.end(), found.begin(), found.end(), std::back_inserter(missing));
    std::set_difference(found.begin(), found.end(), expected.begin(), expected.end(), std::back_inserter(extra));
    EXPECT_TRUE(missing.empty()) << "missing " << ::testing::PrintToString(missing);
    EXPECT_TRUE(extra.empty()) << "not in the design " << ::testing::PrintToString(extra);
    EXPECT_EQ(form.findChildren<LineShape*>().size(), 43);
    EXPECT_EQ(form.findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly).size(), 30);
    // Label names stay within Label1..Label97 and are unique.
    std::set<QString> labelNames;
    for (CaptionLabel* label : form.findChildren<CaptionLabel*>()) {
        const QString name = label->objectName();
        EXPECT_TRUE(labelNames.insert(name).second) << name.toStdString();
        if (name == "Kestrane") continue;
        ASSERT_TRUE(name.startsWith("Label")) << name.toStdString();
        const int number = name.mid(5).toInt();
        EXPECT_TRUE(number >= 1 && number <= 97) << name.toStdString();
    }
}

TEST_F(WindowLayout, KeyboardOrderFollowsTheTabNumbers) {
    std::vector<std::pair<int, QString>> fields;
    for (const ExpectedField& e : kFields) fields.emplace_back(e.tab, e.name);
    std::sort(fields.begin(), fields.end());
    std::vector<QString> expected = {"Command1", "Command2", "Command3"};
    for (const auto& f : fields) expected.push_back(f.second);

    std::vector<QString> chain;
    QWidget* w = form.findChild<QPushButton*>("Command1");
    for (std::size_t i = 0; i < expected.size() && w; ++i) {
        chain.push_back(w->objectName());
        do {
            w = w->nextInFocusChain();
        } while (w && w != &form && w->focusPolicy() == Qt::NoFocus);
    }
    EXPECT_EQ(chain, expected);
}

// Every character of every caption is in one of the faces the control's font
// draws with, so Chinese never shows as boxes.
TEST_F(WindowLayout, EveryCaptionCharacterHasAGlyph) {
    for (CaptionLabel* label : form.findChildren<CaptionLabel*>()) {
        std::vector<QRawFont> faces;
        for (const QString& family : label->font().families()) {
            QFont f(family);
            f.setPixelSize(label->font().pixelSize());
            faces.push_back(QRawFont::fromFont(f));
        }
        ASSERT_FALSE(faces.empty());
        for (const QChar c : label->caption()) {
            if (c == ' ') continue;
            const bool drawn = std::any_of(faces.begin(), faces.end(),
                                           [&](const QRawFont& face) { return face.supportsCharacter(c); });
            EXPECT_TRUE(drawn) << label->objectName().toStdString() << " lacks " << QString(c).toStdString();
        }
    }
}

}  // namespace
