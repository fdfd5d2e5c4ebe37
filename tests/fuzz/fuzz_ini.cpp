// The INI engine over any file content: a value written reads back the same,
// also after the content is parsed again as a saved file would be, and the
// other keys keep their values.
#include "FuzzInput.h"

#include "config/IniFile.h"
#include "util/Gbk.h"

namespace {

// Section and key names the engine can hold: no line breaks, no '=' or ']',
// not starting with ';' or '[', no blanks at the ends, not empty.
QByteArray name(QByteArray s, const char *fallback)
{
    for (char bad : {'\r', '\n', '=', ']', '[', ';', ' ', '\t'})
        s.replace(bad, QByteArray());
    return s.isEmpty() ? QByteArray(fallback) : s;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const QByteArray sec = name(in.bytes(16), "S");
    const QByteArray key = name(in.bytes(16), "K");
    const QByteArray sec2 = name(in.bytes(16), "T");
    const QByteArray key2 = name(in.bytes(16), "L");
    QByteArray value = in.bytes(255);
    value.replace('\r', QByteArray());
    value.replace('\n', QByteArray());
    const QByteArray file = in.rest();

    TIniFile ini(QString{});
    ini.setContent(file);
    // Reading never fails on any content.
    ini.ReadInteger(sec, key, 0);
    ini.ReadBool(sec2, key2, false);
    const QByteArray before2 = ini.ReadString(sec2, key2, "<none>");
    const bool utf8 = ini.isUtf8();

    ini.WriteString(sec, key, value);
    FUZZ_CHECK(ini.ReadString(sec, key, "<none>") == value, "a written value reads back");
    const bool sameKey = SameTextNoCase(sec, sec2) && SameTextNoCase(key, key2);
    if (!sameKey)
        FUZZ_CHECK(ini.ReadString(sec2, key2, "<none>") == before2, "other keys keep their values");

    TIniFile again(QString{});
    again.setContent(ini.content());
    // A GBK file whose bytes after the write happen to form valid UTF-8 is read as
    // UTF-8 the next time; that guess is the file format's, not the engine's.
    if (again.isUtf8() != utf8)
        return 0;
    FUZZ_CHECK(again.ReadString(sec, key, "<none>") == value, "a saved value reads back");
    if (!sameKey)
        FUZZ_CHECK(again.ReadString(sec2, key2, "<none>") == before2, "other saved keys keep their values");
    return 0;
}
