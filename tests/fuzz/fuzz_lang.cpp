// The language-file reader: any bytes give three lists in step; rows written
// as a language file read back as the same rows.
#include "FuzzInput.h"

#include "lang/Baselang.h"

namespace {

// What a row's field may hold so that the file form carries it unchanged.
QByteArray field(QByteArray s, bool key)
{
    for (char bad : {'|', '\r', '\n', '\x1A'})
        s.replace(bad, QByteArray());
    while (s.contains("///"))
        s.replace("///", "/");
    if (key) {
        while (s.startsWith(';'))
            s.remove(0, 1);
    }
    // A field ending in '/' followed by one starting with "//" never meets it
    // (the separator stands between), so fields stand alone.
    return s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const bool asFile = in.byte() & 1;
    if (asFile) {
        TLangList any;
        any.ReadLangBytes(in.rest());
        FUZZ_CHECK(any.FileKeys.size() == any.FileChinese.size() &&
                       any.FileKeys.size() == any.FileEnglish.size(),
                   "the three lists run in step");
        for (const QByteArray &k : std::as_const(any.FileKeys)) {
            FUZZ_CHECK(!k.contains('\n') && !k.contains('\r') && !k.contains('|'), "a key is one field");
            any.GetText(k);
        }
        any.IsChinese = true;
        for (const QByteArray &k : std::as_const(any.FileKeys))
            any.GetText(k);
        return 0;
    }

    TLangList out;
    while (!in.empty() && out.DefaultKeys.size() < 64) {
        const QByteArray key = field(in.bytes(24), true);
        const QByteArray zh = field(in.bytes(40), false);
        const QByteArray en = field(in.bytes(40), false);
        // An empty key and texts would be a line of two bars: still a row.
        out.AddDefault(key, zh, en);
    }
    TLangList back;
    back.ReadLangBytes(out.DefaultFileBytes());
    // The line holding one blank under the header reads as a row of three empty texts.
    FUZZ_CHECK(!back.FileKeys.isEmpty() && back.FileKeys.first().isEmpty() &&
                   back.FileChinese.first().isEmpty() && back.FileEnglish.first().isEmpty(),
               "the blank line is an empty row");
    FUZZ_CHECK(back.FileKeys.mid(1) == out.DefaultKeys, "keys read back");
    FUZZ_CHECK(back.FileChinese.mid(1) == out.DefaultChinese, "Chinese texts read back");
    FUZZ_CHECK(back.FileEnglish.mid(1) == out.DefaultEnglish, "English texts read back");
    return 0;
}
