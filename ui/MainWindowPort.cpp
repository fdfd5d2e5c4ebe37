// The main window's serial port: opening and closing it from the port bar, line
// errors and a lost line, and line settings changed while it is open.
#include "ui/MainWindow.h"

#include "comm/PortOpener.h"
#include "comm/SPComm.h"
#include "firmware/FwUpgrade.h"
#include "lang/AppLang.h"
#include "protocol/Protocol.h"
#include "ui/Console.h"
#include "ui/MainTexts.h"
#include "ui/Pictures.h"
#include "ui/PortBar.h"
#include "ui/PortChooser.h"
#include "ui/Safeguards.h"
#include "util/Gbk.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QTimer>
#include <QToolButton>

void TFrm_Main::FillPortList() { m_ports->Fill(); }
void TFrm_Main::cbbOpenComDropDown() { m_ports->DropDown(); }
void TFrm_Main::cbbOpenComCloseUp() { m_ports->CloseUp(); }

bool TFrm_Main::PortOpen()
{
    PortRowSettings row;
    row.comName = m_portBar->cbbOpenCom->currentText();
    row.baudText = m_portBar->cbbOpenBaud->currentText();
    row.parityIndex = m_portBar->cbbOpenP->currentIndex();
    row.dataIndex = m_portBar->cbbOpenD->currentIndex();
    row.stopIndex = m_portBar->cbbOpenS->currentIndex();
    row.flowIndex = m_portBar->cbbOpenFlow->currentIndex();
    m_tmrRcv->setInterval(m_protocol->timings().answerMs);
    m_tmrRcv->stop();
    TOpenFailureInfo why;
    m_comOpened = ::PortOpen(*m_cm1, row, nullptr, &why);
    m_openedRow = m_comOpened ? rowText() : QString();
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
            m_portBar->showPortOpen(true);
            console()->ShowInfo(LangText("info_ComOpenYes"));
        } else {
            console()->ShowErr(m_lastOpenError);
        }
    } else if (tag == 2) {
        m_protocol->CancelQueue();
        PortClose();
        m_portBar->showPortOpen(false);
        console()->ShowInfo(LangText("info_ComCloseYes"));
        emit portClosed();
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

// The line settings of the port bar as one text: "9600 8 NONE 1 NONE".
QString TFrm_Main::rowText() const
{
    return QStringList{m_portBar->cbbOpenBaud->currentText(), m_portBar->cbbOpenD->currentText(),
                       m_portBar->cbbOpenP->currentText(), m_portBar->cbbOpenS->currentText(),
                       m_portBar->cbbOpenFlow->currentText()}
        .join(QLatin1Char(' '));
}

// New line settings on the open port: reopen it with them, saying so in one line. An
// operation that waits is cancelled first: its answers would come at another rate.
void TFrm_Main::reapplyPortSettings()
{
    if (!m_comOpened || rowText() == m_openedRow)
        return;
    m_protocol->CancelQueue();
    PortClose();
    if (PortOpen()) {
        console()->ShowInfo(gbk::fromUnicode(LangTextU("info_PortReapplied").replace(QLatin1String("%s"), m_openedRow)));
        return;
    }
    m_portBar->showPortOpen(false);
    console()->ShowErr(m_lastOpenError);
    emit portClosed();
}

// A line error reopens the port. An operation waiting for an answer is cancelled, since
// its answer may have been the bytes lost; a reopening that fails leaves the port closed,
// and the button says so.
void TFrm_Main::cm1ReceiveError(quint32)
{
    if (m_protocol->busy()) {
        console()->ShowErr(LangText("info_ComLineError"));
        m_protocol->CancelQueue();
    }
    PortClose();
    if (PortOpen())
        return;
    m_portBar->showPortOpen(false);
    console()->ShowErr(m_lastOpenError);
}

// A worker that lost the line leaves the port dead: close it and say so,
// rather than keep showing an open port that sends nowhere.
void TFrm_Main::cm1RequestHangup()
{
    if (!m_comOpened && m_portBar->btnOpenClose->property("Tag").toInt() == 1)
        return;
    m_protocol->CancelQueue();
    PortClose();
    m_portBar->showPortOpen(false);
    console()->ShowErr(LangText("info_ComHangup"));
    emit portClosed();
}

