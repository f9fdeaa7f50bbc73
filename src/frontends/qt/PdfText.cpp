#include "frontends/qt/PdfText.h"

#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPaintEngine>

#include <QFile>
#include <QRawFont>
#include <QSaveFile>

#include <qpdf/QPDF.hh>
#include <qpdf/QPDFObjectHandle.hh>
#include <qpdf/QPDFWriter.hh>

#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrane {

void DrawnText::addFont(const QFont& font) {
    if (!fonts.contains(font)) fonts << font;
}

namespace {

// ---- Faces ---------------------------------------------------------------

// The PostScript name of a face (entry 6 of its 'name' table): the name
// that Qt's PDF engine writes as the /BaseFont of the embedded subset.
QByteArray postscriptName(const QRawFont& face) {
    const QByteArray table = face.fontTable("name");
    auto u16 = [&](qsizetype at) -> int {
        if (at < 0 || at + 2 > table.size()) return -1;
        return (static_cast<unsigned char>(table[at]) << 8) | static_cast<unsigned char>(table[at + 1]);
    };
    const int count = u16(2);
    const int storage = u16(4);
    for (int i = 0; i < count; ++i) {
        const qsizetype record = 6 + 12 * i;
        const int platform = u16(record), encoding = u16(record + 2), nameId = u16(record + 6);
        const int length = u16(record + 8), offset = u16(record + 10);
        if (nameId != 6 || length <= 0 || storage + offset + length > table.size()) continue;
        const QByteArray bytes = table.mid(storage + offset, length);
        if (platform == 3 || platform == 0) {  // UTF-16BE
            QString name;
            for (qsizetype k = 0; k + 1 < bytes.size(); k += 2) {
                name += QChar((static_cast<unsigned char>(bytes[k]) << 8) | static_cast<unsigned char>(bytes[k + 1]));
            }
            return name.toLatin1();
        }
        if (platform == 1 && encoding == 0) return bytes;  // Mac Roman: ASCII for PostScript names
    }
    return {};
}

// How likely a character is to be the one meant when several recorded
// characters are drawn with one glyph: lower is more likely.
int unlikeliness(char32_t c) {
    const bool control = c < 0x20 || (c >= 0x7F && c < 0xA0);
    const bool radical = c >= 0x2E80 && c <= 0x2FDF;
    const bool compatibility = (c >= 0xF900 && c <= 0xFAFF) || (c >= 0x2F800 && c <= 0x2FA1F);
    return control ? 2 : (radical || compatibility) ? 1 : 0;
}

// A font name as compared between a face and a PDF: without blanks,
// hyphens and underscores, which a PDF name may carry differently (a blank
// is no character of a PDF name).
QByteArray comparableName(QByteArray name) {
    name.removeIf([](char c) { return c == ' ' || c == '-' || c == '_'; });
    return name;
}

quint32 glyphOf(const QRawFont& face, char32_t c) {
    return face.glyphIndexesForString(QString::fromUcs4(&c, 1)).value(0);
}

// One face that may be embedded, and which recorded character each of its
// glyphs was drawn for.
struct Face {
    QRawFont raw;
    std::unordered_map<quint32, char32_t> drawnByGlyph;
};

// The faces of the drawn fonts by PostScript name (comparableName), each
// with the recorded characters it can draw.
std::map<QByteArray, Face> drawnFaces(const DrawnText& drawn) {
    std::set<char32_t> characters;
    for (const char32_t c : drawn.text.toUcs4()) characters.insert(c);
    std::map<QByteArray, Face> faces;
    for (const QFont& font : drawn.fonts) {
        QStringList families = font.families();
        if (families.isEmpty()) families << font.family();
        for (const QString& family : families) {
            QFont single(font);
            single.setFamilies({family});
            const QRawFont raw = QRawFont::fromFont(single);
            if (!raw.isValid()) continue;
            QByteArray name = comparableName(postscriptName(raw));
            if (name.isEmpty() || faces.count(name)) continue;
            Face face{raw, {}};
            for (const char32_t c : characters) {
                const quint32 glyph = glyphOf(raw, c);
                if (glyph == 0) continue;
                auto [it, added] = face.drawnByGlyph.emplace(glyph, c);
                if (!added && (unlikeliness(c) < unlikeliness(it->second) ||
                               (unlikeliness(c) == unlikeliness(it->second) && c < it->second))) {
                    it->second = c;
                }
            }
            faces.emplace(std::move(name), std::move(face));
        }
    }
    return faces;
}

// ---- ToUnicode maps --------------------------------------------------------

// A character code of the font: its value and its length in bytes.
struct Code {
    std::uint32_t value = 0;
    std::size_t bytes = 0;
    bool operator<(const Code& o) const { return bytes != o.bytes ? bytes < o.bytes : value < o.value; }
};

Code codeOf(const std::string& s) {
    Code code{0, s.size()};
    for (const char ch : s) code.value = (code.value << 8) | static_cast<unsigned char>(ch);
    return code;
}

std::u16string utf16Of(const std::string& bigEndian) {
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bigEndian.size(); i += 2) {
        units += static_cast<char16_t>((static_cast<unsigned char>(bigEndian[i]) << 8) |
                                       static_cast<unsigned char>(bigEndian[i + 1]));
    }
    return units;
}

std::string hexOf(std::uint32_t value, std::size_t bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string hex(2 * bytes, '0');
    for (std::size_t i = 0; i < 2 * bytes; ++i) hex[2 * bytes - 1 - i] = digits[(value >> (4 * i)) & 0xF];
    return hex;
}

std::string hexOf(const std::u16string& units) {
    std::string hex;
    for (const char16_t u : units) hex += hexOf(u, 2);
    return hex;
}

// A ToUnicode CMap as the PDF reference describes it: the code space and
// one text (UTF-16) per character code. Read through qpdf's tokenizer: the
// CMap is PostScript-like text whose operands (codes, strings, arrays) come
// before their operators (endbfchar, endbfrange).
class ToUnicodeMap : public QPDFObjectHandle::ParserCallbacks {
public:
    std::vector<std::pair<std::string, std::string>> codespace;
    std::map<Code, std::u16string> texts;

    void handleObject(QPDFObjectHandle object) override {
        if (!object.isOperator()) {
            operands_.push_back(object);
            return;
        }
        const std::string op = object.getOperatorValue();
        if (op == "endcodespacerange") {
            for (std::size_t i = 0; i + 1 < operands_.size(); i += 2) {
                if (operands_[i].isString() && operands_[i + 1].isString()) {
                    codespace.emplace_back(operands_[i].getStringValue(), operands_[i + 1].getStringValue());
                }
            }
        } else if (op == "endbfchar") {
            for (std::size_t i = 0; i + 1 < operands_.size(); i += 2) {
                if (operands_[i].isString() && operands_[i + 1].isString()) {
                    texts[codeOf(operands_[i].getStringValue())] = utf16Of(operands_[i + 1].getStringValue());
                }
            }
        } else if (op == "endbfrange") {
            for (std::size_t i = 0; i + 2 < operands_.size(); i += 3) readRange(operands_[i], operands_[i + 1], operands_[i + 2]);
        }
        operands_.clear();
    }
    void handleEOF() override {}

    std::string text() const {
        std::string cmap =
            "/CIDInit /ProcSet findresource begin\n12 dict begin\nbegincmap\n"
            "/CIDSystemInfo << /Registry (Adobe) /Ordering (UCS) /Supplement 0 >> def\n"
            "/CMapName /Adobe-Identity-UCS def\n/CMapType 2 def\n";
        cmap += std::to_string(codespace.size()) + " begincodespacerange\n";
        for (const auto& [low, high] : codespace) {
            cmap += "<" + hexOf(codeOf(low).value, low.size()) + "> <" + hexOf(codeOf(high).value, high.size()) + ">\n";
        }
        cmap += "endcodespacerange\n";
        // At most 100 entries to a block, as the CMap format requires.
        auto it = texts.begin();
        while (it != texts.end()) {
            std::string block;
            int count = 0;
            for (; it != texts.end() && count < 100; ++it, ++count) {
                block += "<" + hexOf(it->first.value, it->first.bytes) + "> <" + hexOf(it->second) + ">\n";
            }
            cmap += std::to_string(count) + " beginbfchar\n" + block + "endbfchar\n";
        }
        cmap += "endcmap\nCMapName currentdict /CMap defineresource pop\nend\nend\n";
        return cmap;
    }

private:
    void readRange(QPDFObjectHandle low, QPDFObjectHandle high, QPDFObjectHandle target) {
        if (!low.isString() || !high.isString()) return;
        const Code first = codeOf(low.getStringValue());
        const Code last = codeOf(high.getStringValue());
        if (last.bytes != first.bytes || last.value < first.value || last.value - first.value > 0xFFFF) return;
        for (std::uint32_t value = first.value; value <= last.value; ++value) {
            const std::uint32_t k = value - first.value;
            std::u16string text;
            if (target.isString()) {
                // Consecutive codes: the last UTF-16 unit counts up.
                text = utf16Of(target.getStringValue());
                if (text.empty()) continue;
                text.back() = static_cast<char16_t>(text.back() + k);
            } else if (target.isArray() && static_cast<int>(k) < target.getArrayNItems() &&
                       target.getArrayItem(static_cast<int>(k)).isString()) {
                text = utf16Of(target.getArrayItem(static_cast<int>(k)).getStringValue());
            } else {
                continue;
            }
            texts[{value, first.bytes}] = text;
        }
    }

    std::vector<QPDFObjectHandle> operands_;
};

// The one code point of a text, or 0 when it holds none or several.
char32_t singleCodePoint(const std::u16string& text) {
    const QList<uint> ucs4 = QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size())).toUcs4();
    return ucs4.size() == 1 ? ucs4.front() : 0;
}

std::u16string utf16Of(char32_t c) {
    const QString s = QString::fromUcs4(&c, 1);
    return std::u16string(reinterpret_cast<const char16_t*>(s.utf16()), static_cast<std::size_t>(s.size()));
}

// The name Qt gave the font, without the tag of a subset ("QRAAAA+").
QByteArray baseFontName(QPDFObjectHandle font) {
    QPDFObjectHandle base = font.getKey("/BaseFont");
    if (!base.isName()) return {};
    QByteArray name = QByteArray::fromStdString(base.getName()).mid(1);
    if (name.size() > 7 && name[6] == '+') {
        bool tag = true;
        for (int i = 0; i < 6; ++i) tag = tag && name[i] >= 'A' && name[i] <= 'Z';
        if (tag) name = name.mid(7);
    }
    return name;
}

// Rewrites the ToUnicode map of one font; true when it changed.
bool repairFont(QPDFObjectHandle font, const std::map<QByteArray, Face>& faces) {
    QPDFObjectHandle toUnicode = font.getKey("/ToUnicode");
    if (!toUnicode.isStream()) return false;
    const auto face = faces.find(comparableName(baseFontName(font)));
    if (face == faces.end()) return false;
    ToUnicodeMap map;
    QPDFObjectHandle::parseContentStream(toUnicode, &map);
    bool changed = false;
    for (auto& [code, text] : map.texts) {
        // Qt wrote a code point the face draws with this glyph: the glyph is
        // found again from it.
        const char32_t written = singleCodePoint(text);
        if (written == 0) continue;
        const quint32 glyph = glyphOf(face->second.raw, written);
        const auto drawn = face->second.drawnByGlyph.find(glyph);
        if (glyph == 0 || drawn == face->second.drawnByGlyph.end() || drawn->second == written) continue;
        text = utf16Of(drawn->second);
        changed = true;
    }
    if (changed) toUnicode.replaceStreamData(map.text(), QPDFObjectHandle::newNull(), QPDFObjectHandle::newNull());
    return changed;
}

}  // namespace

std::optional<QByteArray> repairedPdfText(const QByteArray& pdf, const DrawnText& drawn, QString* error) {
    try {
        QPDF document;
        document.setSuppressWarnings(true);
        document.processMemoryFile("PDF", pdf.constData(), static_cast<std::size_t>(pdf.size()));
        const std::map<QByteArray, Face> faces = drawnFaces(drawn);
        bool changed = false;
        for (QPDFObjectHandle object : document.getAllObjects()) {
            if (object.isDictionaryOfType("/Font")) changed = repairFont(object, faces) || changed;
        }
        if (!changed) return pdf;
        QPDFWriter writer(document);
        writer.setOutputMemory();
        writer.write();
        const std::shared_ptr<Buffer> buffer = writer.getBufferSharedPointer();
        return QByteArray(reinterpret_cast<const char*>(buffer->getBuffer()), static_cast<qsizetype>(buffer->getSize()));
    } catch (const std::exception&) {
        if (error) *error = QStringLiteral("无法读取 PDF 文档中的文字。");
        return std::nullopt;
    }
}

bool repairPdfText(const QString& path, const DrawnText& drawn, QString* error) {
    QFile in(path);
    if (!in.open(QIODevice::ReadOnly)) {
        if (error) *error = QStringLiteral("无法读取 PDF 文件: ") + path;
        return false;
    }
    const QByteArray original = in.readAll();
    in.close();
    QString reason;
    const std::optional<QByteArray> repaired = repairedPdfText(original, drawn, &reason);
    if (!repaired) {
        if (error) *error = reason + QStringLiteral(" ") + path;
        return false;
    }
    if (*repaired == original) return true;
    QSaveFile out(path);
    if (!out.open(QIODevice::WriteOnly) || out.write(*repaired) != repaired->size() || !out.commit()) {
        if (error) *error = QStringLiteral("无法写入 PDF 文件: ") + path;
        return false;
    }
    return true;
}

ExtractableText::ExtractableText(const QFont& font, QPaintDevice* device)
    : font_(font), device_(device), raw_(QRawFont::fromFont(QFont(font, device))) {}

double ExtractableText::width(const QString& text) const {
    const QList<quint32> glyphs = raw_.isValid() ? raw_.glyphIndexesForString(text) : QList<quint32>();
    if (glyphs.isEmpty() || glyphs.contains(0)) return QFontMetricsF(font_, device_).horizontalAdvance(text);
    double total = 0;
    for (const QPointF& advance : raw_.advancesForGlyphIndexes(glyphs)) total += advance.x();
    return total;
}

double ExtractableText::draw(QPainter& painter, const QPointF& baselineStart, const QString& text,
                             DrawnText* drawn) const {
    if (drawn) drawn->addText(text);
    // An SVG keeps text as characters, and its generator writes none for a
    // glyph run (an empty text element): there the painter draws the text
    // itself, one text element per face.
    if (painter.paintEngine() && painter.paintEngine()->type() == QPaintEngine::SVG) {
        painter.drawText(baselineStart, text);
        return QFontMetricsF(font_, device_).horizontalAdvance(text);
    }
    const QList<quint32> glyphs = raw_.isValid() ? raw_.glyphIndexesForString(text) : QList<quint32>();
    if (glyphs.isEmpty() || glyphs.contains(0)) {
        painter.drawText(baselineStart, text);
        return QFontMetricsF(font_, device_).horizontalAdvance(text);
    }
    QList<QPointF> positions;
    positions.reserve(glyphs.size());
    double total = 0;
    for (const QPointF& advance : raw_.advancesForGlyphIndexes(glyphs)) {
        positions << QPointF(total, 0);
        total += advance.x();
    }
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    painter.drawGlyphRun(baselineStart, run);
    return total;
}

}  // namespace kestrane
