#pragma once
// Received bytes come in blocks, and a block may end between the two bytes of
// a double-byte GBK character. GbkStream keeps that cut lead byte and puts it
// in front of the next block of the same direction, so the character decodes
// whole; flush() gives the held byte back when no block follows.
#include <QByteArray>

namespace gbk {

// Whether the last byte is a lead byte that begins no character within bytes
// (its trail byte may still be on the way).
bool endsInLeadByte(const QByteArray &bytes);

class GbkStream {
public:
    // The bytes that can be decoded now: the held byte, then the block, without
    // a trailing lead byte, which is held for the next block.
    QByteArray take(const QByteArray &block);
    // The held byte (or nothing); the stream is empty afterwards.
    QByteArray flush();
    bool holding() const { return !m_held.isEmpty(); }

private:
    QByteArray m_held;
};

} // namespace gbk
