#include "frontends/qt/WindowLayout.h"

#include <array>

namespace kestrane::layout {

namespace {

constexpr Rgb D = kDefaultColour;
constexpr const FontSpec* F = &kDefaultFont;

// Heights used throughout the form.
constexpr int kButtonW = 975, kButtonH = 375;
constexpr int kFieldH = 285;
constexpr int kLabelH = 255;

constexpr Control button(const char* name, const char* caption, int left, int top, int tab, Rgb colour) {
    return {Kind::Button, name, caption, left, top, kButtonW, kButtonH, tab, colour, F};
}
constexpr Control field(const char* name, int left, int top, int width, int tab) {
    return {Kind::Field, name, "", left, top, width, kFieldH, tab, D, F};
}
constexpr Control label(const char* name, const char* caption, int left, int top, int width,
                        int height = kLabelH, const FontSpec* font = F) {
    return {Kind::Label, name, caption, left, top, width, height, -1, D, font};
}
// A point label of the network drawings.
constexpr Control point(const char* name, const char* caption, int left, int top, int width = 135) {
    return label(name, caption, left, top, width, kLabelH, &kPointLabelFont);
}
// An angle label of the top drawing.
constexpr Control angle(const char* name, const char* caption, int left, int top) {
    return label(name, caption, left, top, 375, 210, &kAngleLabelFont);
}

constexpr auto kControls = std::to_array<Control>({
    // The commands come first in the keyboard order, so that the window
    // opens with the start command focused.
    button("Command1", "开始计算", 5160, 9480, 0, kButtonGreen),
    button("Command2", "退出计算", 6360, 9480, 0, kButtonGreen),
    button("Command3", "打 印", 7560, 9480, 0, D),

    // Output fields, with their keyboard order numbers.
    field("Text1", 2520, 2160, 1335, 1),
    field("Text2", 2520, 2760, 1335, 2),
    field("Text3", 2520, 3480, 1335, 3),
    field("Text4", 2520, 4080, 1335, 4),
    field("Text5", 2520, 4800, 1335, 5),
    field("Text6", 2520, 5400, 1335, 6),
    field("Text28", 2520, 6840, 1455, 77),
    field("Text31", 2520, 7440, 1455, 125),
    field("Text7", 2520, 8040, 1455, 19),
    field("Text8", 2520, 8640, 1455, 20),
    field("Text30", 5880, 1560, 2775, 123),
    field("Text15", 6720, 2280, 1215, 34),
    field("Text18", 5760, 3720, 1095, 46),
    field("Text19", 7920, 3720, 1095, 47),
    field("Text20", 5160, 4680, 1215, 52),
    field("Text21", 6840, 4680, 1215, 53),
    field("Text24", 8640, 5160, 1095, 56),
    field("Text22", 5160, 5520, 1215, 54),
    field("Text23", 6840, 5520, 1215, 55),
    field("Text25", 5640, 6600, 975, 68),
    field("Text26", 7200, 6600, 1335, 69),
    field("Text27", 9000, 6600, 1335, 70),
    field("Text11", 6120, 7440, 2775, 29),
    field("Text9", 4680, 8160, 1215, 25),
    field("Text17", 6000, 8160, 1215, 118),
    field("Text29", 7320, 8160, 1215, 119),
    field("Text13", 9120, 8160, 1215, 31),
    field("Text12", 4920, 8760, 2175, 30),
    field("Text10", 7080, 8760, 1215, 28),
    field("Text14", 8880, 8760, 1215, 33),

    // Labels of the panel.
    label("Kestrane", "Kestrane", 4920, 720, 2895, 375, &kTitleFont),
    label("Label31", "起始点座标数据:", 2160, 1560, 1455),
    label("Label2", "起始点 A 纵座标", 2520, 1920, 1455),
    label("Label8", " Xa", 2160, 2160, 375),
    label("Label3", "起始点 A 横座标", 2520, 2520, 1455),
    label("Label9", " Ya", 2160, 2760, 375),
    label("Label4", "起始点 B 纵座标", 2520, 3240, 1455),
    label("Label10", " Xb", 2160, 3480, 375),
    label("Label5", "起始点 B 横座标", 2520, 3840, 1455),
    label("Label11", " Yb", 2160, 4080, 375),
    label("Label6", "中心点 C 纵座标", 2520, 4560, 1455),
    label("Label12", " Xc", 2160, 4800, 375),
    label("Label7", "中心点 C 横座标", 2520, 5160, 1455),
    label("Label13", " Yc", 2160, 5400, 375),
    label("Label32", "起始数据:", 2160, 6240, 855),
    label("Label56", " 固定边方位角", 2640, 6600, 1215),
    label("Label1", " T0", 2160, 6840, 375),
    label("Label96", " 起算边长", 2880, 7200, 855),
    label("Label97", " S0", 2160, 7440, 375),
    label("Label14", "外方位角", 2880, 7800, 855),
    label("Label16", " T0", 2160, 8040, 375),
    label("Label15", "外定向角", 2880, 8400, 855),
    label("Label17", " Qa", 2160, 8640, 375),
    label("Label95", "图形个数说明", 4680, 1560, 1215),
    label("Label23", " 圆周条件闭合差", 6600, 2040, 1455),
    label("Label25", " wc", 6360, 2280, 375),
    label("Label34", "( 精度评定 )", 6840, 3000, 1095),
    label("Label37", " 单位权测角中误差", 5400, 3480, 1695),
    label("Label35", " mb", 5400, 3720, 375),
    label("Label38", " 单位权测边中误差", 7560, 3480, 1695),
    label("Label36", " ms", 7560, 3720, 375),
    label("Label39", "最弱点单位权   纵座标权倒数", 5160, 4200, 1215, 375),
    label("Label44", " 1/px", 4680, 4680, 495),
    label("Label40", "最弱点单位权   横座标权倒数", 6840, 4200, 1215, 375),
    label("Label45", " 1/py", 6360, 4680, 495),
    label("Label43", "最弱点单位权     点位中误差", 8640, 4680, 1215, 375),
    label("Label48", " md", 8280, 5160, 375),
    label("Label41", "最弱点纵座标   单位权中误差", 5160, 5040, 1215, 495),
    label("Label46", " mx", 4800, 5520, 375),
    label("Label42", "最弱点横座标   单位权中误差", 6840, 5040, 1215, 375),
    label("Label47", " my", 6480, 5520, 375),
    label("Label49", "( 平差结果 )", 4200, 6360, 1095),
    label("Label50", "点  名", 5880, 6360, 495),
    label("Label51", " 纵 座 标", 7440, 6360, 855),
    label("Label52", " 横 座 标", 9480, 6360, 855),
    label("Label53", "     N", 5160, 6600, 495),
    label("Label54", " Xp", 6840, 6600, 375),
    label("Label55", " Yp", 8640, 6600, 375),
    label("Label30", "角度输入说明", 6840, 7200, 1215),
    label("Label33", "( 观测数据 )", 4320, 7320, 1095),
    label("Label18", "   求距角", 4800, 7920, 975),
    label("Label28", "   前进角", 6120, 7920, 975),
    label("Label29", "   中心角", 7440, 7920, 975),
    label("Label20", "三角形闭合差", 9120, 7920, 1215),
    label("Label22", "   ws", 8640, 8160, 495),
    label("Label19", "观测边长", 7320, 8520, 855),
    label("Label27", " 边条件闭合差", 8880, 8520, 1335),
    label("Label24", "   wb", 8400, 8760, 495),

    // Captions under the three drawings.
    label("Label92", "Xb=0  Yb=0   Xc=0  Yc=0", 12240, 3480, 1095, 375),
    label("Label93", "Xb<>0  Yb<>0   Xc=0    Yc=0", 12120, 6720, 1215, 375),
    label("Label94", " Xb=0   Yb=0    Xc<>0  Yc<>0", 12120, 9840, 1215, 375),

    // Top drawing (only A known): side and angle labels, the exterior
    // direction and the orientation angle, the points.
    label("Label57", "s(1)", 12120, 2640, 375),
    label("Label58", "s(2)", 11280, 2640, 375),
    label("Label59", "s(3)", 11760, 2040, 375),
    label("Label60", "s(4)", 11280, 1440, 375),
    label("Label61", "s(5)", 12120, 1440, 375),
    label("Label62", "s(2n)", 12480, 3240, 555),
    angle("Label63", "b(1)", 11640, 2880),
    angle("Label64", "b(2)", 11280, 2280),
    angle("Label65", "b(3)", 12120, 2280),
    angle("Label66", "b(4)", 11280, 1920),
    angle("Label67", "b(5)", 11760, 1200),
    angle("Label68", "b(6)", 12120, 1920),
    label("Label69", "T0", 10800, 3480, 375),
    label("Label70", "Qa", 11160, 2880, 375),
    point("Label71", "1", 10920, 2040),
    point("Label72", "2", 11760, 720),
    point("Label73", "3", 13560, 720),
    point("Label74", "4", 14400, 2040),
    point("Label75", "5", 13560, 3360),
    point("Label76", "6", 12720, 2040),
    point("Label77", "A", 11880, 3360),
    // Middle drawing (A and B known).
    point("Label78", "1", 10920, 5280),
    point("Label79", "2", 11760, 3960),
    point("Label80", "3", 13560, 3960),
    point("Label81", "4", 14400, 5280),
    point("Label82", "5", 12720, 5280),
    point("Label83", "A", 11760, 6600),
    point("Label84", "B", 13560, 6600),
    // Bottom drawing (A and the centre C known).
    point("Label85", "1", 10920, 8280),
    point("Label86", "2", 11760, 7080),
    point("Label87", "3", 13560, 7080),
    point("Label88", "4", 14400, 8400),
    point("Label89", "5", 13560, 9720),
    point("Label90", "A", 11760, 9720),
    point("Label91", "C", 12720, 8400, 255),
});

// Corners of the three drawings' polygons, twips.
constexpr int kTopA[] = {11880, 3360}, kTop1[] = {11040, 2160}, kTop2[] = {11880, 960},
              kTop3[] = {13560, 960}, kTop4[] = {14400, 2160}, kTop5[] = {13560, 3360};
constexpr int kMidA[] = {11880, 6600}, kMid1[] = {11040, 5400}, kMid2[] = {11880, 4200},
              kMid3[] = {13560, 4200}, kMid4[] = {14400, 5400}, kMidB[] = {13560, 6600};
constexpr int kBotA[] = {11880, 9720}, kBot1[] = {11040, 8520}, kBot2[] = {11880, 7320},
              kBot3[] = {13560, 7320}, kBot4[] = {14400, 8520}, kBot5[] = {13560, 9720},
              kBotC[] = {12720, 8520};

constexpr Line frame(const char* name, int x1, int y1, int x2, int y2) {
    return {name, x1, y1, x2, y2, 3, kFrameColour};
}
constexpr Line join(const char* name, const int* p, const int* q, int width = 2, Rgb colour = kLineDefault) {
    return {name, p[0], p[1], q[0], q[1], width, colour};
}

constexpr auto kLines = std::to_array<Line>({
    frame("Line1", 1920, 1320, 10560, 1320),
    frame("Line4", 1920, 9240, 10560, 9240),
    frame("Line2", 1920, 1320, 1920, 9240),
    frame("Line3", 10560, 1320, 10560, 9240),
    frame("Line5", 4080, 1320, 4080, 9240),
    frame("Line6", 1920, 6000, 4080, 6000),
    frame("Line7", 4080, 2760, 10560, 2760),
    frame("Line8", 4080, 6000, 10560, 6000),
    frame("Line9", 4080, 7080, 10560, 7080),

    // Top drawing: the ring, the spokes through the centre (the one from 1
    // to 4 broken where the label s(3) stands), the exterior direction with
    // its arrowhead, and the mark of the orientation angle.
    join("Line14", kTop1, kTopA),
    join("Line15", kTop2, kTop1),
    join("Line10", kTop2, kTop3),
    join("Line16", kTop3, kTop4),
    join("Line18", kTop4, kTop5),
    join("Line11", kTopA, kTop5),
    join("Line12", kTop3, kTopA),
    join("Line17", kTop2, kTop5),
    {"Line13", 11040, 2160, 11760, 2160, 2, kLineDefault},
    {"Line24", 12120, 2160, 14400, 2160, 2, kLineDefault},
    {"Line19", 10800, 3360, 11880, 3360, 3, kRed},
    {"Line20", 10800, 3360, 11040, 3240, 2, kRed},
    {"Line21", 10800, 3360, 11040, 3480, 2, kRed},
    {"Line22", 11520, 2880, 11400, 3000, 2, kGreen},
    {"Line23", 11280, 3120, 11400, 3360, 2, kGreen},

    // Middle drawing: ring with the known side A-B, spokes.
    join("Line31", kMid1, kMidA),
    join("Line30", kMid2, kMid1),
    join("Line25", kMid2, kMid3),
    join("Line32", kMid3, kMid4),
    join("Line33", kMid4, kMidB),
    join("Line26", kMidA, kMidB, 3, kRed),
    join("Line27", kMid3, kMidA),
    join("Line28", kMid2, kMidB),
    join("Line29", kMid1, kMid4),

    // Bottom drawing: ring, spokes, and the known side C-A.
    join("Line40", kBot1, kBotA),
    join("Line39", kBot2, kBot1),
    join("Line34", kBot2, kBot3),
    join("Line41", kBot3, kBot4),
    join("Line42", kBot4, kBot5),
    join("Line37", kBotA, kBot5),
    join("Line36", kBot2, kBot5),
    join("Line38", kBot1, kBot4),
    join("Line35", kBot3, kBotC),
    join("Line43", kBotC, kBotA, 3, kRed),
});

}  // namespace

std::span<const Control> controls() { return kControls; }
std::span<const Line> lines() { return kLines; }

}  // namespace kestrane::layout
