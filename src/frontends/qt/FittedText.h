// Text that always shows whole in its fixed-size control: drawn in the
// design font when it fits, in a smaller size of the same face when it does
// not (down to a legible floor), and cut with "…" only below that floor. A
// text not drawn in the design font shows whole in the control's tooltip.
// Fitting changes only how a text is drawn: the control's text stays the
// full text, and its place and size stay those of the layout.
#pragma once

#include <QBrush>
#include <QColor>
#include <QFont>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QSize>
#include <QStringList>

#include <functional>

namespace kestrane {

// The smallest size in pixels a text is shrunk to before it is cut.
inline constexpr int kSmallestTextPixels = 8;

// The size in pixels a font is drawn at on a 96 dots-per-inch screen.
int pixelSizeOf(const QFont& font);

// The design font at the largest whole-pixel size, from its own size down to
// kSmallestTextPixels, at which fits(font) holds; the font at the floor when
// none does.
QFont shrunkToFit(const QFont& design, const std::function<bool(const QFont&)>& fits);

// A caption broken into lines at its blanks, greedily: each word keeps the
// blanks in front of it; a word that no longer fits the width (pixels)
// starts the next line without those blanks.
QStringList wrapAtBlanks(const QString& caption, const QFontMetricsF& metrics, int width);

// The lines of a label's caption and the font to draw them in: the design
// font when the wrapped caption fits the label, else the largest smaller
// size at which it does; at the floor, lines beyond the label's height are
// dropped and every line too wide is cut with "…". Lines stand at
// captionLinePitch() of the font, the first one's baseline at `baseline`
// pixels from the label's top: 0.95 of the font's size, or lower by what its
// tallest glyph needs when the label has that room below its last line.
struct FittedCaption {
    QFont font;
    QStringList lines;
    int baseline = 0;
    bool cut = false;
};
FittedCaption fitCaption(const QString& caption, const QFont& design, QSize label);
// The distance in pixels between the caption lines' baselines.
int captionLinePitch(const QFont& font);

// A single-line output field that shows its whole text: shrunk to fit, or at
// the floor cut short with "…"; either way the whole text is its tooltip.
// A field can carry notes (further tooltip lines) and be marked stale: a
// figure of an earlier computation, drawn dimmed until it is written again.
// The tooltip line of a figure the current computation has not written.
inline const QString kStaleFigureNote = QStringLiteral("上一次计算的结果");

// The colour a stale figure or caption is drawn in.
QColor staleTextColour();

class FittingField : public QLineEdit {
    Q_OBJECT
public:
    explicit FittingField(QWidget* parent);

    // The font of the layout; font() is the font the text is drawn in.
    const QFont& designFont() const { return design_; }
    // True when the text is cut with "…" even at the smallest size.
    bool isCut() const { return cut_; }
    // What the field shows: text(), or its cut form.
    QString shownText() const { return cut_ ? cutText_ : text(); }
    // The width in pixels that a text may take without the field scrolling.
    int textRoom() const;
    // The tooltip's lines after the whole figure: notes, then
    // kStaleFigureNote while the field is stale.
    void setNotes(const QStringList& notes);
    const QStringList& notes() const { return notes_; }
    void setStale(bool stale);
    bool isStale() const { return stale_; }

protected:
    void changeEvent(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void refit();
    void updateToolTip();
    QFont design_;
    QString cutText_;
    QStringList notes_;
    bool cut_ = false;
    bool fitted_ = false;  // drawn smaller than the design font, or cut
    bool stale_ = false;
    QBrush activeText_, inactiveText_;  // the text colours of a current figure
    bool refitting_ = false;
};

}  // namespace kestrane
