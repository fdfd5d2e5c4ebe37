#pragma once
// The port field of the main window: a list of present ports that also takes any typed path
// (a stable by-id name, a pseudo-terminal), follows devices that come and go, and can reopen
// a port whose device was unplugged and came back.
#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

class QCheckBox;
class QComboBox;
class PortWatcher;
class PortBar;

class PortChooser : public QObject {
    Q_OBJECT
public:
    // reopen: opens the row again after a lost device came back (the path says which).
    PortChooser(PortBar &bar, std::function<void(const QString &path)> reopen);

    // Where ports are listed from and which folders are watched (tests use fake trees).
    void setSources(const QString &sysClassTty, const QString &byIdDir, const QStringList &watchDirs);

    // Replaces the items by the present ports; no item is selected afterwards.
    void Fill();
    // Refills the list and keeps what the field shows (a typed path stays typed).
    void Refresh();
    void DropDown();
    void CloseUp();
    // Shows a path in the field: the matching item, or the path typed in.
    void Select(const QString &path);
    void ApplyTexts();

    QCheckBox *reopenBox() const { return m_reopen; }
    PortWatcher *watcher() const { return m_watcher; }

    // The open port's line was lost: remember the row to reopen it later.
    void lineLost();

private:
    struct RowState {
        QString path;
        QString baudText; // a typed rate is kept as typed
        int parity = -1, data = -1, stop = -1, flow = -1;
    };
    void devicesChanged();
    RowState rowState() const;
    void restoreRow(const RowState &s);

    PortBar &m_bar;
    std::function<void(const QString &)> m_reopenRow;
    QComboBox *m_combo;
    QCheckBox *m_reopen = nullptr;
    PortWatcher *m_watcher = nullptr;
    QString m_sysDir, m_byIdDir;
    QString m_storedText; // the field's text when the list dropped down

    // The port whose line was lost; it is reopened when its path is back after having gone.
    RowState m_lost;
    bool m_lostGone = false;
};

// The port (and baud rate, when not empty) given on the command line: the port is selected
// or typed in; a baud rate the list does not hold is an error.
bool SelectStartPort(PortBar &bar, PortChooser &ports, const QString &port, const QString &baud, QString *error);
