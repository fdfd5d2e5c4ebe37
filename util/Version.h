#pragma once
#include <QByteArray>
#include <QString>
#include <cstdint>

// The program's own version text, four numbers joined by dots.
QString GetAppVersion();

// A dotted version text as one comparable number (two decimal digits per
// part), or -1 when the text is no version.
int64_t VersionToNumber(const QByteArray &text);
