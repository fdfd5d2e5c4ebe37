#pragma once
// Which controls of the form hold a parameter, so the window can point at a
// parameter the module refused.
#include "protocol/Catalogue.h"

#include <QList>

class QWidget;
struct FormControls;

// The controls that carry the value of c (empty for words the form does not show).
QList<QWidget *> ControlsOf(const FormControls &c, TCmd cmd);
