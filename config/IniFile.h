#pragma once
// A small INI engine that keeps the file as it stands: every line the program does not
// touch (unknown keys, comments, blank lines) is written back byte for byte and in its
// place. Names and values are bytes of the 8-bit code page (GBK). A file that an editor
// saved as UTF-8 stays UTF-8: values are converted as they are read and written.
#include <QByteArray>
#include <QByteArrayList>
#include <QString>

class TIniFile
{
public:
    // Longest value a read returns, in bytes.
    static constexpr qsizetype kMaxValueBytes = 2047;
    // Largest file that is read. A configuration is a few kilobytes; a file far
    // beyond that is no configuration of ours, and every lookup would scan it.
    static constexpr qint64 kMaxFileBytes = 4 << 20;

    explicit TIniFile(const QString &fileName);

    const QString &FileName() const { return m_fileName; }

    // Reads the bound file. A missing file is no error and gives an empty file; a file
    // that exists but cannot be read, or is larger than kMaxFileBytes, gives false
    // (with the reason) and an empty file, and is never overwritten.
    bool load(QString *error = nullptr);

    // Parses bytes as the file's content: CR LF, LF and a lone CR each end a line.
    // Writes made before are forgotten.
    void setContent(const QByteArray &bytes);
    // The content as save writes it: every line followed by its own line end; lines the
    // program adds end as the file's first line does (CR LF in a new file). Bytes that
    // would read back in the other encoding are marked (see GbkMarkerLine).
    QByteArray content() const;

    bool SectionExists(const QByteArray &section) const;
    bool ValueExists(const QByteArray &section, const QByteArray &key) const;

    // Blanks around the value and one pair of enclosing quotes (double or single) are
    // dropped; at most kMaxValueBytes bytes come back, never half a double-byte character.
    QByteArray ReadString(const QByteArray &section, const QByteArray &key, const QByteArray &def) const;
    // Decimal, or hexadecimal after "0x" or "$"; anything else gives def.
    int ReadInteger(const QByteArray &section, const QByteArray &key, int def) const;
    // An integer other than 0 is true; no integer gives def.
    bool ReadBool(const QByteArray &section, const QByteArray &key, bool def) const;

    // Replaces the value where the key stands (keeping the key's spelling), or appends the
    // key after the last content line of its section (before the blank lines and comments
    // that end it), or appends the section to the end of the file.
    // Line breaks in names and values are dropped so that a write stays one line; a value
    // with blanks at an end, or enclosed in quotes, is written inside one more pair of
    // double quotes so that ReadString gives it back as it was.
    void WriteString(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    void WriteInteger(const QByteArray &section, const QByteArray &key, int value);
    void WriteBool(const QByteArray &section, const QByteArray &key, bool value); // "1" / "0"

    // Reads the file again, applies every write made since the load to what is on disk
    // now (so hand edits made meanwhile stay), and writes the whole file through a
    // temporary file and a rename, so a failure leaves the old file as it was. On failure the error text names the file's path. A file that
    // exists but could not be loaded is never overwritten.
    bool save(QString *error = nullptr);
    // Why a save would be refused or fail before anything is written (empty: it would not):
    // a file without any write permission (the user's "do not touch", also for root), or a
    // folder where no file can be created.
    static QString readOnlyReason(const QString &fileName);
    // The same, for callers that write key by key and commit once at the end.
    bool flush(QString *error = nullptr) { return save(error); }

    bool isModified() const { return m_modified; }
    bool isUtf8() const { return m_utf8; }
    // False when the content is more than blanks and comments but holds no section (another
    // format, UTF-16, binary): nothing of it can be read. Saving keeps it and adds the keys.
    bool isUnderstood() const { return m_understood; }
    // Line numbers (from 1) of lines that are no section, key, comment or blank line;
    // they are kept as they are.
    const QList<int> &strangeLines() const { return m_strange; }

private:
    struct KeyLine {
        qsizetype index = -1; // line of the key, or -1
        qsizetype valueStart = 0;
    };
    qsizetype findSection(const QByteArray &section, qsizetype *end) const;
    KeyLine findKey(qsizetype begin, qsizetype end, const QByteArray &key) const;
    bool readDisk(QByteArray *bytes, QString *error) const;
    void parse(QByteArray bytes);
    void insertLine(qsizetype at, const QByteArray &text);
    void apply(const QByteArray &section, const QByteArray &key, const QByteArray &value);
    // Program texts are GBK; a UTF-8 file holds them as UTF-8.
    QByteArray toFile(const QByteArray &gbkText) const;
    QByteArray fromFile(const QByteArray &fileText) const;

    struct Write {
        QByteArray section, key, value;
    };

    QString m_fileName;
    QByteArrayList m_lines;
    QByteArrayList m_ends;            // each line's own end: CR LF, LF, CR, or none for a last line
    QByteArray m_newline = "\r\n";    // for added lines: the file's first line end
    QList<Write> m_writes; // since the load, replayed over the file at save
    bool m_utf8 = false;
    bool m_bom = false;
    bool m_modified = false;
    bool m_unreadable = false; // load found the file but could not read it
    bool m_understood = true;
    QList<int> m_strange;
};

// A file the program writes in GBK starts with this comment line whenever its bytes
// would otherwise also be valid UTF-8 that is no GBK text (values from a module that
// speaks UTF-8, user-defined GBK characters, bytes no character holds). The line is
// no valid UTF-8, so such a file can never be taken for UTF-8; an editor that
// converts the file converts the line too, and the file then reads as UTF-8.
QByteArray GbkMarkerLine();

// Parses an integer the way ReadInteger does; false when the text is no integer.
bool ParseIniInteger(const QByteArray &text, int *value);

// The one configuration file object of the program.
extern TIniFile *IniFile;

// Creates IniFile bound to the path and reads it; returns what load returned
// (and the reason in *error).
bool BindIni(const QString &fileName, QString *error = nullptr);
void FreeIni();

// Access to IniFile; without it reads give the default and writes do nothing.
int ReadIniInt(const QByteArray &section, const QByteArray &key, int def);
bool ReadIniBool(const QByteArray &section, const QByteArray &key, bool def);
QByteArray ReadIniStr(const QByteArray &section, const QByteArray &key, const QByteArray &def);
void WriteIniStr(const QByteArray &section, const QByteArray &key, const QByteArray &value);
void WriteIniInt(const QByteArray &section, const QByteArray &key, int value);
// Commits the writes to disk; false (with the reason) when the file cannot be written.
bool FlushIni(QString *error = nullptr);
