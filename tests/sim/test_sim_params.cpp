#include "tools/dtu-sim/SimParams.h"

#include <gtest/gtest.h>

#include <QSet>

namespace {

struct Case
{
    const char *word;
    QByteArray value;
};

} // namespace

TEST(SimParams, AcceptsTheValuesTheToolWrites)
{
    const Case cases[] = {
        {"E", "ON"}, {"E", "off"}, {"WKMOD", "NET"}, {"WKMOD", "HTTPD"}, {"WKMOD", "SMS"},
        {"UART", "115200,8,1,NONE,NFC"}, {"UART", "1200,7,2,EVEN,RS485"}, {"UART", "460800,8,1,odd,nfc"},
        {"UART", "14400,8,1,NONE,NFC"}, {"SOCKA", "TCP,test.example.com,2317"}, {"SOCKD", "UDP,10.0.0.1,1"},
        {"SOCKB", "tcp,h,65535"}, {"SOCKASL", "SHORT"}, {"SOCKDSL", "LONG"}, {"SOCKCTO", "0"},
        {"HTPSV", "test.example.com,80"}, {"CLOUD", "00001234,pass"}, {"CLOUD", ","},
        {"HEARTDT", "4142"}, {"HEARTDT", "abcdef"}, {"REGDT", ""}, {"DSTNUM", "10086"},
        {"UARTFT", "10"}, {"UARTFL", "4096"}, {"APN", "CMNET,,"}, {"STMSG", ""},
        {"STMSG", QByteArray("\xBB\xB6\xD3\xAD")}, // GBK text
        {"HTPURL", "/1.php[3F]"}, {"HTPHD", "Connection: close[0D][0A]"}, {"CMDPW", "0123456789abcdef"},
        {"REGTP", "D2DID"}, {"REGTP", "IMEI"}, {"REGSND", "DATA"}, {"HEARTSND", "COM"}, {"HTPTP", "POST"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SimCheckSetting(c.word, c.value), SimError::None) << c.word << "=" << c.value.constData();
}

TEST(SimParams, RefusesBadValues)
{
    const Case cases[] = {
        {"E", "YES"}, {"E", ""}, {"WKMOD", "NETX"}, {"WKMOD", ""},
        {"UART", "115200,8,1,NONE"}, {"UART", "115200,8,1,NONE,NFC,"}, {"UART", "115201,8,1,NONE,NFC"},
        {"UART", "115200,9,1,NONE,NFC"}, {"UART", "115200,8,3,NONE,NFC"}, {"UART", "115200,8,1,MARK,NFC"},
        {"UART", "115200,8,1,NONE,RTS"}, {"UART", " 115200,8,1,NONE,NFC"},
        {"SOCKA", "TCP,test.example.com,0"}, {"SOCKA", "TCP,test.example.com,65536"},
        {"SOCKA", "TCP,,2317"}, {"SOCKA", "SCTP,h,2317"}, {"SOCKA", "TCP,h,23a"}, {"SOCKA", "TCP,h"},
        {"SOCKA", "TCP,a b,2317"}, {"SOCKB", "TCP,h,99999999999999999999"},
        {"SOCKASL", "MEDIUM"}, {"SOCKATO", "601"}, {"SOCKATO", "-1"},
        {"HTPSV", "host"}, {"HTPSV", "host,0"},
        {"HEARTDT", "414"}, {"HEARTDT", "GG"}, {"REGDT", "4X"},
        {"UARTFT", "abc"}, {"UARTFT", "5"}, {"UARTFT", ""}, {"UARTFL", "4097"}, {"HEARTTM", "0"},
        {"DSTNUM", "12a"}, {"DSTNUM", ""}, {"CMDPW", ""}, {"CMDPW", "0123456789abcdefg"},
        {"CLOUD", "abc"}, {"CLOUD", "a,b,c"}, {"STMSG", QByteArray("a\x01z", 3)},
        {"STMSG", QByteArray(65, 'x')}, {"REGTP", "SN"}, {"HTPTP", "PUT"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(SimCheckSetting(c.word, c.value), SimError::BadValue) << c.word << "=" << c.value.constData();
}

TEST(SimParams, ReadOnlyAndUnknownWords)
{
    for (const char *w : {"SN", "ICCID", "MEID", "IMEI", "SOCKALK", "SOCKDLK", "VER", "HDVER", "CSQ"}) {
        EXPECT_TRUE(SimIsReadOnly(w)) << w;
        EXPECT_EQ(SimCheckSetting(w, "1"), SimError::ReadOnly) << w;
    }
    for (const char *w : {"H", "Z", "ENTM", "CFGTF", "SMSEND", "XYZ", "", "e"}) {
        EXPECT_FALSE(SimIsParamWord(w)) << w;
        EXPECT_EQ(SimCheckSetting(w, "ON"), SimError::Format) << w;
    }
}

// The factory table must be one the module itself would accept, word by word.
TEST(SimParams, FactoryTableIsConsistent)
{
    for (bool echo : {false, true}) {
        const SimParamList list = SimFactoryParams(echo);
        QSet<QByteArray> seen;
        for (const auto &[word, value] : list) {
            EXPECT_FALSE(seen.contains(word)) << "twice: " << word.constData();
            seen.insert(word);
            EXPECT_TRUE(SimIsParamWord(word));
            if (!SimIsReadOnly(word)) {
                EXPECT_EQ(SimCheckSetting(word, value), SimError::None) << word.constData() << "=" << value.constData();
            }
            EXPECT_FALSE(value.isEmpty()) << word.constData();
        }
        EXPECT_EQ(list.size(), 56);
        const auto e = std::find_if(list.begin(), list.end(), [](const auto &p) { return p.first == "E"; });
        ASSERT_NE(e, list.end());
        EXPECT_EQ(e->second, echo ? "ON" : "OFF");
    }
}

TEST(SimParams, HelpListsEveryWordAndFitsOneBlock)
{
    const QByteArray help = SimHelpText();
    EXPECT_GT(help.count('+'), 5); // the tool shows such listings without parsing them
    EXPECT_LT(help.size(), 4000);  // plus the answer frame it must stay one 4096-byte block
    for (const auto &p : SimFactoryParams(false))
        EXPECT_TRUE(help.contains("\r\n+" + p.first + ":") || help.startsWith("+" + p.first + ":")) << p.first.constData();
    EXPECT_FALSE(help.endsWith("\r\n"));
}
