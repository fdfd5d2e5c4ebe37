#pragma once
// Every setting and form value to and from R52xCfg.ini: loaded once at start,
// saved once at close. Stored module values are loaded as answers, through the
// parameter codec, so the form rules react exactly as to the module.
#include "util/ProFun.h"

#include <QByteArray>
#include <QList>
#include <QString>

class FormHooks;
class Protocol;
class QWidget;

inline constexpr const char *kConfigFileName = "R52xCfg.ini";

// The console's own options, kept in the System section.
struct ConsoleOptions {
    bool timestamps = false; // ConsoleTime: the time of arrival before every line
    bool sendHex = false;    // SendHex: the send box holds hexadecimal byte pairs
    int fontSize = 0;        // ConsoleFontSize: points of the panes and send box; 0: default
    int repeatMs = 1000;     // RepeatMs: the interval of repeat sending
    bool clearAfterSend = false; // ClearAfterSend: the send box empties once its bytes went out
};

// What loading and saving need of the window beyond its named controls.
class IniTarget {
public:
    virtual ~IniTarget() = default;
    virtual QWidget *iniForm() = 0;
    virtual Protocol &iniProtocol() = 0;
    virtual FormHooks &iniHooks() = 0;
    virtual void iniFillPortList() = 0;
    virtual bool iniHintsOn() const = 0;
    virtual void iniSetHintsOn(bool on) = 0;
    virtual void iniSendKeyClick(int tag) = 0; // 1 Enter sends, 2 Ctrl+Enter sends
    virtual int iniSendKeyTag() const = 0;     // 1, 2, or 0 for any other shortcut
    virtual THdVerSign iniHdVerSign() const = 0;
    virtual void iniSetHdVerSign(THdVerSign s) = 0; // stored only, not applied
    virtual ConsoleOptions iniConsoleOptions() const { return {}; }
    virtual void iniSetConsoleOptions(const ConsoleOptions &) {}
    // Where the window was (an opaque text of numbers; empty: nowhere kept).
    virtual QByteArray iniWindowPlace() const { return {}; }
    virtual void iniSetWindowPlace(const QByteArray &) {}
};

// Default host names of a first run (reserved example domains).
inline constexpr const char *kDefaultServerHost = "dtu-test.example.com";
inline constexpr const char *kDefaultWebHost = "www.example.com";

QString ConfigFilePath(const QString &dir);

// Where the file keeps a module word's value: CLOUD in two keys, the identity
// and version words nowhere (an empty list).
struct IniKey {
    QByteArray section, key;
};
QList<IniKey> IniKeysOf(const QByteArray &word);
// The words the file keeps, in catalogue order.
QList<QByteArray> StoredWords();
// False (and the reason, naming the file) when the file exists but could not be
// read; the form then keeps its defaults and the file is never overwritten.
bool LoadIni(IniTarget &t, const QString &dir, QString *error = nullptr);
// False when the file could not be written; *error is "Unable to write to <path>".
// The previous file then stays whole.
bool SaveIni(IniTarget &t, QString *error);
