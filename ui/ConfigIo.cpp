#include "ui/ConfigIo.h"

#include "config/IniFile.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "util/Gbk.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QWidget>

namespace {

const QByteArray kSockLetters = "ABCD";

QByteArray word(const char *prefix, int i, const char *suffix)
{
    return QByteArray(prefix) + kSockLetters[i] + suffix;
}

QByteArray comboText(const QComboBox *c) { return c ? gbk::fromUnicode(c->currentText()) : QByteArray(); }

template <class T> T *child(QWidget *form, const char *name)
{
    return form->findChild<T *>(QString::fromLatin1(name));
}

// Registration types have words of their own in the file.
int regTypeOfWord(const QByteArray &w)
{
    if (w == "ICCID")
        return 0;
    if (w == "MEID" || w == "IMEI")
        return 1;
    if (w == "REGID" || w == "D2DID")
        return 2;
    if (w == "CLOUD")
        return 3;
    if (w == "REGDT" || w == "USER")
        return 4;
    return -1;
}

const char *const kRegTypeWords[] = {"ICCID", "MEID", "REGID", "CLOUD", "REGDT"};

// A list of two choices saved as its keyword; nothing is written with no item selected.
void writeChoice(const char *section, const QByteArray &key, const QComboBox *c, const char *first, const char *second)
{
    if (c && (c->currentIndex() == 0 || c->currentIndex() == 1))
        WriteIniStr(section, key, c->currentIndex() == 0 ? first : second);
}

} // namespace

QString ConfigFilePath(const QString &dir) { return dir + QLatin1Char('/') + QLatin1String(kConfigFileName); }

QList<IniKey> IniKeysOf(const QByteArray &word)
{
    if (word == "CLOUD")
        return {{"Reg", "CLOUDID"}, {"Reg", "CLOUDPA"}};
    static const QList<QPair<const char *, QByteArrayList>> sections = {
        {"WKMOD", {"WKMOD"}},
        {"Socket", {"SOCKAEN", "SOCKA", "SOCKASL", "SOCKATO", "SOCKBEN", "SOCKB", "SOCKBSL", "SOCKBTO",
                    "SOCKCEN", "SOCKC", "SOCKCSL", "SOCKCTO", "SOCKDEN", "SOCKD", "SOCKDSL", "SOCKDTO", "SOCKIND"}},
        {"Heart", {"HEARTEN", "HEARTDT", "HEARTSND", "HEARTTM"}},
        {"Reg", {"REGEN", "REGTP", "REGID", "REGDT", "REGSND"}},
        {"HTTPD", {"HTPTP", "HTPURL", "HTPSV", "HTPHD", "HTPFLT", "HTPTO"}},
        {"SMS", {"DSTNUM", "SMSFLT", "SMSPH"}},
        {"Base", {"UART", "RFCEN", "UARTFT", "UARTFL", "E", "CMDPW", "STMSG", "APN"}},
    };
    for (const auto &[section, words] : sections)
        if (words.contains(word))
            return {{section, word}};
    return {};
}

QList<QByteArray> StoredWords()
{
    QList<QByteArray> out;
    for (int n = 0; n < kCmdCount; ++n)
        if (const QByteArray w = CmdToStr(static_cast<TCmd>(n)); !IniKeysOf(w).isEmpty())
            out.append(w);
    return out;
}

bool LoadIni(IniTarget &t, const QString &dir, QString *error)
{
    const bool read = BindIni(ConfigFilePath(dir), error);
    QWidget *form = t.iniForm();
    Protocol &p = t.iniProtocol();
    FormControls &c = p.controls();
    auto param = [&](const char *section, const QByteArray &key, const QByteArray &def) {
        p.ApplyParam(key, ReadIniStr(section, key, def));
    };

    // System
    const bool custom = ReadIniBool("System", "Custom", false);
    for (const char *n : {"mni_About", "mni_Up", "mni_WorkOrder"})
        if (auto *a = child<QAction>(form, n))
            a->setVisible(!custom);
    const bool zh = ReadIniBool("System", "Language", TLangList::SystemIsChinese());
    if (LangList)
        LangList->IsChinese = zh;
    if (auto *a = child<QAction>(form, "mni_Cn"))
        a->setChecked(zh);
    if (auto *a = child<QAction>(form, "mni_En"))
        a->setChecked(!zh);
    t.iniSetHintsOn(ReadIniBool("System", "ReadTimeHelp", true));
    // Typed AT commands get their line end unless the user turned it off.
    if (c.mniAutoCR)
        c.mniAutoCR->setChecked(ReadIniBool("System", "AutoCR", true));
    const int sendKey = ReadIniInt("System", "SendShortCutTag", 2);
    if (sendKey == 1 || sendKey == 2)
        t.iniSendKeyClick(sendKey);
    p.ApplyOnOff(c.rzchckbxHeartDtHex, ReadIniStr("System", "HeartDtHex", "OFF"));
    p.ApplyOnOff(c.rzchckbxRegDtHex, ReadIniStr("System", "RegDtHex", "OFF"));
    p.ApplyOnOff(c.rzchckbxMore, ReadIniStr("System", "ShowMore", "OFF"));
    // An unknown name keeps the current sign, so saving always writes one of the four.
    if (const auto s = StrToHdVerSign(ReadIniStr("System", "HdVerSign", HdVerSignToStr(t.iniHdVerSign()))))
        t.iniSetHdVerSign(*s);
    ConsoleOptions con;
    con.timestamps = ReadIniBool("System", "ConsoleTime", false);
    con.sendHex = ReadIniBool("System", "SendHex", false);
    con.fontSize = ReadIniInt("System", "ConsoleFontSize", 0);
    con.repeatMs = ReadIniInt("System", "RepeatMs", con.repeatMs);
    con.clearAfterSend = ReadIniBool("System", "ClearAfterSend", false);
    t.iniSetConsoleOptions(con);
    t.iniSetWindowPlace(ReadIniStr("System", "WindowPlace", ""));

    // OpenUart
    t.iniFillPortList();
    if (auto *com = child<QComboBox>(form, "cbbOpenCom"); com && com->count() > 0) {
        const QByteArray name = ReadIniStr("OpenUart", "ComName", gbk::fromUnicode(com->itemText(0)));
        ParamCodec::SelectItem(com, name);
        if (com->currentIndex() < 0 && com->isEditable())
            com->setEditText(gbk::toUnicode(name)); // a typed path that is not present now
    } else if (com && com->isEditable()) {
        com->setEditText(gbk::toUnicode(ReadIniStr("OpenUart", "ComName", "")));
    }
    if (auto *reopen = child<QCheckBox>(form, "rzchckbxReopen"))
        reopen->setChecked(ReadIniStr("OpenUart", "AutoReopen", "OFF").toUpper() == "ON");
    for (auto [key, name, def] : {std::tuple{"BaudRate", "cbbOpenBaud", "115200"}, std::tuple{"Parity", "cbbOpenP", "NONE"},
                                  std::tuple{"Data", "cbbOpenD", "8"}, std::tuple{"Stop", "cbbOpenS", "1"},
                                  std::tuple{"Flow", "cbbOpenFlow", "NONE"}})
        if (auto *cb = child<QComboBox>(form, name)) {
            const QByteArray stored = ReadIniStr("OpenUart", key, def);
            ParamCodec::SelectItem(cb, stored);
            if (cb->currentIndex() < 0 && cb->isEditable()) // a typed baud rate
                cb->setEditText(gbk::toUnicode(stored));
        }

    // WKMOD
    param("WKMOD", "WKMOD", "NET");

    // Socket
    const QByteArray sockDef = QByteArray("TCP,") + kDefaultServerHost + ",2317";
    for (int i = 0; i < 4; ++i) {
        param("Socket", word("SOCK", i, "EN"), i == 0 ? "ON" : "OFF");
        param("Socket", word("SOCK", i, ""), sockDef);
        param("Socket", word("SOCK", i, "SL"), "LONG");
        t.iniHooks().cbbProtocolChange(i + 1);
        param("Socket", word("SOCK", i, "TO"), "5");
    }
    param("Socket", "SOCKIND", "OFF");

    // Heart
    param("Heart", "HEARTEN", "ON");
    SetText(c.edtHeartDt, ReadIniStr("Heart", "HEARTDT", kDefaultWebHost));
    param("Heart", "HEARTSND", "NET");
    param("Heart", "HEARTTM", "30");

    // Reg
    param("Reg", "REGEN", "OFF");
    const int regTp = regTypeOfWord(ReadIniStr("Reg", "REGTP", "REGDT"));
    if (regTp >= 0 && c.cbbRegTp)
        c.cbbRegTp->setCurrentIndex(regTp);
    t.iniHooks().cbbRegTpChange();
    p.WriteRegDtSlot(0, QByteArray());
    p.WriteRegDtSlot(1, QByteArray());
    p.WriteRegDtSlot(2, ReadIniStr("Reg", "REGID", "1111"));
    p.WriteRegDtSlot(4, ReadIniStr("Reg", "REGDT", kDefaultWebHost));
    // The cloud id and code: a file without them leaves the form as it is.
    if (IniFile && IniFile->ValueExists("Reg", "CLOUDID"))
        p.WriteRegDtSlot(3, ReadIniStr("Reg", "CLOUDID", QByteArray()));
    if (IniFile && IniFile->ValueExists("Reg", "CLOUDPA"))
        SetText(c.edtCloudPa, ReadIniStr("Reg", "CLOUDPA", QByteArray()));
    param("Reg", "REGSND", "LINK");

    // HTTPD
    param("HTTPD", "HTPTP", "GET");
    param("HTTPD", "HTPURL", "/1.php[3F]");
    param("HTTPD", "HTPSV", QByteArray(kDefaultServerHost) + ",80");
    param("HTTPD", "HTPHD", "Connection: close[0D][0A]");
    param("HTTPD", "HTPFLT", "ON");
    param("HTTPD", "HTPTO", "10");

    // SMS
    param("SMS", "DSTNUM", "10086");
    param("SMS", "SMSFLT", "ON");
    param("SMS", "SMSPH", "OFF");

    // Base
    param("Base", "APN", "CMNET,,");
    param("Base", "UART", "115200,8,1,NONE,NFC");
    param("Base", "RFCEN", "OFF");
    param("Base", "UARTFT", "50");
    param("Base", "UARTFL", "1024");
    param("Base", "E", "ON");
    param("Base", "CMDPW", "qmv.tz");
    param("Base", "STMSG", "[QEB-R520]");
    return read;
}

bool SaveIni(IniTarget &t, QString *error)
{
    if (!IniFile)
        return true;
    QWidget *form = t.iniForm();
    Protocol &p = t.iniProtocol();
    FormControls &c = p.controls();
    auto onOff = [](const QCheckBox *b) { return ParamCodec::OnOffOf(b); };

    IniFile->WriteBool("System", "Language", LangList && LangList->IsChinese);
    IniFile->WriteBool("System", "ReadTimeHelp", t.iniHintsOn());
    IniFile->WriteBool("System", "AutoCR", c.mniAutoCR && c.mniAutoCR->isChecked());
    if (const int tag = t.iniSendKeyTag(); tag == 1 || tag == 2)
        WriteIniInt("System", "SendShortCutTag", tag);
    WriteIniStr("System", "HeartDtHex", onOff(c.rzchckbxHeartDtHex));
    WriteIniStr("System", "RegDtHex", onOff(c.rzchckbxRegDtHex));
    WriteIniStr("System", "ShowMore", onOff(c.rzchckbxMore));
    WriteIniStr("System", "HdVerSign", HdVerSignToStr(t.iniHdVerSign()));
    const ConsoleOptions con = t.iniConsoleOptions();
    IniFile->WriteBool("System", "ConsoleTime", con.timestamps);
    IniFile->WriteBool("System", "SendHex", con.sendHex);
    WriteIniInt("System", "ConsoleFontSize", con.fontSize);
    WriteIniInt("System", "RepeatMs", con.repeatMs);
    IniFile->WriteBool("System", "ClearAfterSend", con.clearAfterSend);
    if (const QByteArray place = t.iniWindowPlace(); !place.isEmpty())
        WriteIniStr("System", "WindowPlace", place);

    WriteIniStr("OpenUart", "ComName", comboText(child<QComboBox>(form, "cbbOpenCom")));
    WriteIniStr("OpenUart", "BaudRate", comboText(child<QComboBox>(form, "cbbOpenBaud")));
    WriteIniStr("OpenUart", "Parity", comboText(child<QComboBox>(form, "cbbOpenP")));
    WriteIniStr("OpenUart", "Data", comboText(child<QComboBox>(form, "cbbOpenD")));
    WriteIniStr("OpenUart", "Stop", comboText(child<QComboBox>(form, "cbbOpenS")));
    WriteIniStr("OpenUart", "Flow", comboText(child<QComboBox>(form, "cbbOpenFlow")));
    if (const auto *reopen = child<QCheckBox>(form, "rzchckbxReopen"))
        WriteIniStr("OpenUart", "AutoReopen", onOff(reopen));

    static const char *const modes[] = {"NET", "HTTPD", "SMS"};
    if (const int m = t.iniHooks().GetWorkMode(); m >= 0 && m < 3)
        WriteIniStr("WKMOD", "WKMOD", modes[m]);

    auto writeSocket = [&](int i) {
        WriteIniStr("Socket", word("SOCK", i, "EN"), onOff(c.skt[i]));
        WriteIniStr("Socket", word("SOCK", i, ""),
                    comboText(c.protocol[i]) + ',' + TextOf(c.addr[i]) + ',' + TextOf(c.port[i]));
        writeChoice("Socket", word("SOCK", i, "SL"), c.sl[i], "SHORT", "LONG");
        WriteIniStr("Socket", word("SOCK", i, "TO"), TextOf(c.sockTo[i]));
    };
    writeSocket(0);
    writeSocket(1);
    writeSocket(2);
    WriteIniStr("Socket", "SOCKIND", onOff(c.rzchckbxSOCKIND));
    writeSocket(3);

    WriteIniStr("Heart", "HEARTEN", onOff(c.rzchckbxHeartEn));
    WriteIniStr("Heart", "HEARTDT", TextOf(c.edtHeartDt));
    writeChoice("Heart", "HEARTSND", c.cbbHeartSnd, "NET", "COM");
    WriteIniStr("Heart", "HEARTTM", TextOf(c.edtHeartTm));

    WriteIniStr("Reg", "REGEN", onOff(c.rzchckbxRegEn));
    if (c.cbbRegTp && c.cbbRegTp->currentIndex() >= 0 && c.cbbRegTp->currentIndex() < 5)
        WriteIniStr("Reg", "REGTP", kRegTypeWords[c.cbbRegTp->currentIndex()]);
    if (c.cbbRegDt) {
        WriteIniStr("Reg", "REGID", gbk::fromUnicode(c.cbbRegDt->itemText(2)));
        WriteIniStr("Reg", "REGDT", gbk::fromUnicode(c.cbbRegDt->itemText(4)));
        WriteIniStr("Reg", "CLOUDID", gbk::fromUnicode(c.cbbRegDt->itemText(3)));
    }
    WriteIniStr("Reg", "CLOUDPA", TextOf(c.edtCloudPa));
    writeChoice("Reg", "REGSND", c.cbbRegSnd, "LINK", "DATA");

    WriteIniStr("HTTPD", "HTPTP", comboText(c.cbbHTPTP));
    WriteIniStr("HTTPD", "HTPURL", TextOf(c.edtHTPURL));
    WriteIniStr("HTTPD", "HTPSV", TextOf(c.edtHTPSVIP) + ',' + TextOf(c.edtHTPSVPort));
    WriteIniStr("HTTPD", "HTPHD", TextOf(c.edtHTPHD));
    WriteIniStr("HTTPD", "HTPFLT", onOff(c.rzchckbxHtpFlt));
    WriteIniStr("HTTPD", "HTPTO", TextOf(c.edtHtpTo));

    WriteIniStr("SMS", "DSTNUM", TextOf(c.edtDSTNUM));
    WriteIniStr("SMS", "SMSFLT", onOff(c.rzchckbxSMSFLT));
    WriteIniStr("SMS", "SMSPH", onOff(c.rzchckbxSMSPH));

    WriteIniStr("Base", "UART", p.UartText());
    WriteIniStr("Base", "RFCEN", onOff(c.rzchckbxRFC));
    WriteIniStr("Base", "UARTFT", TextOf(c.edtUARTFT));
    WriteIniStr("Base", "UARTFL", TextOf(c.edtUARTFL));
    WriteIniStr("Base", "E", onOff(c.rzchckbxE));
    WriteIniStr("Base", "CMDPW", TextOf(c.lbledtCmdPw));
    WriteIniStr("Base", "STMSG", TextOf(c.lbledtStMsg));
    WriteIniStr("Base", "APN", TextOf(c.lbledtApn));

    // One atomic write: a failure leaves the previous file whole.
    QString why;
    const bool ok = FlushIni(&why);
    if (!ok && error)
        *error = QStringLiteral("Unable to write to %1").arg(IniFile->FileName());
    return ok;
}
