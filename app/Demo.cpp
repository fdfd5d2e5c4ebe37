#include "app/Demo.h"

#include "comm/PortList.h"
#include "lang/AppLang.h"
#include "protocol/ParamCodec.h"
#include "tools/dtu-sim/SimModule.h"
#include "ui/Console.h"
#include "ui/MainWindow.h"
#include "ui/PortBar.h"
#include "util/Gbk.h"

#include <QComboBox>
#include <QFile>

DemoModule::DemoModule()
{
    SimOptions o;
    o.startInCommandState = true;
    m_sim = std::make_unique<SimModule>(o);
}

DemoModule::~DemoModule()
{
    if (m_sim && m_sim->isRunning())
        UnregisterExtraPort(m_sim->slavePath());
}

bool DemoModule::start()
{
    if (!m_sim->start())
        return false;
    RegisterExtraPort(m_sim->slavePath());
    return true;
}

void DemoModule::attach(TFrm_Main &w)
{
    const QString port = m_sim->slavePath();
    w.FillPortList();
    ParamCodec::SelectItem(w.portBar()->cbbOpenCom, QFile::encodeName(port));
    ParamCodec::SelectItem(w.portBar()->cbbOpenBaud, "115200");
    w.portBar()->cbbOpenP->setCurrentIndex(0);
    w.portBar()->cbbOpenD->setCurrentIndex(1);
    w.portBar()->cbbOpenS->setCurrentIndex(0);
    w.portBar()->cbbOpenFlow->setCurrentIndex(0);
    w.console()->ShowInfo(gbk::fromUnicode(LangTextU("info_SimModule").replace(QLatin1String("%s"), port)));
}
