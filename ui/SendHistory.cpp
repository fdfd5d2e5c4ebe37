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
        entries_ = readFile(file_);
        trim();
    }
    pos_ = entries_.size();
    box_->installEventFilter(this);
}

bool SendHistory::remember(const QString &text, QString *error)
{
    pos_ = entries_.size();
    draft_.clear();
    if (text.isEmpty() || encode({text}).size() > kMaxFileBytes)
        return true; // nothing to keep, or too large for the file
    entries_.removeAll(text);
    entries_.append(text);
    trim();
    pos_ = entries_.size();
    return file_.isEmpty() || WriteFileAtomically(file_, encode(entries_), error);
}

// The newest kMax entries, as many as fit in a file of kMaxFileBytes.
void SendHistory::trim()
{
    while (entries_.size() > kMax)
        entries_.removeFirst();
    qint64 bytes = 0;
    for (qsizetype i = entries_.size() - 1; i >= 0; --i) {
        bytes += encode({entries_.at(i)}).size();
        if (bytes > kMaxFileBytes) {
            entries_.remove(0, i + 1);
            break;
        }
    }
}

QStringList SendHistory::readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const qint64 size = f.size();
    if (size <= kMaxFileBytes)
        return decode(f.read(kMaxFileBytes));
    if (!f.seek(size - kMaxFileBytes))
        return {};
    QByteArray tail = f.read(kMaxFileBytes);
    // The first line is most likely cut: the entries begin after its end.
    const qsizetype nl = tail.indexOf('\n');
    return decode(nl < 0 ? QByteArray() : tail.mid(nl + 1));
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
