#include "protocol/CommandWatch.h"

#include "lang/AppLang.h"
#include "util/LineSink.h"

CommandWatch::CommandWatch(LineSink &console, QObject *parent) : QObject(parent), console_(console)
{
    timer_.setSingleShot(true);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kWaitMs);
    connect(&timer_, &QTimer::timeout, this, &CommandWatch::expired);
}

void CommandWatch::watch(const QByteArray &line)
{
    line_ = line;
    timer_.start();
}

void CommandWatch::expired()
{
    console_.ShowErr(LangText("info_CmdNoAnswer").replace("%s", line_));
}
