#pragma once
#include <QString>

// Where the program keeps its configuration and language files: the executable's
// directory when files can be created there, else the per-user configuration
// directory $XDG_CONFIG_HOME/dtu-config (~/.config/dtu-config), created on demand.
QString ConfigDirFor(const QString &exeDir);

// Whether a file can be created in the directory (probed, not guessed from mode bits).
bool DirIsWritable(const QString &dir);

// Whether the program runs from the system's program folders (an installed package).
bool IsSystemProgramDir(const QString &exeDir);
