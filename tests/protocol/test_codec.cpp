// Parameter values to and from the form, Get All and Set All.
#include "FakeForm.h"
#include "lang/AppLang.h"

#include <gtest/gtest.h>

namespace {

// Lines queued after the version query, without their line ends.
std::vector<QByteArray> setAllLines(Rig &r)
{
    r.proto->orders().ClearOrders();
    r.proto->AddSetAllOrders();
    std::vector<QByteArray> out;
    for (QByteArray l : r.proto->orders().lines) {
        EXPECT_TRUE(l.endsWith("\r\n"));
        l.chop(2);
        out.push_back(l);
    }
    return out;
}

void onlySocketA(Rig &r)
{
    for (const char *n : {"rzchckbxSktB", "rzchckbxSktC", "rzchckbxSktD", "rzchckbxHeartEn",
                          "rzchckbxRegEn", "rzchckbxMore", "rzchckbxSOCKIND"})
        r.box(n)->setChecked(false);
    r.box("rzchckbxSktA")->setChecked(true);
    r.edt("edtAddrA")->setText("example.com");
    r.edt("edtPortA")->setText("2317");
    r.cbb("cbbASL")->setCurrentIndex(1);
    r.edt("edtSockATo")->setText("30");
    r.cbb("cbbBaud")->setCurrentText("115200");
    r.edt("edtUARTFT")->setText("50");
    r.edt("edtUARTFL")->setText("1024");
}

} // namespace

TEST(GetAll, CommandStateRunFillsTheForm)
{
    Rig r;
    r.values = {{"VER", "V1.0.3"}, {"E", "ON"}, {"WKMOD", "NET"}, {"CMDPW", "pw"}, {"ICCID", "8986"},
                {"IMEI", "8666"}, {"UART", "57600,8,1,even,RS485"}, {"APN", "cmnet,u,p"},
                {"SOCKA", "TCP,example.com,2317"}, {"SOCKB", "UDP,example.net,9000"},
                {"SOCKAEN", "ON"}, {"SOCKBEN", "OFF"}, {"SOCKASL", "LONG"}, {"REGTP", "CLOUD"},
                {"CLOUD", "00001,0002"}, {"HEARTDT", "4142"}, {"HEARTSND", "COM"}};
    r.proto->btnDoClick(10);
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    r.runModule();

    ASSERT_EQ(r.sent.size(), 50u);
    EXPECT_EQ(r.sent[7], QByteArray("AT+IMEI?\r\n"));
    EXPECT_EQ(r.sent[1], QByteArray("AT+E?\r\n"));
    EXPECT_EQ(r.sent[8], QByteArray("AT+UART?\r\n"));
    EXPECT_EQ(r.sent[38], QByteArray("AT+REGSND?\r\n"));
    EXPECT_EQ(r.sent[39], QByteArray("AT+CLOUD?\r\n"));
    EXPECT_EQ(r.sent[49], QByteArray("AT+HTPFLT?\r\n"));
    for (const char *never : {"DSTNUM", "SMSFLT", "SMSPH", "CSQ", "MEID", "HDVER"})
        for (const QByteArray &s : r.sent)
            EXPECT_FALSE(s.startsWith(QByteArray("AT+") + never + "?"));
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);
    EXPECT_FALSE(r.w<QProgressBar>("rzpbWhile")->isVisibleTo(&r.form));

    EXPECT_EQ(r.hooks.signs, std::vector<THdVerSign>{THdVerSign::Hd521});
    EXPECT_TRUE(r.box("rzchckbxE")->isChecked());
    EXPECT_EQ(r.edt("lbledtCmdPw")->text(), QString("pw"));
    EXPECT_EQ(r.edt("lbledtApn")->text(), QString("cmnet,u,p"));
    EXPECT_EQ(r.cbb("cbbBaud")->currentText(), QString("57600"));
    EXPECT_EQ(r.cbb("cbbP")->currentText(), QString("EVEN"));
    EXPECT_EQ(r.cbb("cbbFlow")->currentText(), QString("RS485"));
    EXPECT_EQ(r.edt("edtAddrB")->text(), QString("example.net"));
    EXPECT_EQ(r.cbb("cbbProtocolB")->currentIndex(), 1);
    EXPECT_EQ(r.cbb("cbbASL")->currentIndex(), 1);
    EXPECT_FALSE(r.box("rzchckbxSktB")->isChecked());
    // "X" answers (SOCKC, SOCKD) have the wrong field count and call no rule.
    EXPECT_EQ(r.hooks.protocolChanges, (std::vector<int>{1, 2}));
    EXPECT_EQ(r.regDtSlot(0), QByteArray("8986"));
    EXPECT_EQ(r.regDtSlot(1), QByteArray("8666"));
    EXPECT_EQ(r.regDtSlot(3), QByteArray("00001"));
    EXPECT_EQ(r.edt("edtCloudPa")->text(), QString("0002"));
    EXPECT_EQ(r.cbb("cbbRegTp")->currentIndex(), 3);
    EXPECT_EQ(r.cbb("cbbRegDt")->currentText(), QString("00001"));
    EXPECT_TRUE(r.box("rzchckbxHeartDtHex")->isChecked());
    EXPECT_EQ(r.edt("edtHeartDt")->text(), QString("4142"));
    EXPECT_EQ(r.cbb("cbbHeartSnd")->currentIndex(), 1);
    // An unmatched item answer leaves the list with no selection.
    EXPECT_EQ(r.cbb("cbbHTPTP")->currentIndex(), -1);
}

TEST(GetAll, AModuleInItsSmsModeIsAskedForTheSmsWordsSoSetAllWritesBackItsOwn)
{
    Rig r;
    r.edt("edtDSTNUM")->setText("10086"); // the form's default, not the module's
    r.box("rzchckbxSMSFLT")->setChecked(true);
    r.box("rzchckbxSMSPH")->setChecked(false);
    r.values = {{"VER", "V1.0.3"}, {"WKMOD", "SMS"}, {"DSTNUM", "13800138000"}, {"SMSFLT", "OFF"}, {"SMSPH", "ON"}};
    r.proto->btnDoClick(10);
    r.runModule();
    ASSERT_EQ(r.sent.size(), 53u);
    EXPECT_EQ(r.sent[50], QByteArray("AT+DSTNUM?\r\n"));
    EXPECT_EQ(r.sent[51], QByteArray("AT+SMSFLT?\r\n"));
    EXPECT_EQ(r.sent[52], QByteArray("AT+SMSPH?\r\n"));
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_DoOver")), 1);
    EXPECT_EQ(r.edt("edtDSTNUM")->text(), QString("13800138000"));
    // A stray mode answer after the Get All asks nothing more.
    const size_t before = r.sent.size();
    r.proto->DispatchRcv("\r\n+WKMOD:SMS\r\n\r\nOK\r\n");
    EXPECT_EQ(r.sent.size(), before);
    const std::vector<QByteArray> lines = setAllLines(r);
    for (const char *want : {"AT+WKMOD=SMS", "AT+DSTNUM=13800138000", "AT+SMSFLT=OFF", "AT+SMSPH=ON"})
        EXPECT_NE(std::find(lines.begin(), lines.end(), QByteArray(want)), lines.end()) << want;

    // A module in another mode is not asked for them.
    Rig net;
    net.values = {{"VER", "V1.0.3"}, {"WKMOD", "NET"}};
    net.proto->btnDoClick(10);
    net.runModule();
    EXPECT_EQ(net.sent.size(), 50u);
}

TEST(GetAll, DataStatePathRecoversThroughTheRepair)
{
    Rig r;
    r.proto->btnDoClick(10);
    r.proto->tmrRcvTimer(); // the module stayed silent
    EXPECT_EQ(r.lastSent(), QByteArray("+++"));
    EXPECT_TRUE(r.timer.isActive());
    r.proto->DispatchRcv("a");
    EXPECT_EQ(r.lastSent(), QByteArray("a"));
    EXPECT_TRUE(r.timer.isActive());
    r.proto->DispatchRcv("+ok\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+VER?\r\n"));
    r.proto->DispatchRcv("\r\n+VER:V1.0.0\r\n\r\nOK\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+E?\r\n"));
    EXPECT_EQ(r.proto->orders().count(), 3 + 49);
}

TEST(SetAll, NetworkWithOnlySocketA)
{
    Rig r;
    onlySocketA(r);
    r.proto->btnDoClick(11);
    r.proto->DispatchRcv("\r\n+VER:V1.0\r\n\r\nOK\r\n");
    EXPECT_EQ(r.lastSent(), QByteArray("AT+WKMOD=NET\r\n"));
    const std::vector<QByteArray> expected = {
        "AT+WKMOD=NET", "AT+SOCKAEN=ON", "AT+SOCKA=TCP,example.com,2317", "AT+SOCKASL=LONG",
        "AT+SOCKATO=30", "AT+SOCKBEN=OFF", "AT+SOCKCEN=OFF", "AT+SOCKDEN=OFF", "AT+HEARTEN=OFF",
        "AT+REGEN=OFF", "AT+SOCKIND=OFF", "AT+UART=115200,8,1,NONE,NFC",
        // The packing fields show in the serial group: written with the advanced box cleared.
        "AT+UARTFT=50", "AT+UARTFL=1024"};
    EXPECT_EQ(setAllLines(r), expected);
}

TEST(SetAll, NoLineForAKeywordListWithoutSelection)
{
    Rig r;
    onlySocketA(r);
    r.cbb("cbbASL")->setCurrentIndex(-1);
    const auto lines = setAllLines(r);
    EXPECT_EQ(lines.size(), 13u);
    EXPECT_EQ(lines[3], QByteArray("AT+SOCKATO=30"));
}

TEST(SetAll, HttpdSmsAndAdvanced)
{
    Rig r;
    r.w<QRadioButton>("rbHttpd")->setChecked(true);
    r.edt("edtHTPURL")->setText("/1.php[3F]");
    r.edt("edtHTPSVIP")->setText("example.com");
    r.edt("edtHTPSVPort")->setText("80");
    r.edt("edtHTPHD")->setText("Connection: close[0D][0A]");
    r.cbb("cbbBaud")->setCurrentText("9600");
    EXPECT_EQ(setAllLines(r),
              (std::vector<QByteArray>{"AT+WKMOD=HTTPD", "AT+HTPTP=GET", "AT+HTPURL=/1.php[3F]",
                                       "AT+HTPSV=example.com,80", "AT+HTPTO=",
                                       "AT+HTPHD=Connection: close[0D][0A]", "AT+HTPFLT=OFF",
                                       "AT+UART=9600,8,1,NONE,NFC", "AT+UARTFT=", "AT+UARTFL="}));

    r.proto->ApplyParam("WKMOD", "SMS");
    r.edt("edtDSTNUM")->setText("13800138000");
    r.box("rzchckbxSMSFLT")->setChecked(true);
    r.box("rzchckbxMore")->setChecked(true);
    r.box("rzchckbxE")->setChecked(true);
    r.edt("lbledtStMsg")->setText(QString::fromUtf8("你好"));
    EXPECT_EQ(setAllLines(r),
              (std::vector<QByteArray>{"AT+WKMOD=SMS", "AT+DSTNUM=13800138000", "AT+SMSFLT=ON",
                                       "AT+SMSPH=OFF", "AT+UART=9600,8,1,NONE,NFC", "AT+UARTFT=",
                                       "AT+UARTFL=", "AT+RFCEN=OFF", "AT+E=ON", "AT+CMDPW=",
                                       "AT+STMSG=\xC4\xE3\xBA\xC3", "AT+APN="}));

    r.proto->ApplyParam("WKMOD", "none of them");
    EXPECT_EQ(r.hooks.GetWorkMode(), 3);
    EXPECT_EQ(setAllLines(r).front(), QByteArray("AT+UART=9600,8,1,NONE,NFC"));
}

TEST(SetAll, HeartbeatDataHexByItsBox)
{
    Rig r;
    onlySocketA(r);
    r.box("rzchckbxHeartEn")->setChecked(true);
    r.edt("edtHeartTm")->setText("60");
    r.edt("edtHeartDt")->setText("AB");
    auto lines = setAllLines(r);
    const std::vector<QByteArray> heart = {"AT+HEARTEN=ON", "AT+HEARTTM=60", "AT+HEARTDT=4142",
                                           "AT+HEARTSND=NET"};
    EXPECT_EQ(std::vector<QByteArray>(lines.begin() + 8, lines.begin() + 12), heart);
    r.box("rzchckbxHeartDtHex")->setChecked(true);
    lines = setAllLines(r);
    EXPECT_EQ(lines[10], QByteArray("AT+HEARTDT=AB"));
}

TEST(SetAll, RegistrationByType)
{
    Rig r;
    onlySocketA(r);
    r.box("rzchckbxRegEn")->setChecked(true);
    auto regLines = [&](int type) {
        r.cbb("cbbRegTp")->setCurrentIndex(type);
        r.hooks.cbbRegTpChange();
        const auto all = setAllLines(r);
        std::vector<QByteArray> out;
        for (const QByteArray &l : all)
            if (l.startsWith("AT+REG") || l.startsWith("AT+CLOUD"))
                out.push_back(l);
        return out;
    };
    r.cbb("cbbRegTp")->setCurrentIndex(3);
    r.hooks.cbbRegTpChange();
    r.cbb("cbbRegDt")->setEditText("D");
    r.edt("edtCloudPa")->setText("P");
    auto cloud = setAllLines(r);
    std::vector<QByteArray> reg(cloud.begin() + 9, cloud.begin() + 13);
    EXPECT_EQ(reg, (std::vector<QByteArray>{"AT+REGEN=ON", "AT+REGSND=LINK", "AT+REGTP=CLOUD",
                                            "AT+CLOUD=D,P"}));

    // The module reports the same value back: slot 3 and the code field.
    r.proto->ApplyParam("CLOUD", "D,P");
    EXPECT_EQ(r.regDtSlot(3), QByteArray("D"));
    EXPECT_EQ(r.edt("edtCloudPa")->text(), QString("P"));

    r.hooks.idCmd = TCmd::IMEI;
    EXPECT_EQ(regLines(1)[2], QByteArray("AT+REGTP=IMEI"));
    r.hooks.idCmd = TCmd::MEID;
    EXPECT_EQ(regLines(1)[2], QByteArray("AT+REGTP=MEID"));
    r.proto->WriteRegDtSlot(2, "id7");
    EXPECT_EQ(regLines(2), (std::vector<QByteArray>{"AT+REGEN=ON", "AT+REGSND=LINK", "AT+REGTP=D2DID",
                                                    "AT+REGID=id7"}));
    r.proto->WriteRegDtSlot(4, "AB");
    EXPECT_EQ(regLines(4).back(), QByteArray("AT+REGDT=4142"));
    r.box("rzchckbxRegDtHex")->setChecked(true);
    EXPECT_EQ(regLines(4).back(), QByteArray("AT+REGDT=AB"));
    r.cbb("cbbRegSnd")->setCurrentIndex(-1);
    r.cbb("cbbRegTp")->setCurrentIndex(-1);
    EXPECT_EQ(regLines(-1), (std::vector<QByteArray>{"AT+REGEN=ON"}));
}

TEST(ApplyParamTest, OnOffBoxes)
{
    Rig r;
    QCheckBox *e = r.box("rzchckbxE");
    r.proto->ApplyParam("E", "ON");
    EXPECT_TRUE(e->isChecked());
    const int before = r.toggles["rzchckbxE"];
    r.proto->ApplyParam("E", "on"); // not a value: left as it was, handler still runs
    EXPECT_TRUE(e->isChecked());
    EXPECT_GE(r.toggles["rzchckbxE"], before + 2);
    r.proto->ApplyParam("e", "OFF"); // names are found whatever their case
    EXPECT_FALSE(e->isChecked());
    r.proto->ApplyParam("SOCKDEN", "ON");
    EXPECT_TRUE(r.box("rzchckbxSktD")->isChecked());
    r.proto->ApplyParam("SMSPH", "ON");
    EXPECT_TRUE(r.box("rzchckbxSMSPH")->isChecked());
    r.proto->ApplyParam("NOSUCH", "ON");
}

TEST(ApplyParamTest, SplitValuesNeedTheirFieldCount)
{
    Rig r;
    r.cbb("cbbBaud")->setCurrentText("9600");
    r.proto->ApplyParam("UART", "115200,8,1,NONE");
    EXPECT_EQ(r.cbb("cbbBaud")->currentText(), QString("9600"));
    r.proto->ApplyParam("UART", "115200,7,2,odd,nfc");
    EXPECT_EQ(r.cbb("cbbBaud")->currentText(), QString("115200"));
    EXPECT_EQ(r.cbb("cbbD")->currentText(), QString("7"));
    EXPECT_EQ(r.cbb("cbbS")->currentText(), QString("2"));
    EXPECT_EQ(r.cbb("cbbP")->currentText(), QString("ODD"));
    EXPECT_EQ(r.cbb("cbbFlow")->currentText(), QString("NFC"));

    r.proto->ApplyParam("SOCKB", "UDP,example.com");
    EXPECT_TRUE(r.hooks.protocolChanges.empty());
    r.proto->ApplyParam("SOCKB", "UDP,example.com,7");
    EXPECT_EQ(r.hooks.protocolChanges, std::vector<int>{2});
    EXPECT_EQ(r.edt("edtPortB")->text(), QString("7"));
    r.proto->ApplyParam("SOCKD", "TCP,example.org,8");
    EXPECT_EQ(r.hooks.protocolChanges, (std::vector<int>{2, 4}));
    EXPECT_EQ(r.edt("edtAddrD")->text(), QString("example.org"));

    r.proto->ApplyParam("HTPSV", "example.com,80");
    EXPECT_EQ(r.edt("edtHTPSVPort")->text(), QString("80"));
    r.proto->ApplyParam("HTPSV", "example.com 80 9");
    EXPECT_EQ(r.edt("edtHTPSVIP")->text(), QString("example.com"));
    r.proto->ApplyParam("CLOUD", "a,b,c");
    EXPECT_TRUE(r.edt("edtCloudPa")->text().isEmpty());
}

TEST(ApplyParamTest, KeywordListsAndSlots)
{
    Rig r;
    r.cbb("cbbBSL")->setCurrentIndex(1);
    r.proto->ApplyParam("SOCKBSL", "short"); // keywords compare with their case
    EXPECT_EQ(r.cbb("cbbBSL")->currentIndex(), 1);
    r.proto->ApplyParam("SOCKBSL", "SHORT");
    EXPECT_EQ(r.cbb("cbbBSL")->currentIndex(), 0);
    r.proto->ApplyParam("REGSND", "DATA");
    EXPECT_EQ(r.cbb("cbbRegSnd")->currentIndex(), 1);

    r.proto->ApplyParam("REGTP", "IMEI");
    EXPECT_EQ(r.cbb("cbbRegTp")->currentIndex(), 1);
    r.proto->ApplyParam("REGTP", "BOGUS"); // selection stays, the rule still runs
    EXPECT_EQ(r.cbb("cbbRegTp")->currentIndex(), 1);
    EXPECT_EQ(r.hooks.regTpChanges, 2);

    // Writing a slot keeps the selection; the selected slot shows its new text.
    QComboBox *dt = r.cbb("cbbRegDt");
    r.proto->ApplyParam("MEID", "A1000");
    EXPECT_EQ(dt->currentIndex(), 1);
    EXPECT_EQ(dt->currentText(), QString("A1000"));
    r.proto->ApplyParam("REGID", "rid");
    EXPECT_EQ(dt->currentIndex(), 1);
    EXPECT_EQ(dt->currentText(), QString("A1000"));
    EXPECT_EQ(r.regDtSlot(2), QByteArray("rid"));

    r.proto->ApplyParam("REGDT", "4142");
    EXPECT_TRUE(r.box("rzchckbxRegDtHex")->isChecked());
    EXPECT_EQ(r.regDtSlot(4), QByteArray("4142"));
    EXPECT_EQ(dt->currentIndex(), 1);
}

TEST(ApplyParamTest, VersionsAndRestart)
{
    EXPECT_EQ(Protocol::VerClass("V1.2.3"), THdVerSign::Hd510);
    EXPECT_EQ(Protocol::VerClass("V2.0.0"), THdVerSign::Hd511);
    EXPECT_EQ(Protocol::VerClass("V0.9.9"), THdVerSign::HdUnknown);
    EXPECT_EQ(Protocol::VerClass("V3.0.0"), THdVerSign::HdUnknown);
    EXPECT_EQ(Protocol::VerClass("v1.x"), THdVerSign::HdUnknown);
    EXPECT_EQ(Protocol::VerClass(""), THdVerSign::HdUnknown);

    Rig r;
    r.proto->ApplyParam("HDVER", "V1.2.3");
    EXPECT_EQ(r.hooks.idCmd, TCmd::MEID);
    r.proto->ApplyParam("HDVER", "V2.0.0");
    r.proto->ApplyParam("HDVER", "V0.9.9");
    EXPECT_EQ(r.hooks.signs, (std::vector<THdVerSign>{THdVerSign::Hd510, THdVerSign::Hd511,
                                                      THdVerSign::HdUnknown}));
    EXPECT_EQ(r.proto->orders().count(), 0); // no bulk operation waits
    r.proto->ApplyParam("Z", "");
    EXPECT_EQ(r.console.count(LineKind::Info, LangText("info_Restarting")), 1);
    r.proto->ApplyParam("CSQ", "20,99");
    EXPECT_EQ(r.console.lines.size(), 1u);
}

TEST(ApplyParamTest, FormWithoutControlsIsLeftAlone)
{
    QWidget empty;
    FakeHooks hooks;
    hooks.form = &empty;
    FakeConsole console;
    std::vector<QByteArray> sent;
    Protocol p(&empty, hooks, console, nullptr, [&](const QByteArray &b) { sent.push_back(b); return true; },
               [] { return true; });
    for (int n = 0; n < kCmdCount; ++n)
        for (const char *v : {"ON", "OFF", "a,b,c", "1,2,3,4,5", "a,b", ""})
            p.ApplyParam(CmdToStr(*CmdFromNumber(n)), v);
    p.AddSetAllOrders();
    EXPECT_EQ(p.orders().lines.mid(p.orders().count() - 3),
              (QList<QByteArray>{"AT+UART=,,,,\r\n", "AT+UARTFT=\r\n", "AT+UARTFL=\r\n"}));
    p.actSendExecute();
    p.btnDoClick(11);
    EXPECT_EQ(sent.back(), QByteArray("AT+VER?\r\n"));
    EXPECT_TRUE(p.tmrRcv()->isActive());
}
