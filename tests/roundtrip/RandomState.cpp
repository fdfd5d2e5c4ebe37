#include "tests/roundtrip/RandomState.h"

#include <QList>

namespace {

int uniform(std::mt19937 &rng, int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); }

QByteArray pick(std::mt19937 &rng, const QList<QByteArray> &from) { return from.at(uniform(rng, 0, int(from.size()) - 1)); }

// Plain text as the module stores it: ASCII, GBK characters and bytes that are no
// valid GBK at all (a lone lead byte, 0x80, 0xFF), blanks inside only.
QByteArray text(std::mt19937 &rng, int minLen, int maxLen, bool commas)
{
    static const QList<QByteArray> gbkChars = {"\xD6\xD0", "\xCE\xC4", "\xB2\xE2", "\xCA\xD4", "\xA3\xAC"};
    QByteArray out;
    const int len = uniform(rng, minLen, maxLen);
    while (out.size() < len) {
        const int kind = uniform(rng, 0, 9);
        if (kind < 5) {
            static const char ascii[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789.-_/:[]#";
            out.append(ascii[uniform(rng, 0, int(sizeof ascii) - 2)]);
        } else if (kind < 7 && out.size() + 2 <= len) {
            out.append(pick(rng, gbkChars));
        } else if (kind == 7) {
            out.append(char(pick(rng, {"\xA1", "\xD6", "\x80", "\xFF", "\xFE"}).at(0)));
        } else if (kind == 8 && commas) {
            out.append(',');
        } else if (out.size() > 0 && out.size() + 2 <= len) {
            out.append(' ');
        }
    }
    while (out.endsWith(' '))
        out.chop(1);
    while (out.startsWith(' '))
        out.remove(0, 1);
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
    const int n = uniform(rng, 0, 40);
    for (int i = 0; i < n; ++i)
        bytes.append(char(uniform(rng, 0, 255)));
    return bytes.toHex().toUpper();
}

QByteArray number(std::mt19937 &rng, int lo, int hi) { return QByteArray::number(uniform(rng, lo, hi)); }

QByteArray host(std::mt19937 &rng)
{
    return uniform(rng, 0, 1) ? number(rng, 1, 254) + '.' + number(rng, 0, 255) + '.' + number(rng, 0, 255) + '.' + number(rng, 1, 254)
                              : token(rng, 1, 12) + ".example.net";
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
        return text(rng, 0, 40, true);
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
        return text(rng, 0, 30, true);
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
    if (w == "HTPURL" || w == "HTPHD")
        return text(rng, 0, 60, true);
    if (w == "HTPSV")
        return host(rng) + ',' + number(rng, 1, 65535);
    if (w == "HTPTO")
        return number(rng, 1, 600);
    if (w == "DSTNUM")
        return number(rng, 1, 999999999);
    if (w == "CLOUD")
        return token(rng, 1, 20) + ',' + token(rng, 1, 8);
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
