// Network definition: number of triangles, angle tolerance, known points,
// exterior azimuth and orientation angle, or the known side.
#include <cmath>

#include "angles/Angles.h"
#include "entry/EntryStages.h"
#include "prompting/ConfirmedEntry.h"
#include "prompting/NumberReader.h"
#include "prompting/PromptTexts.h"
#include "state/Faults.h"
#include "state/NumberFormat.h"

namespace kestrane {

namespace {

std::int16_t askTriangleCount(Services& io) {
    for (;;) {
        const std::optional<double> number = readNumber(askValue(io, texts::kTriangleCount, ""));
        if (!number) {
            refuse(io, texts::kTypeMismatch);
            continue;
        }
        const double rounded = std::nearbyint(*number);  // ties to even: 2.5 -> 2, 3.5 -> 4
        if (!(rounded >= kMinTriangles && rounded <= kMaxTriangles)) {
            refuse(io, texts::kTriangleCountRange);
            continue;
        }
        record(io, EntryItem::Triangles, rounded);
        return static_cast<std::int16_t>(rounded);
    }
}

// The tolerance in seconds of arc, rounded to single precision; it must be
// above 0, since it divides the side weight.
float askTolerance(Services& io) {
    constexpr double singleLimit = 0x1.ffffffp127;
    for (;;) {
        const std::optional<double> number = readNumber(askValue(io, texts::kTolerance, ""));
        if (!number) {
            refuse(io, texts::kTypeMismatch);
        } else if (!std::isfinite(*number) || std::fabs(*number) >= singleLimit) {
            refuse(io, texts::kNumberOverflow);
        } else if (!(static_cast<float>(*number) > 0)) {
            refuse(io, texts::kToleranceNotPositive);
        } else {
            record(io, EntryItem::Tolerance, *number);
            return static_cast<float>(*number);
        }
    }
}

double coordinate(Services& io, EntryItem item, const char* valuePrompt, const char* firstConfirm, bool isX,
                  const char* field, const char* valueTitle = "") {
    EntryTexts t;
    t.valuePrompt = valuePrompt;
    t.firstConfirm = firstConfirm;
    t.reentryPrompt = isX ? texts::kXReentry : texts::kYReentry;
    t.repeatConfirm = isX ? texts::kXConfirm : texts::kYConfirm;
    t.valueTitle = valueTitle;
    return confirmedNumber(io, t, field, 3, item);
}

// A packed angle typed as numeric text: confirmed first, converted after.
// A text that spells no number is refused and the whole entry asked again.
double packedAngle(Services& io, EntryItem item, const EntryTexts& t, const char* field) {
    for (;;) {
        if (const auto number = numberOrRefuse(io, confirmedNumericText(io, t, field))) {
            record(io, item, *number);
            return *number;
        }
    }
}

void showKnownSide(Services& io, double azimuthShown, double side) {
    io.window.setText("Text28", " " + formatFixed(roundHalfEven(azimuthShown, 5), 5) + " 度");
    io.window.setText("Text31", " " + formatFixed(roundHalfEven(side, 4), 4) + " 米");
}

}  // namespace

void enterNetworkDefinition(AdjustmentState& s, Services& io) {
    const std::int16_t n = askTriangleCount(io);
    s.triangleCount = n;
    io.window.setText("Text30", " 中心多边形共有" + integerText(n) + "个三角形");
    s.conditionCount = static_cast<std::int16_t>(3 * n + 1);
    s.redimension(n);

    s.angleTolerance = askTolerance(io);
    s.enteredTolerance = s.angleTolerance;

    s.Xa = coordinate(io, EntryItem::Xa, texts::kXaValue, texts::kXaFirstConfirm, true, "Text1");
    s.Ya = coordinate(io, EntryItem::Ya, texts::kYaValue, texts::kYConfirm, false, "Text2");
    // A point is known with both coordinates non-zero and unknown with both
    // zero; one zero coordinate is refused and the point asked again.
    for (;;) {
        s.Xb = coordinate(io, EntryItem::Xb, texts::kXbValue, texts::kXConfirm, true, "Text3");
        s.Yb = coordinate(io, EntryItem::Yb, texts::kYbValue, texts::kYConfirm, false, "Text4", texts::kYbTitle);
        if ((s.Xb == 0) == (s.Yb == 0)) break;
        refuse(io, texts::kPointBHalfKnown);
        if (io.recorder) io.recorder->withdrawn(EntryItem::Xb, EntryItem::Yb);
    }
    s.Xc = 0;
    s.Yc = 0;
    if (s.Xb == 0 && s.Yb == 0) {
        for (;;) {
            s.Xc = coordinate(io, EntryItem::Xc, texts::kXcValue, texts::kXConfirm, true, "Text5");
            s.Yc = coordinate(io, EntryItem::Yc, texts::kYcValue, texts::kYConfirm, false, "Text6");
            if ((s.Xc == 0) == (s.Yc == 0)) break;
            refuse(io, texts::kPointCHalfKnown);
            if (io.recorder) io.recorder->withdrawn(EntryItem::Xc, EntryItem::Yc);
        }
    }

    const int twoN = 2 * n;
    switch (s.knownPointCase()) {
    case KnownPointCase::AOnly: {
        s.T0 = packedAngle(io, EntryItem::T0, {texts::kT0Value, texts::kT0Confirm, texts::kT0Reentry, texts::kT0Confirm}, "Text7");
        s.t0Degrees = DmsToDegrees(s.T0);
        s.Qa = packedAngle(io, EntryItem::Qa, {texts::kQaValue, texts::kQaFirstConfirm, texts::kQaReentry, texts::kQaConfirm},
                           "Text8");
        s.qaDegrees = SignedDmsToDegrees(s.Qa);
        break;
    }
    case KnownPointCase::AWithB: {
        // The outer side s(2n) is the distance A-B, its azimuth the orientation.
        FaultGuard guard;
        const double dX = s.Xb - s.Xa;
        const double dY = s.Yb - s.Ya;
        s.sideLengths[twoN] = std::sqrt(dX * dX + dY * dY);
        s.t0Degrees = AzimuthFromDeltas(dX, dY, s.sideLengths[twoN]);
        s.T0 = DegreesToDms(s.t0Degrees);
        guard.check();
        showKnownSide(io, s.T0, s.sideLengths[twoN]);
        break;
    }
    case KnownPointCase::AWithC: {
        // The radial side s(1) is the distance A-C; Text28 shows decimal degrees.
        FaultGuard guard;
        const double dX = s.Xc - s.Xa;
        const double dY = s.Yc - s.Ya;
        s.sideLengths[1] = std::sqrt(dX * dX + dY * dY);
        s.t0Degrees = AzimuthFromDeltas(dX, dY, s.sideLengths[1]);
        guard.check();
        showKnownSide(io, s.t0Degrees, s.sideLengths[1]);
        break;
    }
    case KnownPointCase::None:
        break;  // refused above
    }
}

}  // namespace kestrane
