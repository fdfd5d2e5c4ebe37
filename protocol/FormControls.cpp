#include "protocol/FormControls.h"

#include "util/Gbk.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QRadioButton>
#include <QToolButton>
#include <QWidget>

namespace {

template <typename T>
T *find(QWidget *form, const QString &name)
{
    return form ? form->findChild<T *>(name) : nullptr;
}

} // namespace

FormControls::FormControls(QWidget *form)
{
    static const char *const abcd[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        const QString l = QString::fromLatin1(abcd[i]);
        skt[i] = find<QCheckBox>(form, "rzchckbxSkt" + l);
        protocol[i] = find<QComboBox>(form, "cbbProtocol" + l);
        sl[i] = find<QComboBox>(form, "cbb" + l + "SL");
        addr[i] = find<QLineEdit>(form, "edtAddr" + l);
        port[i] = find<QLineEdit>(form, "edtPort" + l);
        sockTo[i] = find<QLineEdit>(form, "edtSock" + l + "To");
    }

#define DTU_FIND(T, name) name = find<T>(form, QStringLiteral(#name))
    DTU_FIND(QCheckBox, rzchckbxE);
    DTU_FIND(QCheckBox, rzchckbxHeartEn);
    DTU_FIND(QCheckBox, rzchckbxRegEn);
    DTU_FIND(QCheckBox, rzchckbxMore);
    DTU_FIND(QCheckBox, rzchckbxRFC);
    DTU_FIND(QCheckBox, rzchckbxSOCKIND);
    DTU_FIND(QCheckBox, rzchckbxHtpFlt);
    DTU_FIND(QCheckBox, rzchckbxSMSFLT);
    DTU_FIND(QCheckBox, rzchckbxSMSPH);
    DTU_FIND(QCheckBox, rzchckbxHeartDtHex);
    DTU_FIND(QCheckBox, rzchckbxRegDtHex);

    DTU_FIND(QRadioButton, rbNetTran);
    DTU_FIND(QRadioButton, rbHttpd);
    DTU_FIND(QRadioButton, rbSmsTran);

    DTU_FIND(QComboBox, cbbHeartSnd);
    DTU_FIND(QComboBox, cbbRegSnd);
    DTU_FIND(QComboBox, cbbRegTp);
    DTU_FIND(QComboBox, cbbRegDt);
    DTU_FIND(QComboBox, cbbHTPTP);
    DTU_FIND(QComboBox, cbbBaud);
    DTU_FIND(QComboBox, cbbD);
    DTU_FIND(QComboBox, cbbS);
    DTU_FIND(QComboBox, cbbP);
    DTU_FIND(QComboBox, cbbFlow);

    DTU_FIND(QLineEdit, edtHeartTm);
    DTU_FIND(QLineEdit, edtHeartDt);
    DTU_FIND(QLineEdit, edtCloudPa);
    DTU_FIND(QLineEdit, edtHTPURL);
    DTU_FIND(QLineEdit, edtHTPSVIP);
    DTU_FIND(QLineEdit, edtHTPSVPort);
    DTU_FIND(QLineEdit, edtHtpTo);
    DTU_FIND(QLineEdit, edtHTPHD);
    DTU_FIND(QLineEdit, edtDSTNUM);
    DTU_FIND(QLineEdit, edtUARTFT);
    DTU_FIND(QLineEdit, edtUARTFL);
    DTU_FIND(QLineEdit, lbledtCmdPw);
    DTU_FIND(QLineEdit, lbledtStMsg);
    DTU_FIND(QLineEdit, lbledtApn);
    DTU_FIND(QLineEdit, edtReTelNum);

    DTU_FIND(QPlainTextEdit, edtSend);
    DTU_FIND(QProgressBar, rzpbWhile);
    DTU_FIND(QToolButton, btnSendTpye);
#undef DTU_FIND
    // Actions are QObjects, not widgets; findChild finds them just the same.
    mniAutoCR = form ? form->findChild<QAction *>(QStringLiteral("mniAutoCR")) : nullptr;
}

QByteArray TextOf(const QLineEdit *e)
{
    return e ? gbk::fromUnicode(e->text()) : QByteArray();
}

void SetText(QLineEdit *e, const QByteArray &value)
{
    if (e)
        e->setText(gbk::toUnicode(value));
}

QByteArray ShownText(const QComboBox *c)
{
    return c ? gbk::fromUnicode(c->currentText()) : QByteArray();
}

bool IsChecked(const QCheckBox *b)
{
    return b && b->isChecked();
}
