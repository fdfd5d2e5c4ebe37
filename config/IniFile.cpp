#include "config/IniFile.h"

#include "config/ConfigDir.h"

#include "util/FileIo.h"
#include "util/Gbk.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <climits>

TIniFile *IniFile = nullptr;

namespace {

const QByteArray kCrLf("\r\n");

inline bool isBlank(char c) { return c == ' ' || c == '\t'; }

QByteArray trimBlanks(const QByteArray &s)
{
    qsizetype b = 0;
    qsizetype e = s.size();
    while (b < e && isBlank(s.at(b)))
        ++b;
    while (e > b && isBlank(s.at(e - 1)))
        --e;
    return s.mid(b, e - b);
}

bool sameName(const QByteArray &a, const QByteArray &b) { return SameTextNoCase(a, b); }

// "[name]" with optional blanks; gives the name between the brackets.
bool sectionOf(const QByteArray &line, QByteArray *name)
{
    const QByteArray t = trimBlanks(line);
    if (!t.startsWith('['))
        return false;
    const qsizetype close = t.indexOf(']');
    if (close < 0)
        return false;
    *name = trimBlanks(t.mid(1, close - 1));
    return true;
}

// "name=value"; comments (';') and section lines are no keys.
bool keyOf(const QByteArray &line, QByteArray *name, qsizetype *valueStart)
{
    const QByteArray t = trimBlanks(line);
    if (t.isEmpty() || t.at(0) == ';' || t.at(0) == '[')
        return false;
    const qsizetype eq = line.indexOf('=');
    if (eq < 0)
        return false;
    *name = trimBlanks(line.left(eq));
    if (name->isEmpty())
        return false;
    *valueStart = eq + 1;
    return true;
}

QByteArray cleanValue(const QByteArray &raw)
{
    QByteArray v = trimBlanks(raw);
    if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
        v = v.mid(1, v.size() - 2);
    if (v.size() > TIniFile::kMaxValueBytes) {
        qsizetype i = 0;
        while (i < v.size()) {
            const qsizetype step = (gbk::isLeadByte(static_cast<unsigned char>(v.at(i))) && i + 1 < v.size()) ? 2 : 1;
            if (i + step > TIniFile::kMaxValueBytes)
                break;
            i += step;
        }
        v.truncate(i);
    }
    return v;
}

QByteArray oneLine(const QByteArray &s)
{
    QByteArray t = s;
    t.replace('\r', QByteArray());
    t.replace('\n', QByteArray());
    return t;
}

// The reader drops blanks around a value and one pair of quotes; a value that
// would lose either gets one more pair, so it reads back as written.
QByteArray protectValue(const QByteArray &v)
{
    if (v.isEmpty())
        return v;
    const bool blankEdge = isBlank(v.front()) || isBlank(v.back());
    const bool quoted = v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front();
    return (blankEdge || quoted) ? '"' + v + '"' : v;
}

bool isHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

} // namespace

bool ParseIniInteger(const QByteArray &text, int *value)
{
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text.at(i) == '+' || text.at(i) == '-')) {
        negative = text.at(i) == '-';
        ++i;
    }
    int base = 10;
    if (i + 1 < text.size() && text.at(i) == '0' && (text.at(i + 1) == 'x' || text.at(i + 1) == 'X')) {
        base = 16;
        i += 2;
    } else if (i < text.size() && text.at(i) == '$') {
        base = 16;
        i += 1;
    }
    const QByteArray digits = text.mid(i);
    if (digits.isEmpty())
        return false;
    for (char c : digits)
        if (base == 16 ? !isHexDigit(c) : !(c >= '0' && c <= '9'))
            return false;
    bool ok = false;
    const qulonglong magnitude = digits.toULongLong(&ok, base);
    if (!ok)
        return false;
    if (base == 16) {
        // Hexadecimal spans the 32 bits: $FFFFFFFF is -1.
        if (magnitude > 0xFFFFFFFFull)
            return false;
        quint32 bits = quint32(magnitude);
        if (negative)
            bits = 0u - bits;
        *value = qint32(bits);
        return true;
    }
    if (negative) {
        if (magnitude > qulonglong(INT_MAX) + 1)
            return false;
        *value = int(-qint64(magnitude));
    } else {
        if (magnitude > qulonglong(INT_MAX))
            return false;
        *value = int(magnitude);
    }
    return true;
}

QByteArray GbkMarkerLine()
{
    // Its GBK bytes are no valid UTF-8 (the first, 0xB1, cannot start a character).
    static const QByteArray line = gbk::fromUtf8("; 本文件为GBK编码 (GBK text)");
    return line;
}

TIniFile::TIniFile(const QString &fileName) : m_fileName(fileName) {}

bool TIniFile::readDisk(QByteArray *bytes, QString *error) const
{
    if (const qint64 size = QFileInfo(m_fileName).size(); size > kMaxFileBytes) {
        if (error)
            *error = QStringLiteral("too large (%1 bytes; at most %2 are read)").arg(size).arg(kMaxFileBytes);
        return false;
    }
    QFile file(m_fileName);
    if (file.open(QIODevice::ReadOnly))
        *bytes = file.readAll();
    if (!file.isOpen() || file.error() != QFileDevice::NoError) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}

bool TIniFile::load(QString *error)
{
    m_lines.clear();
    m_ends.clear();
    m_newline = kCrLf;
    m_writes.clear();
    m_utf8 = m_bom = false;
    m_modified = false;
    m_unreadable = false;
    m_understood = true;
    if (!QFileInfo::exists(m_fileName))
        return true;
    QByteArray bytes;
    QString why;
    if (!readDisk(&bytes, &why)) {
        m_unreadable = true;
        if (error)
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_fileName), why);
        return false;
    }
    setContent(bytes);
    return true;
}

void TIniFile::setContent(const QByteArray &bytes)
{
    m_writes.clear();
    parse(bytes);
    m_modified = false;
}

void TIniFile::parse(QByteArray bytes)
{
    m_lines.clear();
    m_ends.clear();
    m_newline = kCrLf;
    m_bom = bytes.startsWith(gbk::kUtf8Bom);
    if (m_bom)
        bytes.remove(0, gbk::kUtf8Bom.size());
    m_utf8 = m_bom || gbk::looksUtf8(bytes);
    // CR LF, LF and a lone CR all end a line; each line keeps its own end.
    bool firstEnd = true;
    qsizetype pos = 0;
    while (pos < bytes.size()) {
        qsizetype end = pos;
        while (end < bytes.size() && bytes.at(end) != '\n' && bytes.at(end) != '\r')
            ++end;
        const qsizetype endLen = end >= bytes.size() ? 0 : bytes.mid(end, 2) == kCrLf ? 2 : 1;
        m_lines.append(bytes.mid(pos, end - pos));
        m_ends.append(bytes.mid(end, endLen));
        if (firstEnd && endLen > 0) {
            m_newline = m_ends.constLast();
            firstEnd = false;
        }
        pos = end + endLen;
    }
    // Something that is not blank and not a comment, yet no section anywhere: no
    // configuration the program can read (another format, UTF-16, binary).
    QByteArray name;
    bool content = false, section = false;
    m_strange.clear();
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        const QByteArray &line = m_lines.at(i);
        const QByteArray t = trimBlanks(line);
        content = content || (!t.isEmpty() && t.at(0) != ';');
        const bool isSection = sectionOf(line, &name);
        section = section || isSection;
        qsizetype valueStart = 0;
        if (!t.isEmpty() && t.at(0) != ';' && !isSection && !keyOf(line, &name, &valueStart))
            m_strange.append(int(i + 1));
    }
    m_understood = section || !content;
}

void TIniFile::insertLine(qsizetype at, const QByteArray &text)
{
    // A last line without its end gets one before anything follows it.
    if (at == m_lines.size() && !m_ends.isEmpty() && m_ends.constLast().isEmpty())
        m_ends.last() = m_newline;
    m_lines.insert(at, text);
    m_ends.insert(at, m_newline);
}

QByteArray TIniFile::toFile(const QByteArray &gbkText) const
{
    return m_utf8 ? gbk::toUnicode(gbkText).toUtf8() : gbkText;
}

QByteArray TIniFile::fromFile(const QByteArray &fileText) const
{
    return m_utf8 ? gbk::fromUnicode(QString::fromUtf8(fileText)) : fileText;
}

QByteArray TIniFile::content() const
{
    QByteArray body;
    for (qsizetype i = 0; i < m_lines.size(); ++i)
        body += m_lines.at(i) + m_ends.at(i);
    const bool high = std::any_of(body.begin(), body.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    // The bytes must read back in the encoding they are written in. A UTF-8 file
    // whose text could pass for GBK gets a byte-order mark; a GBK file whose bytes
    // could pass for UTF-8 gets the marker line, which no UTF-8 decoder accepts.
    if (m_utf8)
        return m_bom || (high && !gbk::looksUtf8(body)) ? gbk::kUtf8Bom + body : body;
    return gbk::looksUtf8(body) ? GbkMarkerLine() + m_newline + body : body;
}

qsizetype TIniFile::findSection(const QByteArray &section, qsizetype *end) const
{
    QByteArray name;
    for (qsizetype i = 0; i < m_lines.size(); ++i) {
        if (!sectionOf(m_lines.at(i), &name) || !sameName(name, toFile(section)))
            continue;
        qsizetype j = i + 1;
        while (j < m_lines.size() && !sectionOf(m_lines.at(j), &name))
            ++j;
        *end = j;
        return i;
    }
    return -1;
}

TIniFile::KeyLine TIniFile::findKey(qsizetype begin, qsizetype end, const QByteArray &key) const
{
    QByteArray name;
    qsizetype valueStart = 0;
    for (qsizetype i = begin; i < end; ++i)
        if (keyOf(m_lines.at(i), &name, &valueStart) && sameName(name, toFile(key)))
            return {i, valueStart};
    return {};
}

bool TIniFile::SectionExists(const QByteArray &section) const
{
    qsizetype end = 0;
    return findSection(section, &end) >= 0;
}

bool TIniFile::ValueExists(const QByteArray &section, const QByteArray &key) const
{
    qsizetype end = 0;
    const qsizetype head = findSection(section, &end);
    return head >= 0 && findKey(head + 1, end, key).index >= 0;
}

QByteArray TIniFile::ReadString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const
{
    qsizetype end = 0;
    const qsizetype head = findSection(section, &end);
    if (head < 0)
        return def;
    const KeyLine k = findKey(head + 1, end, key);
    if (k.index < 0)
        return def;
    return cleanValue(fromFile(m_lines.at(k.index).mid(k.valueStart)));
}

int TIniFile::ReadInteger(const QByteArray &section, const QByteArray &key, int def) const
{
    int value = 0;
    return ParseIniInteger(ReadString(section, key, QByteArray()), &value) ? value : def;
}

bool TIniFile::ReadBool(const QByteArray &section, const QByteArray &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

void TIniFile::WriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    m_writes.append({section, key, value});
    apply(section, key, value);
    m_modified = true;
}

void TIniFile::apply(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    const QByteArray sec = oneLine(section);
    const QByteArray name = oneLine(key);
    const QByteArray val = toFile(protectValue(oneLine(value)));

    qsizetype end = 0;
    const qsizetype head = findSection(sec, &end);
    if (head < 0) {
        if (!m_lines.isEmpty() && !trimBlanks(m_lines.constLast()).isEmpty())
            insertLine(m_lines.size(), QByteArray());
        insertLine(m_lines.size(), '[' + toFile(sec) + ']');
        insertLine(m_lines.size(), toFile(name) + '=' + val);
        return;
    }
    const KeyLine k = findKey(head + 1, end, name);
    if (k.index >= 0) {
        // Keep everything up to the value, blanks after '=' included.
        const QByteArray &line = m_lines.at(k.index);
        qsizetype start = k.valueStart;
        while (start < line.size() && isBlank(line.at(start)))
            ++start;
        m_lines[k.index] = line.left(start) + val;
        return;
    }
    // After the section's last content line: blank lines and comments at its end
    // usually belong to the next section.
    qsizetype at = head + 1;
    for (qsizetype i = head + 1; i < end; ++i) {
        const QByteArray t = trimBlanks(m_lines.at(i));
        if (!t.isEmpty() && t.at(0) != ';')
            at = i + 1;
    }
    insertLine(at, toFile(name) + '=' + val);
}

void TIniFile::WriteInteger(const QByteArray &section, const QByteArray &key, int value)
{
    WriteString(section, key, QByteArray::number(value));
}

void TIniFile::WriteBool(const QByteArray &section, const QByteArray &key, bool value)
{
    WriteString(section, key, value ? QByteArray("1") : QByteArray("0"));
}

namespace {
bool anyWriteBit(const QFileInfo &fi)
{
    return fi.permissions() & (QFileDevice::WriteOwner | QFileDevice::WriteGroup | QFileDevice::WriteOther);
}
} // namespace

QString TIniFile::readOnlyReason(const QString &fileName)
{
    const QFileInfo fi(fileName);
    if (fi.exists() && !anyWriteBit(fi))
        return QStringLiteral("the file is read-only");
    if (!DirIsWritable(fi.absolutePath()))
        return QStringLiteral("no file can be written in its folder");
    return {};
}

bool TIniFile::save(QString *error)
{
    const auto fail = [&](const QString &reason) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_fileName), reason);
        return false;
    };
    if (m_fileName.isEmpty())
        return fail(QStringLiteral("no file name"));
    // Writing only our keys over a file we could not read would lose everything else in it.
    if (m_unreadable)
        return fail(QStringLiteral("the file could not be read, so it is not overwritten"));
    // Root passes every permission check and the rename below: a read-only file stays.
    if (const QFileInfo fi(m_fileName); fi.exists() && !anyWriteBit(fi))
        return fail(QStringLiteral("the file is read-only"));
    // Edits made on disk since the load are kept: the writes are applied again
    // to the file as it is now.
    if (QFileInfo::exists(m_fileName)) {
        QByteArray disk;
        QString why;
        if (!readDisk(&disk, &why))
            return fail(why);
        parse(disk);
        for (const Write &w : std::as_const(m_writes))
            apply(w.section, w.key, w.value);
    }
    QString reason;
    if (!WriteFileAtomically(m_fileName, content(), &reason))
        return fail(reason);
    m_writes.clear();
    m_modified = false;
    return true;
}

bool BindIni(const QString &fileName, QString *error)
{
    FreeIni();
    IniFile = new TIniFile(fileName);
    return IniFile->load(error);
}

void FreeIni()
{
    delete IniFile;
    IniFile = nullptr;
}

int ReadIniInt(const QByteArray &section, const QByteArray &key, int def)
{
    return IniFile ? IniFile->ReadInteger(section, key, def) : def;
}

bool ReadIniBool(const QByteArray &section, const QByteArray &key, bool def)
{
    return IniFile ? IniFile->ReadBool(section, key, def) : def;
}

QByteArray ReadIniStr(const QByteArray &section, const QByteArray &key, const QByteArray &def)
{
    return IniFile ? IniFile->ReadString(section, key, def) : def;
}

void WriteIniStr(const QByteArray &section, const QByteArray &key, const QByteArray &value)
{
    if (IniFile)
        IniFile->WriteString(section, key, value);
}

void WriteIniInt(const QByteArray &section, const QByteArray &key, int value)
{
    if (IniFile)
        IniFile->WriteInteger(section, key, value);
}

bool FlushIni(QString *error)
{
    if (!IniFile) {
        if (error)
            *error = QStringLiteral("no configuration file");
        return false;
    }
    return IniFile->flush(error);
}
