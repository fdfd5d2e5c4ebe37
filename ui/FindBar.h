#pragma once
// A find bar over the console: next, previous, match case; every match in view
// is highlighted and the current one selected. Ctrl+F opens it, Escape closes it.
#include <QFrame>
#include <QTextDocument>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QTimer;
class QToolButton;

class FindBar : public QFrame {
public:
    // Placed at the top of the pane's parent layout; hidden until opened.
    explicit FindBar(QPlainTextEdit *pane);

    // Shows the bar over this pane (the console when null), the field focused.
    void open(QPlainTextEdit *target = nullptr);
    void close();

    // Moves the pane's selection to the next or previous match, wrapping round.
    bool findNext() { return step(false); }
    bool findPrevious() { return step(true); }

    // Matches in the whole pane, and the number of the selected one (0: none).
    int matchCount() const;
    int currentMatch() const;

    QPlainTextEdit *pane() const { return pane_; }
    void applyTexts();

    QLineEdit *edtFind = nullptr;
    QToolButton *btnFindPrev = nullptr, *btnFindNext = nullptr, *btnFindClose = nullptr;
    QCheckBox *chkFindCase = nullptr;
    QLabel *lblFindCount = nullptr;

private:
    bool step(bool backward);
    QTextDocument::FindFlags flags(bool backward) const;
    void refresh(); // highlights in view and the count
    void scheduleRefresh();

    QPlainTextEdit *console_;
    QPlainTextEdit *pane_;
    QTimer *refreshTimer_;
};
