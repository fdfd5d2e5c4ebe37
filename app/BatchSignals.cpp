#include "app/BatchSignals.h"

#include "app/BatchOutput.h"
#include "firmware/FwUpgrade.h"
#include "protocol/Protocol.h"
#include "ui/MainWindow.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <iterator>
#include <fcntl.h>
#include <unistd.h>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
int g_pipe[2] = {-1, -1};
struct sigaction g_previous[std::size(kSignals)];
BatchSignals *g_active = nullptr;

void onSignal(int signo)
{
    const int saved = errno;
    const char c = char(signo);
    [[maybe_unused]] const ssize_t n = ::write(g_pipe[1], &c, 1);
    errno = saved;
}

} // namespace

BatchSignals::BatchSignals()
{
    if (g_active || ::pipe2(g_pipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(g_pipe[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &BatchSignals::readPipe);
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &sa, &g_previous[i]);
    g_active = this;
}

BatchSignals::~BatchSignals()
{
    if (g_active != this)
        return;
    for (std::size_t i = 0; i < std::size(kSignals); ++i)
        sigaction(kSignals[i], &g_previous[i], nullptr);
    g_active = nullptr;
    delete m_notifier;
    ::close(g_pipe[0]);
    ::close(g_pipe[1]);
    g_pipe[0] = g_pipe[1] = -1;
}

BatchSignals *BatchSignals::active() { return g_active; }

QString BatchSignals::name(int signo)
{
    switch (signo) {
    case SIGINT:
        return QStringLiteral("SIGINT");
    case SIGTERM:
        return QStringLiteral("SIGTERM");
    case SIGHUP:
        return QStringLiteral("SIGHUP");
    default:
        return QStringLiteral("signal %1").arg(signo);
    }
}

// Only the first signal counts; later ones find the run already ending.
void BatchSignals::readPipe()
{
    char c = 0;
    while (::read(g_pipe[0], &c, 1) == 1) {
        if (m_signo == 0) {
            m_signo = static_cast<unsigned char>(c);
            emit interrupted(m_signo);
        }
    }
}

BatchInterrupt::BatchInterrupt(TFrm_Main &w, const QString &command, BatchOutput &out, std::function<void(int)> settle)
    : m_w(w), m_command(command), m_out(out), m_settle(std::move(settle))
{
    connect(w.protocol(), &Protocol::progress, this, [this](int done, int total) {
        m_done = done;
        m_total = total;
    });
    connect(w.firmware(), &FwUpgrade::transferProgress, this, [this](int sent, int total) {
        m_blocks = sent;
        m_blockCount = total;
    });
    BatchSignals *s = BatchSignals::active();
    if (!s)
        return;
    connect(s, &BatchSignals::interrupted, this, &BatchInterrupt::interrupt);
    if (s->caught())
        interrupt(s->caught());
}

void BatchInterrupt::interrupt(int signo)
{
    if (m_caught)
        return;
    m_caught = true;
    QString how = QStringLiteral("interrupted by %1").arg(BatchSignals::name(signo));
    FwUpgrade *fw = m_w.firmware();
    const bool transfer = m_command == QLatin1String("upgrade") && fw->Busy();
    if (m_command == QLatin1String("upgrade")) {
        if (!transfer)
            how += QStringLiteral(" while waiting for the boot loader's menu; nothing was sent");
        else if (m_blockCount > 0)
            how += QStringLiteral(" after %1 of %2 blocks; the transfer was cancelled (CAN CAN sent), "
                                  "the module holds no complete image")
                       .arg(m_blocks)
                       .arg(m_blockCount);
        else
            how += QStringLiteral(" before the first block; the transfer was cancelled (CAN CAN sent)");
    } else if (m_command != QLatin1String("send")) {
        const QString what = m_command == QLatin1String("set-all")
                                 ? QStringLiteral("the module may hold part of the file's settings")
                             : m_command == QLatin1String("get-all") ? QStringLiteral("no file written")
                                                                      : QStringLiteral("nothing compared");
        if (m_done < 0)
            how += QStringLiteral(" before the module answered the version query; %1").arg(what);
        else
            how += QStringLiteral(" after %1 of %2 lines; %3").arg(m_done).arg(m_total).arg(what);
    }
    m_out.error(how);
    // The code first: the transfer's own end, which Cancel reports, must not replace it.
    m_settle(BatchSignals::exitCode(signo));
    if (transfer)
        fw->Cancel();
}

QString BatchSignalsHelpText()
{
    return QStringLiteral(
        "            129, 130, 143: interrupted by SIGHUP, SIGINT, SIGTERM (128 + the signal's number);\n"
        "            temporary files are removed, a firmware transfer is cancelled (CAN CAN) and the\n"
        "            run says how far it got.\n");
}
