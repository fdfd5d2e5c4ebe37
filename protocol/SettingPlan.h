#pragma once
// Every module value the form holds, in the order Set All writes them, each
// with the reason Set All leaves it out (the work mode, a group's box, the
// registration type, More Function). Set All, verify and "write everything"
// all read the form through this one list.
#include "protocol/Catalogue.h"

#include <QByteArray>
#include <QList>

class FormHooks;
struct FormControls;

enum class TSkip : uint8_t {
    None,      // Set All writes it
    WorkMode,  // belongs to another work mode
    SocketOff, // its connection's box is off
    HeartOff,  // the heartbeat box is off
    RegOff,    // the registration box is off
    RegType,   // the chosen registration type uses another value
    MoreOff,   // More Function is off
    NoItem,    // a list with no item chosen: there is no value to write
};

struct TSetting {
    TCmd cmd;
    QByteArray value; // as the setting line carries it
    TSkip skip = TSkip::None;
    int group = 0;    // the connection (0..3) of a socket word
};

QList<TSetting> SettingPlan(const FormControls &c, const FormHooks &hooks);

// Why a value is left out, in words, for the batch output ("More Function is off").
QByteArray SkipReason(const TSetting &s);
