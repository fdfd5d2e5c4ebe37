// Get All from the data state, Get All from the command state and Set All
// against the simulated module paced at a line rate (115200 baud unless given),
// each beside its wire floor: every byte both ways at 10 bits a byte, one
// after the other, as the exchanges are.
// Usage: bench_wire [baud] [runs]
#include "comm/PortList.h"
#include "comm/SPComm.h"
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
#include <cstdlib>
#include <memory>

namespace {

struct Measure {
    double wallMs = 0;
    qint64 bytes = 0;
    qint64 lines = 0;
    bool complete = false;
};

class Bench {
public:
    Bench(SimModule &sim, int baud, bool old) : baud_(baud), port_(sim.slavePath())
    {
        StartOptions opts;
        opts.configDir = dir_.path();
        if (old)
            opts.timings.firstAnswerMs = 0;
        w_ = std::make_unique<TFrm_Main>(opts);
        if (old)
            w_->comm()->setBlockEnd(nullptr);
        RegisterExtraPort(port_);
        w_->FillPortList();
        ParamCodec::SelectItem(w_->portBar()->cbbOpenCom, QFile::encodeName(port_));
        ParamCodec::SelectItem(w_->portBar()->cbbOpenBaud, QByteArray::number(baud));
        w_->btnSysClick(1);
        w_->console()->setTap([this](LineKind k, const QByteArray &t) {
            if (k == LineKind::Send) {
                m_.bytes += t.size();
                ++m_.lines;
            } else if (k == LineKind::Rcv || k == LineKind::RcvErr) {
                m_.bytes += t.size();
            }
        });
        QObject::connect(w_->protocol(), &Protocol::operationEnded, [this](const TOpOutcome &o) {
            done_ = true;
            m_.complete = o.complete() && o.unread.isEmpty() && o.refused.isEmpty();
        });
    }
    ~Bench()
    {
        w_->PortClose();
        UnregisterExtraPort(port_);
    }
    bool open() const { return w_->ComOpened(); }

    Measure run(int tag)
    {
        m_ = Measure{};
        done_ = false;
        QElapsedTimer t;
        t.start();
        w_->btnDoClick(tag);
        while (!done_ && t.elapsed() < 120000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
        m_.wallMs = double(t.elapsed());
        return m_;
    }

    void print(const char *what, const Measure &m) const
    {
        const double floorMs = double(m.bytes) * 10.0 * 1000.0 / baud_;
        std::printf("%-24s %7.0f ms  wire floor %5.0f ms (%lld bytes, %lld lines)  ratio %5.2f  %s\n", what,
                    m.wallMs, floorMs, m.bytes, m.lines, m.wallMs / floorMs, m.complete ? "complete" : "NOT COMPLETE");
    }

private:
    int baud_;
    QString port_;
    QTemporaryDir dir_;
    std::unique_ptr<TFrm_Main> w_;
    Measure m_;
    bool done_ = false;
};

SimOptions paced(int baud, bool commandState)
{
    SimOptions so;
    so.paceBaud = baud;
    so.startInCommandState = commandState;
    return so;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int baud = argc > 1 ? std::max(1200, atoi(argv[1])) : 115200;
    const int runs = argc > 2 ? std::max(1, atoi(argv[2])) : 3;
    const bool old = argc > 3 && QByteArray(argv[3]) == "old";
    std::printf("paced at %d baud, %d run(s)%s\n", baud, runs, old ? ", framed by the read gap alone" : "");
    for (int r = 0; r < runs; ++r) {
        // A fresh module in its data state: the first line meets silence.
        SimModule sim(paced(baud, false));
        if (!sim.start())
            return 1;
        Bench b(sim, baud, old);
        if (!b.open())
            return 1;
        b.print("get-all (data state)", b.run(10));
        b.print("get-all (command state)", b.run(10));
        b.print("set-all", b.run(11));
    }
    return 0;
}
