#include "ui/Console.h"

#include "ui/ConsoleColours.h"
#include "ui/SessionLog.h"
#include "util/Gbk.h"
#include "util/ProFun.h"

#include <QApplication>
#include <QDateTime>
#include <QPalette>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

ConsoleView::ConsoleView(QPlainTextEdit *dialog, QPlainTextEdit *hex) : m_dialog(dialog), m_hex(hex) {}

QColor ConsoleView::colourOf(LineKind kind, const QPalette &palette)
{
    QColor wanted;
    switch (kind) {
    case LineKind::Rcv:
        wanted = QColor(0, 128, 0);
        break;
    case LineKind::Send:
        wanted = QColor(0, 0, 255);
        break;
    case LineKind::Err:
        wanted = QColor(255, 0, 0);
        break;
    case LineKind::RcvErr: // the module's warning, apart from the program's red
        wanted = QColor(192, 80, 0);
        break;
    case LineKind::Info:
        wanted = palette.color(QPalette::WindowText);
        break;
    }
    return LegibleOn(wanted, palette.color(QPalette::Base));
}

QColor ConsoleView::colourOf(LineKind kind) { return colourOf(kind, QApplication::palette()); }

QColor ConsoleView::paneColour(LineKind kind)
{
    const QPalette &pal = m_dialog ? m_dialog->palette() : QApplication::palette();
    const QRgb base = pal.color(QPalette::Base).rgba(), text = pal.color(QPalette::WindowText).rgba();
    if (!m_cacheValid || base != m_cacheBase || text != m_cacheText) {
        for (LineKind k : {LineKind::Rcv, LineKind::Send, LineKind::Info, LineKind::Err, LineKind::RcvErr})
            m_cache[int(k)] = colourOf(k, pal);
        m_cacheBase = base;
        m_cacheText = text;
        m_cacheValid = true;
    }
    return m_cache[int(kind)];
}

void ConsoleView::showLine(LineKind kind, const QByteArray &text)
{
    if (m_tap)
        m_tap(kind, text);
    m_kind = kind;
    ShowLine(text, paneColour(kind));
    m_kind = LineKind::Info;
}

void ConsoleView::showReceived(LineKind kind, const QByteArray &block)
{
    const QByteArray text = m_received.take(block);
    if (m_received.holding()) {
        m_heldKind = kind;
        if (!m_holdTimer) {
            m_holdTimer = std::make_unique<QTimer>();
            m_holdTimer->setSingleShot(true);
            m_holdTimer->callOnTimeout([this] { flushReceived(); });
        }
        m_holdTimer->start(kHoldMs);
    } else if (m_holdTimer) {
        m_holdTimer->stop();
    }
    if (m_tap && !text.isEmpty())
        m_tap(kind, text);
    m_kind = kind;
    m_colour = paneColour(kind);
    m_hexBytes = &block; // the hex pane shows the block's own bytes
    if (!text.isEmpty()) {
        AddDialogLine(text);
    } else if (m_hexOn && m_hex) {
        appendTo(m_hex, QString::fromLatin1(StrToHexStr(block, " ")), m_colour);
    }
    m_hexBytes = nullptr;
    m_kind = LineKind::Info;
}

// Nothing followed the cut character: its byte shows alone (spelled), never lost.
void ConsoleView::flushReceived()
{
    const QByteArray held = m_received.flush();
    if (held.isEmpty())
        return;
    if (m_tap)
        m_tap(m_heldKind, held);
    const bool hexOn = m_hexOn;
    m_hexOn = false; // the hex pane showed the byte with its block
    m_kind = m_heldKind;
    m_colour = paneColour(m_heldKind);
    AddDialogLine(held);
    m_kind = LineKind::Info;
    m_hexOn = hexOn;
}

void ConsoleView::ShowLine(const QByteArray &text, const QColor &colour)
{
    m_colour = colour;
    AddDialogLine(text);
}

namespace {
// An empty first line leaves the document "empty"; its block carries this mark
// so that the line still counts and the next one goes below it.
constexpr int kHoldsLine = 1;

bool holdsNoLine(const QTextDocument *doc) { return doc->isEmpty() && doc->firstBlock().userState() != kHoldsLine; }
} // namespace

int ConsoleView::lineCount(const QPlainTextEdit *pane)
{
    const QTextDocument *doc = pane->document();
    return holdsNoLine(doc) ? 0 : doc->blockCount();
}

// Received bytes may hold zero bytes, lone CRs and invalid GBK; none of them
// may cut the line or vanish.
QString ConsoleView::displayText(const QByteArray &bytes)
{
    QString s = gbk::toDisplay(bytes);
    s.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    s.replace(QChar('\r'), QChar('\n'));
    // The line itself ends the text; its own closing line breaks would only add blank lines.
    while (s.endsWith(QChar('\n')))
        s.chop(1);
    for (QChar &c : s) {
        const char16_t u = c.unicode();
        if (u == 0)
            c = QChar(0x00B7);
        else if (u < 0x20 && u != '\n' && u != '\t')
            c = QChar(0x00B7);
    }
    return s;
}

void ConsoleView::appendTo(QPlainTextEdit *pane, const QString &text, const QColor &colour) const
{
    QTextCharFormat fmt;
    fmt.setForeground(colour);
    QTextCursor cur(pane->document());
    cur.movePosition(QTextCursor::End);
    cur.beginEditBlock();
    if (!holdsNoLine(pane->document()))
        cur.insertBlock();
    cur.insertText(text, fmt);
    cur.block().setUserState(kHoldsLine);
    cur.endEditBlock();
    // A block of many lines jumps past the limit: test for reaching or passing it.
    if (lineCount(pane) >= m_maxLines || pane->document()->characterCount() >= m_maxChars)
        pane->clear();
    // Follow the newest line: once per burst, before the pane is next painted.
    // Scrolling after every line costs more than inserting it.
    static const char *const kPending = "dtuScrollPending";
    if (!pane->property(kPending).toBool()) {
        pane->setProperty(kPending, true);
        QMetaObject::invokeMethod(
            pane,
            [pane] {
                pane->setProperty(kPending, false);
                pane->verticalScrollBar()->setValue(pane->verticalScrollBar()->maximum());
            },
            Qt::QueuedConnection);
    }
}

void ConsoleView::AddDialogLine(const QByteArray &text)
{
    try {
        const QString shown = displayText(text);
        QString stamp;
        if (m_timestamps)
            stamp = QTime::currentTime().toString(QStringLiteral("hh:mm:ss.zzz "));
        if (m_dialog) {
            if (stamp.isEmpty()) {
                appendTo(m_dialog, shown, m_colour);
            } else {
                // Each line of a block that holds line breaks gets the block's time.
                QString stamped = stamp + shown;
                stamped.replace(QLatin1Char('\n'), QLatin1Char('\n') + stamp);
                appendTo(m_dialog, stamped, m_colour);
            }
        }
        if (m_log && m_log->active())
            m_log->write(m_kind, QDateTime::currentDateTime(), shown);
        if (m_hexOn && m_hex)
            appendTo(m_hex, stamp + QString::fromLatin1(StrToHexStr(m_hexBytes ? *m_hexBytes : text, " ")), m_colour);
    } catch (...) {
        // A line that cannot be shown is dropped; the caller never sees it.
    }
}
