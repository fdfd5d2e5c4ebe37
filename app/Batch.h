#pragma once
// Headless runs of the window's own logic for scripts: get-all, set-all, send,
// upgrade. The window is created hidden on the offscreen platform.
#include "protocol/Timings.h"

#include <QString>
#include <QStringList>

enum BatchExit : int {
    ExitOk = 0,
    ExitUsage = 1,       // bad or missing argument
    ExitMissingFile = 2, // INI or firmware file missing or unreadable
    ExitPortFailed = 3,  // the port could not be opened, or was lost while in use
    ExitTimeout = 4,     // no answer (or none of its own to a query), or no completion within --timeout
    ExitRefused = 5,     // the module refused at least one line
    ExitFailed = 6,      // anything else: result file not written
    ExitTransferFailed = 7, // the boot loader cancelled or dropped the firmware transfer
    ExitDiffers = 8,     // verify: the module's settings differ from the file's
    ExitNoValues = 9,    // provision: the values file has no row for this module
};

struct BatchArgs {
    QString command; // get-all, set-all, send, upgrade, verify
    QString port;
    QString baud = QStringLiteral("115200");
    QString ini;
    QString firmware;
    QString text;
    int timeoutS = 0; // 0: the command's default
    bool json = false; // one JSON object per stdout line
    bool all = false;  // set-all: every module value the file holds, whatever its boxes say
    QString values;    // provision: per-module values (CSV)
    QString records;   // provision, records: SQLite file or postgresql:// address; empty: the default
    QString station;   // provision: the station's name in its records; empty: the host name
    QString csv;       // records: export to this file
    QString since;     // records: runs started at or after this date (ISO 8601)
    TProtocolTimings timings; // how long the protocol waits (the defaults, but for tests)
};

// Text of --help that documents the exit codes.
QString BatchHelpText();

int RunBatch(const BatchArgs &args);
