#include "protocol/ParamControls.h"

#include "protocol/FormControls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

#include <initializer_list>

namespace {

QList<QWidget *> present(std::initializer_list<QWidget *> ws)
{
    QList<QWidget *> out;
    for (QWidget *w : ws)
        if (w)
            out.append(w);
    return out;
}

int sockOf(TCmd c, TCmd a, TCmd b, TCmd cc, TCmd d)
{
    return c == a ? 0 : c == b ? 1 : c == cc ? 2 : c == d ? 3 : -1;
}

} // namespace

QList<QWidget *> ControlsOf(const FormControls &c, TCmd cmd)
{
    if (const int i = sockOf(cmd, TCmd::SOCKA, TCmd::SOCKB, TCmd::SOCKC, TCmd::SOCKD); i >= 0)
        return present({c.protocol[i], c.addr[i], c.port[i]});
    if (const int i = sockOf(cmd, TCmd::SOCKAEN, TCmd::SOCKBEN, TCmd::SOCKCEN, TCmd::SOCKDEN); i >= 0)
        return present({c.skt[i]});
    if (const int i = sockOf(cmd, TCmd::SOCKASL, TCmd::SOCKBSL, TCmd::SOCKCSL, TCmd::SOCKDSL); i >= 0)
        return present({c.sl[i]});
    if (const int i = sockOf(cmd, TCmd::SOCKATO, TCmd::SOCKBTO, TCmd::SOCKCTO, TCmd::SOCKDTO); i >= 0)
        return present({c.sockTo[i]});
    switch (cmd) {
    case TCmd::E:
        return present({c.rzchckbxE});
    case TCmd::WKMOD:
        return present({c.rbNetTran, c.rbHttpd, c.rbSmsTran});
    case TCmd::CMDPW:
        return present({c.lbledtCmdPw});
    case TCmd::STMSG:
        return present({c.lbledtStMsg});
    case TCmd::UART:
        return present({c.cbbBaud, c.cbbD, c.cbbS, c.cbbP, c.cbbFlow});
    case TCmd::RFCEN:
        return present({c.rzchckbxRFC});
    case TCmd::UARTFT:
        return present({c.edtUARTFT});
    case TCmd::UARTFL:
        return present({c.edtUARTFL});
    case TCmd::APN:
        return present({c.lbledtApn});
    case TCmd::SOCKIND:
        return present({c.rzchckbxSOCKIND});
    case TCmd::REGEN:
        return present({c.rzchckbxRegEn});
    case TCmd::REGTP:
        return present({c.cbbRegTp});
    case TCmd::ICCID:
    case TCmd::MEID:
    case TCmd::IMEI:
    case TCmd::REGID:
        return present({c.cbbRegDt});
    case TCmd::REGDT:
        return present({c.cbbRegDt, c.rzchckbxRegDtHex});
    case TCmd::CLOUD:
        return present({c.cbbRegDt, c.edtCloudPa});
    case TCmd::REGSND:
        return present({c.cbbRegSnd});
    case TCmd::HEARTEN:
        return present({c.rzchckbxHeartEn});
    case TCmd::HEARTDT:
        return present({c.edtHeartDt, c.rzchckbxHeartDtHex});
    case TCmd::HEARTSND:
        return present({c.cbbHeartSnd});
    case TCmd::HEARTTM:
        return present({c.edtHeartTm});
    case TCmd::HTPTP:
        return present({c.cbbHTPTP});
    case TCmd::HTPURL:
        return present({c.edtHTPURL});
    case TCmd::HTPSV:
        return present({c.edtHTPSVIP, c.edtHTPSVPort});
    case TCmd::HTPHD:
        return present({c.edtHTPHD});
    case TCmd::HTPTO:
        return present({c.edtHtpTo});
    case TCmd::HTPFLT:
        return present({c.rzchckbxHtpFlt});
    case TCmd::DSTNUM:
        return present({c.edtDSTNUM});
    case TCmd::SMSFLT:
        return present({c.rzchckbxSMSFLT});
    case TCmd::SMSPH:
        return present({c.rzchckbxSMSPH});
    default:
        return {};
    }
}
