#include "util/GbkStream.h"

#include "util/Gbk.h"

namespace gbk {

bool endsInLeadByte(const QByteArray &bytes)
{
    if (bytes.isEmpty() || !isLeadByte(static_cast<unsigned char>(bytes.back())))
        return false;
    // Characters are told apart from the start: a lead byte may also be the
    // trail byte of the character before it.
    const QString chars = toUnicode(bytes);
    return !chars.isEmpty() && isEscaped(chars.back());
}

QByteArray GbkStream::take(const QByteArray &block)
{
    QByteArray out = m_held + block;
    m_held.clear();
    if (endsInLeadByte(out)) {
        m_held = out.right(1);
        out.chop(1);
    }
    return out;
}

QByteArray GbkStream::flush()
{
    QByteArray out;
    out.swap(m_held);
    return out;
}

} // namespace gbk
