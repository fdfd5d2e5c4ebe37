#pragma once
// Small guards around the user's actions: the real cause of a failed port
// open, digit-only number fields, and a question before the module's
// settings are reset.
#include "comm/PortOpener.h"

#include <QByteArray>
#include <QString>

class QWidget;

// The console line for a failed open of port, in the current language.
QByteArray OpenFailureText(const TOpenFailureInfo &why, const QString &port);

// Port, time-out, interval, packing time and length fields take typed digits only;
// an empty field stays possible. Values the program writes are shown as they are,
// and the user may still delete from them.
void SetDigitsOnly(QWidget *form);

// Asks before a button that resets the module's settings (tags 20 and 21);
// true when the user agrees, and for every other tag without asking.
bool ConfirmModuleReset(QWidget *parent, int tag);
