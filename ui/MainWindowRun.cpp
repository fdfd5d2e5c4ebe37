// Start-up and shutdown of the main window, its texts, console and send box,
// the port button, the menus and the window-wide keys.
#include "ui/MainWindow.h"
#include "ui/ConsolePanel.h"
#include "ui/ParamForm.h"
#include "ui/PortBar.h"
#include "ui/StationMenu.h"
#include "ui/ViewMenu.h"
#include "ui/WindowPlace.h"

#include "util/Version.h"
#include "comm/PortList.h"
#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "ui/ConfigIo.h"
#include "config/IniFile.h"
#include "firmware/FwUpgrade.h"
#include "lang/AppLang.h"
#include "protocol/FinalLine.h"
#include "protocol/Protocol.h"
#include "ui/AboutBox.h"
#include "ui/Console.h"
#include "ui/FormFit.h"
#include "ui/FormWheel.h"
#include "ui/ConsoleExtras.h"
#include "ui/MainTexts.h"
#include "ui/MenuKeys.h"
#include "ui/UpgradeDialog.h"
#include "ui/Pictures.h"
#include "ui/PortChooser.h"
#include "ui/PortReapply.h"
#include "ui/FieldRanges.h"
#include "ui/RefusalMarks.h"
#include "ui/Safeguards.h"
#include "ui/TrafficCounter.h"
#include "ui/Widgets.h"
#include "util/Gbk.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QTextEdit>
#include <QTimer>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <QWheelEvent>


static void initUiResources() { Q_INIT_RESOURCE(ui); }

TFrm_Main::TFrm_Main(const StartOptions &opts, QWidget *parent) : QMainWindow(parent), m_opts(opts)
{
    initUiResources();
    if (!dynamic_cast<HintStyle *>(QApplication::style()))
        QApplication::setStyle(new HintStyle);
    setObjectName("Frm_Main");
    setWindowTitle("QEB-Test");
    QFont f;
    f.setFamilies({"SimSun", "WenQuanYi Micro Hei", "Sans Serif"});
    f.setPointSize(9);
    setFont(f);
    resize(1160, 783); // placed at the end of the start: a kept place, or fitted into the screen

    buildMenus();
    buildActions();
    auto *central = named_central();
    setCentralWidget(central);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    m_portBar = new PortBar(pmIni, pmFwUpOpt, central);
    v->addWidget(m_portBar);
    auto *h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    m_form = new ParamForm(central);
    m_consolePanel = new ConsolePanel(pmSend, pmSendType, pmCls, central);
    h->addWidget(m_form);
    h->addWidget(m_consolePanel, 1);
    v->addLayout(h, 1);
    auto *sb = new QStatusBar(this);
    sb->setObjectName("rzstsbrBottom");
    sb->setFixedHeight(19);
    sb->setSizeGripEnabled(false);
    setStatusBar(sb);
    setStyleSheet("QGroupBox[banner=\"true\"] { font-weight: bold; border: 1px solid #8aa0b8; margin-top: 18px; }"
                  "QGroupBox[banner=\"true\"]::title { subcontrol-origin: margin; left: 0px; right: 0px;"
                  " padding: 2px 4px; background: #dce6f2; color: #1a3a5a; }"
                  "QGroupBox[frame=\"true\"] { border: 1px solid #b8c4d0; margin-top: 0px; }"
                  "QGroupBox#rzgrpbxBtn { border: none; margin-top: 0px; }"
                  "QGroupBox#rzgrpbxDo { border-width: 2px; }" + RefusalMarks::styleRule() + OutOfRangeStyleRule());

    m_tmrRcv = new QTimer(this);
    m_tmrRcv->setObjectName("tmrRcv");
    m_tmrRcv->setInterval(1000);

    m_cm1 = new TComm(this);
    m_cm1->setObjectName("cm1");
    m_cm1->setCommName("COM2");
    m_cm1->setBaudRate(9600);
    m_cm1->setParityCheck(false);
    m_cm1->setOutx_CtsFlow(false);
    m_cm1->setOutx_DsrFlow(false);
    m_cm1->setTxContinueOnXoff(false);
    m_cm1->setReadIntervalTimeout(10);

    m_form->setWarnings(console());
    connect(m_portBar, &PortBar::openCloseClicked, this, &TFrm_Main::btnSysClick);
    connect(m_portBar, &PortBar::dropDown, this, &TFrm_Main::cbbOpenComDropDown);
    connect(m_portBar, &PortBar::closeUp, this, &TFrm_Main::cbbOpenComCloseUp);
    connect(m_consolePanel, &ConsolePanel::commandClicked, this, &TFrm_Main::btnDoClick);
    wireProtocol();
    const ConsoleHost host{*this, *pmSend, *pmCls, *mni_File, mni_Exit, edtpst, *m_protocol,
                           [this] { return m_comOpened; }, [this] { return m_traffic ? m_traffic->tx() : 0; }};
    m_extras = new ConsoleExtras(*m_consolePanel, host, m_opts.loadConfig ? m_opts.configDir : QString());
    // After the window's own line about the closed port.
    connect(this, &TFrm_Main::portClosed, m_extras, [this] { m_extras->portClosed(); }, Qt::QueuedConnection);
    InstallUpgradeMenu(*mni_File, {this, [this]() -> FwUpgrade & { return *m_fw; },
                                   [this] { return mniOverRestart && mniOverRestart->isChecked(); }});
    m_station = new StationMenu(*mni_File);
    m_view = new ViewMenu(*menuBar(), mni_Lang, *m_consolePanel, m_extras->mniTimestamps);
    m_ports = new PortChooser(*m_portBar, [this](const QString &path) {
        console()->ShowInfo(gbk::fromUnicode(LangTextU("info_ComReopen").replace(QLatin1String("%s"), path)));
        btnSysClick(1);
    });
    connect(m_cm1, &TComm::requestHangup, m_ports, &PortChooser::lineLost);
    m_reapply = new PortReapply(*m_portBar, [this] { return m_comOpened; }, [this] { reapplyPortSettings(); });
    ChainTabOrder(*this);

    qApp->installEventFilter(this);
    KeepWheelFromFocusing(this);
    FitFormToPanel(this);
    m_about = new Tfrm_About(this, *m_consolePanel);
    FormCreate();
    // Without a kept place the window opens inside the screen's available area.
    if (m_placeAsRead.isEmpty())
        FitIntoScreen(this);
}

QWidget *TFrm_Main::named_central()
{
    auto *w = new QWidget(this);
    w->setObjectName("centralWidget");
    return w;
}

TFrm_Main::~TFrm_Main()
{
    qApp->removeEventFilter(this);
    // QWidget's destructor still hides the children (closing the port list's
    // popup), when this object is no longer a TFrm_Main.
    m_portBar->disconnect(this);
    if (!m_closed)
        FormClose();
}

void TFrm_Main::wireProtocol()
{
    m_traffic = new TrafficCounter(statusBar());
    statusBar()->addPermanentWidget(m_traffic);
    // Every hand-over to the port goes through here, so the counter sees all of it.
    const auto toPort = [this](const QByteArray &b) {
        const bool queued = m_cm1->SendBytes(b);
        if (queued)
            m_traffic->addTx(b.size());
        return queued;
    };
    m_protocol = std::make_unique<Protocol>(this, *m_form, *console(), m_tmrRcv, toPort, [this] { return m_comOpened; });
    m_protocol->setTimings(m_opts.timings);
    // A block ends with the module's final line as well as at the read gap.
    m_cm1->setBlockEnd(EndsWithFinalLine);

    FwUpgradeDeps d;
    d.sendToCom = [this](const QByteArray &t) { m_protocol->SendToCom(t); };
    d.lastSend = [this] { return m_protocol->LastSend(); };
    d.sendBytes = toPort;
    d.comOpened = [this] { return m_comOpened; };
    d.console = console();
    d.langText = [](const QByteArray &k) { return LangText(k); };
    d.progressVisible = [this](bool on) { m_consolePanel->rzpbWhile->setVisible(on); };
    d.progressTotal = [this](int n) { m_consolePanel->rzpbWhile->setRange(0, n); };
    d.progressValue = [this](int n) { m_consolePanel->rzpbWhile->setValue(n); };
    d.overRestart = [this] { return mniOverRestart->isChecked(); };
    d.showDataStream = [this] { return ShowDataStream->isChecked(); };
    d.fastReads = [this](bool on) {
        const quint32 baud = m_cm1->BaudRate();
        m_cm1->setReadIntervalTimeout(on ? TransferReadGapForBaud(baud) : ReadGapForBaud(baud));
    };
    d.passOn = [this](const QByteArray &b) { m_protocol->DispatchRcv(b); };
    m_fw = std::make_unique<FwUpgrade>(d, this);
    m_protocol->setClaimBlock([this](const QByteArray &b) { return m_fw->ClaimBlock(b); });
    new RefusalMarks(this, *m_protocol);
    GuardFieldRanges(m_form);

    connect(m_cm1, &TComm::receiveData, this, [this](const QByteArray &b) {
        m_traffic->addRx(b.size());
        m_protocol->cm1ReceiveData(b);
    });
    connect(m_cm1, &TComm::receiveError, this, [this](quint32 bits) { cm1ReceiveError(bits); });
    connect(m_cm1, &TComm::requestHangup, this, [this] { cm1RequestHangup(); });
    connect(m_consolePanel->btnSend, &QToolButton::clicked, this, [this] { actSendExecute(); });
    connect(actSend, &QAction::triggered, this, [this] { actSendExecute(); });
}

int TFrm_Main::iniSendKeyTag() const
{
    if (actSend->shortcut() == QKeySequence(Qt::Key_Return))
        return 1;
    if (actSend->shortcut() == QKeySequence(Qt::CTRL | Qt::Key_Return))
        return 2;
    return 0;
}

void TFrm_Main::btnDoClick(int tag)
{
    // On a closed port nothing is asked: the protocol says to open it first.
    if (!m_comOpened || ConfirmModuleReset(this, tag))
        m_protocol->btnDoClick(tag);
}
void TFrm_Main::actSendExecute()
{
    m_extras->send();
}

void TFrm_Main::FormCreate()
{
    // The program's own date and time formats follow the locale's ISO form;
    // the desktop's per-user setting is left alone.
    const TLangFileState lf = InitLanguage(m_opts.configDir);
    QString iniError;
    const bool iniRead = !m_opts.loadConfig || LoadIni(*this, m_opts.configDir, &iniError);
    ApplyMainTexts();
    if (!iniRead)
        console()->ShowErr(gbk::fromUnicode(LangTextU("info_CfgNotRead").replace(QLatin1String("%s"), iniError)));
    else if (IniFile && !IniFile->isUnderstood())
        console()->ShowErr(gbk::fromUnicode(LangTextU("info_CfgNotUnderstood").replace(QLatin1String("%s"), IniFile->FileName())));
    else if (IniFile && !IniFile->strangeLines().isEmpty()) {
        QStringList numbers;
        for (int n : IniFile->strangeLines().mid(0, 10))
            numbers << QString::number(n);
        if (IniFile->strangeLines().size() > 10)
            numbers << QStringLiteral("...");
        const QString what = QStringLiteral("%1: %2").arg(IniFile->FileName(), numbers.join(QStringLiteral(", ")));
        console()->ShowErr(gbk::fromUnicode(LangTextU("info_CfgLinesNotUnderstood").replace(QLatin1String("%s"), what)));
    }
    if (iniRead && IniFile && !TIniFile::readOnlyReason(IniFile->FileName()).isEmpty())
        console()->ShowErr(gbk::fromUnicode(LangTextU("info_CfgReadOnly").replace(QLatin1String("%s"), IniFile->FileName())));
    if (lf == TLangFileState::TooLarge || lf == TLangFileState::NotUnderstood)
        console()->ShowErr(gbk::fromUnicode(LangTextU(lf == TLangFileState::TooLarge ? "info_LangFileTooLarge" : "info_LangFileNotUnderstood")
                                                .replace(QLatin1String("%s"), LangFilePath(m_opts.configDir))));
    if (m_opts.perUserConfig)
        console()->ShowInfo(gbk::fromUnicode(LangTextU("info_CfgKeptIn").replace(QLatin1String("%s"), ConfigFilePath(m_opts.configDir))));
    if (lf == TLangFileState::WriteFailed)
        console()->ShowErr(gbk::fromUnicode(LangTextU("info_LangFileError").replace(QLatin1String("%s"), LangFilePath(m_opts.configDir))));
    if (!m_opts.keepStoredWorkMode) {
        if (m_form->rbNetTran->isChecked())
            m_form->rbWkmokClick(0);
        else
            m_form->rbNetTran->setChecked(true);
    } else if (m_form->GetWorkMode() < 3) {
        m_form->rbWkmokClick(m_form->GetWorkMode());
    }
    m_consolePanel->setHexPane(false);
}

void TFrm_Main::FormClose()
{
    if (m_closed)
        return;
    m_closed = true;
    m_fw->CloseFile();
    m_protocol->orders().ClearOrders();
    if (m_opts.loadConfig) {
        QString err;
        const bool saved = SaveIni(*this, &err);
        FreeIni();
        if (!saved) {
            m_saveFailed = true;
            if (QGuiApplication::platformName() != QLatin1String("offscreen"))
                QMessageBox::critical(this, windowTitle(), err);
            else
                console()->ShowErr(gbk::fromUnicode(err));
        }
    }
    FreeLanguage();
}

void TFrm_Main::closeEvent(QCloseEvent *e)
{
    FormClose();
    if (m_about)
        m_about->close();
    e->accept();
}

void TFrm_Main::showStartLines()
{
    for (const char *k : {"info_Start0", "info_Start1", "info_Start2", "info_Start3", "info_Start4", "info_Start5"})
        console()->ShowInfo(LangText(k));
}

void TFrm_Main::ApplyMainTexts()
{
    m_consolePanel->rzgrpbxDoResize();
    setWindowTitle(LangTextU("lang_Main_Title") + QStringLiteral(" V") + GetAppVersion());
    setWindowIconText(LangTextU("lang_Main_AppTitle"));
    mni_File->setTitle(LangTextU("lang_Menu_File"));
    mni_Exit->setText(LangTextU("lang_Menu_Quit"));
    mni_Lang->setTitle(LangTextU("lang_Menu_Lang"));
    mni_Cn->setText(LangTextU("lang_Menu_Cn"));
    mni_En->setText(LangTextU("lang_Menu_En"));
    mni_Help->setTitle(LangTextU("lang_Menu_Help"));
    mni_About->setText(LangTextU("lang_Menu_About"));
    mni_Hint->setText(LangTextU("lang_Menu_Hint"));
    mni_Up->setText(LangTextU("lang_Menu_Version"));
    mni_WorkOrder->setText(LangTextU("lang_Menu_WorkOrder"));
    showStartLines();
    m_ports->ApplyTexts();

    m_portBar->applyTexts();
    m_form->applyTexts();
    m_consolePanel->applyTexts();
    SetPopupItemCaption(pmSendType, 0, "lang_pmSendType0");
    SetPopupItemCaption(pmSendType, 1, "lang_pmSendType1");
    SetPopupItemCaption(pmSend, 0, "lang_pmSend0");
    SetPopupItemCaption(pmSend, 1, "lang_pmSend1");
    SetPopupItemCaption(pmSend, 3, "lang_pmSend3");
    SetPopupItemCaption(pmCls, 0, "lang_pmCls0");
    SetPopupItemCaption(pmCls, 1, "lang_pmCls1");
    SetPopupItemCaption(pmCls, 2, "lang_pmCls2");
    SetPopupItemCaption(pmCls, 4, "lang_pmCls4");
    SetPopupItemCaption(pmFwUpOpt, 0, "lang_pmFwUpOpt0");
    SetPopupItemCaption(pmFwUpOpt, 1, "lang_pmFwUpOpt1");
    m_extras->applyTexts();
    m_view->applyTexts();
    m_station->applyTexts();
    m_traffic->applyTexts();
    ApplyUpgradeTexts(*this);
    FitButtonsToText(this);
    ApplyMenuMnemonics(*this);
}

ConsoleView *TFrm_Main::console() const { return m_consolePanel->console(); }

FormHooks &TFrm_Main::iniHooks() { return *m_form; }
ConsoleOptions TFrm_Main::iniConsoleOptions() const { return m_extras->options(); }
void TFrm_Main::iniSetConsoleOptions(const ConsoleOptions &o) { m_extras->setOptions(o); }

// The window's splitters, in the order their sizes are kept.
static QList<QSplitter *> keptSplitters(const TFrm_Main &w)
{
    return {w.findChild<QSplitter *>(QStringLiteral("pnlLSplitter")), w.consolePanel()->rzspltrBtnAndDialog,
            w.consolePanel()->rzspltrDialog};
}

// A place the user did not change goes back as it was read: fitting it to this screen
// is no reason to rewrite the file.
QByteArray TFrm_Main::iniWindowPlace() const
{
    const QByteArray now = EncodeWindowPlace(CaptureWindowPlace(*this, keptSplitters(*this)));
    return now == m_placeAsRestored ? m_placeAsRead : now;
}

void TFrm_Main::iniSetWindowPlace(const QByteArray &text)
{
    if (const auto place = DecodeWindowPlace(text)) {
        RestoreWindowPlace(*this, keptSplitters(*this), *place);
        m_consolePanel->splittersRestored();
        m_placeAsRead = text;
        m_placeAsRestored = EncodeWindowPlace(CaptureWindowPlace(*this, keptSplitters(*this)));
    }
}
THdVerSign TFrm_Main::iniHdVerSign() const { return m_form->HdVerSign(); }
void TFrm_Main::iniSetHdVerSign(THdVerSign s) { m_form->setHdVerSignValue(s); }

void TFrm_Main::pmSendClick(int tag)
{
    if (tag == 1) {
        actSend->setShortcut(QKeySequence(Qt::Key_Return));
        actCR->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
        mniEnter->setChecked(true);
        m_consolePanel->btnSend->setToolTip(mniEnter->text());
    } else if (tag == 2) {
        actSend->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
        actCR->setShortcut(QKeySequence(Qt::Key_Return));
        mniCtrlEnter->setChecked(true);
        m_consolePanel->btnSend->setToolTip(mniCtrlEnter->text());
    }
    m_consolePanel->btnSend->setIcon(ToolImage(4));
}

void TFrm_Main::pmSendTypeClick(int tag) { m_consolePanel->pmSendTypeClick(tag); }

void TFrm_Main::actClsExecute()
{
    QWidget *w = QApplication::focusWidget();
    if (auto *l = qobject_cast<QLineEdit *>(w))
        l->clear();
    else if (auto *p = qobject_cast<QPlainTextEdit *>(w))
        p->clear();
    else if (auto *t = qobject_cast<QTextEdit *>(w))
        t->clear();
}

bool TFrm_Main::eventFilter(QObject *o, QEvent *e)
{
    if (e->type() == QEvent::ToolTip) {
        if (!m_hintsOn)
            return true;
        // Hints stay up for ten minutes instead of the toolkit's few seconds.
        auto *w = qobject_cast<QWidget *>(o);
        if (w && w->window() == this && !w->toolTip().isEmpty()) {
            QToolTip::showText(static_cast<QHelpEvent *>(e)->globalPos(), w->toolTip(), w, QRect(), 600000);
            return true;
        }
    }
    if (HandleFormWheel(o, e, this))
        return true;
    if (e->type() == QEvent::KeyPress || e->type() == QEvent::ShortcutOverride) {
        auto *w = qobject_cast<QWidget *>(o);
        if (!w || w->window() != this || !isActiveWindowOrOffscreen() || m_extras->ownsKeys(w))
            return QMainWindow::eventFilter(o, e);
        auto *k = static_cast<QKeyEvent *>(e);
        const int key = k->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter && key != Qt::Key_Delete)
            return QMainWindow::eventFilter(o, e);
        const Qt::KeyboardModifiers mods = k->modifiers() & ~Qt::KeypadModifier;
        const QKeySequence seq(int(mods) | (key == Qt::Key_Enter ? int(Qt::Key_Return) : key));
        QAction *hit = nullptr;
        for (QAction *a : {actSend, actCR, actCls})
            if (a->shortcut() == seq)
                hit = a;
        if (!hit)
            return QMainWindow::eventFilter(o, e);
        if (e->type() == QEvent::ShortcutOverride) {
            // Claim the key so that the focused editor does not take it first.
            e->accept();
            return true;
        }
        hit->trigger();
        return true;
    }
    return QMainWindow::eventFilter(o, e);
}

bool TFrm_Main::isActiveWindowOrOffscreen() const
{
    return isActiveWindow() || QGuiApplication::platformName() == QLatin1String("offscreen");
}

// ---- menus ----

void TFrm_Main::setHintsOn(bool on)
{
    m_hintsOn = on;
    mni_Hint->setChecked(on);
}

void TFrm_Main::mni_MenuClick(const QString &name)
{
    if (name == QLatin1String("mni_Hint")) {
        setHintsOn(!mni_Hint->isChecked());
    } else if (name == QLatin1String("mni_Exit")) {
        close();
    } else if (name == QLatin1String("mni_About")) {
        m_about->exec();
    } else if (name == QLatin1String("mni_Cn") || name == QLatin1String("mni_En")) {
        const bool zh = name == QLatin1String("mni_Cn");
        (zh ? mni_Cn : mni_En)->setChecked(true);
        if (LangList)
            LangList->IsChinese = zh;
        ApplyMainTexts();
    } else if (name == QLatin1String("mni_Up")) {
        QDesktopServices::openUrl(QUrl(LangTextU("lang_Menu_DownUrl")));
    } else if (name == QLatin1String("mni_WorkOrder")) {
        QDesktopServices::openUrl(QUrl(LangTextU("lang_Menu_WorkOrderUrl")));
    }
}
