// Console throughput and event-loop latency of the main window.
//   QT_QPA_PLATFORM=offscreen bench_console
// 1. 65535 coloured 40-byte lines through ConsoleView, and the same lines through a
//    bare QPlainTextEdit's appendPlainText in the same run (1000 lines of each in
//    turn): ms per 1000 lines over the whole cycle (the pane empties at the 65535th);
//    the console must stay within 1.2 x of the bare widget. Peak RSS.
// 2. 64 KiB/s of received data (1 KiB every 16 ms into the receive dispatcher)
//    for 10 s while a 10 ms timer measures how late the event loop runs it.
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/ConsolePanel.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <functional>
#include <numeric>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <sys/resource.h>

namespace {

long peakRssKiB()
{
    rusage u {};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double percentile(std::vector<double> v, double p)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    const size_t i = std::min(v.size() - 1, size_t(p * double(v.size() - 1) + 0.5));
    return v[i];
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    StartOptions opts;
    opts.configDir = dir.path();
    opts.loadConfig = false;
    TFrm_Main w(opts);
    w.show();
    app.processEvents();
    std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));
    std::printf("peak RSS after start-up: %ld KiB\n", peakRssKiB());

    // ---- 1. lines: the console against a bare QPlainTextEdit ----
    ConsoleView *con = w.console();
    const int total = ConsoleView::kMaxLines;
    auto lineText = [](int i) {
        QByteArray line(41, '\0');
        std::snprintf(line.data(), size_t(line.size()), "%06d abcdefghijklmnopqrstuvwxyz0123456", i);
        line.resize(40);
        return line;
    };
    // ms per 1000 lines: appends, and appends plus the one repaint per burst.
    struct Cycle {
        std::vector<double> appendK, wholeK;
        double mean() const { return wholeK.empty() ? 0 : std::accumulate(wholeK.begin(), wholeK.end(), 0.0) / double(wholeK.size()); }
    };
    const LineKind kinds[] = {LineKind::Rcv, LineKind::Send, LineKind::Err, LineKind::Info};
    // The baseline: the same widget kind, size and font, nothing but appendPlainText.
    QPlainTextEdit bare;
    bare.setFont(w.consolePanel()->edtDialog->font());
    bare.resize(w.consolePanel()->edtDialog->size());
    bare.show();
    app.processEvents();
    // Both through one 65535-line cycle, 1000 lines of one, then 1000 of the other,
    // so that other load on the machine falls on both alike.
    auto burst = [&](Cycle &c, const std::function<void(int)> &append, int from) {
        QElapsedTimer t;
        t.start();
        for (int i = from; i < from + 1000 && i <= total; ++i)
            append(i);
        c.appendK.push_back(double(t.nsecsElapsed()) / 1e6);
        app.processEvents(); // one repaint per burst
        c.wholeK.push_back(double(t.nsecsElapsed()) / 1e6);
    };
    auto runBoth = [&](Cycle &conC, Cycle &baseC) {
        w.consolePanel()->edtDialog->clear();
        bare.clear();
        app.processEvents();
        for (int from = 1; from <= total; from += 1000) {
            burst(baseC, [&](int i) { bare.appendPlainText(QString::fromLatin1(lineText(i))); }, from);
            burst(conC, [&](int i) { con->showLine(kinds[i % 4], lineText(i)); }, from);
        }
    };
    Cycle conCycle, bareCycle;
    runBoth(conCycle, bareCycle);
    const std::vector<double> &perK = conCycle.appendK;
    const int blocks = w.consolePanel()->edtDialog->document()->isEmpty() ? 0 : w.consolePanel()->edtDialog->document()->blockCount();
    std::printf("\n65535 lines per cycle; console pane holds %d lines afterwards (emptied at the limit)\n", blocks);
    std::printf("  ms per 1000 lines, whole cycle (append + repaint)  console: %.1f  bare QPlainTextEdit: %.1f"
                "  ratio: %.2f\n",
                conCycle.mean(), bareCycle.mean(), conCycle.mean() / bareCycle.mean());
    std::printf("  console append only  first: %.1f  second: %.1f  | lines 63001-64000: %.1f  64001-65000: %.1f\n",
                perK.front(), perK[1], perK[perK.size() - 2], perK.back());
    std::printf("  console slowest 1000 lines: %.1f ms, median %.1f ms; bare median %.1f ms\n",
                *std::max_element(perK.begin(), perK.end()), percentile(perK, 0.5), percentile(bareCycle.appendK, 0.5));
    std::printf("peak RSS after the lines: %ld KiB\n", peakRssKiB());
    bare.close();

    // ---- 2. sustained stream with latency probe ----
    w.consolePanel()->edtDialog->clear();
    QByteArray block;
    for (int i = 0; block.size() < 1024; ++i)
        block += QByteArray("+DATA:") + QByteArray::number(i).rightJustified(4, '0') +
                 ":0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOP\r\n";
    block.truncate(1024);

    std::vector<double> late;
    late.reserve(2000);
    qint64 fed = 0;
    QElapsedTimer clock;
    clock.start();
    qint64 lastTick = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(10);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        if (lastTick)
            late.push_back(std::max(0.0, double(now - lastTick) / 1e6 - 10.0));
        lastTick = now;
    });
    QTimer feeder;
    feeder.setTimerType(Qt::PreciseTimer);
    feeder.setInterval(16);
    QObject::connect(&feeder, &QTimer::timeout, [&] {
        w.protocol()->cm1ReceiveData(block);
        fed += block.size();
    });
    QEventLoop loop;
    QTimer::singleShot(10000, &loop, &QEventLoop::quit);
    probe.start();
    feeder.start();
    loop.exec();
    feeder.stop();
    probe.stop();
    const double secs = double(clock.nsecsElapsed()) / 1e9;
    std::printf("\nstream: %.1f KiB in %.1f s (%.1f KiB/s), console holds %d lines\n", double(fed) / 1024, secs,
                double(fed) / 1024 / secs, w.consolePanel()->edtDialog->document()->blockCount());
    std::printf("  10 ms timer lateness: max %.1f ms, p99 %.1f ms, median %.1f ms over %zu ticks\n",
                late.empty() ? 0.0 : *std::max_element(late.begin(), late.end()), percentile(late, 0.99),
                percentile(late, 0.5), late.size());
    std::printf("peak RSS at the end: %ld KiB\n", peakRssKiB());
    const bool flat = perK.back() < 3 * perK.front() + 5;
    const bool fast = conCycle.mean() <= 1.2 * bareCycle.mean();
    const bool responsive = !late.empty() && *std::max_element(late.begin(), late.end()) < 100.0;
    std::printf("\nflat: %s, within 1.2 x of the bare widget: %s, latency < 100 ms: %s\n", flat ? "yes" : "NO",
                fast ? "yes" : "NO", responsive ? "yes" : "NO");
    w.close();
    return flat && fast && responsive ? 0 : 1;
}
