#pragma once
#include <QString>
#include <QStringList>

// Where the program keeps its configuration and language files: the executable's
// directory when files can be created there, else the per-user configuration
// directory $XDG_CONFIG_HOME/dtu-config (~/.config/dtu-config), created on demand.
// There, each of seedFiles that exists beside the program but not yet per user is
// copied over first, so a configuration shipped beside the program is not ignored.
QString ConfigDirFor(const QString &exeDir, const QStringList &seedFiles = {});

// Whether a file can be created in the directory (probed, not guessed from mode bits).
bool DirIsWritable(const QString &dir);

// Whether the program runs from the system's program folders (an installed package).
bool IsSystemProgramDir(const QString &exeDir);

// Copies the content of each named file from fromDir into toDir where toDir does not have
// it yet; the copy gets the user's ordinary file mode, whatever the original's is.
void SeedConfigFiles(const QString &fromDir, const QString &toDir, const QStringList &names);
