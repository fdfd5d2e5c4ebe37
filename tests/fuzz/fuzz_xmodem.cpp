// The XModem sender fed random receiver bytes between its ticks and pauses. Whatever the
// receiver says, every block sent is well formed and carries the image bytes its
// number stands for, blocks go out in order (the same again or the next one),
// EOT follows only the last block, and success is reported only after EOT. A transfer
// never ends without saying how, bytes are handed on only once it has ended, and the
// short read gap is off whenever no transfer runs.
#include "FuzzInput.h"

#include "firmware/FwUpgrade.h"
#include "tests/common/LineRecorder.h"
#include "util/LineSink.h"
#include "util/ProFun.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <vector>

namespace {

using Console = LineRecorder;

const QByteArray kChunks[] = {
    "C",
    QByteArray(1, fw::ACK),
    QByteArray(1, fw::NAK),
    QByteArray(1, 0x18), // CAN
    fw::FinalAnswer,
    QByteArray(1, fw::ACK) + fw::FinalAnswer,
    QByteArray("\x06\x0D", 2),
    QByteArray("\x0A\x3E", 2),
    QByteArray(2, 0x18),
};

QString imagePath()
{
    static QTemporaryDir dir;
    return dir.filePath(QStringLiteral("image.bin"));
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    static QCoreApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    // An image of up to 32 blocks, its bytes drawn from its size.
    const int imageSize = in.u16() % (32 * fw::BLOCK_DATA + 1);
    QByteArray image(imageSize, Qt::Uninitialized);
    uint32_t x = uint32_t(imageSize) * 2654435761u + 1;
    for (char &c : image) {
        x = x * 1103515245u + 12345u;
        c = char(x >> 24);
    }
    {
        QFile f(imagePath());
        FUZZ_CHECK(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(image) == image.size(),
                   "the image can be written");
    }
    const int blocks = (imageSize + fw::BLOCK_DATA - 1) / fw::BLOCK_DATA;

    Console console;
    std::vector<QByteArray> sent;
    QByteArray lastSend;
    FwUpgradeDeps deps;
    deps.sendToCom = [&](const QByteArray &t) {
        sent.push_back(t);
        lastSend = t;
    };
    deps.lastSend = [&] { return lastSend; };
    deps.sendBytes = [&](const QByteArray &b) {
        sent.push_back(b);
        return true;
    };
    deps.comOpened = [] { return true; };
    deps.console = &console;
    deps.overRestart = [] { return true; };
    bool fast = false;
    deps.fastReads = [&](bool on) { fast = on; };
    FwUpgrade *self = nullptr;
    deps.passOn = [&](const QByteArray &b) {
        FUZZ_CHECK(!b.isEmpty() && self->FwState() == FwUpgrade::Idle, "bytes go on only after the end");
    };
    FwUpgrade up(deps);
    self = &up;
    int ends = 0;
    QObject::connect(&up, &FwUpgrade::transferEnded, [&](TFwEnd) { ++ends; });

    if (in.byte() % 8 != 0)
        up.ChooseFile(imagePath());
    // The boot menu dialogue, unless the input skips it.
    if (in.byte() % 8 != 0) {
        up.ClaimBlock(fw::BootMenu);
        up.ClaimBlock(fw::BootQuestion);
        up.ClaimBlock(fw::BootEcho);
    }

    int lastBlock = -1;   // index of the last data block sent since the last start
    bool eotSent = false; // since the last data block
    size_t seen = 0;
    qsizetype consoleSeen = 0;
    int steps = 0;
    while (!in.empty() && steps++ < 600) {
        const uint8_t op = in.byte();
        const bool wasOn = up.Busy();
        const int endsBefore = ends;
        if (op < 96)
            up.tmrXModemTxTimer();
        else if (op < 112)
            up.LineQuiet(); // a pause: held 'C's stood alone
        else if (op < 224)
            up.ClaimBlock(kChunks[op % (sizeof kChunks / sizeof kChunks[0])]);
        else if (op < 250)
            up.ClaimBlock(in.bytes(8)); // text in it ends the transfer; a lone 'C' starts it over
        else
            up.Cancel();
        FUZZ_CHECK(!wasOn || up.Busy() || ends > endsBefore, "a transfer never ends silently");
        FUZZ_CHECK(up.Busy() || !fast, "the short read gap is off without a transfer");
        for (; seen < sent.size(); ++seen) {
            const QByteArray &s = sent[seen];
            if (s.size() == fw::BLOCK_SIZE) {
                const auto *u = reinterpret_cast<const uint8_t *>(s.constData());
                FUZZ_CHECK(u[0] == 0x01 && u[1] == uint8_t(255 - u[2]), "block head");
                FUZZ_CHECK(XModemCRC16(u, 3, 130) == 0, "block CRC");
                const int k = u[1] - 1; // fewer than 256 blocks: number n carries index n-1
                FUZZ_CHECK(k >= 0 && k < blocks, "block number within the image");
                FUZZ_CHECK(k == lastBlock || k == lastBlock + 1, "blocks go out in order");
                const QByteArray want = fw::BuildBlock(uint8_t(k + 1), image.mid(k * fw::BLOCK_DATA, fw::BLOCK_DATA));
                FUZZ_CHECK(s == want, "a block carries the image bytes of its number");
                lastBlock = k;
                eotSent = false;
            } else if (s == QByteArray(1, fw::EOT)) {
                FUZZ_CHECK(lastBlock == blocks - 1, "EOT only after the last block");
                eotSent = true;
            } else {
                FUZZ_CHECK(s == "F" || s == "Y" || s == "R" || s == QByteArray(2, 0x18),
                           "only boot answers and the user's cancel besides blocks");
                if (s == "R")
                    FUZZ_CHECK(eotSent, "restart only after a finished transfer");
            }
        }
        // Blocks go out on ticks only, so a chunk's start-over or success line
        // follows every block sent before it.
        for (; consoleSeen < console.lines.size(); ++consoleSeen) {
            const QByteArray &line = console.lines[consoleSeen].text;
            if (line == "info_Sending") {
                lastBlock = -1;
                eotSent = false;
            } else if (line == "info_FwUpOver") {
                FUZZ_CHECK(eotSent && blocks > 0, "success only after EOT of a whole image");
            }
        }
        FUZZ_CHECK(up.FwSentBlocks() <= blocks + 1, "progress within the total");
    }
    return 0;
}
