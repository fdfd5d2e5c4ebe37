#include "firmware/FwUpgrade.h"
#include "tests/common/LineRecorder.h"
#include "util/LineSink.h"
#include "util/ProFun.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <fcntl.h>
#include <unistd.h>

#include <random>
#include <tuple>

namespace {

using Line = RecordedLine;
using RecordingSink = LineRecorder;

// Fake window: records every write and console line, holds the check marks and the clock.
class FwRig : public ::testing::Test {
protected:
    RecordingSink sink;
    QList<QByteArray> toCom;  // through SendToCom
    QByteArray last;          // LastSend
    QList<QByteArray> raw;    // through SendBytes
    bool portOpen = true;
    bool barVisible = false;
    int barTotal = -1;
    QList<int> barValues;
    bool overRestart = true;
    bool showStream = false;
    uint32_t now = 1000;
    QTemporaryDir dir;
    std::unique_ptr<FwUpgrade> fw;
    QByteArray passed;    // bytes handed on to the ordinary receive path
    QList<TFwEnd> ends;   // transferEnded
    QList<bool> fast;     // fastReads

    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        makeFw();
    }

    void makeFw(int quietMs = 0)
    {
        FwUpgradeDeps d;
        d.sendToCom = [this](const QByteArray &t) {
            toCom.append(t);
            last = t;
        };
        d.lastSend = [this] { return last; };
        d.sendBytes = [this](const QByteArray &b) {
            raw.append(b);
            return portOpen;
        };
        d.comOpened = [this] { return portOpen; };
        d.console = &sink;
        d.langText = [](const QByteArray &key) {
            return key == "info_FwOpenFail" ? QByteArray("cannot open <%s>") : key;
        };
        d.progressVisible = [this](bool on) { barVisible = on; };
        d.progressTotal = [this](int t) { barTotal = t; };
        d.progressValue = [this](int v) { barValues.append(v); };
        d.overRestart = [this] { return overRestart; };
        d.showDataStream = [this] { return showStream; };
        d.tickCount = [this] { return now; };
        d.passOn = [this](const QByteArray &b) { // as the dispatcher: the upgrade's boot-menu steps first
            if (!fw->ClaimBlock(b))
                passed += b;
        };
        d.fastReads = [this](bool on) { fast.append(on); };
        d.quietMs = quietMs;
        fw = std::make_unique<FwUpgrade>(std::move(d));
        QObject::connect(fw.get(), &FwUpgrade::transferEnded, [this](TFwEnd e) { ends.append(e); });
    }

    QString writeFile(const QByteArray &content, const char *name = "image.bin")
    {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }

    static QByteArray pattern(int size, unsigned seed = 7)
    {
        std::mt19937 gen(seed);
        QByteArray out(size, '\0');
        for (auto &c : out)
            c = char(gen() & 0xFF);
        return out;
    }

    void arm()
    {
        ASSERT_TRUE(fw->ClaimBlock(fw::BootMenu));
        ASSERT_TRUE(fw->ClaimBlock(fw::BootQuestion));
        ASSERT_TRUE(fw->ClaimBlock(fw::BootEcho));
        ASSERT_EQ(fw->FwState(), FwUpgrade::Armed);
    }

    void start(const QByteArray &content)
    {
        passed.clear();
        ends.clear();
        fast.clear();
        ASSERT_TRUE(fw->ChooseFile(writeFile(content)));
        arm();
        ASSERT_TRUE(requestC());
        ASSERT_EQ(fw->FwState(), FwUpgrade::Send);
        raw.clear();
        sink.lines.clear();
    }

    // Ticks and ACKs until EOT went out; returns every write.
    QList<QByteArray> runToEot(int limit = 100000)
    {
        QList<QByteArray> sent;
        for (int i = 0; i < limit; ++i) {
            raw.clear();
            fw->tmrXModemTxTimer();
            if (raw.isEmpty())
                break;
            sent.append(raw.first());
            if (raw.first() == QByteArray(1, fw::EOT))
                break;
            fw->ClaimBlock(QByteArray(1, fw::ACK));
        }
        return sent;
    }

    // The boot loader's lone 'C', and the pause after it that shows it stood alone.
    bool requestC()
    {
        const bool claimed = fw->ClaimBlock("C");
        fw->LineQuiet();
        return claimed;
    }

    QByteArray tickOnce()
    {
        raw.clear();
        fw->tmrXModemTxTimer();
        return raw.isEmpty() ? QByteArray() : raw.first();
    }

    static QByteArray dataOf(const QByteArray &block) { return block.mid(3, fw::BLOCK_DATA); }
};

const QByteArray ack(1, fw::ACK);
const QByteArray nak(1, fw::NAK);
const QByteArray eot(1, fw::EOT);

// ---- boot menu -------------------------------------------------------------------------

TEST_F(FwRig, MenuQuestionEchoArmTheTransfer)
{
    const QByteArray menuInNoise = "boot v1.2" + fw::BootMenu + "junk";
    EXPECT_TRUE(fw->ClaimBlock(menuInNoise));
    EXPECT_EQ(toCom, QList<QByteArray>{"F"});
    EXPECT_EQ(sink.lines.last(), (Line{LineKind::Rcv, menuInNoise}));

    EXPECT_TRUE(fw->ClaimBlock(fw::BootQuestion));
    EXPECT_EQ(toCom, (QList<QByteArray>{"F", "Y"}));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_FALSE(fw->tmrXModemTx()->isActive());

    EXPECT_TRUE(fw->ClaimBlock("Y\r\n"));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    EXPECT_TRUE(fw->tmrXModemTx()->isActive());
    EXPECT_EQ(fw->tmrXModemTx()->interval(), 10);
    EXPECT_EQ(fw->tmrXModemTx()->objectName(), QStringLiteral("tmrXModemTx"));
    EXPECT_EQ(sink.lines.size(), 3);
    EXPECT_TRUE(raw.isEmpty()); // menu answers never bypass SendToCom
}

TEST_F(FwRig, QuestionAndEchoNeedTheMatchingLastSend)
{
    last = "AT+VER?\r\n"; // the user typed something after the menu
    EXPECT_FALSE(fw->ClaimBlock(fw::BootQuestion));
    EXPECT_TRUE(toCom.isEmpty());

    EXPECT_FALSE(fw->ClaimBlock(fw::BootEcho));
    last = "F";
    EXPECT_FALSE(fw->ClaimBlock(fw::BootEcho));
    last = "Y";
    EXPECT_FALSE(fw->ClaimBlock("Y\r\n>")); // the echo must be the whole chunk
    EXPECT_FALSE(fw->ClaimBlock(fw::BootMenu.left(fw::BootMenu.size() - 1))); // menu cut short
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_TRUE(sink.lines.isEmpty());
}

TEST_F(FwRig, IdleLeavesOrdinaryChunksToTheDispatcher)
{
    EXPECT_FALSE(fw->ClaimBlock("C"));
    EXPECT_FALSE(fw->ClaimBlock(fw::FinalAnswer));
    EXPECT_FALSE(fw->ClaimBlock("\r\nOK\r\n\r\n"));
    EXPECT_FALSE(fw->ClaimBlock(QByteArray()));
    EXPECT_TRUE(sink.lines.isEmpty());
    EXPECT_TRUE(raw.isEmpty());
}

// ---- blocks ----------------------------------------------------------------------------

TEST_F(FwRig, EmptyImageIsRefusedBeforeTheMenuIsAnswered)
{
    const QString path = writeFile(QByteArray());
    EXPECT_FALSE(fw->ChooseFile(path));
    EXPECT_FALSE(fw->HasFile());
    ASSERT_FALSE(sink.lines.isEmpty());
    EXPECT_EQ(sink.lines.last().kind, LineKind::Err);
    EXPECT_TRUE(sink.lines.last().text.startsWith("info_FwEmpty"));

    // An image emptied after it was chosen: the menu is shown but not answered.
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(10))));
    QFile(fw->FwFile()->fileName()).resize(0);
    sink.lines.clear();
    EXPECT_TRUE(fw->ClaimBlock(fw::BootMenu));
    EXPECT_NE(last, QByteArray("F"));
    ASSERT_EQ(sink.lines.size(), 2);
    EXPECT_EQ(sink.lines.last().kind, LineKind::Err);

    // Emptied between the menu and the module's 'C': no EOT, no success.
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(10))));
    arm();
    QFile(fw->FwFile()->fileName()).resize(0);
    raw.clear();
    requestC();
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_TRUE(tickOnce().isEmpty());
    EXPECT_EQ(sink.lines.last().kind, LineKind::Err);
}

TEST_F(FwRig, FullBlockThenEot)
{
    const QByteArray content = pattern(128);
    start(content);
    EXPECT_EQ(fw->FwBlockCount(), 2);
    const auto sent = runToEot();
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(dataOf(sent[0]), content);
    EXPECT_EQ(sent[1], eot);
}

TEST_F(FwRig, ShortLastBlockIsPaddedWith1A)
{
    const QByteArray content = pattern(130);
    start(content);
    EXPECT_EQ(fw->FwBlockCount(), 2);
    const auto sent = runToEot();
    ASSERT_EQ(sent.size(), 3);
    EXPECT_EQ(dataOf(sent[0]), content.left(128));
    EXPECT_EQ(dataOf(sent[1]), content.mid(128) + QByteArray(126, fw::PAD));
    EXPECT_EQ(sent[2], eot);
}

TEST_F(FwRig, BlockLayoutAndCrc)
{
    const QByteArray content = pattern(128, 99);
    start(content);
    const QByteArray b = tickOnce();
    ASSERT_EQ(b.size(), fw::BLOCK_SIZE);
    EXPECT_EQ(b.at(0), fw::SOH);
    EXPECT_EQ(uint8_t(b.at(1)), 1);
    EXPECT_EQ(uint8_t(b.at(2)), 254);
    EXPECT_EQ(dataOf(b), content);
    // A receiver's check: the CRC over data and CRC bytes together comes out 0.
    EXPECT_EQ(XModemCRC16(reinterpret_cast<const uint8_t *>(b.constData()), 3, 130), 0);

    const QByteArray padBlock = fw::BuildBlock(7, QByteArray());
    EXPECT_EQ(dataOf(padBlock), QByteArray(128, fw::PAD));
    EXPECT_EQ(uint8_t(padBlock.at(131)), 0xF8);
    EXPECT_EQ(uint8_t(padBlock.at(132)), 0xB0);
    EXPECT_EQ(fw::BuildBlock(1, QByteArray(200, 'x')).size(), fw::BLOCK_SIZE);
}

TEST_F(FwRig, BlockNumberWrapsFrom255To0)
{
    const QByteArray content = pattern(256 * 128 + 5);
    start(content);
    EXPECT_EQ(fw->FwBlockCount(), 257);
    const auto sent = runToEot();
    ASSERT_EQ(sent.size(), 258); // 257 blocks and EOT
    QByteArray joined;
    for (int i = 0; i < 257; ++i) {
        ASSERT_EQ(uint8_t(sent[i].at(1)), uint8_t(i + 1)) << "block " << i;
        ASSERT_EQ(uint8_t(sent[i].at(2)), uint8_t(255 - uint8_t(i + 1)));
        joined += dataOf(sent[i]);
    }
    EXPECT_EQ(uint8_t(sent[254].at(1)), 255);
    EXPECT_EQ(uint8_t(sent[255].at(1)), 0);
    EXPECT_EQ(joined.left(content.size()), content);
    EXPECT_EQ(fw->FwSentBlocks(), 258);
    // the bar shows blocks begun before each block
    EXPECT_EQ(barValues.size(), 258);
    EXPECT_EQ(barValues.last(), 257);
}

// ---- ACK, NAK, restart -----------------------------------------------------------------

TEST_F(FwRig, NakRepeatsTheSameBlockAndEot)
{
    start(pattern(300));
    const QByteArray first = tickOnce();
    fw->ClaimBlock(nak);
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send);
    EXPECT_EQ(tickOnce(), first);
    fw->ClaimBlock(ack);
    const QByteArray second = tickOnce();
    EXPECT_EQ(uint8_t(second.at(1)), 2);
    fw->ClaimBlock(nak);
    fw->ClaimBlock(nak); // a second NAK in send state changes nothing
    EXPECT_EQ(tickOnce(), second);
    fw->ClaimBlock(ack);
    tickOnce();
    fw->ClaimBlock(ack);
    EXPECT_EQ(tickOnce(), eot);
    fw->ClaimBlock(nak);
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send);
    EXPECT_EQ(tickOnce(), eot);
    EXPECT_EQ(fw->FwState(), FwUpgrade::EotSent);
}

TEST_F(FwRig, AckOutsideWaitAckIsIgnored)
{
    start(pattern(128));
    fw->ClaimBlock(ack); // state 2
    EXPECT_EQ(fw->FwBlockNo(), 1);
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send);
    const QByteArray b = tickOnce();
    EXPECT_EQ(uint8_t(b.at(1)), 1);
    fw->ClaimBlock(ack);
    EXPECT_EQ(tickOnce(), eot);
    fw->ClaimBlock(ack); // state 4
    EXPECT_EQ(fw->FwState(), FwUpgrade::EotSent);
    EXPECT_EQ(fw->FwBlockNo(), 2);
    EXPECT_EQ(tickOnce(), QByteArray());
}

TEST_F(FwRig, CRestartsFromBlockOne)
{
    const QByteArray content = pattern(600);
    start(content);
    tickOnce();
    fw->ClaimBlock(ack);
    tickOnce();
    fw->ClaimBlock(ack);
    ASSERT_EQ(fw->FwBlockNo(), 3);
    now += 5000;
    requestC();
    EXPECT_EQ(fw->FwStartTick(), now);
    EXPECT_EQ(fw->FwSentBlocks(), 1);
    const QByteArray b = tickOnce();
    EXPECT_EQ(uint8_t(b.at(1)), 1);
    EXPECT_EQ(dataOf(b), content.left(128));
}

TEST_F(FwRig, CWithoutFileAsksForOneAndKeepsState)
{
    arm();
    sink.lines.clear();
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(requestC());
    const QList<Line> want{{LineKind::Info, "info_ModuleRTS"}, {LineKind::Err, "info_AbsentFwFlie"},
                           {LineKind::Info, "info_ModuleRTS"}, {LineKind::Err, "info_AbsentFwFlie"}};
    EXPECT_EQ(sink.lines, want);
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    EXPECT_EQ(tickOnce(), QByteArray());
}

TEST_F(FwRig, NakWithoutStartedTransferIsIgnored)
{
    arm();
    fw->ClaimBlock(nak); // no file
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(10))));
    fw->ClaimBlock(nak); // file, but no 'C' yet
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    EXPECT_EQ(tickOnce(), QByteArray());
}

TEST_F(FwRig, GluedAcksCountOneByOne)
{
    start(pattern(300));
    tickOnce();
    fw->ClaimBlock("\x06\x06"); // the second ACK answers no block: skipped
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send);
    EXPECT_TRUE(sink.lines.isEmpty());
    EXPECT_EQ(uint8_t(tickOnce().at(1)), 2);
}

TEST_F(FwRig, CanFromTheReceiverCancelsInAnyTransferState)
{
    for (const QByteArray &can : {QByteArray(2, fw::CAN), QByteArray(8, fw::CAN) + QByteArray(8, '\b')}) {
        start(pattern(300));
        tickOnce();
        fw->ClaimBlock(can);
        EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
        EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Err, "info_FwCancelled"}}));
        EXPECT_EQ(tickOnce(), QByteArray());
    }
    arm(); // armed, before any 'C'
    sink.lines.clear();
    fw->ClaimBlock(QByteArray(2, fw::CAN));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(sink.lines.size(), 1);
}

TEST_F(FwRig, FinalAnswerIsRecognisedInPieces)
{
    const QList<QList<QByteArray>> splits = {
        {"\x06", "\r\n>"}, {"\x06\r", "\n>"}, {"\x06", "\r", "\n", ">"}, {QByteArray("\x06\r\n>\r\n'F'")}};
    for (const auto &pieces : splits) {
        start(pattern(10));
        runToEot();
        for (const QByteArray &piece : pieces) {
            ASSERT_EQ(fw->FwState(), FwUpgrade::EotSent);
            fw->ClaimBlock(piece);
        }
        EXPECT_EQ(fw->FwState(), FwUpgrade::Idle) << pieces.first().toHex().toStdString();
        EXPECT_FALSE(sink.lines.isEmpty());
        EXPECT_EQ(sink.lines.first(), (Line{LineKind::Info, "info_FwUpOver"}));
    }
    // A NAK after EOT is no piece of it: EOT goes again.
    start(pattern(10));
    runToEot();
    fw->ClaimBlock(nak);
    EXPECT_EQ(tickOnce(), eot);
    // Something else after the start of it is not taken for it: no success; it is text, and
    // the CR held for the final answer goes on with it.
    fw->ClaimBlock("\x06");
    fw->ClaimBlock("\rX");
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(ends, QList<TFwEnd>{TFwEnd::OtherBytes});
    EXPECT_EQ(passed, "\rX");
    EXPECT_EQ(sink.lines.count(Line{LineKind::Info, "info_FwUpOver"}), 0);
}

TEST_F(FwRig, AnswersSendAtOnceAndReadsAreFastOnlyDuringTheTransfer)
{
    QList<bool> fast;
    FwUpgradeDeps d;
    d.sendBytes = [this](const QByteArray &b) {
        raw.append(b);
        return true;
    };
    d.sendToCom = [this](const QByteArray &t) { last = t; };
    d.lastSend = [this] { return last; };
    d.comOpened = [] { return true; };
    d.fastReads = [&fast](bool on) { fast.append(on); };
    fw = std::make_unique<FwUpgrade>(std::move(d));
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(300))));
    arm();
    EXPECT_TRUE(fast.isEmpty()); // the menu dialogue keeps the ordinary gap
    fw->tmrXModemTx()->stop();   // only the answers may send now
    raw.clear();
    requestC();
    EXPECT_EQ(fast, QList<bool>{true});
    QCoreApplication::processEvents();
    ASSERT_EQ(raw.size(), 1);
    EXPECT_EQ(uint8_t(raw.last().at(1)), 1);
    fw->ClaimBlock(ack);
    QCoreApplication::processEvents();
    ASSERT_EQ(raw.size(), 2);
    EXPECT_EQ(uint8_t(raw.last().at(1)), 2);
    fw->ClaimBlock(nak);
    QCoreApplication::processEvents();
    ASSERT_EQ(raw.size(), 3);
    EXPECT_EQ(raw[2], raw[1]);
    QCoreApplication::processEvents(); // nothing more without an answer
    EXPECT_EQ(raw.size(), 3);
    fw->ClaimBlock(ack);
    QCoreApplication::processEvents();
    fw->ClaimBlock(ack);
    QCoreApplication::processEvents();
    ASSERT_EQ(raw.size(), 5);
    EXPECT_EQ(raw.last(), eot);
    fw->ClaimBlock(fw::FinalAnswer);
    EXPECT_EQ(fast, (QList<bool>{true, false}));
    // A dropped transfer restores the gap as well.
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(300))));
    arm();
    requestC();
    fw->ClaimBlock(QByteArray(2, fw::CAN));
    EXPECT_EQ(fast, (QList<bool>{true, false, true, false}));
}

TEST_F(FwRig, EveryArrangementOfTheFinalBytesGivesTheSameOutcome)
{
    // After EOT: the final answer alone, or after a repeated ACK, cut into up to three
    // chunks at every pair of places, and noise before it: always one finish.
    for (const QByteArray &tail : {fw::FinalAnswer, ack + fw::FinalAnswer, ack + ack + fw::FinalAnswer})
        for (qsizetype cut1 = 0; cut1 <= tail.size(); ++cut1)
            for (qsizetype cut2 = cut1; cut2 <= tail.size(); ++cut2) {
                start(pattern(200));
                ASSERT_EQ(runToEot().last(), eot);
                raw.clear();
                for (const QByteArray &chunk : {tail.left(cut1), tail.mid(cut1, cut2 - cut1), tail.mid(cut2)})
                    if (!chunk.isEmpty())
                        fw->ClaimBlock(chunk);
                EXPECT_EQ(fw->FwState(), FwUpgrade::Idle) << tail.toHex().toStdString() << " " << cut1 << " " << cut2;
                EXPECT_EQ(sink.lines.count(Line{LineKind::Info, "info_FwUpOver"}), 1);
                EXPECT_EQ(raw, QList<QByteArray>{"R"});
            }
}

TEST_F(FwRig, TextEndsTheTransferAndGoesToTheOrdinaryPath)
{
    start(pattern(300));
    tickOnce();
    EXPECT_TRUE(fw->ClaimBlock("\x06x\r\n?")); // an ACK, then the module's application talks
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(passed, "x\r\n?");
    EXPECT_EQ(ends, QList<TFwEnd>{TFwEnd::OtherBytes});
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Err, "info_FwOtherBytes"}}));
    EXPECT_EQ(fast, (QList<bool>{true, false}));
    EXPECT_FALSE(fw->tmrXModemTx()->isActive());
    EXPECT_FALSE(fw->ClaimBlock("more")); // ordinary reception again
}

TEST_F(FwRig, TenNaksOfOneBlockOrTwoCansEndTheTransfer)
{
    start(pattern(300));
    tickOnce();
    fw->ClaimBlock(ack);
    for (int i = 0; i < FwUpgrade::kMaxNaks - 1; ++i) {
        ASSERT_EQ(uint8_t(tickOnce().at(1)), 2);
        fw->ClaimBlock(nak);
    }
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send); // nine: still trying
    tickOnce();
    fw->ClaimBlock(nak);
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(sink.lines.last(), (Line{LineKind::Err, "info_FwNakLimit"}));
    EXPECT_TRUE(tickOnce().isEmpty());
    EXPECT_FALSE(barVisible);

    // NAKs separated by an ACK count afresh.
    start(pattern(300));
    for (int i = 0; i < 3 * (FwUpgrade::kMaxNaks - 1); ++i) {
        tickOnce();
        fw->ClaimBlock(i % (FwUpgrade::kMaxNaks - 1) == FwUpgrade::kMaxNaks - 2 ? ack : nak);
    }
    EXPECT_NE(fw->FwState(), FwUpgrade::Idle);

    // One CAN may be line noise; two in a row, in one chunk or two, cancel.
    start(pattern(300));
    tickOnce();
    fw->ClaimBlock(QByteArray(1, fw::CAN));
    EXPECT_EQ(fw->FwState(), FwUpgrade::WaitAck);
    fw->ClaimBlock(QByteArray(1, fw::CAN));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(sink.lines.last(), (Line{LineKind::Err, "info_FwCancelled"}));
    start(pattern(300));
    tickOnce();
    fw->ClaimBlock(QByteArray(2, fw::CAN));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
}

TEST_F(FwRig, ImageIsReadOnceWholeAndSentFromThatCopy)
{
    const QByteArray image = pattern(300);
    ASSERT_TRUE(fw->ChooseFile(writeFile(image)));
    arm();
    sink.lines.clear();
    ASSERT_TRUE(requestC());
    const QByteArray crc = QByteArray::number(ImageCrc32(image), 16).rightJustified(8, '0').toUpper();
    EXPECT_EQ(sink.lines.value(1), (Line{LineKind::Info, "[ Image ]: 300 Bytes, CRC-32 " + crc}));
    EXPECT_EQ(ImageCrc32("123456789"), 0xCBF43926u);
    // The file is cut and overwritten mid-transfer: the blocks still carry the image read.
    writeFile("short");
    QByteArray got;
    for (const QByteArray &b : runToEot())
        if (b.size() == fw::BLOCK_SIZE)
            got += dataOf(b);
    EXPECT_EQ(got, image + QByteArray(84, fw::PAD));
}
// ---- finish ----------------------------------------------------------------------------

TEST_F(FwRig, FinalAnswerBeforeEotFinishesNothing)
{
    start(pattern(300));
    tickOnce();
    fw->ClaimBlock(ack);
    tickOnce();
    fw->ClaimBlock(fw::FinalAnswer); // while block 2 waits: its ACK counts, nothing more
    EXPECT_EQ(fw->FwState(), FwUpgrade::Send);
    EXPECT_TRUE(fw->HasFile());
    EXPECT_TRUE(raw.isEmpty() || raw.last() != "R");
    EXPECT_EQ(dataOf(tickOnce()), pattern(300).mid(256, 44) + QByteArray(84, fw::PAD));
}

TEST_F(FwRig, FinishReportsRestartsAndClosesTheFile)
{
    now = 4294967000u; // the tick count wraps during the transfer
    start(pattern(200));
    runToEot();
    now = 2500;
    raw.clear();
    EXPECT_TRUE(fw->ClaimBlock(fw::FinalAnswer));
    const QList<Line> want{{LineKind::Info, "info_FwUpOver"},
                           {LineKind::Info, "info_FwUpTime2"},
                           {LineKind::Info, QByteArray(31, '-')},
                           {LineKind::Info, fw::FinalAnswer}};
    EXPECT_EQ(sink.lines, want);
    EXPECT_EQ(raw, QList<QByteArray>{"R"});
    EXPECT_EQ(last, QByteArray("Y")); // "R" does not go through SendToCom
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_EQ(fw->FwBlockNo(), 0);
    EXPECT_EQ(fw->FwSentBlocks(), 0);
    EXPECT_FALSE(barVisible);
    EXPECT_FALSE(fw->tmrXModemTx()->isActive());
    EXPECT_FALSE(fw->HasFile());

    // a new upgrade needs a new file choice
    arm();
    sink.lines.clear();
    requestC();
    EXPECT_EQ(sink.lines.last(), (Line{LineKind::Err, "info_AbsentFwFlie"}));
}

TEST_F(FwRig, FinishWithoutRestartMark)
{
    overRestart = false;
    start(pattern(5));
    runToEot();
    raw.clear();
    fw->ClaimBlock(fw::FinalAnswer);
    EXPECT_TRUE(raw.isEmpty());
    EXPECT_FALSE(fw->HasFile());
}

TEST_F(FwRig, DataStreamShowsEveryExchange)
{
    showStream = true;
    start(pattern(5));
    const QByteArray b = tickOnce();
    ASSERT_EQ(sink.lines.size(), 2);
    EXPECT_EQ(sink.lines[0], (Line{LineKind::Send, "[ Send ]:"}));
    EXPECT_EQ(sink.lines[1], (Line{LineKind::Send, b.toHex().toUpper()}));
    sink.lines.clear();
    fw->ClaimBlock(ack);
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Rcv, "[ Rcv ]:"}, {LineKind::Rcv, "06"}}));
    sink.lines.clear();
    tickOnce();
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Send, "[ Send ]:"}, {LineKind::Send, "04"}}));
    sink.lines.clear();
    fw->ClaimBlock(fw::FinalAnswer);
    ASSERT_EQ(sink.lines.size(), 8);
    EXPECT_EQ(sink.lines[1], (Line{LineKind::Rcv, "060D0A3E"}));
    EXPECT_EQ(sink.lines[6], (Line{LineKind::Send, "[ Send ]:"}));
    EXPECT_EQ(sink.lines[7], (Line{LineKind::Send, "52"}));
}

// ---- file choice -----------------------------------------------------------------------

TEST_F(FwRig, ChooseFileReportsNameAndSize)
{
    const QString path = writeFile(pattern(130));
    EXPECT_TRUE(fw->ChooseFile(path));
    const QList<Line> want{{LineKind::Info, ""},
                           {LineKind::Info, "[ File name ]: " + path.toUtf8()},
                           {LineKind::Info, "[ File size ]: 130 Bytes"},
                           {LineKind::Info, "info_ReloadRepower"}};
    EXPECT_EQ(sink.lines, want);
    ASSERT_TRUE(fw->HasFile());
    EXPECT_FALSE(fw->FwFile()->isWritable());
}

TEST_F(FwRig, FileThatCannotBeOpenedIsReported)
{
    ASSERT_TRUE(fw->ChooseFile(writeFile("abc")));
    sink.lines.clear();
    const QString missing = dir.filePath("missing.bin");
    EXPECT_FALSE(fw->ChooseFile(missing));
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Err, "cannot open <" + missing.toUtf8() + ">"}}));
    EXPECT_FALSE(fw->HasFile()); // the old one was let go as well
    EXPECT_FALSE(fw->ChooseFile(QString()));
    EXPECT_FALSE(fw->ChooseFile(dir.path())); // a directory is no image
    EXPECT_FALSE(fw->HasFile());
    EXPECT_EQ(sink.lines.size(), 3);
}

TEST_F(FwRig, PrepareChoiceNeedsAnOpenPort)
{
    portOpen = false;
    EXPECT_FALSE(fw->PrepareChoice());
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Err, "info_ComNoOpen"}}));
    portOpen = true;
    sink.lines.clear();
    EXPECT_TRUE(fw->PrepareChoice());
    EXPECT_EQ(sink.lines, (QList<Line>{{LineKind::Info, "info_SlctFwFile"}}));
    EXPECT_EQ(fw->FwSavedDir(), QDir::currentPath());
    EXPECT_EQ(fw->DialogFilter(), QStringLiteral("info_FwFile(*.bin);;info_AllFile(*.*)"));
}

TEST_F(FwRig, NewFileDuringTransferWaitsForTheNextC)
{
    start(pattern(600, 1));
    tickOnce();
    fw->ClaimBlock(ack);
    const QByteArray other = pattern(300, 2);
    ASSERT_TRUE(fw->ChooseFile(writeFile(other, "other.bin")));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    EXPECT_EQ(tickOnce(), QByteArray()); // nothing of the new image under an old block number
    requestC();
    const QByteArray b = tickOnce();
    EXPECT_EQ(uint8_t(b.at(1)), 1);
    EXPECT_EQ(dataOf(b), other.left(128));

    // a failed choice during the transfer leaves it armed without a file
    ASSERT_FALSE(fw->ChooseFile(dir.filePath("nope.bin")));
    EXPECT_EQ(fw->FwState(), FwUpgrade::Armed);
    fw->ClaimBlock(nak);
    EXPECT_EQ(tickOnce(), QByteArray());
}

TEST_F(FwRig, UnreadableImageRefusesTheTransfer)
{
    ASSERT_TRUE(fw->ChooseFile(writeFile(pattern(300))));
    arm();
    // Swap the open descriptor for a directory: reads now fail under the same file object.
    const int fd = fw->FwFile()->handle();
    ASSERT_GE(fd, 0);
    const int dirFd = ::open(QFile::encodeName(dir.path()).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_GE(dirFd, 0);
    ASSERT_GE(::dup2(dirFd, fd), 0);
    ::close(dirFd);
    sink.lines.clear();
    requestC();
    EXPECT_EQ(tickOnce(), QByteArray());
    ASSERT_FALSE(sink.lines.isEmpty());
    EXPECT_EQ(sink.lines.last().kind, LineKind::Err);
    EXPECT_TRUE(sink.lines.last().text.startsWith("info_FwUnreadable")) << sink.lines.last().text.toStdString();
    EXPECT_EQ(fw->FwState(), FwUpgrade::Idle);
    EXPECT_FALSE(fw->tmrXModemTx()->isActive());
    EXPECT_FALSE(barVisible);
}

TEST_F(FwRig, TimerSendsOnItsOwn)
{
    start(pattern(10));
    QElapsedTimer t;
    t.start();
    while (raw.isEmpty() && t.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    ASSERT_EQ(raw.size(), 1);
    EXPECT_EQ(raw.first().size(), fw::BLOCK_SIZE);
    EXPECT_EQ(fw->FwState(), FwUpgrade::WaitAck);
}

// ---- what follows an armed transfer ----------------------------------------------------

struct Outcome {
    QList<QByteArray> sent;
    QByteArray passed; // to the ordinary path: handed on, or not claimed
    QList<TFwEnd> ends;
    QList<Line> lines;
    bool operator==(const Outcome &) const = default;
};

TEST_F(FwRig, EveryArrangementOfTheSameBytesGivesTheSameOutcome)
{
    // The module's bursts after the menu dialogue, a pause after each (then one tick), every
    // burst cut at random places when a generator is given.
    const auto run = [this](const QList<QByteArray> &bursts, const QByteArray &image, std::mt19937 *cut) {
        makeFw();
        if (!image.isEmpty())
            fw->ChooseFile(writeFile(image));
        arm();
        raw.clear(), passed.clear(), ends.clear(), sink.lines.clear();
        for (const QByteArray &burst : bursts) {
            for (qsizetype at = 0, n = 0; at < burst.size(); at += n) {
                n = cut ? 1 + qsizetype((*cut)() % 4) : burst.size();
                if (!fw->ClaimBlock(burst.mid(at, n)))
                    passed += burst.mid(at, n);
            }
            fw->LineQuiet();
            fw->tmrXModemTxTimer();
        }
        return Outcome{raw, passed, ends, sink.lines};
    };
    const QByteArray image = pattern(300), a = ack; // three blocks
    struct Case { const char *what; QList<QByteArray> bursts; QByteArray image; int blocks; TFwEnd end; QByteArray passed; };
    const QList<Case> cases = {
        {"text after the boot menu, no image", {"C", "C", "\r\nAPP V2.1 ready\r\n"}, {}, 0, TFwEnd::OtherBytes,
         "\r\nAPP V2.1 ready\r\n"},
        {"start-up line with 'C's", {"C", "CONNECT OK\r\n"}, image, 1, TFwEnd::OtherBytes, "CONNECT OK\r\n"},
        {"never a lone 'C'", {"CC\r\nCalling home\r\n"}, image, 0, TFwEnd::OtherBytes, "CC\r\nCalling home\r\n"},
        {"done, then the application", {"C", a, a, a, "\x06\r\n>\r\nCONNECT OK\r\n"}, image, 3, TFwEnd::Done,
         "\r\nCONNECT OK\r\n"},
        {"noise before the final answer", {"C", a, a, a, "x\x06\r\n>"}, image, 3, TFwEnd::OtherBytes, "x\x06\r\n>"},
        {"a NAK, then CAN CAN", {"C", nak, "\x18\x18\x08\x08"}, image, 1, TFwEnd::Cancelled, "\x08\x08"},
        {"restart after a pause, then text", {"C", a, "C", "\x06hello"}, image, 2, TFwEnd::OtherBytes, "hello"},
    };
    for (const Case &c : cases) {
        const Outcome whole = run(c.bursts, c.image, nullptr);
        QSet<int> blocks; // block numbers sent
        for (const QByteArray &b : whole.sent)
            if (b.size() == fw::BLOCK_SIZE)
                blocks.insert(uint8_t(b.at(1)));
        EXPECT_EQ(whole.ends, QList<TFwEnd>{c.end}) << c.what;
        EXPECT_EQ(whole.passed, c.passed) << c.what;
        EXPECT_EQ(blocks.size(), c.blocks) << c.what;
        EXPECT_EQ(fast.value(fast.size() - 1, false), false) << c.what;
        for (unsigned seed = 1; seed <= 60; ++seed) {
            std::mt19937 cut(seed);
            ASSERT_TRUE(run(c.bursts, c.image, &cut) == whole) << c.what << ", seed " << seed;
        }
    }
}

TEST_F(FwRig, EveryWayATransferEndsRestoresTheReadGapAndSaysHow)
{
    makeFw(150); // a short quiet time
    const auto waitEnd = [this] {
        QElapsedTimer t;
        t.start();
        while (ends.isEmpty() && t.elapsed() < 5000)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 20);
    };
    const QString image = writeFile(pattern(300));
    const QList<std::tuple<const char *, std::function<void()>, TFwEnd>> ways = {
        {"done", [&] { fw->ClaimBlock(ack), runToEot(), fw->ClaimBlock(fw::FinalAnswer); }, TFwEnd::Done},
        {"NAK limit", [&] { for (int i = 0; i < FwUpgrade::kMaxNaks; ++i) tickOnce(), fw->ClaimBlock(nak); }, TFwEnd::NakLimit},
        {"CAN CAN", [&] { fw->ClaimBlock("\x18\x18"); }, TFwEnd::Cancelled},
        {"text", [&] { fw->ClaimBlock("+ok\r\n"); }, TFwEnd::OtherBytes},
        {"silence", waitEnd, TFwEnd::Quiet},
        {"user", [&] { fw->Cancel(); }, TFwEnd::UserCancelled},
        {"emptied before a restart", [&] { QFile(image).resize(0), requestC(); }, TFwEnd::Empty},
    };
    for (const auto &[what, end, want] : ways) {
        QFile f(image);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(pattern(300)) == 300);
        f.close();
        ASSERT_TRUE(fw->ChooseFile(image));
        arm();
        requestC();
        tickOnce();
        fast.clear(), ends.clear(), raw.clear();
        end();
        EXPECT_EQ(fw->FwState(), FwUpgrade::Idle) << what;
        EXPECT_EQ(fast, QList<bool>{false}) << what;
        EXPECT_EQ(ends, QList<TFwEnd>{want}) << what;
        EXPECT_FALSE(fw->tmrXModemTx()->isActive() || barVisible) << what;
        if (want == TFwEnd::UserCancelled) { // CAN CAN, and a later menu starts nothing
            EXPECT_TRUE(raw == QList<QByteArray>{QByteArray(2, fw::CAN)} && !fw->HasFile());
        }
    }
    // Armed without an image, and the module never sends 'C': back to ordinary reception.
    fw->CloseFile();
    ends.clear();
    arm();
    waitEnd();
    EXPECT_EQ(ends, QList<TFwEnd>{TFwEnd::Quiet});
    EXPECT_FALSE(fw->ClaimBlock("\r\n+ok\r\n"));
}

} // namespace
