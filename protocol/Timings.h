#pragma once
// How long the protocol waits for the module. The defaults are the program's;
// tests and the batch mode may shorten them (Protocol::setTimings).
#include <QString>

struct TProtocolTimings {
    // A queued line's answer time-out; then "+++" and "a" go in front of it.
    int answerMs = 5000;
    // What the repair itself gets before the operation stops without an answer.
    int repairMs = 5000;
    // A command button's line: no answer within this time gives the red notice.
    int commandWatchMs = 5000;
    // The first line of a queue: silence this long means a module in its data
    // state, and the repair comes at once instead of after answerMs. A module
    // that answers later is still served: see Sender::lateAnswer. 0: off.
    int firstAnswerMs = 500;
};

// "answer=MS,repair=MS,watch=MS,first=MS" (any of them, any order) over *out;
// false with a message for a name or a number that does not fit.
bool ParseTimings(const QString &text, TProtocolTimings *out, QString *error);

// The environment variable that sets them for a run (tests give short ones).
inline constexpr char kTimingsVariable[] = "DTU_PROTOCOL_TIMINGS";
