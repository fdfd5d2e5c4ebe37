#pragma once
// The parameter form: work mode, the parameter pages of each mode and the base
// parameters, with the rules that keep them consistent. It implements the form
// hooks through which the protocol asks what the form alone can tell.
#include "protocol/FormHooks.h"

#include <QWidget>

class LineSink;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class QTabWidget;

class ParamForm : public QWidget, public FormHooks {
    Q_OBJECT
public:
    explicit ParamForm(QWidget *parent = nullptr);

    // Captions and hints in the current language.
    void applyTexts();

    // Where a hardware version that needs new firmware is reported.
    void setWarnings(LineSink *sink) { warn_ = sink; }

    // Form hooks.
    int GetWorkMode() const override;
    void cbbProtocolChange(int tag) override;
    void cbbRegTpChange() override;
    void SetHdVerSign(THdVerSign sign) override;
    TCmd IdCmd() const override { return idCmd_; }
    THdVerSign HdVerSign() const { return hdVerSign_; }
    void setHdVerSignValue(THdVerSign s) { hdVerSign_ = s; }

    // Form rules.
    void rbWkmokClick(int tag);
    void rzchckbxEnableClick(int tag);
    void rzchckbxHexClick(int tag);

    QGroupBox *rzgrpbxWkmod = nullptr, *rzgrpbxPara = nullptr, *rzgrpbxBase = nullptr;
    QRadioButton *rbNetTran = nullptr, *rbHttpd = nullptr, *rbSmsTran = nullptr;
    QLabel *imgWkMod = nullptr, *imgCKZD = nullptr;
    QTabWidget *rzpgcntrlPara = nullptr;
    QCheckBox *rzchckbxSkt[4] = {};
    QGroupBox *rzgrpbxSkt[4] = {};
    QComboBox *cbbProtocol[4] = {}, *cbbSL[4] = {};
    QLabel *lblIpAndPort[4] = {}, *lblLinkTpye[4] = {}, *lblSockTo[4] = {};
    QCheckBox *rzchckbxHeartEn = nullptr, *rzchckbxRegEn = nullptr, *rzchckbxMore = nullptr,
              *rzchckbxHeartDtHex = nullptr, *rzchckbxRegDtHex = nullptr, *rzchckbxSOCKIND = nullptr,
              *rzchckbxHtpFlt = nullptr, *rzchckbxSMSFLT = nullptr, *rzchckbxSMSPH = nullptr,
              *rzchckbxE = nullptr, *rzchckbxRFC = nullptr;
    QGroupBox *rzgrpbxHeart = nullptr, *rzgrpbxReg = nullptr, *rzgrpbxMore = nullptr, *rzgrpbxUart = nullptr;
    QLineEdit *edtHeartDt = nullptr, *edtCloudPa = nullptr;
    QComboBox *cbbRegTp = nullptr, *cbbRegDt = nullptr, *cbbHeartSnd = nullptr, *cbbRegSnd = nullptr;
    QLabel *lblRegDt = nullptr;

private:
    void buildNetPage(QWidget *page);
    void buildHttpdPage(QWidget *page);
    void buildSmsPage(QWidget *page);
    void buildBase(QWidget *holder);

    LineSink *warn_ = nullptr;
    THdVerSign hdVerSign_ = THdVerSign::Hd521;
    TCmd idCmd_ = TCmd::MEID;
};
