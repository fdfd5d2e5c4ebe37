#include "tools/dtu-sim/SimParams.h"

#include <algorithm>
#include <charconv>

namespace {

enum class Kind { OnOff, Keyword, Text, Number, Hex, Digits, Uart, Sock, HostPort, Cloud, ReadOnly };

struct ParamDef
{
    const char *word;
    Kind kind;
    const char *factory;
    int min;              // Text/Hex/Digits: shortest length; Number: lowest value
    int max;              // Text/Hex/Digits: longest length; Number: highest value
    const char *keywords; // Keyword: '|'-separated
    const char *help;
};

constexpr const char *kHost = "test.example.com";
constexpr const char *kHeartHex = "7777772E6578616D706C652E636F6D"; // www.example.com

const ParamDef kParams[] = {
    {"E", Kind::OnOff, "OFF", 0, 0, nullptr, "echo ON/OFF"},
    {"WKMOD", Kind::Keyword, "NET", 0, 0, "NET|HTTPD|SMS", "work mode NET/HTTPD/SMS"},
    {"CMDPW", Kind::Text, "qmv.tz", 1, 16, nullptr, "command password"},
    {"STMSG", Kind::Text, "[QEB-R520]", 0, 64, nullptr, "start-up message"},
    {"SN", Kind::ReadOnly, "0123456789ABCDEF", 0, 0, nullptr, "serial number"},
    {"ICCID", Kind::ReadOnly, "89860012345678901234", 0, 0, nullptr, "SIM card ICCID"},
    {"MEID", Kind::ReadOnly, "99000123456789", 0, 0, nullptr, "module MEID"},
    {"IMEI", Kind::ReadOnly, "860123456789012", 0, 0, nullptr, "module IMEI"},
    {"UART", Kind::Uart, "115200,8,1,NONE,NFC", 0, 0, nullptr, "baud,data,stop,parity,flow"},
    {"RFCEN", Kind::OnOff, "OFF", 0, 0, nullptr, "RFC2217-like mode ON/OFF"},
    {"UARTFT", Kind::Number, "50", 10, 60000, nullptr, "packing time (ms)"},
    {"UARTFL", Kind::Number, "1024", 1, 4096, nullptr, "packing length (bytes)"},
    {"APN", Kind::Text, "CMNET,,", 0, 64, nullptr, "APN,user,password"},
    {"SOCKA", Kind::Sock, nullptr, 0, 0, nullptr, "socket A protocol,address,port"},
    {"SOCKB", Kind::Sock, nullptr, 0, 0, nullptr, "socket B protocol,address,port"},
    {"SOCKC", Kind::Sock, nullptr, 0, 0, nullptr, "socket C protocol,address,port"},
    {"SOCKD", Kind::Sock, nullptr, 0, 0, nullptr, "socket D protocol,address,port"},
    {"SOCKAEN", Kind::OnOff, "ON", 0, 0, nullptr, "socket A enable ON/OFF"},
    {"SOCKBEN", Kind::OnOff, "OFF", 0, 0, nullptr, "socket B enable ON/OFF"},
    {"SOCKCEN", Kind::OnOff, "OFF", 0, 0, nullptr, "socket C enable ON/OFF"},
    {"SOCKDEN", Kind::OnOff, "OFF", 0, 0, nullptr, "socket D enable ON/OFF"},
    {"SOCKASL", Kind::Keyword, "LONG", 0, 0, "SHORT|LONG", "socket A SHORT/LONG connection"},
    {"SOCKBSL", Kind::Keyword, "LONG", 0, 0, "SHORT|LONG", "socket B SHORT/LONG connection"},
    {"SOCKCSL", Kind::Keyword, "LONG", 0, 0, "SHORT|LONG", "socket C SHORT/LONG connection"},
    {"SOCKDSL", Kind::Keyword, "LONG", 0, 0, "SHORT|LONG", "socket D SHORT/LONG connection"},
    {"SOCKALK", Kind::ReadOnly, "OFF", 0, 0, nullptr, "socket A link state"},
    {"SOCKBLK", Kind::ReadOnly, "OFF", 0, 0, nullptr, "socket B link state"},
    {"SOCKCLK", Kind::ReadOnly, "OFF", 0, 0, nullptr, "socket C link state"},
    {"SOCKDLK", Kind::ReadOnly, "OFF", 0, 0, nullptr, "socket D link state"},
    {"SOCKATO", Kind::Number, "5", 0, 600, nullptr, "socket A time-out (s)"},
    {"SOCKBTO", Kind::Number, "5", 0, 600, nullptr, "socket B time-out (s)"},
    {"SOCKCTO", Kind::Number, "5", 0, 600, nullptr, "socket C time-out (s)"},
    {"SOCKDTO", Kind::Number, "5", 0, 600, nullptr, "socket D time-out (s)"},
    {"SOCKIND", Kind::OnOff, "OFF", 0, 0, nullptr, "socket indication ON/OFF"},
    {"REGEN", Kind::OnOff, "OFF", 0, 0, nullptr, "registration packet ON/OFF"},
    {"REGTP", Kind::Keyword, "USER", 0, 0, "ICCID|IMEI|MEID|D2DID|CLOUD|USER", "registration type"},
    {"REGID", Kind::Text, "1111", 0, 64, nullptr, "registration ID"},
    {"REGDT", Kind::Hex, kHeartHex, 0, 400, nullptr, "registration data (hex)"},
    {"REGSND", Kind::Keyword, "LINK", 0, 0, "LINK|DATA", "registration sent on LINK/DATA"},
    {"HEARTEN", Kind::OnOff, "ON", 0, 0, nullptr, "heartbeat ON/OFF"},
    {"HEARTDT", Kind::Hex, kHeartHex, 0, 400, nullptr, "heartbeat data (hex)"},
    {"HEARTSND", Kind::Keyword, "NET", 0, 0, "NET|COM", "heartbeat sent to NET/COM"},
    {"HEARTTM", Kind::Number, "30", 1, 65535, nullptr, "heartbeat interval (s)"},
    {"HTPTP", Kind::Keyword, "GET", 0, 0, "GET|POST", "HTTP request GET/POST"},
    {"HTPURL", Kind::Text, "/1.php[3F]", 0, 128, nullptr, "HTTP URL"},
    {"HTPSV", Kind::HostPort, nullptr, 0, 0, nullptr, "HTTP server address,port"},
    {"HTPHD", Kind::Text, "Connection: close[0D][0A]", 0, 200, nullptr, "HTTP header"},
    {"HTPTO", Kind::Number, "10", 1, 600, nullptr, "HTTP time-out (s)"},
    {"HTPFLT", Kind::OnOff, "ON", 0, 0, nullptr, "HTTP header filter ON/OFF"},
    {"DSTNUM", Kind::Digits, "10086", 1, 20, nullptr, "SMS target number"},
    {"SMSFLT", Kind::OnOff, "ON", 0, 0, nullptr, "SMS source filter ON/OFF"},
    {"SMSPH", Kind::OnOff, "OFF", 0, 0, nullptr, "SMS phone number prefix ON/OFF"},
    {"CLOUD", Kind::Cloud, "00001234567890000001,12345678", 0, 32, nullptr, "cloud device ID,code"},
    {"CSQ", Kind::ReadOnly, "24,99", 0, 0, nullptr, "signal strength"},
    {"VER", Kind::ReadOnly, "V1.0.5", 0, 0, nullptr, "firmware version"},
    {"HDVER", Kind::ReadOnly, "V1.2.3", 0, 0, nullptr, "hardware version"},
};

const ParamDef *findDef(const QByteArray &word)
{
    const auto it = std::find_if(std::begin(kParams), std::end(kParams),
                                 [&](const ParamDef &d) { return word == d.word; });
    return it == std::end(kParams) ? nullptr : &*it;
}

QByteArray factoryOf(const ParamDef &d, bool echoOn)
{
    switch (d.kind) {
    case Kind::Sock:
        return QByteArray("TCP,") + kHost + ",2317";
    case Kind::HostPort:
        return QByteArray(kHost) + ",80";
    default:
        break;
    }
    if (qstrcmp(d.word, "E") == 0)
        return echoOn ? "ON" : "OFF";
    return d.factory;
}

bool parseNumber(const QByteArray &v, long long min, long long max)
{
    if (v.isEmpty() || v.size() > 10)
        return false;
    long long n = 0;
    const auto [end, ec] = std::from_chars(v.constData(), v.constData() + v.size(), n);
    return ec == std::errc() && end == v.constData() + v.size() && n >= min && n <= max;
}

bool isDigits(const QByteArray &v)
{
    return std::all_of(v.begin(), v.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isHexDigits(const QByteArray &v)
{
    return std::all_of(v.begin(), v.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

// Control bytes never belong in a stored text; high bytes (GBK) do.
bool isPlainText(const QByteArray &v)
{
    return std::none_of(v.begin(), v.end(), [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u < 0x20 || u == 0x7F;
    });
}

bool isKeyword(const QByteArray &v, const char *list)
{
    const QList<QByteArray> words = QByteArray(list).split('|');
    return std::any_of(words.begin(), words.end(),
                       [&](const QByteArray &w) { return v.compare(w, Qt::CaseInsensitive) == 0; });
}

bool isOnOff(const QByteArray &v)
{
    return isKeyword(v, "ON|OFF");
}

bool isHost(const QByteArray &v)
{
    return !v.isEmpty() && v.size() <= 64 && isPlainText(v) && !v.contains(' ');
}

bool isPort(const QByteArray &v)
{
    return isDigits(v) && parseNumber(v, 1, 65535);
}

bool checkUart(const QByteArray &v)
{
    static const char *const rates[] = {"1200",  "2400",  "4800",   "9600",   "14400",  "19200", "28800",
                                        "33600", "38400", "57600",  "115200", "230400", "460800"};
    const QList<QByteArray> f = v.split(',');
    if (f.size() != 5)
        return false;
    const bool rateOk = std::any_of(std::begin(rates), std::end(rates),
                                    [&](const char *r) { return f[0] == r; });
    return rateOk && (f[1] == "7" || f[1] == "8") && (f[2] == "1" || f[2] == "2") &&
           isKeyword(f[3], "NONE|ODD|EVEN") && isKeyword(f[4], "NFC|RS485");
}

} // namespace

SimParamList SimFactoryParams(bool echoOn)
{
    SimParamList list;
    for (const ParamDef &d : kParams)
        list.append({QByteArray(d.word), factoryOf(d, echoOn)});
    return list;
}

bool SimIsParamWord(const QByteArray &word)
{
    return findDef(word) != nullptr;
}

bool SimIsReadOnly(const QByteArray &word)
{
    const ParamDef *d = findDef(word);
    return d && d->kind == Kind::ReadOnly;
}

SimError SimCheckSetting(const QByteArray &word, const QByteArray &v)
{
    const ParamDef *d = findDef(word);
    if (!d)
        return SimError::Format;
    bool ok = false;
    switch (d->kind) {
    case Kind::ReadOnly:
        return SimError::ReadOnly;
    case Kind::OnOff:
        ok = isOnOff(v);
        break;
    case Kind::Keyword:
        ok = isKeyword(v, d->keywords);
        break;
    case Kind::Text:
        ok = v.size() >= d->min && v.size() <= d->max && isPlainText(v);
        break;
    case Kind::Number:
        ok = isDigits(v) && parseNumber(v, d->min, d->max);
        break;
    case Kind::Hex:
        ok = v.size() % 2 == 0 && v.size() >= d->min && v.size() <= d->max && isHexDigits(v);
        break;
    case Kind::Digits:
        ok = v.size() >= d->min && v.size() <= d->max && isDigits(v);
        break;
    case Kind::Uart:
        ok = checkUart(v);
        break;
    case Kind::Sock: {
        const QList<QByteArray> f = v.split(',');
        ok = f.size() == 3 && isKeyword(f[0], "TCP|UDP") && isHost(f[1]) && isPort(f[2]);
        break;
    }
    case Kind::HostPort: {
        const QList<QByteArray> f = v.split(',');
        ok = f.size() == 2 && isHost(f[0]) && isPort(f[1]);
        break;
    }
    case Kind::Cloud: {
        const QList<QByteArray> f = v.split(',');
        ok = f.size() == 2 && isPlainText(v) && f[0].size() <= d->max && f[1].size() <= d->max;
        break;
    }
    }
    return ok ? SimError::None : SimError::BadValue;
}

QByteArray SimHelpText()
{
    QByteArray out;
    const auto line = [&](const char *word, const char *text) {
        out += QByteArray("+") + word + ": " + text + "\r\n";
    };
    line("H", "help");
    line("Z", "restart");
    line("ENTM", "leave command state");
    line("CFGTF", "save parameters as user default");
    line("RELD", "restore user default");
    line("CLEAR", "restore factory settings");
    line("SMSEND", "send a text message: number,3,text");
    for (const ParamDef &d : kParams)
        line(d.word, d.help);
    out.chop(2);
    return out;
}
