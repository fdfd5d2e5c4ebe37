#include "ui/Safeguards.h"

#include "lang/AppLang.h"
#include "util/Gbk.h"

#include <QMessageBox>
#include <QPushButton>

QByteArray OpenFailureText(const TOpenFailureInfo &why, const QString &port)
{
    switch (why.kind) {
    case TOpenFailure::InUse:
        return LangText("info_ComOpenNo");
    case TOpenFailure::NoDevice:
        return LangText("info_ComNoDevice").replace("%s", gbk::fromUnicode(port));
    case TOpenFailure::NoAccess:
        return LangText("info_ComNoAccess");
    case TOpenFailure::None:
    case TOpenFailure::Other:
        break;
    }
    return LangText("info_ComOpenFail").replace("%s", gbk::fromUnicode(port + QStringLiteral(": ") + why.reason));
}

bool ConfirmModuleReset(QWidget *parent, int tag)
{
    if (tag != 20 && tag != 21)
        return true;
    const bool factory = tag == 21;
    QMessageBox box(QMessageBox::Question, LangTextU(factory ? "lang_btnCLEAR" : "lang_btnRELD"),
                    LangTextU(factory ? "info_AskCLEAR" : "info_AskRELD"), QMessageBox::NoButton, parent);
    box.setObjectName(QStringLiteral("dlgConfirmReset"));
    QPushButton *yes = box.addButton(LangTextU("lang_AskYes"), QMessageBox::YesRole);
    QPushButton *no = box.addButton(LangTextU("lang_AskNo"), QMessageBox::NoRole);
    yes->setObjectName(QStringLiteral("btnYes"));
    no->setObjectName(QStringLiteral("btnNo"));
    // A stray Enter or Esc keeps the module as it is.
    box.setDefaultButton(no);
    box.setEscapeButton(no);
    box.exec();
    return box.clickedButton() == yes;
}
