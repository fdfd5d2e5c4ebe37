#pragma once
// The list of serial ports present, from sysfs, plus ports the program provides itself.
#include <QString>
#include <QStringList>

// Real serial ports as "/dev/NAME", in natural order (ttyS2 before ttyS10), each followed by its stable
// names from /dev/serial/by-id; then stable names whose device sysfs does not list; then the ports the
// program registered itself, in registration order. Reads /sys/class/tty and /dev/serial/by-id.
QStringList ListSerialPorts();
// The same over other folders (tests use fake trees); an empty byIdDir lists no stable names.
QStringList ListSerialPorts(const QString &sysClassTty, const QString &byIdDir = QString());

// Where udev keeps the stable names of serial devices.
QString SerialByIdDir();
// The device a port name stands for: a stable name resolved to its device node, any other path as it is.
QString PortDevice(const QString &path);

// Ports the program provides itself (the demo mode's simulated module). Registering a path twice keeps
// one entry; a registered path that is also found in sysfs is listed once.
void RegisterExtraPort(const QString &path);
void UnregisterExtraPort(const QString &path);
