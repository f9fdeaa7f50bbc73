// The text layer of the PDF files the program writes: every embedded glyph
// extracts (copy, search, pdftotext) as the character that was drawn with it.
//
// Qt's PDF engine embeds a subset of each face and writes, for each glyph of
// the subset, the lowest code point that the face's character map sends to
// that glyph. A CJK face often sends several characters to one glyph: a
// Kangxi or supplement radical and the ordinary ideograph of the same shape
// (U+2F45 and 方, U+2EC6 and 角), a compatibility ideograph and its unified
// one, the tab and the blank. The lowest of them is then the radical, the
// compatibility form or the tab, and a reader finds "⽅" where 方 was printed.
//
// How the character drawn is known: the caller records every text it drew
// and the fonts it drew them in. For each glyph of a PDF font that is one of
// those faces, the glyph is found again in the face (through the face's
// character map, from the code point Qt wrote) and mapped to the recorded
// character that the face draws with that glyph. The record is the truth of
// what was drawn, where a rule over the face's character map ("prefer the
// ideograph to the radical") would only guess, and would guess wrong for a
// point name typed with a radical on purpose. Only when two recorded
// characters share one glyph does a rule decide: an ordinary character before
// a radical or compatibility ideograph, either before a control character,
// then the lower code point.
//
// Left as Qt wrote them: glyphs of a font that is not among the faces given,
// glyphs that no recorded character is drawn with (text left out of the
// record), glyphs that no character maps to at all (the result of shaping;
// the report draws unshaped glyph runs for that reason), and glyphs of
// characters beyond U+FFFF (CJK extension B and later), for which Qt 6.4
// writes no code point to find the glyph by: they still extract as nothing.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QList>
#include <QPainter>
#include <QRawFont>
#include <QString>

#include <optional>

namespace kestrane {

// What the caller drew into a PDF: the fonts set on the painter (each of
// their families is a face that may be embedded) and every text drawn, in
// any order, concatenated or one piece after another.
struct DrawnText {
    QList<QFont> fonts;
    QString text;

    void addFont(const QFont& font);
    void addText(const QString& piece) { text += piece; }
};

// Text drawn so that a PDF reader can extract it: the glyphs of the
// characters as the face's character map gives them, one after the other at
// their advances, with the painter's font. Shaping is left out on purpose: a
// Chinese face may swap digits next to Latin letters for variant glyphs that
// no character maps to, which a reader then cannot extract. A text with a
// character the face lacks goes through the painter's own font fallback, and
// so does every text of an SVG (which holds characters, not glyphs).
class ExtractableText {
public:
    // The painter's font as it draws on `device`.
    ExtractableText(const QFont& font, QPaintDevice* device);
    // The width the text takes, in the device's units.
    double width(const QString& text) const;
    // Draws at the baseline start and records it; returns the width.
    double draw(QPainter& painter, const QPointF& baselineStart, const QString& text, DrawnText* drawn) const;

private:
    QFont font_;
    QPaintDevice* device_;
    QRawFont raw_;
};

// Rewrites the text maps (ToUnicode) of the PDF file at path so that every
// glyph of the drawn faces extracts as the character drawn with it. The file
// is replaced atomically (a temporary file renamed over it): on failure
// (returns false, with the reason in error) it is left as it was. Needs a
// QGuiApplication (the faces are read through Qt's font database). A file
// that needs no change is left untouched.
bool repairPdfText(const QString& path, const DrawnText& drawn, QString* error);

// The same for a PDF held in memory: the repaired document, or nothing (with
// the reason in error) when it cannot be read.
std::optional<QByteArray> repairedPdfText(const QByteArray& pdf, const DrawnText& drawn, QString* error);

}  // namespace kestrane
