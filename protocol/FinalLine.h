#pragma once
// Where one of the module's answers ends, so a received block need not wait for
// the read gap. Given to the serial component as its block end; it runs on the
// reader thread and looks only at the bytes.
#include <QByteArrayView>

// True when the bytes end with the module's final line ("\r\nOK\r\n", the same
// with the blank line of a setting's OK, or "+ERR:n\r\n" with or without one)
// and the dispatcher would take them, as they stand, for an answer or a
// refusal. So a block cut here is recognised as the whole burst would have
// been; bytes that follow in the same burst arrive as a block of their own.
bool EndsWithFinalLine(QByteArrayView block);
