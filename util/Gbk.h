#pragma once
// The one place where byte texts of the 8-bit code page (GBK) meet Unicode.
//
// The conversion is lossless both ways for bytes: toUnicode() maps every byte
// that is not part of a valid GBK character to a reserved private-use code
// point of its own (kEscapeBase + byte), and fromUnicode() turns that code
// point back into the byte. So fromUnicode(toUnicode(b)) == b for every b,
// and a value that passes through a widget comes back unchanged.
#include <QByteArray>
#include <QString>

namespace gbk {

// U+F780..U+F7FF stand for the bytes 0x80..0xFF that did not decode.
// No GBK character decodes into this range.
constexpr char16_t kEscapeBase = 0xF700;

inline bool isEscaped(QChar c) { return c.unicode() >= kEscapeBase + 0x80 && c.unicode() <= kEscapeBase + 0xFF; }
inline unsigned char escapedByte(QChar c) { return static_cast<unsigned char>(c.unicode() - kEscapeBase); }

QString toUnicode(const QByteArray &bytes);

// Escaped bytes come back as themselves; characters outside GBK become '?'.
QByteArray fromUnicode(const QString &text);

// For showing to a person: escaped bytes are spelled \xHH.
QString toDisplay(const QByteArray &bytes);
QString spellEscapes(const QString &text);
// For a terminal: as toDisplay, and every control byte but line feed and tab
// (ESC, BEL, CR, ...) is spelled \xHH too, so no received sequence acts on the
// terminal. CR LF and a lone CR end a line as LF does.
QString toTerminal(const QByteArray &bytes);

// Convenience for literals in the sources (UTF-8) that must become GBK bytes.
inline QByteArray fromUtf8(const char *utf8) { return fromUnicode(QString::fromUtf8(utf8)); }

// The encoding of a text file (configuration, language file): UTF-8 with this
// byte-order mark; else UTF-8 when the bytes are valid UTF-8 with at least one
// multi-byte character and are not GB2312 text; else GBK. One GB2312 character in
// seven is also a valid UTF-8 sequence (\xCF\xA2), so valid UTF-8 alone proves
// nothing; UTF-8 Chinese, on the other hand, is seldom GB2312 text (its bytes
// below 0xA1 are no GB2312).
inline const QByteArray kUtf8Bom("\xEF\xBB\xBF");
bool looksUtf8(const QByteArray &bytes);

// Every byte from 0x80 up is one of a pair of bytes from 0xA1 up that is a character
// of GB2312's area and not of its user-defined rows (private use).
bool isGb2312Text(const QByteArray &bytes);

// First byte of a double-byte character.
inline bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

} // namespace gbk

// Letters compare case-folded, double-byte ones too (full-width Latin, Greek,
// Cyrillic); a trail byte that happens to be an ASCII letter is never folded.
bool SameTextNoCase(const QByteArray &a, const QByteArray &b);
