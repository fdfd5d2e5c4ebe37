#pragma once
// Turning the main window's serial settings row into TComm settings, opening and closing.
// The caller keeps ComOpened and stops the command-pacing timer tmrRcv before opening.
#include "comm/SPComm.h"

#include <QString>

struct PortRowSettings {
    QString comName;      // text of cbbOpenCom
    QString baudText;     // text of cbbOpenBaud
    int parityIndex = -1; // cbbOpenP: 0 NONE, 1 ODD, 2 EVEN; -1 no selection
    int dataIndex = -1;   // cbbOpenD: 0 "7", 1 "8"
    int stopIndex = -1;   // cbbOpenS: 0 "1", 1 "2"
    int flowIndex = -1;   // cbbOpenFlow: 0 NONE, 1 CRTS
};

// Why an open failed, so the user is told the real cause.
enum class TOpenFailure {
    None,
    InUse,    // another program holds the port
    NoDevice, // no such device (unplugged, mistyped, empty name)
    NoAccess, // no permission (the dialout group)
    Other,    // anything else; reason holds the system's text
};

struct TOpenFailureInfo {
    TOpenFailure kind = TOpenFailure::None;
    QString reason; // the system's text for the failure (or ours for a bad baud rate)
};

// The kind of failure an errno value stands for.
TOpenFailure OpenFailureOf(int sysError);

// Read gap ending a chunk at this baud rate: 200 ms for 1200 and 2400, 80 ms for 4800, else 60 ms.
quint32 ReadGapForBaud(quint32 baud);
// Read gap while a binary transfer expects single-byte answers: three character times, at least 1 ms.
quint32 TransferReadGapForBaud(quint32 baud);

// Closes, applies the fixed settings and the row's, opens. Catches every failure and
// returns false, with a text for the log in *error (the component's message and the system's reason,
// with the dialout-group hint for a permission failure). Settings applied before a failure stay.
// *why, when given, tells the kind of failure.
bool PortOpen(TComm &cm, const PortRowSettings &row, QString *error = nullptr, TOpenFailureInfo *why = nullptr);

// CloseComm (the caller clears ComOpened).
void PortClose(TComm &cm);
