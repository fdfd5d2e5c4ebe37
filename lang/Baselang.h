#pragma once
// The language table: built-in rows registered by the program and rows read from
// the editable language file, which take precedence. All texts are GBK bytes.
#include "util/Gbk.h" // SameTextNoCase, used by the lookups

#include <QByteArray>
#include <QByteArrayList>
#include <QString>

#include <functional>

// What LoadFromFile found or did; the caller reports WriteFailed, start-up goes on.
enum class TLangFileState {
    Read,        // an existing file was read
    Written,     // the file was missing, was written from the built-in rows and read back
    WriteFailed, // the file was missing and could not be written; built-in rows serve
    TooLarge,    // the file is larger than kMaxLangFileBytes: not read, built-in rows serve
    NotUnderstood, // the file has rows, but no key of them is a key of the program's texts
};

// Largest language file that is read. The file of the built-in rows has about
// 15 KB; every text lookup scans the rows, so a huge file would stall the program.
inline constexpr qint64 kMaxLangFileBytes = 4 << 20;

class TLangList
{
public:
    TLangList() = default;

    // Rows read from the language file, in file order; the three lists run in step.
    QByteArrayList FileKeys;
    QByteArrayList FileChinese;
    QByteArrayList FileEnglish;

    // Built-in rows, in registration order; the three lists run in step.
    QByteArrayList DefaultKeys;
    QByteArrayList DefaultChinese;
    QByteArrayList DefaultEnglish;

    // Current language, read and written directly by the menu and the configuration.
    bool IsChinese = false;

    // How many of the first built-in rows go into a newly written file; negative = all.
    // Rows registered after them are served but never written.
    qsizetype FileRowLimit = -1;

    void AddDefault(const QByteArray &key, const QByteArray &chinese, const QByteArray &english);

    // The text of a key (or of a row's Chinese or English text) in the current
    // language: file rows first, then built-in rows; an unknown key comes back unchanged.
    QByteArray GetText(const QByteArray &key) const;

    // Writes the default file when none exists, then reads it.
    TLangFileState LoadFromFile(const QString &fileName);

    // Header, one-blank line and the built-in rows, GBK, CR LF, replaced atomically.
    bool WriteDefaultFile(const QString &fileName) const;

    // Appends the file's rows; a read error ends reading silently, keeping rows read so far.
    void ReadLangFile(const QString &fileName);

    // The rows one would read from these bytes (the file reader's grammar).
    void ReadLangBytes(const QByteArray &bytes);

    // The bytes WriteDefaultFile writes.
    QByteArray DefaultFileBytes() const;

    static bool SystemIsChinese();
};

// Header lines of a written language file, as GBK bytes (without line end).
QByteArray LangHeaderLine1();
QByteArray LangHeaderLine2();

QByteArray EncodeLineBreaks(const QByteArray &text); // CR LF -> "///"
QByteArray DecodeLineBreaks(const QByteArray &text); // "///" -> LF
QByteArray CutName(const QByteArray &line);          // before the first '|'
QByteArray CutChinese(const QByteArray &line);       // between the first and second '|'
QByteArray CutEnglish(const QByteArray &line);       // after the last '|'


// The locale name the messages follow: the first non-empty of LC_ALL, LC_MESSAGES
// and LANG, looked up through getEnv.
QByteArray GetSystemLanguageName(const std::function<QByteArray(const char *)> &getEnv);
QByteArray GetSystemLanguageName(); // from the process environment
bool LanguageNameIsChinese(const QByteArray &localeName);
