// Version numbers: any text gives a number or -1; blanks do not matter; versions
// made of four parts below 100 compare as their parts do.
#include "FuzzInput.h"

#include "util/Version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    FuzzInput in(data, size);
    const QByteArray text = in.rest();
    const int64_t v = VersionToNumber(text);
    FUZZ_CHECK(v >= -1, "a number or -1");
    QByteArray spaced = text;
    spaced.insert(size ? qsizetype(data[0] % (size + 1)) : 0, ' ');
    FUZZ_CHECK(VersionToNumber(spaced) == v, "blanks are ignored");

    FuzzInput parts(data, size);
    int a[4], b[4];
    for (int &x : a)
        x = parts.pick(100);
    for (int &x : b)
        x = parts.pick(100);
    const auto text4 = [](const int *p) {
        return QByteArray::number(p[0]) + '.' + QByteArray::number(p[1]) + '.' +
               QByteArray::number(p[2]) + '.' + QByteArray::number(p[3]);
    };
    const int64_t na = VersionToNumber(text4(a)), nb = VersionToNumber(text4(b));
    FUZZ_CHECK(na >= 0 && nb >= 0, "four small parts are a version");
    const bool less = std::lexicographical_compare(a, a + 4, b, b + 4);
    const bool greater = std::lexicographical_compare(b, b + 4, a, a + 4);
    FUZZ_CHECK((na < nb) == less && (na > nb) == greater, "numbers order as the parts do");
    FUZZ_CHECK(VersionToNumber("V" + text4(a)) == na, "a leading V is no part of the number");
    return 0;
}
