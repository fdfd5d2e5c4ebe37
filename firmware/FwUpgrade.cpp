#include "firmware/FwUpgrade.h"

#include "util/Gbk.h"
#include "util/LineSink.h"
#include "util/ProFun.h"

#include <QDir>

#include <chrono>
#include <limits>

namespace fw {

QByteArray BuildBlock(uint8_t blockNo, const QByteArray &data)
{
    QByteArray payload = data.left(BLOCK_DATA);
    payload.append(QByteArray(BLOCK_DATA - payload.size(), PAD));
    const uint16_t crc =
        XModemCRC16(reinterpret_cast<const uint8_t *>(payload.constData()), 0, BLOCK_DATA);

    QByteArray block;
    block.reserve(BLOCK_SIZE);
    block.append(SOH);
    block.append(char(blockNo));
    block.append(char(255 - blockNo));
    block.append(payload);
    block.append(char(crc >> 8));
    block.append(char(crc & 0xFF));
    return block;
}

} // namespace fw

namespace {

class NullSink final : public LineSink {
public:
    void showLine(LineKind, const QByteArray &) override {}
};

NullSink g_nullSink;

uint32_t steadyTick()
{
    using namespace std::chrono;
    return uint32_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

QByteArray hex(const QByteArray &bytes)
{
    return BytesToHexStr(reinterpret_cast<const uint8_t *>(bytes.constData()), int(bytes.size()));
}

} // namespace

FwUpgrade::FwUpgrade(FwUpgradeDeps deps, QObject *parent)
    : QObject(parent), m_deps(std::move(deps)), m_timer(new QTimer(this))
{
    // Fill the hooks the caller left out, so the logic below never tests for them.
    if (!m_deps.sendToCom) m_deps.sendToCom = [](const QByteArray &) {};
    if (!m_deps.lastSend) m_deps.lastSend = [] { return QByteArray(); };
    if (!m_deps.sendBytes) m_deps.sendBytes = [](const QByteArray &) { return false; };
    if (!m_deps.comOpened) m_deps.comOpened = [] { return false; };
    if (!m_deps.console) m_deps.console = &g_nullSink;
    if (!m_deps.langText) m_deps.langText = [](const QByteArray &key) { return key; };
    if (!m_deps.progressVisible) m_deps.progressVisible = [](bool) {};
    if (!m_deps.progressTotal) m_deps.progressTotal = [](int) {};
    if (!m_deps.progressValue) m_deps.progressValue = [](int) {};
    if (!m_deps.overRestart) m_deps.overRestart = [] { return false; };
    if (!m_deps.showDataStream) m_deps.showDataStream = [] { return false; };
    if (!m_deps.tickCount) m_deps.tickCount = steadyTick;
    if (!m_deps.fastReads) m_deps.fastReads = [](bool) {};
    if (!m_deps.passOn) m_deps.passOn = [](const QByteArray &) {};
    if (m_deps.quietMs <= 0) m_deps.quietMs = kQuietMs;

    m_timer->setObjectName(QStringLiteral("tmrXModemTx"));
    m_timer->setInterval(10);
    connect(m_timer, &QTimer::timeout, this, &FwUpgrade::tmrXModemTxTimer);
    m_loneC = new QTimer(this);
    m_loneC->setSingleShot(true);
    m_loneC->setInterval(kLoneCMs);
    connect(m_loneC, &QTimer::timeout, this, &FwUpgrade::LineQuiet);
    m_quiet = new QTimer(this);
    m_quiet->setSingleShot(true);
    m_quiet->setInterval(m_deps.quietMs);
    connect(m_quiet, &QTimer::timeout, this, [this] {
        QByteArray line = text("info_FwQuiet");
        line.replace("%s", QByteArray::number(m_deps.quietMs / 1000));
        dropTransfer(line, TFwEnd::Quiet);
    });
}

FwUpgrade::~FwUpgrade() = default;

void FwUpgrade::setFast(bool on)
{
    if (m_fast == on)
        return;
    m_fast = on;
    m_deps.fastReads(on);
}

// The next block (or EOT) goes out as soon as the event loop is free, not at the next tick; the
// tick stays as the pacing of last resort. Whichever comes first finds the state Send; the other
// finds nothing to do.
void FwUpgrade::sendSoon()
{
    QTimer::singleShot(0, this, &FwUpgrade::tmrXModemTxTimer);
}

QByteArray FwUpgrade::text(const char *key) const { return m_deps.langText(QByteArray(key)); }
void FwUpgrade::info(const QByteArray &t) { m_deps.console->ShowInfo(t); }
void FwUpgrade::err(const QByteArray &t) { m_deps.console->ShowErr(t); }
bool FwUpgrade::showStream() const { return m_deps.showDataStream(); }

void FwUpgrade::sendShown(const QByteArray &bytes, const QByteArray &hexText)
{
    m_deps.sendBytes(bytes);
    if (showStream()) {
        m_deps.console->ShowSend("[ Send ]:");
        m_deps.console->ShowSend(hexText);
    }
}

bool FwUpgrade::PrepareChoice()
{
    if (!m_deps.comOpened()) {
        err(text("info_ComNoOpen"));
        return false;
    }
    info(text("info_SlctFwFile"));
    m_savedDir = QDir::currentPath();
    return true;
}

QString FwUpgrade::DialogFilter() const
{
    return QStringLiteral("%1(*.bin);;%2(*.*)")
        .arg(gbk::toUnicode(text("info_FwFile")), gbk::toUnicode(text("info_AllFile")));
}

bool FwUpgrade::ChooseFile(const QString &path)
{
    CloseFile();
    // A transfer on the line was reading the old image; its next block must not come
    // from the new one. Wait for the boot loader's next 'C' to start over.
    if (m_state >= Send) {
        m_state = Armed;
        m_tail.clear();
        setFast(false);
    }

    auto file = std::make_unique<QFile>(path);
    const bool opened = file->open(QIODevice::ReadOnly);
    if (!m_savedDir.isEmpty())
        QDir::setCurrent(m_savedDir);

    if (!opened) {
        err(withPath("info_FwOpenFail", path));
        return false;
    }
    // An empty image would be "sent" as a lone EOT and reported as a success.
    if (file->size() == 0) {
        err(withPath("info_FwEmpty", path));
        return false;
    }
    m_file = std::move(file);
    const QByteArray shownPath = gbk::fromUnicode(QDir::toNativeSeparators(path));

    info(QByteArray());
    info("[ File name ]: " + shownPath);
    info("[ File size ]: " + QByteArray::number(m_file->size()) + " Bytes");
    info(text("info_ReloadRepower"));
    return true;
}

QByteArray FwUpgrade::withPath(const char *key, const QString &path) const
{
    const QByteArray shownPath = gbk::fromUnicode(QDir::toNativeSeparators(path));
    QByteArray line = text(key);
    const auto at = line.indexOf("%s");
    if (at >= 0)
        line.replace(at, 2, shownPath);
    else
        line += ' ' + shownPath;
    return line;
}

void FwUpgrade::CloseFile()
{
    m_file.reset();
}

bool FwUpgrade::ClaimBlock(const QByteArray &chunk)
{
    // While a transfer is armed or running every byte is judged by it; what is not the
    // transfer's ends it and goes on to the ordinary path (the boot menu included).
    if (m_state != Idle) {
        FwUpReceive(chunk);
        return true;
    }
    if (chunk.contains(fw::BootMenu)) {
        m_deps.console->showReceived(LineKind::Rcv, chunk);
        // The held image was emptied since it was chosen: the module keeps its firmware.
        if (m_file && m_file->size() == 0) {
            err(withPath("info_FwEmpty", m_file->fileName()));
            emit transferEnded(TFwEnd::Empty);
            return true;
        }
        m_deps.sendToCom("F");
        return true;
    }
    if (chunk.contains(fw::BootQuestion) && m_deps.lastSend() == "F") {
        m_deps.console->showReceived(LineKind::Rcv, chunk);
        m_deps.sendToCom("Y");
        return true;
    }
    if (chunk == fw::BootEcho && m_deps.lastSend() == "Y") {
        m_deps.console->showReceived(LineKind::Rcv, chunk);
        arm();
        return true;
    }
    return false;
}

void FwUpgrade::arm()
{
    m_state = Armed;
    m_heldCs = 0;
    m_tail.clear();
    m_cans = 0;
    m_timer->start();
    m_quiet->start();
}

void FwUpgrade::NextBlock()
{
    ++m_blockNo; // 255 wraps to 0
    ++m_sentBlocks;
}

// The image is read once, whole, when the boot loader asks for it, and every block
// comes from that copy: a file cut or rewritten during the transfer cannot mix into it.
void FwUpgrade::startTransfer()
{
    QString why;
    const qint64 size = m_file->size();
    QByteArray image;
    if (size > kMaxImageBytes)
        why = QStringLiteral("larger than %1 bytes").arg(kMaxImageBytes);
    else if (!m_file->seek(0))
        why = m_file->errorString();
    else
        image = m_file->read(size);
    if (why.isEmpty() && (image.size() != size || m_file->error() != QFileDevice::NoError))
        why = QStringLiteral("read %1 of %2 bytes").arg(image.size()).arg(size);
    if (size == 0) {
        dropTransfer(withPath("info_FwEmpty", m_file->fileName()), TFwEnd::Empty);
        return;
    }
    if (!why.isEmpty()) {
        dropTransfer(withPath("info_FwUnreadable", m_file->fileName()) + " (" + gbk::fromUnicode(why) + ")",
                     TFwEnd::Unreadable);
        return;
    }
    m_image = image;
    m_pos = 0;
    m_naks = 0;
    m_cans = 0;
    m_tail.clear();
    m_startTick = m_deps.tickCount();
    const qint64 blocks = size / fw::BLOCK_DATA + 1;
    m_blockCount = int32_t(std::min<qint64>(blocks, std::numeric_limits<int32_t>::max()));
    m_deps.progressTotal(m_blockCount);
    m_deps.progressValue(0);
    m_deps.progressVisible(true);
    info("[ Image ]: " + QByteArray::number(size) + " Bytes, CRC-32 " +
         QByteArray::number(ImageCrc32(m_image), 16).rightJustified(8, '0').toUpper());
    info(text("info_Sending"));
    m_blockNo = 0;
    m_sentBlocks = 0;
    NextBlock();
    m_state = Send;
    m_tail.clear();
    setFast(true);
    sendSoon();
}

// Whatever way a transfer ends: nothing more is sent, held or timed, and the reads take
// the ordinary gap again.
void FwUpgrade::stopTransfer()
{
    m_state = Idle;
    setFast(false);
    m_timer->stop();
    m_loneC->stop();
    m_quiet->stop();
    m_heldCs = 0;
    m_tail.clear();
    m_image.clear();
    m_deps.progressVisible(false);
}

// The transfer cannot go on: a red line says why. The file stays held, so the boot
// loader may start over from its menu.
void FwUpgrade::dropTransfer(const QByteArray &line, TFwEnd why)
{
    err(line);
    stopTransfer();
    emit transferEnded(why);
}

void FwUpgrade::Cancel()
{
    CloseFile();
    if (m_state != Idle) {
        m_deps.sendBytes(QByteArray(2, fw::CAN));
        dropTransfer(text("info_FwUserCancelled"), TFwEnd::UserCancelled);
    }
}

void FwUpgrade::LineQuiet()
{
    if (m_heldCs > 0 && m_state != Idle)
        takeRequests();
}

// Held 'C's stood alone: the boot loader asks for the image (once, however many it sent).
void FwUpgrade::takeRequests()
{
    m_heldCs = 0;
    m_loneC->stop();
    info(text("info_ModuleRTS"));
    if (!m_file)
        err(text("info_AbsentFwFlie"));
    else
        startTransfer();
}

QByteArray FwUpgrade::heldText() const
{
    return QByteArray(m_heldCs, fw::CRC_REQUEST) + m_tail.mid(1);
}

void FwUpgrade::FwUpReceive(const QByteArray &bytes)
{
    if (showStream()) {
        m_deps.console->ShowRcv("[ Rcv ]:");
        m_deps.console->ShowRcv(hex(bytes));
    }
    if (m_state == Idle || bytes.isEmpty())
        return;
    m_quiet->start(); // the module is talking
    // Byte by byte: however the receiver's bytes are cut into chunks, or glued together,
    // the outcome is the same.
    for (qsizetype i = 0; i < bytes.size();) {
        if (m_state == Idle) { // finished or given up: the rest is no longer the transfer's
            m_deps.passOn(bytes.mid(i));
            return;
        }
        switch (receiveByte(bytes.at(i))) {
        case Fate::Taken:
            ++i;
            break;
        case Fate::TooLate:
            break; // the transfer ended before this byte: passed on with the rest
        case Fate::NotTransfer: {
            // The module left the boot loader (its application talks) or never was in it:
            // what was held and all from here is ordinary received data.
            const QByteArray rest = heldText() + bytes.mid(i);
            dropTransfer(text("info_FwOtherBytes"), TFwEnd::OtherBytes);
            m_deps.passOn(rest);
            return;
        }
        }
    }
}

FwUpgrade::Fate FwUpgrade::receiveByte(char c)
{
    // ACK CR LF '>' is the final answer after EOT; before EOT its ACK counts and the rest is
    // the boot loader's prompt. A CR or LF after an ACK that goes on otherwise is text.
    if (!m_tail.isEmpty()) {
        const QByteArray longer = m_tail + c;
        if (fw::FinalAnswer.startsWith(longer)) {
            m_tail = longer;
            if (m_tail == fw::FinalAnswer) {
                m_tail.clear();
                if (m_state == EotSent)
                    finish(fw::FinalAnswer);
            }
            return Fate::Taken;
        }
        if (m_tail.size() > 1)
            return Fate::NotTransfer;
        m_tail.clear();
    }
    if (c == fw::CRC_REQUEST) {
        ++m_heldCs; // alone, or the start of a line of text: the next byte or the quiet tells
        m_loneC->start();
        return Fate::Taken;
    }
    if (c != fw::ACK && c != fw::NAK && c != fw::CAN)
        return Fate::NotTransfer;
    if (m_heldCs > 0) {
        takeRequests(); // a byte of the transfer follows: they stood alone
        if (m_state == Idle)
            return Fate::TooLate;
    }
    m_cans = c == fw::CAN ? m_cans + 1 : 0;
    switch (c) {
    case fw::ACK:
        m_tail = QByteArray(1, c);
        if (m_state == WaitAck) {
            NextBlock();
            m_naks = 0;
            m_state = Send;
            sendSoon();
        }
        break;
    case fw::NAK:
        // Before the first 'C' there is no block to repeat.
        if (m_state < Send || m_image.isEmpty())
            break;
        if (++m_naks >= kMaxNaks) {
            dropTransfer(text("info_FwNakLimit"), TFwEnd::NakLimit);
            break;
        }
        if (m_state == WaitAck)
            m_pos = m_blockStart;
        m_state = Send; // after EOT the image is exhausted, so EOT goes again
        sendSoon();
        break;
    default: // CAN
        if (m_cans >= 2)
            dropTransfer(text("info_FwCancelled"), TFwEnd::Cancelled);
        break;
    }
    return Fate::Taken;
}

void FwUpgrade::tmrXModemTxTimer()
{
    if (m_state != Send || m_image.isEmpty())
        return;
    if (m_pos < m_image.size()) {
        m_deps.progressValue(m_sentBlocks);
        emit transferProgress(m_sentBlocks, m_blockCount);
        m_blockStart = m_pos;
        const QByteArray block = fw::BuildBlock(m_blockNo, m_image.mid(m_pos, fw::BLOCK_DATA));
        m_pos += std::min<qint64>(fw::BLOCK_DATA, m_image.size() - m_pos);
        sendShown(block, hex(block));
        m_state = WaitAck;
    } else {
        sendShown(QByteArray(1, fw::EOT), "04");
        m_state = EotSent;
        m_tail.clear();
    }
}

uint32_t ImageCrc32(const QByteArray &bytes)
{
    uint32_t crc = 0xFFFFFFFFu;
    for (const char ch : bytes) {
        crc ^= static_cast<uint8_t>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void FwUpgrade::finish(const QByteArray &answer)
{
    stopTransfer();
    m_blockNo = 0;
    m_sentBlocks = 0;
    info(text("info_FwUpOver"));
    const uint32_t elapsed = m_deps.tickCount() - m_startTick; // modulo 2^32
    info(text("info_FwUpTime") + QByteArray::number(elapsed / 1000));
    info(QByteArray(31, '-'));
    info(BytesToStr(reinterpret_cast<const uint8_t *>(answer.constData()), int(answer.size())));
    if (m_deps.overRestart()) {
        m_deps.sendBytes("R");
        if (showStream()) {
            m_deps.console->ShowSend("[ Send ]:");
            m_deps.console->ShowSend(StrToHexStr("R", ""));
        }
    }
    CloseFile();
    emit transferEnded(TFwEnd::Done);
}
