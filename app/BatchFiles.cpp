#include "app/BatchFiles.h"

#include "app/BatchVerify.h"
#include "ui/ConfigIo.h"
#include "config/IniFile.h"
#include "protocol/Protocol.h"
#include "util/FileIo.h"

#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

namespace {

// Stored as the form shows them, or in words of the file's own; every other
// word is stored as the module reports it.
const QSet<QByteArray> kFormShaped = {"HEARTDT", "REGDT", "REGTP", "CLOUD"};

const char *const kGapKeys[] = {"Refused", "NotAsked"};

// Sections and keys as a saved configuration holds them, in file order.
QList<QPair<QByteArray, QByteArrayList>> sectionsOf(const QByteArray &text)
{
    QList<QPair<QByteArray, QByteArrayList>> out;
    for (QByteArray line : text.split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[') && line.endsWith(']'))
            out.append({line.mid(1, line.size() - 2), {}});
        else if (const qsizetype eq = line.indexOf('='); eq > 0 && !out.isEmpty() && !line.startsWith(';'))
            out.last().second.append(line.left(eq).trimmed());
    }
    return out;
}

// The content without the lines of the given keys ("Section/KEY", upper case).
QByteArray withoutKeys(const QByteArray &content, const QSet<QByteArray> &drop)
{
    QByteArray out, section;
    for (const QByteArray &line : content.split('\n')) {
        const QByteArray t = line.trimmed();
        if (t.startsWith('[') && t.endsWith(']'))
            section = t.mid(1, t.size() - 2).toUpper();
        else if (const qsizetype eq = t.indexOf('='); eq > 0 && drop.contains(section + '/' + t.left(eq).trimmed().toUpper()))
            continue;
        out += line + '\n';
    }
    out.chop(1); // split gave one piece more than there were line ends
    return out;
}

} // namespace

bool WriteGetAllFile(IniTarget &w, const QString &workIni, const QString &path, const TOpOutcome &o,
                     GetAllGaps *gaps, QString *error)
{
    // The window's own save over a copy of what the file holds now (lines the program does
    // not write stay); then the module's answers over it.
    QTemporaryDir scratch;
    const QString fresh = scratch.filePath(QStringLiteral("get-all.ini"));
    if (QFileInfo::exists(path) && (!QFileInfo(path).isFile() || !QFile::copy(path, fresh))) {
        if (error)
            *error = QStringLiteral("cannot write %1: it is no file that can be read and replaced").arg(path);
        return false;
    }
    FreeIni();
    BindIni(fresh);
    const bool saved = scratch.isValid() && SaveIni(w, error);
    FreeIni();
    BindIni(workIni);
    if (!saved)
        return false;

    TIniFile f(fresh);
    f.load();
    QMap<QByteArray, QByteArray> planned;
    for (const TSetting &s : w.iniProtocol().codec().Plan())
        planned.insert(CmdToStr(s.cmd), s.value);
    QSet<QByteArray> drop;
    GetAllGaps g;
    for (const QByteArray &word : StoredWords()) {
        const auto answer = o.answers.constFind(word);
        QList<QByteArray> *gap = nullptr;
        if (answer == o.answers.constEnd())
            gap = o.refused.contains(word) ? &g.refused : &g.notAsked;
        else if (kFormShaped.contains(word) ? !SameValue(word, planned.value(word), *answer)
                                            : answer->contains('\r') || answer->contains('\n') ||
                                                  answer->size() > TIniFile::kMaxValueBytes)
            gap = &g.notStorable; // the file would give back another value
        else if (!kFormShaped.contains(word))
            f.WriteString(IniKeysOf(word).first().section, word, *answer);
        if (!gap)
            continue;
        gap->append(word);
        for (const IniKey &k : IniKeysOf(word))
            drop.insert(k.section.toUpper() + '/' + k.key.toUpper());
    }
    if (!g.notStorable.isEmpty()) {
        if (gaps)
            *gaps = g;
        if (error)
            *error = QStringLiteral("the answer of %1 cannot stand in the file as it came; %2 not written")
                         .arg(QString::fromLatin1(g.notStorable.join(", ")), path);
        return false;
    }
    // The identity and the gaps of this run; an earlier run's are dropped.
    const QByteArray module = QByteArray(kModuleSection).toUpper() + '/';
    for (const char *word : {"SN", "IMEI", "MEID", "ICCID", "VER"}) {
        if (const auto it = o.answers.constFind(word); it != o.answers.constEnd() && !it->contains('\n'))
            f.WriteString(kModuleSection, word, *it);
        else
            drop.insert(module + word);
    }
    const QList<QByteArray> *lists[] = {&g.refused, &g.notAsked};
    for (int i = 0; i < 2; ++i) {
        if (!lists[i]->isEmpty())
            f.WriteString(kModuleSection, kGapKeys[i], lists[i]->join(','));
        else
            drop.insert(module + QByteArray(kGapKeys[i]).toUpper());
    }
    if (gaps)
        *gaps = g;
    // Read the kept lines once more, so the file's own encoding mark fits what is left.
    TIniFile kept(path);
    kept.setContent(withoutKeys(f.content(), drop));
    QString why;
    if (WriteFileAtomically(path, kept.content(), &why))
        return true;
    if (error)
        *error = QStringLiteral("cannot write %1: %2").arg(path, why);
    return false;
}

QSet<QByteArray> WordsWithoutValue(const TIniFile &in)
{
    QSet<QByteArray> out;
    for (const char *key : kGapKeys)
        for (const QByteArray &w : in.ReadString(kModuleSection, key, {}).split(','))
            if (!w.trimmed().isEmpty())
                out.insert(w.trimmed().toUpper());
    return out;
}

bool HoldsWord(const TIniFile &in, const QByteArray &word)
{
    const QList<IniKey> keys = IniKeysOf(word);
    for (const IniKey &k : keys)
        if (!in.ValueExists(k.section, k.key))
            return false;
    return !keys.isEmpty();
}

QString MissingConfig(const TIniFile &in, const QString &path, const QByteArray &reference,
                      const QSet<QByteArray> &noValue)
{
    QSet<QByteArray> mayLack;
    for (const QByteArray &w : noValue)
        for (const IniKey &k : IniKeysOf(w))
            mayLack.insert(k.key.toUpper());
    QStringList noSection, noKey;
    for (const auto &[section, keys] : sectionsOf(reference)) {
        if (section == "System" || section == "OpenUart")
            continue; // the tool's own settings, not the module's
        QStringList lack;
        for (const QByteArray &key : keys)
            if (!in.ValueExists(section, key) && !mayLack.contains(key.toUpper()))
                lack << QString::fromLatin1(key);
        if (lack.isEmpty())
            continue;
        if (!in.SectionExists(section))
            noSection << QStringLiteral("[%1]").arg(QString::fromLatin1(section));
        else
            noKey << QStringLiteral("[%1] %2").arg(QString::fromLatin1(section), lack.join(' '));
    }
    if (!noSection.isEmpty())
        return QStringLiteral("%1 holds no complete configuration: missing section(s) %2%3")
            .arg(path, noSection.join(' '),
                 noKey.isEmpty() ? QString() : QStringLiteral("; missing key(s) ") + noKey.join("; "));
    if (!noKey.isEmpty())
        return QStringLiteral("%1 is cut short: missing key(s) %2").arg(path, noKey.join("; "));
    return {};
}
