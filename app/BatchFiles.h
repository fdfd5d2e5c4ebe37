#pragma once
// The configuration files of the batch mode. A get-all file holds only what the
// module said in that run: a value it did not give is left out, and the file's
// [Module] section names it with the reason. set-all and verify read such a
// file as holding no value for those words.
#include "protocol/Outcome.h"

#include <QByteArray>
#include <QList>
#include <QSet>
#include <QString>

class IniTarget;
class TIniFile;

inline constexpr const char *kModuleSection = "Module";

// Words a get-all file holds no value for, by reason.
struct GetAllGaps {
    QList<QByteArray> refused;     // the module refused the query
    QList<QByteArray> notAsked;    // Get All does not ask for it in the module's work mode
    QList<QByteArray> notStorable; // the answer cannot stand in the file as it came
    bool empty() const { return refused.isEmpty() && notAsked.isEmpty() && notStorable.isEmpty(); }
};

// Saves the window (which holds the answers of o) to path as a new file: every
// module value the module answered, as it answered it; the words it did not
// give left out and named. The file is written whole or not at all; not at all
// when an answer cannot stand in it as it came (gaps->notStorable names them).
bool WriteGetAllFile(IniTarget &w, const QString &workIni, const QString &path, const TOpOutcome &o,
                     GetAllGaps *gaps, QString *error);

// Words that a file names as holding no value of the module's.
QSet<QByteArray> WordsWithoutValue(const TIniFile &in);
// Whether the file holds the value of a word (all of its keys).
bool HoldsWord(const TIniFile &in, const QByteArray &word);

// What a file lacks of the configuration the program writes (reference: such a
// file), or an empty text. Keys of the words in noValue may be missing.
QString MissingConfig(const TIniFile &in, const QString &path, const QByteArray &reference,
                      const QSet<QByteArray> &noValue);
