#pragma once
// Random, valid module states for round-trip tests against the simulated module.
#include "tools/dtu-sim/SimParams.h"

#include <QByteArray>
#include <QSet>

#include <random>

// Every writable word the form holds, with a random value the module accepts, up to
// the module's own lengths: text from all of GBK, lone high bytes, UTF-8 text, binary
// heartbeat and registration data.
SimParamList RandomModuleState(std::mt19937 &rng);

// A valid value for one word, other than `unlike`.
QByteArray RandomValueOtherThan(const QByteArray &word, const QByteArray &unlike, std::mt19937 &rng);

// The words a Set All must write for this state when the advanced box is `more`.
QSet<QByteArray> WordsSetAllMustWrite(const SimParamList &state, bool more);

QByteArray ValueOf(const SimParamList &state, const QByteArray &word);
