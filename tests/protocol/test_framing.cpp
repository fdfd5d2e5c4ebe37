// A block that ends at the module's final line, not only at the read gap, is
// recognised as before: the same bursts, framed the old way and the new way,
// leave the dispatcher in the same state.
#include "FakeForm.h"
#include "protocol/FinalLine.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// One burst of the module: bytes with no read gap inside, in the chunks the
// reader happens to get them in.
struct Burst {
    QByteArray bytes;
    std::vector<qsizetype> chunkEnds; // ascending, the last is bytes.size()
};

// The reader with the block end: after every chunk the bytes gathered so far
// end a block when they end with a final line; the gap ends the rest.
std::vector<QByteArray> finalLineBlocks(const std::vector<Burst> &bursts, int *earlyCuts)
{
    std::vector<QByteArray> out;
    for (const Burst &b : bursts) {
        qsizetype from = 0;
        for (const qsizetype end : b.chunkEnds) {
            const QByteArray pending = b.bytes.mid(from, end - from);
            if (EndsWithFinalLine(pending)) {
                out.push_back(pending);
                from = end;
                *earlyCuts += end < b.bytes.size();
            }
        }
        if (from < b.bytes.size())
            out.push_back(b.bytes.mid(from));
    }
    return out;
}

// What the dispatcher made of the blocks, as one text: where the queue stands,
// what was recorded, what moved it, every line sent and every byte shown.
QByteArray dispatch(const std::vector<QByteArray> &blocks)
{
    Rig r;
    for (int i = 0; i < 40; ++i) {
        r.proto->orders().AddQuery(TCmd::VER);
        r.proto->orders().AddSetting(TCmd::E, "ON");
    }
    QByteArray moves, shown, answers;
    QObject::connect(r.proto.get(), &Protocol::blockReceived, [&](TBlockKind k) {
        if (k != TBlockKind::Other)
            moves += char('0' + int(k));
    });
    r.proto->SendCurOrder();
    for (const QByteArray &b : blocks)
        r.proto->DispatchRcv(b);
    for (const auto &[kind, text] : r.console.lines)
        if (kind == LineKind::Rcv || kind == LineKind::RcvErr)
            shown += text;
    const OrderList &o = r.proto->orders();
    for (auto it = o.answers.begin(); it != o.answers.end(); ++it)
        answers += it.key() + '=' + it.value() + ';';
    return QByteArray::number(o.OrderIndex) + '|' + QByteArray::number(int(r.proto->queueState())) + '|' + answers +
           '|' + o.refused.join(',') + '|' + o.accepted.join(',') + '|' + QByteArray::number(qsizetype(r.sent.size())) +
           '|' + moves + '|' + shown;
}

class StreamGen {
public:
    explicit StreamGen(unsigned seed) : rng_(seed) {}

    std::vector<Burst> stream(int n)
    {
        std::vector<Burst> out;
        while (int(out.size()) < n)
            for (QByteArray &b : bursts())
                out.push_back(chunked(std::move(b)));
        return out;
    }

private:
    int pick(int n) { return std::uniform_int_distribution<int>(0, n - 1)(rng_); }
    bool chance(int percent) { return pick(100) < percent; }

    QByteArray text(const char *alphabet, int maxLen)
    {
        QByteArray t;
        for (int len = pick(maxLen + 1); len > 0; --len)
            t += alphabet[pick(int(qstrlen(alphabet)))];
        return t;
    }
    QByteArray word() { return QList<QByteArray>{"VER", "E", "CMDPW", "UART", "SOCKA", "STMSG"}[pick(6)]; }
    // A value: no line ends (a setting line could not carry one), colons and '+' allowed.
    QByteArray value() { return text("AOKxyz019 ,.:+-/\"", 14); }
    // Server data: line ends, '+', ':' and 'a', but never an OK or an ERR of its own.
    QByteArray serverData() { return text("xyz019 +:aO\r\n\r\n", 24) + "x"; }

    QByteArray answer()
    {
        switch (pick(6)) {
        case 0:
        case 1: // a named answer
            return "\r\n+" + word() + ":" + value() + "\r\n\r\nOK\r\n";
        case 2:
            return "\r\nOK\r\n\r\n";
        case 3:
            return "\r\n+ERR:" + QByteArray::number(pick(12)) + (chance(50) ? "\r\n\r\n" : "\r\n");
        case 4: { // a help listing
            QByteArray l = "\r\n";
            for (int i = 0; i < 6; ++i)
                l += "+" + word() + ":" + value() + "\r\n";
            return l + "\r\nOK\r\n";
        }
        default:
            return QList<QByteArray>{"a", "+ok\r\n", "a+ok\r\n"}[pick(3)];
        }
    }

    // What the module may send without a pause: server data in its data state,
    // an answer with its echo and stray bytes in front, an answer with server
    // data right behind (it left the command state), an answer in two bursts.
    std::vector<QByteArray> bursts()
    {
        const QByteArray front = (chance(20) ? QByteArray("~noise~") : QByteArray()) +
                                 (chance(30) ? "AT+" + word() + (chance(50) ? "?" : "=" + value()) + "\r\n" : QByteArray());
        switch (pick(6)) {
        case 0:
            return {serverData()};
        case 1:
            return {serverData() + "\r\na"};
        case 2: {
            // The OK of ENTM, and at once the data the module forwards again;
            // that data alone is no answer.
            QByteArray behind;
            do
                behind = text("xyz019 :O\r\n", 16);
            while (IsAnswer(behind));
            return {front + "\r\nOK\r\n\r\n" + behind};
        }
        case 3: {
            const QByteArray a = front + answer();
            const qsizetype cut = pick(int(a.size()));
            return cut == 0 ? std::vector<QByteArray>{a} : std::vector<QByteArray>{a.left(cut), a.mid(cut)};
        }
        case 4:
            return {"AT+VER?\r\n"};
        default:
            return {front + answer()};
        }
    }

    Burst chunked(QByteArray bytes)
    {
        Burst b;
        const int most = chance(30) ? 1 : 1 + pick(12);
        for (qsizetype at = 0; at < bytes.size();) {
            at = std::min(bytes.size(), at + 1 + pick(most));
            b.chunkEnds.push_back(at);
        }
        b.bytes = std::move(bytes);
        return b;
    }

    std::mt19937 rng_;
};

} // namespace

TEST(FinalLine, WhichBytesEndABlock)
{
    const std::pair<QByteArray, bool> cases[] = {
        {"\r\n+VER:V1.0\r\n\r\nOK\r\n", true}, {"AT+VER?\r\n\r\n+VER:V1.0\r\n\r\nOK\r\n", true},
        {"\r\nOK\r\n\r\n", true}, {"\r\nOK\r\n", false}, // a setting's OK lacks its blank line yet
        {"\r\n+VER:V1.0\r\n", false}, {"\r\n+VER:V1.0\r\n\r\nOK", false}, {"data\r\n\r\nOK\r\n", false},
        {"\r\n+ERR:3\r\n", true}, {"\r\n+ERR:12\r\n\r\n", true}, {"\r\n+ERR:\r\n", false},
        {"+ERR:x3\r\n", false}, {"+ok\r\n", false}, {"a", false}, {"", false},
    };
    for (const auto &[bytes, ends] : cases)
        EXPECT_EQ(EndsWithFinalLine(bytes), ends) << bytes.toPercentEncoding().toStdString();
}

TEST(FinalLine, OldAndNewFramingGiveTheDispatcherTheSameResults)
{
    EnglishTexts english;
    int earlyCuts = 0, blocks = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        const std::vector<Burst> bursts = StreamGen(seed).stream(30);
        std::vector<QByteArray> before; // the gap alone: a burst is a block
        for (const Burst &b : bursts)
            before.push_back(b.bytes);
        const std::vector<QByteArray> after = finalLineBlocks(bursts, &earlyCuts);
        blocks += int(after.size());
        const QByteArray a = dispatch(before), b = dispatch(after);
        ASSERT_EQ(a, b) << "seed " << seed;
    }
    // The streams did cut blocks short of their burst's end.
    EXPECT_GT(earlyCuts, 400);
    EXPECT_GT(blocks, 400 * 30);
}
