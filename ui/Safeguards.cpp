#include "ui/Safeguards.h"

#include "lang/AppLang.h"
#include "util/Gbk.h"

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
