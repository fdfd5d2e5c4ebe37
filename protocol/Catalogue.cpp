#include "protocol/Catalogue.h"

#include <array>

namespace {

constexpr std::array<const char *, kCmdCount> kWords = {
    "H", "E", "Z", "VER", "HDVER", "ENTM", "SN", "ICCID", "MEID", "IMEI",
    "STMSG", "RELD", "CLEAR", "CFGTF", "WKMOD", "CMDPW", "UART", "RFCEN", "UARTFT", "UARTFL",
    "APN", "SOCKA", "SOCKB", "SOCKAEN", "SOCKBEN", "SOCKASL", "SOCKBSL", "SOCKALK", "SOCKBLK", "SOCKATO",
    "SOCKBTO", "SOCKC", "SOCKD", "SOCKCEN", "SOCKDEN", "SOCKCSL", "SOCKDSL", "SOCKCLK", "SOCKDLK", "SOCKCTO",
    "SOCKDTO", "SOCKIND", "REGEN", "REGTP", "REGID", "REGDT", "REGSND", "HEARTEN", "HEARTDT", "HEARTSND",
    "HEARTTM", "HTPTP", "HTPURL", "HTPSV", "HTPHD", "HTPTO", "HTPFLT", "DSTNUM", "SMSFLT", "SMSPH",
    "CLOUD", "CSQ",
};

static_assert(static_cast<int>(TCmd::CSQ) == kCmdCount - 1);

} // namespace

QByteArray CmdToStr(TCmd c)
{
    const auto i = static_cast<size_t>(c);
    return i < kWords.size() ? QByteArray(kWords[i]) : QByteArray();
}

std::optional<TCmd> StrToCmd(const QByteArray &word)
{
    for (size_t i = 0; i < kWords.size(); ++i) {
        if (word.compare(kWords[i], Qt::CaseInsensitive) == 0)
            return static_cast<TCmd>(i);
    }
    return std::nullopt;
}

std::optional<TCmd> CmdFromNumber(int n)
{
    if (n < 0 || n >= kCmdCount)
        return std::nullopt;
    return static_cast<TCmd>(n);
}
