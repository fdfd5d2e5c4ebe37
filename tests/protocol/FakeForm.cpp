#include "FakeForm.h"

#include "lang/AppLang.h"

#include <algorithm>

EnglishTexts::EnglishTexts()
{
    FreeLanguage();
    LangList = new TLangList;
    RegisterTexts();
    LangList->IsChinese = false;
}

EnglishTexts::~EnglishTexts() { FreeLanguage(); }

int FakeHooks::GetWorkMode() const
{
    const char *names[] = {"rbNetTran", "rbHttpd", "rbSmsTran"};
    for (int i = 0; i < 3; ++i) {
        auto *rb = form->findChild<QRadioButton *>(QString::fromLatin1(names[i]));
        if (rb && rb->isChecked())
            return i;
    }
    return 3;
}

void FakeHooks::cbbRegTpChange()
{
    ++regTpChanges;
    auto *tp = form->findChild<QComboBox *>("cbbRegTp");
    auto *dt = form->findChild<QComboBox *>("cbbRegDt");
    if (tp && dt && tp->currentIndex() >= 0)
        dt->setCurrentIndex(tp->currentIndex());
}

void FakeHooks::SetHdVerSign(THdVerSign sign)
{
    signs.push_back(sign);
    if (sign == THdVerSign::Hd510)
        idCmd = TCmd::MEID;
    else if (sign != THdVerSign::HdUnknown)
        idCmd = TCmd::IMEI;
}

namespace {

QComboBox *combo(QWidget *form, const char *name, const QStringList &items, int current)
{
    auto *c = new QComboBox(form);
    c->setObjectName(QString::fromLatin1(name));
    c->addItems(items);
    c->setCurrentIndex(current);
    return c;
}

} // namespace

Rig::Rig()
{
    hooks.form = &form;
    timer.setInterval(5000);

    for (const char *n : {"rzchckbxE", "rzchckbxSktA", "rzchckbxSktB", "rzchckbxSktC", "rzchckbxSktD",
                          "rzchckbxHeartEn", "rzchckbxRegEn", "rzchckbxMore", "rzchckbxRFC",
                          "rzchckbxSOCKIND", "rzchckbxHtpFlt", "rzchckbxSMSFLT", "rzchckbxSMSPH",
                          "rzchckbxHeartDtHex", "rzchckbxRegDtHex"}) {
        auto *b = new QCheckBox(&form);
        b->setObjectName(QString::fromLatin1(n));
        QByteArray key(n);
        QObject::connect(b, &QCheckBox::toggled, [this, key] { ++toggles[key]; });
    }
    for (const char *n : {"rbNetTran", "rbHttpd", "rbSmsTran"}) {
        auto *rb = new QRadioButton(&form);
        rb->setObjectName(QString::fromLatin1(n));
    }
    w<QRadioButton>("rbNetTran")->setChecked(true);

    const QStringList tcpUdp{"TCP", "UDP"};
    const QStringList shortLong{QString::fromUtf8("短连接"), QString::fromUtf8("长连接")};
    for (const char *l : {"A", "B", "C", "D"}) {
        combo(&form, QByteArray("cbbProtocol" + QByteArray(l)).constData(), tcpUdp, 0);
        combo(&form, QByteArray("cbb" + QByteArray(l) + "SL").constData(), shortLong, 0);
        for (const char *pre : {"edtAddr", "edtPort"}) {
            auto *e = new QLineEdit(&form);
            e->setObjectName(QString::fromLatin1(pre) + QString::fromLatin1(l));
        }
        auto *to = new QLineEdit(&form);
        to->setObjectName(QStringLiteral("edtSock") + QString::fromLatin1(l) + QStringLiteral("To"));
    }
    combo(&form, "cbbHeartSnd", {QString::fromUtf8("向服务器发送心跳包"), QString::fromUtf8("向串口终端发送心跳包")}, 0);
    combo(&form, "cbbRegSnd", {"once", "every"}, 0);
    combo(&form, "cbbRegTp", {"ICCID", "MEID", "ID", "Cloud", "User"}, 4);
    combo(&form, "cbbHTPTP", {"GET", "POST"}, 0);
    combo(&form, "cbbBaud", {"1200", "2400", "4800", "9600", "14400", "19200", "28800", "33600", "38400",
                             "57600", "115200", "230400", "460800"}, -1);
    combo(&form, "cbbD", {"7", "8"}, 1);
    combo(&form, "cbbS", {"1", "2"}, 0);
    combo(&form, "cbbP", {"NONE", "ODD", "EVEN"}, 0);
    combo(&form, "cbbFlow", {"NFC", "RS485"}, 0);
    QComboBox *dt = combo(&form, "cbbRegDt", {"", "", "", "", ""}, 4);
    dt->setEditable(true);
    dt->setInsertPolicy(QComboBox::NoInsert);

    for (const char *n : {"edtHeartTm", "edtHeartDt", "edtCloudPa", "edtHTPURL", "edtHTPSVIP",
                          "edtHTPSVPort", "edtHtpTo", "edtHTPHD", "edtDSTNUM", "edtUARTFT", "edtUARTFL",
                          "lbledtCmdPw", "lbledtStMsg", "lbledtApn", "edtReTelNum"}) {
        auto *e = new QLineEdit(&form);
        e->setObjectName(QString::fromLatin1(n));
    }
    auto *send = new QPlainTextEdit(&form);
    send->setObjectName("edtSend");
    auto *pb = new QProgressBar(&form);
    pb->setObjectName("rzpbWhile");
    pb->setVisible(false);
    auto *type = new QToolButton(&form);
    type->setObjectName("btnSendTpye");
    type->setProperty("Tag", 1);
    auto *autoCR = new QAction(&form);
    autoCR->setObjectName("mniAutoCR");
    autoCR->setCheckable(true);

    proto = std::make_unique<Protocol>(
        &form, hooks, console, &timer,
        [this](const QByteArray &b) {
            sent.push_back(b);
            return true;
        },
        [this] { return open; });
}

QByteArray Rig::answerTo(const QByteArray &line, const std::map<QByteArray, QByteArray> &values)
{
    if (line == "+++")
        return "a";
    if (line == "a")
        return "+ok\r\n";
    if (line.startsWith("AT+") && line.endsWith("?\r\n")) {
        const QByteArray word = line.mid(3, line.size() - 6);
        const auto it = values.find(word);
        const QByteArray value = it == values.end() ? QByteArray("X") : it->second;
        return "\r\n+" + word + ":" + value + "\r\n\r\nOK\r\n";
    }
    return "\r\nOK\r\n\r\n";
}

int Rig::runModule(int maxSteps)
{
    int steps = 0;
    while (answered < sent.size() && steps < maxSteps) {
        const QByteArray line = sent[answered++];
        const bool refused = std::find(refuse.begin(), refuse.end(), WordOfLine(line)) != refuse.end();
        proto->DispatchRcv(refused ? QByteArray("\r\n+ERR:5\r\n\r\n") : answerTo(line, values));
        ++steps;
    }
    return steps;
}

std::vector<QByteArray> queueLines(const Protocol &p)
{
    return {p.orders().lines.begin(), p.orders().lines.end()};
}
