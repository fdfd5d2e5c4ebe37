#pragma once
// The main window: the control tree, its form rules, texts and wiring.
#include "protocol/Timings.h"
#include "ui/ConfigIo.h"
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
class ConsolePanel;
class ParamForm;
class PortBar;
class ConsoleExtras;
class StationMenu;
class ViewMenu;
class Protocol;
class TComm;
class TrafficCounter;
class FwUpgrade;
class PortChooser;
class PortReapply;
class Tfrm_About;

struct StartOptions {
    QString configDir;    // where R52xCfg.ini and R52xLang.txt live
    bool loadConfig = true;
    bool keepStoredWorkMode = false; // batch set-all applies the stored mode
    bool perUserConfig = false;      // the files live in the per-user directory: say where
    TProtocolTimings timings;        // how long the protocol waits for the module
};

class TFrm_Main : public QMainWindow, public IniTarget {
    Q_OBJECT
public:
    explicit TFrm_Main(const StartOptions &opts, QWidget *parent = nullptr);
    ~TFrm_Main() override;

    // The panels the window is made of.
    PortBar *portBar() const { return m_portBar; }
    ParamForm *form() const { return m_form; }
    ConsolePanel *consolePanel() const { return m_consolePanel; }

    // Texts.
    void ApplyMainTexts();

    // Console and send box.
    ConsoleView *console() const;
    ConsoleExtras *consoleExtras() const { return m_extras; }
    TrafficCounter *traffic() const { return m_traffic; }
    void pmSendClick(int tag);
    void pmSendTypeClick(int tag);
    void actClsExecute();

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
    // The port bar's line settings changed while the port is open.
    void reapplyPortSettings();
    QString rowText() const;

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
    FormHooks &iniHooks() override;
    void iniFillPortList() override { FillPortList(); }
    bool iniHintsOn() const override { return m_hintsOn; }
    void iniSetHintsOn(bool on) override { setHintsOn(on); }
    void iniSendKeyClick(int tag) override { pmSendClick(tag); }
    int iniSendKeyTag() const override;
    THdVerSign iniHdVerSign() const override;
    void iniSetHdVerSign(THdVerSign s) override;
    ConsoleOptions iniConsoleOptions() const override;
    void iniSetConsoleOptions(const ConsoleOptions &o) override;
    QByteArray iniWindowPlace() const override;
    void iniSetWindowPlace(const QByteArray &text) override;

signals:
    // The port was closed by the button or lost with its line.
    void portClosed();

protected:
    void closeEvent(QCloseEvent *e) override;
    bool eventFilter(QObject *o, QEvent *e) override;

private:
    void buildMenus();
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
    bool m_comOpened = false;
    bool m_hintsOn = true;
    bool m_closed = false;
    bool m_saveFailed = false;
    QByteArray m_lastOpenError;

    TComm *m_cm1 = nullptr;
    PortBar *m_portBar = nullptr;
    ParamForm *m_form = nullptr;
    ConsolePanel *m_consolePanel = nullptr;
    ConsoleExtras *m_extras = nullptr;
    StationMenu *m_station = nullptr;
    ViewMenu *m_view = nullptr;
    TrafficCounter *m_traffic = nullptr;
    std::unique_ptr<Protocol> m_protocol;
    std::unique_ptr<FwUpgrade> m_fw;
    Tfrm_About *m_about = nullptr;
    PortChooser *m_ports = nullptr;
    PortReapply *m_reapply = nullptr;
    QString m_openedRow; // the line settings the port was opened with
    QByteArray m_placeAsRead, m_placeAsRestored; // the kept window place, and where it put the window
    QTimer *m_tmrRcv = nullptr;

public:
    // The menus and actions; the controls are the panels'. Tests find them by name too.
    QMenu *pmSend = nullptr, *pmCls = nullptr, *pmSendType = nullptr, *pmIni = nullptr, *pmFwUpOpt = nullptr;
    QMenu *mni_File = nullptr, *mni_Lang = nullptr, *mni_Help = nullptr;
    QAction *mni_Exit = nullptr, *mni_Cn = nullptr, *mni_En = nullptr, *mni_About = nullptr, *mni_Hint = nullptr,
            *mni_Up = nullptr, *mni_WorkOrder = nullptr;
    QAction *mniEnter = nullptr, *mniCtrlEnter = nullptr, *mniAutoCR = nullptr, *mniAtCmd = nullptr, *mniSms = nullptr,
            *mniOverRestart = nullptr, *ShowDataStream = nullptr;
    QAction *actSend = nullptr, *actCR = nullptr, *actCls = nullptr, *edtcpy = nullptr, *edtpst = nullptr,
            *edtslctlAll = nullptr;
};
