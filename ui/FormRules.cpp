// The rules that keep the parameter form consistent: work-mode pages, enable
// boxes, protocol lists, registration types, Hex boxes, hardware version.
#include "ui/MainWindow.h"

#include "lang/AppLang.h"
#include "ui/Console.h"
#include "ui/MainTexts.h"
#include "ui/Pictures.h"
#include "util/Gbk.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>

int TFrm_Main::GetWorkMode() const
{
    if (rbNetTran->isChecked())
        return 0;
    if (rbHttpd->isChecked())
        return 1;
    if (rbSmsTran->isChecked())
        return 2;
    return 3;
}

void TFrm_Main::rbWkmokClick(int tag)
{
    static const char *const pictures[] = {"NetTran", "HttpD", "SmsTran"};
    if (tag < 0 || tag > 2)
        return;
    imgWkMod->setPixmap(WorkModePicture(QString::fromLatin1(pictures[tag])));
    SetParaGroupCaption(rzgrpbxPara, GetWorkMode(), "lang_rzgrpbxPara");
    // The page control never shows its tabs: only the chosen page is visible.
    rzpgcntrlPara->tabBar()->show();
    rzpgcntrlPara->setCurrentIndex(tag);
    rzpgcntrlPara->tabBar()->hide();
}

void TFrm_Main::rzchckbxEnableClick(int tag)
{
    QCheckBox *box = nullptr;
    QGroupBox *group = nullptr;
    switch (tag) {
    case 1: box = rzchckbxSkt[0]; group = rzgrpbxSkt[0]; break;
    case 2: box = rzchckbxSkt[1]; group = rzgrpbxSkt[1]; break;
    case 3: box = rzchckbxHeartEn; group = rzgrpbxHeart; break;
    case 4: box = rzchckbxRegEn; group = rzgrpbxReg; break;
    case 5: box = rzchckbxMore; group = rzgrpbxMore; break;
    case 6: box = rzchckbxSkt[2]; group = rzgrpbxSkt[2]; break;
    case 7: box = rzchckbxSkt[3]; group = rzgrpbxSkt[3]; break;
    default: return;
    }
    group->setVisible(box->isChecked());
}

void TFrm_Main::cbbProtocolChange(int tag)
{
    if (tag < 1 || tag > 4)
        return;
    const int i = cbbProtocol[tag - 1]->currentIndex();
    if (i == 0)
        cbbSL[tag - 1]->show();
    else if (i == 1)
        cbbSL[tag - 1]->hide();
}

void TFrm_Main::cbbRegTpChange()
{
    const int k = cbbRegTp->currentIndex();
    if (k >= 0 && k < cbbRegDt->count())
        cbbRegDt->setCurrentIndex(k);
    const bool readOnly = k == 0 || k == 1;
    cbbRegDt->lineEdit()->setReadOnly(readOnly);
    cbbRegDt->setProperty("readOnly", readOnly);
    cbbRegDt->lineEdit()->setStyleSheet(readOnly ? QStringLiteral("background: palette(window);") : QString());
    edtCloudPa->setVisible(k == 3);
    rzchckbxRegDtHex->setVisible(k == 4);
    if (k == 3) {
        lblRegDt->setText(LangTextU("lang_CloudIdPw"));
        cbbRegDt->setToolTip(LangTextU("lang_lblCloudId"));
        edtCloudPa->setToolTip(LangTextU("lang_lblCloudPa"));
    } else {
        lblRegDt->setText(cbbRegTp->currentText());
        cbbRegDt->setToolTip(QString());
        edtCloudPa->setToolTip(QString());
    }
}

void TFrm_Main::rzchckbxHexClick(int tag)
{
    if (tag == 1) {
        const QByteArray t = gbk::fromUnicode(edtHeartDt->text());
        const QByteArray out = rzchckbxHeartDtHex->isChecked() ? StrToHexStr(t, "") : HexStrToStr(t);
        edtHeartDt->setText(gbk::toUnicode(out));
    } else if (tag == 2) {
        // The box shows only with the custom type, so a user click converts what is
        // typed there. Set from code (an answer, the configuration) while another
        // type is chosen, it converts the stored custom data and leaves the shown
        // slot alone: otherwise Set All would send the custom data as that type's value.
        const bool custom = cbbRegTp->currentIndex() == 4;
        const QByteArray t = gbk::fromUnicode(custom ? cbbRegDt->currentText() : cbbRegDt->itemText(4));
        const QByteArray out = rzchckbxRegDtHex->isChecked() ? StrToHexStr(t, "") : HexStrToStr(t);
        cbbRegDt->setItemText(4, gbk::toUnicode(out));
        if (custom) {
            cbbRegDt->setCurrentIndex(4);
            cbbRegDt->setEditText(gbk::toUnicode(out));
        }
    }
}

void TFrm_Main::SetHdVerSign(THdVerSign sign)
{
    m_hdVerSign = sign;
    switch (sign) {
    case THdVerSign::HdUnknown:
        m_console->ShowErr(LangText("info_PlsUpFw"));
        break;
    case THdVerSign::Hd510:
        SetComboItem(cbbRegTp, 1, "lang_cbbRegTp1_MEID");
        m_idCmd = TCmd::MEID;
        break;
    case THdVerSign::Hd511:
    case THdVerSign::Hd521:
        SetComboItem(cbbRegTp, 1, "lang_cbbRegTp1_IMEI");
        m_idCmd = TCmd::IMEI;
        break;
    }
}
