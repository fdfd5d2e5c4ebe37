// Wall time of a Get All against the simulated module paced at 115200 baud,
// next to its floor: per exchange the read gap, the wire time of the line and
// of its answer, and the module's own delay.
#include "comm/PortList.h"
#include "protocol/ParamCodec.h"
#include "protocol/Protocol.h"
#include "tools/dtu-sim/SimModule.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int baud = 115200;
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 3;

    SimOptions so;
    so.startInCommandState = true;
    so.paceBaud = baud;
    SimModule sim(so);
    if (!sim.start()) {
        std::fprintf(stderr, "cannot start the simulated module\n");
        return 1;
    }
    RegisterExtraPort(sim.slavePath());
    QTemporaryDir dir;
    StartOptions opts;
    opts.configDir = dir.path();
    TFrm_Main w(opts);
    w.FillPortList();
    ParamCodec::SelectItem(w.portBar()->cbbOpenCom, QFile::encodeName(sim.slavePath()));
    ParamCodec::SelectItem(w.portBar()->cbbOpenBaud, QByteArray::number(baud));
    w.btnSysClick(1);
    if (!w.ComOpened())
        return 1;

    qint64 sentBytes = 0, rcvBytes = 0, exchanges = 0;
    bool done = false;
    w.console()->setTap([&](LineKind k, const QByteArray &t) {
        if (k == LineKind::Send) {
            sentBytes += t.size();
            ++exchanges;
        } else if (k == LineKind::Rcv) {
            rcvBytes += t.size();
        }
    });
    QObject::connect(w.protocol(), &Protocol::operationEnded, [&](const TOpOutcome &) { done = true; });

    const double gapMs = 60.0;
    const double delayMs = so.replyDelayMs;
    for (int r = 0; r < runs; ++r) {
        sentBytes = rcvBytes = exchanges = 0;
        done = false;
        QElapsedTimer t;
        t.start();
        w.btnDoClick(10);
        while (!done && t.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        const double wall = double(t.elapsed());
        const double wireMs = double(sentBytes + rcvBytes) * 10.0 * 1000.0 / baud;
        const double floor = double(exchanges) * (gapMs + delayMs) + wireMs;
        // The simulator paces only what it sends: the tool's lines cross the pty at once.
        const double answerWireMs = double(rcvBytes) * 10.0 * 1000.0 / baud;
        const double pacedFloor = double(exchanges) * (gapMs + delayMs) + answerWireMs;
        std::printf("run %d: %lld exchanges, %.0f ms wall; floor %.0f ms (gap %.0f + delay %.0f per exchange, "
                    "wire both ways %.0f ms), ratio %.3f; floor with answers paced only %.0f ms, ratio %.3f\n",
                    r + 1, exchanges, wall, floor, gapMs, delayMs, wireMs, wall / floor, pacedFloor, wall / pacedFloor);
    }
    w.PortClose();
    UnregisterExtraPort(sim.slavePath());
    return 0;
}
