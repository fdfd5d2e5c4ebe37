// The simulated module's boot loader: its menu, the confirmation, and the XModem-CRC receiver
// that stores the image.
#include "tools/dtu-sim/SimModule.h"

#include "util/ProFun.h"

#include <QFile>

#include <algorithm>

namespace {

constexpr char SOH = 0x01;
constexpr char EOT = 0x04;
constexpr char ACK = 0x06;
constexpr char NAK = 0x15;
constexpr int kBlockSize = 133;

const QByteArray kBootMenu("\r\n'F': update firmware\r\n'G': run application\r\n'R': restart module\r\n>");
const QByteArray kBootQuestion("F\r\nSure to update, 'Y' or 'N'\r\n>");
const QByteArray kFinal("\x06\r\n>", 4);

} // namespace

void SimModule::onBootByte(char c, Clock::time_point now)
{
    const char u = static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    if (m_state == State::BootMenu) {
        if (u == 'F') {
            m_state = State::BootConfirm;
            queueRaw(kBootQuestion, m_opt.replyDelayMs);
        } else if (u == 'G') {
            m_state = State::Data;
        } else if (u == 'R') {
            restart(m_opt.restartDelayMs);
        } else if (u == '\r') {
            sendBootMenu(now);
        }
        return;
    }
    // confirmation
    if (u == 'Y') {
        m_state = State::XModem;
        queueRaw("Y\r\n", m_opt.replyDelayMs);
        m_xbuf.clear();
        m_image.clear();
        m_blocks = 0;
        m_sawBlock = false;
        m_haveStored = false;
        m_lastBlockNo = 0;
        m_goodCount = 0;
        m_nakedBlock = -1;
        m_cSent = 0;
        m_nextC = now + std::chrono::milliseconds(std::max(1, m_opt.cRepeatMs));
    } else if (u == 'N') {
        m_state = State::BootMenu;
        sendBootMenu(now);
    } else if (u == '\r') {
        queueRaw(kBootQuestion, m_opt.replyDelayMs);
    }
}

void SimModule::sendBootMenu(Clock::time_point now)
{
    queueRaw(kBootMenu, m_opt.replyDelayMs);
    m_nextMenu = now + std::chrono::milliseconds(std::max(1, m_opt.bootMenuRepeatMs));
}

// ---- XModem-CRC receiver --------------------------------------------------

void SimModule::processXModem(Clock::time_point now)
{
    while (!m_xbuf.isEmpty() && m_state == State::XModem) {
        const char first = m_xbuf[0];
        if (first == EOT) {
            m_xbuf.remove(0, 1);
            finishTransfer();
            const QByteArray rest = m_xbuf;
            m_xbuf.clear();
            if (!rest.isEmpty())
                onBytes(rest, now);
            return;
        }
        if (first == 0x18 && m_xbuf.size() < 2)
            return; // a CAN: the sender's cancel if another follows
        if (first == 0x18 && m_xbuf.at(1) == 0x18) {
            // The sender gave up: back to the menu (shown again when it repeats).
            m_xbuf.clear();
            ++m_senderCancels;
            m_state = State::BootMenu;
            m_nextMenu = now + std::chrono::milliseconds(std::max(1, m_opt.bootMenuRepeatMs));
            return;
        }
        if (first != SOH) {
            m_xbuf.remove(0, 1); // line noise between blocks
            continue;
        }
        m_sawBlock = true;
        if (m_xbuf.size() < kBlockSize)
            return; // wait for the rest of the block
        const QByteArray block = m_xbuf.left(kBlockSize);
        m_xbuf.remove(0, kBlockSize);
        checkBlock(block);
    }
}

void SimModule::checkBlock(const QByteArray &block)
{
    const auto *b = reinterpret_cast<const uint8_t *>(block.constData());
    const uint8_t no = b[1];
    const uint16_t crc = static_cast<uint16_t>((b[131] << 8) | b[132]);
    const auto nak = [this] { queueRaw(QByteArray(1, NAK), 0); };
    const auto ack = [this] { queueRaw(QByteArray(1, ACK), 0); };
    if (static_cast<uint8_t>(no + b[2]) != 255 || XModemCRC16(b, 3, 128) != crc)
        return nak();
    if (m_haveStored && no == m_lastBlockNo)
        return ack(); // the sender missed our ACK and repeated the block
    if (no != static_cast<uint8_t>(m_lastBlockNo + 1))
        return nak(); // out of sequence: never store it
    if (m_opt.cancelAfter > 0 && m_blocks >= m_opt.cancelAfter) {
        queueRaw(QByteArray(2, 0x18), 0);
        m_state = State::BootMenu; // the receiver gave up; back to the menu
        m_nextMenu = Clock::now() + std::chrono::milliseconds(std::max(1, m_opt.bootMenuRepeatMs));
        return;
    }
    if (m_opt.nakAlways)
        return nak();
    if (m_opt.nakEveryNth > 0 && no != m_nakedBlock) {
        if (++m_goodCount % m_opt.nakEveryNth == 0) {
            m_nakedBlock = no;
            return nak();
        }
    }
    m_nakedBlock = -1;
    m_image += block.mid(3, 128);
    ++m_blocks;
    m_lastBlockNo = no;
    m_haveStored = true;
    if (m_opt.hangupAfterBlocks > 0 && m_blocks >= m_opt.hangupAfterBlocks) {
        m_hangup = true;
        return;
    }
    ack();
}

void SimModule::finishTransfer()
{
    queueRaw(kFinal, 0);
    ++m_transfers;
    m_state = State::BootMenu;
    m_nextMenu = Clock::now() + std::chrono::milliseconds(std::max(1, m_opt.bootMenuRepeatMs));
    if (!m_opt.saveImagePath.isEmpty()) {
        QFile f(m_opt.saveImagePath);
        if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            f.write(m_image);
    }
}
