#pragma once
// Batch verify: the values of a file against what the module answered.
#include "app/BatchOutput.h"
#include "protocol/Outcome.h"
#include "protocol/SettingPlan.h"

#include <QByteArray>
#include <QList>

#include <functional>

// Whether the module's answer a holds the value b of the same word: lists
// whose items are matched without regard to case compare so.
bool SameValue(const QByteArray &word, const QByteArray &a, const QByteArray &b);

// One difference per value of the file's plan that the file holds (held) and
// the module does not: a value it answered otherwise, a query it refused, or
// no answer of its own. Values that set-all skips count as well, with why.
QList<Difference> VerifyDifferences(const QList<TSetting> &filePlan,
                                    const std::function<bool(const QByteArray &word)> &held,
                                    const TOpOutcome &module);
