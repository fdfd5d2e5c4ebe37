#pragma once
// The main window: the control tree, its form rules, texts and wiring.
#include "config/ConfigIo.h"
#include "protocol/FormHooks.h"
#include "protocol/Timings.h"
#include "util/ProFun.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class QAction;
class QActionGroup;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QScrollArea;
class QSplitter;
class QTabWidget;
class QTimer;
class QToolButton;
class ConsoleView;
class ConsoleExtras;
class StationMenu;
class Protocol;
class TComm;
class TrafficCounter;
class FwUpgrade;
class PortChooser;
class Tfrm_About;

struct StartOptions {
    QString configDir;    // where R52xCfg.ini and R52xLang.txt live
    bool loadConfig = true;
    bool keepStoredWorkMode = false; // batch set-all applies the stored mode
    bool perUserConfig = false;      // the files live in the per-user directory: say where
    TProtocolTimings timings;        // how long the protocol waits for the module
};

class TFrm_Main : public QMainWindow, public FormHooks, public IniTarget {
    Q_OBJECT
public:
    explicit TFrm_Main(const StartOptions &opts, QWidget *parent = nullptr);
    ~TFrm_Main() override;

    // Form rules.
    int GetWorkMode() const override;
    void cbbProtocolChange(int tag) override;
    void cbbRegTpChange() override;
    void SetHdVerSign(THdVerSign sign) override;
    TCmd IdCmd() const override { return m_idCmd; }
    THdVerSign HdVerSign() const { return m_hdVerSign; }
    void setHdVerSignValue(THdVerSign s) { m_hdVerSign = s; }

    void rbWkmokClick(int tag);
    void rzchckbxEnableClick(int tag);
    void rzchckbxHexClick(int tag);

    // Texts.
    void ApplyMainTexts();
    void rzgrpbxDoResize();

    // Console and send box.
    ConsoleView *console() const { return m_console.get(); }
    ConsoleExtras *consoleExtras() const { return m_extras; }
    TrafficCounter *traffic() const { return m_traffic; }
    void pmSendClick(int tag);
    void pmSendTypeClick(int tag);
    void actCRExecute();
    void actClsExecute();
    bool hexPaneOn() const;
    void setHexPane(bool on);

    // Port.
    void btnSysClick(int tag);
    void cbbOpenComDropDown();
    void cbbOpenComCloseUp();
    void FillPortList();
    bool ComOpened() const { return m_comOpened; }
    bool PortOpen();
    // Why the last PortOpen failed, in the current language (empty after a success).
    const QByteArray &lastOpenFailure() const { return m_lastOpenError; }
    void PortClose();
    void cm1ReceiveError(quint32 bits);
    void cm1RequestHangup();

    void btnDoClick(int tag);
    void actSendExecute();

    // Menus.
    void mni_MenuClick(const QString &name);
    Tfrm_About *about() const { return m_about; }

    Protocol *protocol() const { return m_protocol.get(); }
    FwUpgrade *firmware() const { return m_fw.get(); }
    TComm *comm() const { return m_cm1; }
    QString configDir() const { return m_opts.configDir; }
    PortChooser *portChooser() const { return m_ports; }

    // Shutdown steps run by the close event; public for the batch mode.
    void FormClose();
    bool saveFailed() const { return m_saveFailed; }

    bool hintsOn() const { return m_hintsOn; }

    // Loading and saving the configuration file.
    QWidget *iniForm() override { return this; }
    Protocol &iniProtocol() override { return *m_protocol; }
    FormHooks &iniHooks() override { return *this; }
    void iniFillPortList() override { FillPortList(); }
    bool iniHintsOn() const override { return m_hintsOn; }
    void iniSetHintsOn(bool on) override { setHintsOn(on); }
    void iniSendKeyClick(int tag) override { pmSendClick(tag); }
    int iniSendKeyTag() const override;
    THdVerSign iniHdVerSign() const override { return m_hdVerSign; }
    void iniSetHdVerSign(THdVerSign s) override { m_hdVerSign = s; }
    ConsoleOptions iniConsoleOptions() const override;           // in ConsoleExtras.cpp
    void iniSetConsoleOptions(const ConsoleOptions &o) override; // in ConsoleExtras.cpp

protected:
    void closeEvent(QCloseEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    QWidget *buildTopBar();
    void buildLeft(QWidget *pnlL);
    void buildNetPage(QWidget *page);
    void buildHttpdPage(QWidget *page);
    void buildSmsPage(QWidget *page);
    void buildBase(QWidget *holder);
    void buildRight(QWidget *pnlR);
    void buildMenus();
    void addHotSpot(QSplitter *split, int pane, int restoreSize);
    void buildActions();
    void wireProtocol();
    void FormCreate();
    void showStartLines();
    QWidget *named_central();
    bool isActiveWindowOrOffscreen() const;

public:
    void setHintsOn(bool on);

private:

    StartOptions m_opts;
    THdVerSign m_hdVerSign = THdVerSign::Hd521;
    TCmd m_idCmd = TCmd::MEID;
    bool m_comOpened = false;
    bool m_hexPane = false;
    bool m_hintsOn = true;
    bool m_closed = false;
    bool m_saveFailed = false;
    QByteArray m_lastOpenError;

    TComm *m_cm1 = nullptr;
    std::unique_ptr<ConsoleView> m_console;
    ConsoleExtras *m_extras = nullptr;
    StationMenu *m_station = nullptr;
    TrafficCounter *m_traffic = nullptr;
    std::unique_ptr<Protocol> m_protocol;
    std::unique_ptr<FwUpgrade> m_fw;
    Tfrm_About *m_about = nullptr;
    PortChooser *m_ports = nullptr;
    QTimer *m_tmrRcv = nullptr;

public:
    // Controls that the window's own code touches often; tests find them by name.
    QWidget *rztlbrCom = nullptr;
    QComboBox *cbbOpenCom = nullptr, *cbbOpenBaud = nullptr, *cbbOpenP = nullptr, *cbbOpenD = nullptr,
              *cbbOpenS = nullptr, *cbbOpenFlow = nullptr;
    QLabel *lblOpenCom = nullptr, *lblOpenBaud = nullptr, *lblOpenPDS = nullptr, *lblOpenFlow = nullptr;
    QToolButton *btnOpenClose = nullptr, *btnFwUp = nullptr;
    QGroupBox *rzgrpbxWkmod = nullptr, *rzgrpbxPara = nullptr, *rzgrpbxBase = nullptr, *rzgrpbxDo = nullptr;
    QRadioButton *rbNetTran = nullptr, *rbHttpd = nullptr, *rbSmsTran = nullptr;
    QLabel *imgWkMod = nullptr, *imgCKZD = nullptr, *imgGIF = nullptr;
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
    QPlainTextEdit *edtDialog = nullptr, *edtDialogHex = nullptr, *edtSend = nullptr;
    QProgressBar *rzpbWhile = nullptr;
    QWidget *rztlbrSendTpye = nullptr, *rztlbrSend = nullptr, *rzspcr4 = nullptr;
    QToolButton *btnSendTpye = nullptr, *btnSend = nullptr, *btnSetSendKey = nullptr;
    QLineEdit *edtReTelNum = nullptr;
    QSplitter *rzspltrBtnAndDialog = nullptr, *rzspltrDialog = nullptr;
    QMenu *pmSend = nullptr, *pmCls = nullptr, *pmSendType = nullptr, *pmIni = nullptr, *pmFwUpOpt = nullptr;
    QMenu *mni_File = nullptr, *mni_Lang = nullptr, *mni_Help = nullptr;
    QAction *mni_Exit = nullptr, *mni_Cn = nullptr, *mni_En = nullptr, *mni_About = nullptr, *mni_Hint = nullptr,
            *mni_Up = nullptr, *mni_WorkOrder = nullptr;
    QAction *mniEnter = nullptr, *mniCtrlEnter = nullptr, *mniAutoCR = nullptr, *mniAtCmd = nullptr, *mniSms = nullptr,
            *mniOverRestart = nullptr, *ShowDataStream = nullptr;
    QAction *actSend = nullptr, *actCR = nullptr, *actCls = nullptr, *edtcpy = nullptr, *edtpst = nullptr,
            *edtslctlAll = nullptr;
};
