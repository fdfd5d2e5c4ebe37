#pragma once
// Notices serial devices that come and go: watches device folders (by default /dev and
// /dev/serial/by-id) with inotify through QFileSystemWatcher, so waiting costs nothing.
#include <QFileSystemWatcher>
#include <QObject>
#include <QStringList>
#include <QTimer>

class PortWatcher : public QObject {
    Q_OBJECT
public:
    // Folders that may not exist yet (by-id appears with the first USB adapter) are watched
    // from their nearest existing parent and taken up when they appear.
    explicit PortWatcher(QObject *parent = nullptr);
    PortWatcher(const QStringList &dirs, QObject *parent);

    QStringList watchedDirs() const { return m_watcher.directories(); }
    // Quiet time after the last change before portsChanged is sent: udev makes the node first
    // and its stable names a moment later.
    void setSettleMs(int ms) { m_settle.setInterval(ms); }

signals:
    void portsChanged();

private:
    void rewatch();

    QStringList m_dirs;
    QFileSystemWatcher m_watcher;
    QTimer m_settle;
};
