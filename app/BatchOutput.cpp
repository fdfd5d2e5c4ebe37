#include "app/BatchOutput.h"

#include "app/Batch.h"
#include "util/Gbk.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace {

QString tagOf(LineKind kind, bool json)
{
    switch (kind) {
    case LineKind::Rcv:
        return QStringLiteral("RECV");
    case LineKind::RcvErr: // the module's error answer
        return json ? QStringLiteral("RECV") : QStringLiteral("ERR ");
    case LineKind::Send:
        return QStringLiteral("SEND");
    case LineKind::Err:
        return json ? QStringLiteral("ERR") : QStringLiteral("ERR ");
    case LineKind::Info:
        break;
    }
    return QStringLiteral("INFO");
}

QJsonArray words(const QList<QByteArray> &list)
{
    QJsonArray a;
    for (const QByteArray &w : list)
        a.append(QString::fromLatin1(w));
    return a;
}

QJsonValue answer(const TOpOutcome &o, const char *word)
{
    const auto it = o.answers.constFind(word);
    return it == o.answers.constEnd() ? QJsonValue() : QJsonValue(gbk::toDisplay(*it));
}

QString quoted(const QByteArray &v) { return QLatin1Char('\'') + gbk::toDisplay(v) + QLatin1Char('\''); }

} // namespace

void BatchOutput::emitJson(const QJsonObject &o)
{
    std::printf("%s\n", QJsonDocument(o).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

void BatchOutput::line(LineKind kind, const QByteArray &text)
{
    // Control bytes from the module (ESC sequences, BEL) must not act on the terminal.
    QString s = json_ ? gbk::toDisplay(text) : gbk::toTerminal(text);
    while (s.startsWith('\n'))
        s.remove(0, 1);
    while (s.endsWith('\n'))
        s.chop(1);
    if (json_) {
        emitJson({{"event", "line"}, {"kind", tagOf(kind, true)}, {"text", s}});
        return;
    }
    std::printf("[%s] %s\n", qPrintable(tagOf(kind, false)), s.toUtf8().constData());
    std::fflush(stdout);
}

void BatchOutput::info(const QString &text)
{
    if (json_) {
        emitJson({{"event", "line"}, {"kind", "INFO"}, {"text", text}});
        return;
    }
    std::printf("[INFO] %s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

void BatchOutput::error(const QString &text)
{
    if (firstError_.isEmpty())
        firstError_ = text;
    std::fprintf(stderr, "dtu-config: %s\n", text.toLocal8Bit().constData());
    if (json_)
        emitJson({{"event", "line"}, {"kind", "ERR"}, {"text", text}});
}

void BatchOutput::progress(int done, int total)
{
    if (json_)
        emitJson({{"event", "progress"}, {"done", done}, {"total", total}});
}

void BatchOutput::phase(const char *name)
{
    if (json_)
        emitJson({{"event", "phase"}, {"phase", QString::fromLatin1(name)}});
}

void BatchOutput::identity(const TOpOutcome &o)
{
    if (!json_)
        return;
    QJsonValue imei = answer(o, "IMEI");
    if (imei.isNull())
        imei = answer(o, "MEID");
    emitJson({{"event", "identity"}, {"sn", answer(o, "SN")}, {"imei", imei}, {"iccid", answer(o, "ICCID")},
              {"version", answer(o, "VER")}});
}

void BatchOutput::difference(const Difference &d)
{
    differs_.append(d);
    if (json_)
        return;
    QString text = QString::fromLatin1(d.word) + QStringLiteral(": ");
    text += d.module ? QStringLiteral("module %1, file %2").arg(quoted(*d.module), quoted(d.file))
                     : QStringLiteral("%1, file %2").arg(QString::fromLatin1(d.why), quoted(d.file));
    if (d.module && !d.written)
        text += QStringLiteral(" (set-all does not write it: %1)").arg(QString::fromLatin1(d.why));
    std::printf("[DIFF] %s\n", text.toUtf8().constData());
    std::fflush(stdout);
}

void BatchOutput::result(int code, const TOpOutcome &o)
{
    if (!json_)
        return;
    QJsonArray diffs;
    for (const Difference &d : differs_) {
        QJsonObject j{{"word", QString::fromLatin1(d.word)},
                      {"module", d.module ? QJsonValue(gbk::toDisplay(*d.module)) : QJsonValue()},
                      {"file", gbk::toDisplay(d.file)},
                      {"written", d.written}};
        if (!d.why.isEmpty())
            j.insert("why", QString::fromLatin1(d.why));
        diffs.append(j);
    }
    emitJson({{"event", "result"}, {"code", code}, {"outcome", outcomeName(code)}, {"refused", words(o.refused)},
              {"unread", words(o.unread)}, {"differs", diffs}});
}

QString BatchOutput::outcomeName(int code)
{
    switch (code) {
    case ExitOk:
        return QStringLiteral("done");
    case ExitUsage:
        return QStringLiteral("bad-argument");
    case ExitMissingFile:
        return QStringLiteral("file-unusable");
    case ExitPortFailed:
        return QStringLiteral("port-failed");
    case ExitTimeout:
        return QStringLiteral("no-answer");
    case ExitRefused:
        return QStringLiteral("refused");
    case ExitTransferFailed:
        return QStringLiteral("transfer-failed");
    case ExitDiffers:
        return QStringLiteral("differs");
    case ExitNoValues:
        return QStringLiteral("no-values");
    default:
        return QStringLiteral("failed");
    }
}
