#pragma once
// Helpers for the main-window tests: a window in its own configuration
// directory, console inspection, keys and waits that run the event loop.
#include "lang/AppLang.h"
#include "tests/common/TestWait.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"
#include "util/Gbk.h"

#include <QApplication>
#include <QColor>
#include <QComboBox>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QThread>
#include <QToolButton>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <ostream>

inline void PrintTo(const QString &s, std::ostream *os) { *os << '"' << s.toStdString() << '"'; }
inline void PrintTo(const QByteArray &b, std::ostream *os) { *os << '"' << b.toStdString() << '"'; }

inline QString U(const char *utf8) { return QString::fromUtf8(utf8); }

// Sets the desktop language that SystemIsChinese reads.
inline void SetSystemLanguage(bool chinese)
{
    const QByteArray v = chinese ? "zh_CN.UTF-8" : "en_US.UTF-8";
    qputenv("LC_ALL", v);
    qputenv("LC_MESSAGES", v);
    qputenv("LANG", v);
}

// Runs the event loop until cond holds or the deadline passes.
inline bool WaitFor(const std::function<bool()> &cond, int ms = 5000) { return WaitUntil(cond, ms); }

// Console lines of a pane, one per text block.
inline QStringList PaneLines(const QPlainTextEdit *pane)
{
    QStringList out;
    const QTextDocument *doc = pane->document();
    if (doc->isEmpty())
        return out;
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next())
        out << b.text();
    return out;
}

inline QString LastLine(const QPlainTextEdit *pane)
{
    const QStringList l = PaneLines(pane);
    return l.isEmpty() ? QString() : l.last();
}

// Colour of the text of a block (from its first fragment).
inline QColor LineColour(const QPlainTextEdit *pane, int blockIndex)
{
    const QTextBlock b = pane->document()->findBlockByNumber(blockIndex);
    for (auto it = b.begin(); !it.atEnd(); ++it)
        if (it.fragment().isValid())
            return it.fragment().charFormat().foreground().color();
    return QColor();
}

inline QColor LastLineColour(const QPlainTextEdit *pane)
{
    return LineColour(pane, pane->document()->blockCount() - 1);
}

// A key as the platform delivers it: press and release through the application,
// so that application-wide event filters see it first.
inline void SendKey(QWidget *target, int key, Qt::KeyboardModifiers mods = Qt::NoModifier, const QString &text = {})
{
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QApplication::sendEvent(target, &release);
    QCoreApplication::processEvents();
}

// A main window in a directory of its own.
struct WindowFixture {
    QTemporaryDir dir;
    std::unique_ptr<TFrm_Main> w;

    explicit WindowFixture(bool chinese, bool loadConfig = true) { open(chinese, loadConfig); }
    WindowFixture() = default;

    void open(bool chinese, bool loadConfig = true)
    {
        SetSystemLanguage(chinese);
        StartOptions o;
        o.configDir = dir.path();
        o.loadConfig = loadConfig;
        w = std::make_unique<TFrm_Main>(o);
    }
    // Closing saves the configuration, as the window's close does.
    void close() { w.reset(); }
    void reopen(bool chinese)
    {
        close();
        open(chinese);
    }
    QString iniPath() const { return dir.path() + QStringLiteral("/R52xCfg.ini"); }
    // Opens the port `path` with the port button, as a user who picked it would.
    bool openOn(const QString &path)
    {
        w->portBar()->cbbOpenCom->clear();
        w->portBar()->cbbOpenCom->addItem(path);
        w->portBar()->cbbOpenCom->setCurrentIndex(0);
        w->portBar()->btnOpenClose->click();
        return w->ComOpened();
    }

    template <class T> T *find(const char *name) const { return w->findChild<T *>(QString::fromLatin1(name)); }
    QPlainTextEdit *console() const { return w->consolePanel()->edtDialog; }
};

// A window shown and active, as keys and focus need it.
struct ShownWindow : WindowFixture {
    explicit ShownWindow(bool zh = false) : WindowFixture(zh) { show(); }
    void show()
    {
        w->show();
        QApplication::setActiveWindow(w.get());
        Pump();
    }
    void focus(QWidget *x)
    {
        x->setFocus(Qt::OtherFocusReason);
        Pump(10);
        ASSERT_EQ(QApplication::focusWidget(), x);
    }
};
