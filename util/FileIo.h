#pragma once
// Whole-file writes that never leave a file half written.
#include <QByteArray>
#include <QString>

// Writes bytes to a temporary file beside path and renames it over path.
// False (and the reason in *error) when any byte did not reach the disk; the
// previous file is then untouched.
bool WriteFileAtomically(const QString &path, const QByteArray &bytes, QString *error = nullptr);
