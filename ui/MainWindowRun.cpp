// Start-up and shutdown of the main window, its texts, console and send box,
// the port button, the menus and the window-wide keys.
#include "ui/MainWindow.h"
#include "ui/StationMenu.h"

#include "app/Version.h"
#include "comm/PortList.h"
#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "config/ConfigIo.h"
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
    resize(1160, 783);
    CentreOnScreen(this);

    buildMenus();
    buildActions();
    auto *central = named_central();
    setCentralWidget(central);
    auto *v = new QVBoxLayout(central);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(buildTopBar());
    auto *h = new QHBoxLayout;
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(2);
    auto *pnlL = new QWidget(central);
    pnlL->setObjectName("pnlL");
    pnlL->setFixedWidth(520);
    auto *pnlR = new QWidget(central);
    pnlR->setObjectName("pnlR");
    buildLeft(pnlL);
    buildRight(pnlR);
    h->addWidget(pnlL);
    h->addWidget(pnlR, 1);
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
                  "QGroupBox#rzgrpbxDo { border-width: 2px; }" + RefusalMarks::styleRule());

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

    m_console = std::make_unique<ConsoleView>(edtDialog, edtDialogHex);
    m_extras = new ConsoleExtras(*this, *m_console, m_opts.loadConfig ? m_opts.configDir : QString());
    wireProtocol();
    InstallUpgradeMenu(*this);
    m_station = new StationMenu(*this);
    m_ports = new PortChooser(*this);
    ChainTabOrder(*this);

    qApp->installEventFilter(this);
    KeepWheelFromFocusing(this);
    FitFormToPanel(this);
    rztlbrSend->installEventFilter(this);
    // The spacer is sized from the bar's width; it must not feed back into the
    // bar's minimum, or the window could never become narrower again.
    rztlbrSend->setMinimumWidth(1);
    m_about = new Tfrm_About(this);
    FormCreate();
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
    if (auto *pc = dynamic_cast<PortCombo *>(cbbOpenCom)) {
        pc->onDropDown = nullptr;
        pc->onCloseUp = nullptr;
    }
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
    m_protocol = std::make_unique<Protocol>(this, *this, *m_console, m_tmrRcv, toPort, [this] { return m_comOpened; });
    m_protocol->setTimings(m_opts.timings);
    // A block ends with the module's final line as well as at the read gap.
    m_cm1->setBlockEnd(EndsWithFinalLine);

    FwUpgradeDeps d;
    d.sendToCom = [this](const QByteArray &t) { m_protocol->SendToCom(t); };
    d.lastSend = [this] { return m_protocol->LastSend(); };
    d.sendBytes = toPort;
    d.comOpened = [this] { return m_comOpened; };
    d.console = m_console.get();
    d.langText = [](const QByteArray &k) { return LangText(k); };
    d.progressVisible = [this](bool on) { rzpbWhile->setVisible(on); };
    d.progressTotal = [this](int n) { rzpbWhile->setRange(0, n); };
    d.progressValue = [this](int n) { rzpbWhile->setValue(n); };
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
    SetDigitsOnly(this);

    connect(m_cm1, &TComm::receiveData, this, [this](const QByteArray &b) {
        m_traffic->addRx(b.size());
        m_protocol->cm1ReceiveData(b);
    });
    connect(m_cm1, &TComm::receiveError, this, [this](quint32 bits) { cm1ReceiveError(bits); });
    connect(m_cm1, &TComm::requestHangup, this, [this] { cm1RequestHangup(); });
    connect(btnSend, &QToolButton::clicked, this, [this] { actSendExecute(); });
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
    if (ConfirmModuleReset(this, tag))
        m_protocol->btnDoClick(tag);
}
void TFrm_Main::actSendExecute()
{
    if (!m_extras->beforeSend())
        m_protocol->actSendExecute();
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
        m_console->ShowErr(gbk::fromUnicode(LangTextU("info_CfgNotRead").replace(QLatin1String("%s"), iniError)));
    else if (IniFile && !IniFile->isUnderstood())
        m_console->ShowErr(gbk::fromUnicode(LangTextU("info_CfgNotUnderstood").replace(QLatin1String("%s"), IniFile->FileName())));
    if (lf == TLangFileState::TooLarge || lf == TLangFileState::NotUnderstood)
        m_console->ShowErr(gbk::fromUnicode(LangTextU(lf == TLangFileState::TooLarge ? "info_LangFileTooLarge" : "info_LangFileNotUnderstood")
                                                .replace(QLatin1String("%s"), LangFilePath(m_opts.configDir))));
    if (m_opts.perUserConfig)
        m_console->ShowInfo(gbk::fromUnicode(LangTextU("info_CfgKeptIn").replace(QLatin1String("%s"), ConfigFilePath(m_opts.configDir))));
    if (lf == TLangFileState::WriteFailed)
        m_console->ShowErr(gbk::fromUnicode(LangTextU("info_LangFileError").replace(QLatin1String("%s"), LangFilePath(m_opts.configDir))));
    if (!m_opts.keepStoredWorkMode) {
        if (rbNetTran->isChecked())
            rbWkmokClick(0);
        else
            rbNetTran->setChecked(true);
    } else if (GetWorkMode() < 3) {
        rbWkmokClick(GetWorkMode());
    }
    setHexPane(false);
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
                m_console->ShowErr(gbk::fromUnicode(err));
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
        m_console->ShowInfo(LangText(k));
}

void TFrm_Main::ApplyMainTexts()
{
    rzgrpbxDoResize();
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

    SetLabelCaptionHint(lblOpenCom, "lang_lblOpenCom", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenBaud, "lang_lblOpenBaud", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenPDS, "lang_lblOpenPDS", "hint_cbbOpenUart");
    SetLabelCaptionHint(lblOpenFlow, "lang_lblOpenFlow", "hint_cbbOpenUart");
    SetControlCaption(btnOpenClose, btnOpenClose->property("Tag").toInt() == 2 ? "lang_btnClose" : "lang_btnOpen");
    SetControlCaption(btnFwUp, "lang_btnFwUp");
    SetGroupCaption(rzgrpbxWkmod, "lang_rzgrpbxWkmod");
    SetRadioCaption(rbNetTran, "lang_rbNetTran");
    SetRadioCaption(rbHttpd, "lang_rbHttpd");
    SetRadioCaption(rbSmsTran, "lang_rbSmsTran");
    SetParaGroupCaption(rzgrpbxPara, GetWorkMode(), "lang_rzgrpbxPara");
    static const char *const letters[] = {"A", "B", "C", "D"};
    for (int i = 0; i < 4; ++i) {
        SetServerCheckCaption(rzchckbxSkt[i], "lang_rzchckbxSkt", letters[i]);
        SetLabelCaption(lblIpAndPort[i], "lang_lblIpAndPort");
        SetLabelCaption(lblLinkTpye[i], "lang_lblLinkTpye");
        SetComboItem(cbbSL[i], 0, "lang_cbbASL0");
        SetComboItem(cbbSL[i], 1, "lang_cbbASL1");
        SetLabelCaption(lblSockTo[i], "lang_OverTimeS");
    }
    SetCheckBoxCaption(rzchckbxHeartEn, "lang_rzchckbxHeartEn");
    auto lbl = [this](const char *n) { return findChild<QLabel *>(QString::fromLatin1(n)); };
    SetLabelCaption(lbl("lblHeartTm"), "lang_lblHeartTm");
    SetLabelCaption(lbl("lblHeartDt"), "lang_lblHeartDt");
    SetLabelCaption(lbl("lblHeartSnd"), "lang_lblHeartSnd");
    SetComboItem(cbbHeartSnd, 0, "lang_cbbHeartSnd0");
    SetComboItem(cbbHeartSnd, 1, "lang_cbbHeartSnd1");
    SetCheckBoxCaption(rzchckbxRegEn, "lang_rzchckbxRegEn");
    SetLabelCaption(lbl("lblRegSnd"), "lang_lblRegSnd");
    SetComboItem(cbbRegSnd, 0, "lang_cbbRegSnd0");
    SetComboItem(cbbRegSnd, 1, "lang_cbbRegSnd1");
    SetLabelCaption(lbl("lblRegTp"), "lang_lblRegTp");
    SetComboItem(cbbRegTp, 0, "lang_cbbRegTp0");
    SetHdVerSign(m_hdVerSign);
    SetComboItem(cbbRegTp, 2, "lang_cbbRegTp2");
    SetComboItem(cbbRegTp, 3, "lang_cbbRegTp3");
    SetComboItem(cbbRegTp, 4, "lang_cbbRegTp4");
    cbbRegTpChange();
    SetCheckBoxCaption(rzchckbxSOCKIND, "lang_rzchckbxSOCKIND");
    SetLabelCaption(lbl("lblHTPTP"), "lang_lblHTPTP");
    SetLabelCaption(lbl("lblHTPURL"), "lang_lblHTPURL");
    SetLabelCaption(lbl("lblHTPSVIP"), "lang_lblHTPSVIP");
    SetLabelCaption(lbl("lblHTPSVPort"), "lang_lblHTPSVPort");
    SetLabelCaption(lbl("lblHtpTo"), "lang_OverTimeS");
    SetLabelCaption(lbl("lblHTPHD"), "lang_lblHTPHD");
    SetCheckBoxCaption(rzchckbxHtpFlt, "lang_rzchckbxHtpFlt");
    SetLabelCaption(lbl("lblDSTNUM"), "lang_lblDSTNUM");
    SetCheckBoxCaption(rzchckbxSMSFLT, "lang_rzchckbxSMSFLT");
    SetCheckBoxCaption(rzchckbxSMSPH, "lang_rzchckbxSMSPH");
    SetGroupCaption(rzgrpbxBase, "lang_rzgrpbxBase");
    SetLabelCaption(lbl("lblUart"), "lang_lblUart");
    SetLabelCaption(lbl("lblBaud"), "lang_lblBaud");
    SetLabelCaption(lbl("lblPDS"), "lang_lblOpenPDS");
    SetLabelCaption(lbl("lblFlow"), "lang_lblOpenFlow");
    SetCheckBoxCaption(rzchckbxMore, "lang_rzchckbxMore");
    SetCheckBoxCaption(rzchckbxRFC, "lang_rzchckbxRFC");
    SetLabelCaption(lbl("lblUARTFT"), "lang_lblUARTFT");
    SetLabelCaption(lbl("lblUARTFL"), "lang_lblUARTFL");
    SetCheckBoxCaption(rzchckbxE, "lang_rzchckbxE");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtCmdPw"), "lang_lbledtCmdPw");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtStMsg"), "lang_lbledtStMsg");
    SetLabeledEditCaption(findChild<QLineEdit *>("lbledtApn"), "lang_lbledtApn");
    SetGroupCaption(rzgrpbxDo, "lang_rzgrpbxDo");
    for (const char *b : {"btnAskAll", "btnSetAll", "btnPPPA", "btnENTM", "btnH", "btnZ", "btnVER", "btnCNUM",
                          "btnCFGTF", "btnRELD", "btnCLEAR", "btnCSQ"})
        SetButtonCaption(findChild<QPushButton *>(QString::fromLatin1(b)), QByteArray("lang_") + b);
    SetLabelCaption(lbl("lblReTelNum"), "lang_lblReTelNum");
    SetControlCaption(btnSend, "lang_btnSend");
    pmSendTypeClick(1);
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
    m_station->applyTexts();
    m_traffic->applyTexts();
    ApplyUpgradeTexts(*this);
    for (QComboBox *c : {cbbOpenBaud, cbbOpenP, cbbOpenD, cbbOpenS, cbbOpenFlow})
        SetComboHint(c, "hint_cbbOpenUart");
    for (const char *n : {"cbbBaud", "cbbFlow", "cbbP", "cbbD", "cbbS"})
        SetComboHint(findChild<QComboBox *>(QString::fromLatin1(n)), "hint_cbbUart");
    SetImageHint(imgCKZD, "hint_cbbUart");
    SetCheckBoxHint(rzchckbxSkt[0], "hint_chkEn");
    SetCheckBoxHint(rzchckbxHeartDtHex, "hint_chkHex");
    SetCheckBoxHint(rzchckbxRegDtHex, "hint_chkHex");
    imgGIF->setToolTip(LangTextU("hint_imgGif"));
    FitButtonsToText(this);
    ApplyMenuMnemonics(*this);
}

// Send-bar spacer: keeps the send button and its arrow at the right end, leaving
// room for everything else the bar holds (the repeat controls among them).
void TFrm_Main::rzgrpbxDoResize()
{
    int others = 0;
    QLayout *bar = rztlbrSend->layout();
    for (int i = 0; bar && i < bar->count(); ++i) {
        QLayoutItem *item = bar->itemAt(i);
        QWidget *x = item->widget();
        if (x == rzspcr4 || (x && x->isHidden()))
            continue;
        others += x == btnSetSendKey ? x->width() : item->sizeHint().width();
    }
    rzspcr4->setFixedWidth(std::max(0, rztlbrSend->width() - others - 30));
}

void TFrm_Main::resizeEvent(QResizeEvent *e)
{
    QMainWindow::resizeEvent(e);
    rzgrpbxDoResize();
}

bool TFrm_Main::hexPaneOn() const { return m_hexPane; }

void TFrm_Main::setHexPane(bool on)
{
    m_hexPane = on;
    m_console->setHexMirror(on);
    edtDialogHex->setVisible(on);
}

void TFrm_Main::pmSendClick(int tag)
{
    if (tag == 1) {
        actSend->setShortcut(QKeySequence(Qt::Key_Return));
        actCR->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
        mniEnter->setChecked(true);
        btnSend->setToolTip(mniEnter->text());
    } else if (tag == 2) {
        actSend->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Return));
        actCR->setShortcut(QKeySequence(Qt::Key_Return));
        mniCtrlEnter->setChecked(true);
        btnSend->setToolTip(mniCtrlEnter->text());
    }
    btnSend->setIcon(ToolImage(4));
}

void TFrm_Main::pmSendTypeClick(int tag)
{
    const int oldWidth = btnSendTpye->sizeHint().width();
    if (tag == 1) {
        rztlbrSendTpye->hide();
        SetControlCaption(btnSendTpye, "lang_pmSendType0");
        btnSendTpye->setProperty("Tag", 1);
    } else if (tag == 2) {
        rztlbrSendTpye->show();
        SetControlCaption(btnSendTpye, "lang_pmSendType1");
        btnSendTpye->setProperty("Tag", 2);
    } else {
        return;
    }
    const int newWidth = btnSendTpye->sizeHint().width();
    rzspcr4->setFixedWidth(std::max(0, rzspcr4->width() + oldWidth - newWidth));
}

void TFrm_Main::actCRExecute()
{
    QTextCursor c = edtSend->textCursor();
    c.movePosition(QTextCursor::End);
    c.insertBlock();
    edtSend->setTextCursor(c);
}

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
    if (o == rztlbrSend && e->type() == QEvent::Resize)
        rzgrpbxDoResize();
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

// ---- port ----

void TFrm_Main::FillPortList() { m_ports->Fill(); }
void TFrm_Main::cbbOpenComDropDown() { m_ports->DropDown(); }
void TFrm_Main::cbbOpenComCloseUp() { m_ports->CloseUp(); }

bool TFrm_Main::PortOpen()
{
    PortRowSettings row;
    row.comName = cbbOpenCom->currentText();
    row.baudText = cbbOpenBaud->currentText();
    row.parityIndex = cbbOpenP->currentIndex();
    row.dataIndex = cbbOpenD->currentIndex();
    row.stopIndex = cbbOpenS->currentIndex();
    row.flowIndex = cbbOpenFlow->currentIndex();
    m_tmrRcv->setInterval(m_protocol->timings().answerMs);
    m_tmrRcv->stop();
    TOpenFailureInfo why;
    m_comOpened = ::PortOpen(*m_cm1, row, nullptr, &why);
    m_lastOpenError = m_comOpened ? QByteArray() : OpenFailureText(why, row.comName);
    return m_comOpened;
}

void TFrm_Main::PortClose()
{
    ::PortClose(*m_cm1);
    m_comOpened = false;
}

void TFrm_Main::btnSysClick(int tag)
{
    if (tag == 1) {
        if (PortOpen()) {
            btnOpenClose->setProperty("Tag", 2);
            SetControlCaption(btnOpenClose, "lang_btnClose");
            btnOpenClose->setIcon(ToolImage(2));
            m_console->ShowInfo(LangText("info_ComOpenYes"));
        } else {
            m_console->ShowErr(m_lastOpenError);
        }
    } else if (tag == 2) {
        m_protocol->CancelQueue();
        PortClose();
        btnOpenClose->setProperty("Tag", 1);
        SetControlCaption(btnOpenClose, "lang_btnOpen");
        btnOpenClose->setIcon(ToolImage(0));
        m_console->ShowInfo(LangText("info_ComCloseYes"));
    } else if (tag == 3) {
        if (!m_fw->PrepareChoice())
            return;
        const QString path = QFileDialog::getOpenFileName(this, LangTextU("info_SlctFwFile"), QDir::currentPath(),
                                                          m_fw->DialogFilter());
        if (path.isEmpty())
            return;
        m_fw->ChooseFile(path);
    }
}

// A line error reopens the port. An operation waiting for an answer is cancelled, since
// its answer may have been the bytes lost; a reopening that fails leaves the port closed,
// and the button says so.
void TFrm_Main::cm1ReceiveError(quint32)
{
    if (m_protocol->busy()) {
        m_console->ShowErr(LangText("info_ComLineError"));
        m_protocol->CancelQueue();
    }
    PortClose();
    if (PortOpen())
        return;
    btnOpenClose->setProperty("Tag", 1);
    SetControlCaption(btnOpenClose, "lang_btnOpen");
    btnOpenClose->setIcon(ToolImage(0));
    m_console->ShowErr(m_lastOpenError);
}

// A worker that lost the line leaves the port dead: close it and say so,
// rather than keep showing an open port that sends nowhere.
void TFrm_Main::cm1RequestHangup()
{
    if (!m_comOpened && btnOpenClose->property("Tag").toInt() == 1)
        return;
    m_protocol->CancelQueue();
    PortClose();
    btnOpenClose->setProperty("Tag", 1);
    SetControlCaption(btnOpenClose, "lang_btnOpen");
    btnOpenClose->setIcon(ToolImage(0));
    m_console->ShowErr(LangText("info_ComHangup"));
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
