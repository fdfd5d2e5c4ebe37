#include "config/ConfigDir.h"

#include "util/FileIo.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

bool DirIsWritable(const QString &dir)
{
    if (dir.isEmpty() || !QFileInfo(dir).isDir())
        return false;
    // Mode bits say nothing about read-only mounts, and root passes them all.
    QTemporaryFile probe(QDir(dir).filePath(QStringLiteral(".dtu-config-probe-XXXXXX")));
    return probe.open();
}

bool IsSystemProgramDir(const QString &exeDir)
{
    const QString d = QDir::cleanPath(exeDir);
    return d == QLatin1String("/usr") || d.startsWith(QLatin1String("/usr/")) || d == QLatin1String("/bin") ||
           d == QLatin1String("/sbin");
}

void SeedConfigFiles(const QString &fromDir, const QString &toDir, const QStringList &names)
{
    if (fromDir.isEmpty())
        return;
    for (const QString &name : names) {
        const QString mine = QDir(toDir).filePath(name);
        const QString beside = QDir(fromDir).filePath(name);
        if (QFileInfo::exists(mine) || !QFileInfo(beside).isFile())
            continue;
        // The content only: a copy of a read-only file (installed by root, say) must not
        // inherit its mode, or no setting could ever be saved per user.
        QFile from(beside);
        if (from.open(QIODevice::ReadOnly))
            WriteFileAtomically(mine, from.readAll());
    }
}

QString ConfigDirFor(const QString &exeDir, const QStringList &seedFiles)
{
    // An installed program keeps its files per user, even when root could write
    // beside it.
    if (!IsSystemProgramDir(exeDir) && DirIsWritable(exeDir))
        return exeDir;
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    const QString dir = QDir(base.isEmpty() ? QDir::homePath() + QStringLiteral("/.config") : base)
                            .filePath(QStringLiteral("dtu-config"));
    QDir().mkpath(dir);
    SeedConfigFiles(exeDir, dir, seedFiles);
    return dir;
}
