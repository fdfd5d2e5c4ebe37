#include "lang/Baselang.h"

#include "util/FileIo.h"
#include "util/Gbk.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>

namespace {

const char kSeparator = '|';
const char kComment = ';';
const char kEndOfFile = 0x1A;
const QByteArray kLineBreakMark("///");
const QByteArray kCrLf("\r\n");



qsizetype indexOfNoCase(const QByteArrayList &list, const QByteArray &text)
{
    for (qsizetype i = 0; i < list.size(); ++i)
        if (SameTextNoCase(list.at(i), text))
            return i;
    return -1;
}

// Row of the first of the three lists that holds the text, or -1.
qsizetype findRow(const QByteArrayList &keys, const QByteArrayList &zh, const QByteArrayList &en,
                  const QByteArray &text)
{
    qsizetype i = indexOfNoCase(keys, text);
    if (i < 0)
        i = indexOfNoCase(zh, text);
    if (i < 0)
        i = indexOfNoCase(en, text);
    return i;
}

} // namespace

void TLangList::AddDefault(const QByteArray &key, const QByteArray &chinese, const QByteArray &english)
{
    DefaultKeys.append(key);
    DefaultChinese.append(chinese);
    DefaultEnglish.append(english);
}

QByteArray TLangList::GetText(const QByteArray &key) const
{
    qsizetype i = findRow(FileKeys, FileChinese, FileEnglish, key);
    if (i >= 0)
        return IsChinese ? FileChinese.at(i) : FileEnglish.at(i);
    i = findRow(DefaultKeys, DefaultChinese, DefaultEnglish, key);
    if (i >= 0)
        return IsChinese ? DefaultChinese.at(i) : DefaultEnglish.at(i);
    return key;
}

TLangFileState TLangList::LoadFromFile(const QString &fileName)
{
    TLangFileState state = TLangFileState::Read;
    if (!QFileInfo::exists(fileName))
        state = WriteDefaultFile(fileName) ? TLangFileState::Written : TLangFileState::WriteFailed;
    else if (QFileInfo(fileName).size() > kMaxLangFileBytes)
        return TLangFileState::TooLarge;
    const qsizetype before = FileKeys.size();
    ReadLangFile(fileName);
    // Rows, but not one of them names a text of the program: another format or encoding.
    const bool anyKnown = std::any_of(FileKeys.cbegin() + before, FileKeys.cend(), [this](const QByteArray &k) {
        return indexOfNoCase(DefaultKeys, k) >= 0;
    });
    if (state == TLangFileState::Read && FileKeys.size() > before && !DefaultKeys.isEmpty() && !anyKnown)
        return TLangFileState::NotUnderstood;
    return state;
}

QByteArray LangHeaderLine1()
{
    static const QByteArray line = gbk::fromUtf8(
        ";语言文件格式为: 名称|中文|英文，竖线分割，逗号与分号为注释，///为换行，空行自动忽略");
    return line;
}

QByteArray LangHeaderLine2()
{
    static const QByteArray line = gbk::fromUtf8(
        ";Language file format: Name|Chinese|English，vertical is delimiter， comma or semicolon is "
        "Comments，///is newline，Empty lines automatically ignored");
    return line;
}

QByteArray TLangList::DefaultFileBytes() const
{
    QByteArray out;
    out += LangHeaderLine1() + kCrLf;
    out += LangHeaderLine2() + kCrLf;
    out += " " + kCrLf;
    qsizetype rows = DefaultKeys.size();
    if (FileRowLimit >= 0 && FileRowLimit < rows)
        rows = FileRowLimit;
    for (qsizetype i = 0; i < rows; ++i) {
        out += DefaultKeys.at(i);
        out += kSeparator;
        out += EncodeLineBreaks(DefaultChinese.at(i));
        out += kSeparator;
        out += EncodeLineBreaks(DefaultEnglish.at(i));
        out += kCrLf;
    }
    return out;
}

bool TLangList::WriteDefaultFile(const QString &fileName) const
{
    if (fileName.isEmpty())
        return false;
    return WriteFileAtomically(fileName, DefaultFileBytes());
}

void TLangList::ReadLangFile(const QString &fileName)
{
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    QByteArray bytes;
    char chunk[65536];
    for (;;) {
        const qint64 got = file.read(chunk, sizeof chunk);
        if (got <= 0) // end of file, or an error: keep what has been read
            break;
        bytes.append(chunk, got);
        if (bytes.contains(kEndOfFile))
            break;
    }
    ReadLangBytes(bytes);
}

void TLangList::ReadLangBytes(const QByteArray &bytes)
{
    QByteArray data = bytes;
    const qsizetype eof = data.indexOf(kEndOfFile);
    if (eof >= 0)
        data.truncate(eof);
    // A file saved by an editor as UTF-8: the program's texts are GBK. A file the
    // program wrote never reads as UTF-8: its first header line is no valid UTF-8.
    if (gbk::looksUtf8(data)) {
        if (data.startsWith(gbk::kUtf8Bom))
            data.remove(0, gbk::kUtf8Bom.size());
        data = gbk::fromUnicode(QString::fromUtf8(data));
    }
    // CR LF, LF and a lone CR each end a line.
    qsizetype pos = 0;
    while (pos < data.size()) {
        qsizetype end = pos;
        while (end < data.size() && data.at(end) != '\n' && data.at(end) != '\r')
            ++end;
        const QByteArray line = data.mid(pos, end - pos);
        pos = end + (data.mid(end, 2) == kCrLf ? 2 : 1);
        if (line.isEmpty() || line.at(0) == kComment)
            continue;
        FileKeys.append(CutName(line));
        FileChinese.append(CutChinese(line));
        FileEnglish.append(CutEnglish(line));
    }
}

QByteArray EncodeLineBreaks(const QByteArray &text)
{
    QByteArray s = text;
    return s.replace(kCrLf, kLineBreakMark);
}

QByteArray DecodeLineBreaks(const QByteArray &text)
{
    QByteArray s = text;
    return s.replace(kLineBreakMark, QByteArray("\n"));
}

QByteArray CutName(const QByteArray &line)
{
    const qsizetype i = line.indexOf(kSeparator);
    return i < 0 ? QByteArray() : line.left(i);
}

QByteArray CutChinese(const QByteArray &line)
{
    const qsizetype i = line.indexOf(kSeparator);
    if (i < 0)
        return QByteArray();
    return DecodeLineBreaks(CutName(line.mid(i + 1)));
}

QByteArray CutEnglish(const QByteArray &line)
{
    const qsizetype i = line.lastIndexOf(kSeparator);
    if (i < 0)
        return QByteArray();
    return DecodeLineBreaks(line.mid(i + 1));
}

QByteArray GetSystemLanguageName(const std::function<QByteArray(const char *)> &getEnv)
{
    for (const char *name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const QByteArray value = getEnv(name);
        if (!value.isEmpty())
            return value;
    }
    return QByteArray();
}

QByteArray GetSystemLanguageName()
{
    return GetSystemLanguageName([](const char *name) { return qgetenv(name); });
}

bool LanguageNameIsChinese(const QByteArray &localeName)
{
    return localeName.startsWith("zh");
}

bool TLangList::SystemIsChinese()
{
    return LanguageNameIsChinese(GetSystemLanguageName());
}
