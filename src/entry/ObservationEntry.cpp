// Observation entry: the three angles of each triangle (packed d.mmss, held
// in decimal degrees after confirmation) and the sides in metres.
#include "adjustment/AdjustmentStages.h"
#include "angles/Angles.h"
#include "entry/EntryStages.h"
#include "prompting/ConfirmedEntry.h"
#include "prompting/PromptTexts.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

// One angle: confirmed as typed (packed), kept in enteredAngles, converted
// to decimal degrees in angleDegrees.
void enterAngle(AdjustmentState& s, Services& io, int index, const EntryTexts& t, const char* field,
                const std::function<void()>& afterFirstAnswer) {
    const double packed = confirmedNumber(io, t, field, 5, EntryItem::Angle, afterFirstAnswer);
    s.enteredAngles[static_cast<std::size_t>(index)] = packed;
    s.angleDegrees[static_cast<std::size_t>(index)] = DmsToDegrees(packed);
}

std::string caption(const char* before, int i) { return std::string(before) + integerText(i) + ")"; }

}  // namespace

void enterAngles(AdjustmentState& s, Services& io) {
    const int n = s.triangleCount;
    for (int i = 1; i <= n; ++i) {
        const std::string number = integerText(i);
        io.window.setText("Text25", "");
        io.window.setText("Text11", "现在输入第" + number + "个三角形的内角");

        enterAngle(s, io, 3 * i - 2,
                   {texts::kTriangleBefore + number + texts::kDistanceAngleAfter, texts::kDistanceAngleConfirm,
                    texts::kDistanceAngleReentry, texts::kDistanceAngleConfirm},
                   "Text9", [&] {
                       io.window.setText("Text13", "");
                       io.window.setText("Text17", "");
                       io.window.setText("Text29", "");
                       io.window.setCaption("Label18", caption(" 求距角(", i));
                   });
        enterAngle(s, io, 3 * i - 1,
                   {texts::kTriangleBefore + number + texts::kForwardAngleAfter, texts::kForwardAngleConfirm,
                    texts::kForwardAngleReentry, texts::kForwardAngleConfirm},
                   "Text17", [&] { io.window.setCaption("Label28", caption(" 前进角(", i)); });
        enterAngle(s, io, 3 * i,
                   {texts::kTriangleBefore + number + texts::kCentralAngleAfter, texts::kCentralAngleConfirm,
                    texts::kCentralAngleReentry, texts::kCentralAngleConfirm},
                   "Text29", [&] { io.window.setCaption("Label29", caption(" 中心角(", i)); });

        computeTriangleMisclosure(s, io, i);
    }
}

void enterSides(AdjustmentState& s, Services& io) {
    const int n = s.triangleCount;
    const bool centreUnknown = s.Xc == 0 && s.Yc == 0;
    const bool outerBUnknown = s.Xb == 0 && s.Yb == 0;
    const EntryTexts sideTexts{"", texts::kSideConfirm, texts::kSideReentry, texts::kSideConfirm};
    auto side = [&](int k, EntryTexts t, const std::function<void()>& afterFirstAnswer) {
        s.sideLengths[static_cast<std::size_t>(k)] = confirmedNumber(io, t, "Text10", 4, EntryItem::Side, afterFirstAnswer);
        s.enteredSides[static_cast<std::size_t>(k)] = s.sideLengths[static_cast<std::size_t>(k)];
    };

    if (centreUnknown) {
        io.window.setText("Text12", "输入第1条边长");
        EntryTexts t = sideTexts;
        t.valuePrompt = texts::kFirstSide;
        side(1, t, [&] {
            for (const char* field : {"Text11", "Text9", "Text17", "Text29", "Text13"}) io.window.setText(field, "");
            io.window.setCaption("Label19", " s(1)");
        });
    }
    for (int k = 2; k <= 2 * n - 1; ++k) {
        const std::string number = integerText(k);
        io.window.setText("Text12", "输入第" + number + "条边长");
        EntryTexts t = sideTexts;
        t.valuePrompt = texts::kMiddleSideBefore + number + texts::kMiddleSideAfter;
        side(k, t, [&] {
            if (centreUnknown) {
                for (const char* field : {"Text11", "Text17", "Text29", "Text13"}) io.window.setText(field, "");
            }
            io.window.setCaption("Label19", " s(" + number + ")");
        });
    }
    if (outerBUnknown) {
        const std::string number = integerText(2 * n);
        io.window.setText("Text12", "输入最后一条边长");
        io.window.setCaption("Label19", " s(" + number + ")");
        EntryTexts t = sideTexts;
        t.valuePrompt = texts::kLastSideBefore + number + texts::kMiddleSideAfter;
        t.firstConfirm = texts::kLastSideConfirm;
        t.firstConfirmTitle = texts::kLastSideTitle;
        side(2 * n, t, {});
    }

    s.sideLengths[static_cast<std::size_t>(2 * n + 1)] = s.sideLengths[1];
    s.pointX[0] = s.Xa;
    s.pointY[0] = s.Ya;
}

}  // namespace kestrane
