// The protocol on the real window: answers fed to the dispatcher run the
// window's own form rules (Hex boxes, protocol lists, registration types).
#include "lang/AppLang.h"
#include "tests/common/TestPty.h"
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "ui/ConsolePanel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QProgressBar>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <memory>
#include <stdlib.h>
#include <unistd.h>

namespace {

QByteArray answer(const QByteArray &word, const QByteArray &value)
{
    return "\r\n+" + word + ":" + value + "\r\n\r\nOK\r\n";
}
const QByteArray kOk("\r\nOK\r\n\r\n");

// A window with its port open on a pty nobody answers; the test plays the module.
class WindowOnPty : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(pty.ok());
        pty.setNonBlocking();
        StartOptions o;
        o.configDir = dir.path();
        w = std::make_unique<TFrm_Main>(o);
        LangList->IsChinese = false;
        w->ApplyMainTexts();
        w->console()->setTap([this](LineKind k, const QByteArray &t) {
            if (k == LineKind::Send)
                sent.append(t);
        });
        w->portBar()->cbbOpenCom->addItem(pty.slave());
        w->portBar()->cbbOpenCom->setCurrentIndex(w->portBar()->cbbOpenCom->count() - 1);
        w->portBar()->cbbOpenBaud->setCurrentText("115200");
        w->btnSysClick(1);
        ASSERT_TRUE(w->ComOpened());
    }
    void TearDown() override
    {
        w->PortClose();
        w.reset();
    }
    void feed(const QByteArray &block) { w->protocol()->DispatchRcv(block); }
    // Answers every queued line with a plain OK until the queue is done.
    void acceptAll()
    {
        Protocol &p = *w->protocol();
        for (int guard = 0; guard < 200 && p.OrderIndex() < p.orders().count(); ++guard) {
            const int before = p.OrderIndex();
            feed(kOk);
            if (p.OrderIndex() == before)
                break;
        }
    }
    template <class T> T *find(const char *name) { return w->findChild<T *>(name); }

    QTemporaryDir dir;
    PtyPair pty;
    std::unique_ptr<TFrm_Main> w;
    QList<QByteArray> sent;
};

} // namespace

TEST_F(WindowOnPty, HeartbeatTextGoesOutAsHexAndAReportedValueComesBackAsHex)
{
    find<QLineEdit>("edtHeartDt")->setText("AB");
    ASSERT_FALSE(find<QCheckBox>("rzchckbxHeartDtHex")->isChecked());
    w->btnDoClick(11);
    feed(answer("VER", "V1.0.5"));
    acceptAll();
    EXPECT_TRUE(sent.contains("AT+HEARTDT=4142\r\n"));
    EXPECT_EQ(find<QLineEdit>("edtHeartDt")->text(), "AB"); // the form keeps the text

    // The module reports hexadecimal: the box is checked (converting the old
    // text), then the reported digits are shown; clearing the box decodes them.
    feed(answer("HEARTDT", "5859"));
    EXPECT_TRUE(find<QCheckBox>("rzchckbxHeartDtHex")->isChecked());
    EXPECT_EQ(find<QLineEdit>("edtHeartDt")->text(), "5859");
    find<QCheckBox>("rzchckbxHeartDtHex")->setChecked(false);
    EXPECT_EQ(find<QLineEdit>("edtHeartDt")->text(), "XY");
}

TEST_F(WindowOnPty, CloudRegistrationIsSentAndReadBack)
{
    find<QCheckBox>("rzchckbxRegEn")->setChecked(true);
    auto *tp = find<QComboBox>("cbbRegTp");
    tp->setCurrentIndex(3);
    w->form()->cbbRegTpChange();
    auto *dt = find<QComboBox>("cbbRegDt");
    dt->setEditText("D");
    find<QLineEdit>("edtCloudPa")->setText("P");
    w->btnDoClick(11);
    feed(answer("VER", "V1.0.5"));
    acceptAll();
    const qsizetype regtp = sent.indexOf("AT+REGTP=CLOUD\r\n");
    ASSERT_GE(regtp, 0);
    EXPECT_EQ(sent.value(regtp + 1), "AT+CLOUD=D,P\r\n");

    feed(answer("CLOUD", "12345678901234567890,00001234"));
    EXPECT_EQ(dt->itemText(3), "12345678901234567890");
    EXPECT_EQ(dt->currentText(), "12345678901234567890"); // slot 3 is the one shown
    EXPECT_EQ(find<QLineEdit>("edtCloudPa")->text(), "00001234");
    feed(answer("CLOUD", "only-one-field"));
    EXPECT_EQ(dt->itemText(3), "12345678901234567890"); // wrong field count: nothing changes
}

TEST_F(WindowOnPty, SocketAnswerRunsTheProtocolRuleOfItsConnection)
{
    auto *bsl = find<QComboBox>("cbbBSL");
    find<QCheckBox>("rzchckbxSktB")->setChecked(true);
    feed(answer("SOCKB", "UDP,udp.example.net,9000"));
    EXPECT_EQ(find<QComboBox>("cbbProtocolB")->currentText(), "UDP");
    EXPECT_EQ(find<QLineEdit>("edtAddrB")->text(), "udp.example.net");
    EXPECT_FALSE(bsl->isVisibleTo(w.get()));
    feed(answer("SOCKB", "tcp,tcp.example.net,9001"));
    EXPECT_TRUE(bsl->isVisibleTo(w.get()));
}

TEST_F(WindowOnPty, HardwareVersionAnswersRenameRegistrationTypeOne)
{
    auto *tp = find<QComboBox>("cbbRegTp");
    feed(answer("HDVER", "V1.2.3"));
    EXPECT_EQ(tp->itemText(1), "MEID code");
    EXPECT_EQ(w->form()->IdCmd(), TCmd::MEID);
    feed(answer("VER", "V1.0.5"));
    EXPECT_EQ(tp->itemText(1), "IMEI code");
    EXPECT_EQ(w->form()->IdCmd(), TCmd::IMEI);
}

TEST_F(WindowOnPty, TimeOutRepairOnTheWindowsTimer)
{
    w->btnDoClick(10);
    Protocol &p = *w->protocol();
    ASSERT_EQ(p.orders().count(), 1);
    EXPECT_TRUE(p.tmrRcv()->isActive());
    EXPECT_EQ(p.tmrRcv()->interval(), 5000);
    p.tmrRcvTimer();
    EXPECT_EQ(p.orders().count(), 3);
    EXPECT_EQ(sent.last(), "+++");
    EXPECT_TRUE(p.tmrRcv()->isActive()); // the repair's own 5 s
    feed("a");
    EXPECT_EQ(sent.last(), "a");
    feed("+ok\r\n");
    EXPECT_EQ(sent.last(), "AT+VER?\r\n");
    feed(answer("VER", "V1.0.5"));
    EXPECT_EQ(p.orders().count(), 3 + 49);
    EXPECT_EQ(sent.last(), "AT+E?\r\n");
    EXPECT_TRUE(w->consolePanel()->rzpbWhile->isVisibleTo(w.get())); // shown once the queue moves
    EXPECT_EQ(w->consolePanel()->rzpbWhile->maximum(), 3 + 49 - 1);
}
