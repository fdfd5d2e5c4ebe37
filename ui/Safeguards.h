#pragma once
// Small guards around the user's actions: the real cause of a failed port
// open, and a question before the module's settings are reset.
#include "comm/PortOpener.h"

#include <QByteArray>
#include <QString>

class QWidget;

// The console line for a failed open of port, in the current language.
QByteArray OpenFailureText(const TOpenFailureInfo &why, const QString &port);

// Asks before a button that resets the module's settings (tags 20 and 21);
// true when the user agrees, and for every other tag without asking.
bool ConfirmModuleReset(QWidget *parent, int tag);
