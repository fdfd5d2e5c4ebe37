// dtu-sim: the simulated module on a pseudo-terminal.
// Prints the slave path as the first line of stdout and serves until SIGINT or
// SIGTERM; SIGUSR1 puts the module into its boot loader.
#include "tools/dtu-sim/SimModule.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>

#include <csignal>
#include <cstdio>

namespace {

bool intValue(const QCommandLineParser &p, const QCommandLineOption &o, int min, int *out)
{
    if (!p.isSet(o))
        return true;
    bool ok = false;
    const int v = p.value(o).toInt(&ok);
    if (!ok || v < min) {
        std::fprintf(stderr, "dtu-sim: bad value for --%s: %s\n", qPrintable(o.names().constFirst()),
                     qPrintable(p.value(o)));
        return false;
    }
    *out = v;
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    // Signals are taken by sigwait below; block them before any thread exists.
    sigset_t sigs;
    sigemptyset(&sigs);
    sigaddset(&sigs, SIGINT);
    sigaddset(&sigs, SIGTERM);
    sigaddset(&sigs, SIGUSR1);
    pthread_sigmask(SIG_BLOCK, &sigs, nullptr);

    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("dtu-sim"));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral(
        "Simulated module on a pseudo-terminal. The slave path is printed as the first line of\n"
        "standard output; open it like a serial port. Serves until SIGINT or SIGTERM.\n"
        "SIGUSR1 enters the boot loader (menu, firmware update by XModem-CRC)."));
    p.addHelpOption();
    const QCommandLineOption optCmd(QStringLiteral("command-state"), QStringLiteral("Start in the command state."));
    const QCommandLineOption optBoot(QStringLiteral("boot"), QStringLiteral("Start in the boot loader."));
    const QCommandLineOption optEcho(QStringLiteral("echo"), QStringLiteral("Factory value of E is ON (echo command lines)."));
    const QCommandLineOption optIgnore(QStringLiteral("ignore"), QStringLiteral("Give no answer to the first <n> command lines."), QStringLiteral("n"));
    const QCommandLineOption optSplit(QStringLiteral("split"), QStringLiteral("Send every command answer in two writes about 300 ms apart."));
    const QCommandLineOption optSplitGap(QStringLiteral("split-gap"), QStringLiteral("The pause between the two writes of --split and --double, in ms (default 300)."), QStringLiteral("ms"));
    const QCommandLineOption optNak(QStringLiteral("nak-every"), QStringLiteral("NAK every <n>th good XModem block once."), QStringLiteral("n"));
    const QCommandLineOption optGarbage(QStringLiteral("garbage"), QStringLiteral("Send a few stray bytes before every third command answer."));
    const QCommandLineOption optGarbageGap(QStringLiteral("garbage-gap"), QStringLiteral("The pause between the stray bytes of --garbage and the answer, in ms (default 250)."), QStringLiteral("ms"));
    const QCommandLineOption optPace(QStringLiteral("pace"), QStringLiteral("Emulate the wire rate of <baud> (10 bits per byte)."), QStringLiteral("baud"));
    const QCommandLineOption optDelay(QStringLiteral("delay"), QStringLiteral("Pause before every answer, in ms (default 5)."), QStringLiteral("ms"));
    const QCommandLineOption optRestart(QStringLiteral("restart-delay"), QStringLiteral("Pause before the start-up message after a restart, in ms (default 500)."), QStringLiteral("ms"));
    const QCommandLineOption optC(QStringLiteral("c-interval"), QStringLiteral("XModem: repeat 'C' every <ms> until the first block (default 1000)."), QStringLiteral("ms"));
    const QCommandLineOption optCLimit(QStringLiteral("c-limit"), QStringLiteral("XModem: after <n> 'C's without a block, leave the boot loader and run the application."), QStringLiteral("n"));
    const QCommandLineOption optMenu(QStringLiteral("boot-repeat"), QStringLiteral("Boot loader: resend the menu every <ms> while idle (default 0: never)."), QStringLiteral("ms"));
    const QCommandLineOption optSave(QStringLiteral("save-image"), QStringLiteral("Write the received firmware image to <file> at EOT."), QStringLiteral("file"));
    const QCommandLineOption optParams(QStringLiteral("params"), QStringLiteral("Load initial parameters from <file> (WORD=value lines)."), QStringLiteral("file"));
    const QCommandLineOption optDump(QStringLiteral("dump-params"), QStringLiteral("Write the parameter table to <file> at exit (WORD=value lines)."), QStringLiteral("file"));
    const QCommandLineOption optNet(QStringLiteral("network-data"), QStringLiteral("Data state: forward a line of server data every <ms> (default 0: never)."), QStringLiteral("ms"));
    const QCommandLineOption optMute(QStringLiteral("mute"), QStringLiteral("Say nothing at all (a module without power)."));
    const QCommandLineOption optRefuse(QStringLiteral("refuse"), QStringLiteral("Answer \"+ERR:1\" to every line about these words (comma-separated)."), QStringLiteral("words"));
    const QCommandLineOption optCancel(QStringLiteral("cancel-after"), QStringLiteral("XModem: cancel (CAN CAN) after <n> stored blocks."), QStringLiteral("n"));
    const QCommandLineOption optXmodem(QStringLiteral("xmodem"), QStringLiteral("Start as a bare XModem-CRC receiver ('C' at once; no menu, no AT commands)."));
    // Fault switches.
    const QCommandLineOption optGlue(QStringLiteral("glue-noise"), QStringLiteral("Glue stray bytes in front of every third command answer (one write)."));
    const QCommandLineOption optDouble(QStringLiteral("double"), QStringLiteral("Send every command answer twice."));
    const QCommandLineOption optHangLines(QStringLiteral("hangup-after"), QStringLiteral("Close the line after <n> command lines."), QStringLiteral("n"));
    const QCommandLineOption optHangBlocks(QStringLiteral("hangup-after-blocks"), QStringLiteral("Close the line after <n> stored XModem blocks."), QStringLiteral("n"));
    const QCommandLineOption optNakAll(QStringLiteral("nak-always"), QStringLiteral("XModem: NAK every block, for ever."));
    const QCommandLineOption optStale(QStringLiteral("stale"), QStringLiteral("Answer the queries of these words (comma-separated) with the previous answer again."), QStringLiteral("words"));
    const QCommandLineOption optBurst(QStringLiteral("burst"), QStringLiteral("Send <n> bytes of network data when the tool first sends."), QStringLiteral("n"));
    p.addOptions({optCLimit, optStale, optGlue, optDouble, optHangLines, optHangBlocks, optNakAll, optBurst});
    p.addOptions({optXmodem, optCancel, optRefuse, optCmd, optBoot, optEcho, optIgnore, optSplit, optSplitGap, optNak, optGarbage, optGarbageGap, optPace, optDelay, optRestart,
                  optC, optMenu, optSave, optParams, optDump, optNet, optMute});
    p.process(app);

    SimOptions o;
    o.startInCommandState = p.isSet(optCmd);
    o.bootLoader = p.isSet(optBoot);
    o.xmodemReceiver = p.isSet(optXmodem);
    o.echo = p.isSet(optEcho);
    o.splitAnswers = p.isSet(optSplit);
    if (p.isSet(optSplitGap)) {
        bool ok = false;
        o.splitGapMs = p.value(optSplitGap).toInt(&ok);
        if (!ok || o.splitGapMs < 0 || o.splitGapMs > 60000) {
            std::fprintf(stderr, "dtu-sim: --split-gap needs 0 to 60000 ms\n");
            return 1;
        }
    }
    o.garbage = p.isSet(optGarbage);
    o.mute = p.isSet(optMute);
    o.saveImagePath = p.value(optSave);
    for (const QString &w : p.value(optRefuse).split(QLatin1Char(','), Qt::SkipEmptyParts))
        o.refuseWords.append(w.trimmed().toUpper().toLatin1());
    for (const QString &w : p.value(optStale).split(QLatin1Char(','), Qt::SkipEmptyParts))
        o.staleWords.append(w.trimmed().toUpper().toLatin1());
    o.glueNoise = p.isSet(optGlue);
    o.doubleAnswers = p.isSet(optDouble);
    o.nakAlways = p.isSet(optNakAll);
    if (!intValue(p, optHangLines, 0, &o.hangupAfterLines) ||
        !intValue(p, optHangBlocks, 0, &o.hangupAfterBlocks) || !intValue(p, optBurst, 0, &o.burstBytes))
        return 2;
    if (!intValue(p, optIgnore, 0, &o.ignoreFirstLines) || !intValue(p, optNak, 0, &o.nakEveryNth) ||
        !intValue(p, optCancel, 0, &o.cancelAfter) ||
        !intValue(p, optPace, 0, &o.paceBaud) || !intValue(p, optDelay, 0, &o.replyDelayMs) ||
        !intValue(p, optRestart, 0, &o.restartDelayMs) || !intValue(p, optC, 1, &o.cRepeatMs) || !intValue(p, optCLimit, 0, &o.cLimit) ||
        !intValue(p, optMenu, 0, &o.bootMenuRepeatMs) || !intValue(p, optNet, 0, &o.networkDataEveryMs) ||
        !intValue(p, optGarbageGap, 0, &o.garbageGapMs))
        return 2;

    SimModule sim(o);
    if (p.isSet(optParams)) {
        QFile f(p.value(optParams));
        if (!f.open(QIODevice::ReadOnly)) {
            std::fprintf(stderr, "dtu-sim: cannot read %s\n", qPrintable(f.fileName()));
            return 2;
        }
        if (const int bad = sim.applyParamsText(f.readAll()))
            std::fprintf(stderr, "dtu-sim: %d line(s) of %s name no parameter\n", bad, qPrintable(f.fileName()));
    }
    if (!sim.start()) {
        std::fprintf(stderr, "dtu-sim: %s\n", qPrintable(sim.errorString()));
        return 1;
    }
    std::printf("%s\n", qPrintable(sim.slavePath()));
    std::fflush(stdout);

    for (;;) {
        int sig = 0;
        if (sigwait(&sigs, &sig) != 0)
            continue;
        if (sig == SIGUSR1) {
            sim.enterBootLoader();
            continue;
        }
        break;
    }
    sim.stop();
    if (p.isSet(optDump)) {
        QFile f(p.value(optDump));
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(sim.paramsText()) < 0) {
            std::fprintf(stderr, "dtu-sim: cannot write %s\n", qPrintable(f.fileName()));
            return 1;
        }
    }
    return 0;
}
