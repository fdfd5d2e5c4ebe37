// The receive dispatcher fed random blocks, with its queue set up in each of its
// states first (empty, Get All or Set All under way, past its end, repaired after
// a time-out, a firmware transfer claiming blocks). Whatever arrives, the queue
// index stays in range, each block sends at most a few lines, and every line
// sent is one the queue holds or a boot-menu answer.
// (The index may stand past the end after refusals; then nothing is sent.)
#include "FuzzInput.h"

#include "../protocol/FakeForm.h"
#include "firmware/FwUpgrade.h"

#include <QApplication>
#include <QProgressBar>

#include <memory>

namespace {

const QByteArray kAnswers[] = {
    "\r\n+VER:V1.5.21\r\n\r\nOK\r\n",
    "\r\nOK\r\n\r\n",
    "\r\n+ERR:1\r\n\r\n",
    "a",
    "+ok\r\n",
    "a+ok\r\n",
    "\r\n+E:ON\r\n\r\nOK\r\n",
    "\r\n+WKMOD:NET\r\n\r\nOK\r\n",
    "\r\n+SOCKA:TCP,example.com,8000\r\n\r\nOK\r\n",
    "\r\n+CMDPW:+++++1+2+3\r\n\r\nOK\r\n",
    "\r\n+STMSG:\r\n\r\n",
    fw::BootMenu,
    fw::BootQuestion,
    fw::BootEcho,
    "C",
    QByteArray(1, fw::ACK),
    QByteArray(1, fw::NAK),
    fw::FinalAnswer,
};

QByteArray someAnswer(FuzzInput &in)
{
    return kAnswers[in.pick(sizeof kAnswers / sizeof kAnswers[0])];
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    Rig rig;
    Protocol &p = *rig.proto;

    FwUpgradeDeps deps;
    deps.sendToCom = [&p](const QByteArray &t) { p.SendToCom(t); };
    deps.lastSend = [&p] { return p.LastSend(); };
    deps.sendBytes = [&rig](const QByteArray &b) {
        rig.sent.push_back(b);
        return true;
    };
    deps.comOpened = [&rig] { return rig.open; };
    deps.console = &rig.console;
    deps.passOn = [&p](const QByteArray &b) { p.DispatchRcv(b); }; // as the window does
    FwUpgrade fwup(deps);
    const bool withFirmware = in.byte() & 1;
    if (withFirmware)
        p.setClaimBlock([&fwup](const QByteArray &b) { return fwup.ClaimBlock(b); });

    // The queue's state before the random blocks.
    switch (in.pick(7)) {
    case 0: // nothing queued
        break;
    case 1: // Get All, waiting for the version
        p.codec().SetBulkMode(TBulkMode::GetAll);
        p.AskVersion();
        break;
    case 2: // Set All, waiting for the version
        p.codec().SetBulkMode(TBulkMode::SetAll);
        p.AskVersion();
        break;
    case 3: // Get All some way along
        p.codec().SetBulkMode(TBulkMode::GetAll);
        p.AskVersion();
        rig.runModule(1 + in.pick(60));
        break;
    case 4: // past the end of the queue after a refusal of the last line
        p.orders().ClearOrders();
        p.orders().AddQuery(TCmd::VER);
        p.SendCurOrder();
        p.DispatchRcv("\r\n+ERR:1\r\n\r\n");
        break;
    case 5: // repaired after a time-out
        p.codec().SetBulkMode(TBulkMode::SetAll);
        p.AskVersion();
        p.tmrRcvTimer();
        break;
    case 6: // a queue with lines but never sent
        for (int i = in.pick(5); i >= 0; --i)
            p.orders().AddQuery(TCmd(in.pick(62)));
        break;
    }

    int blocks = 0;
    while (!in.empty() && blocks++ < 200) {
        const uint8_t op = in.byte();
        QByteArray block;
        switch (op % 8) {
        case 0:
            p.tmrRcvTimer(); // the answer time-out
            continue;
        case 1: // a known answer
            block = someAnswer(in);
            break;
        case 2: // a known answer with noise around it
            block = in.bytes(16) + someAnswer(in) + in.bytes(16);
            break;
        case 3: // two answers glued
            block = someAnswer(in) + someAnswer(in);
            break;
        case 4: // the first part of a known answer
        {
            const QByteArray a = someAnswer(in);
            block = a.left(in.pick(uint32_t(a.size()) + 1));
            break;
        }
        case 5:
            fwup.tmrXModemTxTimer();
            continue;
        default: // raw bytes up to the reader's block size
            block = in.bytes(in.byte() & 1 ? 4096 : 64);
            break;
        }
        if (block.isEmpty())
            continue;
        const size_t sentBefore = rig.sent.size();
        p.DispatchRcv(block);
        const OrderList &q = p.orders();
        // Refusals past the end move the index on (it never wraps); nothing is sent from there.
        FUZZ_CHECK(q.OrderIndex >= 0, "queue index never wraps");
        if (q.OrderIndex > q.count())
            for (size_t i = sentBefore; i < rig.sent.size(); ++i)
                FUZZ_CHECK(!q.lines.contains(rig.sent[i]), "nothing queued sent past the end");
        // One line after an answer, or "F"/"Y" from the boot menu; a version
        // answer may also start a new bulk queue.
        FUZZ_CHECK(rig.sent.size() - sentBefore <= 2, "a block sends at most two lines");
        for (size_t i = sentBefore; i < rig.sent.size(); ++i) {
            const QByteArray &s = rig.sent[i];
            const bool queued = q.lines.contains(s);
            const bool boot = s == "F" || s == "Y";
            FUZZ_CHECK(queued || boot || s.size() == fw::BLOCK_SIZE || s.size() == 1,
                       "only queued lines and boot answers go out");
        }
        if (QProgressBar *pb = p.controls().rzpbWhile; pb && !pb->isHidden())
            FUZZ_CHECK(pb->value() >= pb->minimum() && pb->value() <= pb->maximum(), "progress in range");
    }
    return 0;
}
