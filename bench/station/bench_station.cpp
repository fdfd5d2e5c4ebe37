// The provisioning station with N simulated modules (paced at 115200 baud) at once, next to one
// run alone in the same window: each run's time against the one alone, every record present, and
// the window's responsiveness (lateness of a 10 ms timer while the runs go on).
// Usage: bench_station [N (default 16)]   (QT_QPA_PLATFORM=offscreen is fine)
#include "config/Records.h"
#include "lang/AppLang.h"
#include "ui/StationWindow.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace {

QString bin(const char *env, const char *fallback)
{
    const QString p = qEnvironmentVariable(env);
    return QFile::exists(p) ? p : QString::fromLocal8Bit(fallback);
}

// Runs the given rows at once; seconds of each from its start to its end, and the p99 lateness (ms).
std::vector<double> runRows(StationWindow &w, const std::vector<int> &rows, double *p99)
{
    std::vector<double> secs(size_t(w.rowCount()), -1);
    std::vector<QElapsedTimer> clocks(secs.size());
    int left = int(rows.size());
    QEventLoop loop;
    QObject::connect(&w, &StationWindow::rowFinished, &loop, [&](int row, const QString &outcome) {
        secs[size_t(row)] = outcome == "done" ? double(clocks[size_t(row)].elapsed()) / 1000 : -2;
        if (--left == 0)
            loop.quit();
    });
    std::vector<double> late;
    QElapsedTimer beat;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    tick.setInterval(10);
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        late.push_back(std::max(0.0, double(beat.nsecsElapsed()) / 1e6 - 10));
        beat.restart();
    });
    for (int r : rows) {
        clocks[size_t(r)].start();
        w.startRow(r);
    }
    beat.start();
    tick.start();
    QTimer::singleShot(10 * 60 * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    QObject::disconnect(&w, &StationWindow::rowFinished, &loop, nullptr);
    std::sort(late.begin(), late.end());
    *p99 = late.empty() ? 0 : late[size_t(double(late.size() - 1) * 0.99)];
    std::vector<double> out;
    for (int r : rows)
        out.push_back(secs[size_t(r)]);
    return out;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    LangList = new TLangList;
    RegisterTexts();
    const QString tool = bin("DTU_CONFIG_BIN", DTU_CONFIG_DEFAULT);
    const QString simBin = bin("DTU_SIM_BIN", DTU_SIM_DEFAULT);
    const int n = argc > 1 && QByteArray(argv[1]).toInt() > 0 ? QByteArray(argv[1]).toInt() : 16;
    QTemporaryDir dir;
    std::vector<std::unique_ptr<QProcess>> sims;
    StationSetup setup;
    for (int i = 0; i < n; ++i) {
        auto p = std::make_unique<QProcess>();
        p->start(simBin, {"--command-state", "--pace", "115200"});
        if (!p->waitForStarted(5000) || !p->waitForReadyRead(5000))
            return 1;
        setup.ports << QString::fromLocal8Bit(p->readLine()).trimmed();
        sims.push_back(std::move(p));
    }
    setup.templatePath = dir.filePath("template.ini");
    QProcess read;
    read.setStandardOutputFile(QProcess::nullDevice());
    read.start(tool, {"--batch", "get-all", "--port", setup.ports[0], "--ini", setup.templatePath});
    if (!read.waitForFinished(120000) || read.exitCode() != 0)
        return 1;
    setup.records = dir.filePath("records.db");
    setup.program = tool;
    setup.station = "bench";
    StationWindow w(setup);
    double p99 = 0;
    const double alone = runRows(w, {0}, &p99)[0];
    std::printf("one alone: %.1f s (timer lateness p99 %.1f ms)\n", alone, p99);
    std::vector<int> all(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        all[size_t(i)] = i;
    const std::vector<double> secs = runRows(w, all, &p99);
    const double slowest = *std::max_element(secs.begin(), secs.end());
    const double fastest = *std::min_element(secs.begin(), secs.end());
    RecordStore store;
    QString why;
    const qsizetype records = store.open(setup.records, &why) ? store.list({}, &why).size() : -1;
    std::printf("%d at once: %.1f .. %.1f s, slowest / alone = %.2f (target at most 1.3); "
                "timer lateness p99 %.1f ms (target under 50); records %lld of %d\n",
                n, fastest, slowest, slowest / alone, p99, qint64(records), n + 1);
    for (auto &p : sims)
        p->terminate();
    for (auto &p : sims)
        p->waitForFinished(5000);
    FreeLanguage();
    return fastest < 0 || records != n + 1 ? 1 : 0;
}
