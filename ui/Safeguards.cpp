#include "ui/Safeguards.h"

#include "lang/AppLang.h"
#include "util/Gbk.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QRegularExpressionValidator>

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

void SetDigitsOnly(QWidget *form)
{
    static const char *const names[] = {
        "edtPortA",   "edtPortB",   "edtPortC",   "edtPortD",   "edtHTPSVPort", "edtSockATo",
        "edtSockBTo", "edtSockCTo", "edtSockDTo", "edtHtpTo",   "edtHeartTm",   "edtUARTFT",
        "edtUARTFL"};
    auto *digits = new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), form);
    for (const char *n : names)
        if (auto *e = form->findChild<QLineEdit *>(QString::fromLatin1(n)))
            e->setValidator(digits);
}
