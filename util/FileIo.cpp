#include "util/FileIo.h"

#include <QSaveFile>

bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    // Buffered bytes must all be on disk before the rename: a write cut short
    // (disk full, a size limit) is a failed save.
    if (file.write(bytes) != bytes.size() || !file.flush() || file.size() != bytes.size()) {
        if (error)
            *error = file.error() != QFileDevice::NoError ? file.errorString() : QStringLiteral("the file was cut short");
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        if (error)
            *error = file.errorString();
        return false;
    }
    return true;
}
