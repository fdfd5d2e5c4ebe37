#include "app/Batch.h"
#include "app/BatchSignals.h"
#include "app/Demo.h"
#include "util/RunOnce.h"
#include "util/Version.h"
#include "config/ConfigDir.h"
#include "ui/ConfigIo.h"
#include "config/IniFile.h"
#include "lang/AppLang.h"
#include "protocol/Timings.h"
#include "ui/MainWindow.h"
#include "ui/PortChooser.h"
#include "ui/StationWindow.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDir>
#include <QIcon>

#include <QSocketNotifier>

#include <csignal>
#include <vector>
#include <cstdio>
#include <cstring>
#include <unistd.h>

namespace {

int g_signalPipe[2] = {-1, -1};

void onTerminate(int)
{
    const char c = 1;
    [[maybe_unused]] const ssize_t n = ::write(g_signalPipe[1], &c, 1);
}

// SIGTERM, SIGINT and SIGHUP (the terminal it was started from closed) close the window the
// normal way, so the configuration is saved.
void closeOnTerminate(QWidget *w)
{
    if (::pipe(g_signalPipe) != 0)
        return;
    auto *n = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, w);
    QObject::connect(n, &QSocketNotifier::activated, w, [w] {
        char c;
        [[maybe_unused]] const ssize_t r = ::read(g_signalPipe[0], &c, 1);
        w->close();
    });
    struct sigaction sa {};
    sa.sa_handler = onTerminate;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGHUP, &sa, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    // Batch runs need no display: the same window, hidden, on the offscreen platform.
    bool batch = false, textOnly = false;
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        batch = batch || std::strcmp(a, "--batch") == 0;
        textOnly = textOnly || !std::strcmp(a, "--help") || !std::strcmp(a, "-h") || !std::strcmp(a, "--help-all") ||
                   !std::strcmp(a, "--version") || !std::strcmp(a, "-v");
    }
    if (batch || textOnly)
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
             qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "dtu-config: no display to show the window on (DISPLAY is not set); "
                             "the batch mode needs none, see --help\n");
        return ExitUsage;
    }

    // "--station" opens the station window; its name may follow, as for provision.
    std::vector<char *> args(argv, argv + argc);
    char emptyStation[] = "--station=";
    for (size_t i = 1; !batch && i < args.size(); ++i)
        if (!std::strcmp(args[i], "--station") && (i + 1 == args.size() || args[i + 1][0] == '-'))
            args[i] = emptyStation;
    argc = int(args.size());
    argv = args.data();

    // The marker is taken before any window and released after the last one.
    RunOnceMarker marker;
    QApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(GetAppVersion());
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/app/dtu-config.png")));

    QCommandLineParser p;
    p.setApplicationDescription(QStringLiteral("Configuration and terminal tool for cellular serial-to-network modules.\n\n") +
                                BatchHelpText() + BatchSignalsHelpText());
    p.addHelpOption();
    p.addVersionOption();
    const QCommandLineOption optDemo("demo", "Start on a built-in simulated module.");
    const QCommandLineOption optBatch("batch", "Run a batch command: get-all, set-all, send, upgrade, verify, provision, records.", "command");
    const QCommandLineOption optPort("port", "Serial port device, e.g. /dev/ttyUSB0 or a /dev/serial/by-id name; "
                                              "without --batch the window starts with it selected.", "dev");
    const QCommandLineOption optBaud("baud", "Baud rate (default 115200).", "n", "115200");
    const QCommandLineOption optIni("ini", "INI file to write (get-all) or read (set-all, verify).", "file");
    const QCommandLineOption optFw("firmware", "Firmware image for upgrade.", "file");
    const QCommandLineOption optTimeout("timeout", "Seconds before a batch command gives up.", "s");
    const QCommandLineOption optJson("json", "Batch: one JSON object per output line.");
    const QCommandLineOption optAll("all", "Batch set-all: write every module value of the file, whatever its boxes say.");
    const QCommandLineOption optValues("values", "Batch provision: per-module values (CSV).", "file");
    const QCommandLineOption optRecords("records", "Batch provision, records: SQLite file or postgresql://USER@HOST[:PORT]/DB.", "where");
    const QCommandLineOption optStation("station", "Without --batch: open the provisioning station (with --ini, --values, "
                                                   "--records and one --port per fixed port). Batch provision and the "
                                                   "station: the station's name in its records (default: the host name).",
                                        "name");
    const QCommandLineOption optCsv("csv", "Batch records: export to this CSV file.", "file");
    const QCommandLineOption optSince("since", "Batch records: runs started at or after this date.", "date");
    p.addOptions({optDemo, optBatch, optPort, optBaud, optIni, optFw, optTimeout, optJson, optAll, optValues, optRecords,
                  optStation, optCsv, optSince});
    p.addPositionalArgument("text", "Text to send (batch send).");
    if (!p.parse(QCoreApplication::arguments())) {
        // What is wrong, then what would be right.
        std::fprintf(stderr, "dtu-config: %s\n\n%s", p.errorText().toLocal8Bit().constData(),
                     p.helpText().toLocal8Bit().constData());
        return ExitUsage;
    }
    if (p.isSet(QStringLiteral("version"))) {
        std::printf("dtu-config %s\n", GetAppVersion().toLocal8Bit().constData());
        return 0;
    }
    if (p.isSet(QStringLiteral("help"))) {
        std::printf("%s", p.helpText().toLocal8Bit().constData());
        return 0;
    }
    // Protocol waits from the environment: test suites shorten them.
    TProtocolTimings timings;
    if (const QString t = qEnvironmentVariable(kTimingsVariable); !t.isEmpty()) {
        if (QString why; !ParseTimings(t, &timings, &why)) {
            std::fprintf(stderr, "dtu-config: %s: %s\n", kTimingsVariable, why.toLocal8Bit().constData());
            return ExitUsage;
        }
    }
    if (p.isSet(optBatch)) {
        BatchArgs a;
        a.timings = timings;
        a.command = p.value(optBatch);
        a.port = p.value(optPort);
        a.baud = p.value(optBaud);
        a.ini = p.value(optIni);
        a.firmware = p.value(optFw);
        a.text = p.positionalArguments().join(' ');
        a.json = p.isSet(optJson);
        a.all = p.isSet(optAll);
        a.values = p.value(optValues);
        a.records = p.value(optRecords);
        a.station = p.value(optStation);
        a.csv = p.value(optCsv);
        a.since = p.value(optSince);
        if (p.isSet(optTimeout)) {
            bool ok = false;
            a.timeoutS = p.value(optTimeout).toInt(&ok);
            if (!ok || a.timeoutS <= 0) {
                std::fprintf(stderr, "dtu-config: --timeout needs a positive number of seconds\n");
                return ExitUsage;
            }
        }
        return RunBatch(a);
    }

    StartOptions opts;
    opts.timings = timings;
    const QString exeDir = QCoreApplication::applicationDirPath();
    opts.configDir = ConfigDirFor(exeDir, {QLatin1String(kConfigFileName), QLatin1String(kLangFileName)});
    opts.perUserConfig = QDir(opts.configDir) != QDir(exeDir);
    if (p.isSet(optStation)) {
        // The station alone, in the configuration's language.
        InitLanguage(opts.configDir);
        TIniFile ini(ConfigFilePath(opts.configDir));
        ini.load();
        if (LangList)
            LangList->IsChinese = ini.ReadBool("System", "Language", TLangList::SystemIsChinese());
        StationSetup setup;
        setup.templatePath = p.value(optIni);
        setup.valuesPath = p.value(optValues);
        setup.records = p.value(optRecords);
        setup.station = p.value(optStation);
        setup.ports = p.values(optPort);
        setup.baud = p.value(optBaud);
        StationWindow station(setup);
        closeOnTerminate(&station);
        station.show();
        const int rc = app.exec();
        FreeLanguage();
        return rc;
    }
    DemoModule demo;
    const bool demoOn = p.isSet(optDemo) && demo.start();
    int rc = 0;
    {
        TFrm_Main w(opts);
        if (demoOn)
            demo.attach(w);
        // --port and --baud choose the row the window starts with; the port is not opened.
        if (QString err; (p.isSet(optPort) || p.isSet(optBaud)) &&
                         !SelectStartPort(*w.portBar(), *w.portChooser(), p.value(optPort), p.isSet(optBaud) ? p.value(optBaud) : QString(), &err)) {
            std::fprintf(stderr, "dtu-config: %s\n", err.toLocal8Bit().constData());
            return ExitUsage;
        }
        closeOnTerminate(&w);
        w.show();
        rc = app.exec();
    }
    return rc;
}
