#pragma once
// Batch verify: which settings Set All would write from a form, and how a module's form differs
// from a file's.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSet>
#include <QStringList>

class Protocol;

using SettingList = QList<QPair<QByteArray, QByteArray>>; // word, value as the setting line carries it

// The words and values Set All would write from the form as it stands now (the queue is left empty).
SettingList SetAllSettings(Protocol &p);

// The word of a query or setting line ("AT+WORD?" / "AT+WORD=..."), upper-case; empty for other lines.
QByteArray LineWord(const QByteArray &line);

// One text per word of `file` whose value the module does not hold. The module's value is its setting
// as Set All would write it from the module's form, else its raw answer; a refused query says so.
QStringList VerifyDifferences(const SettingList &file, const SettingList &module,
                              const QMap<QByteArray, QByteArray> &answered, const QSet<QByteArray> &refused);
