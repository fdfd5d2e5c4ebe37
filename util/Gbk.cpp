#include "util/Gbk.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace gbk {

QString toUnicode(const QByteArray &bytes)
{
    // A fresh decoder per call: no state may carry over from another text.
    QStringDecoder dec("GBK");
    if (!dec.isValid())
        return QString::fromLatin1(bytes);
    QString s = dec.decode(bytes);
    return s;
}

QByteArray fromUnicode(const QString &text)
{
    QStringEncoder enc("GBK");
    if (!enc.isValid())
        return text.toLatin1();
    QByteArray b = enc.encode(text);
    return b;
}

} // namespace gbk
