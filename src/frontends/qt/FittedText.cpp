#include "frontends/qt/FittedText.h"

#include <QEvent>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

#include <cmath>

namespace kestrane {

namespace {

// The blank QLineEdit keeps on each side of its text, and the pixel it keeps
// for the cursor after it, in pixels.
constexpr int kLineEditSideMargin = 2;
constexpr int kCursorWidth = 1;

}  // namespace

int pixelSizeOf(const QFont& font) { return font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize(); }

QFont shrunkToFit(const QFont& design, const std::function<bool(const QFont&)>& fits) {
    QFont font = design;
    const int designSize = pixelSizeOf(design);
    for (int size = designSize; size >= kSmallestTextPixels; --size) {
        font.setPixelSize(size);
        if (fits(font)) return font;
    }
    font.setPixelSize(std::min(designSize, kSmallestTextPixels));
    return font;
}

QStringList wrapAtBlanks(const QString& caption, const QFontMetricsF& metrics, int width) {
    QStringList lines{QString()};
    int i = 0;
    const int size = static_cast<int>(caption.size());
    while (i < size) {
        const int start = i;
        while (i < size && caption[i] == QLatin1Char(' ')) ++i;
        const int wordStart = i;
        while (i < size && caption[i] != QLatin1Char(' ')) ++i;
        const QString piece = caption.mid(start, i - start);
        QString& line = lines.back();
        if (!line.isEmpty() && wordStart < i && metrics.horizontalAdvance(line + piece) > width) {
            lines << caption.mid(wordStart, i - wordStart);
        } else {
            line += piece;
        }
    }
    return lines;
}

// The design's line pitch: 1.2 times the font's size, whatever the line
// height of the face that supplies the Chinese glyphs.
int captionLinePitch(const QFont& font) { return static_cast<int>(std::lround(pixelSizeOf(font) * 1.2)); }

namespace {

// The first baseline: the design's, lowered (as far as the label's height
// allows) until the tallest glyph of the first line stands inside the label.
int firstBaseline(const QStringList& lines, const QFont& font, int labelHeight) {
    const QFontMetricsF metrics(font);
    int baseline = static_cast<int>(std::lround(pixelSizeOf(font) * 0.95));
    const int above = static_cast<int>(std::ceil(-metrics.tightBoundingRect(lines.constFirst()).top()));
    const int last = (static_cast<int>(lines.size()) - 1) * captionLinePitch(font);
    const int below = static_cast<int>(std::ceil(metrics.tightBoundingRect(lines.constLast()).bottom()));
    while (baseline < above && baseline + last + below < labelHeight) ++baseline;
    return baseline;
}

}  // namespace

FittedCaption fitCaption(const QString& caption, const QFont& design, QSize label) {
    // The lines stand at the pitch; the last one takes one em below its top.
    auto linesFitting = [&](const QFont& font) {
        const int below = label.height() + 1 - pixelSizeOf(font);
        return below < 0 ? 1 : 1 + below / captionLinePitch(font);
    };
    auto fits = [&](const QFont& font) {
        const QFontMetricsF metrics(font);
        const QStringList lines = wrapAtBlanks(caption, metrics, label.width());
        if (lines.size() > linesFitting(font)) return false;
        for (const QString& line : lines) {
            if (std::ceil(metrics.horizontalAdvance(line)) > label.width()) return false;
        }
        return true;
    };
    FittedCaption fitted;
    fitted.font = fits(design) ? design : shrunkToFit(design, fits);
    const QFontMetricsF metrics(fitted.font);
    fitted.lines = wrapAtBlanks(caption, metrics, label.width());
    if (fits(fitted.font)) {
        fitted.baseline = firstBaseline(fitted.lines, fitted.font, label.height());
        return fitted;
    }

    fitted.cut = true;
    const int kept = linesFitting(fitted.font);
    if (fitted.lines.size() > kept) {
        QStringList rest = fitted.lines.mid(kept - 1);
        fitted.lines = fitted.lines.mid(0, kept - 1);
        fitted.lines << rest.join(QLatin1Char(' '));
    }
    for (QString& line : fitted.lines) line = metrics.elidedText(line, Qt::ElideRight, label.width());
    fitted.baseline = firstBaseline(fitted.lines, fitted.font, label.height());
    return fitted;
}

// ---------------------------------------------------------------------------

QColor staleTextColour() { return QColor(128, 128, 128); }

FittingField::FittingField(QWidget* parent) : QLineEdit(parent), design_(font()) {
    connect(this, &QLineEdit::textChanged, this, [this] { refit(); });
}

int FittingField::textRoom() const {
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    const QRect contents =
        style()->subElementRect(QStyle::SE_LineEditContents, &panel, this).marginsRemoved(textMargins());
    return contents.width() - 2 * kLineEditSideMargin - kCursorWidth;
}

void FittingField::refit() {
    const QString full = text();
    const int room = textRoom();
    auto fits = [&](const QFont& font) {
        return std::ceil(QFontMetricsF(font).horizontalAdvance(full)) <= room;
    };
    const QFont drawn = fits(design_) ? design_ : shrunkToFit(design_, fits);
    cut_ = !fits(drawn);
    cutText_ = cut_ ? QFontMetricsF(drawn).elidedText(full, Qt::ElideRight, room) : QString();
    if (drawn != font()) {
        refitting_ = true;
        setFont(drawn);
        refitting_ = false;
    }
    fitted_ = drawn != design_ || cut_;
    updateToolTip();
    update();
}

void FittingField::setNotes(const QStringList& notes) {
    notes_ = notes;
    updateToolTip();
}

void FittingField::setStale(bool stale) {
    if (stale == stale_) return;
    stale_ = stale;
    QPalette colours = palette();
    if (stale_) {
        activeText_ = colours.brush(QPalette::Active, QPalette::Text);
        inactiveText_ = colours.brush(QPalette::Inactive, QPalette::Text);
        colours.setColor(QPalette::Active, QPalette::Text, staleTextColour());
        colours.setColor(QPalette::Inactive, QPalette::Text, staleTextColour());
    } else {
        colours.setBrush(QPalette::Active, QPalette::Text, activeText_);
        colours.setBrush(QPalette::Inactive, QPalette::Text, inactiveText_);
    }
    setPalette(colours);
    updateToolTip();
    update();
}

void FittingField::updateToolTip() {
    QStringList lines;
    if (fitted_) lines << text().trimmed();
    lines << notes_;
    if (stale_ && !text().isEmpty()) lines << kStaleFigureNote;
    setToolTip(lines.join(QLatin1Char('\n')));
}

void FittingField::changeEvent(QEvent* event) {
    QLineEdit::changeEvent(event);
    if (refitting_) return;
    if (event->type() == QEvent::FontChange) {
        // A font set from outside is the new design font.
        design_ = font();
        refit();
    } else if (event->type() == QEvent::StyleChange) {
        refit();
    }
}

void FittingField::resizeEvent(QResizeEvent* event) {
    QLineEdit::resizeEvent(event);
    refit();
}

// A cut text is drawn here in the field's frame, at the place QLineEdit
// draws a text; a whole text QLineEdit draws itself.
void FittingField::paintEvent(QPaintEvent* event) {
    if (!cut_) {
        QLineEdit::paintEvent(event);
        return;
    }
    QPainter painter(this);
    QStyleOptionFrame panel;
    initStyleOption(&panel);
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    const QRect contents = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &panel, this)
                               .marginsRemoved(textMargins())
                               .adjusted(kLineEditSideMargin, 0, -kLineEditSideMargin, 0);
    painter.setFont(font());
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    painter.drawText(contents, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, cutText_);
}

}  // namespace kestrane
