// Text and hex conversions: the GBK codec is lossless, hex forms read back,
// the CRC of a block followed by its own CRC is zero.
#include "FuzzInput.h"

#include "util/Gbk.h"
#include "util/GbkStream.h"
#include "util/ProFun.h"

#include <QString>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray b(reinterpret_cast<const char *>(data), qsizetype(size));

    const QString u = gbk::toUnicode(b);
    FUZZ_CHECK(gbk::fromUnicode(u) == b, "GBK bytes survive a trip through Unicode");
    const QString shown = gbk::toDisplay(b);
    for (QChar c : shown)
        FUZZ_CHECK(!gbk::isEscaped(c), "the display form spells every escaped byte");
    // Text typed by a user (any Unicode) encodes to bytes that decode to the same
    // text, except for characters outside GBK, which become '?'.
    const QString typed = QString::fromUtf8(b);
    const QByteArray enc = gbk::fromUnicode(typed);
    FUZZ_CHECK(gbk::fromUnicode(gbk::toUnicode(enc)) == enc, "encoded text is stable");
    gbk::looksUtf8(b);

    // Received in three blocks: the bytes pass whole and in order, and the text
    // shown is the text of the whole unless the end is a cut character.
    {
        const qsizetype cut1 = size ? data[0] % (size + 1) : 0;
        const qsizetype cut2 = size > 1 ? cut1 + data[1] % (size - cut1 + 1) : cut1;
        gbk::GbkStream stream;
        QByteArray passed;
        QString shown;
        for (const QByteArray &block : {b.left(cut1), b.mid(cut1, cut2 - cut1), b.mid(cut2)}) {
            const QByteArray now = stream.take(block);
            passed += now;
            shown += gbk::toUnicode(now);
        }
        FUZZ_CHECK(passed + stream.flush() == b, "received bytes pass whole and in order");
        if (!gbk::endsInLeadByte(b))
            FUZZ_CHECK(shown == u, "split blocks show the text of the whole");
    }

    const QByteArray hex = StrToHexStr(b, QByteArray());
    FUZZ_CHECK(hex.size() == 2 * b.size(), "two digits per byte");
    FUZZ_CHECK(HexStrToStr(hex) == b, "hex reads back");
    FUZZ_CHECK(BytesToHexStr(data, int(size)) == hex, "both hex forms agree");
    FUZZ_CHECK(BytesToStr(data, int(size)) == b, "bytes to text keeps every byte");
    const QByteArray spaced = StrToHexStr(b, " ");
    FUZZ_CHECK(spaced.size() == 3 * b.size(), "digits and separator per byte");
    FUZZ_CHECK(HexStrToStr(DelSpace(spaced)) == b, "spaced hex reads back without blanks");
    const QByteArray anyHex = HexStrToStr(b); // arbitrary text: bytes, or the text unchanged
    FUZZ_CHECK(anyHex == b || anyHex.size() == b.size() / 2, "hex of arbitrary text");

    FUZZ_CHECK(!DelSpace(b).contains(' '), "no blanks left");
    // One pass over the text: "\r\r\n\n" keeps the outer pair, which was never a pair of its own.
    FUZZ_CHECK(DelLineBreak(b).size() == b.size() - 2 * b.count("\r\n"), "every line break removed once");
    FUZZ_CHECK(!DelQuote(b).contains('"'), "no quotes left");
    for (const QByteArray &item : SplitComma(b))
        FUZZ_CHECK(item.size() <= b.size(), "a list item is part of the text");

    // CRC-16/XMODEM: appending the CRC high byte first gives a zero remainder.
    const int n = int(std::min<size_t>(size, 253));
    QByteArray block = b.left(n);
    const uint16_t crc = XModemCRC16(reinterpret_cast<const uint8_t *>(block.constData()), 0, uint8_t(n));
    block.append(char(crc >> 8));
    block.append(char(crc & 0xFF));
    FUZZ_CHECK(XModemCRC16(reinterpret_cast<const uint8_t *>(block.constData()), 0, uint8_t(n + 2)) == 0,
               "CRC residue is zero");

    // Case-insensitive comparison: reflexive and symmetric.
    const QByteArray a = b.left(b.size() / 2), c = b.mid(b.size() / 2);
    FUZZ_CHECK(SameTextNoCase(a, a), "a text equals itself");
    FUZZ_CHECK(SameTextNoCase(a, c) == SameTextNoCase(c, a), "comparison is symmetric");

    const QString pat = QString::fromLatin1(a.left(4)), text = QString::fromLatin1(c);
    const int hits = CountSubStr(pat, text);
    FUZZ_CHECK(hits >= 0 && (pat.isEmpty() ? hits == 0 : hits * pat.size() <= text.size()),
               "occurrences fit in the text");
    return 0;
}
