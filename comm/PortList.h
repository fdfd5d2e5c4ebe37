#pragma once
// The list of serial ports present, from sysfs, plus ports the program provides itself.
#include <QString>
#include <QStringList>

// Real serial ports as "/dev/NAME", in natural order (ttyS2 before ttyS10), then the ports the program
// registered itself, in registration order. Reads /sys/class/tty.
QStringList ListSerialPorts();
// The same over another sysfs tty folder (tests use a fake tree).
QStringList ListSerialPorts(const QString &sysClassTty);

// Ports the program provides itself (the demo mode's simulated module). Registering a path twice keeps
// one entry; a registered path that is also found in sysfs is listed once.
void RegisterExtraPort(const QString &path);
void UnregisterExtraPort(const QString &path);
