#include "comm/PortWatcher.h"

#include "comm/PortList.h"

#include <QDir>
#include <QFileInfo>

PortWatcher::PortWatcher(QObject *parent)
    : PortWatcher({QStringLiteral("/dev"), SerialByIdDir()}, parent)
{
}

PortWatcher::PortWatcher(const QStringList &dirs, QObject *parent) : QObject(parent), m_dirs(dirs)
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(150);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        rewatch();
        emit portsChanged();
    });
    connect(&m_watcher, &QFileSystemWatcher::directoryChanged, this, [this] { m_settle.start(); });
    rewatch();
}

// Watch each folder, or while it is missing its nearest existing parent, so that its creation is seen.
void PortWatcher::rewatch()
{
    QStringList want;
    for (const QString &d : std::as_const(m_dirs)) {
        QString dir = QDir::cleanPath(d);
        while (!QFileInfo(dir).isDir() && dir != QLatin1String("/") && !dir.isEmpty())
            dir = QFileInfo(dir).path();
        if (!dir.isEmpty() && !want.contains(dir))
            want << dir;
    }
    const QStringList have = m_watcher.directories();
    for (const QString &d : have)
        if (!want.contains(d))
            m_watcher.removePath(d);
    for (const QString &d : std::as_const(want))
        if (!have.contains(d))
            m_watcher.addPath(d);
}
