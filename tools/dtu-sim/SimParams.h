#pragma once
// Parameter table of the simulated module: factory values and the checks
// that decide whether a setting line is accepted.
#include <QByteArray>
#include <QList>
#include <QPair>

// Error numbers of the module's "+ERR:<n>" answer.
enum class SimError : int {
    None = 0,
    Format = 1,   // unknown word or malformed line
    ReadOnly = 2, // the word can only be queried
    BadValue = 3, // the value is outside what the parameter takes
};

using SimParamList = QList<QPair<QByteArray, QByteArray>>;

// Every parameter word with its factory value, in the module's own order.
// echoOn gives the factory value of E.
SimParamList SimFactoryParams(bool echoOn);

// True for a word the parameter table knows (upper-case word).
bool SimIsParamWord(const QByteArray &word);
// True for a word that is only queried (identity, versions, link states, CSQ).
bool SimIsReadOnly(const QByteArray &word);
// Checks a setting of a known, writable word; the value is the raw bytes after "=".
SimError SimCheckSetting(const QByteArray &word, const QByteArray &value);

// The text of the help listing, one "+WORD: description" line per word.
QByteArray SimHelpText();
