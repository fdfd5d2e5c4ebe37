#pragma once
// What the console offers beyond its panes and send box: read-only panes, a
// session log, saving the pane, timestamps, send history, hex sending, find and
// font size. One object wires them into the window, so the window itself only
// creates it, applies its texts and asks it before sending.
#include "ui/ConfigIo.h"
#include "ui/SessionLog.h"

#include <QObject>
#include <QString>
#include <functional>

class ConsolePanel;
class ConsoleView;
class Protocol;
class QMenu;
class SendHistory;
class FindBar;
class RepeatSend;
class ConsoleZoom;
class QWidget;
class QAction;
class QPlainTextEdit;

// What the console's tools need beyond the console panel.
struct ConsoleHost {
    QWidget &window;   // window-wide shortcuts (find) live here
    QMenu &sendMenu;   // the send key's menu
    QMenu &paneMenu;   // every pane's context menu
    QMenu &fileMenu;   // log and save items go above fileBefore
    QAction *fileBefore;
    QAction *paste;    // disabled over a read-only pane
    Protocol &protocol; // sends, and tells whether an operation waits
    std::function<bool()> portOpen;
    std::function<qint64()> bytesSent; // everything that went to the port so far
};

class ConsoleExtras : public QObject {
public:
    // dir: where the send history is kept; empty keeps it in memory only.
    ConsoleExtras(ConsolePanel &panel, const ConsoleHost &host, const QString &dir);
    ~ConsoleExtras() override;

    // Captions in the current language (run by every text application).
    void applyTexts();

    // The send action: remembers the send box's text, sends it (as hex bytes when
    // that is on), and empties the box when asked to and its bytes went out.
    void send();

    // The port was closed (button or lost line): repeating stops.
    void portClosed();

    // Keys typed into w belong to the console's tools (the find field's Enter),
    // not to the window's send keys.
    bool ownsKeys(const QWidget *w) const;

    SessionLog &log() { return log_; }
    FindBar &findBar() { return *find_; }
    ConsoleZoom &zoom() { return *zoom_; }
    SendHistory &history() { return *history_; }
    RepeatSend &repeat() { return *repeat_; }
    // The pane that "Save console as..." writes: the hex pane when it has the focus.
    QPlainTextEdit *paneToSave() const;
    void saveConsoleTo(const QString &path);

    // Asks for a file name to write (title, suggested name); empty: cancelled.
    // Tests replace it; by default a save dialog.
    std::function<QString(const QString &title, const QString &suggested)> askSavePath;

    ConsoleOptions options() const;
    void setOptions(const ConsoleOptions &o);

    QAction *mniLogToFile = nullptr, *mniSaveConsole = nullptr, *mniTimestamps = nullptr,
            *mniSendHex = nullptr, *mniFind = nullptr, *mniClearAfterSend = nullptr;

private:
    // Remembers the send box's text; true when hex sending handled it.
    bool beforeSend();
    void logToggled(bool on);
    // When hex sending applies (on, serial type) the bytes go out, or a red line
    // says why and *ok turns false; returns whether it applied.
    bool sendAsHex(bool *ok);
    void say(bool error, const char *key, const QString &path);

    ConsolePanel &panel_;
    ConsoleHost host_;
    ConsoleView &console_;
    QString dir_;
    SessionLog log_;
    SendHistory *history_ = nullptr;
    FindBar *find_ = nullptr;
    ConsoleZoom *zoom_ = nullptr;
    RepeatSend *repeat_ = nullptr;
    bool historyFailReported_ = false;
    QWidget *hexMark_ = nullptr; // on the send bar while hex sending is on
};
