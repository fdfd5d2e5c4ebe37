#include "comm/PortList.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMutex>
#include <QRegularExpression>

#include <algorithm>

namespace {

QMutex &extraMutex()
{
    static QMutex m;
    return m;
}

QStringList &extraPorts()
{
    static QStringList list;
    return list;
}

// Legacy ttyS entries exist for every possible UART; a real one has a UART type other than 0.
bool legacyUartPresent(const QString &entryDir)
{
    QFile f(entryDir + QStringLiteral("/type"));
    if (!f.open(QIODevice::ReadOnly))
        return true; // no type to judge by: trust the device link
    bool ok = false;
    const int type = QString::fromLatin1(f.readAll()).trimmed().toInt(&ok);
    return !ok || type != 0;
}

bool isVirtual(const QString &name)
{
    static const QRegularExpression console(QStringLiteral("^tty[0-9]*$")); // tty, tty0, tty63
    return name == QLatin1String("ptmx") || name == QLatin1String("console") || console.match(name).hasMatch();
}

} // namespace

QString SerialByIdDir() { return QStringLiteral("/dev/serial/by-id"); }

QString PortDevice(const QString &path)
{
    const QFileInfo info(path);
    if (!info.isSymLink())
        return path;
    const QString target = info.canonicalFilePath();
    return target.isEmpty() ? path : target; // a dangling link stands for itself
}

QStringList ListSerialPorts(const QString &sysClassTty, const QString &byIdDir)
{
    QStringList names;
    const QDir dir(sysClassTty);
    const QStringList entries = dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::System, QDir::Name);
    for (const QString &name : entries) {
        if (isVirtual(name))
            continue;
        const QString entryDir = dir.filePath(name);
        const QFileInfo device(entryDir + QStringLiteral("/device"));
        if (!device.exists() && !device.isSymLink())
            continue; // no hardware behind it (pty, virtual console, ...)
        const bool usb = name.startsWith(QLatin1String("ttyUSB")) || name.startsWith(QLatin1String("ttyACM"));
        if (!usb && name.startsWith(QLatin1String("ttyS")) && !legacyUartPresent(entryDir))
            continue;
        names << name;
    }
    // Natural order (ttyS2 before ttyS10). The C locale's collator ignores numeric mode, so use English.
    QCollator collator(QLocale(QLocale::English, QLocale::UnitedStates));
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseSensitive);
    std::sort(names.begin(), names.end(), collator);

    // Stable names by the device they resolve to; links whose device is gone are left out.
    QList<QPair<QString, QString>> links; // (link path, device)
    if (!byIdDir.isEmpty()) {
        const QDir byId(byIdDir);
        for (const QString &link : byId.entryList(QDir::Files | QDir::System | QDir::NoDotAndDotDot, QDir::Name)) {
            const QString path = byId.filePath(link);
            const QString device = QFileInfo(path).canonicalFilePath();
            if (!device.isEmpty())
                links.append({path, device});
        }
    }
    auto takeLinksOf = [&links](const QString &device, QStringList &out) {
        for (auto it = links.begin(); it != links.end();) {
            if (it->second == device) {
                out << it->first;
                it = links.erase(it);
            } else {
                ++it;
            }
        }
    };

    QStringList result;
    for (const QString &name : names) {
        const QString device = QStringLiteral("/dev/") + name; // a copy: appending moves the list
        result << device;
        takeLinksOf(device, result);
    }
    for (const auto &l : std::as_const(links))
        result << l.first;
    QMutexLocker lock(&extraMutex());
    for (const QString &extra : extraPorts()) {
        if (!result.contains(extra))
            result << extra;
    }
    return result;
}

QStringList ListSerialPorts() { return ListSerialPorts(QStringLiteral("/sys/class/tty"), SerialByIdDir()); }

void RegisterExtraPort(const QString &path)
{
    if (path.isEmpty())
        return;
    QMutexLocker lock(&extraMutex());
    if (!extraPorts().contains(path))
        extraPorts() << path;
}

void UnregisterExtraPort(const QString &path)
{
    QMutexLocker lock(&extraMutex());
    extraPorts().removeAll(path);
}
