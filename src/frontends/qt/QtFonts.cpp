#include "frontends/qt/QtFonts.h"

#include <QFontDatabase>

#include <cmath>

namespace kestrane {

namespace {

// Song (Ming) style faces: the design face and its Windows names first,
// then the serif Chinese faces of free systems.
const QStringList kSongFaces = {
    QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("NSimSun"),
    QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Source Han Serif SC"),
    QStringLiteral("AR PL UMing CN"), QStringLiteral("AR PL SungtiL GB"),
    QStringLiteral("Noto Serif CJK TC"), QStringLiteral("Noto Serif CJK JP"),
};

// Plain sans faces close to "MS Sans Serif" in width.
const QStringList kSansFaces = {
    QStringLiteral("MS Sans Serif"), QStringLiteral("Microsoft Sans Serif"),
    QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"), QStringLiteral("Nimbus Sans"),
    QStringLiteral("Noto Sans"), QStringLiteral("DejaVu Sans"),
};

// Chinese faces behind a Latin face.
const QStringList kChineseFallback = {
    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("Source Han Sans SC"),
    QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("WenQuanYi Micro Hei"),
    QStringLiteral("Droid Sans Fallback"), QStringLiteral("Noto Serif CJK SC"),
    QStringLiteral("AR PL UMing CN"),
};

// On screen the Song faces that draw the design face's widths come first:
// Latin letters and digits half an em wide, Chinese a whole em, so that the
// drawings' point names fit the labels made for them.
const QStringList kSongScreenFaces = [] {
    QStringList faces = kSongFaces.mid(0, 3);
    faces << QStringLiteral("AR PL UMing CN");
    for (const QString& face : kSongFaces.mid(3)) {
        if (!faces.contains(face)) faces << face;
    }
    return faces;
}();

bool isSongName(const QString& name) {
    return kSongFaces.mid(0, 3).contains(name, Qt::CaseInsensitive);
}

// The first installed face of each list, in list order.
QStringList firstInstalled(std::initializer_list<const QStringList*> lists) {
    QStringList result;
    for (const QStringList* list : lists) {
        for (const QString& face : *list) {
            if (QFontDatabase::hasFamily(face)) {
                if (!result.contains(face)) result << face;
                break;
            }
        }
    }
    return result;
}

}  // namespace

QStringList installedFamilies(const QString& designName, FontUse use) {
    QStringList result;
    if (QFontDatabase::hasFamily(designName)) result << designName;
    QStringList more;
    if (isSongName(designName)) {
        more = firstInstalled({use == FontUse::Screen ? &kSongScreenFaces : &kSongFaces, &kChineseFallback});
    } else if (kSansFaces.mid(0, 2).contains(designName, Qt::CaseInsensitive)) {
        more = firstInstalled({&kSansFaces, &kChineseFallback});
    } else {
        more = firstInstalled({&kChineseFallback});
    }
    for (const QString& face : more) {
        if (!result.contains(face)) result << face;
    }
    if (result.isEmpty()) result << designName;
    return result;
}

QFont screenFont(const layout::FontSpec& face) {
    QFont font;
    font.setFamilies(installedFamilies(QString::fromUtf8(face.family), FontUse::Screen));
    font.setPixelSize(static_cast<int>(std::lround(face.points * 96.0 / 72.0)));
    font.setBold(face.bold);
    return font;
}

QFont printFont(const QString& designName, double points) {
    QFont font;
    font.setFamilies(installedFamilies(designName));
    font.setPointSizeF(points);
    return font;
}

}  // namespace kestrane
