#pragma once
// Shared text conversions. Texts are byte strings; every byte is one unit.
#include <QByteArray>
#include <QList>
#include <QString>
#include <cstdint>
#include <optional>

enum class THdVerSign : uint8_t { HdUnknown = 0, Hd510 = 1, Hd511 = 2, Hd521 = 3 };

// Two upper-case hex digits per byte, each followed by sep (the last one too).
QByteArray StrToHexStr(const QByteArray &text, const QByteArray &sep);
// Pairs of hex digits to bytes; any bad pair returns the input unchanged.
QByteArray HexStrToStr(const QByteArray &hex);

QByteArray DelSpace(const QByteArray &text);
QByteArray DelLineBreak(const QByteArray &text);
QByteArray DelQuote(const QByteArray &text);

// Comma list: blanks and control bytes separate too, double quotes group.
QList<QByteArray> SplitComma(const QByteArray &text);

// Non-overlapping occurrences of a non-empty pattern; 0 for an empty one.
int CountSubStr(const QString &pattern, const QString &text);

QByteArray HdVerSignToStr(THdVerSign sign);
std::optional<THdVerSign> StrToHdVerSign(const QByteArray &name);

// CRC-16/XMODEM over count bytes starting at index start.
uint16_t XModemCRC16(const uint8_t *bytes, uint8_t start, uint8_t count);
QByteArray BytesToHexStr(const uint8_t *bytes, int count);
QByteArray BytesToStr(const uint8_t *bytes, int count);
