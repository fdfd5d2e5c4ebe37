#include "tests/roundtrip/RandomState.h"

#include "util/Gbk.h"

#include <QList>

namespace {

int uniform(std::mt19937 &rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

QByteArray pick(std::mt19937 &rng, const QList<QByteArray> &from) { return from.at(uniform(rng, 0, int(from.size()) - 1)); }

// How a state's texts look: 0 words from all of GBK (characters whose bytes are valid UTF-8
// too included), printable ASCII, bytes that are no GBK; 1 ASCII and words whose GBK is valid
// UTF-8 too (平台); 2 the UTF-8 of GBK text, as a module that speaks UTF-8 keeps it. Blanks
// inside only; no quotes, no '+' (the tool parses no answer that holds more than five).
int g_flavour = 0;

QByteArray text(std::mt19937 &rng, int minLen, int maxLen, bool commas)
{
    static const QList<QByteArray> gbkChars = [] {
        QList<QByteArray> all;
        for (int code = 0x8140; code <= 0xFEFE; ++code)
            if (const char c[2] = {char(code >> 8), char(code)}; gbk::toUnicode(QByteArray(c, 2)).size() == 1)
                all << QByteArray(c, 2);
        return all;
    }();
    QByteArray out;
    for (const int len = uniform(rng, minLen, maxLen); out.size() < len;) {
        const int kind = uniform(rng, 0, 9);
        const char c = kind == 5 ? "\xA1\x80\xFF"[uniform(rng, 0, 2)] : kind == 6 && out.size() && out.size() + 1 < len ? ' ' : char(uniform(rng, 0x21, 0x7E));
        if (kind < 5 && out.size() + 2 <= len)
            out += pick(rng, gbkChars);
        else if (kind >= 5 && !QByteArray("\"'+").contains(c) && (commas || c != ','))
            out += c;
    }
    if (g_flavour == 1) {
        out.removeIf([](char c) { return uchar(c) >= 0x80; });
        while (out.size() + 2 <= maxLen && uniform(rng, 0, 2) == 0)
            out += pick(rng, {"\xC6\xBD", "\xCC\xA8", "\xCF\xA2", "\xD0\xC5"}); // 平台息信
    } else if (g_flavour == 2) {
        QString u = gbk::toUnicode(out);
        u.removeIf([](QChar c) { return gbk::isEscaped(c); });
        while (u.toUtf8().size() > maxLen)
            u.chop(1);
        out = u.toUtf8();
    }
    return out.size() < minLen ? out + QByteArray(minLen - out.size(), 'x') : out;
}

// No blanks and no commas: these go through comma lists.
QByteArray token(std::mt19937 &rng, int minLen, int maxLen)
{
    QByteArray t = text(rng, minLen, maxLen, false);
    t.replace(' ', "_");
    return t;
}

QByteArray hexData(std::mt19937 &rng)
{
    QByteArray bytes;
    const int n = uniform(rng, 0, 200); // the module takes 400 hex digits
    for (int i = 0; i < n; ++i)
        bytes.append(char(uniform(rng, 0, 255)));
    return bytes.toHex().toUpper();
}

QByteArray number(std::mt19937 &rng, int lo, int hi) { return QByteArray::number(uniform(rng, lo, hi)); }

QByteArray host(std::mt19937 &rng)
{
    return uniform(rng, 0, 1) ? number(rng, 1, 254) + '.' + number(rng, 0, 255) + '.' + number(rng, 0, 255) + '.' + number(rng, 1, 254)
                              : token(rng, 1, 52) + ".example.net"; // 64 at most
}

QByteArray onOff(std::mt19937 &rng) { return uniform(rng, 0, 1) ? "ON" : "OFF"; }

const QList<QByteArray> kWords = {
    "E", "WKMOD", "CMDPW", "STMSG", "UART", "RFCEN", "UARTFT", "UARTFL", "APN",
    "SOCKA", "SOCKB", "SOCKC", "SOCKD", "SOCKAEN", "SOCKBEN", "SOCKCEN", "SOCKDEN",
    "SOCKASL", "SOCKBSL", "SOCKCSL", "SOCKDSL", "SOCKATO", "SOCKBTO", "SOCKCTO", "SOCKDTO",
    "SOCKIND", "REGEN", "REGTP", "REGID", "REGDT", "REGSND", "HEARTEN", "HEARTDT", "HEARTSND", "HEARTTM",
    "HTPTP", "HTPURL", "HTPSV", "HTPHD", "HTPTO", "HTPFLT", "DSTNUM", "SMSFLT", "SMSPH", "CLOUD"};

QByteArray randomValue(const QByteArray &w, std::mt19937 &rng)
{
    if (w == "E" || w == "RFCEN" || w.endsWith("EN") || w == "SOCKIND" || w == "HTPFLT" || w == "SMSFLT" || w == "SMSPH")
        return onOff(rng);
    if (w == "WKMOD")
        return pick(rng, {"NET", "HTTPD", "SMS"});
    if (w == "CMDPW")
        return text(rng, 1, 16, true);
    if (w == "STMSG" || w == "APN")
        return text(rng, 0, 64, true);
    if (w == "UART")
        return pick(rng, {"1200", "9600", "19200", "57600", "115200", "230400", "460800"}) + ',' + pick(rng, {"7", "8"}) + ',' +
               pick(rng, {"1", "2"}) + ',' + pick(rng, {"NONE", "ODD", "EVEN"}) + ',' + pick(rng, {"NFC", "RS485"});
    if (w == "UARTFT")
        return number(rng, 10, 60000);
    if (w == "UARTFL")
        return number(rng, 1, 4096);
    if (w.size() == 5 && w.startsWith("SOCK"))
        return pick(rng, {"TCP", "UDP"}) + ',' + host(rng) + ',' + number(rng, 1, 65535);
    if (w.endsWith("SL"))
        return pick(rng, {"SHORT", "LONG"});
    if (w.endsWith("TO") && w.startsWith("SOCK"))
        return number(rng, 0, 600);
    if (w == "REGTP")
        return pick(rng, {"ICCID", "IMEI", "D2DID", "CLOUD", "USER"});
    if (w == "REGID")
        return text(rng, 0, 64, true);
    if (w == "REGDT" || w == "HEARTDT")
        return hexData(rng);
    if (w == "REGSND")
        return pick(rng, {"LINK", "DATA"});
    if (w == "HEARTSND")
        return pick(rng, {"NET", "COM"});
    if (w == "HEARTTM")
        return number(rng, 1, 65535);
    if (w == "HTPTP")
        return pick(rng, {"GET", "POST"});
    if (w == "HTPURL")
        return text(rng, 0, 128, true);
    if (w == "HTPHD")
        return text(rng, 0, 200, true);
    if (w == "HTPSV")
        return host(rng) + ',' + number(rng, 1, 65535);
    if (w == "HTPTO")
        return number(rng, 1, 600);
    if (w == "DSTNUM") {
        QByteArray digits;
        for (int i = uniform(rng, 1, 20); i > 0; --i)
            digits += char('0' + uniform(rng, 0, 9));
        return digits;
    }
    if (w == "CLOUD") // the code may exceed the 8 characters a user types
        return token(rng, 1, 32) + ',' + token(rng, 1, 32);
    return {};
}

} // namespace

QByteArray ValueOf(const SimParamList &state, const QByteArray &word)
{
    for (const auto &kv : state)
        if (kv.first == word)
            return kv.second;
    return {};
}

SimParamList RandomModuleState(std::mt19937 &rng)
{
    g_flavour = uniform(rng, 0, 2);
    SimParamList s;
    for (const QByteArray &w : kWords)
        s.append({w, randomValue(w, rng)});
    return s;
}

QByteArray RandomValueOtherThan(const QByteArray &word, const QByteArray &unlike, std::mt19937 &rng)
{
    for (int i = 0; i < 100; ++i) {
        const QByteArray v = randomValue(word, rng);
        if (v != unlike)
            return v;
    }
    return {};
}

QSet<QByteArray> WordsSetAllMustWrite(const SimParamList &s, bool more)
{
    QSet<QByteArray> w = {"WKMOD", "UART"};
    const QByteArray mode = ValueOf(s, "WKMOD");
    if (mode == "NET") {
        for (const char l : QByteArray("ABCD")) {
            const QByteArray sock = QByteArray("SOCK") + l;
            w << sock + "EN";
            if (ValueOf(s, sock + "EN") == "ON")
                w << sock << sock + "SL" << sock + "TO";
        }
        w << "HEARTEN" << "REGEN" << "SOCKIND";
        if (ValueOf(s, "HEARTEN") == "ON")
            w << "HEARTTM" << "HEARTDT" << "HEARTSND";
        if (ValueOf(s, "REGEN") == "ON") {
            w << "REGSND" << "REGTP";
            const QByteArray tp = ValueOf(s, "REGTP");
            if (tp == "D2DID")
                w << "REGID";
            else if (tp == "CLOUD")
                w << "CLOUD";
            else if (tp == "USER")
                w << "REGDT";
        }
    } else if (mode == "HTTPD") {
        w << "HTPTP" << "HTPURL" << "HTPSV" << "HTPTO" << "HTPHD" << "HTPFLT";
    } else {
        w << "DSTNUM" << "SMSFLT" << "SMSPH";
    }
    if (more)
        w << "RFCEN" << "UARTFT" << "UARTFL" << "E" << "CMDPW" << "STMSG" << "APN";
    return w;
}
