#pragma once
// The one place where byte texts of the 8-bit code page (GBK) meet Unicode.
#include <QByteArray>
#include <QString>

namespace gbk {

// Invalid or truncated sequences become U+FFFD; zero bytes are kept.
QString toUnicode(const QByteArray &bytes);

// Characters outside GBK become '?'.
QByteArray fromUnicode(const QString &text);

// Convenience for literals in the sources (UTF-8) that must become GBK bytes.
inline QByteArray fromUtf8(const char *utf8) { return fromUnicode(QString::fromUtf8(utf8)); }

// First byte of a double-byte character.
inline bool isLeadByte(unsigned char c) { return c >= 0x81 && c <= 0xFE; }

} // namespace gbk

// ASCII letters compare case-folded; a double-byte character compares exactly,
// so a trail byte that happens to be a letter is never folded.
bool SameTextNoCase(const QByteArray &a, const QByteArray &b);
