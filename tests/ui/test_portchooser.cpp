// The port field: typed paths, stable names, devices that come and go, reopening, --port.
#include "UiTestUtil.h"
#include "comm/SPComm.h"
#include "ui/PortBar.h"

#include "comm/PortList.h"
#include "comm/PortWatcher.h"
#include "config/IniFile.h"
#include "ui/PortChooser.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTest>
#include <QToolButton>

#include <gtest/gtest.h>

#include "tests/common/TestPty.h"

namespace {

// A window whose port list comes from an empty sysfs tree and a by-id folder the test fills.
struct WatchedWindow : WindowFixture {
    QTemporaryDir fake;
    QString byId;

    WatchedWindow() : WindowFixture(false)
    {
        byId = fake.filePath(QStringLiteral("by-id"));
        QDir(fake.path()).mkpath(QStringLiteral("sys"));
        QDir(fake.path()).mkpath(QStringLiteral("by-id"));
        w->portChooser()->setSources(fake.filePath(QStringLiteral("sys")), byId, {byId});
        w->portChooser()->watcher()->setSettleMs(20);
        w->FillPortList();
    }
    QStringList items() const
    {
        QStringList out;
        for (int i = 0; i < w->portBar()->cbbOpenCom->count(); ++i)
            out << w->portBar()->cbbOpenCom->itemText(i);
        return out;
    }
};

TEST(PortField, ADeviceNodeAppearsAndVanishesWithoutReopeningTheList)
{
    WatchedWindow f;
    TFrm_Main &w = *f.w;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    EXPECT_TRUE(f.items().isEmpty());
    w.portBar()->cbbOpenCom->setEditText(QStringLiteral("/dev/typed"));
    w.portBar()->cbbOpenCom->lineEdit()->setCursorPosition(4); // in the middle of typing

    const QString link = f.byId + QStringLiteral("/usb-Maker_Adapter_0001-if00-port0");
    ASSERT_TRUE(QFile::link(pty.slave(), link));
    ASSERT_TRUE(WaitFor([&] { return f.items() == QStringList {link}; }, 3000));
    EXPECT_EQ(w.portBar()->cbbOpenCom->itemData(0, Qt::ToolTipRole).toString(), pty.slave()) << "the device beside its name";
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), "/dev/typed") << "a refresh keeps what the field shows";
    EXPECT_EQ(w.portBar()->cbbOpenCom->lineEdit()->cursorPosition(), 4);

    w.portBar()->cbbOpenCom->setCurrentIndex(0);
    ASSERT_TRUE(QFile::remove(link));
    ASSERT_TRUE(WaitFor([&] { return f.items().isEmpty(); }, 3000));
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), link) << "the chosen name stays in the field";
}

TEST(PortField, TypedPathSurvivesTheListAndTheConfigurationFile)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    ASSERT_TRUE(w.portBar()->cbbOpenCom->isEditable());
    w.portBar()->cbbOpenCom->setEditText(QStringLiteral("/dev/serial/by-id/usb-Gone-if00"));
    w.cbbOpenComDropDown();
    w.cbbOpenComCloseUp();
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), "/dev/serial/by-id/usb-Gone-if00");
    EXPECT_FALSE(w.portChooser()->reopenBox()->isChecked()) << "reopening is off by default";
    w.portChooser()->reopenBox()->setChecked(true);

    f.reopen(false);
    EXPECT_EQ(f.w->portBar()->cbbOpenCom->currentText(), "/dev/serial/by-id/usb-Gone-if00");
    EXPECT_TRUE(f.w->portChooser()->reopenBox()->isChecked());
    f.close();
    TIniFile ini(f.iniPath());
    ASSERT_TRUE(ini.load());
    EXPECT_EQ(ini.ReadString("OpenUart", "AutoReopen", ""), "ON");
    EXPECT_EQ(ini.ReadString("OpenUart", "ComName", ""), "/dev/serial/by-id/usb-Gone-if00");
}

TEST(PortField, CommandLinePortAndBaudSelectTheRow)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    QString err;
    ASSERT_TRUE(SelectStartPort(*w.portBar(), *w.portChooser(), QStringLiteral("/dev/pts/42"), QStringLiteral("9600"), &err));
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), "/dev/pts/42");
    EXPECT_EQ(w.portBar()->cbbOpenBaud->currentText(), "9600");
    ASSERT_TRUE(SelectStartPort(*w.portBar(), *w.portChooser(), QString(), QStringLiteral("57600"), &err));
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), "/dev/pts/42") << "no --port keeps the port";
    EXPECT_EQ(w.portBar()->cbbOpenBaud->currentText(), "57600");

    ASSERT_TRUE(SelectStartPort(*w.portBar(), *w.portChooser(), QString(), QStringLiteral("12345"), &err));
    EXPECT_EQ(w.portBar()->cbbOpenBaud->currentText(), "12345") << "a rate the list lacks is typed in";
    for (const char *bad : {"fast", "0", "99999999"}) {
        EXPECT_FALSE(SelectStartPort(*w.portBar(), *w.portChooser(), QStringLiteral("/dev/pts/43"), QString::fromLatin1(bad), &err));
        EXPECT_TRUE(err.contains(QLatin1String(bad))) << err.toStdString();
        EXPECT_EQ(w.portBar()->cbbOpenBaud->currentText(), "12345");
    }

    // A port the list holds is selected as its item.
    RegisterExtraPort(QStringLiteral("/dev/pts/44"));
    ASSERT_TRUE(SelectStartPort(*w.portBar(), *w.portChooser(), QStringLiteral("/dev/pts/44"), QString(), &err));
    UnregisterExtraPort(QStringLiteral("/dev/pts/44"));
    EXPECT_GE(w.portBar()->cbbOpenCom->currentIndex(), 0);
    EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), "/dev/pts/44");
}

TEST(PortField, AnUnpluggedPortIsReopenedWhenItComesBackOnlyWithTheOption)
{
    WatchedWindow f;
    TFrm_Main &w = *f.w;
    const QString link = f.byId + QStringLiteral("/usb-Maker_Adapter_0002-if00-port0");
    auto first = std::make_unique<PtyPair>();
    ASSERT_TRUE(first->ok());
    ASSERT_TRUE(QFile::link(first->slave(), link));
    ASSERT_TRUE(WaitFor([&] { return f.items() == QStringList {link}; }, 3000));
    w.portBar()->cbbOpenCom->setCurrentIndex(0);
    w.portBar()->cbbOpenBaud->setCurrentText(QStringLiteral("9600"));
    w.portBar()->cbbOpenP->setCurrentIndex(2);

    for (const bool option : {false, true}) {
        w.portChooser()->reopenBox()->setChecked(option);
        w.portBar()->btnOpenClose->click();
        ASSERT_TRUE(w.ComOpened());
        // Unplug: the node goes and the line hangs up.
        ASSERT_TRUE(QFile::remove(link));
        first->closeMaster();
        ASSERT_TRUE(WaitFor([&] { return !w.ComOpened() && f.items().isEmpty(); }, 5000));
        EXPECT_EQ(LastLine(f.console()), LangTextU("info_ComHangup"));
        w.portBar()->cbbOpenBaud->setCurrentText(QStringLiteral("115200")); // changed while unplugged

        // Plug in again: the same name comes back on another node.
        first = std::make_unique<PtyPair>();
        ASSERT_TRUE(first->ok());
        ASSERT_TRUE(QFile::link(first->slave(), link));
        ASSERT_TRUE(WaitFor([&] { return f.items() == QStringList {link}; }, 3000));
        if (!option) {
            Pump(100);
            EXPECT_FALSE(w.ComOpened()) << "off: the port stays closed";
            EXPECT_EQ(LastLine(f.console()), LangTextU("info_ComHangup"));
            w.portBar()->cbbOpenBaud->setCurrentText(QStringLiteral("9600"));
            continue;
        }
        ASSERT_TRUE(WaitFor([&] { return w.ComOpened(); }, 3000));
        EXPECT_EQ(w.portBar()->btnOpenClose->property("Tag").toInt(), 2);
        EXPECT_EQ(w.portBar()->cbbOpenCom->currentText(), link);
        EXPECT_EQ(w.portBar()->cbbOpenBaud->currentText(), "9600") << "the settings the port had";
        EXPECT_EQ(w.portBar()->cbbOpenP->currentIndex(), 2);
        const QStringList lines = PaneLines(f.console());
        ASSERT_GE(lines.size(), 2);
        EXPECT_EQ(lines[lines.size() - 2], QStringLiteral("Serial device %1 is back; reopening it").arg(link));
        EXPECT_EQ(lines.last(), "Serial Open Success");
    }
    w.portBar()->btnOpenClose->click();
}

} // namespace

// A choice in the line settings of an open port reopens it with them at once, in one line; a
// typed baud rate counts too. What the program sets itself, or a choice that changes nothing,
// does not reopen.
TEST(PortReapply, AChoiceOnAnOpenPortTakesEffectAtOnce)
{
    WindowFixture f(false);
    TFrm_Main &w = *f.w;
    PtyPair pty;
    ASSERT_TRUE(pty.ok());
    ASSERT_TRUE(f.openOn(pty.slave())) << LastLine(f.console()).toStdString();
    QComboBox *baud = w.portBar()->cbbOpenBaud;
    const quint32 before = w.comm()->BaudRate();

    baud->setCurrentText("9600"); // the program's own change: nothing happens
    EXPECT_EQ(w.comm()->BaudRate(), before);

    const int lines = PaneLines(f.console()).size();
    emit baud->activated(baud->currentIndex()); // the user's choice
    EXPECT_TRUE(w.ComOpened());
    EXPECT_EQ(w.comm()->BaudRate(), 9600u);
    EXPECT_EQ(LastLine(f.console()), "Port settings changed: reopened at 9600 8 NONE 1 NONE");
    EXPECT_EQ(PaneLines(f.console()).size(), lines + 1);
    emit baud->activated(baud->currentIndex()); // the same again: no second reopen
    EXPECT_EQ(PaneLines(f.console()).size(), lines + 1);

    w.portBar()->cbbOpenP->setCurrentIndex(2);
    emit w.portBar()->cbbOpenP->activated(2);
    EXPECT_EQ(LastLine(f.console()), "Port settings changed: reopened at 9600 8 EVEN 1 NONE");

    baud->lineEdit()->setText("250000"); // typed, not in the list
    emit baud->lineEdit()->editingFinished();
    EXPECT_TRUE(w.ComOpened()) << LastLine(f.console()).toStdString();
    EXPECT_EQ(w.comm()->BaudRate(), 250000u);
    baud->lineEdit()->clear();
    QTest::keyClicks(baud->lineEdit(), "12ab"); // the field takes digits only
    EXPECT_EQ(baud->currentText(), "12");
    w.PortClose();
}
