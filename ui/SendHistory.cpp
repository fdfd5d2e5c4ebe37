#include "ui/SendHistory.h"

#include "util/FileIo.h"
#include "util/Gbk.h"

#include <QFile>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTextBlock>
#include <QTextLayout>

namespace {

// The cursor's visual line is the box's first (or last) one.
bool onEdgeLine(const QPlainTextEdit *box, bool first)
{
    const QTextCursor c = box->textCursor();
    const QTextBlock b = c.block();
    if (first ? b != box->document()->firstBlock() : b != box->document()->lastBlock())
        return false;
    const QTextLayout *l = b.layout();
    if (!l || l->lineCount() <= 1)
        return true;
    const int line = l->lineForTextPosition(c.positionInBlock()).lineNumber();
    return first ? line <= 0 : line >= l->lineCount() - 1;
}

} // namespace

SendHistory::SendHistory(QPlainTextEdit *box, const QString &file, QObject *parent)
    : QObject(parent), box_(box), file_(file)
{
    if (!file_.isEmpty()) {
        QFile f(file_);
        if (f.open(QIODevice::ReadOnly))
            entries_ = decode(f.readAll());
        while (entries_.size() > kMax)
            entries_.removeFirst();
    }
    pos_ = entries_.size();
    box_->installEventFilter(this);
}

bool SendHistory::remember(const QString &text, QString *error)
{
    pos_ = entries_.size();
    draft_.clear();
    if (text.isEmpty())
        return true;
    entries_.removeAll(text);
    entries_.append(text);
    while (entries_.size() > kMax)
        entries_.removeFirst();
    pos_ = entries_.size();
    return file_.isEmpty() || WriteFileAtomically(file_, encode(entries_), error);
}

void SendHistory::show(const QString &text)
{
    box_->setPlainText(text);
    QTextCursor c = box_->textCursor();
    c.movePosition(QTextCursor::End);
    box_->setTextCursor(c);
}

bool SendHistory::back()
{
    if (pos_ <= 0)
        return false;
    if (pos_ == entries_.size())
        draft_ = box_->toPlainText();
    show(entries_.at(--pos_));
    return true;
}

bool SendHistory::forward()
{
    if (pos_ >= entries_.size())
        return false;
    ++pos_;
    show(pos_ == entries_.size() ? draft_ : entries_.at(pos_));
    return true;
}

bool SendHistory::eventFilter(QObject *o, QEvent *e)
{
    if (o == box_ && e->type() == QEvent::KeyPress) {
        const auto *k = static_cast<QKeyEvent *>(e);
        if ((k->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
            if (k->key() == Qt::Key_Up && onEdgeLine(box_, true) && back())
                return true;
            if (k->key() == Qt::Key_Down && onEdgeLine(box_, false) && forward())
                return true;
        }
    }
    return QObject::eventFilter(o, e);
}

// One entry a line, GBK like the program's other files; backslash, CR and LF
// inside an entry are written as \\, \r and \n.
QByteArray SendHistory::encode(const QStringList &entries)
{
    QByteArray out;
    for (const QString &s : entries) {
        QByteArray b = gbk::fromUnicode(s);
        b.replace('\\', "\\\\").replace('\r', "\\r").replace('\n', "\\n");
        out += b + "\r\n";
    }
    return out;
}

QStringList SendHistory::decode(const QByteArray &bytes)
{
    QStringList out;
    for (QByteArray line : bytes.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        QByteArray b;
        b.reserve(line.size());
        for (qsizetype i = 0; i < line.size(); ++i) {
            const char c = line.at(i);
            if (c == '\\' && i + 1 < line.size()) {
                const char n = line.at(++i);
                b += n == 'r' ? '\r' : n == 'n' ? '\n' : n;
            } else {
                b += c;
            }
        }
        out << gbk::toUnicode(b);
    }
    return out;
}
