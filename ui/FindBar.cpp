#include "ui/FindBar.h"

#include "lang/AppLang.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QShortcut>
#include <QTextBlock>
#include <QTimer>
#include <QToolButton>

namespace {

// Occurrences of needle in text, each match starting after the previous one ends.
int countIn(const QString &text, const QString &needle, Qt::CaseSensitivity cs)
{
    int n = 0;
    for (qsizetype i = text.indexOf(needle, 0, cs); i >= 0; i = text.indexOf(needle, i + needle.size(), cs))
        ++n;
    return n;
}

} // namespace

FindBar::FindBar(QPlainTextEdit *pane) : QFrame(pane->parentWidget()), console_(pane), pane_(pane)
{
    setObjectName("FindBar");
    setFrameShape(QFrame::StyledPanel);
    auto *h = new QHBoxLayout(this);
    h->setContentsMargins(4, 2, 4, 2);
    h->setSpacing(4);
    edtFind = new QLineEdit(this);
    edtFind->setObjectName("edtFind");
    edtFind->setClearButtonEnabled(true);
    btnFindPrev = new QToolButton(this);
    btnFindPrev->setObjectName("btnFindPrev");
    btnFindNext = new QToolButton(this);
    btnFindNext->setObjectName("btnFindNext");
    chkFindCase = new QCheckBox(this);
    chkFindCase->setObjectName("chkFindCase");
    lblFindCount = new QLabel(this);
    lblFindCount->setObjectName("lblFindCount");
    lblFindCount->setMinimumWidth(90);
    btnFindClose = new QToolButton(this);
    btnFindClose->setObjectName("btnFindClose");
    btnFindClose->setText(QStringLiteral("\u2715"));
    btnFindClose->setAutoRaise(true);
    h->addWidget(edtFind, 1);
    h->addWidget(btnFindPrev);
    h->addWidget(btnFindNext);
    h->addWidget(chkFindCase);
    h->addWidget(lblFindCount);
    h->addWidget(btnFindClose);

    refreshTimer_ = new QTimer(this);
    refreshTimer_->setSingleShot(true);
    refreshTimer_->setInterval(100);
    connect(refreshTimer_, &QTimer::timeout, this, [this] { refresh(); });

    connect(btnFindNext, &QToolButton::clicked, this, [this] { findNext(); });
    connect(btnFindPrev, &QToolButton::clicked, this, [this] { findPrevious(); });
    connect(btnFindClose, &QToolButton::clicked, this, [this] { close(); });
    connect(edtFind, &QLineEdit::returnPressed, this, [this] { findNext(); });
    connect(chkFindCase, &QCheckBox::toggled, this, [this] { refresh(); });
    // Typing searches on from where the current match starts.
    connect(edtFind, &QLineEdit::textEdited, this, [this] {
        QTextCursor c = pane_->textCursor();
        c.setPosition(c.selectionStart());
        pane_->setTextCursor(c);
        if (!edtFind->text().isEmpty())
            findNext();
        refresh();
    });
    auto *shiftEnter = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_Return), edtFind, nullptr, nullptr, Qt::WidgetShortcut);
    connect(shiftEnter, &QShortcut::activated, this, [this] { findPrevious(); });
    auto *esc = new QShortcut(QKeySequence(Qt::Key_Escape), this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(esc, &QShortcut::activated, this, [this] { close(); });
    for (QPlainTextEdit *p : {console_}) {
        auto *paneEsc = new QShortcut(QKeySequence(Qt::Key_Escape), p, nullptr, nullptr, Qt::WidgetShortcut);
        connect(paneEsc, &QShortcut::activated, this, [this] {
            if (isVisible())
                close();
        });
    }

    if (auto *box = qobject_cast<QBoxLayout *>(pane->parentWidget()->layout()))
        box->insertWidget(0, this);
    hide();
}

void FindBar::applyTexts()
{
    edtFind->setPlaceholderText(LangTextU("lang_mniFind").remove(QStringLiteral("...")));
    btnFindPrev->setText(LangTextU("lang_FindPrev"));
    btnFindNext->setText(LangTextU("lang_FindNext"));
    chkFindCase->setText(LangTextU("lang_FindCase"));
    btnFindClose->setToolTip(LangTextU("hint_FindClose"));
    refresh();
}

void FindBar::open(QPlainTextEdit *target)
{
    QPlainTextEdit *next = target ? target : console_;
    if (next != pane_) {
        pane_->setExtraSelections({});
        disconnect(pane_, nullptr, this, nullptr);
        disconnect(pane_->verticalScrollBar(), nullptr, this, nullptr);
        pane_ = next;
    }
    // The view follows new lines and scrolling; the count follows new lines.
    connect(pane_, &QPlainTextEdit::textChanged, this, &FindBar::scheduleRefresh, Qt::UniqueConnection);
    connect(pane_->verticalScrollBar(), &QScrollBar::valueChanged, this, &FindBar::scheduleRefresh,
            Qt::UniqueConnection);
    show();
    edtFind->setFocus(Qt::ShortcutFocusReason);
    edtFind->selectAll();
    refresh();
}

void FindBar::close()
{
    refreshTimer_->stop();
    disconnect(pane_, nullptr, this, nullptr);
    disconnect(pane_->verticalScrollBar(), nullptr, this, nullptr);
    pane_->setExtraSelections({});
    hide();
    pane_->setFocus(Qt::OtherFocusReason);
}

QTextDocument::FindFlags FindBar::flags(bool backward) const
{
    QTextDocument::FindFlags f;
    if (backward)
        f |= QTextDocument::FindBackward;
    if (chkFindCase->isChecked())
        f |= QTextDocument::FindCaseSensitively;
    return f;
}

bool FindBar::step(bool backward)
{
    const QString needle = edtFind->text();
    if (needle.isEmpty())
        return false;
    bool found = pane_->find(needle, flags(backward));
    if (!found) {
        // Round the end, keeping the old selection if there is no match at all.
        const QTextCursor old = pane_->textCursor();
        QTextCursor c(pane_->document());
        c.movePosition(backward ? QTextCursor::End : QTextCursor::Start);
        pane_->setTextCursor(c);
        found = pane_->find(needle, flags(backward));
        if (!found)
            pane_->setTextCursor(old);
    }
    refresh();
    return found;
}

int FindBar::matchCount() const
{
    const QString needle = edtFind->text();
    if (needle.isEmpty())
        return 0;
    const Qt::CaseSensitivity cs = chkFindCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    int n = 0;
    for (QTextBlock b = pane_->document()->begin(); b.isValid(); b = b.next())
        n += countIn(b.text(), needle, cs);
    return n;
}

int FindBar::currentMatch() const
{
    const QString needle = edtFind->text();
    const QTextCursor sel = pane_->textCursor();
    const Qt::CaseSensitivity cs = chkFindCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
    if (needle.isEmpty() || !sel.hasSelection() || sel.selectedText().compare(needle, cs) != 0)
        return 0;
    const QTextBlock current = pane_->document()->findBlock(sel.selectionStart());
    int n = 0;
    for (QTextBlock b = pane_->document()->begin(); b.isValid() && b != current; b = b.next())
        n += countIn(b.text(), needle, cs);
    const int inBlock = sel.selectionStart() - current.position();
    return n + countIn(current.text().left(inBlock), needle, cs) + 1;
}

void FindBar::scheduleRefresh()
{
    if (isVisible() && !refreshTimer_->isActive())
        refreshTimer_->start();
}

void FindBar::refresh()
{
    if (!isVisible())
        return;
    const QString needle = edtFind->text();
    // Only the lines in view: a full pane may hold far more matches than are worth painting.
    QList<QTextEdit::ExtraSelection> marks;
    if (!needle.isEmpty()) {
        QTextCharFormat fmt;
        fmt.setBackground(QColor(255, 230, 0));
        fmt.setForeground(Qt::black);
        const QRect vp = pane_->viewport()->rect();
        const QTextBlock first = pane_->cursorForPosition(vp.topLeft()).block();
        const QTextBlock last = pane_->cursorForPosition(vp.bottomRight()).block();
        const Qt::CaseSensitivity cs = chkFindCase->isChecked() ? Qt::CaseSensitive : Qt::CaseInsensitive;
        for (QTextBlock b = first; b.isValid(); b = b.next()) {
            const QString t = b.text();
            for (qsizetype i = t.indexOf(needle, 0, cs); i >= 0; i = t.indexOf(needle, i + needle.size(), cs)) {
                QTextEdit::ExtraSelection s;
                s.cursor = QTextCursor(pane_->document());
                s.cursor.setPosition(b.position() + int(i));
                s.cursor.setPosition(b.position() + int(i + needle.size()), QTextCursor::KeepAnchor);
                s.format = fmt;
                marks << s;
            }
            if (b == last)
                break;
        }
    }
    pane_->setExtraSelections(marks);
    const int total = matchCount();
    if (needle.isEmpty())
        lblFindCount->clear();
    else if (total == 0)
        lblFindCount->setText(LangTextU("lang_FindNone"));
    else
        lblFindCount->setText(QStringLiteral("%1/%2").arg(currentMatch()).arg(total));
}
